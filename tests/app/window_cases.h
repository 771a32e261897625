// The program's windows for the tests that show every window again and
// again and at every screen size: each as its command opens it from the main
// window (the long-lived forms are the program's own), shown without waiting
// for it to close, so the test can look at it and drive it.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace app {
class TMain;
}

namespace windowcases {

// What a window needs while it is open (a report definition, a page
// stream); the test keeps it until the window has gone.
struct Keep {
    std::vector<std::shared_ptr<void>> things;
    template <typename T>
    T& hold(std::shared_ptr<T> thing) {
        things.push_back(thing);
        return *thing;
    }
};

struct WindowCase {
    QString name;
    // Created once for the whole run (the same window every showing).
    bool longLived = false;
    // Creates the window (or finds the program's) and shows it. A window the
    // test creates is owned by the returned pointer's holder.
    std::function<QDialog*(app::TMain& main, Keep& keep)> open;
    // Closes it as its own button would (reject by default).
    std::function<void(QDialog*)> close;
    // A text box (objectName) where typed text must arrive; empty for none.
    QString textBox;
};

// Every window of the program that a user can open from the main window.
const std::vector<WindowCase>& windowCases();

// Shows `window` the way the program's commands do (modal, not waiting),
// makes it the active window and lets it settle.
void showAndSettle(QDialog* window);
// Closes `window` by `c.close` or reject, and deletes it unless long-lived.
void closeWindow(const WindowCase& c, QDialog* window);

}  // namespace windowcases
