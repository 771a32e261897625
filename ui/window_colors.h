// The colouring rule every window's SetColors uses: a window colour set
// applied to the window's controls by kind.
//
//   the window itself, its panels            background Main Background
//   headings (group titles, marked labels)   Major Title on Main Background
//   field labels (other labels)              Minor Title on Main Background
//   edit boxes, masked edits, memos          Edit Text on Edit Background
//   combo boxes, drop-down lists             Combo Text on Combo Background
//   list boxes, directory lists, grids       List Box Text on List Box Background
//   radio buttons                            Radio Text on Radio Background
//   check boxes                              Check Text on Check Background
//   buttons, lines, notebook tabs            not coloured
//
// A label is a field label unless markHeading() made it a heading; a read-
// only text box that is a label can be made an edit-coloured one with
// markRole(w, ColorRole::Edit). markRole(w, ColorRole::None) leaves a control
// alone.
#pragma once

#include <QColor>

#include "settings/settings.h"

class QWidget;

namespace ui {

// Colour values as the settings keep them: red + 256 * green + 65536 * blue.
QColor toQColor(int value);
int fromQColor(const QColor& color);

enum class ColorRole { Auto, Window, Heading, FieldLabel, Edit, Combo, List, Radio, Check, None };

void markRole(QWidget* w, ColorRole role);
inline void markHeading(QWidget* w) {
    markRole(w, ColorRole::Heading);
}
// The role a control is painted in.
ColorRole colorRole(const QWidget* w);

// Paints `window` and its controls from `colors` (a window passes the set of
// its kind, settings.colorSet(code)).
void applyWindowColors(QWidget* window, const settings::WindowColors& colors);

}  // namespace ui
