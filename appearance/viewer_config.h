// The per-field tables of the viewer as the Viewer Configuration dialog
// edits them: each field's display name, whether the viewer shows it, its
// width as typed, and the viewer's column order. No widgets: the dialog's
// grids copy to and from this object, and tests drive it directly.
//
// Contract:
// - Built from the settings, it holds every field's name, display flag and
//   width (as decimal text), and the column order as a list of field
//   numbers, one per display position. Stored positions that two fields
//   share, or that lie outside 1 to 36, are put in order by position, then
//   by field number, so every field has exactly one row.
// - The order rows belong to fields, not to names: renaming a field keeps
//   its row, two fields may share a name, and both keep their own place.
// - applyTo() writes the four tables back: names cut to 20 characters,
//   widths read by readFieldWidth(), display flags, and positions 1 to 36
//   from the order rows. Widths that had to be replaced come back as text,
//   so the dialog can show what was stored.
#pragma once

#include <QString>
#include <array>

#include "fields/book_fields.h"
#include "settings/settings.h"

namespace appearance {

// The width that replaces one outside 1 to 255 or not a number.
inline constexpr int kFallbackWidth = 10;
inline constexpr int kMaxWidth = 255;

// A width as typed: blanks around it ignored, an optional sign, then the
// leading digits (reading stops at the first other character); an empty or
// non-numeric text, or a result outside 1 to 255, gives 10.
int readFieldWidth(const QString& text);

// A font as the dialog shows it: the point size, "pt ", the typeface
// ("10pt Arial").
QString fontText(const settings::FontKeys& font);

class ViewerFieldTables {
  public:
    explicit ViewerFieldTables(const settings::Settings& s);

    // Field numbers are 1 to 36.
    const QString& name(int field) const { return names_[field]; }
    // Cut to 20 characters.
    void setName(int field, const QString& name);

    bool shown(int field) const { return shown_[field]; }
    void toggleShown(int field) { shown_[field] = !shown_[field]; }

    const QString& widthText(int field) const { return widths_[field]; }
    void setWidthText(int field, const QString& text) { widths_[field] = text; }

    // The field at order row `row` (0 to 35, row 0 is display position 1).
    int fieldAtRow(int row) const { return order_.at(static_cast<std::size_t>(row)); }
    // Exchanges a row with its neighbour; false (nothing changed) on the
    // first row for up and the last for down.
    bool moveUp(int row);
    bool moveDown(int row);
    // Every field at its own number's position.
    void restoreDefaultOrder();

    // Writes the names, display flags, widths and positions into `s` and
    // puts the widths as stored back into the width texts.
    void applyTo(settings::Settings& s);

  private:
    settings::PerField<QString> names_;
    settings::PerField<bool> shown_;
    settings::PerField<QString> widths_;
    std::array<int, fields::kFieldCount> order_{};
};

}  // namespace appearance
