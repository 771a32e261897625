// Help opened from each window, while that window runs as a modal dialog:
// the help window is read, scrolled, followed and closed at once, by clicks
// and keys delivered the way the window system delivers them (to the window
// under the mouse and to the window with the focus), so a window a modal
// dialog blocks gets none of them.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "tests/app/main_fixture.h"
#include "ui/help_window.h"

namespace {

// A click at `pos` of `w`, delivered to the window under it.
void click(QWidget* w, QPoint pos) {
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, pos));
    QCoreApplication::processEvents();
}
void click(QWidget* w) {
    click(w, w->rect().center());
}

// A key from the keyboard: it goes to the window that has the focus.
void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, k, modifiers);
    QCoreApplication::processEvents();
}

// Clicks the link to `href` shown in the browser's visible part.
void clickLink(QTextBrowser* browser, const QString& href) {
    const QTextDocument* doc = browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isAnchor() || f.charFormat().anchorHref() != href)
                continue;
            QTextCursor c(b);
            c.setPosition(f.position() + f.length() / 2);
            const QRect at = browser->cursorRect(c);
            ASSERT_TRUE(browser->viewport()->rect().contains(at.center())) << href.toStdString();
            click(browser->viewport(), at.center());
            return;
        }
    }
    ADD_FAILURE() << "no link to " << href.toStdString();
}

ui::HelpWindow* shownHelp() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<ui::HelpWindow*>(w); help && help->isVisible())
            return help;
    return nullptr;
}

// The topic marked in the list is the page shown.
void expectTopicOfPage(ui::HelpWindow* help) {
    const int row = help->topics()->currentRow();
    ASSERT_GE(row, 0) << help->currentPage().toStdString();
    EXPECT_EQ(ui::HelpWindow::pages().value(row), help->currentPage());
    EXPECT_TRUE(help->topics()->item(row)->isSelected());
}

// Uses the help window that `from` opened at `page` as a user would: scrolls
// it to the end with Ctrl+End, follows the last link of the page (to the
// contents, or on the contents to the last topic), goes back and closes it
// with its buttons. `from` stays as it was.
void useHelp(QWidget* from, const QString& page) {
    QTest::qWait(20);
    ui::HelpWindow* help = shownHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().endsWith("/" + page)) << help->currentPage().toStdString();
    expectTopicOfPage(help);
    help->resize(420, 240);  // every page scrolls at this size
    QCoreApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help, 2000));
    EXPECT_EQ(QGuiApplication::focusWindow(), help->windowHandle());

    QScrollBar* bar = help->browser()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), 0);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), bar->maximum());

    const QString next = page == "contents.html" ? "backup.html" : "contents.html";
    clickLink(help->browser(), next);
    EXPECT_TRUE(help->currentPage().endsWith("/" + next));
    expectTopicOfPage(help);
    ASSERT_TRUE(help->BackButton->isVisible());
    EXPECT_TRUE(help->BackButton->isEnabled());
    click(help->BackButton);
    EXPECT_TRUE(help->currentPage().endsWith("/" + page));
    expectTopicOfPage(help);

    click(help->CloseButton);
    EXPECT_FALSE(help->isVisible());
    EXPECT_TRUE(from->isVisible());
    if (from->isModal()) {
        EXPECT_EQ(QApplication::activeModalWidget(), from);
    }
}

// Runs `act` once on the first modal window called `name` to come up.
void whenModal(const QString& name, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act, ticks = 0]() mutable {
        QWidget* w = QApplication::activeModalWidget();
        const bool found = w && w->objectName() == name && w->isVisible();
        if (found || ++ticks > 2000) {
            timer->stop();
            timer->deleteLater();
        }
        if (found)
            act(w);
    });
    timer->start();
}

// Opens help in the modal window `name` by clicking its "&Help" button, uses
// the help, then closes the window.
void helpInDialog(const QString& name, const QString& page, bool* seen) {
    whenModal(name, [page, seen](QWidget* dialog) {
        *seen = true;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        auto* button = dialog->findChild<QPushButton*>("HelpButton");
        EXPECT_NE(button, nullptr);
        if (button) {
            click(button);
            useHelp(dialog, page);
        }
        qobject_cast<QDialog*>(dialog)->reject();
    });
}

// Each test begins with the help window opened and closed from the main
// window, as a user's first look at help would leave it.
class HelpFromWindows : public MainFixture {
  protected:
    void SetUp() override {
        MainFixture::SetUp();
        mainHelp();
        ui::HelpWindow* help = shownHelp();
        ASSERT_NE(help, nullptr);
        click(help->CloseButton);
        ASSERT_FALSE(help->isVisible());
    }
    void run(const char* action) { child<QAction>(action)->trigger(); }
    // The main window's Help speed button (the speed buttons show at first).
    void mainHelp() {
        auto* help = child<QToolButton>("HelpSpeed");
        ASSERT_TRUE(help->isVisible());
        click(help);
    }
};

TEST_F(HelpFromWindows, FromTheMainWindow) {
    mainHelp();
    useHelp(main, "contents.html");
}

TEST_F(HelpFromWindows, FromTheModalDialogsWithAHelpButton) {
    const struct {
        const char* action;
        const char* dialog;
        const char* page;
    } windows[] = {
        {"MenuSearch", "MySearch", "search.html"},
        {"MenuReports", "MyReport", "reports.html"},
        {"MenuExport", "MyExport", "export.html"},
        {"MenuBackup", "MyBackup", "backup.html"},
        {"MenuViewer", "ViewConfig", "viewer_title.html"},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.dialog);
        bool seen = false;
        helpInDialog(w.dialog, w.page, &seen);
        run(w.action);
        EXPECT_TRUE(seen);
    }
}

// The Search window's grid behind the help window does not see the keys
// pressed in help.
TEST_F(HelpFromWindows, KeysInHelpStayInHelp) {
    bool seen = false;
    whenModal("MySearch", [&](QWidget* dialog) {
        seen = true;
        auto* grid = dialog->findChild<QTableView*>();
        ASSERT_NE(grid, nullptr);
        const QModelIndex before = grid->currentIndex();
        const int scrolled = grid->verticalScrollBar()->value();
        click(dialog->findChild<QPushButton*>("HelpButton"));
        ui::HelpWindow* help = shownHelp();
        ASSERT_NE(help, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(help, 2000));
        key(Qt::Key_End, Qt::ControlModifier);
        key(Qt::Key_Down);
        EXPECT_EQ(grid->currentIndex(), before);
        EXPECT_EQ(grid->verticalScrollBar()->value(), scrolled);
        key(Qt::Key_Escape);
        EXPECT_FALSE(help->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        qobject_cast<QDialog*>(dialog)->reject();
    });
    run("MenuSearch");
    EXPECT_TRUE(seen);
}

TEST_F(HelpFromWindows, FromTheEditFormsMenu) {
    bool seen = false;
    whenModal("MyEdit", [&](QWidget* dialog) {
        seen = true;
        auto* bar = dialog->findChild<QMenuBar*>();
        ASSERT_NE(bar, nullptr);
        auto* help = dialog->findChild<QAction*>("MenuHelp");
        ASSERT_NE(help, nullptr);
        click(bar, bar->actionGeometry(help).center());
        useHelp(dialog, "input.html");
        qobject_cast<QDialog*>(dialog)->reject();
    });
    run("MenuEdit");
    EXPECT_TRUE(seen);
}

// "Report Definition" runs modally over the report list.
TEST_F(HelpFromWindows, FromTheReportDefinitionOverTheReportList) {
    bool list = false, definition = false;
    whenModal("MyReport", [&](QWidget* reports) {
        list = true;
        helpInDialog("UserReport", "designer.html", &definition);
        click(reports->findChild<QPushButton*>("NewButton"));
        qobject_cast<QDialog*>(reports)->reject();
    });
    run("MenuReports");
    EXPECT_TRUE(list);
    EXPECT_TRUE(definition);
}

// Help left open from the main window is taken along when a dialog opens it.
TEST_F(HelpFromWindows, HelpLeftOpenFollowsTheDialogThatAsksForIt) {
    mainHelp();
    ASSERT_NE(shownHelp(), nullptr);
    bool seen = false;
    helpInDialog("MyExport", "export.html", &seen);
    run("MenuExport");
    EXPECT_TRUE(seen);
    mainHelp();
    useHelp(main, "contents.html");
}

}  // namespace
