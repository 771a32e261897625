// The picture of a report's lines in "Specify Report Layout", without any
// window: where each record line and the totals line lie, where each item
// lies in its row, what text it shows in which colour, and which item lies
// under a point.
//
// Everything is in window pixels at the screen-size factor `scale`: record
// line n (1 to 12) is a row of height 20 starting at y = 75 + (n - 1) * 20,
// the totals line spans y = 355 to 376, and rows span x = 4 to 629 (all
// times `scale`). An item's right edge lies at the row's left end plus the
// row's width times the sum of the widths up to and including it over the
// report width; the last item of a row reaches the row's right end.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

#include "reports/report_definition.h"

class QFontMetrics;

namespace settings {
struct Settings;
}

namespace reports {

// The captions of the book fields, by field number 1 to 36 (index 0 unused).
using FieldCaptions = std::array<QString, 37>;
// The captions `settings` give the fields.
FieldCaptions fieldCaptions(const settings::Settings& settings);

// The row of the totals line; record lines are rows 1 to 12.
inline constexpr int kTotalsRow = 0;

// One item as the picture shows it.
struct PictureCell {
    int row = 0;   // 1 to 12, or kTotalsRow
    int item = 0;  // 1 to 20
    QRect rect;
    QString text;             // the whole text; fitText() cuts it to the cell
    QColor color;             // field black, label red, filler green
    Qt::Alignment alignment;  // field left, label right, filler centred
};

// An item of a row: what a click selects.
struct PictureItem {
    int row = 0;   // 1 to 12, or kTotalsRow
    int item = 0;  // 1 to 20
    friend bool operator==(const PictureItem&, const PictureItem&) = default;
};

class LayoutPicture {
  public:
    // `width` is the report width the user has chosen (90, 120 or 150) and
    // `showTotals` whether "Use Totals" is checked; the definition's own
    // width and totals flag are not used, since the designer stores them
    // only when it saves. A record line's field shows its caption in
    // `captions`.
    LayoutPicture(const ReportDefinition& definition, int width, bool showTotals,
                  FieldCaptions captions, double scale = 1.0);
    // The picture reads the definition it is given as long as it lives.
    LayoutPicture(ReportDefinition&&, int, bool, FieldCaptions, double = 1.0) = delete;

    // The rows drawn: record lines 1 to lineCount, then the totals row when
    // shown. A row's rectangle spans from its left end to its right end.
    std::vector<int> rows() const;
    QRect rowRect(int row) const;
    bool showsTotals() const { return showTotals_; }
    // "Report Body" is shown only when there are record lines.
    bool showsBody() const { return lineCount_ > 0; }

    // The used items of `row` (the leading items of width at least 1),
    // left to right; none for a row that is not drawn.
    std::vector<PictureCell> cells(int row) const;
    // Every used item of every row drawn.
    std::vector<PictureCell> cells() const;

    // The item under `point`; nothing outside the rows or in the empty part
    // of a row beyond its last item.
    std::optional<PictureItem> itemAt(const QPoint& point) const;

    // "Arial" at 8 points times the scale.
    QFont font() const;

  private:
    const ReportLine& line(int row) const;

    const ReportDefinition& definition_;
    int width_;
    bool showTotals_;
    FieldCaptions captions_;
    double scale_;
    int lineCount_;
};

// `text` cut at the end until it fits in `width` pixels.
QString fitText(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace reports
