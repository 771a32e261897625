#include "reports/layout_picture.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

#include "fields/book_fields.h"
#include "settings/settings.h"

namespace reports {

namespace {

int px(double value) {
    return int(std::lround(value));
}

// The book field of a record-line item: its field number when that is a
// book field, else the field whose name it carries (items converted from
// the earlier file version), else 0.
int bookFieldOf(const ReportItem& item) {
    if (item.fieldNumber >= 1 && item.fieldNumber <= fields::kFieldCount)
        return item.fieldNumber;
    for (int n = 1; n <= fields::kFieldCount; ++n) {
        const auto& name = fields::bookField(n).name;
        if (item.name.compare(QString::fromLatin1(name.data(), qsizetype(name.size())),
                              Qt::CaseInsensitive) == 0)
            return n;
    }
    return 0;
}

}  // namespace

FieldCaptions fieldCaptions(const settings::Settings& settings) {
    FieldCaptions captions;
    for (int n = 1; n <= fields::kFieldCount; ++n)
        captions[std::size_t(n)] = settings.fieldNames[n];
    return captions;
}

LayoutPicture::LayoutPicture(const ReportDefinition& definition, int width, bool showTotals,
                             FieldCaptions captions, double scale)
    : definition_(definition),
      width_(std::max(width, 1)),
      showTotals_(showTotals),
      captions_(std::move(captions)),
      scale_(scale),
      lineCount_(std::clamp(definition.lineCount, 0, kRecordLines)) {}

std::vector<int> LayoutPicture::rows() const {
    std::vector<int> rows;
    for (int n = 1; n <= lineCount_; ++n)
        rows.push_back(n);
    if (showTotals_)
        rows.push_back(kTotalsRow);
    return rows;
}

QRect LayoutPicture::rowRect(int row) const {
    const int left = px(4 * scale_), right = px(629 * scale_);
    int top = 0, bottom = 0;  // bottom exclusive
    if (row == kTotalsRow) {
        if (!showTotals_)
            return {};
        top = px(355 * scale_);
        bottom = px(375 * scale_) + 1;
    } else {
        if (row < 1 || row > lineCount_)
            return {};
        top = px(75 * scale_ + (row - 1) * 20 * scale_);
        bottom = px(75 * scale_ + row * 20 * scale_);
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

const ReportLine& LayoutPicture::line(int row) const {
    return row == kTotalsRow ? definition_.totalsLine : definition_.lines[size_t(row - 1)];
}

std::vector<PictureCell> LayoutPicture::cells(int row) const {
    std::vector<PictureCell> out;
    const QRect r = rowRect(row);
    if (r.isNull())
        return out;
    const ReportLine& l = line(row);
    const int used = l.usedCount();
    const int left = r.left(), end = r.right() + 1, span = end - left;
    long long sum = 0;
    int x = left;
    for (int i = 0; i < used; ++i) {
        const ReportItem& item = l.items[size_t(i)];
        sum += item.width;
        // Items past the row's end (widths adding up to more than the
        // report width) are squeezed to nothing at the end.
        int right = i == used - 1 ? end : left + int(std::llround(double(span) * sum / width_));
        right = std::clamp(right, x, end);
        PictureCell cell;
        cell.row = row;
        cell.item = i + 1;
        cell.rect = QRect(x, r.top(), right - x, r.height());
        if (item.isFiller()) {
            cell.text = QStringLiteral("Filler");
            cell.color = QColor(0, 128, 0);
            cell.alignment = Qt::AlignHCenter | Qt::AlignVCenter;
        } else if (item.isLabel()) {
            cell.text = item.labelText;
            cell.color = QColor(255, 0, 0);
            cell.alignment = Qt::AlignRight | Qt::AlignVCenter;
        } else {
            // The totals line shows the names of its totals; a record line
            // the caption of its field.
            const int field = row == kTotalsRow ? 0 : bookFieldOf(item);
            cell.text = field > 0 ? captions_[std::size_t(field)] : item.name;
            cell.color = QColor(0, 0, 0);
            cell.alignment = Qt::AlignLeft | Qt::AlignVCenter;
        }
        out.push_back(cell);
        x = right;
    }
    return out;
}

std::vector<PictureCell> LayoutPicture::cells() const {
    std::vector<PictureCell> out;
    for (const int row : rows()) {
        const auto more = cells(row);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

std::optional<PictureItem> LayoutPicture::itemAt(const QPoint& point) const {
    for (const int row : rows()) {
        if (!rowRect(row).contains(point))
            continue;
        for (const PictureCell& cell : cells(row))
            if (cell.rect.contains(point))
                return PictureItem{row, cell.item};
        return std::nullopt;
    }
    return std::nullopt;
}

QFont LayoutPicture::font() const {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8 * scale_);
    return f;
}

QString fitText(const QString& text, const QFontMetrics& metrics, int width) {
    QString cut = text;
    while (!cut.isEmpty() && metrics.horizontalAdvance(cut) > width)
        cut.chop(1);
    return cut;
}

}  // namespace reports
