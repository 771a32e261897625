// The export window driven as a user would: the grid, the buttons, the save
// dialogs and messages answered through the scripted prompter, and the files
// it writes checked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/collection.h"
#include "dbase/table.h"
#include "exchange/ui/tmyexport.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using exchangeui::TMyExport;

namespace {

using testsupport::ScriptedPrompter;

class ExportForm : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.filePath(QStringLiteral("MASTER.DBF"));
        books::createCollection(path);
        link.collection().setSortLevels({2, 0, 0, 0});  // by Author
        link.collection().openWithSortTag(path);
        dbase::Table& t = link.collection().table();
        for (const char* title : {"Gamma", "Alpha", "Beta"}) {
            t.append();
            t.setString(t.fieldIndex("Title"), title);
            t.setString(t.fieldIndex("Author"), std::string("By ") + title);
            t.setString(t.fieldIndex("YearPub"), "1995");
            t.post();
        }
        form = std::make_unique<TMyExport>(link, link.dialogParent());
        form->show();
    }
    void TearDown() override { form.reset(); }

    template <typename W>
    W* child(const char* name) {
        W* w = form->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTableWidget* grid() { return child<QTableWidget>("ExportGrid"); }
    QString cell(int row, int column) {
        const auto* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    void doubleClick(int row, int column) {
        QTableWidget* g = grid();
        const QRect r = g->visualItemRect(g->item(row, column));
        // The press and release of the first click, then the second
        // click, which the toolkit delivers as the double click.
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    // Only Title (row 0) and Year Pub (row 2) stay "Yes".
    void keepTitleAndYear() {
        for (int row = 0; row < 36; ++row) {
            if (row != 0 && row != 2)
                doubleClick(row, 1);
        }
    }
    QByteArray read(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QTemporaryDir dir;
    QString path;
    testsupport::FakeMainLink link;
    std::unique_ptr<TMyExport> form;
    ScriptedPrompter prompter;
};

TEST_F(ExportForm, GridShowsTheFieldsInTheirPositionsAndDoubleClickToggles) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Export"));
    EXPECT_EQ(grid()->horizontalHeaderItem(0)->text(), QStringLiteral("FIELD"));
    EXPECT_EQ(grid()->horizontalHeaderItem(1)->text(), QStringLiteral("EXPORT IT"));
    ASSERT_EQ(grid()->rowCount(), 36);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Title"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("Year Pub"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("Yes"));
    doubleClick(2, 1);
    EXPECT_EQ(cell(2, 1), QStringLiteral("No"));
    doubleClick(2, 1);
    EXPECT_EQ(cell(2, 1), QStringLiteral("Yes"));
    doubleClick(2, 0);  // the name column does not toggle
    EXPECT_EQ(cell(2, 0), QStringLiteral("Year Pub"));
}

TEST_F(ExportForm, UpMakesAFieldTheFirstColumnOfTheTextFile) {
    keepTitleAndYear();
    grid()->setCurrentCell(2, 0);
    click("UpButton");
    click("UpButton");
    click("UpButton");  // already at the top: nothing moves
    EXPECT_EQ(cell(0, 0), QStringLiteral("Year Pub"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("Title"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("Author"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("No"));

    const QString out = dir.filePath(QStringLiteral("out.TXT"));
    prompter.expectSaveFile(out, QStringLiteral("Export Data"));
    prompter.expectNotice(QStringLiteral("Export Complete."), QStringLiteral("Ok"));
    click("StartExportButton");
    EXPECT_EQ(form->result(), QDialog::Accepted);
    // In the collection's sort order (Author).
    EXPECT_EQ(
        read(out),
        "\"Year "
        "Pub\",\"Title\"\r\n\"1995\",\"Alpha\"\r\n\"1995\",\"Beta\"\r\n\"1995\",\"Gamma\"\r\n");
    // The order and the choice are kept in the settings.
    const settings::Settings& s = link.settings();
    EXPECT_EQ(s.exportOrder[3], 1);
    EXPECT_EQ(s.exportOrder[1], 2);
    EXPECT_FALSE(s.exportFields[2]);
    EXPECT_EQ(s.exportFileType, 1);
}

// The window shows, writes and keeps the settings of the main window it is
// opened for: its captions, its date format, its choice of fields.
TEST_F(ExportForm, WritesInTheCaptionsAndFormatsOfItsMainWindow) {
    form.reset();
    settings::Settings& s = link.settings();
    s.fieldNames[1] = QStringLiteral("Name");
    ASSERT_TRUE(s.formats.setDateFormat(12));  // d.m.yyyy
    for (int k = 1; k <= 36; ++k)
        s.exportFields[k] = k == 1 || k == 12;
    dbase::Table& t = link.collection().table();
    t.first();  // Alpha, by its author
    t.edit();
    t.setDate(t.fieldIndex("PurchDate"), dbase::Date{1996, 3, 14});
    t.post();
    const settings::Settings program = settings::settings();
    form = std::make_unique<TMyExport>(link, link.dialogParent());
    form->show();
    EXPECT_EQ(cell(0, 0), QStringLiteral("Name"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    prompter.expectSaveFile(out);
    prompter.expectNotice(QStringLiteral("Export Complete."), QStringLiteral("Ok"));
    click("StartExportButton");
    EXPECT_EQ(read(out),
              "\"Name\",\"Purchase Date\"\r\n\"Alpha\",\"14.3.1996\"\r\n\"Beta\",\"\"\r\n"
              "\"Gamma\",\"\"\r\n");
    EXPECT_EQ(settings::settings().exportFields, program.exportFields);
    EXPECT_EQ(settings::settings().exportFileType, program.exportFileType);
}

TEST_F(ExportForm, DownAndDefaults) {
    grid()->setCurrentCell(0, 1);
    click("DownButton");
    EXPECT_EQ(cell(1, 0), QStringLiteral("Title"));
    EXPECT_EQ(grid()->currentRow(), 1);
    doubleClick(4, 1);
    const QString text =
        QStringLiteral("This will set the order of fields to the program defaults.  Continue?");
    prompter.expectQuestion(QStringLiteral("Re-Order"), text, false);
    click("DefaultsButton");
    EXPECT_EQ(cell(1, 0), QStringLiteral("Title"));
    EXPECT_EQ(cell(4, 1), QStringLiteral("No"));
    prompter.expectQuestion(QStringLiteral("Re-Order"), text, true);
    click("DefaultsButton");
    EXPECT_EQ(cell(0, 0), QStringLiteral("Title"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("Author"));
    EXPECT_EQ(cell(4, 1), QStringLiteral("Yes"));
}

TEST_F(ExportForm, NoFieldChosenWritesNothing) {
    for (int row = 0; row < 36; ++row)
        doubleClick(row, 1);
    prompter.expectError(QStringLiteral("No fields selected for export."));
    click("StartExportButton");
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ExportForm, HeaderChoiceAndFileKindAreRemembered) {
    auto* firstRow = child<QCheckBox>("FirstRow");
    EXPECT_TRUE(firstRow->isChecked());
    firstRow->click();
    EXPECT_FALSE(link.settings().exportFirstRow);
    click("DBaseFile");
    EXPECT_FALSE(firstRow->isVisible());
    click("ExitButton");
    EXPECT_EQ(link.settings().exportFileType, 2);

    TMyExport again(link, link.dialogParent());
    again.show();
    EXPECT_TRUE(again.findChild<QRadioButton*>(QStringLiteral("DBaseFile"))->isChecked());
    EXPECT_FALSE(again.findChild<QCheckBox*>(QStringLiteral("FirstRow"))->isVisible());
}

TEST_F(ExportForm, WithoutASearchOnlyTheWholeCollectionCanBeChosen) {
    EXPECT_TRUE(child<QRadioButton>("ExportEntire")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("ExportSearch")->isEnabled());
}

TEST_F(ExportForm, SearchResultOrEveryBookAndTheSearchStaysOn) {
    form.reset();
    link.beginSearch([](const dbase::Table& t) { return t.asString(0) != "Beta"; });
    link.settings().exportFirstRow = false;
    for (const bool entire : {false, true}) {
        TMyExport f(link, link.dialogParent());
        f.show();
        auto* search = f.findChild<QRadioButton*>(QStringLiteral("ExportSearch"));
        EXPECT_TRUE(search->isEnabled());
        EXPECT_TRUE(search->isChecked());
        if (entire)
            f.findChild<QRadioButton*>(QStringLiteral("ExportEntire"))->click();
        const QString out =
            dir.filePath(entire ? QStringLiteral("all.txt") : QStringLiteral("some.txt"));
        prompter.expectSaveFile(out);
        prompter.expectNotice(QStringLiteral("Export Complete."), QStringLiteral("Ok"));
        f.findChild<QPushButton*>(QStringLiteral("StartExportButton"))->click();
        const QByteArray text = read(out);
        EXPECT_EQ(text.count('\n'), entire ? 3 : 2);
        EXPECT_EQ(text.contains("Beta"), entire);
        EXPECT_TRUE(link.searchActive());
        EXPECT_TRUE(link.collection().hasRecordFilter());
    }
}

TEST_F(ExportForm, DBaseExportChecksTheNameAndWritesTheTable) {
    keepTitleAndYear();
    click("DBaseFile");
    prompter.expectSaveFile(dir.filePath(QStringLiteral("out.txt")), QStringLiteral("Export Data"));
    prompter.expectError(QStringLiteral("Invalid file type selected."));
    click("StartExportButton");
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out.txt"))));

    const QString out = dir.filePath(QStringLiteral("out.dbf"));  // lower case is fine
    prompter.expectSaveFile(out);
    prompter.expectNotice(QStringLiteral("Export Complete."), QStringLiteral("Ok"));
    click("StartExportButton");
    dbase::Table t;
    t.setFileName(out.toStdString());
    t.open();
    ASSERT_EQ(t.fieldCount(), 2);
    EXPECT_EQ(t.field(0).name, "TITLE");
    EXPECT_EQ(t.field(1).name, "YEARPUB");
    EXPECT_EQ(t.recordCount(), 3u);
}

TEST_F(ExportForm, AFullDiskIsReportedNotCompleted) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    dbase::Table& t = link.collection().table();
    for (int i = 0; i < 2000; ++i) {
        t.append();
        t.setString(0, "A long enough title to fill the write buffer " + std::to_string(i));
        t.post();
    }
    prompter.expectSaveFile(QStringLiteral("/dev/full"));
    prompter.expectError(
        QStringLiteral("The file could not be written: No space left on device\n/dev/full\n"
                       "Nothing was written to \"/dev/full\"."));
    click("StartExportButton");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(child<QProgressBar>("MyGauge")->value(), 0);
}

TEST_F(ExportForm, HelpOpensAtTheExportPage) {
    click("HelpButton");
    ui::HelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* h = qobject_cast<ui::HelpWindow*>(w))
            help = h;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().endsWith(QStringLiteral("export.html")))
        << help->currentPage().toStdString();
    help->close();
}

}  // namespace
