#include "dbase/index_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dbase/error.h"
#include "dbase/index_order.h"
#include "mdx_test_util.h"

namespace {

using dbase::Error;
using dbase::FieldType;
using dbase::IndexSet;
using dbase::MdxFile;
using dbase::TagDefinition;

mdxtest::MemTable sample() {
    mdxtest::MemTable t({{"AUTHOR", FieldType::Character, 30}, {"YEARPUB", FieldType::Numeric, 4}});
    t.add({"Smith", "1990"});
    t.add({"adams", "2001"});
    t.add({"Smith", "1980"});
    t.add({"Brown", ""}, true);
    return t;
}

IndexSet::RecordReader reader(const mdxtest::MemTable& t) {
    return [&t](std::uint32_t r) { return t.bytes(r); };
}

TEST(IndexSetTest, RebuildsEveryTagFromTheRecordsDeletedOnesIncluded) {
    mdxtest::TempDir dir;
    const auto t = sample();
    const std::string path = dir.file("B.MDX");
    IndexSet::rebuild(
        path, "B", t.fields,
        {{"NewIndex", "Upper(Left(Author,20))+STR(YearPub,8,0)"}, {"YEAR", "YearPub"}}, 4,
        reader(t));
    IndexSet set(path, t.fields, false);
    EXPECT_EQ(set.tagNames(), (std::vector<std::string>{"NEWINDEX", "YEAR"}));
    EXPECT_EQ(set.order(0, 4, true), (std::vector<std::uint32_t>{2, 4, 3, 1}));
    EXPECT_EQ(set.order(1, 4, true), (std::vector<std::uint32_t>{4, 3, 1, 2}));  // blank is 0
    // A table with fewer records than the tag names is out of step with it.
    EXPECT_THROW(set.order(0, 3, false), Error);
    EXPECT_THROW(set.order(0, 5, true), Error);
    EXPECT_EQ(set.order(0, 5, false).size(), 4u);  // another user's record not yet indexed
}

TEST(IndexSetTest, ChangesMoveOnlyTheKeysThatChanged) {
    mdxtest::TempDir dir;
    auto t = sample();
    const std::string path = dir.file("B.MDX");
    IndexSet::rebuild(path, "B", t.fields, {{"NEWINDEX", "Upper(Author)"}}, 4, reader(t));
    IndexSet set(path, t.fields, true);
    // Deleting only flips the flag: the key stays where it was.
    std::string before = t.records[0];
    t.records[0][0] = '*';
    set.recordChanged(1, reinterpret_cast<const unsigned char*>(before.data()), t.bytes(1));
    EXPECT_EQ(set.order(0, 4, true), (std::vector<std::uint32_t>{2, 4, 1, 3}));
    before = t.records[1];
    t.records[1] = t.record({"Zola", "1900"});
    set.recordChanged(2, reinterpret_cast<const unsigned char*>(before.data()), t.bytes(2));
    const std::uint32_t added = t.add({"Abel", "1"});
    set.recordAdded(added, t.bytes(added));
    EXPECT_EQ(set.order(0, 5, true), (std::vector<std::uint32_t>{5, 4, 1, 3, 2}));
    // A record the tag does not hold under its old key is damage, not a silent miss.
    before = t.records[2];
    before.replace(1, 5, "Xaver");
    EXPECT_THROW(
        set.recordChanged(3, reinterpret_cast<const unsigned char*>(before.data()), t.bytes(3)),
        Error);
}

TEST(IndexSetTest, DescendingTagsOfOtherProgramsAreKeptInTheirOrder) {
    mdxtest::TempDir dir;
    auto t = sample();
    const std::string path = dir.file("B.MDX");
    IndexSet::rebuild(path, "B", t.fields, {{"DOWN", "Upper(Author)", true}}, 4, reader(t));
    IndexSet set(path, t.fields, true);
    EXPECT_EQ(set.definitions()[0].descending, true);
    EXPECT_EQ(set.order(0, 4, true), (std::vector<std::uint32_t>{1, 3, 4, 2}));
    const std::uint32_t added = t.add({"Miller", "1"});
    set.recordAdded(added, t.bytes(added));
    const std::uint32_t tie = t.add({"SMITH", "1"});
    set.recordAdded(tie, t.bytes(tie));
    EXPECT_EQ(set.order(0, 6, true), (std::vector<std::uint32_t>{1, 3, 6, 5, 4, 2}));
    std::string out;
    t.writeDbf(dir.file("B.dbf"));
    EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " +
                               dir.file("B") + " DOWN",
                           &out),
              0)
        << out;
}

TEST(IndexSetTest, RefusesTagsItCannotKeepCurrent) {
    mdxtest::TempDir dir;
    const auto t = sample();
    const std::string path = dir.file("B.MDX");
    // A tag over a field this table does not have: the index is not this
    // table's, or its expression is damaged.
    IndexSet::rebuild(path, "B", t.fields, {{"NEWINDEX", "Upper(Author)"}}, 4, reader(t));
    mdxtest::MemTable other({{"TITLE", FieldType::Character, 30}});
    try {
        IndexSet set(path, other.fields, true);
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged);
        EXPECT_NE(std::string(e.what()).find("NEWINDEX"), std::string::npos) << e.what();
    }
    // A unique tag: the engine does not keep those.
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[4 * 512 + 8] = 0x50;
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_THROW(IndexSet(path, t.fields, true), Error);
    // Rebuilding with a bad expression writes nothing.
    EXPECT_THROW(IndexSet::rebuild(dir.file("N.MDX"), "N", t.fields, {{"X", "Upper(Nothing)"}}, 4,
                                   reader(t)),
                 Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("N.MDX")));
}

TEST(IndexSetTest, TagDefinitionsAreReadBackEvenFromADamagedHeader) {
    mdxtest::TempDir dir;
    const auto t = sample();
    const std::string path = dir.file("B.MDX");
    IndexSet::rebuild(path, "B", t.fields,
                      {{"NEWINDEX", "Upper(Author)"}, {"YEAR", "STR(YearPub)"}}, 4, reader(t));
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[22] = 7;  // an impossible block size
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_THROW(MdxFile(path, false), Error);
    const auto defs = IndexSet::readDefinitions(path).tags;
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].name, "NEWINDEX");
    EXPECT_EQ(defs[0].expression, "Upper(Author)");
    EXPECT_EQ(defs[1].expression, "STR(YearPub)");
}

TEST(IndexOrderTest, StepsThroughTheListAndReloadsWhenInvalidated) {
    std::vector<std::uint32_t> list{3, 1, 2};
    int loads = 0;
    dbase::IndexOrder order([&] {
        ++loads;
        return list;
    });
    EXPECT_EQ(order.first(), 3u);
    EXPECT_EQ(order.next(3), 1u);
    EXPECT_EQ(order.next(1), 2u);
    EXPECT_EQ(order.next(2), 0u);
    EXPECT_EQ(order.prior(3), 0u);
    EXPECT_EQ(order.prior(2), 1u);
    EXPECT_EQ(order.last(), 2u);
    EXPECT_EQ(order.next(99), 0u);
    EXPECT_EQ(loads, 1);
    list = {2, 3};
    order.invalidate();
    EXPECT_EQ(order.next(2), 3u);
    EXPECT_EQ(loads, 2);
}

}  // namespace

namespace {

// A builder given little memory sorts in runs written to a temporary file and
// merges them: the same entries in the same order as one sorted in memory,
// equal keys by record number across runs too, for both directions and for
// keys wider than the part the sort compares first.
TEST(IndexSetTest, ABuildSortedInRunsEqualsOneSortedInMemory) {
    mdxtest::TempDir dir;
    mdxtest::MemTable t({{"AUTHOR", FieldType::Character, 60}, {"YEARPUB", FieldType::Numeric, 4}});
    std::mt19937 rng(7);
    const std::string prefix(40, 'P');  // keys alike far past the first 32 bytes
    for (int i = 0; i < 3000; ++i)
        t.add({prefix + std::to_string(rng() % 50), std::to_string(1900 + rng() % 30)});
    for (const char* expression : {"Upper(Author)", "YearPub"}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(std::string(expression) + (descending ? " descending" : ""));
            const auto e = dbase::Expression::compile(expression, t.fields);
            dbase::TagBuilder whole("T", e, descending);
            dbase::TagBuilder runs("T", e, descending, 20000, dir.path().string());
            for (std::uint32_t r = 1; r <= t.records.size(); ++r) {
                whole.add(t.bytes(r), r);
                runs.add(t.bytes(r), r);
            }
            EXPECT_GT(runs.spilledRuns(), 3u);
            const dbase::MdxTagBuild a = whole.finish();
            const dbase::MdxTagBuild b = runs.finish();
            EXPECT_EQ(a.recNos, b.recNos);
            EXPECT_EQ(a.keys, b.keys);
            EXPECT_EQ(a.recNos.size(), 3000u);
        }
    }
    // Nothing is left in the spill folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Keys that repeat a lot (the books of one author) are put in order by
// their distinct values; keys that do not, or stop repeating part-way, by a
// full sort. Either way the order is keys ascending (or descending), equal
// keys by record number, also for keys that differ only at their end.
TEST(IndexSetTest, RepeatedAndVariedKeysSortLikeAStableSortOfTheKeys) {
    mdxtest::MemTable t({{"AUTHOR", FieldType::Character, 60}});
    std::mt19937 rng(11);
    const std::string alike(45, 'A');
    for (int i = 0; i < 6000; ++i) {
        std::string author;
        if (i < 3000)
            author = alike + static_cast<char>('a' + rng() % 26);  // 26 keys, alike but the end
        else if (i < 4500)
            author = "Few " + std::to_string(rng() % 7);
        else
            author = "Many " + std::to_string(rng());  // varied from here on
        t.add({author});
    }
    const auto e = dbase::Expression::compile("Upper(Author)", t.fields);
    for (std::uint32_t records : {3000u, 4500u, 6000u}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(std::to_string(records) + (descending ? " descending" : ""));
            std::vector<std::pair<std::string, std::uint32_t>> expected;
            dbase::TagBuilder b("T", e, descending);
            std::string key;
            for (std::uint32_t r = 1; r <= records; ++r) {
                b.add(t.bytes(r), r);
                e.key(t.bytes(r), key);
                expected.emplace_back(key, r);
            }
            std::stable_sort(expected.begin(), expected.end(), [&](const auto& x, const auto& y) {
                return descending ? x.first > y.first : x.first < y.first;
            });
            const dbase::MdxTagBuild got = b.finish();
            ASSERT_EQ(got.recNos.size(), records);
            std::string keys;
            std::vector<std::uint32_t> recNos;
            for (const auto& [k, r] : expected) {
                keys += k;
                recNos.push_back(r);
            }
            EXPECT_EQ(got.recNos, recNos);
            EXPECT_EQ(got.keys, keys);
        }
    }
}

// An index written from runs is a valid file that the outside checker and
// the engine read back in order.
TEST(IndexSetTest, AnIndexBuiltInRunsWalksInOrder) {
    mdxtest::TempDir dir;
    mdxtest::MemTable t({{"AUTHOR", FieldType::Character, 30}});
    for (int i = 0; i < 5000; ++i)
        t.add({"Name " + std::to_string((i * 7919) % 5000)});
    dbase::IndexBuilder b(t.fields, {{"BYNAME", "Upper(Author)"}}, dir.path().string(), 30000);
    for (std::uint32_t r = 1; r <= t.records.size(); ++r)
        b.add(t.bytes(r), r);
    const std::string path = dir.file("B.MDX");
    b.write(path, "B");
    IndexSet set(path, t.fields, false);
    const auto order = set.order(0, 5000, true);
    ASSERT_EQ(order.size(), 5000u);
    for (size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(t.records[order[i - 1] - 1], t.records[order[i] - 1]);
}

}  // namespace
