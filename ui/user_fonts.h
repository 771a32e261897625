// The three user fonts (label, edit, button) and the two grid fonts, built
// from their keys in the settings, and the rule by which a window takes the
// user fonts when it is shown.
//
// Applying takes only the typeface and the style (bold, italic, underline,
// strikeout); each control keeps its own size and colour:
//   labels, list boxes, check boxes, radio buttons, group boxes: label font
//   grids, edit boxes, masked edit boxes, combo boxes:            edit font
//   push buttons:                                                 button font
//   anything else:                                                unchanged
#pragma once

#include <QFont>

#include "settings/settings.h"

class QWidget;

namespace ui {

enum class UserFont { Label, Edit, Button };

// A font from its keys (typeface, size, style), and back.
QFont toQFont(const settings::FontKeys& keys);
settings::FontKeys toFontKeys(const QFont& font, int color = 0);

// The user font of `which` as `settings` hold it.
QFont userFont(UserFont which, const settings::Settings& settings);

// Applies the user fonts of `settings` to every control of `window` by its
// kind.
void applyUserFonts(QWidget* window, const settings::Settings& settings);

// The "&Label Font", "&Edit Font" and "&Button Font" items: asks for a font
// preset to the current one of `settings`; on OK the user font takes every
// attribute from the answer (only name, bold and italic reach the settings
// file) and true is returned. The caller then applies the fonts to the main
// window again.
bool chooseUserFont(QWidget* parent, settings::Settings& settings, UserFont which);

}  // namespace ui
