// The edit form driven as a user would, on a real collection: each mode,
// the checks with their pages and focus, change detection, stepping through
// records with each answer, the Enter chain, the check-out pair, browse
// mode, the pick lists and what reaches the files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/pick_lists.h"
#include "data/run_state.h"
#include "dbase/table.h"
#include "edit/ui/tmyedit.h"
#include "edit/ui/tmyeditbox.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/edit/edit_fixture.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"
#include "ui/window_colors.h"

using editui::TMyEdit;
using editui::TMyEditBox;

namespace {

using edittest::EditForm;
using testsupport::ScriptedPrompter;
using ui::Answer;

TEST_F(EditForm, EditModeShowsTheCurrentRecord) {
    open(books::EditMode::Edit);
    EXPECT_EQ(form->windowTitle(), "Edit");
    EXPECT_EQ(line("Title")->text(), "Book 0");
    EXPECT_EQ(combo("Author")->currentText(), "Author 0");
    EXPECT_EQ(line("Cost")->text(), "0.50");
    EXPECT_EQ(line("PurchDate")->displayText(), "03/01/1996");
    EXPECT_EQ(line("CheckDate")->displayText(), "__/__/____");
    EXPECT_TRUE(child<QCheckBox>("CheckOut")->isChecked());
    EXPECT_EQ(page(), 0);
    {
        ScriptedPrompter p;
        click("CancelButton");
    }
    EXPECT_FALSE(form->isVisible());
}

TEST_F(EditForm, MenusButtonsLabelsAndLimitsAreThoseOfTheForm) {
    link.settings().fieldNames[1] = "Name of Book";
    link.settings().fieldNames[17] = "Lent";
    open(books::EditMode::Edit);
    QStringList pages;
    for (int i = 0; i < child<QTabWidget>("MyTabbedNoteBook")->count(); ++i)
        pages << child<QTabWidget>("MyTabbedNoteBook")->tabText(i);
    EXPECT_EQ(pages, (QStringList{"&Description", "&Catalog", "&Worth", "Li&brary", "&Other"}));
    EXPECT_EQ(child<QLabel>("TitleLabel")->text(), "Name of Book");
    EXPECT_EQ(child<QLabel>("YearPubLabel")->text(), "Year Pub");
    EXPECT_EQ(child<QCheckBox>("CheckOut")->text(), "Lent");
    EXPECT_EQ(child<QLabel>("WorthItem")->text(), "Name of Book: Book 0");
    EXPECT_EQ(line("Title")->maxLength(), 90);
    EXPECT_EQ(combo("Publisher")->lineEdit()->maxLength(), 60);
    EXPECT_EQ(combo("BookType")->lineEdit()->maxLength(), 15);
    EXPECT_EQ(line("YearPub")->maxLength(), 4);
    EXPECT_EQ(line("UserDef6")->maxLength(), 40);
    const std::pair<const char*, const char*> buttons[] = {{"UpdateExitButton", "&Update && Exit"},
                                                           {"UpdateButton", "Up&date"},
                                                           {"ClearButton", "C&lear"},
                                                           {"CancelButton", "E&xit"},
                                                           {"PrevButton", "&Previous"},
                                                           {"NextButton", "&Next"},
                                                           {"BlankPurchDate", "Blan&k"},
                                                           {"BlankCheckOut", "Blan&k Date"}};
    for (const auto& [name, text] : buttons)
        EXPECT_EQ(child<QPushButton>(name)->text(), text) << name;
    QStringList items;
    for (QAction* a : form->findChild<QMenuBar*>()->actions()) {
        items << a->text();
        if (a->menu())
            for (QAction* b : a->menu()->actions())
                items << (b->isSeparator() ? QString("-")
                                           : b->text() + " " + b->shortcut().toString());
        else
            items << a->shortcut().toString();
    }
    EXPECT_EQ(items, (QStringList{"&File", "N&ew Record Ctrl+E", "&Clear Record Ctrl+L",
                                  "Up&date Record Ctrl+R", "&Update && Exit Ctrl+U", "-",
                                  "&Previous Record Ctrl+P", "&Next Record Ctrl+N", "-", "E&xit ",
                                  "&Edit", "Cu&t Ctrl+X", "&Copy Ctrl+C", "&Paste Ctrl+V",
                                  "&Delete Ctrl+D", "&Help", "Ctrl+H"}));
    child<QAction>("MenuHelp")->trigger();
    auto* help = form->findChild<ui::HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().endsWith("input.html")) << help->currentPage().toStdString();
    help->close();
    ScriptedPrompter p;
    click("CancelButton");
}

TEST_F(EditForm, AddModeInsertsOnceAndASecondUpdateChangesTheNewRecord) {
    open(books::EditMode::Add);
    for (const char* amount : {"Cost", "Value", "LowMarket", "HighMarket"})
        EXPECT_EQ(line(amount)->text(), "0") << amount;
    EXPECT_EQ(line("Title")->text(), "");
    EXPECT_FALSE(child<QCheckBox>("CheckOut")->isChecked());
    click("UpdateButton");
    EXPECT_EQ(link.collection().count(), 6u);
    EXPECT_EQ(link.runState().editMode, books::EditMode::Edit);
    EXPECT_EQ(stored("", "CheckOut"), "No");
    EXPECT_EQ(stored("", "PurchDate"), "");
    EXPECT_EQ(stored("", "CheckDate"), "");
    line("Title")->setText("Added");
    click("UpdateButton");
    EXPECT_EQ(link.collection().count(), 6u);
    EXPECT_EQ(testsupport::titlesOf(path).last(), "Added");
    // Written and snapshot taken: Exit asks nothing.
    ScriptedPrompter p;
    click("CancelButton");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(EditForm, ChecksShowTheirMessagePageAndFocusDatesFirst) {
    open(books::EditMode::Edit);
    line("Cost")->setText("");
    line("CheckDate")->setFocus();
    QTest::keyClicks(line("CheckDate"), "12");
    {
        ScriptedPrompter p;
        p.expectError("Invalid check out date specified.  Please correct.");
        click("UpdateButton");
    }
    EXPECT_EQ(page(), 3);
    EXPECT_EQ(focused(), "CheckDate");
    click("BlankCheckOut");
    line("PurchDate")->setText("1301");
    {
        ScriptedPrompter p;
        p.expectError("Invalid purchase date specified.  Please correct.");
        click("UpdateButton");
    }
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(focused(), "PurchDate");
    click("BlankPurchDate");
    {
        ScriptedPrompter p;
        p.expectError("Invalid cost specified.  Please correct.");
        click("UpdateButton");
    }
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(focused(), "Cost");
    for (const char* refused : {"12,50", "$12"}) {
        line("Cost")->setText(refused);
        ScriptedPrompter p;
        p.expectError("Invalid cost specified.  Please correct.");
        click("UpdateButton");
    }
    line("Cost")->setText("-3");
    line("HighMarket")->setText("x");
    {
        ScriptedPrompter p;
        p.expectError("Invalid high market value specified.  Please correct.");
        click("UpdateButton");
    }
    EXPECT_EQ(focused(), "HighMarket");
    EXPECT_EQ(testsupport::fieldOf(path, "Book 0", "PurchDate"), "19960301");  // nothing written
    line("HighMarket")->setText("12.50");
    click("UpdateButton");
    EXPECT_EQ(stored("Book 0", "Cost"), "-3.00");
    EXPECT_EQ(stored("Book 0", "PurchDate"), "");
}

TEST_F(EditForm, AYearThatIsNoNumberIsNamedAndNothingIsWritten) {
    link.settings().fieldNames[3] = "Published";
    open(books::EditMode::Edit);
    line("Title")->setText("Half");
    line("YearPub")->setText("19x6");
    {
        ScriptedPrompter p;
        p.expectError("\"19x6\" is not a valid number (field \"Published\").\nFile: " + path);
        click("UpdateButton");
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(link.collection().hasPendingRecord());
    EXPECT_EQ(testsupport::titlesOf(path).first(), "Book 0");
    EXPECT_EQ(line("Title")->text(), "Half");
    line("YearPub")->setText("1996");
    click("UpdateButton");
    EXPECT_EQ(testsupport::titlesOf(path).first(), "Half");
    EXPECT_EQ(link.collection().count(), 5u);
}

TEST_F(EditForm, AnUntouchedLongIsbnIsNoChangeButClearIs) {
    {
        dbase::Table& t = link.collection().table();
        t.edit();
        t.setString(t.fieldIndex("ISBN"), "12345678901234567890");
        t.post();
    }
    open(books::EditMode::Edit);
    EXPECT_EQ(line("ISBN")->text(), "12345678901234567890");
    {
        ScriptedPrompter p;
        click("CancelButton");  // closes without a question
    }
    EXPECT_FALSE(form->isVisible());
    open(books::EditMode::Edit);
    click("ClearButton");
    EXPECT_EQ(line("Title")->text(), "");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                       Answer::No, false);
        click("CancelButton");
    }
    EXPECT_TRUE(form->isVisible());
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                       Answer::Yes, false);
        click("CancelButton");
    }
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testsupport::titlesOf(path).first(), "Book 0");
}

TEST_F(EditForm, StepsAskInCopyModeAndEachAnswerDoesWhatItSays) {
    const QString notUpdated =
        "This record has not been updated yet.  Update this record before moving to the next "
        "record?";
    open(books::EditMode::Copy);
    EXPECT_EQ(line("Title")->text(), "Book 0");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", notUpdated, Answer::Cancel);
        click("NextButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 0");
    EXPECT_EQ(link.runState().editMode, books::EditMode::Copy);
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", notUpdated, Answer::No);
        click("NextButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 1");
    EXPECT_EQ(link.runState().editMode, books::EditMode::Edit);
    EXPECT_EQ(link.collection().count(), 5u);
    // Unchanged in edit mode: no question.
    {
        ScriptedPrompter p;
        click("PrevButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 0");
    {
        ScriptedPrompter p;  // at the first record the table stays where it is
        click("PrevButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 0");
    line("Editor")->setText("Ed");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning",
                       "Data has changed.  Update this record before moving to the next record?",
                       Answer::Yes);
        click("NextButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 1");
    EXPECT_EQ(stored("Book 0", "Editor"), "Ed");
    line("Editor")->setText("Dropped");
    {
        ScriptedPrompter p;
        p.expectChoice(
            "Warning",
            "Data has changed.  Update this record before moving to the previous record?",
            Answer::No);
        click("PrevButton");
    }
    EXPECT_EQ(line("Editor")->text(), "Ed");
    EXPECT_EQ(stored("Book 1", "Editor"), "");
    // A failed update stops the move.
    line("Cost")->setText("x");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning",
                       "Data has changed.  Update this record before moving to the next record?",
                       Answer::Yes);
        p.expectError("Invalid cost specified.  Please correct.");
        click("NextButton");
    }
    EXPECT_EQ(line("Title")->text(), "Book 0");
    ScriptedPrompter p;
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   Answer::Yes, false);
    click("CancelButton");
}

TEST_F(EditForm, NewRecordAsksWhenChangedAndStartsAnAdd) {
    open(books::EditMode::Edit);
    line("Title")->setText("Renamed");
    const QString question = "Data has changed.  Update this record before creating new one?";
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", question, Answer::Cancel);
        child<QAction>("MenuNew")->trigger();
    }
    EXPECT_EQ(line("Title")->text(), "Renamed");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", question, Answer::Yes);
        child<QAction>("MenuNew")->trigger();
    }
    EXPECT_EQ(line("Title")->text(), "");
    EXPECT_EQ(line("Cost")->text(), "0");
    EXPECT_EQ(link.runState().editMode, books::EditMode::Add);
    EXPECT_EQ(testsupport::titlesOf(path).first(), "Renamed");
    line("Title")->setText("Brand new");
    child<QAction>("MenuUpdateExit")->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testsupport::titlesOf(path).size(), 6);
}

TEST_F(EditForm, EnterWalksTheChainAcrossThePagesBackToTitle) {
    open(books::EditMode::Edit);
    line("Title")->setFocus();
    QStringList walked;
    QList<int> pagesSeen;
    for (int i = 0; i < 36; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        walked << focused();
        pagesSeen << page();
    }
    EXPECT_EQ(walked.mid(0, 12),
              (QStringList{"Author", "Publisher", "Editor", "BookType", "Volume", "Issue",
                           "YearPub", "Edition", "Pages", "PurchDate", "WherePurch", "Catalog"}));
    EXPECT_EQ(walked.mid(20, 8), (QStringList{"Cost", "Value", "LowMarket", "HighMarket",
                                              "CheckOut", "CheckDate", "CheckName", "Condition"}));
    EXPECT_EQ(walked.mid(33), (QStringList{"UserDef5", "UserDef6", "Title"}));
    EXPECT_EQ(pagesSeen[11], 1);
    EXPECT_EQ(pagesSeen[20], 2);
    EXPECT_EQ(pagesSeen[24], 3);
    EXPECT_EQ(pagesSeen[27], 4);
    EXPECT_EQ(pagesSeen[35], 0);
    // Outside the chain the key is used up and the focus stays.
    child<QPushButton>("NextButton")->setFocus();
    QTest::keyClick(child<QPushButton>("NextButton"), Qt::Key_Return);
    EXPECT_EQ(focused(), "NextButton");
    EXPECT_EQ(line("Title")->text(), "Book 0");
    EXPECT_TRUE(form->isVisible());
    ScriptedPrompter p;
    click("CancelButton");
}

TEST_F(EditForm, CheckOutPairIsRememberedAndEachRecordShowsItsOwn) {
    {
        dbase::Table& t = link.collection().table();
        t.edit();
        t.setDate(t.fieldIndex("CheckDate"), dbase::Date{1997, 4, 5});
        t.setString(t.fieldIndex("CheckName"), "Ann");
        t.post();
    }
    link.collection().table().next();  // Book 1, not checked out
    open(books::EditMode::Edit);
    EXPECT_FALSE(child<QCheckBox>("CheckOut")->isChecked());
    {
        ScriptedPrompter p;
        click("PrevButton");
    }
    EXPECT_TRUE(child<QCheckBox>("CheckOut")->isChecked());
    EXPECT_EQ(line("CheckDate")->displayText(), "04/05/1997");
    EXPECT_EQ(combo("CheckName")->currentText(), "Ann");
    child<QCheckBox>("CheckOut")->click();
    EXPECT_EQ(line("CheckDate")->displayText(), "__/__/____");
    EXPECT_EQ(combo("CheckName")->currentText(), "");
    child<QCheckBox>("CheckOut")->click();
    EXPECT_EQ(line("CheckDate")->displayText(), "04/05/1997");
    EXPECT_EQ(combo("CheckName")->currentText(), "Ann");
    // Clear unchecks and remembers the emptied pair.
    click("ClearButton");
    child<QCheckBox>("CheckOut")->click();
    EXPECT_EQ(line("CheckDate")->displayText(), "__/__/____");
    EXPECT_EQ(combo("CheckName")->currentText(), "");
    ScriptedPrompter p;
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   Answer::Yes, false);
    click("CancelButton");
}

TEST_F(EditForm, BrowseModeOnlyShowsAndMovesWithoutQuestions) {
    link.runState().browseMode = true;
    open(books::EditMode::Edit);
    for (const char* name : {"UpdateExitButton", "UpdateButton", "ClearButton"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    for (const char* name : {"MenuNew", "MenuClear", "MenuUpdate", "MenuUpdateExit", "MenuCut",
                             "MenuCopy", "MenuPaste", "MenuDelete"})
        EXPECT_FALSE(child<QAction>(name)->isEnabled()) << name;
    EXPECT_TRUE(child<QPushButton>("NextButton")->isEnabled());
    ScriptedPrompter p;
    line("Title")->setText("Typed");
    click("NextButton");
    EXPECT_EQ(line("Title")->text(), "Book 1");
    line("Title")->setText("Typed");
    click("CancelButton");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testsupport::titlesOf(path),
              (QStringList{"Book 0", "Book 1", "Book 2", "Book 3", "Book 4"}));
}

TEST_F(EditForm, UpdatesGrowThePickListsCaseSensitivelyAndCloseWritesThem) {
    link.pickLists().setItems(books::PickList::Author, {"Smith"});
    open(books::EditMode::Edit);
    EXPECT_EQ(combo("Author")->count(), 1);
    combo("Author")->setEditText("  Smith ");
    combo("Category")->setEditText("");
    combo("Condition")->setEditText("Fine");
    click("UpdateButton");
    EXPECT_EQ(link.pickLists().items(books::PickList::Author), QStringList{"Smith"});
    EXPECT_TRUE(link.pickLists().items(books::PickList::Category).isEmpty());
    EXPECT_EQ(link.gridLists[8], QStringList{"Fine"});  // the grid's editor at once
    EXPECT_EQ(combo("Author")->currentText(), "  Smith ");
    combo("Author")->setEditText("smith");
    click("UpdateButton");
    EXPECT_EQ(link.pickLists().items(books::PickList::Author), (QStringList{"Smith", "smith"}));
    EXPECT_EQ(combo("Author")->count(), 2);
    EXPECT_EQ(combo("Author")->currentText(), "smith");
    EXPECT_EQ(link.gridLists[0], (QStringList{"Smith", "smith"}));
    EXPECT_FALSE(QFile::exists(dir.filePath("AUTHOR.LST")));
    click("UpdateExitButton");
    QFile f(dir.filePath("AUTHOR.LST"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Smith\r\nsmith\r\n"));
    EXPECT_TRUE(QFile::exists(dir.filePath("CONDITION.LST")));
}

TEST_F(EditForm, AListThatCannotBeWrittenIsReportedOnceOnClose) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("BOUGHT.LST"));
    link.pickLists().setItems(books::PickList::Location, {"Shelf"});
    open(books::EditMode::Edit);
    // What the same folder refuses, as the form must report it.
    const QString problems = books::PickLists(dir.path()).saveAll();
    ASSERT_TRUE(problems.contains("BOUGHT.LST"));
    ASSERT_FALSE(problems.contains('\n'));
    {
        ScriptedPrompter p;
        p.expectError("These pick lists could not be saved:\n" + problems);
        form->close();  // the title bar's close: no question about the record
    }
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(QFile::exists(dir.filePath("LOCATION.LST")));
}

TEST_F(EditForm, EditMenuActsOnEditAndComboBoxesOnly) {
    open(books::EditMode::Edit);
    line("Title")->setFocus();
    line("Title")->selectAll();
    child<QAction>("MenuCut")->trigger();
    EXPECT_EQ(line("Title")->text(), "");
    child<QAction>("MenuPaste")->trigger();
    EXPECT_EQ(line("Title")->text(), "Book 0");
    combo("Author")->setFocus();
    combo("Author")->lineEdit()->selectAll();
    child<QAction>("MenuDelete")->trigger();
    EXPECT_EQ(combo("Author")->currentText(), "");
    line("PurchDate")->setFocus();
    line("PurchDate")->selectAll();
    child<QAction>("MenuDelete")->trigger();
    EXPECT_EQ(line("PurchDate")->displayText(), "03/01/1996");
    ScriptedPrompter p;
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   Answer::Yes, false);
    click("CancelButton");
}

// The main window's date format, not the program's (which stays m/d/y here).
TEST_F(EditForm, DateBoxesUseTheMainWindowsDateFormat) {
    ASSERT_TRUE(link.settings().formats.setDateFormat(5));  // dd-mm-yy
    open(books::EditMode::Edit);
    EXPECT_EQ(line("PurchDate")->displayText(), "01-03-1996");
    EXPECT_EQ(line("CheckDate")->displayText(), "__-__-____");
    line("PurchDate")->setText("02041997");
    click("UpdateButton");
    EXPECT_EQ(stored("Book 0", "PurchDate"), "19970402");
}

TEST_F(EditForm, ARecordAnotherUserChangedIsNotWrittenOverBlindly) {
    open(books::EditMode::Edit);
    {
        dbase::Table other;
        other.setFileName(path.toStdString());
        other.open();
        other.first();
        other.edit();
        other.setString(other.fieldIndex("Editor"), "Theirs");
        other.post();
    }
    line("Title")->setText("Mine");
    {
        ScriptedPrompter p;
        p.expectError(
            "This record was changed by another user after it was shown here.  Your changes were "
            "not written.  Update again to write them over the other user's changes.");
        click("UpdateButton");
    }
    EXPECT_EQ(stored("Book 0", "Editor"), "Theirs");
    EXPECT_TRUE(form->isVisible());
    click("UpdateButton");
    EXPECT_EQ(stored("Mine", "Editor"), "");
}

TEST_F(EditForm, AWrittenRecordReadsBackInAnOutsideDbaseReader) {
    open(books::EditMode::Add);
    line("Title")->setText(QString::fromUtf8("Caf\u00e9 Stories"));
    combo("Author")->setEditText("Smith");
    line("YearPub")->setText("1996");
    line("Cost")->setText("12.5");
    line("PurchDate")->setText("12311999");
    child<QCheckBox>("CheckOut")->click();
    child<QAction>("MenuUpdateExit")->trigger();
    ASSERT_FALSE(form->isVisible());
    QProcess reader;
    reader.start("/usr/bin/python3",
                 {"-c",
                  "import sys, dbfread\n"
                  "r = list(dbfread.DBF(sys.argv[1], encoding='cp1252'))[-1]\n"
                  "print('|'.join(str(r[k]) for k in "
                  "('TITLE','AUTHOR','YEARPUB','COST','PURCHDATE','CHECKOUT','CHECKDATE')))\n",
                  path});
    ASSERT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(),
              QString::fromUtf8("Caf\u00e9 Stories|Smith|1996|12.5|1999-12-31|Yes|None"));
}

TEST_F(EditForm, TheEditColourSetPaintsTheControlsAndTheHeadersKeepTheirOwn) {
    settings::WindowColors& colors = link.settings().colorSet(settings::EditWindow);
    for (int i = 0; i < settings::kColorCount; ++i)
        colors[i] = 0x010101 * (i + 1);
    const auto c = [&](settings::ColorIndex i) { return ui::toQColor(colors[i]); };
    open(books::EditMode::Edit);
    EXPECT_EQ(form->palette().color(QPalette::Window), c(settings::MainBackground));
    EXPECT_EQ(child<QLabel>("TitleLabel")->palette().color(QPalette::WindowText),
              c(settings::MinorTitle));
    EXPECT_EQ(line("Title")->palette().color(QPalette::Base), c(settings::EditBackground));
    EXPECT_EQ(line("PurchDate")->palette().color(QPalette::Text), c(settings::EditText));
    EXPECT_EQ(combo("Author")->palette().color(QPalette::Base), c(settings::ComboBackground));
    EXPECT_EQ(child<QCheckBox>("CheckOut")->palette().color(QPalette::WindowText),
              c(settings::CheckText));
    // The headers are not field labels: they take the text colour that reads
    // on the page (white on this nearly black one), not Minor Title.
    const QColor header = child<QLabel>("OtherItem")->palette().color(QPalette::WindowText);
    EXPECT_NE(header, c(settings::MinorTitle));
    EXPECT_EQ(header, QColor(Qt::white));
    ScriptedPrompter p;
    click("CancelButton");
}

TEST_F(EditForm, LeavingTheTitleNamesTheBookOnThePageHeaders) {
    open(books::EditMode::Edit);
    line("Title")->setFocus();
    line("Title")->setText("Retitled");
    EXPECT_EQ(child<QLabel>("LibraryItem")->text(), "Title: Book 0");
    combo("Author")->setFocus();
    for (const char* header : {"WarrantyItem", "WorthItem", "LibraryItem", "OtherItem"})
        EXPECT_EQ(child<QLabel>(header)->text(), "Title: Retitled") << header;
    ScriptedPrompter p;
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   Answer::Yes, false);
    click("CancelButton");
}

class ListMaintenance : public EditForm {
  protected:
    void SetUp() override {
        EditForm::SetUp();
        link.pickLists().setItems(books::PickList::Author, {"Austen", "Bronte", "Carroll"});
    }
    std::unique_ptr<TMyEditBox> openBox(books::PickList list) {
        auto box = std::make_unique<TMyEditBox>(link, list, link.dialogParent());
        box->show();
        QCoreApplication::processEvents();
        return box;
    }
    static QListWidget* listOf(TMyEditBox* box) { return box->findChild<QListWidget*>("TheList"); }
    static void press(TMyEditBox* box, const char* name) {
        box->findChild<QPushButton*>(name)->click();
    }
    static void add(TMyEditBox* box, const QString& text) {
        box->findChild<QLineEdit*>("AddInfo")->setText(text);
        press(box, "AddButton");
    }
};

TEST_F(ListMaintenance, ShowsTheListWithItsCaptionLimitAndFirstEntrySelected) {
    auto box = openBox(books::PickList::Author);
    EXPECT_EQ(box->windowTitle(), "Edit \"Author\" List");
    EXPECT_EQ(box->findChild<QLineEdit*>("AddInfo")->maxLength(), 90);
    EXPECT_EQ(box->entries(), (QStringList{"Austen", "Bronte", "Carroll"}));
    EXPECT_EQ(listOf(box.get())->currentRow(), 0);
    auto empty = openBox(books::PickList::BookType);
    EXPECT_EQ(empty->windowTitle(), "Edit \"Book Type\" List");
    EXPECT_EQ(empty->findChild<QLineEdit*>("AddInfo")->maxLength(), 30);
    EXPECT_EQ(listOf(empty.get())->currentRow(), -1);
    press(empty.get(), "DeleteButton");  // nothing selected: nothing happens
    EXPECT_TRUE(empty->entries().isEmpty());
}

TEST_F(ListMaintenance, AddKeepsDuplicatesAndDeleteMovesTheSelection) {
    auto box = openBox(books::PickList::Author);
    add(box.get(), "  Dickens  ");
    add(box.get(), "Dickens");
    add(box.get(), "   ");
    EXPECT_EQ(box->findChild<QLineEdit*>("AddInfo")->text(), "");
    EXPECT_EQ(box->entries(), (QStringList{"Austen", "Bronte", "Carroll", "Dickens", "Dickens"}));
    listOf(box.get())->setCurrentRow(1);
    press(box.get(), "DeleteButton");
    EXPECT_EQ(listOf(box.get())->currentItem()->text(), "Carroll");  // same position
    listOf(box.get())->setCurrentRow(3);
    press(box.get(), "DeleteButton");
    EXPECT_EQ(listOf(box.get())->currentRow(), 2);  // the new last entry
    EXPECT_EQ(box->entries(), (QStringList{"Austen", "Carroll", "Dickens"}));
    auto single = openBox(books::PickList::Rating);
    add(single.get(), "Good");
    listOf(single.get())->setCurrentRow(0);
    press(single.get(), "DeleteButton");
    EXPECT_EQ(listOf(single.get())->currentRow(), -1);
    EXPECT_TRUE(single->entries().isEmpty());
}

TEST_F(ListMaintenance, OkReplacesTheListsAtOnceAndTheFileFollowsOnTheFormsClose) {
    auto box = openBox(books::PickList::Author);
    add(box.get(), "Eliot");
    add(box.get(), "Eliot");
    listOf(box.get())->setCurrentRow(0);
    press(box.get(), "DeleteButton");
    press(box.get(), "OkButton");
    EXPECT_FALSE(box->isVisible());
    const QStringList expected{"Bronte", "Carroll", "Eliot", "Eliot"};
    EXPECT_EQ(link.pickLists().items(books::PickList::Author), expected);
    EXPECT_EQ(link.gridLists[0], expected);  // the grid's editor at once
    EXPECT_FALSE(QFile::exists(dir.filePath("AUTHOR.LST")));
    open(books::EditMode::Edit);
    EXPECT_EQ(combo("Author")->count(), 4);
    EXPECT_EQ(combo("Author")->itemText(3), "Eliot");
    {
        ScriptedPrompter p;
        click("CancelButton");
    }
    QFile f(dir.filePath("AUTHOR.LST"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Bronte\r\nCarroll\r\nEliot\r\nEliot\r\n"));
}

TEST_F(ListMaintenance, CancelChangesNothing) {
    auto box = openBox(books::PickList::Author);
    add(box.get(), "Eliot");
    listOf(box.get())->setCurrentRow(0);
    press(box.get(), "DeleteButton");
    press(box.get(), "CancelButton");
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(link.pickLists().items(books::PickList::Author),
              (QStringList{"Austen", "Bronte", "Carroll"}));
    EXPECT_EQ(link.listsShown, 0);
}

}  // namespace
