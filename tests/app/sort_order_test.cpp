// The "Sort Order" dialog and the sort tag it builds, with real files.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/tmysortorder.h"
#include "data/sort_expression.h"
#include "tests/app/files_fixture.h"
#include "ui/window_colors.h"

namespace {

const QString kInUse =
    "Creating a new sort order requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is not in "
    "use by another program  or that no other users are running the software or that no other "
    "copies of the "
    "software are in use.";
const QString kFailed = "Error in implementing sort order.  New sort order not implemented.";

TEST(SortExpressionTest, TermsByFieldKind) {
    using L = books::SortLevels;
    const std::pair<L, const char*> cases[] = {
        {{2, 0, 0, 0}, "Upper(Left(Author,20))"},
        {{2, 3, 12, 0}, "Upper(Left(Author,20))+STR(YearPub,8,0)+DTOS(PurchDate)"},
        {{7, 0, 0, 24}, "STR(Cost,12,2)+STR(Pages,8,0)"},
        {{0, 0, 0, 0}, ""},
        {{37, -1, 0, 1}, "Upper(Left(Title,20))"},
        {{1, 1, 0, 0}, "Upper(Left(Title,20))+Upper(Left(Title,20))"},
    };
    for (const auto& [levels, expected] : cases)
        EXPECT_EQ(books::buildSortString(levels), expected);
}

class SortOrderTest : public FilesFixture {
  protected:
    void choose(app::TMySortOrder& d, std::array<int, 4> levels) {
        d.ComboBox1->setCurrentIndex(levels[0]);
        d.ComboBox2->setCurrentIndex(levels[1]);
        d.ComboBox3->setCurrentIndex(levels[2]);
        d.ComboBox4->setCurrentIndex(levels[3]);
    }
    static std::array<int, 4> storedLevels() {
        settings::Settings s;
        s.load(settings::settingsFile());
        return s.sortOrder;
    }
};

TEST_F(SortOrderTest, DialogListsNoneAndTheFieldCaptionsAndShowsTheLevels) {
    settings::settings().fieldNames[3] = "Year of print";
    settings::settings().sortOrder = {2, 0, 3, 36};
    app::TMySortOrder d(*main, main);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Sort Order");
    EXPECT_EQ(d.LabelSort1->text(), "Primary Sort");
    EXPECT_EQ(d.LabelSort4->text(), "Fourth Level Sort");
    EXPECT_EQ(d.OkButton->text(), "&Ok");
    EXPECT_EQ(d.CancelButton->text(), "&Cancel");
    for (QComboBox* box : {d.ComboBox1, d.ComboBox2, d.ComboBox3, d.ComboBox4}) {
        ASSERT_EQ(box->count(), 37);
        EXPECT_FALSE(box->isEditable());
        EXPECT_EQ(box->itemText(0), "<NONE>");
        EXPECT_EQ(box->itemText(1), "Title");
        EXPECT_EQ(box->itemText(3), "Year of print");
    }
    EXPECT_EQ(d.ComboBox1->currentIndex(), 2);
    EXPECT_EQ(d.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(d.ComboBox3->currentIndex(), 3);
    EXPECT_EQ(d.ComboBox4->currentIndex(), 36);
    EXPECT_NE(d.findChild<QLabel*>("LabelSort2"), nullptr);
}

TEST_F(SortOrderTest, DialogTakesTheConfigureWindowColours) {
    auto& colors = settings::settings().colorSet(settings::ConfigureWindow);
    colors[settings::MainBackground] = 0x112233;
    colors[settings::MinorTitle] = 0x445566;
    app::TMySortOrder d(*main, main);
    d.show();
    EXPECT_EQ(d.palette().color(QPalette::Window), ui::toQColor(0x112233));
    EXPECT_EQ(d.LabelSort3->palette().color(QPalette::WindowText), ui::toQColor(0x445566));
    EXPECT_EQ(d.LabelSort3->palette().color(QPalette::Window), ui::toQColor(0x112233));
}

TEST_F(SortOrderTest, OkBuildsTheTagAndSavesTheLevels) {
    {
        dbase::Table& t = main->collection().table();
        ASSERT_TRUE(t.gotoRecNo(1));  // "c"
        t.edit();
        t.setString(t.fieldIndex("YearPub"), "1990");
        t.post();
    }
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {3, 1, 0, 0});  // YearPub, then Title
    d.OkButtonClick();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(main->sortExpression(), "STR(YearPub,8,0)+Upper(Left(Title,20))");
    EXPECT_EQ((storedLevels()), (std::array<int, 4>{3, 1, 0, 0}));
    ASSERT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));  // blank years first
    if (const auto keys =
            keysByOtherReader(QString::fromStdString(main->collection().table().indexFileName()))) {
        ASSERT_EQ(keys->size(), 3);
        EXPECT_TRUE(keys->at(2).endsWith("1990C")) << keys->at(2).toStdString();
    }
}

// Browse mode keeps the grid read-only without touching "Field Editing": a
// sort order accepted meanwhile writes the user's own value to the file.
TEST_F(SortOrderTest, AcceptedInBrowseModeTheFileKeepsTheUsersFieldEditing) {
    auto& rs = books::runState();
    rs.browseMode = true;
    settings::settings().gridFieldEditing = true;
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {1, 0, 0, 0});
    d.OkButtonClick();
    rs.browseMode = false;
    EXPECT_EQ(d.result(), QDialog::Accepted);
    settings::Settings stored;
    stored.load(settings::settingsFile());
    EXPECT_TRUE(stored.gridFieldEditing);
}

TEST_F(SortOrderTest, NoneEverywhereLeavesRecordOrderAndNoTagAtTheNextStart) {
    const QString mdx = QString::fromStdString(main->collection().table().indexFileName());
    ASSERT_TRUE(QFileInfo::exists(mdx));
    {
        app::TMySortOrder d(*main, main);
        d.show();
        choose(d, {0, 0, 0, 0});
        d.OkButtonClick();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(main->sortExpression().isEmpty());
    EXPECT_TRUE(main->collection().table().indexTag().empty());
    EXPECT_EQ(shownTitles(), (QStringList{"c", "a", "b"}));
    // Only the selection goes: the index file, its tag and the table's flag
    // stay for other programs that read the collection.
    EXPECT_TRUE(QFileInfo::exists(mdx));
    EXPECT_EQ(filestest::headerByte(master, 28), 1);
    EXPECT_EQ(main->collection().table().indexTags(), (std::vector<std::string>{"NEWINDEX"}));
    // With no tag selected, rebuilding the indexes has nothing to do and succeeds.
    prompter.expectQuestion(
        "Confirm",
        "It is possible for your index files to become corrupted.  As a result, some items may "
        "not show up in the viewer or in reports.  This will rebuild your index files "
        "correctly.  Continue?",
        true);
    main->MenuRebuildClick();
    EXPECT_TRUE(main->collection().table().isOpen());
    restartProgram();
    EXPECT_TRUE(main->sortExpression().isEmpty());
    EXPECT_TRUE(main->collection().table().indexTag().empty());
    EXPECT_EQ(shownTitles(), (QStringList{"c", "a", "b"}));
}

TEST_F(SortOrderTest, SameFieldOnTwoLevelsIsAccepted) {
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {1, 0, 1, 0});
    d.OkButtonClick();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(main->sortExpression(), "Upper(Left(Title,20))+Upper(Left(Title,20))");
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

TEST_F(SortOrderTest, CancelChangesNothing) {
    const auto before = storedLevels();
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {1, 2, 3, 4});
    d.CancelButtonClick();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(settings::settings().sortOrder, (std::array<int, 4>{2, 0, 0, 0}));
    EXPECT_EQ(main->sortExpression(), "Upper(Left(Author,20))");
    EXPECT_EQ(storedLevels(), before);
}

TEST_F(SortOrderTest, AnotherProcessHoldingTheFileRefusesTheChange) {
    filestest::Holder other(master, "shared");
    ASSERT_TRUE(other.ready());
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {1, 0, 0, 0});
    prompter.expectError(kInUse);
    d.OkButtonClick();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings::settings().sortOrder, (std::array<int, 4>{2, 0, 0, 0}));
    EXPECT_EQ(main->sortExpression(), "Upper(Left(Author,20))");
    ASSERT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

TEST_F(SortOrderTest, FailureInsideTheChangePutsTheLevelsBack) {
    // The settings file cannot be written: a folder stands in its place.
    QFile::remove(settings::settingsFile());
    ASSERT_TRUE(QDir().mkpath(settings::settingsFile()));
    app::TMySortOrder d(*main, main);
    d.show();
    choose(d, {0, 0, 0, 0});  // record order: c, a, b
    // The fixed text, then why: the settings file cannot be written.
    prompter.expectError(kFailed + "\n\nThe settings could not be written to " +
                         settings::settingsFile() + ": Filename refers to a directory");
    d.OkButtonClick();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings::settings().sortOrder, (std::array<int, 4>{2, 0, 0, 0}));
    EXPECT_EQ(main->sortExpression(), "Upper(Left(Author,20))");
    ASSERT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    // The tag the failed change dropped is back: the kept order shows, and
    // the next start, which reuses the tag, finds it too.
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(filestest::titles(master, "NewIndex"), (QStringList{"a", "b", "c"}));
    QDir(settings::settingsFile()).removeRecursively();
}

TEST_F(SortOrderTest, CommandOpensTheDialog) {
    QString seen;
    QTimer timer;
    int tries = 0;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            seen = dialog->objectName();
            dialog->reject();
        }
        if (dialog || ++tries > 200)
            timer.stop();
    });
    timer.start();
    main->DoSortOrder();
    EXPECT_EQ(seen, "MySortOrder");
}

}  // namespace
