// Browse mode: nothing that changes the collection can be reached.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "data/grid_model.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"

namespace {

class BrowseModeTest : public MainFixture, public ::testing::WithParamInterface<const char*> {
  protected:
    QStringList arguments() const override { return {GetParam()}; }
    // The user's own setting, which browse mode must not lose.
    QByteArray settingsText() const override {
        return MainFixture::settingsText() + "[Grid Options]\nField Editing=Yes\n";
    }
};

class NotBrowseTest : public MainFixture, public ::testing::WithParamInterface<const char*> {
  protected:
    QStringList arguments() const override { return {GetParam()}; }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Spellings, BrowseModeTest,
                         ::testing::Values("/BROWSE", "/browse", "/Browse", "--browse"));
INSTANTIATE_TEST_SUITE_P(Others, NotBrowseTest,
                         ::testing::Values("/BROWSER", "browse", "/EDIT", ""));

TEST_P(BrowseModeTest, RecordChangingCommandsAreOffFromEveryTrigger) {
    EXPECT_TRUE(main->browseMode());
    for (const char* name : {"MenuAdd", "MenuCopy", "MenuDelete", "MenuBackup", "MenuRestore",
                             "MenuViewer", "MenuImport", "MenuSearchReplace"})
        EXPECT_FALSE(main->findChild<QAction*>(QLatin1String(name))->isEnabled()) << name;
    EXPECT_FALSE(mw::MenuMaintain(main)->isEnabled());
    EXPECT_FALSE(
        mw::MenuMaintain(main)->menuAction()->isEnabled());  // the item in the Options menu
    for (const char* name : {"AddSpeed", "CopySpeed", "ImportSpeed", "DeleteSpeed", "ViewerSpeed"})
        EXPECT_FALSE(child<QToolButton>(name)->isEnabled()) << name;
    // The lettered buttons stay off when the bar shows them.
    for (int mode : {2, 1, 2}) {
        main->ButtonBarClick(mode);
        for (const char* name : {"AddButton", "CopyButton", "DeleteButton", "ViewerButton"})
            EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(mw::EditButton(main)->isEnabled());
    EXPECT_TRUE(mw::MenuEdit(main)->isEnabled());
    EXPECT_TRUE(mw::SearchButton(main)->isEnabled());
    EXPECT_TRUE(mw::MenuExport(main)->isEnabled());
}

// The shortcut keys of the disabled items, the grid's own editing keys and
// the commands called directly reach nothing: no handler runs, no form
// opens, no question is asked (the strict prompter fails on any).
TEST_P(BrowseModeTest, KeysAndDirectCallsReachNothing) {
    using C = app::TMain::Command;
    int runs = 0;
    for (C c : {C::Import, C::Viewer, C::Backup, C::Restore, C::SearchReplace, C::ListMaintenance})
        main->setHandler(c, [&runs](ui::MainWindowLink&, int) { ++runs; });
    QString opened;
    testsupport::closeNextModal(&opened);  // would catch MyEdit opened for Add or Copy
    testsupport::ScriptedPrompter prompter;
    QApplication::setActiveWindow(main);  // so that shortcut keys are live
    mw::ViewerGrid(main)->setFocus();
    mw::ViewerGrid(main)->setCurrentIndex(main->MyDataSource()->index(1, 0));
    for (Qt::Key k :
         {Qt::Key_A, Qt::Key_C, Qt::Key_D, Qt::Key_B, Qt::Key_Y, Qt::Key_V, Qt::Key_M, Qt::Key_F})
        QTest::keyClick(mw::ViewerGrid(main), k, Qt::ControlModifier);
    for (Qt::Key k : {Qt::Key_F2, Qt::Key_X, Qt::Key_Insert, Qt::Key_Delete})
        QTest::keyClick(mw::ViewerGrid(main), k);
    QTest::keyClick(mw::ViewerGrid(main), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(mw::ViewerGrid(main)->indexWidget(mw::ViewerGrid(main)->currentIndex()),
              nullptr);  // no cell editor
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Book 1", "Title"), "Book 1");
    main->DoAdd();
    main->DoCopy();
    main->DoDelete();
    main->DoImport();
    main->DoViewer();
    main->DoBackup();
    main->DoRestore();
    main->MenuSearchReplaceClick();
    main->EditAList(1);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(main->collection().table().state(), dbase::TableState::Browse);
    EXPECT_EQ(shownCount(), 5);
    EXPECT_EQ(testsupport::titlesOf(masterPath).size(), 5);
    // Nothing opened: close the catcher's pending modal watch with a form of
    // the test's own.
    QDialog probe(main);
    probe.setObjectName("Probe");
    probe.exec();
    EXPECT_EQ(opened, "Probe");
}

TEST_P(BrowseModeTest, NavigatorMovesOnlyAndTheGridCannotBeEdited) {
    auto* nav = mw::MyNavigator(main);
    EXPECT_TRUE(nav->browseOnly());
    for (auto b : {app::RecordNavigator::First, app::RecordNavigator::Prior,
                   app::RecordNavigator::Next, app::RecordNavigator::Last})
        EXPECT_TRUE(nav->button(b)->isVisible());
    for (auto b :
         {app::RecordNavigator::Insert, app::RecordNavigator::Delete, app::RecordNavigator::Edit,
          app::RecordNavigator::Post, app::RecordNavigator::Cancel, app::RecordNavigator::Refresh})
        EXPECT_FALSE(nav->button(b)->isVisible());
    nav->button(app::RecordNavigator::Last)->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 4);
    EXPECT_FALSE(main->MyDataSource()->fieldEditing());
    EXPECT_EQ(mw::ViewerGrid(main)->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(main->MyDataSource()->setData(main->MyDataSource()->index(0, 0), "Changed"));
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Book 0", "Title"), "Book 0");
}

TEST_P(BrowseModeTest, LeavingKeepsTheUsersFieldEditingSetting) {
    main->close();
    QFile f(settings::settingsFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).contains("Field Editing=Yes"));
}

TEST_P(NotBrowseTest, AnyOtherArgumentIsIgnored) {
    EXPECT_FALSE(main->browseMode());
    EXPECT_TRUE(mw::MenuAdd(main)->isEnabled());
    EXPECT_TRUE(mw::AddSpeed(main)->isEnabled());
    EXPECT_FALSE(mw::MyNavigator(main)->browseOnly());
}
