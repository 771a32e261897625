// The query form, its options dialog, locate and search and replace, opened
// headless over a real collection: buttons pressed, messages answered by the
// scripted prompter, and the table's records checked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/collection.h"
#include "data/pick_lists.h"
#include "dbase/table.h"
#include "find/replace.h"
#include "find/ui/find_commands.h"
#include "find/ui/mylocate.h"
#include "find/ui/tmysearch.h"
#include "find/ui/tsearchandreplace.h"
#include "find/ui/tsearchoptions.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"
#include "tests/find/find_fixture.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/key_driver.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using findui::TMyLocateDialog;
using findui::TMyLocateDlg;
using findui::TMySearch;
using findui::TSearchAndReplace;
using findui::TSearchOptions;

namespace {

using find::Comparison;
using testsupport::ScriptedPrompter;

class FindForms : public ::testing::Test {
  protected:
    void SetUp() override {
        settings::settings() = settings::Settings();
        ASSERT_TRUE(link.settings().formats.setDateFormat(7));  // m/d/yyyy
        path = dir.filePath(QStringLiteral("MASTER.DBF"));
        books::createCollection(path);
        {
            dbase::Table t;
            t.setFileName(path.toStdString());
            t.open();
            const auto add = [&](findtest::Values v) { findtest::appendBook(t, v); };
            add({{"Title", "War and Peace"},
                 {"Author", "Tolstoy"},
                 {"YearPub", "1869"},
                 {"Category", "Fiction"},
                 {"Cost", "15"}});
            add({{"Title", "The Art of War"},
                 {"Author", "Sun Tzu"},
                 {"YearPub", "1910"},
                 {"Category", "History"},
                 {"Cost", "10"}});
            add({{"Title", "Warden"},
                 {"Author", "Trollope"},
                 {"YearPub", "1955"},
                 {"Category", "FICTION"},
                 {"Cost", "20"}});
            add({{"Title", "Anna Karenina"},
                 {"Author", "Tolstoy"},
                 {"YearPub", "1878"},
                 {"Category", "Science Fiction"},
                 {"Cost", "12.5"}});
        }
        link.collection().setSortLevels({2, 0, 0, 0});  // by Author
        link.collection().openWithSortTag(path);
    }
    void TearDown() override { testsupport::stopModalCatchers(); }

    QStringList shownTitles() {
        dbase::Table& t = link.collection().table();
        QStringList titles;
        for (t.first(); !t.eof() && !t.isEmpty(); t.next())
            titles << QString::fromStdString(t.asString(t.fieldIndex("Title")));
        return titles;
    }
    QString currentTitle() {
        dbase::Table& t = link.collection().table();
        return QString::fromStdString(t.asString(t.fieldIndex("Title")));
    }

    QTemporaryDir dir;
    QString path;
    testsupport::FakeMainLink link;
};

// ---- The query form -------------------------------------------------------

class SearchForm : public FindForms {
  protected:
    void SetUp() override {
        FindForms::SetUp();
        form = std::make_unique<TMySearch>(link, link.dialogParent());
        form->show();
    }
    void TearDown() override {
        form.reset();
        FindForms::TearDown();
    }
    QString header() { return form->SearchGrid()->horizontalHeaderItem(2)->text(); }
    std::unique_ptr<TMySearch> form;
};

TEST_F(SearchForm, ShowsEveryFieldEmptyAtLevelOneWithMarkersOnNumbersDatesAndLists) {
    QTableWidget* g = form->SearchGrid();
    EXPECT_EQ(g->rowCount(), 36);
    EXPECT_EQ(g->columnCount(), 3);
    EXPECT_EQ(g->horizontalHeaderItem(0)->text(), QStringLiteral(" FIELD"));
    EXPECT_EQ(header(), QStringLiteral(" SEARCH CRITERIA    (Level 1)"));
    EXPECT_EQ(g->item(0, 0)->text(), QStringLiteral(" Title"));
    EXPECT_EQ(g->item(0, 1)->text(), QString());               // Title: plain text
    EXPECT_EQ(g->item(1, 1)->text(), QStringLiteral("..."));   // Author: pick list
    EXPECT_EQ(g->item(2, 1)->text(), QStringLiteral("..."));   // YearPub: number
    EXPECT_EQ(g->item(11, 1)->text(), QStringLiteral("..."));  // PurchDate: date
    EXPECT_EQ(g->item(2, 1)->background().color(), QColor(128, 128, 128));
    link.settings().fieldNames[1] = QStringLiteral("A very long caption!");
    form->hide();
    form->show();
    EXPECT_EQ(g->item(0, 0)->text(), QStringLiteral(" A very long caption!").left(21));
}

TEST_F(SearchForm, OkAppliesLevelsAsAndWithinAndOrAcrossAndCloses) {
    form->setCriterion(1, QStringLiteral("war"));
    form->setFieldOption(3, Comparison::Less);
    form->setCriterion(3, QStringLiteral("< 1950"));
    form->MoreButtonClick();
    EXPECT_EQ(header(), QStringLiteral(" SEARCH CRITERIA    (Level 2)"));
    EXPECT_EQ(form->criterion(1), QString());  // the cells are emptied for the next level
    form->setCriterion(2, QStringLiteral("tolstoy"));
    form->OkButtonClick();
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(link.searchActive());
    EXPECT_EQ(shownTitles(), QStringList({"The Art of War", "War and Peace", "Anna Karenina"}));
}

TEST_F(SearchForm, RangesAreExclusiveThroughTheForm) {
    form->setFieldOption(7, Comparison::Between);
    form->setCriterion(7, QStringLiteral("> 10 AND < 20"));
    form->OkButtonClick();
    EXPECT_EQ(shownTitles(), QStringList({"War and Peace", "Anna Karenina"}));
}

TEST_F(SearchForm, NothingEnteredAndInvalidCriteriaKeepTheFormOpen) {
    {
        ScriptedPrompter p;
        p.expectError(QStringLiteral("No search criteria entered."));
        form->OkButtonClick();
    }
    EXPECT_TRUE(form->isVisible());
    form->setCriterion(1, QStringLiteral("war"));
    form->setCriterion(8, QStringLiteral("= 1,5"));
    {
        ScriptedPrompter p;
        p.expectError(QStringLiteral("Invalid search criteria entered.  Please correct."));
        form->OkButtonClick();
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->SearchGrid()->currentRow(), 7);
    EXPECT_EQ(form->criterion(8), QStringLiteral("= 1,5"));
    EXPECT_EQ(form->ItemCount(), 0);
    EXPECT_FALSE(link.searchActive());
}

TEST_F(SearchForm, NoMatchesEndsTheSearchAndClearsTheCriteria) {
    form->setCriterion(1, QStringLiteral("no such title"));
    {
        ScriptedPrompter p;
        p.expectNotice(QStringLiteral("No valid matches found.  Search Criteria will be cleared."));
        form->OkButtonClick();
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(link.searchActive());
    EXPECT_EQ(link.searchesEnded, 1);
    EXPECT_EQ(form->criterion(1), QString());
    EXPECT_EQ(form->ItemCount(), 0);
    EXPECT_EQ(shownTitles().size(), 4);
}

TEST_F(SearchForm, TenLevelsAtMostThenOkIsTheOnlyWayOn) {
    auto* more = form->findChild<QPushButton*>(QStringLiteral("MoreButton"));
    for (int level = 1; level < 10; ++level) {
        form->setCriterion(1, QStringLiteral("w"));
        form->MoreButtonClick();
    }
    EXPECT_EQ(form->SearchLevel(), 10);
    EXPECT_EQ(header(), QStringLiteral(" SEARCH CRITERIA    (Level 10)"));
    EXPECT_FALSE(more->isEnabled());
    // Ok with the tenth level empty is refused and Find More stays off: a
    // criterion typed then cannot open an eleventh level.
    {
        ScriptedPrompter p;
        p.expectError(QStringLiteral("No search criteria entered."));
        testsupport::mnemonic(form.get(), 'o');
    }
    EXPECT_FALSE(more->isEnabled());
    form->setCriterion(1, QStringLiteral("w"));
    testsupport::mnemonic(form.get(), 'f');
    EXPECT_EQ(form->SearchLevel(), 10);
    EXPECT_EQ(header(), QStringLiteral(" SEARCH CRITERIA    (Level 10)"));
    form->ClearButtonClick();
    EXPECT_TRUE(more->isEnabled());
    EXPECT_EQ(form->SearchLevel(), 1);
    EXPECT_EQ(form->ItemCount(), 0);
}

TEST_F(SearchForm, The76thItemClearsEverything) {
    for (int level = 1; level <= 2; ++level) {
        for (int f = 1; f <= 36; ++f) {
            const char letter = fields::bookField(f).letter;
            form->setCriterion(f, letter == 'C' ? QStringLiteral("x")
                                                : (letter == 'N' ? QStringLiteral("= 1")
                                                                 : QStringLiteral("= 01/02/2000")));
        }
        form->MoreButtonClick();
    }
    ASSERT_EQ(form->ItemCount(), 72);
    for (int f : {1, 2, 4, 5})
        form->setCriterion(f, QStringLiteral("y"));
    {
        ScriptedPrompter p;
        p.expectError(
            QStringLiteral("More than 75 search items have been entered.  This exceeds "
                           "the maximum allowable.  Search criteria will be cleared."));
        form->MoreButtonClick();
    }
    EXPECT_EQ(form->ItemCount(), 0);
    EXPECT_EQ(form->SearchLevel(), 1);
    EXPECT_EQ(form->criterion(1), QString());
    EXPECT_EQ(header(), QStringLiteral(" SEARCH CRITERIA    (Level 1)"));
}

TEST_F(SearchForm, ShowingAgainStartsEmptyButKeepsComparisonsAndTheActiveSearch) {
    form->setFieldOption(7, Comparison::Greater);
    form->setCriterion(7, QStringLiteral("> 12"));
    form->OkButtonClick();
    ASSERT_EQ(shownTitles(), QStringList({"War and Peace", "Anna Karenina", "Warden"}));
    form->show();
    EXPECT_EQ(form->ItemCount(), 0);
    EXPECT_EQ(form->SearchLevel(), 1);
    EXPECT_EQ(form->criterion(7), QString());
    EXPECT_EQ(form->FieldOption(7), Comparison::Greater);
    form->ExitButtonClick();
    // Exit leaves the search in force, with the criteria it was begun with.
    EXPECT_TRUE(link.searchActive());
    EXPECT_EQ(shownTitles(), QStringList({"War and Peace", "Anna Karenina", "Warden"}));
}

TEST_F(SearchForm, CellsEditWithTheMaskOfTheirComparison) {
    QTableWidget* g = form->SearchGrid();
    const auto editorMask = [&](int fieldNo) {
        g->setCurrentCell(-1, -1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        g->setCurrentCell(fieldNo - 1, 2);  // entering the cell opens its editor
        auto* edit = g->findChild<QLineEdit*>();
        EXPECT_NE(edit, nullptr);
        const QString mask = edit ? edit->inputMask() : QString();
        const int length = edit ? edit->maxLength() : 0;
        g->setCurrentCell(-1, -1);
        return std::make_pair(mask, length);
    };
    EXPECT_EQ(editorMask(7).first, QStringLiteral("= xxxxxxxxx"));
    form->setFieldOption(7, Comparison::Between);
    EXPECT_EQ(editorMask(7).first, QStringLiteral("\\> xxxxxxxxx \\A\\N\\D \\< xxxxxxxx"));
    EXPECT_EQ(editorMask(12).first, QStringLiteral("= 00/00/0000"));
    EXPECT_EQ(editorMask(5).second, 20);  // Category: its width
}

TEST_F(SearchForm, TheOptionsDialogSetsTheComparisonAndLeavesTheText) {
    form->setCriterion(7, QStringLiteral("= 5"));
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* w) {
        auto* d = qobject_cast<TSearchOptions*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Search Options"));
        EXPECT_EQ(d->FieldNameLabel->text(), QStringLiteral("Cost"));
        ASSERT_EQ(d->ListBox1->count(), 4);
        EXPECT_EQ(d->ListBox1->item(3)->text(), QStringLiteral(" > X < "));
        EXPECT_EQ(d->selectedIndex(), 0);
        d->select(3);
        d->OkButton->click();
    });
    form->MarkerClicked(7);
    EXPECT_EQ(seen, QStringLiteral("SearchOptions"));
    EXPECT_EQ(form->FieldOption(7), Comparison::Between);
    EXPECT_EQ(form->criterion(7), QStringLiteral("= 5"));
    EXPECT_EQ(form->SearchGrid()->currentRow(), 6);
    EXPECT_EQ(form->editMask(7), QStringLiteral("\\> xxxxxxxxx \\A\\N\\D \\< xxxxxxxx"));
}

TEST_F(SearchForm, PickListValuesComeFromTheListsAndCancelChangesNothing) {
    link.pickLists().setItems(books::PickList::Category, {"Fiction", "History", "Poetry"});
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* w) {
        auto* d = qobject_cast<TSearchOptions*>(w);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->ListBox1->count(), 3);
        d->select(1);
        d->OkButton->click();
    });
    form->MarkerClicked(5);
    EXPECT_EQ(form->criterion(5), QStringLiteral("History"));
    testsupport::closeNextModal(&seen, [](QWidget* w) {
        auto* d = qobject_cast<TSearchOptions*>(w);
        d->select(2);
        d->CancelButton->click();
    });
    form->MarkerClicked(5);
    EXPECT_EQ(form->criterion(5), QStringLiteral("History"));
    form->OkButtonClick();
    EXPECT_EQ(shownTitles(), QStringList({"The Art of War"}));
}

TEST_F(SearchForm, OnlyAPressAndReleaseOnTheSameMarkerCellOpensTheOptions) {
    QTableWidget* g = form->SearchGrid();
    QWidget* viewport = g->viewport();
    g->scrollToItem(g->item(6, 1));
    const QPoint cost = g->visualItemRect(g->item(6, 1)).center();
    const QPoint costCriterion = g->visualItemRect(g->item(6, 2)).center();
    {
        ScriptedPrompter strict;
        QTest::mousePress(viewport, Qt::LeftButton, {}, cost);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, costCriterion);
        EXPECT_EQ(QApplication::activeModalWidget(), form.get());
    }
    QString seen;
    testsupport::closeNextModal(&seen);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, cost);
    EXPECT_EQ(seen, QStringLiteral("SearchOptions"));
}

TEST_F(SearchForm, APlainTextFieldsMarkerOpensNothing) {
    ScriptedPrompter strict;  // any prompt would fail the test
    form->MarkerClicked(1);
    EXPECT_EQ(QApplication::activeModalWidget(), form.get());  // no dialog over it
}

TEST_F(SearchForm, TheGridTakesTheSearchWindowsListColours) {
    settings::WindowColors& c = link.settings().colorSet(settings::SearchWindow);
    c[settings::ListBoxBackground] = 0x0000ff;  // red
    c[settings::ListBoxText] = 0x00ff00;        // green
    form->hide();
    form->show();
    const QPalette p = form->SearchGrid()->palette();
    EXPECT_EQ(p.color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(p.color(QPalette::Text), QColor(0, 255, 0));
}

TEST_F(SearchForm, HelpOpensAtTheSearchWindowPage) {
    form->findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    ui::HelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* h = qobject_cast<ui::HelpWindow*>(w))
            help = h;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().endsWith(QStringLiteral("search.html")))
        << help->currentPage().toStdString();
    help->close();
}

// ---- Locate ---------------------------------------------------------------

class LocateForm : public FindForms {
  protected:
    void SetUp() override {
        FindForms::SetUp();
        locate = std::make_unique<TMyLocateDialog>(link);
        locate->options().caption = QStringLiteral("Locate Field Value");
        link.collection().table().first();
    }
    void TearDown() override {
        locate.reset();
        FindForms::TearDown();
    }
    // Runs Execute with `act` on the dialog; returns Execute's result.
    bool execute(std::function<void(TMyLocateDlg*)> act) {
        QString seen;
        testsupport::closeNextModal(&seen, [act](QWidget* w) {
            auto* d = qobject_cast<TMyLocateDlg*>(w);
            ASSERT_NE(d, nullptr);
            act(d);
            if (d->isVisible())
                d->reject();
        });
        const bool found = locate->Execute();
        EXPECT_EQ(seen, QStringLiteral("MyLocateDlg"));
        return found;
    }
    std::unique_ptr<TMyLocateDialog> locate;
};

TEST_F(LocateForm, TheDialogShowsItsSettingsAndFirstFindsAndCloses) {
    const bool found = execute([](TMyLocateDlg* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Locate Field Value"));
        EXPECT_TRUE(d->PartialMatchStartBtn->isChecked());
        EXPECT_FALSE(d->CaseSensitiveCheckBox->isChecked());
        EXPECT_TRUE(d->NextButton->isDefault());
        EXPECT_EQ(d->FieldNameComboBox->count(), 36);
        EXPECT_EQ(d->FieldNameComboBox->itemText(0), QStringLiteral("Author"));  // by name
        EXPECT_EQ(d->FieldNameComboBox->currentIndex(), -1);
        d->FieldNameComboBox->setCurrentText(QStringLiteral("Title"));
        d->SearchValue->setText(QStringLiteral("war"));
        d->FirstButton->click();
    });
    EXPECT_TRUE(found);
    EXPECT_EQ(currentTitle(), QStringLiteral("War and Peace"));  // in Author order
    EXPECT_EQ(locate->options().searchField, QStringLiteral("Title"));
    EXPECT_EQ(locate->options().searchValue, QStringLiteral("war"));
}

TEST_F(LocateForm, LocateNextRepeatsTheSearchAndReportsTheEnd) {
    execute([](TMyLocateDlg* d) {
        d->FieldNameComboBox->setCurrentText(QStringLiteral("Title"));
        d->SearchValue->setText(QStringLiteral("war"));
        d->PartialMatchAnyBtn->setChecked(true);
        d->FirstButton->click();
    });
    // In Author order: Sun Tzu, Tolstoy (two), Trollope.
    EXPECT_EQ(currentTitle(), QStringLiteral("The Art of War"));
    EXPECT_TRUE(locate->FindNext());
    EXPECT_EQ(currentTitle(), QStringLiteral("War and Peace"));
    EXPECT_TRUE(locate->FindNext());
    EXPECT_EQ(currentTitle(), QStringLiteral("Warden"));
    {
        ScriptedPrompter p;
        p.expectNotice(QStringLiteral("No more matches found"));
        EXPECT_FALSE(locate->FindNext());
    }
    EXPECT_EQ(currentTitle(), QStringLiteral("Warden"));
    // Without messages, a failed Locate Next says nothing.
    locate->options().showMessages = false;
    ScriptedPrompter quiet;
    EXPECT_FALSE(locate->FindNext());
}

TEST_F(LocateForm, NothingFoundKeepsTheDialogOpenAndCancelStillRemembers) {
    const bool found = execute([](TMyLocateDlg* d) {
        d->FieldNameComboBox->setCurrentText(QStringLiteral("Author"));
        d->SearchValue->setText(QStringLiteral("nobody"));
        d->ExactMatchBtn->setChecked(true);
        d->CaseSensitiveCheckBox->setChecked(true);
        {
            ScriptedPrompter p;
            p.expectNotice(QStringLiteral("No matches found"));
            d->FirstButton->click();
            p.expectNotice(QStringLiteral("No more matches found"));
            d->NextButton->click();
        }
        EXPECT_TRUE(d->isVisible());
        d->BitBtn1->click();
    });
    EXPECT_FALSE(found);
    EXPECT_EQ(locate->options().searchField, QStringLiteral("Author"));
    EXPECT_EQ(locate->options().searchValue, QStringLiteral("nobody"));
    EXPECT_EQ(locate->options().matchType, find::MatchType::Exact);
    EXPECT_TRUE(locate->options().caseSensitive);
    // The next showing starts from what was stored.
    execute([](TMyLocateDlg* d) {
        EXPECT_EQ(d->FieldNameComboBox->currentText(), QStringLiteral("Author"));
        EXPECT_EQ(d->SearchValue->text(), QStringLiteral("nobody"));
        EXPECT_TRUE(d->ExactMatchBtn->isChecked());
    });
}

TEST_F(LocateForm, TheFirstLocateNextOpensTheDialog) {
    QString seen;
    testsupport::closeNextModal(&seen);
    EXPECT_FALSE(locate->FindNext());
    EXPECT_EQ(seen, QStringLiteral("MyLocateDlg"));
}

TEST_F(LocateForm, AClosedTableIsReported) {
    link.collection().table().close();
    ScriptedPrompter p;
    p.expectError(QStringLiteral("DataSource does not reference an active DataSet"));
    EXPECT_FALSE(locate->Execute());
    p.expectWarning(QStringLiteral("DataSource does not refer to an active table!"));
    EXPECT_FALSE(locate->FindNext());
}

TEST_F(LocateForm, LocateSearchesOnlyTheRecordsOfAnActiveSearch) {
    link.beginSearch(
        [](const dbase::Table& t) { return t.asString(t.fieldIndex("Author")) == "Tolstoy"; });
    execute([](TMyLocateDlg* d) {
        d->FieldNameComboBox->setCurrentText(QStringLiteral("Title"));
        d->SearchValue->setText(QStringLiteral("w"));
        d->PartialMatchAnyBtn->setChecked(true);
        d->FirstButton->click();
    });
    EXPECT_EQ(currentTitle(), QStringLiteral("War and Peace"));
    ScriptedPrompter p;
    p.expectNotice(QStringLiteral("No more matches found"));
    EXPECT_FALSE(locate->FindNext());
}

// ---- Search and replace ---------------------------------------------------

class ReplaceForm : public FindForms {
  protected:
    void SetUp() override {
        FindForms::SetUp();
        form = std::make_unique<TSearchAndReplace>(link, link.dialogParent());
        form->show();
    }
    void TearDown() override {
        form.reset();
        FindForms::TearDown();
    }
    void choose(int fieldNo, const QString& search, const QString& replacement) {
        form->FieldBox->setCurrentIndex(fieldNo - 1);
        form->SearchText->setText(search);
        form->ReplaceText->setText(replacement);
    }
    std::unique_ptr<TSearchAndReplace> form;
};

TEST_F(ReplaceForm, RequestsAreCheckedFirst) {
    ScriptedPrompter p;
    p.expectError(QStringLiteral("No field has been selected."));
    form->StartButtonClick();
    choose(7, QStringLiteral("x"), QStringLiteral("1"));
    p.expectError(QStringLiteral("Invalid search value entered.  Please correct."));
    form->StartButtonClick();
    EXPECT_TRUE(form->isVisible());
    form->FieldBox->setCurrentIndex(11);                        // PurchDate
    EXPECT_EQ(form->SearchText->text(), QStringLiteral("//"));  // the bare mask
    p.expectError(QStringLiteral("Invalid search date entered.  Please correct."));
    form->StartButtonClick();
    form->FieldBox->setCurrentIndex(4);  // Category: no mask, its width
    EXPECT_EQ(form->SearchText->inputMask(), QString());
    EXPECT_EQ(form->SearchText->maxLength(), 20);
}

// The main window's date format, not the program's (m/d/y here): the mask
// takes its separator and the dates are read day first.
TEST_F(ReplaceForm, DatesAreReadInTheMainWindowsDateFormat) {
    ASSERT_TRUE(link.settings().formats.setDateFormat(12));  // dd.mm.yyyy
    form->FieldBox->setCurrentIndex(11);                     // PurchDate
    EXPECT_EQ(form->SearchText->text(), QStringLiteral(".."));
    form->SearchText->setText(QStringLiteral("31.12.1999"));
    form->ReplaceText->setText(QStringLiteral("01.01.2000"));
    ScriptedPrompter p;
    p.expectNotice(QStringLiteral("Global Search and Replace Complete."),
                   QStringLiteral("Finished"));
    form->StartButtonClick();
    EXPECT_EQ(form->FoundCount->text(), QStringLiteral("0"));
}

TEST_F(ReplaceForm, ConfirmedRunCountsAndRestoresTheSearch) {
    link.beginSearch(
        [](const dbase::Table& t) { return t.asString(t.fieldIndex("Author")) == "Tolstoy"; });
    choose(5, QStringLiteral("fiction"), QStringLiteral("Novels"));
    form->ConfirmBox->setChecked(true);
    {
        ScriptedPrompter p;
        // Physical order, every record (the search is ended for the run).
        p.expectQuestion(QStringLiteral("Confirm"),
                         QStringLiteral("Item = \"War and Peace\".  Change this record?"), true);
        p.expectQuestion(QStringLiteral("Confirm"),
                         QStringLiteral("Item = \"Warden\".  Change this record?"), false);
        p.expectNotice(QStringLiteral("Global Search and Replace Complete."),
                       QStringLiteral("Finished"));
        form->StartButtonClick();
    }
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->ProcessedCount->text(), QStringLiteral("4"));
    EXPECT_EQ(form->FoundCount->text(), QStringLiteral("2"));
    EXPECT_EQ(form->ChangedCount->text(), QStringLiteral("1"));
    EXPECT_TRUE(link.searchActive());
    EXPECT_EQ(shownTitles(), QStringList({"War and Peace", "Anna Karenina"}));
    EXPECT_EQ(testsupport::fieldOf(path, QStringLiteral("War and Peace"), "Category"),
              QStringLiteral("Novels"));
    EXPECT_EQ(testsupport::fieldOf(path, QStringLiteral("Warden"), "Category"),
              QStringLiteral("FICTION"));
}

TEST_F(ReplaceForm, AnotherProgramHoldingTheFileIsReported) {
    filestest::Holder holder(path, "shared");
    ASSERT_TRUE(holder.ready());
    choose(5, QStringLiteral("fiction"), QStringLiteral("Novels"));
    ScriptedPrompter p;
    p.expectError(find::inUseMessage());
    form->StartButtonClick();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(link.collection().isOpen());
    EXPECT_EQ(shownTitles().size(), 4);
}

// ---- The commands ---------------------------------------------------------

TEST_F(FindForms, RegisteringGivesTheFourCommandsAndTheQueryForm) {
    findui::registerHandlers(link);
    for (ui::Command c : {ui::Command::Search, ui::Command::Find, ui::Command::FindNext,
                          ui::Command::SearchReplace})
        EXPECT_NE(link.handlers.find(c), nullptr);
    EXPECT_NE(link.dialogParent()->findChild<TMySearch*>(QStringLiteral("MySearch")), nullptr);
    QString seen;
    testsupport::closeNextModal(&seen);
    (*link.handlers.find(ui::Command::Search))(link, 0);
    EXPECT_EQ(seen, QStringLiteral("MySearch"));
    EXPECT_EQ(link.refreshed, 1);
}

}  // namespace
