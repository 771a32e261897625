// Navigation, changes, the record filter, grid positions and observers.
#include <gtest/gtest.h>

#include <algorithm>

#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::Table;
using dbase::TableState;
using tktest::TempDir;

class TableCursor : public ::testing::Test {
  protected:
    void SetUp() override {
        path = tktest::makeSampleTable(dir, 10);
        t.setFileName(path);
        t.open();
        title = t.fieldIndex("title");
        year = t.fieldIndex("yearpub");
    }
    std::vector<std::string> titles() { return tktest::column(t, "TITLE"); }
    TempDir dir;
    std::string path;
    Table t;
    int title = 0;
    int year = 0;
};

struct CountingObserver : dbase::TableObserver {
    int resets = 0;
    std::vector<std::uint32_t> changed;
    void tableReset() override { ++resets; }
    void recordChanged(std::uint32_t recNo) override { changed.push_back(recNo); }
};

TEST_F(TableCursor, WalksForwardAndBackwardWithBofAndEof) {
    t.first();
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.recNo(), 1u);
    EXPECT_EQ(titles().size(), 10u);
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recNo(), 10u);  // next at the last record stays there

    t.last();
    EXPECT_TRUE(t.eof());
    std::vector<std::uint32_t> back;
    while (!t.bof()) {
        back.push_back(t.recNo());
        t.prior();
    }
    ASSERT_EQ(back.size(), 10u);
    EXPECT_EQ(back.front(), 10u);
    EXPECT_EQ(back.back(), 1u);
    EXPECT_EQ(t.recNo(), 1u);

    EXPECT_TRUE(t.gotoRecNo(7));
    EXPECT_EQ(t.asString(title), "Book 7");
    EXPECT_FALSE(t.gotoRecNo(11));
    EXPECT_FALSE(t.gotoRecNo(0));
}

TEST_F(TableCursor, DeletedRecordsVanishAtOnceButStayInTheFile) {
    t.gotoRecNo(3);
    t.deleteRecord();
    EXPECT_EQ(t.recNo(), 4u);  // the next visible record becomes current
    EXPECT_FALSE(t.gotoRecNo(3));
    EXPECT_EQ(t.recordCount(), 9u);
    EXPECT_EQ(t.physicalRecordCount(), 10u);
    t.last();
    t.deleteRecord();
    EXPECT_EQ(t.recNo(), 9u);  // no next: the one before

    // Another table object sees the same.
    Table other;
    other.setFileName(path);
    other.open();
    const auto seen = tktest::column(other, "TITLE");
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "Book 3"), 0);
    EXPECT_EQ(tktest::readBytes(path)[32 + 5 * 32 + 1 + 2 * 58], '*');
}

TEST_F(TableCursor, DeletingEveryRecordLeavesAnEmptyView) {
    t.first();
    while (!t.isEmpty())
        t.deleteRecord();
    EXPECT_EQ(t.recNo(), 0u);
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recordCount(), 0u);
    EXPECT_EQ(t.asString(title), "");
}

TEST_F(TableCursor, EditPostAndCancel) {
    t.gotoRecNo(2);
    t.edit();
    EXPECT_EQ(t.state(), TableState::Edit);
    t.setString(title, "Changed");
    EXPECT_EQ(t.asString(title), "Changed");  // the buffer is what is read while editing
    t.cancel();
    EXPECT_EQ(t.asString(title), "Book 2");

    t.edit();
    t.setString(title, "Changed");
    t.post();
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(t.recNo(), 2u);
    Table other;
    other.setFileName(path);
    other.open();
    other.gotoRecNo(2);
    EXPECT_EQ(other.asString(title), "Changed");
    EXPECT_EQ(other.stringAt(2, title), "Changed");

    // Inserting and cancelling writes nothing.
    t.append();
    t.setString(title, "never");
    t.cancel();
    EXPECT_EQ(t.physicalRecordCount(), 10u);
    EXPECT_EQ(tktest::readBytes(path).size(), 32u + 5 * 32 + 1 + 10 * 58 + 1);
}

TEST_F(TableCursor, NavigatingWhileEditingPostsTheChange) {
    t.gotoRecNo(5);
    t.edit();
    t.setString(title, "Posted by moving");
    t.next();
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(t.stringAt(5, title), "Posted by moving");
}

TEST_F(TableCursor, FilterIsConsultedAsRecordsAreRead) {
    t.setFilter([this](const Table& tab) { return static_cast<int>(tab.asFloat(year)) % 2 == 0; });
    EXPECT_EQ(titles(),
              (std::vector<std::string>{"Book 2", "Book 4", "Book 6", "Book 8", "Book 10"}));
    EXPECT_EQ(t.recordCount(), 5u);
    EXPECT_FALSE(t.gotoRecNo(3));
    t.last();
    EXPECT_EQ(t.recNo(), 10u);
    t.prior();
    EXPECT_EQ(t.recNo(), 8u);

    // A posted edit the filter now refuses disappears from view.
    t.edit();
    t.setFloat(year, 1999);
    t.post();
    EXPECT_NE(t.recNo(), 8u);
    EXPECT_EQ(t.recordCount(), 4u);

    // The filter reads the candidate even while the cursor is elsewhere.
    t.setFilter([this](const Table& tab) { return tab.asString(title) == "Book 7"; });
    EXPECT_EQ(t.recNo(), 7u);
    EXPECT_EQ(t.recordCount(), 1u);
    t.setFilter({});
    EXPECT_EQ(t.recordCount(), 10u);
    EXPECT_FALSE(t.hasFilter());
}

TEST_F(TableCursor, FilterRefusingEverythingGivesAnEmptyView) {
    t.setFilter([](const Table&) { return false; });
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recordCount(), 0u);
    EXPECT_EQ(t.recNoAtPosition(0), 0u);
}

TEST_F(TableCursor, PositionsFollowDeletesInsertsAndTheFilter) {
    EXPECT_EQ(t.recordCount(), 10u);
    t.moveToPosition(4);
    EXPECT_EQ(t.recNo(), 5u);
    EXPECT_EQ(t.position(), 4u);
    t.deleteRecord();  // record 5
    EXPECT_EQ(t.recordCount(), 9u);
    EXPECT_EQ(t.recNoAtPosition(4), 6u);
    EXPECT_EQ(t.position(), 4u);  // record 6 now sits at position 4

    tktest::appendBook(t, "New", 2000, 1);
    EXPECT_EQ(t.recordCount(), 10u);
    EXPECT_EQ(t.recNo(), 11u);
    EXPECT_EQ(t.position(), 9u);
    EXPECT_EQ(t.recNoAtPosition(9), 11u);
    EXPECT_EQ(t.recNoAtPosition(10), 0u);
    t.moveToPosition(1000);  // past the end: the last record
    EXPECT_EQ(t.recNo(), 11u);

    t.setFilter([this](const Table& tab) { return tab.asFloat(year) > 1907; });
    EXPECT_EQ(t.recordCount(), 4u);  // 8, 9, 10 and the new one
    EXPECT_EQ(t.recNoAtPosition(0), 8u);
}

TEST_F(TableCursor, RefreshSeesRecordsAddedByAnotherTableObject) {
    Table other;
    other.setFileName(path);
    other.open();
    tktest::appendBook(other, "From other", 2001, 2);
    EXPECT_EQ(t.recordCount(), 10u);
    t.refresh();
    EXPECT_EQ(t.recordCount(), 11u);
    t.last();
    EXPECT_EQ(t.asString(title), "From other");

    // Appending here after the other appended lands after its record.
    tktest::appendBook(other, "Other again", 2002, 2);
    tktest::appendBook(t, "Mine", 2003, 3);
    EXPECT_EQ(t.recNo(), 13u);
    EXPECT_EQ(t.recordCount(), 13u);
    EXPECT_EQ(t.stringAt(12, title), "Other again");
}

TEST_F(TableCursor, ObserversAreToldAndHeldBackWhileDisabled) {
    CountingObserver obs;
    t.addObserver(&obs);
    t.gotoRecNo(1);
    t.edit();
    t.setString(title, "x");
    t.post();
    EXPECT_EQ(obs.changed, (std::vector<std::uint32_t>{1}));
    t.deleteRecord();
    EXPECT_EQ(obs.resets, 1);

    t.disableControls();
    t.disableControls();
    EXPECT_TRUE(t.controlsDisabled());
    tktest::appendBook(t, "a", 1, 1);
    tktest::appendBook(t, "b", 1, 1);
    t.refresh();
    EXPECT_EQ(obs.resets, 1);
    t.enableControls();
    EXPECT_EQ(obs.resets, 1);  // still one level held
    t.enableControls();
    EXPECT_EQ(obs.resets, 2);  // one reset for the whole batch
    t.enableControls();        // unbalanced: harmless
    EXPECT_FALSE(t.controlsDisabled());

    t.removeObserver(&obs);
    t.refresh();
    EXPECT_EQ(obs.resets, 2);
}

TEST_F(TableCursor, WithoutAnIndexFileOnlyRecordOrderCanBeSelected) {
    EXPECT_NO_THROW(t.setIndexTag(""));
    EXPECT_EQ(t.indexTag(), "");
    EXPECT_FALSE(t.hasIndexFile());
    EXPECT_THROW(t.setIndexTag("NEWINDEX"), Error);
}

}  // namespace
