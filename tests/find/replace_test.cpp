// Search and replace over a real collection opened with its sort tag.
#include <gtest/gtest.h>

#include <QStringList>

#include "data/open_collection.h"
#include "find/replace.h"
#include "settings/formats.h"
#include "tests/data/files_test_util.h"
#include "tests/find/find_fixture.h"

namespace {

using find::ReplaceOutcome;
using find::ReplaceRequest;
using find::RequestProblem;

constexpr int kAuthor = 2, kYearPub = 3, kCategory = 5, kCost = 7, kPurchDate = 12;

class ReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("BOOKS.DBF"));
        books::createCollection(path);
        dbase::Table t;
        t.setFileName(path.toStdString());
        t.open();
        const auto add = [&](findtest::Values v) { findtest::appendBook(t, v); };
        add({{"Title", "One"},
             {"Author", "Zola"},
             {"Category", "Fiction"},
             {"Cost", "12.5"},
             {"PurchDate", "1996-03-15"}});
        add({{"Title", "Two"}, {"Author", "Austen"}, {"Category", "FICTION"}, {"Cost", "12.49"}});
        add({{"Title", "Three"},
             {"Author", "Mann"},
             {"Category", "Science Fiction"},
             {"Cost", "12.50"},
             {"PurchDate", "1996-03-15"}});
        add({{"Title", "Four"}, {"Author", "Austen"}, {"Cost", "3"}});
        add({{"Title", "Five"}, {"Author", "Balzac"}, {"Category", "fiction "}});
        t.close();
        collection.setSortLevels({kAuthor, 0, 0, 0});
        collection.openWithSortTag(path);
        ASSERT_TRUE(formats.setDateFormat(7));  // m/d/yyyy
    }

    find::ReplaceReport run(int fieldNo, const QString& search, const QString& replacement,
                            bool confirm = false) {
        const ReplaceRequest r{fieldNo, search, replacement, confirm, formats};
        EXPECT_EQ(find::checkRequest(r), RequestProblem::None);
        return find::replaceValues(collection, r, hooks);
    }
    // One field of the book with this title, read from the file afresh.
    QString field(const char* title, const char* name) {
        dbase::Table t;
        t.setFileName(path.toStdString());
        t.setReadOnly(true);
        t.open();
        for (t.first(); !t.eof(); t.next())
            if (t.asString(t.fieldIndex("Title")) == title)
                return QString::fromStdString(t.asString(t.fieldIndex(name)));
        return QStringLiteral("<none>");
    }
    // The table is back as every other user expects it: shared, in the
    // order of the rebuilt sort tag.
    void expectOpenSharedWithTag() {
        dbase::Table& t = collection.table();
        EXPECT_TRUE(t.isOpen());
        EXPECT_EQ(t.mode(), dbase::OpenMode::Shared);
        EXPECT_EQ(QString::fromStdString(t.indexTag()).toUpper(), QStringLiteral("NEWINDEX"));
        dbase::Table other;
        other.setFileName(path.toStdString());
        EXPECT_NO_THROW(other.open());
        QStringList authors;
        for (t.first(); !t.eof(); t.next())
            authors << QString::fromStdString(t.asString(t.fieldIndex("Author")));
        QStringList sorted = authors;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.toUpper() < b.toUpper(); });
        EXPECT_EQ(authors, sorted);
        EXPECT_EQ(authors.size(), 5);
    }

    QTemporaryDir dir;
    QString path;
    books::OpenCollection collection;
    find::ReplaceHooks hooks;
    settings::Formats formats;
};

TEST_F(ReplaceTest, TextMatchesTheWholeValueWithoutRegardToCase) {
    const auto report = run(kCategory, QStringLiteral(" fiction "), QStringLiteral("Novels"));
    EXPECT_EQ(report.outcome, ReplaceOutcome::Completed);
    EXPECT_EQ(report.counts.processed, 5u);
    EXPECT_EQ(report.counts.found, 3u);
    EXPECT_EQ(report.counts.changed, 3u);
    EXPECT_EQ(field("One", "Category"), QStringLiteral("Novels"));
    EXPECT_EQ(field("Two", "Category"), QStringLiteral("Novels"));
    EXPECT_EQ(field("Five", "Category"), QStringLiteral("Novels"));
    EXPECT_EQ(field("Three", "Category"), QStringLiteral("Science Fiction"));
    expectOpenSharedWithTag();
}

TEST_F(ReplaceTest, EmptySearchTextMatchesEmptyFieldsAndEmptyReplacementEmpties) {
    auto report = run(kCategory, QString(), QStringLiteral("Unsorted"));
    EXPECT_EQ(report.counts.changed, 1u);
    EXPECT_EQ(field("Four", "Category"), QStringLiteral("Unsorted"));
    report = run(kCategory, QStringLiteral("science fiction"), QString());
    EXPECT_EQ(report.counts.changed, 1u);
    EXPECT_EQ(field("Three", "Category"), QString());
}

TEST_F(ReplaceTest, ConfirmationNamesTheTitleAndNoCountsAsFoundOnly) {
    QStringList asked;
    hooks.confirm = [&](const QString& q) {
        asked << q;
        return asked.size() != 2;
    };
    const auto report = run(kCategory, QStringLiteral("fiction"), QStringLiteral("Novels"), true);
    EXPECT_EQ(asked, QStringList({"Item = \"One\".  Change this record?",
                                  "Item = \"Two\".  Change this record?",
                                  "Item = \"Five\".  Change this record?"}));
    EXPECT_EQ(report.counts.found, 3u);
    EXPECT_EQ(report.counts.changed, 2u);
    EXPECT_EQ(field("Two", "Category"), QStringLiteral("FICTION"));
}

TEST_F(ReplaceTest, NumbersAndDatesMatchExactly) {
    auto report = run(kCost, QStringLiteral("12.5"), QStringLiteral("-1e1"));
    EXPECT_EQ(report.counts.changed, 2u);
    EXPECT_EQ(field("One", "Cost"), QStringLiteral("-10.00"));
    EXPECT_EQ(field("Three", "Cost"), QStringLiteral("-10.00"));
    EXPECT_EQ(field("Two", "Cost"), QStringLiteral("12.49"));
    report = run(kPurchDate, QStringLiteral("03/15/1996"), QStringLiteral("12/31/1999"));
    EXPECT_EQ(report.counts.changed, 2u);
    EXPECT_EQ(field("One", "PurchDate"), QStringLiteral("19991231"));
}

TEST_F(ReplaceTest, ChangingTheSortedFieldSkipsAndRepeatsNothing) {
    // Each change would move the record past the others in the Author order.
    QStringList seen;
    hooks.confirm = [&](const QString& q) {
        seen << q;
        return true;
    };
    const auto report = run(kAuthor, QStringLiteral("austen"), QStringLiteral("Zzz Austen"), true);
    EXPECT_EQ(seen, QStringList({"Item = \"Two\".  Change this record?",
                                 "Item = \"Four\".  Change this record?"}));
    EXPECT_EQ(report.counts.processed, 5u);
    EXPECT_EQ(report.counts.changed, 2u);
    expectOpenSharedWithTag();
    collection.table().last();
    EXPECT_EQ(collection.table().asString(collection.table().fieldIndex("Author")), "Zzz Austen");
}

TEST_F(ReplaceTest, AnotherProcessHoldingTheFileStopsTheRunBeforeAnyChange) {
    filestest::Holder holder(path, "shared");
    ASSERT_TRUE(holder.ready());
    const auto report = run(kCategory, QStringLiteral("fiction"), QStringLiteral("Novels"));
    EXPECT_EQ(report.outcome, ReplaceOutcome::InUse);
    EXPECT_EQ(report.counts.changed, 0u);
    EXPECT_EQ(field("One", "Category"), QStringLiteral("Fiction"));
    EXPECT_TRUE(collection.table().isOpen());
    EXPECT_EQ(QString::fromStdString(collection.table().indexTag()).toUpper(),
              QStringLiteral("NEWINDEX"));
}

// A replacement the field cannot hold stops the run part-way: the changes
// made so far stay, and the table is still left shared with its sort tag.
TEST_F(ReplaceTest, AFailurePartWayStillRebuildsTheTagAndOpensShared) {
    const auto report = run(kYearPub, QStringLiteral("0"), QStringLiteral("1e30"));
    EXPECT_EQ(report.outcome, ReplaceOutcome::Interrupted);
    EXPECT_EQ(report.counts.changed, 0u);
    EXPECT_FALSE(report.error.isEmpty());
    EXPECT_TRUE(find::interruptedMessage(report).contains(
        QStringLiteral("Records changed before it stopped: 0.")));
    expectOpenSharedWithTag();
}

// A failure after some records were changed (here the disk refusing while
// the second record is confirmed) keeps the changes made, says how many, and
// still leaves the table shared with its tag.
TEST_F(ReplaceTest, AFailureAfterChangesKeepsThemAndCountsThem) {
    int asked = 0;
    hooks.confirm = [&](const QString&) -> bool {
        if (++asked == 2)
            throw dbase::Error(dbase::Error::Kind::Io, "The disk refused the write.");
        return true;
    };
    const auto report = run(kCategory, QStringLiteral("fiction"), QStringLiteral("Novels"), true);
    EXPECT_EQ(report.outcome, ReplaceOutcome::Interrupted);
    EXPECT_EQ(report.counts.changed, 1u);
    EXPECT_EQ(find::interruptedMessage(report),
              QStringLiteral("Search and replace stopped: The disk refused the write.  Records "
                             "changed before it stopped: 1."));
    EXPECT_EQ(field("One", "Category"), QStringLiteral("Novels"));
    EXPECT_EQ(field("Two", "Category"), QStringLiteral("FICTION"));
    expectOpenSharedWithTag();
}

// Without a sort order there is no tag to take away or rebuild: the run
// changes the records and leaves the table shared in record order.
TEST_F(ReplaceTest, WithoutASortOrderTheTableStaysInRecordOrder) {
    collection.setSortLevels({0, 0, 0, 0});
    collection.switchTo(path, books::SortTagRule::UnlessHeld);
    const auto report = run(kCategory, QStringLiteral("fiction"), QStringLiteral("Novels"));
    EXPECT_EQ(report.outcome, ReplaceOutcome::Completed);
    EXPECT_EQ(report.counts.changed, 3u);
    EXPECT_EQ(collection.table().indexTag(), "");
    EXPECT_EQ(collection.table().mode(), dbase::OpenMode::Shared);
    collection.table().first();
    EXPECT_EQ(collection.table().asString(collection.table().fieldIndex("Title")), "One");
}

// A run killed between removing the tag and rebuilding it leaves the file
// without the tag: the next start puts it back.
TEST_F(ReplaceTest, AStartAfterAKilledRunRestoresTheTag) {
    collection.table().close();
    {
        dbase::Table t;
        t.setFileName(path.toStdString());
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        t.deleteIndexTag("NewIndex");
    }
    books::OpenCollection restarted;
    restarted.setSortLevels({kAuthor, 0, 0, 0});
    restarted.openWithSortTag(path);
    EXPECT_EQ(QString::fromStdString(restarted.table().indexTag()).toUpper(),
              QStringLiteral("NEWINDEX"));
    restarted.table().first();
    EXPECT_EQ(restarted.table().asString(restarted.table().fieldIndex("Author")), "Austen");
}

TEST(ReplaceRequests, ValuesAreCheckedByFieldType) {
    settings::Formats formats;
    ASSERT_TRUE(formats.setDateFormat(7));  // m/d/yyyy
    const struct {
        int fieldNo;
        const char* search;
        const char* replacement;
        RequestProblem problem;
    } cases[] = {
        {0, "x", "y", RequestProblem::NoField},
        {kCategory, "", "", RequestProblem::None},
        {kCost, "", "1", RequestProblem::BadSearchValue},
        {kCost, "1,5", "1", RequestProblem::BadSearchValue},
        {kCost, " 1.5 ", "x", RequestProblem::BadReplacementValue},
        {kCost, "1.5", "-2e3", RequestProblem::None},
        {kPurchDate, "  /  /    ", "01/01/2000", RequestProblem::BadSearchDate},
        {kPurchDate, "02/30/2000", "01/01/2000", RequestProblem::BadSearchDate},
        {kPurchDate, "01/01/2000", "", RequestProblem::BadReplacementDate},
        {kPurchDate, "01/01/2000", "-  -", RequestProblem::BadReplacementDate},
        {kPurchDate, "01/01/2000", "2/3/2001", RequestProblem::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find::checkRequest({c.fieldNo, QString::fromLatin1(c.search),
                                      QString::fromLatin1(c.replacement), false, formats}),
                  c.problem)
            << c.fieldNo << " " << c.search << " " << c.replacement;
    EXPECT_EQ(find::problemMessage(RequestProblem::BadReplacementDate),
              QStringLiteral("Invalid replacement date entered.  Please correct."));

    // Dates in the request's formats: d.m.yyyy, then m/d/y.
    ASSERT_TRUE(formats.setDateFormat(12));
    EXPECT_EQ(find::checkRequest({kPurchDate, "31.12.1999", "1.1.2000", false, formats}),
              RequestProblem::None);
    const settings::Formats mdy;
    EXPECT_EQ(find::checkRequest({kPurchDate, "31.12.1999", "1.1.2000", false, mdy}),
              RequestProblem::BadSearchDate);
    EXPECT_EQ(find::checkRequest({kPurchDate, "12/31/99", "1/1/00", false, mdy}),
              RequestProblem::None);
}

}  // namespace
