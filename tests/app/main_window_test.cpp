// The main window: start-up, layouts, the search state and closing.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>

#include "app/button_bar.h"
#include "data/grid_model.h"
#include "reports/definition_file.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"
#include "ui/messages.h"
#include "ui/screen_size.h"

namespace {

class MainWindowTest : public MainFixture {};

class FirstStartTest : public MainFixture {
  protected:
    int sampleBooks() const override { return -1; }
};

class DefaultSortTest : public MainFixture {
  protected:
    QByteArray settingsText() const override { return {}; }
};

class UnknownBarModeTest : public MainFixture {
  protected:
    QByteArray settingsText() const override {
        return MainFixture::settingsText() + "[Misc]\nButton Bar=7\n";
    }
};

}  // namespace

// A stored button-bar mode other than 1 to 3 changes nothing: the window
// keeps its design layout (the speed buttons), whole and resizable, rather
// than showing every bar at once.
TEST_F(UnknownBarModeTest, KeepsTheSpeedButtonLayout) {
    EXPECT_EQ(settings::settings().buttonBar, 7);
    for (QSize size : {QSize(640, 480), QSize(900, 700)}) {
        main->resize(size);
        QCoreApplication::processEvents();
        const int cw = main->clientWidth(), ch = main->clientHeight();
        const app::BarLayout l = app::barLayout(1, cw, ch);
        EXPECT_TRUE(mw::SpeedPanel(main)->isVisible());
        EXPECT_FALSE(mw::AddButton(main)->isVisible());
        EXPECT_FALSE(mw::Bevel1(main)->isVisible());
        EXPECT_EQ(mw::ViewerGrid(main)->geometry(), QRect(7, l.gridTop, cw - 14, l.gridHeight));
        EXPECT_EQ(mw::MyNavigator(main)->geometry().topLeft(), l.navigator.topLeft());
    }
}

// With no settings file the collection is ordered by the default sort
// level, Author.
TEST_F(DefaultSortTest, BooksShowInAuthorOrder) {
    QStringList titles;
    for (int r = 0; r < 5; ++r)
        titles << main->MyDataSource()->index(r, 0).data().toString();
    EXPECT_EQ(titles, (QStringList{"Book 0", "Book 3", "Book 1", "Book 4", "Book 2"}));
    // Ending a search reopens the table in the same order.
    mw::searchAllBooks(main);
    main->DoEndSearch();
    titles.clear();
    for (int r = 0; r < 5; ++r)
        titles << main->MyDataSource()->index(r, 0).data().toString();
    EXPECT_EQ(titles, (QStringList{"Book 0", "Book 3", "Book 1", "Book 4", "Book 2"}));
}

TEST_F(FirstStartTest, CreatesTheDefaultCollectionAndOpensIt) {
    EXPECT_TRUE(QFileInfo::exists(masterPath));
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().fieldCount(), 36);
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(mw::CountLabel(main)->text(), "0");
    EXPECT_EQ(QApplication::applicationName(), "Tomekeep Books 95");
    // The report definitions file holds the eight built-in reports.
    EXPECT_EQ(reports::DefinitionFile::inDirectory(settings::programDirectory()).names().size(), 8);
}

TEST_F(MainWindowTest, StartsWithTheFormsInOrderAndTheCount) {
    EXPECT_EQ(main->objectName(), "Main");
    ASSERT_NE(main->findChild<QDialog*>("MyEdit"), nullptr);
    EXPECT_NE(main->findChild<QDialog*>("MyReport"), nullptr);
    // The query form is the find subsystem's, a window of the main window.
    EXPECT_NE(main->findChild<QDialog*>(QStringLiteral("MySearch")), nullptr);
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(mw::CountLabel(main)->text(), "5");
    EXPECT_EQ(mw::Count2Label(main)->text(), "Books");
    EXPECT_EQ(mw::ViewerLabel(main)->text(), "Book Viewer");
    EXPECT_EQ(main->MyDataSource()->rowCount(), 5);
    EXPECT_FALSE(mw::SearchOnLabel(main)->isVisible());
    EXPECT_FALSE(mw::EndSearchSpeed(main)->isEnabled());
    EXPECT_FALSE(mw::MenuEndSearch(main)->isEnabled());
    EXPECT_EQ(books::runState().programDirectory, settings::programDirectory());
}

// A display name set on the application is appended by the desktop to every
// window title ("Error — Tomekeep Books 95"); the titles are the windows' own
// captions, so the program sets none and the display name follows the
// application name.
TEST_F(MainWindowTest, SetsNoDisplayNameThatTheDesktopWouldAppendToTitles) {
    const QString name = QCoreApplication::applicationName();
    EXPECT_EQ(name, "Tomekeep Books 95");
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName(name);
    // Creating the forms leaves the desktop file name that start-up set.
    QGuiApplication::setDesktopFileName(QStringLiteral("probe.id"));
    app::ProgramForms second = app::createForms({});
    EXPECT_EQ(QGuiApplication::desktopFileName(), "probe.id");
    QGuiApplication::setDesktopFileName({});
}

TEST_F(MainWindowTest, LongLivedFormsScaleFromTheirDesignOnEveryShowing) {
    const QSize bigScreen(1280, 1024);
    ASSERT_EQ(main->runState().screenPreset, 640);
    auto* form = main->findChild<QDialog*>("MyEdit");
    ASSERT_NE(form, nullptr);
    form->show();
    const QSize design = form->size();
    form->hide();
    ASSERT_TRUE(ui::choosePreset(nullptr, 800, main->runState(), main->settings(), bigScreen));
    form->show();
    const QSize scaled = form->size();
    form->hide();
    form->show();  // a second showing at the same preset does not grow again
    EXPECT_EQ(form->size(), scaled);
    form->hide();
    EXPECT_EQ(scaled.width(), design.width() * 125 / 100);
    ASSERT_TRUE(ui::choosePreset(nullptr, 640, main->runState(), main->settings(), bigScreen));
    form->show();
    EXPECT_EQ(form->size(), design);
    form->hide();
}

// The windows read the run's preset, its factor and the settings through
// the main window's link: a chosen preset is what they see next.
TEST_F(MainWindowTest, LinkHandsTheWindowsTheRunsPresetAndSettings) {
    ui::MainWindowLink& link = *main;
    EXPECT_EQ(link.runState().screenPreset, 640);
    EXPECT_EQ(link.scaleFactor(), 1.0);
    ASSERT_TRUE(
        ui::choosePreset(nullptr, 1024, link.runState(), link.settings(), QSize(1280, 1024)));
    EXPECT_EQ(link.runState().screenPreset, 1024);
    EXPECT_EQ(link.scaleFactor(), 1.6);
    EXPECT_EQ(link.settings().windowSize, 1024);
    ASSERT_TRUE(
        ui::choosePreset(nullptr, 640, link.runState(), link.settings(), QSize(1280, 1024)));
    EXPECT_EQ(link.scaleFactor(), 1.0);
}

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndHints) {
    const std::vector<std::pair<const char*, const char*>> buttons{
        {"AddButton", "&Add"},        {"EditButton", "&Edit"},     {"CopyButton", "&Copy"},
        {"DeleteButton", "&Delete"},  {"SearchButton", "&Search"}, {"EndSearchButton", "E&nd Srch"},
        {"ReportButton", "&Reports"}, {"ViewerButton", "&Viewer"}, {"HelpButton", "He&lp"},
        {"ButtonExit", "E&xit"}};
    for (auto [name, caption] : buttons) {
        auto* b = child<QPushButton>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption);
        EXPECT_EQ(b->size(), QSize(69, 33)) << name;
    }
    const std::vector<std::tuple<const char*, int, const char*>> speeds{
        {"NewSpeed", 0, "New Database"},
        {"OpenSpeed", 24, "Open Database"},
        {"AddSpeed", 52, "Add Record"},
        {"EditSpeed", 76, "Edit Record"},
        {"CopySpeed", 100, "Copy Record"},
        {"DeleteSpeed", 124, "Delete Record"},
        {"ImportSpeed", 148, "Import Records"},
        {"ExportSpeed", 172, "Export Records"},
        {"SearchSpeed", 200, "Search Records"},
        {"EndSearchSpeed", 224, "End Search"},
        {"LocateSpeed", 248, "Locate Record"},
        {"LocateNextSpeed", 272, "Locate Next Record"},
        {"ReportSpeed", 296, "Reports"},
        {"ViewerSpeed", 320, "Viewer Configuration"},
        {"ColorSpeed", 344, "Color Setup"},
        {"SpeedSetOrder", 368, "Set Sorting Order"},
        {"HelpSpeed", 396, "Help"}};
    int previous = -1;
    for (auto [name, left, hint] : speeds) {
        auto* b = child<QToolButton>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->toolTip(), hint);
        EXPECT_EQ(b->size(), QSize(25, 25));
        EXPECT_EQ(b->x() - 3, left) << name;  // 3: the panel's frame
        EXPECT_GT(b->x(), previous);
        previous = b->x();
    }
    for (const char* name :
         {"Bevel1", "Bevel2", "Bevel3", "Bevel4", "SpeedPanel", "ViewerBevel", "MyNavigator",
          "ViewerGrid", "MyComboAuthor", "MyComboLocation", "MyComboCategory", "MyComboPublisher",
          "MyComboBought", "MyComboCondition", "MyComboCheckOut", "MyComboBookType",
          "MyComboRating"})
        EXPECT_NE(child<QWidget>(name), nullptr) << name;
    EXPECT_EQ(child<QLabel>("NavigatorLabel")->text(), "Navigation Controls");
    EXPECT_EQ(child<QLabel>("SearchOnLabel")->text(), "SEARCH ON");
    EXPECT_EQ(mw::SpeedPanel(main)->height(), 31);
    EXPECT_EQ(main->DataOpenDialog.title, "Open Database File");
    EXPECT_EQ(main->DataNewDialog.title, "New Database File");
}

TEST_F(MainWindowTest, MenuTreeHasEveryItemWithCaptionAndShortcut) {
    const std::vector<std::tuple<const char*, const char*, const char*>> items{
        {"MenuNew", "&New Database", "Ctrl+W"},
        {"MenuOpen", "&Open Database", "Ctrl+O"},
        {"MenuBackup", "&Back Up Data", "Ctrl+B"},
        {"MenuRestore", "&Restore Data", "Ctrl+Y"},
        {"MenuPrint", "&Print", "Ctrl+P"},
        {"MenuPrinterSetup", "Printer &Setup", "Ctrl+U"},
        {"MenuExit", "E&xit", "Ctrl+X"},
        {"MenuAdd", "&Add", "Ctrl+A"},
        {"MenuEdit", "&Edit", "Ctrl+E"},
        {"MenuCopy", "&Copy", "Ctrl+C"},
        {"MenuDelete", "&Delete", "Ctrl+D"},
        {"MenuImport", "&Import", "Ctrl+M"},
        {"MenuExport", "E&xport", "Ctrl+T"},
        {"MenuSearch", "&Search (Query)", "Ctrl+S"},
        {"MenuEndSearch", "&End Search", "Ctrl+I"},
        {"MenuFind", "&Locate", "Ctrl+L"},
        {"MenuFindNext", "Locate &Next", "Ctrl+N"},
        {"MenuReports", "&Reports", "Ctrl+R"},
        {"MenuViewer", "&Viewer", "Ctrl+V"},
        {"MenuSortOrder", "Sort &Order", "Ctrl+Q"},
        {"MenuSize640", "640 x 480", "Shift+F1"},
        {"MenuSize800", "800 x 600", "Shift+F2"},
        {"MenuSize1024", "1024 x 768", "Shift+F3"},
        {"MenuSize1280", "1280 x 1024", "Shift+F4"},
        {"MenuSpeed", "&Speed Buttons", "Ctrl+F1"},
        {"MenuButtons", "&Lettered Buttons", "Ctrl+F2"},
        {"MenuNoButtons", "&None", "Ctrl+F3"},
        {"MenuMainColor", "&Main Window Color", "Ctrl+F4"},
        {"MenuEditColor", "&Edit Window Color", "Ctrl+F5"},
        {"MenuSearchColor", "&Search Window Color", "Ctrl+F6"},
        {"MenuReportColor", "&Report Window Color", "Ctrl+F7"},
        {"MenuConfigColor", "&Configure Window Color", "Ctrl+F8"},
        {"MenuAllColor", "&ALL Windows Color", "Ctrl+F9"},
        {"MenuListAuthor", "&Author", ""},
        {"MenuListLocation", "&Location", ""},
        {"MenuListBought", "&Where Purchased", ""},
        {"MenuListCategory", "&Category", ""},
        {"MenuListPublisher", "&Publisher", ""},
        {"MenuListBookType", "&Book Type", ""},
        {"MenuListRating", "&Rating", ""},
        {"MenuListCheckOut", "Chec&k Out Person", ""},
        {"MenuListCondition", "C&ondition", ""},
        {"MenuCurrencyUS", "&U.S. Dollars", ""},
        {"MenuCurrencyWindows", "&Windows Setting", ""},
        {"MenuNumericUS", "&U.S. Format", ""},
        {"MenuNumericWindows", "&Windows Setting", ""},
        {"MenuDateMDYSlash", "mm/dd/yy", ""},
        {"MenuDateDMYDotYr", "dd.mm.yyyy", ""},
        {"MenuLabelFont", "&Label Font", "Shift+F8"},
        {"MenuEditFont", "&Edit Font", "Shift+F9"},
        {"MenuButtonFont", "&Button Font", "Shift+F10"},
        {"MenuSearchReplace", "&Search and Replace", "Ctrl+F"},
        {"MenuRebuild", "&Rebuild Indexes", ""},
        {"MenuPack", "&Pack Database", ""},
        {"MenuContents", "&Contents", "Ctrl+H"},
        {"MenuTips", "&Review \"Tips of the Day\"", ""},
        {"MenuAbout", "&About", ""}};
    for (auto [name, caption, key] : items) {
        auto* a = main->findChild<QAction*>(QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), caption) << name;
        EXPECT_EQ(a->shortcut().toString(), key) << name;
    }
    QStringList tops;
    for (QAction* a : main->menuBar()->actions())
        tops << a->text();
    EXPECT_EQ(tops, (QStringList{"&File", "&Records", "Navi&gate", "&Options", "&Tools", "&Help"}));
    for (auto [name, caption] : std::vector<std::pair<const char*, const char*>>{
             {"MenuScreenSize", "Screen Si&ze"},
             {"MenuAccess", "&Screen Access"},
             {"MenuColor", "&Color"},
             {"MenuMaintain", "List &Maintenance"},
             {"MenuCurrency", "Report C&urrency Format"},
             {"MenuNumeric", "&Report Numeric Format"},
             {"MenuDateFormat", "&Date Format"}}) {
        auto* m = main->findChild<QMenu*>(QLatin1String(name));
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(m->title(), caption);
    }
    EXPECT_EQ(mw::MenuDateFormat(main)->actions().size(), 12);
    // No last files yet: the separator and the five items are hidden.
    EXPECT_FALSE(mw::MenuExitSep(main)->isVisible());
    for (QAction* a : mw::MenuLastFile(main))
        EXPECT_FALSE(a->isVisible());
}

// The main help page's table of keys names every shortcut of the menus.
TEST_F(MainWindowTest, TheHelpPageNamesEveryMenuShortcut) {
    QFile page(QStringLiteral(":/help/main.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    int shortcuts = 0;
    for (QAction* a : main->findChildren<QAction*>()) {
        const QString key = a->shortcut().toString();
        if (key.isEmpty())
            continue;
        ++shortcuts;
        EXPECT_TRUE(html.contains(QStringLiteral("<td>") + key + QStringLiteral("</td>")) ||
                    html.contains(QStringLiteral("<td>") + key + QStringLiteral(",")) ||
                    html.contains(QStringLiteral(" ") + key + QStringLiteral(",")) ||
                    html.contains(QStringLiteral(" ") + key + QStringLiteral("</td>")))
            << a->objectName().toStdString() << " " << key.toStdString();
    }
    EXPECT_GT(shortcuts, 30);
}

// Each layout puts the controls where its table says, and a resize keeps
// the grid filling the client area with the same margins.
TEST_F(MainWindowTest, EachLayoutAndAResizeKeepTheGeometryOfTheTable) {
    for (int mode : {1, 2, 3, 1}) {
        main->ButtonBarClick(mode);
        for (QSize size : {QSize(640, 480), QSize(900, 700), QSize(500, 400)}) {
            main->resize(size);
            QCoreApplication::processEvents();
            const int cw = main->clientWidth(), ch = main->clientHeight();
            const app::BarLayout l = app::barLayout(mode, cw, ch);
            SCOPED_TRACE(testing::Message() << "mode " << mode << " client " << cw << "x" << ch);
            EXPECT_EQ(mw::ViewerGrid(main)->geometry(), QRect(7, l.gridTop, cw - 14, l.gridHeight));
            EXPECT_EQ(mw::ViewerBevel(main)->geometry(),
                      QRect(3, l.bevelTop, cw - 6, l.bevelHeight));
            EXPECT_EQ(mw::ViewerLabel(main)->y(), l.viewerLabelTop);
            // The caption is centred unless the navigator shares its line
            // (no buttons) and a narrow window brings them together.
            const QRect caption = mw::ViewerLabel(main)->geometry();
            if (mw::ViewerLabel(main)->isVisible()) {
                EXPECT_FALSE(caption.intersects(mw::MyNavigator(main)->geometry()));
            }
            if (cw >= 640) {
                EXPECT_TRUE(mw::ViewerLabel(main)->isVisible());
                EXPECT_EQ(caption.x(), (cw - caption.width()) / 2);
            }
            EXPECT_EQ(mw::MyNavigator(main)->x(), l.navigator.left());
            EXPECT_EQ(mw::MyNavigator(main)->y(), l.navigator.top());
            EXPECT_EQ(mw::MyNavigator(main)->width(), l.navigator.width());
            EXPECT_EQ(mw::CountLabel(main)->y(), l.countTop);
            EXPECT_EQ(mw::Count2Label(main)->y(), l.count2Top);
            EXPECT_EQ(mw::SearchOnLabel(main)->y(), l.searchOnTop);
            EXPECT_EQ(mw::AddButton(main)->isVisible(), mode == 2);
            EXPECT_EQ(mw::Bevel3(main)->isVisible(), mode == 2);
            EXPECT_EQ(mw::SpeedPanel(main)->isVisible(), mode == 1);
            EXPECT_EQ(mw::NavigatorLabel(main)->isVisible(), mode == 2);
            EXPECT_EQ(mw::MenuSpeed(main)->isChecked(), mode == 1);
            EXPECT_EQ(mw::MenuButtons(main)->isChecked(), mode == 2);
            EXPECT_EQ(mw::MenuNoButtons(main)->isChecked(), mode == 3);
        }
    }
    // Mode 3's navigator follows the right edge: cw - 207.
    main->ButtonBarClick(3);
    main->resize(800, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(mw::MyNavigator(main)->x(), main->clientWidth() - 207);
    EXPECT_EQ(settings::settings().buttonBar, 3);
}

// At the default size (640 by 480) every navigator button is whole inside
// the window in each layout.
TEST_F(MainWindowTest, AtTheDefaultSizeTheWholeNavigatorIsInTheWindow) {
    main->resize(640, 480);
    for (int mode : {1, 2, 3}) {
        main->ButtonBarClick(mode);
        QCoreApplication::processEvents();
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        const QRect window = mw::client(main)->rect();
        for (int b = 0; b < app::RecordNavigator::kButtonCount; ++b) {
            const QToolButton* button =
                mw::MyNavigator(main)->button(static_cast<app::RecordNavigator::Button>(b));
            const QRect shown(button->mapTo(mw::client(main), QPoint(0, 0)), button->size());
            EXPECT_TRUE(window.contains(shown)) << button->objectName().toStdString();
            EXPECT_GE(button->width(), 18) << button->objectName().toStdString();
        }
    }
}

// Without buttons the navigator shares the line of the "Book Viewer"
// caption; narrowing the window never puts one over the other, nor the
// caption over the counts or the search mark.
TEST_F(MainWindowTest, ANarrowWindowWithoutButtonsNeverOverlapsTheCaption) {
    main->ButtonBarClick(3);
    mw::searchAllBooks(main);
    for (int width = 700; width >= 300; width -= 20) {
        main->resize(width, 400);
        QCoreApplication::processEvents();
        SCOPED_TRACE(testing::Message() << "client width " << main->clientWidth());
        const QLabel* caption = mw::ViewerLabel(main);
        if (!caption->isVisible())
            continue;
        EXPECT_FALSE(caption->geometry().intersects(mw::MyNavigator(main)->geometry()));
        EXPECT_FALSE(caption->geometry().intersects(mw::SearchOnLabel(main)->geometry()));
        EXPECT_FALSE(caption->geometry().intersects(mw::CountLabel(main)->geometry()));
    }
    main->resize(640, 480);
    QCoreApplication::processEvents();
    EXPECT_TRUE(mw::ViewerLabel(main)->isVisible());
}

TEST(BarLayout, ModesOtherThanOneToThreeChangeNothing) {
    EXPECT_FALSE(app::barLayout(0, 640, 480).valid);
    EXPECT_FALSE(app::barLayout(4, 640, 480).valid);
    const auto l = app::barLayout(1, 640, 480);
    EXPECT_EQ(l.gridTop, 70);
    EXPECT_EQ(l.gridHeight, 480 - 77);
}

TEST_F(MainWindowTest, SearchStateShowsSearchOnAndEnablesEndSearch) {
    main->ButtonBarClick(2);
    // The query's filter narrows the grid and the count; End Search shows all.
    const int author = main->collection().table().fieldIndex("Author");
    EXPECT_TRUE(main->beginSearch(
        [author](const dbase::Table& t) { return t.asString(author) == "Author 0"; }));
    EXPECT_TRUE(mw::SearchOnLabel(main)->isVisible());
    EXPECT_TRUE(mw::EndSearchButton(main)->isEnabled());
    EXPECT_TRUE(mw::EndSearchSpeed(main)->isEnabledTo(mw::SpeedPanel(main)));
    EXPECT_TRUE(mw::MenuEndSearch(main)->isEnabled());
    EXPECT_TRUE(books::runState().searchActive);
    EXPECT_EQ(shownCount(), 2);
    EXPECT_EQ(main->MyDataSource()->rowCount(), 2);
    EXPECT_EQ(main->MyDataSource()->index(1, 0).data().toString(), "Book 3");
    mw::EndSearchButton(main)->click();
    EXPECT_FALSE(mw::SearchOnLabel(main)->isVisible());
    EXPECT_FALSE(mw::EndSearchButton(main)->isEnabled());
    EXPECT_FALSE(mw::EndSearchSpeed(main)->isEnabledTo(mw::SpeedPanel(main)));
    EXPECT_FALSE(books::runState().searchActive);
    EXPECT_EQ(shownCount(), 5);
    EXPECT_EQ(main->MyDataSource()->rowCount(), 5);
    EXPECT_TRUE(main->collection().table().isOpen());
    // With the search off the query filter no longer applies.
    main->collection().table().refresh();
    EXPECT_EQ(main->MyDataSource()->rowCount(), 5);
}

TEST_F(MainWindowTest, ClosingRecordsTheWindowAndWritesTheSettings) {
    main->ButtonBarClick(3);
    main->resize(700, 520);
    mw::searchAllBooks(main);
    main->close();
    EXPECT_FALSE(books::runState().searchActive);
    QFile f(settings::settingsFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains("Button Bar=3")) << text.left(300).toStdString();
    EXPECT_TRUE(text.contains("Main Window Width=700"));
    EXPECT_TRUE(text.contains("Last Database=" + masterPath));
}

TEST_F(MainWindowTest, PickListsFillTheGridDropDowns) {
    const QString dir = settings::programDirectory();
    QFile a(dir + "/AUTHOR.LST");
    ASSERT_TRUE(a.open(QIODevice::WriteOnly));
    a.write("  Austen, Jane  \r\n\r\nBront\xc3\xab, Emily\n   \nTwain\n");
    a.close();
    QFile r(dir + "/RATING.LST");
    ASSERT_TRUE(r.open(QIODevice::WriteOnly));
    r.write("Tr\xe8s bon\nGood\n");  // Windows-1252
    r.close();
    main->LoadAllLists();
    QStringList authors;
    for (int i = 0; i < mw::MyComboAuthor(main)->count(); ++i)
        authors << mw::MyComboAuthor(main)->itemText(i);
    // Blank lines are skipped; the blanks around an entry are kept.
    EXPECT_EQ(authors, (QStringList{"  Austen, Jane  ", QString::fromUtf8("Bront\xc3\xab, Emily"),
                                    "Twain"}));
    EXPECT_EQ(mw::MyComboRating(main)->itemText(0), QString::fromUtf8("Tr\xc3\xa8s bon"));
    EXPECT_EQ(mw::MyComboLocation(main)->count(), 0);  // no file: an empty box, no message
}

namespace {

class TipsTest : public MainFixture, public ::testing::WithParamInterface<bool> {
  protected:
    QByteArray settingsText() const override {
        return MainFixture::settingsText() +
               (GetParam() ? "[Misc]\nShow Tips=Yes\n" : "[Misc]\nShow Tips=no\n");
    }
    void beforeShow() override {
        main->setHandler(app::TMain::Command::Tips, [this](ui::MainWindowLink&, int) { ++tips; });
    }
    int tips = 0;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(ShowTips, TipsTest, ::testing::Bool());

TEST_P(TipsTest, TheTipOpensOnFirstActivationOnlyWhenShowTipsIsOn) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    EXPECT_EQ(tips, GetParam() ? 1 : 0);
    mw::MenuTips(main)->trigger();  // the menu item opens it either way
    EXPECT_EQ(tips, GetParam() ? 2 : 1);
}

// The program keeps its settings in its own file: the toolkit's file and
// colour dialogs leave no settings file of their own beside it.
TEST_F(MainWindowTest, DialogsWriteNoSettingsFileBesideTheProgramsOwn) {
    const QDir config = QFileInfo(settings::settingsFile()).absoluteDir();
    const QStringList before = config.entryList(QDir::Files | QDir::Hidden);
    testsupport::closeNextModal(nullptr);
    EXPECT_EQ(ui::getOpenFileName(main, "Open", settings::programDirectory(), "All files (*)"), "");
    testsupport::closeNextModal(nullptr);
    EXPECT_EQ(ui::getSaveFileName(main, "Save", settings::programDirectory(), "All files (*)"), "");
    testsupport::closeNextModal(nullptr);
    EXPECT_EQ(ui::getExistingDirectory(main, "Folder", settings::programDirectory()), "");
    testsupport::closeNextModal(nullptr);
    EXPECT_EQ(ui::getColor(main, Qt::red), std::nullopt);
    main->close();
    EXPECT_EQ(config.entryList(QDir::Files | QDir::Hidden), QStringList{"TMKBOOK.INI"});
    EXPECT_TRUE(before.isEmpty() || before == QStringList{"TMKBOOK.INI"})
        << before.join(", ").toStdString();
}
