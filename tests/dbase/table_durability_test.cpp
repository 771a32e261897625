// What reaches the disk and when: a post is on disk when it returns, bulk
// work when it ends, a new table or index once it has its name; a full disk
// or a failing close is reported and leaves the files whole.
#include <gtest/gtest.h>

#include "dbase/error.h"
#include "dbase/mdx_file.h"
#include "dbase/table.h"
#include "fault_file_system.h"
#include "mdx_test_util.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::MdxFile;
using dbase::OpenMode;
using dbase::Table;
using tktest::FaultFileSystem;
using Fault = FaultFileSystem::Fault;

std::vector<std::string> titles(const std::string& path) {
    Table t;
    t.setFileName(path);
    t.open();
    return tktest::column(t, "TITLE");
}

TEST(Durability, APostSurvivesAPowerCutTheMomentItReturns) {
    tktest::TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 2, "books.dbf");
    {
        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        t.open();
        t.addIndexTag("TITLE", "UPPER(TITLE)");
    }
    FaultFileSystem fs;
    fs.watch(dir.path());
    {
        Table t;
        t.setFileName(path);
        t.open();
        tktest::appendBook(t, "Appended", 2001, 1);
        ASSERT_TRUE(t.gotoRecNo(1));
        t.edit();
        t.setString(t.fieldIndex("TITLE"), "Zebra");
        t.post();
        ASSERT_TRUE(t.gotoRecNo(2));
        t.deleteRecord();
        fs.arm(Fault::PowerCut, 1);  // nothing written from here on reaches the disk
        EXPECT_THROW(tktest::appendBook(t, "Lost", 2002, 1), Error);
    }
    fs.powerCut();
    Table t;
    t.setFileName(path);
    t.setIndexTag("TITLE");
    t.open();
    EXPECT_EQ(tktest::column(t, "TITLE"), (std::vector<std::string>{"Appended", "Zebra"}));
}

TEST(Durability, BulkWorkReachesTheDiskAtItsEnd) {
    tktest::TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 1, "books.dbf");
    FaultFileSystem fs;
    fs.watch(dir.path());
    Table t;
    t.setFileName(path);
    t.open();
    t.beginBulk();
    tktest::appendBook(t, "First", 2001, 1);
    tktest::appendBook(t, "Second", 2002, 1);
    EXPECT_EQ(fs.syncs(), 0u);  // nothing synced one by one
    t.endBulk();
    EXPECT_GT(fs.syncs(), 0u);
    t.beginBulk();
    tktest::appendBook(t, "Unfinished", 2003, 1);
    fs.powerOff();
    EXPECT_THROW(t.close(), Error);  // close puts it on disk, which the power cut refuses
    fs.powerCut();
    EXPECT_EQ(titles(path), (std::vector<std::string>{"Book 1", "First", "Second"}));
}

TEST(Durability, NewTablesAndIndexesSurviveAPowerCut) {
    tktest::TempDir dir;
    const std::string path = dir.file("books.dbf");
    FaultFileSystem fs;
    fs.watch(dir.path());
    Table::create(path, tktest::sampleFields());
    {
        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        t.open();
        tktest::appendBook(t, "Kept", 2001, 1);
        t.addIndexTag("TITLE", "UPPER(TITLE)");
    }
    fs.powerCut();
    Table t;
    t.setFileName(path);
    t.setIndexTag("TITLE");
    t.open();
    EXPECT_EQ(tktest::column(t, "TITLE"), std::vector<std::string>{"Kept"});
}

TEST(Durability, AFailedCloseIsReportedAndTheTableIsClosed) {
    tktest::TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 1);
    FaultFileSystem fs;
    Table t;
    t.setFileName(path);
    t.open();
    tktest::appendBook(t, "Second", 2001, 1);
    fs.failCloses(true);
    try {
        t.close();
        ADD_FAILURE() << "a failed close was not reported";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Io);
    }
    fs.failCloses(false);
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(titles(path), (std::vector<std::string>{"Book 1", "Second"}));
}

// A full disk stops an insert that needs new blocks before the tree or the
// header's page count changes: the index opens and holds every earlier entry.
TEST(Durability, AFullDiskLeavesTheIndexWhole) {
    tktest::TempDir dir;
    const std::string path = dir.file("i.mdx");
    const int keyLength = 40;
    dbase::MdxTagBuild tag;
    tag.name = "NAMES";
    tag.expression = "NAME";
    tag.keyLength = keyLength;
    for (std::uint32_t r = 1; r <= 200; ++r) {
        std::string key = "K" + std::to_string(100000 + r);
        key.resize(keyLength, ' ');
        tag.keys += key;
        tag.recNos.push_back(r);
    }
    MdxFile::write(path, "i", {tag});  // full leaves: the next insert splits one
    FaultFileSystem fs;
    fs.watch(dir.path());
    fs.arm(Fault::DiskFull, 1);
    {
        MdxFile index(path, true);
        std::string key = "K100050x";
        key.resize(keyLength, ' ');
        try {
            index.insert(0, key, 201);
            ADD_FAILURE() << "the insert did not notice the full disk";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::DiskFull);
        }
    }
    fs.disarm();
    MdxFile index(path, true);
    EXPECT_EQ(index.check(0, 200, true), 200u);
    std::string key = "K100050x";
    key.resize(keyLength, ' ');
    index.insert(0, key, 201);  // with room again the insert goes through
    EXPECT_EQ(index.check(0, 201, true), 201u);
}

}  // namespace
