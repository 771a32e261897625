#include "data/viewer_columns.h"

#include <algorithm>

namespace books {

ColumnLayout ColumnLayout::initial() {
    ColumnLayout l;
    for (int i = 0; i < fields::kFieldCount; ++i) {
        l.visual[static_cast<size_t>(i)] = i + 1;
        l.hidden[static_cast<size_t>(i)] = false;
        l.width[static_cast<size_t>(i)] = 15;
        l.caption[static_cast<size_t>(i)] =
            QString::fromUtf8(fields::bookField(i + 1).caption.data(),
                              static_cast<int>(fields::bookField(i + 1).caption.size()));
    }
    return l;
}

int ColumnLayout::visualIndexOf(int fieldNumber) const {
    const auto it = std::find(visual.begin(), visual.end(), fieldNumber);
    return static_cast<int>(it - visual.begin());
}

void ColumnLayout::move(int fieldNumber, int toVisual) {
    const int from = visualIndexOf(fieldNumber);
    if (from == toVisual || from >= fields::kFieldCount || toVisual < 0 ||
        toVisual >= fields::kFieldCount)
        return;
    auto begin = visual.begin();
    if (from < toVisual)
        std::rotate(begin + from, begin + from + 1, begin + toVisual + 1);
    else
        std::rotate(begin + toVisual, begin + from, begin + from + 1);
}

void arrangeColumns(ColumnLayout& layout, const settings::Settings& s) {
    int i = 0;
    for (int j = 1; j <= fields::kFieldCount; ++j) {
        int field = 1;
        for (int f = 1; f <= fields::kFieldCount; ++f) {
            if (s.fieldOrder[f] == j) {
                field = f;
                break;
            }
        }
        const auto k = static_cast<size_t>(field - 1);
        if (!s.displayFields[field]) {
            layout.hidden[k] = true;
            continue;
        }
        layout.hidden[k] = false;
        layout.caption[k] = s.fieldNames[field];
        layout.move(field, i);
        layout.width[k] = s.fieldWidth[field];
        ++i;
    }
}

}  // namespace books
