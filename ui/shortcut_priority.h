// The keys of a window's shortcuts run their commands wherever the focus is.
//
// A text box, the edit line of a combo box, a spin box or a grid's cell
// editor claims the keys it edits with (Ctrl+U deletes the line, Ctrl+C
// copies, Ctrl+E goes to the end ...) before the window's shortcuts are
// tried, so a menu item's key would do nothing, or worse, edit the text.
// Here a key with Ctrl, Alt or Meta, or a function key, is never claimed
// that way: when it is a shortcut of the active window, the command runs;
// when it is none, the control still gets the key and edits with it. Plain
// keys (letters, Delete, Home, Enter ...) stay the control's.
#pragma once

namespace ui {

// Makes it so for every window of the program. Installed once for the
// application; each window calls it (prepareForm() does, and the main
// window), so it is in force before any window takes a key.
void giveShortcutsPriority();

}  // namespace ui
