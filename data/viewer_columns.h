// How the viewer settings arrange the grid's 36 columns.
//
// The columns are the book fields; a column is known by its field number.
// Arranging walks the display positions 1 to 36: for each, the first field
// whose "Field Order" value equals the position (field 1 when none claims
// it) is hidden when it is not displayed, or else shown, captioned, moved to
// the next free visual slot and given its width. A field visited twice ends
// where its last visit put it; a field never visited keeps its place and
// visibility from before. So shared and missing order values shift columns
// the way the program always has.
#pragma once

#include <QString>
#include <array>

#include "fields/book_fields.h"
#include "settings/settings.h"

namespace books {

struct ColumnLayout {
    // Field numbers in visual order, left to right; always the 36 fields.
    std::array<int, fields::kFieldCount> visual{};
    // Indexed by field number - 1.
    std::array<bool, fields::kFieldCount> hidden{};
    std::array<int, fields::kFieldCount> width{};  // in characters
    std::array<QString, fields::kFieldCount> caption;

    // Field order 1..36, all shown, default captions, width 15.
    static ColumnLayout initial();
    int visualIndexOf(int fieldNumber) const;
    // Moves a field to a visual slot, shifting the ones between (as a header
    // moving a section does).
    void move(int fieldNumber, int toVisual);
};

// Applies the viewer settings to `layout` (which holds the grid as it is).
void arrangeColumns(ColumnLayout& layout, const settings::Settings& s);

}  // namespace books
