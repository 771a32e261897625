// Shared and exclusive use across table objects and across processes, and
// appends by two processes at once.
#include <gtest/gtest.h>

#include <set>

#include "dbase/dbf_header.h"
#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::OpenMode;
using dbase::Table;
using tktest::Helper;
using tktest::TempDir;

bool opens(const std::string& path, OpenMode mode, bool readOnly = false) {
    Table t;
    t.setFileName(path);
    t.setMode(mode);
    t.setReadOnly(readOnly);
    try {
        t.open();
        return true;
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Locked) << e.what();
        return false;
    }
}

TEST(TableLock, ModesConflictBetweenTableObjectsOfOneProcess) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 2);
    {
        Table shared;
        shared.setFileName(path);
        shared.open();
        EXPECT_TRUE(opens(path, OpenMode::Shared));
        EXPECT_TRUE(opens(path, OpenMode::Shared, true));
        EXPECT_FALSE(opens(path, OpenMode::Exclusive));
        EXPECT_FALSE(opens(path, OpenMode::Exclusive, true));
    }
    {
        Table readOnly;
        readOnly.setFileName(path);
        readOnly.setReadOnly(true);
        readOnly.open();
        EXPECT_FALSE(opens(path, OpenMode::Exclusive));
    }
    {
        Table exclusive;
        exclusive.setFileName(path);
        exclusive.setMode(OpenMode::Exclusive);
        exclusive.open();
        EXPECT_FALSE(opens(path, OpenMode::Shared));
        EXPECT_FALSE(opens(path, OpenMode::Shared, true));
        EXPECT_FALSE(opens(path, OpenMode::Exclusive));
        exclusive.close();
        EXPECT_TRUE(opens(path, OpenMode::Exclusive));
    }
    EXPECT_TRUE(opens(path, OpenMode::Exclusive, true));
}

TEST(TableLock, AnotherProcessHoldsTheTableUntilItEnds) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 2);
    {
        Helper holder({"hold", path, "shared"});
        ASSERT_EQ(holder.readLine(), "ready");
        EXPECT_TRUE(opens(path, OpenMode::Shared));
        EXPECT_FALSE(opens(path, OpenMode::Exclusive));
        holder.closeInput();  // lets it close the table and exit normally
        EXPECT_EQ(holder.wait(), 0);
        EXPECT_TRUE(opens(path, OpenMode::Exclusive));
    }
    {
        Helper holder({"hold", path, "exclusive"});
        ASSERT_EQ(holder.readLine(), "ready");
        EXPECT_FALSE(opens(path, OpenMode::Shared));
        holder.kill();  // a process that dies leaves no lock behind
        holder.wait();
        EXPECT_TRUE(opens(path, OpenMode::Exclusive));
    }
    {
        Table mine;
        mine.setFileName(path);
        mine.setMode(OpenMode::Exclusive);
        mine.open();
        Helper blocked({"hold", path, "shared"});
        EXPECT_EQ(blocked.readLine(),
                  "error " + std::to_string(static_cast<int>(Error::Kind::Locked)));
    }
}

TEST(TableLock, TwoProcessesAppendingAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 0);
    constexpr int kEach = 400;
    Helper a({"append", path, std::to_string(kEach), "A"});
    Helper b({"append", path, std::to_string(kEach), "B"});
    // This process appends too, through its own table object.
    Table mine;
    mine.setFileName(path);
    mine.open();
    ASSERT_EQ(a.readLine(), "ready");
    ASSERT_EQ(b.readLine(), "ready");
    for (int i = 1; i <= 100; ++i)
        tktest::appendBook(mine, "C " + std::to_string(i), i, 0);
    EXPECT_EQ(a.readLine(), "done");
    EXPECT_EQ(b.readLine(), "done");
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);

    mine.refresh();
    const std::uint32_t total = 2 * kEach + 100;
    EXPECT_EQ(mine.physicalRecordCount(), total);
    std::set<std::string> titles;
    for (const auto& s : tktest::column(mine, "TITLE"))
        titles.insert(s);
    EXPECT_EQ(titles.size(), total);
    for (const char* tag : {"A", "B"}) {
        for (int i = 1; i <= kEach; ++i)
            EXPECT_EQ(titles.count(std::string(tag) + " " + std::to_string(i)), 1u);
    }
    // Count, size and end mark agree on disk.
    const auto bytes = tktest::readBytes(path);
    const size_t headerLength = 32 + 5 * 32 + 1;
    EXPECT_EQ(bytes.size(), headerLength + total * 58 + 1);
    EXPECT_EQ(bytes.back(), dbase::dbf::kEndOfFile);
    EXPECT_EQ(dbase::readU32(bytes.data() + 4), total);
}

}  // namespace
