// Search, End Search, Locate and Locate Next through the main window: the
// find subsystem's windows reached from every trigger, the search state
// shown in the window, and the grid following a located record.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "data/grid_model.h"
#include "find/ui/mylocate.h"
#include "find/ui/tmysearch.h"
#include "tests/app/main_fixture.h"

using findui::TMyLocateDlg;
using findui::TMySearch;

namespace {

class SearchCommandsTest : public MainFixture {
  protected:
    // The sample books: "Book i" by "Author i mod 3", i from 0 to 4.
    void searchAuthor(const QString& author) {
        QString seen;
        testsupport::closeNextModal(&seen, [author](QWidget* w) {
            auto* form = qobject_cast<TMySearch*>(w);
            ASSERT_NE(form, nullptr);
            form->setCriterion(2, author);
            form->OkButtonClick();
        });
        main->DoSearch();
        EXPECT_EQ(seen, QStringLiteral("MySearch"));
    }
    // The label and the menu item follow the search state in every layout.
    bool searchShown() {
        const bool label = mw::SearchOnLabel(main)->isVisible();
        const bool menu = child<QAction>("MenuEndSearch")->isEnabled();
        EXPECT_EQ(label, menu);
        return label && menu;
    }
};

TEST_F(SearchCommandsTest, ASearchFiltersTheViewerUntilEndSearchFromAnyTrigger) {
    const std::vector<std::function<void()>> enders{
        [this] {
            main->ButtonBarClick(2);
            child<QPushButton>("EndSearchButton")->click();
        },
        [this] {
            main->ButtonBarClick(1);
            child<QToolButton>("EndSearchSpeed")->click();
        },
        [this] { child<QAction>("MenuEndSearch")->trigger(); }};
    for (const auto& end : enders) {
        searchAuthor(QStringLiteral("author 1"));
        EXPECT_TRUE(books::runState().searchActive);
        EXPECT_TRUE(searchShown());
        EXPECT_EQ(shownCount(), 2);
        EXPECT_EQ(main->MyDataSource()->rowCount(), 2);
        end();
        EXPECT_FALSE(searchShown());
        EXPECT_EQ(shownCount(), 5);
        EXPECT_EQ(main->MyDataSource()->rowCount(), 5);
    }
}

TEST_F(SearchCommandsTest, ANewSearchReplacesTheOneInForce) {
    searchAuthor(QStringLiteral("author 1"));
    searchAuthor(QStringLiteral("author 0"));
    EXPECT_EQ(shownCount(), 2);  // books 0 and 3
    EXPECT_TRUE(searchShown());
}

TEST_F(SearchCommandsTest, NoMatchesLeavesTheSearchOffAndTheFormOpen) {
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* w) {
        auto* form = qobject_cast<TMySearch*>(w);
        ASSERT_NE(form, nullptr);
        form->setCriterion(1, QStringLiteral("no such book"));
        {
            testsupport::ScriptedPrompter p;
            p.expectNotice(
                QStringLiteral("No valid matches found.  Search Criteria will be cleared."));
            form->OkButtonClick();
        }
        EXPECT_TRUE(form->isVisible());
        form->ExitButtonClick();
    });
    main->DoSearch();
    EXPECT_FALSE(searchShown());
    EXPECT_EQ(shownCount(), 5);
}

TEST_F(SearchCommandsTest, LocateMovesTheGridAndLocateNextRepeatsIt) {
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* w) {
        auto* d = qobject_cast<TMyLocateDlg*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Locate Field Value"));
        d->FieldNameComboBox->setCurrentText(QStringLiteral("Author"));
        d->SearchValue->setText(QStringLiteral("author 1"));
        d->FirstButton->click();
    });
    child<QAction>("MenuFind")->trigger();
    EXPECT_EQ(seen, QStringLiteral("MyLocateDlg"));
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 1);
    main->ButtonBarClick(1);
    child<QToolButton>("LocateNextSpeed")->click();
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 4);
    {
        testsupport::ScriptedPrompter p;
        p.expectNotice(QStringLiteral("No more matches found"));
        child<QAction>("MenuFindNext")->trigger();
    }
    EXPECT_EQ(mw::ViewerGrid(main)->currentIndex().row(), 4);
}

}  // namespace

namespace {

// How often a search's test is asked while the search is begun and the
// viewer shows its first screen and count.
class SearchPassesTest : public MainFixture {
  protected:
    int sampleBooks() const override { return 40; }
    int callsToBegin(std::function<bool(const dbase::Table&)> test, bool* any) {
        int calls = 0;
        *any = main->beginSearch([&calls, test](const dbase::Table& t) {
            ++calls;
            return test(t);
        });
        QCoreApplication::processEvents();  // the grid paints its rows
        (void)main->MyDataSource()->rowCount();
        return calls;
    }
};

TEST_F(SearchPassesTest, ASearchThatNoRecordPassesReadsTheTableOnlyOnce) {
    bool any = true;
    const int calls = callsToBegin([](const dbase::Table&) { return false; }, &any);
    EXPECT_FALSE(any);
    EXPECT_EQ(calls, 40);
    main->DoEndSearch();
    EXPECT_EQ(shownCount(), 40);
}

TEST_F(SearchPassesTest, FindingThatRecordsPassStopsAtTheFirstAndTheGridListsThemOnce) {
    bool any = false;
    const int calls = callsToBegin(
        [](const dbase::Table& t) { return t.asString(t.fieldIndex("Author")) == "Author 0"; },
        &any);
    EXPECT_TRUE(any);
    EXPECT_LE(calls, 40 + 1);
    EXPECT_EQ(shownCount(), 14);
    main->DoEndSearch();
}

}  // namespace
