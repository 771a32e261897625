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
//
// Text the set gives no colour for (a label left alone, a menu bar) is drawn
// in black or white, whichever reads on Main Background; notebook tabs keep
// the style's colours with a text that reads on them; notebook pages take
// Main Background like the window. Every coloured text has a disabled
// colour halfway to its background, so a disabled control looks disabled
// under every set.
#pragma once

#include <QColor>
#include <QPalette>

#include "settings/settings.h"

class QWidget;

namespace ui {

// Colour values as the settings keep them: red + 256 * green + 65536 * blue.
QColor toQColor(int value);
int fromQColor(const QColor& color);

// The contrast ratio of two colours by their relative luminance, 1 (none)
// to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever reads better on `back`.
QColor contrastingText(const QColor& back);
// `preferred` when it reads on `back` (a contrast of at least `minimum`:
// 4.5 for text, 3 for large or bold text), else the nearest lighter or
// darker shade of it that does.
QColor readableOn(const QColor& preferred, const QColor& back, double minimum = 4.5);
// The text colour of a disabled control: halfway from `text` to `back`.
QColor disabledText(const QColor& text, const QColor& back);
// Sets `role` to `text` for the enabled states and to its disabled colour
// on `back` for the disabled state.
void setTextRole(QPalette& palette, QPalette::ColorRole role, const QColor& text,
                 const QColor& back);

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
