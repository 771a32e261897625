// Real key events for window tests, sent the way a user's keyboard sends them.
//
// Every key goes to the widget that has the keyboard focus (an open popup
// menu's, when one is open), through the same path as a key from the
// window system: the focus widget is first offered the key as a shortcut
// override, then the window's shortcuts and mnemonics are tried, then the
// widget gets the key press. So a test sees what the user sees: a text box
// that keeps Ctrl+U for itself, a mnemonic that moves the focus, a menu
// that opens on Alt+F, Enter that presses the default button.
//
// Shortcuts and mnemonics only reach the active window: call activate()
// once the window is shown (press() and the others activate the window they
// are given when it is shown but not active; when it is hidden, the key goes
// to whatever window is active, as a keyboard's would). Works headless
// (QT_QPA_PLATFORM=offscreen).
//
//     testsupport::activate(form);
//     testsupport::focusOn(form, testsupport::Control::TextBox);
//     testsupport::press(form, Qt::CTRL | Qt::Key_U);
//     testsupport::mnemonic(form, 'd');            // Alt+D
//     EXPECT_EQ(testsupport::tabChain(form), (QStringList{"Title", "Author", ...}));
//
// A control is named by its objectName. The inner parts of a control stand
// for their control: the edit line of a combo box or a spin box is the combo
// box or the spin box, the viewport of a grid is the grid. A grid's cell
// editor is a control of its own (a text box inside the grid).
#pragma once

#include <QKeyCombination>
#include <QKeySequence>
#include <QString>
#include <QStringList>

class QWidget;

namespace testsupport {

// Shows `window` if hidden, raises it, makes it the active window and waits
// until the window system says it is. Returns whether it is active.
bool activate(QWidget* window);

// The widget that has the keyboard focus: the application's focus widget,
// else `window`'s own focus widget. May be null.
QWidget* focusWidget(QWidget* window = nullptr);
// The control (see above) that has the focus, or null.
QWidget* focusControl(QWidget* window = nullptr);
// The objectName of focusControl(), or "" when nothing has the focus.
QString focusName(QWidget* window = nullptr);

// Key presses to the focus widget of the active window: Ctrl+U is
// press(w, Qt::CTRL | Qt::Key_U). Each is a press and a release, with the
// modifier keys pressed before and released after, as on a keyboard.
void press(QWidget* window, QKeyCombination key);
inline void press(QWidget* window, Qt::Key key) {
    press(window, QKeyCombination(key));
}
// Each combination of `keys` in turn (QKeySequence("Ctrl+U") or
// QKeySequence::Copy).
void press(QWidget* window, const QKeySequence& keys);
// Types `text` into the focus widget, a key per character.
void type(QWidget* window, const QString& text);
// Alt+`letter`: the mnemonic of a label (focus to its buddy), a button
// (pressed), a check box, a tab or a menu of the menu bar (opened).
void mnemonic(QWidget* window, char letter);
inline void enter(QWidget* window) {
    press(window, Qt::Key_Return);
}
inline void tab(QWidget* window) {
    press(window, Qt::Key_Tab);
}
inline void backTab(QWidget* window) {
    press(window, Qt::SHIFT | Qt::Key_Backtab);
}
inline void escape(QWidget* window) {
    press(window, Qt::Key_Escape);
}

// The controls the focus visits when `key` (Tab, Shift+Tab, Enter) is
// pressed again and again from where the focus is now: the name of the
// control that has the focus first, then each following one, until the
// focus comes back to a control already listed, stops moving, or leaves
// the window (at most `limit` controls). A control without a name is listed
// as "<ClassName>". A grid is one control: the key is pressed as long as it
// moves from cell to cell, and the grid is left when it leaves the grid.
QStringList focusChain(QWidget* window, QKeyCombination key, int limit = 200);
inline QStringList tabChain(QWidget* window, int limit = 200) {
    return focusChain(window, QKeyCombination(Qt::Key_Tab), limit);
}

// Checks a window's Tab order from `first`: Tab visits `expected` (which
// starts with `first`) and comes back round to `first`, and Shift+Tab
// visits them in the reverse order. Empty when it is so, otherwise a line
// for each direction that differs, with what was walked.
QStringList tabOrderFaults(QWidget* first, const QStringList& expected);

// The kinds of control a test can put the focus on.
enum class Control {
    TextBox,   // a one-line text box (not a combo box's own line)
    TextArea,  // a multi-line text box
    ComboBox,
    Grid,    // a table or list view
    Button,  // a push button or a tool button
};

// Gives the focus to the first visible, enabled control of `kind` in
// `window` (in Tab order) that takes the focus, as a click or a Tab would.
// Returns it, or null when the window has none.
QWidget* focusOn(QWidget* window, Control kind);
// Gives the focus to `control` (which must be visible and enabled).
// Returns whether it has it.
bool focusOn(QWidget* control);

// Headless, Qt uses a keyboard scheme without the text keys of a Linux
// desktop, where a text box also claims Ctrl+U (delete the line), Ctrl+E
// (to the end) and Ctrl+K (delete to the end) for itself. This gives the
// text and combo boxes of `window` those keys, claimed the way a text box
// claims its keys, so a test sees what a desktop user sees.
void giveDesktopTextKeys(QWidget* window);

}  // namespace testsupport
