// Pack: deleted records go for good; only with exclusive use.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "dbase/dbf_header.h"
#include "dbase/file_names.h"
#include "dbase/os_file.h"
#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::OpenMode;
using dbase::Table;
using tktest::TempDir;

TEST(TablePack, RemovesDeletedRecordsAndKeepsTheRest) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 30);
    Table t;
    tktest::openExclusive(t, path);
    for (std::uint32_t r = 1; r <= 30; r += 3) {
        ASSERT_TRUE(t.gotoRecNo(r));
        t.deleteRecord();
    }
    const auto expected = tktest::column(t, "TITLE");
    ASSERT_EQ(expected.size(), 20u);
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 20u);
    EXPECT_EQ(t.recNo(), 1u);
    EXPECT_EQ(tktest::column(t, "TITLE"), expected);
    t.last();
    EXPECT_DOUBLE_EQ(t.asFloat(t.fieldIndex("COST")), 30 * 1.5);

    // Still locked against others, and still writable.
    Table other;
    other.setFileName(path);
    EXPECT_THROW(other.open(), Error);
    tktest::appendBook(t, "after pack", 2000, 1);
    t.close();

    const auto bytes = tktest::readBytes(path);
    EXPECT_EQ(bytes.size(), 193u + 21 * 58 + 1);
    EXPECT_EQ(dbase::readU32(bytes.data() + 4), 21u);
    EXPECT_EQ(bytes.back(), 0x1A);
    for (size_t r = 0; r < 21; ++r)
        EXPECT_EQ(bytes[193 + r * 58], ' ');
    // Nothing left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

// A table of several megabytes is written in many pieces; no record is lost
// or repeated where one piece ends and the next begins.
TEST(TablePack, ALargeTableKeepsEveryRecordAcrossItsPieces) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 0);
    Table t;
    tktest::openExclusive(t, path);
    t.beginBulkAppend();
    for (int i = 1; i <= 250000; ++i)
        tktest::appendBook(t, "Book " + std::to_string(i), 1900 + i % 100, i);
    t.endBulkAppend();
    for (std::uint32_t r = 5; r <= 250000; r += 7) {
        ASSERT_TRUE(t.gotoRecNo(r));
        t.deleteRecord();
    }
    const auto expected = tktest::column(t, "TITLE");
    t.pack();
    EXPECT_EQ(tktest::column(t, "TITLE"), expected);
    t.close();
    const auto bytes = tktest::readBytes(path);
    EXPECT_EQ(bytes.size(), 193u + expected.size() * 58 + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST(TablePack, NeedsExclusiveUse) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 3);
    Table t;
    t.setFileName(path);
    t.open();
    t.first();
    t.deleteRecord();
    try {
        t.pack();
        ADD_FAILURE() << "packed a shared table";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::State);
    }
    EXPECT_EQ(t.physicalRecordCount(), 3u);
}

TEST(TablePack, PackingAnEmptyOrFullyDeletedTable) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 4);
    Table t;
    tktest::openExclusive(t, path);
    t.first();
    while (!t.isEmpty())
        t.deleteRecord();
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 0u);
    EXPECT_TRUE(t.isEmpty());
    t.pack();
    EXPECT_EQ(tktest::readBytes(path).size(), 193u + 1);
}

}  // namespace

namespace {

TEST(TablePack, AFailedPackLeavesTheTableWholeAndOpen) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 6);
    Table t;
    tktest::openExclusive(t, path);
    t.gotoRecNo(2);
    t.deleteRecord();
    const auto before = tktest::readBytes(path);
    // Something in the way of the journal: the pack cannot begin.
    std::filesystem::create_directory(path + ".packlog.new");
    EXPECT_THROW(t.pack(), Error);
    EXPECT_EQ(tktest::readBytes(path), before);
    EXPECT_TRUE(t.isOpen());
    EXPECT_EQ(tktest::column(t, "TITLE").size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(path + ".packlog"));
    std::filesystem::remove(path + ".packlog.new");
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 5u);
}

}  // namespace

namespace {

std::vector<std::string> packingLeftovers(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name.find(".packing") != std::string::npos || name.find(".new") != std::string::npos ||
            name.find(".packlog") != std::string::npos)
            found.push_back(name);
    }
    return found;
}

// A pack killed at each of its steps: the next open finds a whole table with
// an index that matches it (the old pair before the journal was in place,
// the packed pair after), and nothing the pack wrote is left lying about.
TEST(TablePack, AKilledPackIsUndoneOrFinishedByTheNextOpen) {
    const struct {
        const char* step;
        std::uint32_t records;
    } cases[] = {{"started", 40},       {"journal written", 26}, {"moved", 26},
                 {"moved#3", 26},       {"moved#7", 26},         {"table written", 26},
                 {"index written", 26}, {"index replaced", 26},  {"never", 26}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        TempDir dir;
        const std::string path = tktest::makeSampleTable(dir, 40);
        std::vector<std::string> expected;
        {
            Table t;
            t.setFileName(path);
            t.addIndexTag("BYTITLE", "Upper(TITLE)");
            t.setIndexTag("BYTITLE");
            t.setMode(OpenMode::Exclusive);
            t.open();
            for (std::uint32_t r = 1; r <= 40; r += 3) {
                ASSERT_TRUE(t.gotoRecNo(r));
                t.deleteRecord();
            }
            expected = tktest::column(t, "TITLE");
            ASSERT_EQ(expected.size(), 26u);
            ASSERT_TRUE(std::is_sorted(expected.begin(), expected.end()));
        }
        tktest::Helper helper({"pack", path, c.step});
        const std::string said = helper.readLine();
        const int status = helper.wait();
        if (std::string(c.step) == "never")
            EXPECT_EQ(said, "done");
        else
            EXPECT_EQ(status, -SIGKILL) << said;

        Table t;
        t.setFileName(path);
        t.setIndexTag("BYTITLE");
        ASSERT_NO_THROW(t.open());
        EXPECT_EQ(t.physicalRecordCount(), c.records);
        EXPECT_EQ(tktest::column(t, "TITLE"), expected);
        EXPECT_TRUE(packingLeftovers(dir).empty());
        // The index is in working order: a change keeps it current.
        t.first();
        t.edit();
        t.setString(t.fieldIndex("TITLE"), "ZZZ last");
        t.post();
        t.last();
        EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "ZZZ last");
    }
}

TEST(TablePack, WithNothingDeletedTheFileIsNotRewritten) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 12);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const auto bytes = tktest::readBytes(path);
    Table t;
    tktest::openExclusive(t, path);
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 12u);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(tktest::readBytes(path), bytes);
    EXPECT_TRUE(packingLeftovers(dir).empty());
}

}  // namespace

namespace {

// A bulk append with exclusive use: what is posted reads back at once, the
// file only ever counts whole batches it holds, and the end (or any other
// change) writes the rest; the index follows.
TEST(TableBulkAppend, RecordsReadBackAtOnceAndReachTheFileInWholeBatches) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 3);
    Table t;
    tktest::openExclusive(t, path);
    const int title = t.fieldIndex("TITLE");
    // With an index kept current the records go in batches (without one,
    // as a stream: see the writer's tests).
    t.addIndexTag("BYTITLE", "Upper(TITLE)");
    t.setIndexTag({});
    t.beginBulkAppend();
    for (int i = 1; i <= 40000; ++i)
        tktest::appendBook(t, "Bulk " + std::to_string(i), 1900 + i % 100, i);
    EXPECT_EQ(t.physicalRecordCount(), 40003u);
    EXPECT_EQ(t.asString(title), "Bulk 40000");
    t.last();
    t.prior();
    EXPECT_EQ(t.asString(title), "Bulk 39999");
    auto bytes = tktest::readBytes(path);
    const std::uint32_t onDisk = dbase::readU32(bytes.data() + 4);
    EXPECT_GT(onDisk, 3u);  // batches were written on the way
    EXPECT_LT(onDisk, 40003u);
    ASSERT_GE(bytes.size(), 193u + onDisk * 58 + 1);
    EXPECT_EQ(bytes[193 + onDisk * 58], 0x1A);
    // The batch ended on an aligned piece of the file, the record cut there
    // still waiting.
    EXPECT_EQ(bytes.size(), std::size_t{2} << 20);

    // A change to an earlier record writes the batch first.
    ASSERT_TRUE(t.gotoRecNo(2));
    t.deleteRecord();
    bytes = tktest::readBytes(path);
    EXPECT_EQ(dbase::readU32(bytes.data() + 4), 40003u);
    EXPECT_EQ(bytes.size(), 193u + 40003 * 58 + 1);
    EXPECT_EQ(bytes[193 + 58], '*');

    // Again, ended by endBulkAppend().
    t.beginBulkAppend();
    tktest::appendBook(t, "AAA first", 2000, 1);
    tktest::appendBook(t, "Bulk 0", 2000, 1);
    t.endBulkAppend();
    t.close();
    EXPECT_EQ(tktest::readBytes(path).size(), 193u + 40005 * 58 + 1);
    t.setMode(OpenMode::Shared);
    t.setIndexTag("BYTITLE");
    t.open();
    EXPECT_EQ(t.recordCount(), 40004u);
    EXPECT_EQ(t.asString(title), "AAA first");
    t.next();
    EXPECT_EQ(t.asString(title), "Book 1");
}

// With shared use a bulk append writes every record as it is posted, so
// another user sees it at once.
TEST(TableBulkAppend, SharedUseWritesEachRecordAtOnce) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 2);
    Table t, other;
    t.setFileName(path);
    other.setFileName(path);
    t.open();
    other.open();
    t.beginBulkAppend();
    tktest::appendBook(t, "Shared", 2000, 1);
    other.refresh();
    EXPECT_EQ(other.physicalRecordCount(), 3u);
    t.endBulkAppend();
}

}  // namespace

namespace {

// A pack of an indexed table of 40 records (every third deleted) stopped by
// a kill at `step`; returns the titles the packed table must show.
std::vector<std::string> stoppedPack(const TempDir& dir, const std::string& path,
                                     const char* step) {
    std::vector<std::string> expected;
    {
        Table t;
        t.setFileName(path);
        t.addIndexTag("BYTITLE", "Upper(TITLE)");
        t.setMode(OpenMode::Exclusive);
        t.open();
        for (std::uint32_t r = 1; r <= 40; r += 3) {
            EXPECT_TRUE(t.gotoRecNo(r));
            t.deleteRecord();
        }
        expected = tktest::column(t, "TITLE");
    }
    tktest::Helper helper({"pack", path, step});
    helper.readLine();
    EXPECT_EQ(helper.wait(), -SIGKILL);
    EXPECT_TRUE(std::filesystem::exists(path + ".packlog"));
    (void)dir;
    return expected;
}

// A table left part-way by a pack is never shown as it is: an open that
// cannot finish the pack (read only) refuses and changes nothing; a shared
// open finishes it, holding the table for itself meanwhile, then lets
// others in.
TEST(TablePackRecovery, OnlyAnOpenForWritingFinishesAStoppedPack) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 40);
    auto expected = stoppedPack(dir, path, "moved#3");
    std::sort(expected.begin(), expected.end());  // as the tag shows them
    const auto table = tktest::readBytes(path);
    const auto journal = tktest::readBytes(path + ".packlog");
    {
        Table t;
        t.setFileName(path);
        t.setReadOnly(true);
        try {
            t.open();
            ADD_FAILURE() << "a read-only open showed a table part-way through a pack";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::State);
            EXPECT_NE(std::string(e.what()).find("Open the table for writing"), std::string::npos);
        }
        EXPECT_FALSE(t.isOpen());
    }
    EXPECT_EQ(tktest::readBytes(path), table);
    EXPECT_EQ(tktest::readBytes(path + ".packlog"), journal);
    {
        // Someone else holds the table: a shared open cannot have it to
        // itself to finish the pack.
        dbase::OsFile holder = dbase::OsFile::open(path, dbase::OsFile::Access::Read);
        ASSERT_TRUE(holder.tryLock(dbase::OsFile::kOpenLockByte, dbase::OsFile::LockType::Shared));
        Table t;
        t.setFileName(path);
        try {
            t.open();
            ADD_FAILURE() << "a shared open showed a table part-way through a pack";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Locked);
        }
        EXPECT_EQ(tktest::readBytes(path), table);
    }

    Table t;
    t.setFileName(path);
    t.setIndexTag("BYTITLE");
    ASSERT_NO_THROW(t.open());  // shared
    EXPECT_EQ(t.physicalRecordCount(), 26u);
    EXPECT_EQ(tktest::column(t, "TITLE"), expected);
    EXPECT_FALSE(std::filesystem::exists(path + ".packlog"));
    Table other;
    other.setFileName(path);
    EXPECT_NO_THROW(other.open());
    EXPECT_EQ(other.physicalRecordCount(), 26u);
}

// A journal with no whole slot cannot say how far the moves went; a table
// another program changed since the pack stopped no longer fits its
// journal. Either way the open refuses, and leaves the table and the
// journal as they are rather than guess.
TEST(TablePackRecovery, ADamagedJournalLeavesEverythingAsItIs) {
    for (const bool damagedSlots : {true, false}) {
        SCOPED_TRACE(damagedSlots ? "both slots damaged" : "the table changed since");
        TempDir dir;
        const std::string path = tktest::makeSampleTable(dir, 40);
        stoppedPack(dir, path, "moved#2");
        auto journal = tktest::readBytes(path + ".packlog");
        ASSERT_GT(journal.size(), 1024u);
        auto table = tktest::readBytes(path);
        if (damagedSlots) {
            journal[40] ^= 0x01;        // the first slot's end of its moves
            journal[512 + 36] ^= 0x01;  // the second slot's checkpoint
            tktest::writeBytes(path + ".packlog", journal);
        } else {
            table[4] += 1;  // one record more than the pack began with
            table.insert(table.end() - 1, 58, ' ');
            tktest::writeBytes(path, table);
        }
        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        try {
            t.open();
            ADD_FAILURE() << "opened";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Damaged) << e.what();
        }
        EXPECT_EQ(tktest::readBytes(path), table);
        EXPECT_EQ(tktest::readBytes(path + ".packlog"), journal);
    }
}

// What a pack of earlier versions (a packed copy renamed over the table)
// left is still put right: a copy still beside the table goes with its
// index; a new index left alone replaces the old one.
TEST(TablePackRecovery, LeftoversOfACopyingPackArePutRight) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 5);
    {
        Table t;
        t.setFileName(path);
        t.addIndexTag("BYTITLE", "Upper(TITLE)");
    }
    const std::string mdx = dbase::siblingWithExtension(path, "MDX");
    ASSERT_TRUE(std::filesystem::exists(mdx));
    const auto table = tktest::readBytes(path);
    const auto index = tktest::readBytes(mdx);
    tktest::writeBytes(path + ".packing", std::vector<std::uint8_t>(100, 'x'));
    tktest::writeBytes(mdx + ".packing", std::vector<std::uint8_t>(100, 'y'));
    {
        Table t;
        t.setFileName(path);
        t.setIndexTag("BYTITLE");
        ASSERT_NO_THROW(t.open());
        EXPECT_EQ(t.physicalRecordCount(), 5u);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".packing"));
    EXPECT_FALSE(std::filesystem::exists(mdx + ".packing"));
    EXPECT_EQ(tktest::readBytes(path), table);
    EXPECT_EQ(tktest::readBytes(mdx), index);

    // The new index alone: it is the one that belongs to the table.
    std::filesystem::rename(mdx, mdx + ".packing");
    tktest::writeBytes(mdx, std::vector<std::uint8_t>(512, 0));
    {
        Table t;
        t.setFileName(path);
        t.setIndexTag("BYTITLE");
        ASSERT_NO_THROW(t.open());
        EXPECT_EQ(tktest::column(t, "TITLE").size(), 5u);
    }
    EXPECT_FALSE(std::filesystem::exists(mdx + ".packing"));
    EXPECT_EQ(tktest::readBytes(mdx), index);
}

}  // namespace
