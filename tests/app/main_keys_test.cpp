// The main window from the keyboard: every menu shortcut from the grid, from
// the grid's text and drop-down cell editors and from the buttons.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include <map>

#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"
#include "tests/support/key_driver.h"

namespace {

namespace keys = testsupport;
using keys::Control;

class MainKeys : public MainFixture {
  protected:
    // Whether `a` is the main window's own, not one of a form it owns.
    bool ownAction(const QAction* a) const {
        for (const QObject* o = a->parent(); o; o = o->parent()) {
            if (o == main)
                return true;
            if (qobject_cast<const QDialog*>(o))
                return false;
        }
        return false;
    }
    // Cuts every shortcut's command off and counts its runs instead.
    QList<QAction*> countShortcuts() {
        QList<QAction*> out;
        for (QAction* a : main->findChildren<QAction*>()) {
            if (a->shortcut().isEmpty() || !a->isEnabled() || !ownAction(a))
                continue;
            out << a;
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
            QObject::connect(a, &QAction::triggered, main, [this, a] { ++runs[a]; });
        }
        return out;
    }
    // Each shortcut from wherever `focus` puts the focus, which must be
    // there again after each key, with the text of `editor` unchanged.
    void eachShortcutFrom(const QList<QAction*>& shortcuts, const std::function<QWidget*()>& focus,
                          QLineEdit* (*editor)(QWidget*) = nullptr) {
        for (QAction* a : shortcuts) {
            QWidget* w = focus();
            ASSERT_NE(w, nullptr) << a->objectName().toStdString();
            QLineEdit* line = editor ? editor(w) : nullptr;
            const QString text = line ? line->text() : QString();
            const int ran = runs[a];
            keys::press(main, a->shortcut());
            EXPECT_EQ(runs[a], ran + 1)
                << a->objectName().toStdString() << " " << a->shortcut().toString().toStdString()
                << " from " << w->objectName().toStdString();
            if (line) {
                EXPECT_EQ(line->text(), text) << a->shortcut().toString().toStdString();
            }
        }
    }
    // Opens the cell editor of column `column` in the first row with F2.
    QWidget* openCellEditor(int column) {
        auto* grid = mw::ViewerGrid(main);
        if (QWidget* open = grid->indexWidget(grid->currentIndex()); open && open->isVisible())
            return keys::focusControl(main);
        keys::focusOn(grid);
        grid->setCurrentIndex(grid->model()->index(0, column));
        keys::press(main, Qt::Key_F2);
        return keys::focusControl(main);
    }

    std::map<QAction*, int> runs;
};

TEST_F(MainKeys, EveryMenuShortcutRunsItsCommandFromTheGridItsEditorsAndTheButtons) {
    settings::settings().gridFieldEditing = true;
    main->SetViewerOptions();
    // The lettered buttons take the focus; speed buttons never do.
    child<QAction>("MenuButtons")->trigger();
    ASSERT_TRUE(keys::activate(main));
    const QList<QAction*> shortcuts = countShortcuts();
    ASSERT_GE(shortcuts.size(), 30);

    eachShortcutFrom(shortcuts, [this] { return keys::focusOn(main, Control::Grid); });
    eachShortcutFrom(shortcuts, [this] { return keys::focusOn(main, Control::Button); });

    const auto textEditor = [](QWidget* w) { return qobject_cast<QLineEdit*>(w); };
    QWidget* title = openCellEditor(0);
    ASSERT_NE(textEditor(title), nullptr);
    keys::giveDesktopTextKeys(title->parentWidget());
    eachShortcutFrom(
        shortcuts, [&] { return openCellEditor(0); }, textEditor);
    ASSERT_EQ(openCellEditor(0), title) << "the text editor stayed open";

    keys::escape(main);
    const auto comboEditor = [](QWidget* w) {
        auto* box = qobject_cast<QComboBox*>(w);
        return box ? box->lineEdit() : nullptr;
    };
    ASSERT_NE(comboEditor(openCellEditor(1)), nullptr);
    eachShortcutFrom(
        shortcuts, [&] { return openCellEditor(1); }, comboEditor);
}

}  // namespace
