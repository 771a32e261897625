// Every trigger reaches its command, checked by what the command does.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>

#include "app/record_navigator.h"
#include "data/grid_model.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"
#include "ui/help_window.h"
#include "ui/screen_size.h"

namespace {

class CommandsTest : public MainFixture {
  protected:
    // The triggers of one command row, any of which may be absent.
    struct Triggers {
        const char* button;
        const char* speed;
        const char* menu;
    };
    std::vector<std::function<void()>> pressers(const Triggers& t) {
        std::vector<std::function<void()>> out;
        if (t.button) {
            auto* b = child<QPushButton>(t.button);
            EXPECT_NE(b, nullptr) << t.button;
            if (b)
                out.push_back([this, b] {
                    main->ButtonBarClick(2);
                    b->click();
                });
        }
        if (t.speed) {
            auto* b = child<QToolButton>(t.speed);
            EXPECT_NE(b, nullptr) << t.speed;
            if (b)
                out.push_back([this, b] {
                    main->ButtonBarClick(1);
                    b->click();
                });
        }
        if (t.menu) {
            auto* a = main->findChild<QAction*>(QLatin1String(t.menu));
            EXPECT_NE(a, nullptr) << t.menu;
            if (a)
                out.push_back([a] { a->trigger(); });
        }
        return out;
    }
};

}  // namespace

TEST_F(CommandsTest, AddEditCopyShowTheEditFormInTheirMode) {
    const std::vector<std::pair<Triggers, books::EditMode>> rows{
        {{"AddButton", "AddSpeed", "MenuAdd"}, books::EditMode::Add},
        {{"EditButton", "EditSpeed", "MenuEdit"}, books::EditMode::Edit},
        {{"CopyButton", "CopySpeed", "MenuCopy"}, books::EditMode::Copy}};
    for (const auto& [triggers, mode] : rows) {
        for (const auto& press : pressers(triggers)) {
            books::runState().editMode =
                mode == books::EditMode::Add ? books::EditMode::Copy : books::EditMode::Add;
            QString seen;
            testsupport::closeNextModal(&seen);
            press();
            EXPECT_EQ(seen, "MyEdit");
            EXPECT_EQ(books::runState().editMode, mode);
        }
    }
}

TEST_F(CommandsTest, SearchAndReportsShowTheirForms) {
    for (const auto& [triggers, form] : std::vector<std::pair<Triggers, QString>>{
             {{"SearchButton", "SearchSpeed", "MenuSearch"}, "MySearch"},
             {{"ReportButton", "ReportSpeed", "MenuReports"}, "MyReport"},
             {{nullptr, nullptr, "MenuPrint"}, "MyReport"}}) {
        for (const auto& press : pressers(triggers)) {
            QString seen;
            testsupport::closeNextModal(&seen);
            press();
            EXPECT_EQ(seen, form);
        }
    }
}

TEST_F(CommandsTest, DeleteAsksAndOnlyYesDeletes) {
    for (const auto& press : pressers({"DeleteButton", "DeleteSpeed", "MenuDelete"})) {
        const int before = shownCount();
        {
            testsupport::ScriptedPrompter p;
            p.expectQuestion("Confirm", "Delete this record?", false);
            press();
        }
        EXPECT_EQ(shownCount(), before);
        EXPECT_EQ(testsupport::titlesOf(masterPath).size(), before);
        {
            testsupport::ScriptedPrompter p;
            p.expectQuestion("Confirm", "Delete this record?", true);
            press();
        }
        EXPECT_EQ(shownCount(), before - 1);
        EXPECT_EQ(main->MyDataSource()->rowCount(), before - 1);
    }
    EXPECT_EQ(shownCount(), 2);
}

TEST_F(CommandsTest, DeleteRemovesTheRecordSelectedInTheGrid) {
    mw::ViewerGrid(main)->setCurrentIndex(main->MyDataSource()->index(3, 0));
    testsupport::ScriptedPrompter p;
    p.expectQuestion("Confirm", "Delete this record?", true);
    main->DoDelete();
    const QStringList left = testsupport::titlesOf(masterPath);
    // Deleted records stay in the file until packed but are no longer read.
    EXPECT_FALSE(left.contains("Book 3"));
    EXPECT_EQ(left.size(), 4);
}

TEST_F(CommandsTest, EndSearchFromEveryTrigger) {
    for (const auto& press : pressers({"EndSearchButton", "EndSearchSpeed", "MenuEndSearch"})) {
        mw::searchAllBooks(main);
        press();
        EXPECT_FALSE(books::runState().searchActive);
        EXPECT_FALSE(mw::SearchOnLabel(main)->isVisible());
    }
}

TEST_F(CommandsTest, HelpOpensTheContents) {
    for (const auto& press : pressers({"HelpButton", "HelpSpeed", "MenuContents"})) {
        if (main->helpWindow())
            main->helpWindow()->hide();
        press();
        ASSERT_NE(main->helpWindow(), nullptr);
        EXPECT_TRUE(main->helpWindow()->isVisible());
        EXPECT_TRUE(main->helpWindow()->currentPage().endsWith("contents.html"));
        EXPECT_TRUE(main->helpWindow()->browser()->toPlainText().contains("Book Viewer"));
    }
}

TEST_F(CommandsTest, ExitFromButtonAndMenuClosesTheWindow) {
    for (const auto& press : pressers({"ButtonExit", nullptr, "MenuExit"})) {
        main->show();
        press();
        EXPECT_FALSE(main->isVisible());
    }
}

// Commands carried out by other subsystems run their registered handler,
// from every trigger of their row.
TEST_F(CommandsTest, HandlerCommandsFromEveryTrigger) {
    using C = app::TMain::Command;
    const std::vector<std::pair<C, Triggers>> rows{
        {C::New, {nullptr, "NewSpeed", "MenuNew"}},
        {C::Open, {nullptr, "OpenSpeed", "MenuOpen"}},
        {C::Import, {nullptr, "ImportSpeed", "MenuImport"}},
        {C::Export, {nullptr, "ExportSpeed", "MenuExport"}},
        {C::Find, {nullptr, "LocateSpeed", "MenuFind"}},
        {C::FindNext, {nullptr, "LocateNextSpeed", "MenuFindNext"}},
        {C::Viewer, {"ViewerButton", "ViewerSpeed", "MenuViewer"}},
        {C::SortOrder, {nullptr, "SpeedSetOrder", "MenuSortOrder"}},
        {C::Backup, {nullptr, nullptr, "MenuBackup"}},
        {C::Restore, {nullptr, nullptr, "MenuRestore"}},
        {C::SearchReplace, {nullptr, nullptr, "MenuSearchReplace"}},
        {C::Tips, {nullptr, nullptr, "MenuTips"}},
        {C::Pack, {nullptr, nullptr, "MenuPack"}},
        {C::Rebuild, {nullptr, nullptr, "MenuRebuild"}},
    };
    for (const auto& [command, triggers] : rows) {
        int runs = 0;
        // The handler changes the table, so the count that follows shows it
        // for the commands that refresh the count.
        main->setHandler(command, [&runs](ui::MainWindowLink& m, int) {
            ++runs;
            EXPECT_TRUE(m.collection().table().isOpen());
        });
        const auto presses = pressers(triggers);
        for (const auto& press : presses)
            press();
        EXPECT_EQ(runs, static_cast<int>(presses.size())) << static_cast<int>(command);
    }
}

TEST_F(CommandsTest, CommandsThatRefreshTheCountDoSoAfterTheirWindow) {
    for (auto c : {app::TMain::Command::Import, app::TMain::Command::Restore,
                   app::TMain::Command::New, app::TMain::Command::Open}) {
        main->setHandler(c, [](ui::MainWindowLink& m, int) {
            m.collection().table().append();
            m.collection().table().setString(0, "Added");
            m.collection().table().post();
        });
    }
    const int before = shownCount();
    mw::MenuImport(main)->trigger();
    mw::MenuRestore(main)->trigger();
    mw::MenuNew(main)->trigger();
    mw::MenuOpen(main)->trigger();
    EXPECT_EQ(shownCount(), before + 4);
}

TEST_F(CommandsTest, ListMaintenanceItemsPassTheirListNumber) {
    std::vector<int> seen;
    main->setHandler(app::TMain::Command::ListMaintenance,
                     [&seen](ui::MainWindowLink&, int n) { seen.push_back(n); });
    for (QAction* a : mw::MenuMaintainItem(main))
        a->trigger();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 7, 6, 8, 9}));
}

TEST_F(CommandsTest, LastFileItemsPassTheirEntry) {
    std::vector<int> seen;
    main->setHandler(app::TMain::Command::LastFile,
                     [&seen](ui::MainWindowLink&, int n) { seen.push_back(n); });
    for (QAction* a : mw::MenuLastFile(main))
        a->trigger();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(CommandsTest, ColorItemsAndTheColorSpeedButtonOpenTheColourDialog) {
    const auto colorItems = mw::MenuColorItem(main);
    std::vector<QAction*> items(colorItems.begin(), colorItems.end());
    for (QAction* a : items) {
        QString seen;
        testsupport::closeNextModal(&seen);
        a->trigger();
        EXPECT_FALSE(seen.isEmpty()) << a->objectName().toStdString();
    }
    QString seen;
    testsupport::closeNextModal(&seen);
    main->ButtonBarClick(1);
    mw::ColorSpeed(main)->click();
    EXPECT_FALSE(seen.isEmpty());
}

TEST_F(CommandsTest, PrinterSetupAboutAndFonts) {
    {
        testsupport::ScriptedPrompter p;
        p.expectPrinterSetup(false);
        mw::MenuPrinterSetup(main)->trigger();
    }
    QString seen;
    testsupport::closeNextModal(&seen);
    mw::MenuAbout(main)->trigger();
    EXPECT_EQ(seen, "AboutBox");

    QFont chosen("Liberation Serif", 11);
    chosen.setItalic(true);
    testsupport::ScriptedPrompter p;
    p.expectFont(chosen);
    p.expectFont(std::nullopt);
    p.expectFont(chosen);
    mw::MenuLabelFont(main)->trigger();
    EXPECT_EQ(settings::settings().labelFont.name, "Liberation Serif");
    EXPECT_TRUE(settings::settings().labelFont.italic);
    EXPECT_EQ(mw::NavigatorLabel(main)->font().family(), QFont("Liberation Serif").family());
    mw::MenuEditFont(main)->trigger();  // cancelled: unchanged
    EXPECT_EQ(settings::settings().editFont.name, "Arial");
    mw::MenuButtonFont(main)->trigger();
    EXPECT_TRUE(mw::AddButton(main)->font().italic());
}

TEST_F(CommandsTest, ButtonBarItemsSwitchTheLayout) {
    mw::MenuButtons(main)->trigger();
    EXPECT_TRUE(mw::AddButton(main)->isVisible());
    EXPECT_EQ(mw::ViewerGrid(main)->y(), 122);
    mw::MenuNoButtons(main)->trigger();
    EXPECT_FALSE(mw::SpeedPanel(main)->isVisible());
    EXPECT_EQ(mw::ViewerGrid(main)->y(), 40);
    mw::MenuSpeed(main)->trigger();
    EXPECT_TRUE(mw::SpeedPanel(main)->isVisible());
    EXPECT_EQ(mw::ViewerGrid(main)->y(), 70);
}

TEST_F(CommandsTest, DateFormatItemsChangeHowTheGridShowsDates) {
    const QModelIndex purch = main->MyDataSource()->index(6, 11);  // row 6 does not exist
    EXPECT_FALSE(purch.isValid());
    const QModelIndex cell = main->MyDataSource()->index(2, 11);
    EXPECT_EQ(cell.data().toString(), "3/3/96");
    mw::MenuDate(main)[11]->trigger();  // dd.mm.yyyy
    EXPECT_EQ(settings::settings().formats.dateFormat(), 12);
    EXPECT_EQ(settings::settings().dateFormat, 12);
    EXPECT_TRUE(mw::MenuDate(main)[11]->isChecked());
    EXPECT_FALSE(mw::MenuDate(main)[0]->isChecked());
    EXPECT_EQ(main->MyDataSource()->index(2, 11).data().toString(), "3.3.1996");
    // The stored date did not change.
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Book 2", "PurchDate"), "19960303");
    mw::MenuDate(main)[0]->trigger();
    EXPECT_EQ(main->MyDataSource()->index(2, 11).data().toString(), "3/3/96");
}

TEST_F(CommandsTest, CurrencyNumericAndScreenSizeItemsTickAndStore) {
    mw::MenuCurrencyWindows(main)->trigger();
    EXPECT_EQ(settings::settings().currencyFormat, 2);
    EXPECT_TRUE(mw::MenuCurrencyWindows(main)->isChecked());
    EXPECT_FALSE(mw::MenuCurrencyUS(main)->isChecked());
    mw::MenuNumericWindows(main)->trigger();
    EXPECT_EQ(settings::settings().numericFormat, 2);
    mw::MenuNumericUS(main)->trigger();
    EXPECT_EQ(settings::settings().numericFormat, 1);
    EXPECT_TRUE(mw::MenuSize(main)[0]->isChecked());
    const QSize screen = ui::measuredScreen();
    if (ui::screenAllows(800, screen)) {
        mw::MenuSize(main)[1]->trigger();
        EXPECT_EQ(settings::settings().windowSize, 800);
        EXPECT_TRUE(mw::MenuSize(main)[1]->isChecked());
    }
    if (!ui::screenAllows(1280, screen)) {
        testsupport::ScriptedPrompter p;
        p.expectError("Your current screen resolution does not support 1280 x 1024 pixels.");
        mw::MenuSize(main)[3]->trigger();
        EXPECT_FALSE(mw::MenuSize(main)[3]->isChecked());
    }
}

// The shortcut keys work while the grid has the focus, as it has from the
// start: the grid's own handling of keys must not swallow them.
TEST_F(CommandsTest, ShortcutKeysReachTheirCommandsFromTheGrid) {
    using C = app::TMain::Command;
    const auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier) {
        // A modal form that closed hands the activation back (the headless
        // platform has no window manager to do it).
        QApplication::setActiveWindow(main);
        mw::ViewerGrid(main)->setFocus();
        QTest::keyClick(mw::ViewerGrid(main), k, m);
    };
    const std::vector<std::pair<C, Qt::Key>> handled{
        {C::New, Qt::Key_W},     {C::Open, Qt::Key_O},         {C::Import, Qt::Key_M},
        {C::Export, Qt::Key_T},  {C::Find, Qt::Key_L},         {C::FindNext, Qt::Key_N},
        {C::Viewer, Qt::Key_V},  {C::SortOrder, Qt::Key_Q},    {C::Backup, Qt::Key_B},
        {C::Restore, Qt::Key_Y}, {C::SearchReplace, Qt::Key_F}};
    for (const auto& [command, k] : handled) {
        int runs = 0;
        main->setHandler(command, [&runs](ui::MainWindowLink&, int) { ++runs; });
        key(k);
        EXPECT_EQ(runs, 1) << "Ctrl+" << QKeySequence(k).toString().toStdString();
    }
    for (const auto& [k, form, mode] : std::vector<std::tuple<Qt::Key, QString, books::EditMode>>{
             {Qt::Key_A, "MyEdit", books::EditMode::Add},
             {Qt::Key_E, "MyEdit", books::EditMode::Edit},
             {Qt::Key_C, "MyEdit", books::EditMode::Copy},
             {Qt::Key_S, "MySearch", books::runState().editMode},
             {Qt::Key_R, "MyReport", books::runState().editMode},
             {Qt::Key_P, "MyReport", books::runState().editMode}}) {
        QString seen;
        testsupport::closeNextModal(&seen);
        key(k);
        EXPECT_EQ(seen, form) << "Ctrl+" << QKeySequence(k).toString().toStdString();
        if (form == "MyEdit") {
            EXPECT_EQ(books::runState().editMode, mode);
        }
    }
    {
        testsupport::ScriptedPrompter p;
        p.expectQuestion("Confirm", "Delete this record?", false);
        key(Qt::Key_D);
    }
    mw::searchAllBooks(main);
    key(Qt::Key_I);
    EXPECT_FALSE(books::runState().searchActive);
    key(Qt::Key_F2);
    EXPECT_TRUE(mw::AddButton(main)->isVisible());
    key(Qt::Key_F3);
    EXPECT_EQ(mw::ViewerGrid(main)->y(), 40);
    key(Qt::Key_F1);
    EXPECT_TRUE(mw::SpeedPanel(main)->isVisible());
    key(Qt::Key_H);
    ASSERT_NE(main->helpWindow(), nullptr);
    EXPECT_TRUE(main->helpWindow()->isVisible());
}
