// Index trees at the record counts where their shape changes, date keys at
// the month boundaries that decide their order, and the check of a tag
// against the records it must hold.
#include <gtest/gtest.h>

#include <cstdio>

#include "dbase/error.h"
#include "dbase/mdx_file.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"
#include "dbase/table.h"
#include "mdx_test_util.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::MdxFile;
using dbase::MdxTagBuild;

// A character tag of `count` distinct keys "0000...1" .. in record order.
MdxTagBuild numberedTag(int keyLength, std::uint32_t count) {
    MdxTagBuild t;
    t.name = "NEWINDEX";
    t.expression = "KEY";
    t.keyLength = keyLength;
    char digits[16];
    for (std::uint32_t r = 1; r <= count; ++r) {
        std::snprintf(digits, sizeof digits, "%010u", r);
        std::string k(digits);
        k.resize(static_cast<size_t>(keyLength), ' ');
        t.keys += k;
        t.recNos.push_back(r);
    }
    return t;
}

// Leaves fill up to 42 keys of 20 bytes (9 of 100 bytes) and parents take
// one more child than that; at these counts a whole-file write has one leaf
// left over for the last parent. Every block must still hold a key, and
// taking keys off the end (which empties that last leaf) must keep it so.
TEST(MdxShapeTest, LeafCountsThatLeaveOneChildOverBuildAndShrinkWhole) {
    mdxtest::TempDir dir;
    const std::string path = dir.file("S.MDX");
    const struct {
        int keyLength;
        std::uint32_t from, to;
    } ranges[] = {{20, 1800, 1850}, {100, 88, 100}};
    for (const auto& range : ranges) {
        const auto perLeaf = static_cast<std::uint32_t>(dbase::mdx::maxKeys(range.keyLength));
        for (std::uint32_t n = range.from; n <= range.to; ++n) {
            const MdxTagBuild tag = numberedTag(range.keyLength, n);
            MdxFile::write(path, "s", {tag});
            MdxFile f(path, true);
            ASSERT_EQ(f.check(0, n, true), n) << range.keyLength << " bytes, " << n << " keys";
            ASSERT_GE(f.depth(0), 2) << n;
            for (std::uint32_t r = n; r + perLeaf + 1 > n && r > 0; --r) {
                const std::string key = tag.keys.substr(
                    (r - 1) * static_cast<size_t>(range.keyLength), range.keyLength);
                ASSERT_TRUE(f.remove(0, key, r)) << n << " keys, removing " << r;
                ASSERT_EQ(f.check(0, n, true), r - 1) << n << " keys, removed " << r;
            }
        }
    }
}

// Day numbers across the end of February, leap years and century years
// included: every day is one more than the day before it.
TEST(MdxShapeTest, DateKeysCountEveryDayAcrossTheEndOfFebruary) {
    const int years[] = {1900, 1999, 2000, 2023, 2024, 2100};
    for (int year : years) {
        double previous = 0;
        for (int month = 1; month <= 4; ++month) {
            for (int day = 1; day <= 31; ++day) {
                if (!dbase::Date{year, month, day}.isValid())
                    continue;
                char text[16];
                std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
                std::string key;
                dbase::appendDateKey(text, key);
                const double v = dbase::dateKeyValue(key);
                if (previous != 0) {
                    ASSERT_EQ(v, previous + 1) << text;
                }
                previous = v;
            }
        }
    }
    std::string leapDay, march;
    dbase::appendDateKey("20240229", leapDay);
    dbase::appendDateKey("20240301", march);
    EXPECT_EQ(dbase::dateKeyValue(leapDay), 2460370.0);
    EXPECT_LT(dbase::compareKeys(dbase::KeyType::Date, leapDay, march), 0);
}

// A date tag on a table: 29 February sorts between the 28th and 1 March.
TEST(MdxShapeTest, DateTagOrdersLeapDaysBeforeMarch) {
    tktest::TempDir dir;
    const std::string path = dir.file("DATES.DBF");
    dbase::Table::create(path, tktest::sampleFields());
    dbase::Table t;
    t.setFileName(path);
    t.open();
    const dbase::Date dates[] = {{2024, 3, 1},  {2024, 2, 29}, {2023, 3, 1},
                                 {2024, 2, 28}, {2023, 2, 28}, {2000, 2, 29}};
    for (const dbase::Date& d : dates)
        tktest::appendBook(t, "Dated", 2000, 1, d);
    t.close();
    t.addIndexTag("BOUGHT", "PurchDate");
    t.setIndexTag("BOUGHT");
    t.open();
    EXPECT_EQ(tktest::column(t, "PURCHDATE"),
              (std::vector<std::string>{"20000229", "20230228", "20230301", "20240228", "20240229",
                                        "20240301"}));
}

// A tag that names one record twice and misses another has the right count
// and only numbers the table holds; the check must still refuse it, and a
// table must not walk it as its order.
TEST(MdxShapeTest, ATagNamingARecordTwiceIsDamageThoughItsCountIsRight) {
    tktest::TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 6);
    dbase::Table t;
    t.setFileName(path);
    t.addIndexTag("NEWINDEX", "Upper(Title)");
    MdxTagBuild tag = numberedTag(30, 6);
    tag.recNos = {1, 2, 3, 3, 5, 6};
    const std::string mdx = t.indexFileName();
    MdxFile::write(mdx, "BOOKS", {tag});
    {
        MdxFile f(mdx, false);
        EXPECT_EQ(f.check(0), 6u);  // without the table's count nothing is wrong
        try {
            f.check(0, 6);
            ADD_FAILURE() << "a record listed twice passed the check";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged);
            EXPECT_NE(std::string(e.what()).find("record 3 twice"), std::string::npos) << e.what();
        }
    }
    t.setIndexTag("NEWINDEX");
    EXPECT_THROW(t.open(), Error);
}

}  // namespace
