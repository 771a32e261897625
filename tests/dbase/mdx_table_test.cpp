// The production index as the table uses it: tags added to and deleted from
// tables, navigation and positions in key order, every tag kept current as
// records change, damaged and foreign index files, and other processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "dbase/error.h"
#include "dbase/mdx_file.h"
#include "dbase/table.h"
#include "mdx_test_util.h"
#include "table_test_util.h"

namespace {

using dbase::Date;
using dbase::Error;
using dbase::OpenMode;
using dbase::Table;

const char* const kExpr = "Upper(Left(Title,20))+STR(YearPub,8,0)+DTOS(PurchDate)";

std::vector<std::uint32_t> navigation(Table& t) {
    std::vector<std::uint32_t> recs;
    for (t.first(); !t.eof(); t.next())
        recs.push_back(t.recNo());
    return recs;
}

std::vector<std::uint32_t> backwards(Table& t) {
    std::vector<std::uint32_t> recs;
    for (t.last(); !t.bof(); t.prior())
        recs.push_back(t.recNo());
    std::reverse(recs.begin(), recs.end());
    return recs;
}

// The outside checkers agree with the table: the format checker recomputes
// every key from the table file, and the Perl index reader lists the records
// in the order the table's own navigation takes (deleted records aside).
void expectOutsideReadersAgree(Table& t, const std::string& base) {
    const std::string tools = mdxtest::toolsDir();
    std::string out;
    EXPECT_EQ(
        mdxtest::run("/usr/bin/python3 " + tools + "/dbfmdx.py check " + base + " NEWINDEX", &out),
        0)
        << out;
    ASSERT_TRUE(mdxtest::haveXBaseIndex())
        << "Perl's XBase::Index is missing: run scripts/setup.sh";
    ASSERT_EQ(
        mdxtest::run("perl " + tools + "/mdx_keys.pl " + t.indexFileName() + " NEWINDEX", &out), 0)
        << out;
    std::vector<std::uint32_t> listed;
    size_t pos = 0;
    while (pos < out.size()) {
        const size_t nl = out.find('\n', pos);
        const std::string line = out.substr(pos, nl - pos);
        pos = nl == std::string::npos ? out.size() : nl + 1;
        const auto bar = line.rfind('|');
        if (bar != std::string::npos)
            listed.push_back(static_cast<std::uint32_t>(std::stoul(line.substr(bar + 1))));
    }
    EXPECT_EQ(listed.size(), t.physicalRecordCount());  // deleted records stay in the index
    std::vector<std::uint32_t> live;
    for (std::uint32_t r : listed)
        if (t.gotoRecNo(r))
            live.push_back(r);
    EXPECT_EQ(live, navigation(t));
}

class IndexedTable : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("books.dbf");
        base = dir.file("books");
        Table::create(path, tktest::sampleFields());
        t.setFileName(path);
        t.open();
        // Ties on purpose: equal titles and years in different letter case.
        const struct {
            const char* title;
            int year;
            Date date;
        } rows[] = {
            {"zebra", 1990, {1994, 3, 15}},
            {"Apple", 1990, {}},
            {"apple", 1990, {}},
            {"Mango", 0, {2001, 1, 1}},
            {"APPLE", 1985, {}},
            {"A very long title that runs on", 1, {}},
            {"apple", 1990, {}},
            {"Mango", 0, {1999, 12, 31}},
        };
        for (const auto& r : rows)
            tktest::appendBook(t, r.title, r.year, 0, r.date);
        t.close();
    }

    tktest::TempDir dir;
    std::string path, base;
    Table t;
};

TEST_F(IndexedTable, NavigationFollowsKeyOrderWithEqualKeysByRecordNumber) {
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.open();
    EXPECT_EQ(t.indexTag(), "NEWINDEX");
    // "A VERY LONG TITLE TH", then APPLE 1985, the three APPLE 1990 by record
    // number, MANGO with its dates, ZEBRA.
    const std::vector<std::uint32_t> keyOrder{6, 5, 2, 3, 7, 8, 4, 1};
    EXPECT_EQ(navigation(t), keyOrder);
    EXPECT_EQ(backwards(t), keyOrder);
    EXPECT_EQ(t.recordCount(), 8u);
    for (std::uint32_t p = 0; p < keyOrder.size(); ++p) {
        EXPECT_EQ(t.recNoAtPosition(p), keyOrder[p]);
        t.moveToPosition(p);
        EXPECT_EQ(t.recNo(), keyOrder[p]);
        EXPECT_EQ(t.position(), p);
    }
    // The filter sees records in key order too.
    const int title = t.fieldIndex("TITLE");
    t.setFilter([title](const Table& x) { return x.asString(title) != "apple"; });
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{6, 5, 2, 8, 4, 1}));
    EXPECT_EQ(t.recNoAtPosition(2), 2u);
    t.setFilter({});
    // Back to record order, and again.
    t.setIndexTag("");
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    t.setIndexTag("newindex");
    EXPECT_EQ(navigation(t), keyOrder);
    expectOutsideReadersAgree(t, base);
}

TEST_F(IndexedTable, EveryChangeKeepsTheIndexRight) {
    t.addIndexTag("NewIndex", kExpr);
    t.addIndexTag("Years", "STR(YearPub,8,0)");  // a second tag is kept too
    t.setIndexTag("NewIndex");
    t.open();
    const int title = t.fieldIndex("TITLE");
    const int year = t.fieldIndex("YEARPUB");
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        dbase::MdxFile f(t.indexFileName(), false);
        for (int tag = 0; tag < 2; ++tag)
            EXPECT_EQ(f.check(tag, t.physicalRecordCount(), true), t.physicalRecordCount());
        expectOutsideReadersAgree(t, base);
    };
    tktest::appendBook(t, "Banana", 2000, 1);
    EXPECT_EQ(t.recNo(), 9u);
    EXPECT_EQ(t.position(), 5u);  // after the apples and before the mangos
    check("append");

    ASSERT_TRUE(t.gotoRecNo(1));  // zebra becomes aardvark: it moves to the front
    t.edit();
    t.setString(title, "aardvark");
    t.post();
    EXPECT_EQ(t.recNo(), 1u);
    EXPECT_EQ(t.position(), 1u);  // "A VERY..." still sorts first: a blank before a letter
    check("edit of a key field");

    ASSERT_TRUE(t.gotoRecNo(4));
    t.edit();
    t.setString(t.fieldIndex("CHECKOUT"), "Yes");  // no key changes
    t.post();
    check("edit of another field");

    ASSERT_TRUE(t.gotoRecNo(2));
    t.deleteRecord();
    EXPECT_EQ(navigation(t).size(), 8u);
    check("delete");

    t.disableControls();
    t.beginBulk();
    for (int i = 0; i < 300; ++i)
        tktest::appendBook(t, "Bulk " + std::to_string(i % 37), 1900 + i % 50, i);
    t.endBulk();
    t.enableControls();
    t.first();
    t.edit();
    t.setFloat(year, 1234);
    t.post();
    check("many appends: a deeper tree");

    t.close();
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 308u);
    EXPECT_EQ(t.indexTag(), "NEWINDEX");
    EXPECT_EQ(t.indexTags(), (std::vector<std::string>{"NEWINDEX", "YEARS"}));
    check("pack");
}

TEST_F(IndexedTable, AddingAndDeletingTagsSetsTheFlagAndNamesTheFileLikeTheTable) {
    EXPECT_FALSE(t.hasIndexFile());
    t.addIndexTag("NewIndex", kExpr);
    EXPECT_EQ(t.indexFileName(), dir.file("books.mdx"));
    EXPECT_TRUE(t.hasIndexFile());
    EXPECT_EQ(tktest::readBytes(path)[28], 1);
    EXPECT_EQ(t.indexTags(), std::vector<std::string>{"NEWINDEX"});

    // Replacing a tag keeps one of that name.
    t.addIndexTag("NEWINDEX", "Upper(Title)");
    EXPECT_EQ(t.indexTags(), std::vector<std::string>{"NEWINDEX"});
    t.deleteIndexTag("NoSuchTag");  // nothing to delete: nothing changes
    EXPECT_TRUE(t.hasIndexFile());
    t.deleteIndexTag("newindex");
    EXPECT_FALSE(t.hasIndexFile());  // no tag left: no index file, flag cleared
    EXPECT_EQ(tktest::readBytes(path)[28], 0);

    // Upper-case table, upper-case index; and the engine finds it in any case.
    const std::string upper = dir.file("LOUD.DBF");
    Table::create(upper, tktest::sampleFields());
    Table u;
    u.setFileName(upper);
    u.addIndexTag("NewIndex", "Upper(Title)");
    EXPECT_TRUE(std::filesystem::exists(dir.file("LOUD.MDX")));
    u.open();
    EXPECT_EQ(u.indexTags(), std::vector<std::string>{"NEWINDEX"});
}

TEST_F(IndexedTable, BadExpressionsAndWrongStatesChangeNothing) {
    t.addIndexTag("NewIndex", kExpr);
    const auto before = tktest::readBytes(dir.file("books.mdx"));
    for (const char* bad : {"Upper(Left(Titel,20))", "STR(Title,8,0)", "Upper(Title"}) {
        try {
            t.addIndexTag("Other", bad);
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::InvalidExpression) << bad;
        }
    }
    EXPECT_THROW(t.addIndexTag("Bad Name", "Title"), Error);
    EXPECT_EQ(tktest::readBytes(dir.file("books.mdx")), before);
    t.open();  // shared: no tag changes
    try {
        t.addIndexTag("Other", "Title");
        ADD_FAILURE() << "added while shared";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::State);
    }
    EXPECT_THROW(t.regenerateIndexes(), Error);
    EXPECT_THROW(t.setIndexTag("Nothing"), Error);
    EXPECT_EQ(t.indexTag(), "");
    EXPECT_EQ(tktest::readBytes(dir.file("books.mdx")), before);

    // Refused while open for exclusive use: the index still follows changes.
    t.close();
    t.setMode(OpenMode::Exclusive);
    t.open();
    EXPECT_THROW(t.addIndexTag("Bad Name", "Title"), Error);
    EXPECT_THROW(t.addIndexTag("Other", "Upper(Nothing)"), Error);
    tktest::appendBook(t, "Added later", 1, 0);
    std::string out;
    EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " + base +
                               " NEWINDEX",
                           &out),
              0)
        << out;
}

TEST_F(IndexedTable, DamagedIndexIsReportedAndRegeneratingRepairsIt) {
    t.addIndexTag("NewIndex", kExpr);
    const std::string mdx = dir.file("books.mdx");
    auto bytes = tktest::readBytes(mdx);
    // The root leaf's first key sorts last now: keys out of order.
    const std::uint32_t root = bytes[4 * 512] | (bytes[4 * 512 + 1] << 8);
    std::fill_n(bytes.begin() + root * 512 + 12, 20, 'Z');
    tktest::writeBytes(mdx, bytes);
    const auto table = tktest::readBytes(path);

    t.setIndexTag("NewIndex");
    try {
        t.open();
        ADD_FAILURE() << "opened with a damaged index";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << e.what();
    }
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(tktest::readBytes(path), table);  // a failed open writes nothing

    // Exclusive use opens (in record order) so that the index can be
    // repaired; changes wait until it is.
    t.setMode(OpenMode::Exclusive);
    t.setIndexTag("");
    t.open();
    EXPECT_EQ(navigation(t).size(), 8u);
    t.first();
    t.edit();
    t.setString(t.fieldIndex("TITLE"), "changed");
    EXPECT_THROW(t.post(), Error);
    t.cancel();
    EXPECT_EQ(tktest::readBytes(path), table);
    t.regenerateIndexes();
    t.setIndexTag("NewIndex");
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{6, 5, 2, 3, 7, 8, 4, 1}));
    expectOutsideReadersAgree(t, base);

    // Opened for exclusive use in the order of the damaged tag, it is
    // regenerated at once.
    t.close();
    tktest::writeBytes(mdx, bytes);
    t.open();
    EXPECT_EQ(t.indexTag(), "NEWINDEX");
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{6, 5, 2, 3, 7, 8, 4, 1}));

    // A header beyond repair of its own: still regenerated from what is legible.
    t.close();
    bytes = tktest::readBytes(mdx);
    bytes[22] = 9;
    tktest::writeBytes(mdx, bytes);
    t.open();
    t.regenerateIndexes();
    EXPECT_EQ(t.indexTags(), std::vector<std::string>{"NEWINDEX"});
    expectOutsideReadersAgree(t, base);
}

TEST_F(IndexedTable, TagsTheEngineCannotEvaluateRefuseTheTable) {
    t.addIndexTag("NewIndex", kExpr);
    // Another program's tag with a function this engine does not know.
    dbase::MdxTagBuild foreign;
    foreign.name = "SOUNDS";
    foreign.expression = "SOUNDEX(TITLE)";
    foreign.keyLength = 4;
    dbase::MdxFile::write(dir.file("books.mdx"), "BOOKS", {foreign});
    const auto table = tktest::readBytes(path);
    try {
        t.open();
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::InvalidExpression);
        EXPECT_NE(std::string(e.what()).find("SOUNDS"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(tktest::readBytes(path), table);
}

TEST_F(IndexedTable, TensOfThousandsOfRecordsInKeyOrder) {
    t.open();
    t.disableControls();
    t.beginBulk();
    for (int i = 0; i < 30000; ++i)
        tktest::appendBook(t, "T" + std::to_string((i * 7919) % 10007), 1900 + i % 97, i);
    t.endBulk();
    t.enableControls();
    t.close();
    t.addIndexTag("NewIndex", "Upper(Left(Title,20))+STR(YearPub,8,0)");
    t.setIndexTag("NewIndex");
    t.open();
    EXPECT_GE(dbase::MdxFile(t.indexFileName(), false).depth(0), 3);
    const int title = t.fieldIndex("TITLE");
    const int year = t.fieldIndex("YEARPUB");
    std::string previous;
    std::uint32_t count = 0, prevRec = 0;
    char key[64];
    for (t.first(); !t.eof(); t.next(), ++count) {
        std::string k = t.asString(title);
        std::transform(k.begin(), k.end(), k.begin(), ::toupper);
        k.resize(20, ' ');
        std::snprintf(key, sizeof key, "%8.0f", t.asFloat(year));
        k += key;
        ASSERT_TRUE(previous < k || (previous == k && prevRec < t.recNo())) << count;
        previous = k;
        prevRec = t.recNo();
    }
    EXPECT_EQ(count, 30008u);
    t.moveToPosition(20000);
    EXPECT_EQ(t.position(), 20000u);
    expectOutsideReadersAgree(t, base);
}

// A tag written from keys gathered as records were appended (in batches
// and one by one, on top of records already there) is the very file a build
// from the records writes.
TEST_F(IndexedTable, GatheredKeysWriteTheTagARebuildWrites) {
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.gatherIndexTag("NewIndex", kExpr);
    t.beginBulkAppend();
    for (int i = 0; i < 20000; ++i)
        tktest::appendBook(t, "T" + std::to_string((i * 7919) % 1009), 1900 + i % 7, i,
                           i % 3 == 0 ? Date{} : Date{2000 + i % 20, 1 + i % 12, 1 + i % 28});
    t.endBulkAppend();
    tktest::appendBook(t, "apple", 1990, 0);
    t.addIndexTag("NewIndex", kExpr);
    const std::vector<std::uint8_t> gathered = tktest::readBytes(t.indexFileName());
    t.regenerateIndexes();
    EXPECT_TRUE(tktest::readBytes(t.indexFileName()) == gathered);
    t.setIndexTag("NewIndex");
    EXPECT_EQ(navigation(t).size(), 20009u);
}

// A change to a record whose key was gathered, or an index change in
// between, ends the gathering: the tag is then built from the records.
TEST_F(IndexedTable, ChangesAfterGatheringBuildTheTagFromTheRecords) {
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.gatherIndexTag("NewIndex", kExpr);
    tktest::appendBook(t, "banana", 1990, 0);
    t.first();
    t.edit();
    t.setString(t.fieldIndex("TITLE"), "Zzz last");
    t.post();
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.last();
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Zzz last");
    expectOutsideReadersAgree(t, base);

    t.setIndexTag({});
    t.deleteIndexTag("NewIndex");
    t.gatherIndexTag("NewIndex", kExpr);
    t.addIndexTag("Other", "Upper(Title)");
    tktest::appendBook(t, "Zzzz very last", 1990, 0);
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.last();
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Zzzz very last");
    expectOutsideReadersAgree(t, base);
    EXPECT_THROW(t.gatherIndexTag("Bad", "Upper(NoSuchField)"), Error);
}

// What a grid's first screen reads: positions near the top of the order come
// without counting the whole table, skip deleted records, and agree with the
// count taken afterwards; a change drops what was listed.
TEST_F(IndexedTable, TopPositionsComeWithoutTheCountAndStayExact) {
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.open();
    for (const std::uint32_t r : {6u, 2u}) {  // the first and third in key order
        ASSERT_TRUE(t.gotoRecNo(r));
        t.deleteRecord();
    }
    t.close();
    t.open();
    EXPECT_FALSE(t.recordCountKnown());
    EXPECT_EQ(t.recordCountBound(), 8u);  // deleted records are in the tag
    const std::vector<std::uint32_t> shown{5, 3, 7, 8, 4, 1};
    for (std::uint32_t p = 0; p < shown.size(); ++p)
        EXPECT_EQ(t.recNoAtPosition(p), shown[p]) << p;
    t.moveToPosition(2);
    EXPECT_EQ(t.recNo(), 7u);
    EXPECT_EQ(t.position(), 2u);
    EXPECT_EQ(t.recNoAtPosition(6), 0u);  // past the end: the order was listed whole
    EXPECT_TRUE(t.recordCountKnown());
    EXPECT_EQ(t.recordCount(), 6u);

    t.refresh();
    EXPECT_EQ(t.recNoAtPosition(1), 3u);
    t.moveToPosition(1);
    t.deleteRecord();  // record 3: what was listed goes with it
    EXPECT_EQ(t.recNoAtPosition(1), 7u);
    t.append();
    t.setString(t.fieldIndex("TITLE"), "AARDVARK");
    t.post();  // first in key order
    EXPECT_EQ(t.recNoAtPosition(0), 9u);
    EXPECT_EQ(t.recNoAtPosition(1), 5u);
    EXPECT_EQ(t.recordCount(), 6u);
    for (std::uint32_t p = 0; p < 6; ++p) {
        t.moveToPosition(p);
        EXPECT_EQ(t.position(), p);
    }

    // In record order the same, skipping the deleted records 2 and 3.
    t.setIndexTag("");
    EXPECT_FALSE(t.recordCountKnown());
    EXPECT_EQ(t.recordCountBound(), 9u);
    EXPECT_EQ(t.recNoAtPosition(1), 4u);
    t.moveToPosition(1);
    EXPECT_EQ(t.position(), 1u);
    EXPECT_EQ(t.recordCount(), 6u);
}

// Thousands of deleted records at the top of the order: the positions are
// found by counting after all, and are the same.
TEST_F(IndexedTable, ManyDeletedRecordsAtTheTopStillGiveExactPositions) {
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.disableControls();
    t.beginBulk();
    for (int i = 0; i < 17000; ++i)
        tktest::appendBook(t, "AA" + std::to_string(i), 1900, i);
    t.endBulk();
    t.enableControls();
    t.close();
    {  // every "AA" record deleted, straight in the file (record order)
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        char head[12];
        f.read(head, sizeof head);
        const auto headerLength = static_cast<unsigned char>(head[8]) |
                                  static_cast<unsigned>(static_cast<unsigned char>(head[9])) << 8;
        const auto recordLength = static_cast<unsigned char>(head[10]) |
                                  static_cast<unsigned>(static_cast<unsigned char>(head[11])) << 8;
        for (std::uint64_t r = 9; r <= 17008; ++r) {
            f.seekp(static_cast<std::streamoff>(headerLength + (r - 1) * recordLength));
            f.put('*');
        }
    }
    t.setMode(dbase::OpenMode::Shared);
    t.open();
    EXPECT_EQ(t.recNoAtPosition(0), 6u);  // "A very long title" after the deleted "AA..."
    EXPECT_EQ(t.recNoAtPosition(1), 5u);
    EXPECT_EQ(t.recordCount(), 8u);
    t.moveToPosition(7);
    EXPECT_EQ(t.recNo(), 1u);
}

// Right after opening, the position of the current record near the top of
// a large order comes without counting the table (the grid asks for it
// before its first screen), and is the one the count gives; a record far
// down is counted.
TEST_F(IndexedTable, PositionsNearTheTopComeWithoutTheCount) {
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.disableControls();
    t.beginBulk();
    for (int i = 0; i < 17000; ++i)
        tktest::appendBook(t, "BB" + std::to_string(i), 1900, i);
    t.endBulk();
    t.enableControls();
    t.first();
    t.next();
    t.deleteRecord();  // the second in key order
    t.close();
    t.setMode(dbase::OpenMode::Shared);
    t.open();
    std::vector<std::uint32_t> seen;
    for (t.first(); seen.size() < 5; t.next()) {
        EXPECT_EQ(t.position(), seen.size());
        seen.push_back(t.recNo());
    }
    EXPECT_FALSE(t.recordCountKnown());
    t.last();
    EXPECT_EQ(t.position(), 17006u);  // 17,008 records, one deleted
    EXPECT_TRUE(t.recordCountKnown());
    for (std::uint32_t p = 0; p < seen.size(); ++p)
        EXPECT_EQ(t.recNoAtPosition(p), seen[p]) << p;
}

TEST_F(IndexedTable, TwoProcessesAppendingKeepOneCorrectIndex) {
    t.addIndexTag("NewIndex", "Upper(Title)");
    // A third user watches in key order and sees the new records on refresh.
    Table watcher;
    watcher.setFileName(path);
    watcher.setIndexTag("NewIndex");
    watcher.open();
    EXPECT_EQ(watcher.recordCount(), 8u);
    tktest::Helper a({"append", path, "300", "first"});
    tktest::Helper b({"append", path, "300", "second"});
    EXPECT_EQ(a.readLine(), "ready");
    EXPECT_EQ(b.readLine(), "ready");
    EXPECT_EQ(a.readLine(), "done");
    EXPECT_EQ(b.readLine(), "done");
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    EXPECT_EQ(watcher.recordCount(), 8u);  // until it looks again
    watcher.refresh();
    EXPECT_EQ(watcher.recordCount(), 608u);
    t.setIndexTag("NewIndex");
    t.open();
    EXPECT_EQ(t.recordCount(), 608u);
    EXPECT_EQ(navigation(watcher), navigation(t));
    EXPECT_EQ(dbase::MdxFile(t.indexFileName(), false).check(0, 608, true), 608u);
    std::string out;
    EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " + base +
                               " NEWINDEX",
                           &out),
              0)
        << out;
}

// Two users edit the same record at once: the later post is refused as a
// change made by another user, both versions stay at hand (the refused
// user's values in its buffer, the other's on disk), and the index follows
// the record on disk.
TEST_F(IndexedTable, TwoUsersEditingOneRecordRefuseTheLaterPost) {
    t.addIndexTag("NewIndex", kExpr);
    t.setIndexTag("NewIndex");
    t.open();
    Table other;
    other.setFileName(path);
    other.open();
    const int title = t.fieldIndex("TITLE");
    ASSERT_TRUE(t.gotoRecNo(1));
    ASSERT_TRUE(other.gotoRecNo(1));
    t.edit();
    other.edit();
    other.setString(title, "mango");
    other.post();
    t.setString(title, "aardvark");
    try {
        t.post();
        ADD_FAILURE() << "the later post overwrote the other user's change";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::RecordChanged) << e.what();
        EXPECT_NE(std::string(e.what()).find("changed by another user"), std::string::npos);
    }
    EXPECT_EQ(t.state(), dbase::TableState::Edit);
    EXPECT_EQ(t.asString(title), "aardvark");
    EXPECT_EQ(t.stringAt(1, title), "mango");
    t.cancel();
    EXPECT_EQ(t.asString(title), "mango");
    // Editing again from the other user's version succeeds.
    t.edit();
    t.setString(title, "aardvark");
    t.post();
    t.refresh();
    EXPECT_EQ(t.asString(title), "aardvark");
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{6, 1, 5, 2, 3, 7, 8, 4}));
    EXPECT_EQ(dbase::MdxFile(t.indexFileName(), false).check(0, 8, true), 8u);
    // A record another user only deleted is a change too.
    ASSERT_TRUE(other.gotoRecNo(2));
    ASSERT_TRUE(t.gotoRecNo(2));
    t.edit();
    other.deleteRecord();
    t.setString(title, "banana");
    EXPECT_THROW(t.post(), Error);
    t.cancel();
    expectOutsideReadersAgree(t, base);
}

// The same between two processes, each way round.
TEST_F(IndexedTable, APostRefusedForAnotherProcessesChangeKeepsBothVersions) {
    t.addIndexTag("NewIndex", kExpr);
    t.open();
    const int title = t.fieldIndex("TITLE");
    {
        tktest::Helper h({"retitle", path, "3", "from the helper"});
        ASSERT_EQ(h.readLine(), "editing");
        ASSERT_TRUE(t.gotoRecNo(3));
        t.edit();
        t.setString(title, "from the test");
        h.closeInput();
        EXPECT_EQ(h.readLine(), "done");
        EXPECT_EQ(h.wait(), 0);
        try {
            t.post();
            ADD_FAILURE() << "overwrote the helper's change";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::RecordChanged) << e.what();
        }
        EXPECT_EQ(t.asString(title), "from the test");
        t.cancel();
        EXPECT_EQ(t.asString(title), "from the helper");
    }
    {
        tktest::Helper h({"retitle", path, "4", "too late"});
        ASSERT_EQ(h.readLine(), "editing");
        ASSERT_TRUE(t.gotoRecNo(4));
        t.edit();
        t.setString(title, "first");
        t.post();
        h.closeInput();
        EXPECT_EQ(h.readLine(),
                  "error " + std::to_string(static_cast<int>(Error::Kind::RecordChanged)));
        EXPECT_EQ(h.wait(), 1);
        t.refresh();
        EXPECT_EQ(t.asString(title), "first");
    }
    EXPECT_EQ(dbase::MdxFile(t.indexFileName(), false).check(0, 8, true), 8u);
    std::string out;
    EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " + base +
                               " NEWINDEX",
                           &out),
              0)
        << out;
}

// Opening while another process appends and splits index blocks: the
// index is always seen whole, never half written.
TEST_F(IndexedTable, OpeningWhileAnotherProcessGrowsTheIndex) {
    t.addIndexTag("NewIndex", "Upper(Title)");
    tktest::Helper a({"append", path, "30000", "grown"});
    ASSERT_EQ(a.readLine(), "ready");
    // Open after open until the helper's last record is counted.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::uint32_t seen = 0;
    while (seen < 30008 && std::chrono::steady_clock::now() < until) {
        Table other;
        other.setFileName(path);
        try {
            other.open();
        } catch (const Error& e) {
            ADD_FAILURE() << "at " << seen << " records: " << e.what();
            break;
        }
        seen = other.physicalRecordCount();
    }
    EXPECT_EQ(a.readLine(), "done");
    EXPECT_EQ(a.wait(), 0);
}

// Killed at any moment while appending or changing keys: the records that
// were written are whole; a user opening the table in key order either gets
// a correct order or is told the index is damaged, never an order that
// quietly leaves records out; and regenerating gives an index that matches.
TEST_F(IndexedTable, AProcessKilledWhileWritingLeavesRecordsThatRegenerate) {
    t.addIndexTag("NewIndex", "Upper(Title)");
    t.addIndexTag("ByYear", "STR(YearPub,8,0)+Upper(Left(Title,20))");
    const char* const commands[] = {"append", "edit"};
    const int delays[] = {40, 90, 150, 230};
    for (int round = 0; round < 4; ++round) {
        tktest::Helper h({commands[round % 2], path, "100000", "killed"});
        ASSERT_EQ(h.readLine(), "ready");
        std::this_thread::sleep_for(std::chrono::milliseconds(delays[round]));
        h.kill();
        h.wait();

        Table shared;
        shared.setFileName(path);
        shared.setIndexTag("NewIndex");
        bool opened = false;
        try {
            shared.open();
            opened = true;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << e.what();
        }
        if (opened) {
            EXPECT_EQ(navigation(shared).size(), shared.physicalRecordCount());
            std::string out;
            // A kill between a leaf that lost its last key and its parent
            // leaves the parent's separator above that leaf: seeks still find
            // every key, so the outside checker is told to accept it.
            EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() +
                                       "/dbfmdx.py check --crashed " + base + " NEWINDEX",
                                   &out),
                      0)
                << out;
            shared.close();
        }

        t.setMode(OpenMode::Exclusive);
        t.setIndexTag("");
        t.open();
        const std::uint32_t n = t.physicalRecordCount();
        const int title = t.fieldIndex("TITLE");
        for (std::uint32_t r = 1; r <= n; ++r) {
            ASSERT_TRUE(t.gotoRecNo(r));
            const std::string s = t.asString(title);
            EXPECT_TRUE(s.rfind("killed ", 0) == 0 || r <= 8) << r << ": " << s;
        }
        t.regenerateIndexes();
        t.setIndexTag("NewIndex");
        EXPECT_EQ(t.recordCount(), n);
        expectOutsideReadersAgree(t, base);
        t.close();
    }
}

}  // namespace

namespace {

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Counting the records in key order, with deleted ones and a filter, gives
// the right positions without the table becoming resident in the process:
// the first screen of a large table costs little memory.
TEST(IndexedTableMemory, CountingInKeyOrderKeepsTheTableOutOfMemory) {
    tktest::TempDir dir;
    tktest::RawTable raw;
    raw.columns = {
        {"TITLE", 'C', 30}, {"F1", 'C', 240}, {"F2", 'C', 240}, {"F3", 'C', 240}, {"F4", 'C', 240}};
    constexpr int kRecords = 40000;  // 40 MB
    for (int i = 0; i < kRecords; ++i) {
        std::string title = "T" + std::to_string((i * 7919) % kRecords);
        title.resize(30, ' ');
        raw.records.push_back(std::string(i % 7 == 0 ? "*" : " ") + title + std::string(960, 'x'));
    }
    const std::string path = dir.file("BIG.DBF");
    raw.write(path);
    raw.records.clear();
    raw.records.shrink_to_fit();
    Table t;
    t.setFileName(path);
    t.addIndexTag("BYTITLE", "TITLE");
    t.setIndexTag("BYTITLE");
    t.open();
    const double before = residentMegabytes();
    EXPECT_EQ(t.recordCount(), 34285u);  // every seventh record deleted
    t.moveToPosition(0);
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "T1");  // T0 is deleted
    t.last();
    EXPECT_EQ(t.position(), 34284u);
    EXPECT_LT(residentMegabytes() - before, 12.0);
    // A filter is judged the same way, and positions follow key order.
    const int title = t.fieldIndex("TITLE");
    t.setFilter([title](const Table& tab) { return tab.asString(title).size() == 3; });
    EXPECT_EQ(t.recordCount(), 80u);  // T10..T99 less the deleted ones
    t.moveToPosition(0);
    EXPECT_EQ(t.asString(title), "T10");
}

}  // namespace
