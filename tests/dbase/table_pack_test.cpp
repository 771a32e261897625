// Pack: deleted records go for good; only with exclusive use.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "dbase/dbf_header.h"
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
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);
    t.open();
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
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);
    t.open();
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
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.gotoRecNo(2);
    t.deleteRecord();
    const auto before = tktest::readBytes(path);
    // Something in the way of the packed copy: the pack cannot be written.
    std::filesystem::create_directory(path + ".packing");
    EXPECT_THROW(t.pack(), Error);
    EXPECT_EQ(tktest::readBytes(path), before);
    EXPECT_TRUE(t.isOpen());
    EXPECT_EQ(tktest::column(t, "TITLE").size(), 5u);
    std::filesystem::remove(path + ".packing");
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 5u);
}

}  // namespace

namespace {

std::vector<std::string> packingLeftovers(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name.find(".packing") != std::string::npos || name.find(".new") != std::string::npos)
            found.push_back(name);
    }
    return found;
}

// A pack killed at each of its steps: the next open finds a whole table with
// an index that matches it (the old pair before the table was replaced, the
// new pair after), and nothing the pack wrote is left lying about.
TEST(TablePack, AKilledPackIsUndoneOrFinishedByTheNextOpen) {
    const struct {
        const char* step;
        std::uint32_t records;
    } cases[] = {{"copying", 40},        {"table written", 40},  {"index written", 40},
                 {"table replaced", 26}, {"index replaced", 26}, {"never", 26}};
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
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 12u);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(tktest::readBytes(path), bytes);
    EXPECT_TRUE(packingLeftovers(dir).empty());
}

}  // namespace
