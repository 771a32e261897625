// The viewer grid in the window: settings applied, editing, navigator.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/grid_delegate.h"
#include "data/grid_model.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"

namespace {

class ViewerTest : public MainFixture {
  protected:
    QHeaderView* header() const { return mw::ViewerGrid(main)->horizontalHeader(); }
    // Field numbers of the shown columns, left to right.
    std::vector<int> shownFields() const {
        std::vector<int> v;
        for (int i = 0; i < 36; ++i) {
            const int logical = header()->logicalIndex(i);
            if (!header()->isSectionHidden(logical))
                v.push_back(logical + 1);
        }
        return v;
    }
    void setEditing(bool on) {
        settings::settings().gridFieldEditing = on;
        main->SetViewerOptions();
    }
    books::GridModel* model() const { return main->MyDataSource(); }
};

}  // namespace

TEST_F(ViewerTest, SettingsArrangeCaptionWidenAndHideColumns) {
    auto& s = settings::settings();
    s.fieldOrder[1] = 3;
    s.fieldOrder[3] = 1;
    s.displayFields[2] = false;
    s.fieldNames[3] = "Year";
    s.fieldWidth[3] = 30;
    s.gridTitleAlignment = 3;
    s.gridRowIndicator = false;
    main->SetViewerOptions();
    const auto fields = shownFields();
    ASSERT_GE(fields.size(), 3u);
    EXPECT_EQ(fields[0], 3);
    EXPECT_EQ(fields[1], 1);
    EXPECT_EQ(fields.size(), 35u);
    EXPECT_TRUE(header()->isSectionHidden(1));
    EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), "Year");
    EXPECT_EQ(header()->sectionSize(2),
              30 * QFontMetrics(mw::ViewerGrid(main)->font()).horizontalAdvance('0') + 4);
    EXPECT_GT(header()->sectionSize(2), header()->sectionSize(0));
    EXPECT_TRUE(model()->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                Qt::AlignRight);
    EXPECT_FALSE(mw::ViewerGrid(main)->verticalHeader()->isVisible());
}

TEST_F(ViewerTest, SharedAndMissingOrderValuesShiftTheColumns) {
    auto& s = settings::settings();
    s.fieldOrder[3] = 2;  // Year Pub shares 2 with Author; nobody claims 3
    main->SetViewerOptions();
    auto fields = shownFields();
    EXPECT_EQ(std::vector<int>(fields.begin(), fields.begin() + 5),
              (std::vector<int>{2, 3, 1, 4, 5}));
    // The arrangement survives a refresh of the table (a model reset).
    main->collection().table().refresh();
    fields = shownFields();
    EXPECT_EQ(std::vector<int>(fields.begin(), fields.begin() + 5),
              (std::vector<int>{2, 3, 1, 4, 5}));
    // Back to defaults puts everything in field order again.
    s.fieldOrder[3] = 3;
    main->SetViewerOptions();
    fields = shownFields();
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(fields[static_cast<size_t>(i)], i + 1);
}

TEST_F(ViewerTest, GridFontsColoursAndOptions) {
    auto& s = settings::settings();
    s.gridFont.name = "Liberation Mono";
    s.gridFont.size = 14;
    s.gridCellColor = 255;  // red
    s.gridShowTitles = false;
    main->SetViewerOptions();
    EXPECT_EQ(mw::ViewerGrid(main)->font().pointSize(), 14);
    EXPECT_EQ(mw::MyComboAuthor(main)->font().pointSize(), 14);
    EXPECT_EQ(mw::ViewerGrid(main)->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_FALSE(header()->isVisible());
    EXPECT_EQ(mw::ViewerGrid(main)->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(mw::ViewerGrid(main)->selectionBehavior(), QAbstractItemView::SelectRows);
    setEditing(true);
    EXPECT_NE(mw::ViewerGrid(main)->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(mw::ViewerGrid(main)->selectionBehavior(), QAbstractItemView::SelectItems);
}

TEST_F(ViewerTest, EditingInTheGridPostsToTheTable) {
    setEditing(true);
    const QModelIndex title = model()->index(1, 0);
    mw::ViewerGrid(main)->setCurrentIndex(title);
    mw::ViewerGrid(main)->edit(title);
    auto* editor = qobject_cast<QLineEdit*>(mw::ViewerGrid(main)->indexWidget(title));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Edited Title");
    mw::ViewerGrid(main)->commitOpenEditor();
    EXPECT_EQ(testsupport::titlesOf(masterPath).at(1), "Edited Title");
    EXPECT_EQ(model()->index(1, 0).data().toString(), "Edited Title");
    // The check box writes Yes/No.
    const QModelIndex check = model()->index(1, 16);
    EXPECT_EQ(check.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    model()->setData(check, Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Edited Title", "CheckOut"), "Yes");
}

TEST_F(ViewerTest, AWrongValueIsReportedAndNothingChanges) {
    setEditing(true);
    testsupport::ScriptedPrompter p;
    p.expectError("'soon' is not a valid date for field \"Purchase Date\"");
    EXPECT_FALSE(model()->setData(model()->index(0, 11), "soon"));
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Book 0", "PurchDate"), "19960301");
}

TEST_F(ViewerTest, ListFieldsEditInADropDownFedByThePickList) {
    QFile f(settings::programDirectory() + "/AUTHOR.LST");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Austen\nTwain\n");
    f.close();
    main->LoadAllLists();
    setEditing(true);
    const QModelIndex author = model()->index(0, 1);
    mw::ViewerGrid(main)->setCurrentIndex(author);
    mw::ViewerGrid(main)->edit(author);
    auto* box = mw::ViewerGrid(main)->findChild<QComboBox*>("MyComboAuthorEditor");
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(1), "Twain");
    EXPECT_EQ(box->currentText(), "Author 0");
    box->setCurrentIndex(1);
    mw::ViewerGrid(main)->commitOpenEditor();
    EXPECT_EQ(testsupport::fieldOf(masterPath, "Book 0", "Author"), "Twain");
    // A field without a list edits as text.
    mw::ViewerGrid(main)->edit(model()->index(0, 0));
    EXPECT_NE(qobject_cast<QLineEdit*>(mw::ViewerGrid(main)->indexWidget(model()->index(0, 0))),
              nullptr);
}

TEST_F(ViewerTest, NavigatorMovesTheCurrentRowAndRefreshesTheCount) {
    using B = app::RecordNavigator;
    auto* nav = mw::MyNavigator(main);
    nav->button(B::Last)->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 4);
    EXPECT_EQ(model()->indicatorRow(), 4);
    nav->button(B::Prior)->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 3);
    nav->button(B::First)->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 0);
    nav->button(B::Next)->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 1);
    EXPECT_EQ(main->collection().table().recNo(), 2u);

    // Insert a record, type its title, post.
    setEditing(true);
    nav->button(B::Insert)->click();
    EXPECT_EQ(model()->rowCount(), 6);
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 5);
    ASSERT_TRUE(model()->setData(model()->index(5, 0), "Inserted"));
    nav->button(B::Post)->click();
    EXPECT_EQ(shownCount(), 6);
    EXPECT_EQ(testsupport::titlesOf(masterPath).last(), "Inserted");

    // Edit then cancel leaves the record.
    nav->button(B::First)->click();
    nav->button(B::Edit)->click();
    EXPECT_EQ(main->collection().table().state(), dbase::TableState::Edit);
    ASSERT_TRUE(model()->setData(model()->index(0, 0), "Not kept"));
    nav->button(B::Cancel)->click();
    EXPECT_EQ(main->collection().table().state(), dbase::TableState::Browse);
    EXPECT_EQ(testsupport::titlesOf(masterPath).first(), "Book 0");

    // Delete asks.
    {
        testsupport::ScriptedPrompter p;
        p.expectQuestion("Confirm", "Delete record?", true);
        nav->button(B::Delete)->click();
    }
    EXPECT_EQ(shownCount(), 5);
    EXPECT_FALSE(testsupport::titlesOf(masterPath).contains("Book 0"));

    // Refresh sees records another program added.
    testsupport::writeSampleCollection(settings::programDirectory() + "/OTHER.DBF", 1);
    {
        dbase::Table other;
        other.setFileName(masterPath.toStdString());
        other.open();
        other.append();
        other.setString(0, "From elsewhere");
        other.post();
    }
    nav->button(B::Refresh)->click();
    EXPECT_EQ(shownCount(), 6);
}

TEST_F(ViewerTest, MovingToAnotherRowPostsAPendingEdit) {
    using B = app::RecordNavigator;
    setEditing(true);
    mw::MyNavigator(main)->button(B::First)->click();
    mw::MyNavigator(main)->button(B::Edit)->click();
    ASSERT_TRUE(model()->setData(model()->index(0, 0), "Kept"));
    mw::ViewerGrid(main)->setCurrentIndex(model()->index(3, 0));
    EXPECT_EQ(main->collection().table().state(), dbase::TableState::Browse);
    EXPECT_EQ(testsupport::titlesOf(masterPath).first(), "Kept");
}

TEST_F(ViewerTest, GridAndCountStayRightAfterTheTableIsReopened) {
    mw::ViewerGrid(main)->setCurrentIndex(model()->index(2, 0));
    main->collection().table().close();
    EXPECT_EQ(model()->rowCount(), 0);
    {
        dbase::Table other;
        other.setFileName(masterPath.toStdString());
        other.open();
        other.append();
        other.setString(0, "While closed");
        other.post();
    }
    main->collection().table().open();
    main->SetViewerOptions();
    main->DisplayCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(model()->rowCount(), 6);
    EXPECT_EQ(shownCount(), 6);
    EXPECT_EQ(model()->index(5, 0).data().toString(), "While closed");
}

TEST_F(ViewerTest, CtrlDeleteInAnEditableGridAsksBeforeDeleting) {
    QTest::keyClick(mw::ViewerGrid(main), Qt::Key_Delete,
                    Qt::ControlModifier);  // read-only grid: nothing
    EXPECT_EQ(shownCount(), 5);
    setEditing(true);
    mw::ViewerGrid(main)->setCurrentIndex(model()->index(2, 0));
    {
        testsupport::ScriptedPrompter p;
        p.expectQuestion("Confirm", "Delete record?", false);
        p.expectQuestion("Confirm", "Delete record?", true);
        QTest::keyClick(mw::ViewerGrid(main), Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(shownCount(), 5);
        QTest::keyClick(mw::ViewerGrid(main), Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_EQ(shownCount(), 4);
    EXPECT_FALSE(testsupport::titlesOf(masterPath).contains("Book 2"));
}

// The cells are painted in the cell colour, whether or not they can be
// edited in place.
TEST_F(ViewerTest, CellsArePaintedInTheCellColour) {
    auto& s = settings::settings();
    s.gridCellColor = 0x00FFFF;  // yellow (blue, green, red from the high byte down)
    for (bool editing : {true, false}) {
        setEditing(editing);
        mw::ViewerGrid(main)->setCurrentIndex(model()->index(0, 0));
        QCoreApplication::processEvents();
        const QImage shot = mw::ViewerGrid(main)->viewport()->grab().toImage();
        const QRect cell = mw::ViewerGrid(main)->visualRect(model()->index(2, 1));
        ASSERT_TRUE(cell.isValid());
        EXPECT_EQ(shot.pixelColor(cell.right() - 2, cell.center().y()), QColor(255, 255, 0))
            << "editing " << editing;
    }
}

// White is 16777215 in the settings file, the largest colour there is:
// read back it is white, not a missing or default colour.
class WhiteCellsTest : public ViewerTest {
  protected:
    QByteArray settingsText() const override {
        return "[Sort Order]\nPrimary Sort=0\n[Grid Options]\nCell Color=16777215\n";
    }
};

TEST_F(WhiteCellsTest, WhiteFromTheSettingsFileIsTheCellColour) {
    EXPECT_EQ(settings::settings().gridCellColor, 16777215);
    EXPECT_EQ(mw::ViewerGrid(main)->palette().color(QPalette::Base), QColor(Qt::white));
    for (bool editing : {true, false}) {
        setEditing(editing);
        mw::ViewerGrid(main)->setCurrentIndex(model()->index(0, 0));
        QCoreApplication::processEvents();
        const QImage shot = mw::ViewerGrid(main)->viewport()->grab().toImage();
        const QRect cell = mw::ViewerGrid(main)->visualRect(model()->index(2, 1));
        ASSERT_TRUE(cell.isValid());
        EXPECT_EQ(shot.pixelColor(cell.right() - 2, cell.center().y()), QColor(Qt::white))
            << "editing " << editing;
    }
}

class SortedViewerTest : public ViewerTest {
  protected:
    QByteArray settingsText() const override { return "[Sort Order]\nPrimary Sort=1\n"; }
};

// Editing the sorted field moves the record to its new place; the current
// row goes with it, the grid keeps the focus, and a following delete
// removes the edited book, not the one now on its old row.
TEST_F(SortedViewerTest, TheCurrentRowFollowsARecordEditedIntoAnotherPlace) {
    setEditing(true);
    main->activateWindow();
    mw::ViewerGrid(main)->setFocus();
    const QModelIndex title = model()->index(1, 0);  // "Book 1"
    mw::ViewerGrid(main)->setCurrentIndex(title);
    mw::ViewerGrid(main)->edit(title);
    auto* editor = qobject_cast<QLineEdit*>(mw::ViewerGrid(main)->indexWidget(title));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Z Book");
    QTest::keyClick(editor, Qt::Key_Return);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(model()->index(4, 0).data().toString(), "Z Book");
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 4);
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().column(), 0);
    EXPECT_EQ(model()->indicatorRow(), 4);
    EXPECT_EQ(main->collection().table().position(), 4u);
    EXPECT_TRUE(mw::ViewerGrid(main)->hasFocus());
    {
        testsupport::ScriptedPrompter p;
        p.expectQuestion("Confirm", "Delete record?", true);
        QTest::keyClick(mw::ViewerGrid(main), Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_EQ(testsupport::titlesOf(masterPath),
              (QStringList{"Book 0", "Book 2", "Book 3", "Book 4"}));
}

// The grid keeps the user's place: Ctrl+End and Ctrl+Home change the row
// only, and a change of date format (which reloads every row) leaves the
// current cell and the horizontal scroll where they were.
TEST_F(ViewerTest, CtrlEndAndCtrlHomeKeepTheColumn) {
    auto* grid = mw::ViewerGrid(main);
    grid->setFocus();
    const int column = header()->logicalIndex(3);
    grid->setCurrentIndex(model()->index(1, column));
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex().row(), 4);
    EXPECT_EQ(grid->currentIndex().column(), column);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->currentIndex().column(), column);
    // Without Ctrl, End and Home still go along the row.
    QTest::keyClick(grid, Qt::Key_End);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_NE(grid->currentIndex().column(), column);
}

TEST_F(ViewerTest, ChangingTheDateFormatKeepsTheCurrentCellAndTheScroll) {
    auto* grid = mw::ViewerGrid(main);
    const int column = header()->logicalIndex(12);
    grid->setCurrentIndex(model()->index(2, column));
    grid->scrollTo(grid->currentIndex());
    QCoreApplication::processEvents();
    const int scrolled = grid->horizontalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    main->DateFormatClick(settings::settings().formats.dateFormat() == 3 ? 4 : 3);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(grid->currentIndex().column(), column);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), scrolled);
}

// A record inserted from the navigator is shown whole, above the horizontal
// scroll bar, however many rows the grid already shows.
TEST_F(ViewerTest, ARecordInsertedFromTheNavigatorIsWhollyInView) {
    setEditing(true);
    auto* grid = mw::ViewerGrid(main);
    for (int rows = 0; rows < 40; ++rows) {
        mw::MyNavigator(main)->button(app::RecordNavigator::Insert)->click();
        QCoreApplication::processEvents();
        const QRect cell = grid->visualRect(grid->currentIndex());
        SCOPED_TRACE(testing::Message() << "row " << grid->currentIndex().row());
        ASSERT_TRUE(cell.isValid());
        EXPECT_TRUE(grid->viewport()->rect().contains(cell))
            << "cell " << cell.top() << ".." << cell.bottom() << " viewport height "
            << grid->viewport()->height();
        mw::MyNavigator(main)->button(app::RecordNavigator::Cancel)->click();
        QCoreApplication::processEvents();
        mw::MyNavigator(main)->button(app::RecordNavigator::Insert)->click();
        ASSERT_TRUE(model()->setData(model()->index(grid->currentIndex().row(), 0), "More"));
        mw::MyNavigator(main)->button(app::RecordNavigator::Post)->click();
        QCoreApplication::processEvents();
        if (::testing::Test::HasFailure())
            break;
    }
}
