// What the keyboard does in every window of the program, beyond what each
// control does by itself.
//
// Shortcuts come first. A text box, the edit line of a combo box, a spin box
// or a grid's cell editor claims the keys it edits with (Ctrl+U deletes the
// line, Ctrl+C copies, Ctrl+E goes to the end ...) before the window's
// shortcuts are tried, so a menu item's key would do nothing, or worse,
// edit the text. Here a key with Ctrl, Alt or Meta, or a function key, is
// never claimed that way: when it is a shortcut of the active window, the
// command runs; when it is none, the control still gets the key and edits
// with it. Plain keys (letters, Delete, Home, Enter ...) stay the control's.
//
// Tab leaves a grid. In a grid where Tab moves from cell to cell, Tab in
// the last cell (Shift+Tab in the first) goes on to the next (previous)
// control of the window, as from any other control, instead of going round
// the grid again; an open cell editor is committed as a click elsewhere
// would commit it.
//
// Tab into a group of radio buttons stops at the button that is checked.
#pragma once

#include <initializer_list>

class QWidget;

namespace ui {

// Makes it so for every window of the program. Installed once for the
// application; each window calls it (prepareForm() does, and the main
// window), so it is in force before any window takes a key.
void installKeyboardRules();

// Puts `controls` one after the other in the Tab order of their window,
// starting where the first one is; the rest of the order stays as it was.
// A window's Tab order is the order a user reads it in: top to bottom, left
// to right, a group of controls (a group box, a panel) read as one.
void chainTabOrder(std::initializer_list<QWidget*> controls);

}  // namespace ui
