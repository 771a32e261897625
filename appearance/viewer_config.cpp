#include "appearance/viewer_config.h"

#include <algorithm>
#include <numeric>

namespace appearance {

namespace {

// The whole number a text starts with (blanks around it ignored, an optional
// sign first); 0 when it starts with none. Counting stops once the value is
// past any width, so long digit runs cannot overflow.
int leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    int value = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        if (value <= kMaxWidth)
            value = value * 10 + (t[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

bool widthInRange(int value) {
    return value >= 1 && value <= kMaxWidth;
}

}  // namespace

int readFieldWidth(const QString& text) {
    const int value = leadingNumber(text);
    return widthInRange(value) ? value : kFallbackWidth;
}

QString fontText(const settings::FontKeys& font) {
    return QStringLiteral("%1pt %2").arg(font.size).arg(font.name);
}

ViewerFieldTables::ViewerFieldTables(const settings::Settings& s) {
    for (int f = 1; f <= fields::kFieldCount; ++f) {
        names_[f] = s.fieldNames[f];
        shown_[f] = s.displayFields[f];
        widths_[f] = QString::number(s.fieldWidth[f]);
    }
    // Rows by stored position; a position outside 1 to 36 sorts last, ties
    // keep field order.
    std::iota(order_.begin(), order_.end(), 1);
    const auto key = [&s](int field) {
        const int p = s.fieldOrder[field];
        return (p >= 1 && p <= fields::kFieldCount) ? p : fields::kFieldCount + 1;
    };
    std::stable_sort(order_.begin(), order_.end(),
                     [&key](int a, int b) { return key(a) < key(b); });
}

void ViewerFieldTables::setName(int field, const QString& name) {
    names_[field] = name.left(settings::kCaptionLength);
}

bool ViewerFieldTables::moveUp(int row) {
    if (row < 1 || row >= fields::kFieldCount)
        return false;
    std::swap(order_.at(static_cast<std::size_t>(row)),
              order_.at(static_cast<std::size_t>(row - 1)));
    return true;
}

bool ViewerFieldTables::moveDown(int row) {
    if (row < 0 || row >= fields::kFieldCount - 1)
        return false;
    std::swap(order_.at(static_cast<std::size_t>(row)),
              order_.at(static_cast<std::size_t>(row + 1)));
    return true;
}

void ViewerFieldTables::restoreDefaultOrder() {
    std::iota(order_.begin(), order_.end(), 1);
}

void ViewerFieldTables::applyTo(settings::Settings& s) {
    for (int f = 1; f <= fields::kFieldCount; ++f) {
        s.fieldNames[f] = names_[f].left(settings::kCaptionLength);
        // A replaced width shows as stored; a good one stays as typed.
        if (!widthInRange(leadingNumber(widths_[f])))
            widths_[f] = QString::number(kFallbackWidth);
        s.fieldWidth[f] = readFieldWidth(widths_[f]);
        s.displayFields[f] = shown_[f];
    }
    for (int row = 0; row < fields::kFieldCount; ++row)
        s.fieldOrder[fieldAtRow(row)] = row + 1;
}

}  // namespace appearance
