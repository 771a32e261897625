// Pack: deleted records go for good; only with exclusive use.
#include <gtest/gtest.h>

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
