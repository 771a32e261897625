#include "tests/support/key_driver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QWidget>

namespace testsupport {

namespace {

// Where a key goes: an open popup menu, else the focus widget of the active
// window. `window` is activated first when it is shown but not active; a
// hidden window gets no keys (they go where the keyboard's would).
QWidget* keyTarget(QWidget* window) {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    if (window && window->window()->isVisible()) {
        if (!window->window()->isActiveWindow())
            activate(window);
        if (QWidget* w = focusWidget(window))
            return w;
        return window->window();
    }
    if (QWidget* w = QApplication::focusWidget())
        return w;
    return QApplication::activeWindow();
}

bool isComboLine(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget());
}

bool isKind(const QWidget* w, Control kind) {
    switch (kind) {
        case Control::TextBox: {
            const auto* line = qobject_cast<const QLineEdit*>(w);
            return line && !line->isReadOnly() && !isComboLine(w) &&
                   !qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        }
        case Control::TextArea:
            return (qobject_cast<const QTextEdit*>(w) &&
                    !qobject_cast<const QTextEdit*>(w)->isReadOnly()) ||
                   (qobject_cast<const QPlainTextEdit*>(w) &&
                    !qobject_cast<const QPlainTextEdit*>(w)->isReadOnly());
        case Control::ComboBox:
            return qobject_cast<const QComboBox*>(w) != nullptr;
        case Control::Grid:
            return qobject_cast<const QAbstractItemView*>(w) != nullptr;
        case Control::Button:
            return qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w);
    }
    return false;
}

QString nameOf(const QWidget* w) {
    if (!w)
        return {};
    return w->objectName().isEmpty()
               ? QStringLiteral("<%1>").arg(QLatin1String(w->metaObject()->className()))
               : w->objectName();
}

// A button's mnemonic presses it with an animated click, which clicks a
// moment later: wait for it, as the user would see it.
void waitForAnimatedClicks(QWidget* window) {
    QWidget* top = window ? window->window() : QApplication::activeWindow();
    if (!top)
        return;
    const auto anyDown = [top] {
        for (const QAbstractButton* b : top->findChildren<QAbstractButton*>())
            if (b->isDown())
                return true;
        return false;
    };
    for (int waited = 0; waited < 2000 && anyDown(); waited += 10)
        QTest::qWait(10);
}

// The desktop's extra text keys for one window's text and combo boxes.
class DesktopTextKeys final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        QLineEdit* line = qobject_cast<QLineEdit*>(watched);
        if (auto* combo = qobject_cast<QComboBox*>(watched))
            line = combo->lineEdit();
        auto* key = static_cast<QKeyEvent*>(event);
        if (!line || key->modifiers() != Qt::ControlModifier ||
            (key->key() != Qt::Key_U && key->key() != Qt::Key_E && key->key() != Qt::Key_K))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // the text box wants it as a key press
            return true;
        }
        if (key->key() == Qt::Key_E) {
            line->end(false);
        } else {
            if (key->key() == Qt::Key_U)
                line->home(false);
            line->end(true);
            line->del();
        }
        return true;
    }
};

}  // namespace

bool activate(QWidget* window) {
    QWidget* top = window->window();
    if (!top->isVisible())
        top->show();
    top->activateWindow();
    if (!QTest::qWaitForWindowActive(top, 2000))
        QApplication::setActiveWindow(top);
    QCoreApplication::processEvents();
    return top->isActiveWindow();
}

QWidget* focusWidget(QWidget* window) {
    if (QWidget* w = QApplication::focusWidget())
        return w;
    return window ? window->window()->focusWidget() : nullptr;
}

QWidget* focusControl(QWidget* window) {
    QWidget* w = focusWidget(window);
    if (!w)
        return nullptr;
    QWidget* parent = w->parentWidget();
    if (parent && (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent)))
        return parent;
    // The viewport of a grid or a text area stands for it.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(parent); area && area->viewport() == w)
        return parent;
    return w;
}

QString focusName(QWidget* window) {
    return nameOf(focusControl(window));
}

void press(QWidget* window, QKeyCombination key) {
    QWidget* target = keyTarget(window);
    if (!target)
        return;  // no window to take it
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
    QCoreApplication::processEvents();
    waitForAnimatedClicks(window);
}

void press(QWidget* window, const QKeySequence& keys) {
    for (int i = 0; i < keys.count(); ++i)
        press(window, keys[i]);
}

void type(QWidget* window, const QString& text) {
    // Each key goes where the focus is when it is typed: the first key in a
    // grid cell may open an editor that takes the rest.
    for (const QChar c : text) {
        QWidget* target = keyTarget(window);
        if (!target)
            return;
        QTest::keyClicks(target, QString(c));
        QCoreApplication::processEvents();
    }
}

void mnemonic(QWidget* window, char letter) {
    const char upper =
        (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    press(window, Qt::ALT | static_cast<Qt::Key>(upper));
}

QStringList focusChain(QWidget* window, QKeyCombination key, int limit) {
    QWidget* top = window->window();
    // A grid and whatever has the focus inside it (a cell editor) are one
    // place in the chain, which Tab may take many presses to leave.
    const auto place = [top]() -> QWidget* {
        QWidget* w = focusControl(top);
        for (QWidget* up = w; up && up != top; up = up->parentWidget())
            if (qobject_cast<QAbstractItemView*>(up))
                return up;
        return w;
    };
    QStringList names;
    QList<QWidget*> seen;
    QWidget* current = place();
    for (int i = 0; current && i <= limit; ++i) {
        if (seen.contains(current) || current->window() != top)
            break;
        seen << current;
        names << nameOf(current);
        auto* grid = qobject_cast<QAbstractItemView*>(current);
        QWidget* next = current;
        for (int inGrid = 0; next == current && inGrid < 10000; ++inGrid) {
            const QModelIndex cell = grid ? grid->currentIndex() : QModelIndex();
            press(top, key);
            next = place();
            if (!grid || (next == current && grid->currentIndex() == cell))
                break;  // the key moved nothing
        }
        if (next == current)
            break;
        current = next;
    }
    return names;
}

QStringList tabOrderFaults(QWidget* first, const QStringList& expected) {
    QStringList faults;
    QWidget* window = first->window();
    const auto walk = [&](QKeyCombination key, const QStringList& want, const char* what) {
        if (!focusOn(first)) {
            faults << QStringLiteral("%1 cannot take the focus").arg(nameOf(first));
            return;
        }
        const QStringList walked = focusChain(window, key);
        const bool round = focusName(window) == nameOf(first);
        if (walked != want || !round)
            faults << QStringLiteral("%1 walks %2%3")
                          .arg(QLatin1String(what), walked.join(QStringLiteral(", ")),
                               round ? QString() : QStringLiteral(" and does not come back round"));
    };
    walk(QKeyCombination(Qt::Key_Tab), expected, "Tab");
    QStringList backward{expected.value(0)};
    for (qsizetype i = expected.size() - 1; i > 0; --i)
        backward << expected[i];
    walk(Qt::SHIFT | Qt::Key_Backtab, backward, "Shift+Tab");
    return faults;
}

QWidget* focusOn(QWidget* window, Control kind) {
    QWidget* top = window->window();
    if (!top->isActiveWindow())
        activate(top);
    QWidget* w = top;
    do {
        w = w->nextInFocusChain();
        if (isKind(w, kind) && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus))
            return focusOn(w) ? w : nullptr;
    } while (w != top);
    return nullptr;
}

void giveDesktopTextKeys(QWidget* window) {
    auto* keys = new DesktopTextKeys(window);
    for (QWidget* w : window->findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
            w->installEventFilter(keys);
}

bool focusOn(QWidget* control) {
    QWidget* top = control->window();
    if (!top->isActiveWindow())
        activate(top);
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QWidget* has = QApplication::focusWidget();
    return has == control || (has && control->isAncestorOf(has)) ||
           (has && has->focusProxy() == control) || control->focusProxy() == has;
}

}  // namespace testsupport
