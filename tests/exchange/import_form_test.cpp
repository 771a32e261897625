// The import windows driven as a user would: the format form, the mapping
// grid, the count, and what lands in the collection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/collection.h"
#include "data/fast_append.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/transfer.h"
#include "exchange/ui/exchange_commands.h"
#include "exchange/ui/timportformat.h"
#include "exchange/ui/tmyimport.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using exchangeui::TImportFormat;
using exchangeui::TMyImport;

namespace {

using testsupport::ScriptedPrompter;

class ImportForms : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.filePath(QStringLiteral("MASTER.DBF"));
        books::createCollection(path);
        link.collection().openWithSortTag(path);
    }
    void TearDown() override { testsupport::stopModalCatchers(); }

    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("in.txt")) {
        const QString file = dir.filePath(name);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return file;
    }
    std::vector<std::string> column(const char* name) {
        dbase::Table t;
        t.setFileName(path.toStdString());
        t.setReadOnly(true);
        t.open();
        std::vector<std::string> out;
        const int i = t.fieldIndex(name);
        for (t.first(); !t.eof() && !t.isEmpty(); t.next())
            out.push_back(t.asString(i));
        return out;
    }
    static QString cell(QTableWidget* g, int row, int column) {
        const auto* item = g->item(row, column);
        return item ? item->text() : QString();
    }
    static void doubleClick(QTableWidget* g, int row, int column) {
        const QRect r = g->visualItemRect(g->item(row, column));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }

    QTemporaryDir dir;
    QString path;
    testsupport::FakeMainLink link;
    ScriptedPrompter prompter;
};

TEST_F(ImportForms, FormatFormOpensTheMappingFormAndTheBooksAreAdded) {
    const QString file = writeFile(
        "\"Title\",\"Writer\"\r\n\"One\",\"A\"\r\n\"Two\",\"B\"\r\n\r\n\"Three\",\"C\"\r\n");
    TImportFormat format(link, link.dialogParent());
    format.show();
    EXPECT_EQ(format.windowTitle(), QStringLiteral("Import Format"));
    EXPECT_TRUE(format.findChild<QRadioButton*>(QStringLiteral("AsciiDelimited"))->isChecked());
    prompter.expectOpenFile(file, QStringLiteral("Import Data"));
    prompter.expectNotice(QStringLiteral("Import Complete."), QStringLiteral("Ok"));
    QString seen;
    QString count;
    testsupport::closeNextModal(&seen, [&](QWidget* w) {
        auto* grid = w->findChild<QTableWidget*>(QStringLiteral("ImportGrid"));
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Ascii Delimited Text Import"));
        EXPECT_EQ(cell(grid, 0, 0), QStringLiteral("Title"));
        EXPECT_EQ(cell(grid, 1, 1), QStringLiteral("Writer"));
        EXPECT_EQ(cell(grid, 2, 1), QStringLiteral("<EMPTY>"));
        EXPECT_EQ(cell(grid, 1, 2), QStringLiteral("Yes"));
        EXPECT_EQ(cell(grid, 2, 2), QString());
        w->findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
        count = w->findChild<QLabel*>(QStringLiteral("ImportCount"))->text();
    });
    format.findChild<QPushButton*>(QStringLiteral("FileButton"))->click();
    EXPECT_EQ(seen, QStringLiteral("MyImport"));
    EXPECT_EQ(count, QStringLiteral("3"));
    EXPECT_EQ(format.result(), QDialog::Accepted);
    EXPECT_EQ(column("Title"), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(column("Author"), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_GE(link.refreshed, 1);
    EXPECT_EQ(link.settings().importFileType, 1);
}

TEST_F(ImportForms, AFileThatIsNotDelimitedTextIsRefusedWithItsReason) {
    const QString file = writeFile("\"Title\",\"unmatched\r\n");
    TImportFormat format(link, link.dialogParent());
    format.show();
    prompter.expectOpenFile(file);
    prompter.expectError(exchange::firstLineMessage(2));
    format.findChild<QPushButton*>(QStringLiteral("FileButton"))->click();
    EXPECT_TRUE(format.isVisible());
}

TEST_F(ImportForms, DBaseSourceNeedsTheExtension) {
    link.settings().importFileType = 2;
    TImportFormat format(link, link.dialogParent());
    format.show();
    EXPECT_TRUE(format.findChild<QRadioButton*>(QStringLiteral("DBFFormat"))->isChecked());
    prompter.expectOpenFile(writeFile("x"), QStringLiteral("Import Data"));
    prompter.expectError(QStringLiteral("Invalid file type selected."));
    format.findChild<QPushButton*>(QStringLiteral("FileButton"))->click();
    format.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(link.settings().importFileType, 2);
}

TEST_F(ImportForms, MappingGridMovesSourceFieldsAndToggles) {
    const QString file = writeFile("\"Name\",\"Year\",\"Notes\"\r\n\"Dune\",\"1965\",\"x\"\r\n");
    TMyImport form(link, TMyImport::Source::Text, file, {"Name", "Year", "Notes"},
                   link.dialogParent());
    form.show();
    auto* grid = form.findChild<QTableWidget*>(QStringLiteral("ImportGrid"));
    ASSERT_EQ(grid->rowCount(), 36);
    // Year to the row of Year Pub (row 2): Down on row 1.
    grid->setCurrentCell(1, 1);
    form.findChild<QPushButton*>(QStringLiteral("DownButton"))->click();
    EXPECT_EQ(cell(grid, 2, 1), QStringLiteral("Year"));
    EXPECT_EQ(cell(grid, 1, 1), QStringLiteral("Notes"));
    EXPECT_EQ(cell(grid, 2, 0), QStringLiteral("Year Pub"));  // the book fields never move
    doubleClick(grid, 1, 2);                                  // Notes not used
    EXPECT_EQ(cell(grid, 1, 2), QStringLiteral("No"));
    doubleClick(grid, 5, 2);  // an empty cell stays empty
    EXPECT_EQ(cell(grid, 5, 2), QString());

    prompter.expectNotice(QStringLiteral("Import Complete."), QStringLiteral("Ok"));
    form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    EXPECT_EQ(form.count(), 1u);
    EXPECT_EQ(column("Title"), std::vector<std::string>{"Dune"});
    EXPECT_EQ(column("YearPub"), std::vector<std::string>{"1965"});
    EXPECT_EQ(column("Author"), std::vector<std::string>{""});
}

TEST_F(ImportForms, SkipFirstIsRememberedAndTheLastRowIsABookRow) {
    const QString file = writeFile("\"T\",\"A\"\r\n\"One\",\"X\"\r\n");
    {
        TMyImport form(link, TMyImport::Source::Text, file, {"T", "A"}, link.dialogParent());
        form.show();
        auto* skip = form.findChild<QCheckBox*>(QStringLiteral("SkipFirst"));
        EXPECT_TRUE(skip->isChecked());
        skip->click();
        EXPECT_FALSE(link.settings().importSkipFirst);
        skip->click();
        auto* grid = form.findChild<QTableWidget*>(QStringLiteral("ImportGrid"));
        grid->setCurrentCell(1, 1);
        for (int i = 0; i < 40; ++i)
            form.findChild<QPushButton*>(QStringLiteral("DownButton"))->click();
        EXPECT_EQ(cell(grid, 35, 1), QStringLiteral("A"));  // the last row
        prompter.expectNotice(QStringLiteral("Import Complete."), QStringLiteral("Ok"));
        form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    }
    EXPECT_TRUE(link.settings().importSkipFirst);
    EXPECT_EQ(column("Title"), std::vector<std::string>{"One"});
    // Row 36 (User Defined 6) is a book row: it takes A.
    EXPECT_EQ(column("UserDef6"), std::vector<std::string>{"X"});
}

// Moves the file's second field down to Purchase Date (row 11).
void moveSecondFieldToPurchaseDate(QWidget& form) {
    form.findChild<QTableWidget*>(QStringLiteral("ImportGrid"))->setCurrentCell(1, 1);
    for (int i = 0; i < 10; ++i)
        form.findChild<QPushButton*>(QStringLiteral("DownButton"))->click();
}

TEST_F(ImportForms, ABadDateStopsTheImportWithTheBooksBeforeItKept) {
    link.settings().importSkipFirst = false;
    const QString file =
        writeFile("\"One\",\"1/2/96\"\r\n\"Bad\",\"2/30/96\"\r\n\"Three\",\"\"\r\n");
    TMyImport form(link, TMyImport::Source::Text, file, {"One", "1/2/96"}, link.dialogParent());
    form.show();
    moveSecondFieldToPurchaseDate(form);
    prompter.expectError(
        QStringLiteral("The import stopped at line 2 of the file, which was not added: field "
                       "\"Purchase Date\": \"2/30/96\" is not a valid date.\nThe 1 records "
                       "before it were added."));
    form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    EXPECT_EQ(column("Title"), std::vector<std::string>{"One"});
    EXPECT_EQ(column("PurchDate"), std::vector<std::string>{"19960102"});
    EXPECT_EQ(link.collection().table().state(), dbase::TableState::Browse);
    EXPECT_FALSE(form.isVisible());  // books were added: it closes as a finished import
}

// A source that cannot be read adds nothing; the window stays open so that
// the user can pick another file.
TEST_F(ImportForms, AnUnreadableSourceLeavesTheWindowOpen) {
    link.settings().importSkipFirst = false;
    const QString file = writeFile("\"One\",\"1/2/96\"\r\n");
    TMyImport form(link, TMyImport::Source::Text, file, {"One", "1/2/96"}, link.dialogParent());
    form.show();
    ASSERT_TRUE(QFile::remove(file));
    prompter.expectError(
        QStringLiteral("The file could not be opened: No such file or directory\n") + file);
    form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(column("Title").empty());
}

// The window reads dates in the formats of the main window it is opened
// for and names the field by that window's captions.
TEST_F(ImportForms, ReadsInTheFormatsAndCaptionsOfItsMainWindow) {
    settings::Settings& s = link.settings();
    s.importSkipFirst = false;
    ASSERT_TRUE(s.formats.setDateFormat(5));  // d-m-y
    s.fieldNames[12] = QStringLiteral("Bought");
    const QString file = writeFile("\"One\",\"14-3-96\"\r\n\"Bad\",\"30-2-96\"\r\n");
    TMyImport form(link, TMyImport::Source::Text, file, {"One", "14-3-96"}, link.dialogParent());
    form.show();
    moveSecondFieldToPurchaseDate(form);
    prompter.expectError(
        QStringLiteral("The import stopped at line 2 of the file, which was not added: field "
                       "\"Bought\": \"30-2-96\" is not a valid date.\nThe 1 records "
                       "before it were added."));
    form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    EXPECT_EQ(column("PurchDate"), std::vector<std::string>{"19960314"});
}

TEST_F(ImportForms, DBaseSourceThroughTheCommand) {
    const QString src = dir.filePath(QStringLiteral("SRC.DBF"));
    books::createCollection(src);
    {
        dbase::Table t;
        t.setFileName(src.toStdString());
        t.open();
        t.append();
        t.setString(0, "From dBase");
        t.post();
    }
    link.settings().importFileType = 2;
    exchangeui::registerHandlers(link);
    const ui::CommandHandler* import = link.handlers.find(ui::Command::Import);
    ASSERT_NE(import, nullptr);
    ASSERT_NE(link.handlers.find(ui::Command::Export), nullptr);

    prompter.expectOpenFile(src);
    prompter.expectNotice(QStringLiteral("Import Complete."), QStringLiteral("Ok"));
    QString title;
    // The format form is the first modal; its file button opens the second.
    testsupport::closeNextModal(nullptr, [&](QWidget* w) {
        testsupport::closeNextModal(nullptr, [&](QWidget* m) {
            title = m->windowTitle();
            EXPECT_FALSE(m->findChild<QCheckBox*>(QStringLiteral("SkipFirst"))->isVisible());
            m->findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
        });
        w->findChild<QPushButton*>(QStringLiteral("FileButton"))->click();
    });
    (*import)(link, 0);
    EXPECT_EQ(title, QStringLiteral("DBase File Import"));
    EXPECT_EQ(column("Title"), std::vector<std::string>{"From dBase"});
}

}  // namespace

namespace {

class FastAppend : public ImportForms {
  protected:
    void addTitles(dbase::Table& t, std::initializer_list<const char*> titles) {
        for (const char* title : titles) {
            t.append();
            t.setString(t.fieldIndex("Title"), title);
            t.setString(t.fieldIndex("Author"), title);
            t.post();
        }
    }
    std::vector<std::string> titlesInOrder() {
        dbase::Table& t = link.collection().table();
        std::vector<std::string> out;
        for (t.first(); !t.eof() && !t.isEmpty(); t.next())
            out.push_back(t.asString(t.fieldIndex("Title")));
        return out;
    }
};

TEST_F(FastAppend, ManyBooksTakeTheTagOffAndTheCollectionIsSortedAndSharedAfterwards) {
    books::OpenCollection& c = link.collection();
    c.setSortLevels({2, 0, 0, 0});
    c.openWithSortTag(path);
    books::appendToCollection(c, 1000, [&](dbase::Table& t) {
        EXPECT_EQ(t.mode(), dbase::OpenMode::Exclusive);
        EXPECT_TRUE(t.indexTags().empty());
        addTitles(t, {"C", "A", "B"});
    });
    EXPECT_EQ(c.table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(QString::fromStdString(c.table().indexTag()).toUpper(), QStringLiteral("NEWINDEX"));
    EXPECT_EQ(titlesInOrder(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(FastAppend, AFewBooksKeepTheTagAndAnotherHolderMeansSharedUse) {
    books::OpenCollection& c = link.collection();
    c.setSortLevels({2, 0, 0, 0});
    c.openWithSortTag(path);
    books::appendToCollection(c, 1000, [&](dbase::Table& t) { addTitles(t, {"M", "N", "O"}); });
    books::appendToCollection(c, 0, [&](dbase::Table& t) {
        EXPECT_EQ(t.indexTags().size(), 1u);
        addTitles(t, {"Z"});
    });
    dbase::Table other;
    other.setFileName(path.toStdString());
    other.open();
    books::appendToCollection(c, 1000, [&](dbase::Table& t) {
        EXPECT_EQ(t.mode(), dbase::OpenMode::Shared);
        addTitles(t, {"A"});
    });
    EXPECT_EQ(titlesInOrder(), (std::vector<std::string>{"A", "M", "N", "O", "Z"}));
}

TEST_F(FastAppend, AFailureStillPutsTheTagBackAndOpensShared) {
    books::OpenCollection& c = link.collection();
    c.setSortLevels({2, 0, 0, 0});
    c.openWithSortTag(path);
    EXPECT_THROW(books::appendToCollection(c, 1000,
                                           [&](dbase::Table& t) {
                                               addTitles(t, {"B", "A"});
                                               throw dbase::Error(dbase::Error::Kind::Io,
                                                                  "disk gone");
                                           }),
                 dbase::Error);
    EXPECT_EQ(c.table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(QString::fromStdString(c.table().indexTag()).toUpper(), QStringLiteral("NEWINDEX"));
    EXPECT_EQ(titlesInOrder(), (std::vector<std::string>{"A", "B"}));
}

// The tag written from the keys gathered while importing holds exactly the
// books added, also when the import stops at a bad line.
TEST_F(FastAppend, AnImportStoppedPartWayLeavesTheTagHoldingTheBooksAdded) {
    const settings::Settings defaults;  // date format 1
    books::OpenCollection& c = link.collection();
    c.setSortLevels({2, 0, 0, 0});
    c.openWithSortTag(path);
    addTitles(c.table(), {"M"});
    const QString file = writeFile(
        "\"C\",\"C\",\"1/2/1990\"\r\n\"A\",\"A\",\"\"\r\n\"Z\",\"Z\",\"\"\r\n"
        "\"B\",\"B\",\"2/30/1990\"\r\n\"D\",\"D\",\"\"\r\n");
    exchange::ImportResult result;
    books::appendToCollection(c, 1000, [&](dbase::Table& t) {
        result = exchange::importDelimited(t, file, {1, 2, 12}, false, defaults);
    });
    EXPECT_EQ(result.added, 3u);
    EXPECT_FALSE(result.stopped.isEmpty());
    EXPECT_EQ(titlesInOrder(), (std::vector<std::string>{"A", "C", "M", "Z"}));
    // The same tag as one built from the records.
    dbase::Table& t = c.table();
    t.close();
    const std::vector<std::string> tags = t.indexTags();
    ASSERT_EQ(tags.size(), 1u);
    QFile mdx(QString::fromStdString(t.indexFileName()));
    ASSERT_TRUE(mdx.open(QIODevice::ReadOnly));
    const QByteArray gathered = mdx.readAll();
    mdx.close();
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.regenerateIndexes();
    t.close();
    ASSERT_TRUE(mdx.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mdx.readAll() == gathered);
}

}  // namespace

namespace {

TEST_F(ImportForms, CountIsShownWithThousandsSeparated) {
    QByteArray text;
    for (int i = 0; i < 1234; ++i)
        text += "\"Book " + QByteArray::number(i) + "\"\r\n";
    const QString file = writeFile(text);
    link.settings().importSkipFirst = false;
    TMyImport form(link, TMyImport::Source::Text, file, {"Book 0"}, link.dialogParent());
    form.show();
    prompter.expectNotice(QStringLiteral("Import Complete."), QStringLiteral("Ok"));
    form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ImportCount"))->text(),
              QStringLiteral("1,234"));
    EXPECT_EQ(link.collection().count(), 1234u);
}

TEST_F(ImportForms, HelpOpensAtTheImportPage) {
    TMyImport form(link, TMyImport::Source::Text, writeFile("\"A\"\r\n"), {"A"},
                   link.dialogParent());
    form.show();
    form.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    ui::HelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* h = qobject_cast<ui::HelpWindow*>(w))
            help = h;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().endsWith(QStringLiteral("import.html")))
        << help->currentPage().toStdString();
    help->close();
}

}  // namespace
