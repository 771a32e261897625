#include "dbase/mdx_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "dbase/error.h"
#include "dbase/mdx_layout.h"
#include "mdx_test_util.h"

namespace {

using dbase::Error;
using dbase::Expression;
using dbase::FieldType;
using dbase::MdxFile;
using dbase::MdxTagBuild;

using Entry = std::pair<std::string, std::uint32_t>;

// A character tag of the given key length with these entries (sorted here).
MdxTagBuild charTag(const std::string& name, int keyLength, std::vector<Entry> entries) {
    std::sort(entries.begin(), entries.end());
    MdxTagBuild t;
    t.name = name;
    t.expression = "KEY";
    t.keyType = dbase::KeyType::Character;
    t.keyLength = keyLength;
    for (const auto& [k, r] : entries) {
        t.keys += k;
        t.recNos.push_back(r);
    }
    return t;
}

std::string padded(const std::string& s, int length) {
    std::string k = s.substr(0, static_cast<size_t>(length));
    k.resize(static_cast<size_t>(length), ' ');
    return k;
}

std::vector<Entry> contents(const MdxFile& f, int tag) {
    std::vector<Entry> out;
    f.forEach(tag, [&out](std::string_view k, std::uint32_t r) { out.emplace_back(k, r); });
    return out;
}

std::string randomWord(std::mt19937& rng, int letters) {
    std::string s;
    std::uniform_int_distribution<int> len(1, letters), ch('A', 'Z');
    for (int i = len(rng); i > 0; --i)
        s += static_cast<char>(ch(rng));
    return s;
}

void expectDamaged(const std::string& path, const char* what) {
    try {
        MdxFile f(path, false);
        for (size_t i = 0; i < f.tags().size(); ++i)
            f.check(static_cast<int>(i), 0);
        ADD_FAILURE() << "not detected: " << what;
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << what << ": " << e.what();
    }
}

void patch(const std::string& path, std::uint64_t offset, const std::string& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}

TEST(MdxFileTest, WritesTagsThatReadBackInOrder) {
    mdxtest::TempDir dir;
    const std::string path = dir.file("T.MDX");
    MdxFile::write(path, "t",
                   {charTag("NewIndex", 4, {{"BBBB", 2}, {"AAAA", 3}, {"BBBB", 1}}),
                    charTag("EMPTY", 10, {})});
    MdxFile f(path, false);
    ASSERT_EQ(f.tags().size(), 2u);
    EXPECT_EQ(f.tags()[0].name, "NEWINDEX");
    EXPECT_EQ(f.findTag("newindex"), 0);
    EXPECT_EQ(f.findTag("Empty"), 1);
    EXPECT_EQ(f.findTag("OTHER"), -1);
    EXPECT_EQ(contents(f, 0), (std::vector<Entry>{{"AAAA", 3}, {"BBBB", 1}, {"BBBB", 2}}));
    EXPECT_EQ(f.check(1, 0, true), 0u);
    EXPECT_EQ(f.depth(1), 1);
}

TEST(MdxFileTest, RefusesBadTagNames) {
    mdxtest::TempDir dir;
    for (const char* name : {"", "ELEVENCHARS", "NEW INDEX", "1ST"}) {
        try {
            MdxFile::write(dir.file("T.MDX"), "t", {charTag(name, 4, {})});
            ADD_FAILURE() << "accepted tag name \"" << name << "\"";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::InvalidValue);
        }
    }
}

TEST(MdxFileTest, DeepTreeOfTensOfThousandsOfKeysIsWalkedAndSearched) {
    mdxtest::TempDir dir;
    std::mt19937 rng(7);
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 60000; ++r)
        entries.emplace_back(padded(randomWord(rng, 8), 36), r);
    MdxFile::write(dir.file("D.MDX"), "d", {charTag("NEWINDEX", 36, entries)});
    std::sort(entries.begin(), entries.end());

    MdxFile f(dir.file("D.MDX"), false);
    EXPECT_EQ(f.depth(0), 4);  // 25 keys a block: 2400 leaves under two levels and a root
    EXPECT_EQ(contents(f, 0), entries);
    EXPECT_EQ(f.check(0, 60000, true), 60000u);

    for (int i = 0; i < 200; ++i) {
        const std::string probe = padded(randomWord(rng, 8), 36);
        const auto want = std::lower_bound(entries.begin(), entries.end(), Entry{probe, 0});
        std::string k;
        std::uint32_t r = 0;
        const bool found = f.seek(0, probe, &k, &r);
        ASSERT_EQ(found, want != entries.end());
        if (found) {
            EXPECT_EQ(Entry(k, r), *want) << probe;
        }
    }
}

// Random inserts and removals against a sorted model; long keys (9 to a
// block) make a deep tree that splits, merges and shrinks often.
TEST(MdxFileTest, InsertAndRemoveKeepEveryInvariant) {
    mdxtest::TempDir dir;
    const std::string path = dir.file("R.MDX");
    const int kl = 100;
    MdxFile::write(path, "r", {charTag("NEWINDEX", kl, {})});
    MdxFile f(path, true);
    std::mt19937 rng(42);
    std::set<Entry> model;
    std::uint32_t nextRec = 1;
    int maxDepth = 0;
    for (int step = 0; step < 6000; ++step) {
        // Grow first, then shrink to nothing.
        const bool grow = model.empty() || (step < 3500 ? rng() % 4 != 0 : rng() % 4 == 0);
        if (grow) {
            // Few distinct words: long runs of equal keys across blocks.
            const Entry e{padded(randomWord(rng, 2), kl), nextRec++};
            f.insert(0, e.first, e.second);
            model.insert(e);
        } else {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            ASSERT_TRUE(f.remove(0, it->first, it->second));
            model.erase(it);
        }
        if (step % 50 == 0 || model.size() < 20) {
            ASSERT_EQ(f.check(0, nextRec, true), model.size()) << "step " << step;
            ASSERT_EQ(contents(f, 0), std::vector<Entry>(model.begin(), model.end()))
                << "step " << step;
            maxDepth = std::max(maxDepth, f.depth(0));
        }
    }
    while (!model.empty()) {
        ASSERT_TRUE(f.remove(0, model.begin()->first, model.begin()->second));
        model.erase(model.begin());
    }
    EXPECT_GE(maxDepth, 4);
    EXPECT_EQ(f.check(0, 0, true), 0u);
    EXPECT_EQ(f.depth(0), 1);
    EXPECT_FALSE(f.remove(0, padded("A", kl), 1));
    f.insert(0, padded("AGAIN", kl), 3);
    EXPECT_EQ(contents(f, 0), (std::vector<Entry>{{padded("AGAIN", kl), 3}}));
}

TEST(MdxFileTest, EqualKeysStayInRecordNumberOrderWhateverTheInsertOrder) {
    mdxtest::TempDir dir;
    const std::string path = dir.file("E.MDX");
    MdxFile::write(path, "e", {charTag("NEWINDEX", 36, {{padded("B", 36), 5000}})});
    MdxFile f(path, true);
    std::vector<std::uint32_t> recs(300);
    for (std::uint32_t i = 0; i < recs.size(); ++i)
        recs[i] = i + 1;
    std::shuffle(recs.begin(), recs.end(), std::mt19937(3));
    for (std::uint32_t r : recs)
        f.insert(0, padded(r % 3 ? "B" : "A", 36), r);
    const auto got = contents(f, 0);
    ASSERT_EQ(got.size(), 301u);
    for (size_t i = 1; i < got.size(); ++i) {
        ASSERT_TRUE(got[i - 1].first < got[i].first ||
                    (got[i - 1].first == got[i].first && got[i - 1].second < got[i].second))
            << i;
    }
    EXPECT_EQ(got.back(), Entry(padded("B", 36), 5000));
    EXPECT_FALSE(f.remove(0, padded("B", 36), 3));  // record 3 is under "A"
    EXPECT_TRUE(f.remove(0, padded("A", 36), 3));
}

TEST(MdxFileTest, DamagedFilesAreReportedAsIndexDamaged) {
    mdxtest::TempDir dir;
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 400; ++r)
        entries.emplace_back(padded(std::to_string(r * 7919 % 1000), 8), r);
    const std::string good = dir.file("GOOD.MDX");
    MdxFile::write(good, "good", {charTag("NEWINDEX", 8, entries)});
    using namespace dbase::mdx;
    // The layout the corruptions below aim at: tag header at page 4, leaves
    // from page 6 on, 84 keys a leaf, the root last.
    const std::uint32_t root = [&] {
        MdxFile f(good, false);
        EXPECT_EQ(f.depth(0), 2);
        std::ifstream in(good, std::ios::binary);
        in.seekg(4 * kPage);
        unsigned char b[4];
        in.read(reinterpret_cast<char*>(b), 4);
        return get32(b);
    }();
    const std::uint64_t leaf = 6 * kPage;
    struct Damage {
        const char* what;
        std::uint64_t offset;
        std::string bytes;
    };
    const Damage damages[] = {
        {"block size not 1024", header::kBlockBytes, std::string("\x01\x03", 2)},
        {"too many tags", header::kTagsInUse, std::string("\xFF\x00", 2)},
        {"page count beyond the file", header::kPageCount, le32(100000)},
        {"tag header beyond the file", slot::kFirst, le32(90000)},
        {"root beyond the file", 4 * kPage + tag::kRoot, le32(1u << 30)},
        {"root in the file header", 4 * kPage + tag::kRoot, le32(0)},
        {"unknown key type", 4 * kPage + tag::kKeyType, "X"},
        {"key length against item length", 4 * kPage + tag::kKeyLength, std::string("\x09\x00", 2)},
        {"child pointer beyond the file", root * kPage + node::kItems, le32(77777)},
        {"child pointer to the root itself", root * kPage + node::kItems, le32(root)},
        {"keys out of order", leaf + node::kItems + 4, "99999999"},
        {"key count beyond a block", leaf + node::kCount, le32(500)},
        {"leaf record number zero", leaf + node::kItems, le32(0)},
    };
    for (const Damage& d : damages) {
        const std::string bad = dir.file("BAD.MDX");
        std::filesystem::copy_file(good, bad, std::filesystem::copy_options::overwrite_existing);
        patch(bad, d.offset, d.bytes);
        expectDamaged(bad, d.what);
    }
    // A file cut short, and one that is not an index at all.
    const std::string cut = dir.file("CUT.MDX");
    std::filesystem::copy_file(good, cut);
    std::filesystem::resize_file(cut, 1500);
    expectDamaged(cut, "cut inside the header");
    std::filesystem::resize_file(cut, 0);
    expectDamaged(cut, "empty file");
    // Record numbers beyond the table.
    MdxFile f(good, false);
    EXPECT_THROW(f.check(0, 399), Error);
    EXPECT_EQ(f.check(0, 400), 400u);
}

// Random byte damage anywhere must end in an engine error or a readable
// tree, never a crash (run under the sanitizers).
TEST(MdxFileTest, RandomDamageNeverCrashes) {
    mdxtest::TempDir dir;
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 300; ++r)
        entries.emplace_back(padded(std::to_string(r % 97), 20), r);
    const std::string good = dir.file("GOOD.MDX");
    MdxFile::write(good, "good",
                   {charTag("NEWINDEX", 20, entries), charTag("SECOND", 20, entries)});
    const auto size = std::filesystem::file_size(good);
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        const std::string bad = dir.file("BAD.MDX");
        std::filesystem::copy_file(good, bad, std::filesystem::copy_options::overwrite_existing);
        for (int i = 0; i < 4; ++i)
            patch(bad, rng() % size, std::string(1, static_cast<char>(rng())));
        try {
            MdxFile f(bad, true);
            for (size_t t = 0; t < f.tags().size(); ++t) {
                f.check(static_cast<int>(t), 300);
                f.insert(static_cast<int>(t), std::string(20, 'Q'), 301);
                f.remove(static_cast<int>(t), std::string(20, 'Q'), 301);
            }
        } catch (const Error&) {
        }
    }
}

// Files written and changed by the engine read the same in two outside
// readers: the format checker recomputes every key from the table, and the
// Perl index reader lists the same keys in the same order.
TEST(MdxFileTest, OutsideReadersAgreeAfterBuildInsertEditAndDelete) {
    mdxtest::TempDir dir;
    mdxtest::MemTable t({{"TITLE", FieldType::Character, 40},
                         {"AUTHOR", FieldType::Character, 30},
                         {"YEARPUB", FieldType::Numeric, 4},
                         {"PURCHDATE", FieldType::Date, 8}});
    std::mt19937 rng(1994);
    const char* authors[] = {"Knuth, Donald E.", "knuth, donald e.",
                             "Adams, Douglas",   "",
                             "Eco, Umberto",     "Abercrombie-Fitzgerald, Montgomery"};
    auto row = [&] {
        const std::string year = rng() % 10 == 0 ? "" : std::to_string(1950 + rng() % 70);
        const std::string date = rng() % 8 == 0 ? ""
                                                : std::to_string(1980 + rng() % 40) + "0" +
                                                      std::to_string(1 + rng() % 9) + "15";
        return std::vector<std::string>{"T", authors[rng() % 6], year, date};
    };
    for (int i = 0; i < 1500; ++i)
        t.add(row(), i % 7 == 6);
    const std::string expr = "Upper(Left(Author,20))+STR(YearPub,8,0)+DTOS(PurchDate)";
    const Expression e = Expression::compile(expr, t.fields);
    const std::string base = dir.file("BOOKS");
    MdxFile::write(base + ".MDX", "BOOKS", {t.build("NewIndex", e)});

    {
        MdxFile f(base + ".MDX", true);
        std::string k;
        for (int i = 0; i < 400; ++i) {  // appends
            const std::uint32_t r = t.add(row());
            e.key(t.bytes(r), k);
            f.insert(0, k, r);
        }
        for (int i = 0; i < 300; ++i) {  // edits: the old key out, the new one in
            const auto r = static_cast<std::uint32_t>(1 + rng() % t.records.size());
            e.key(t.bytes(r), k);
            ASSERT_TRUE(f.remove(0, k, r));
            t.records[r - 1] = t.record(row());
            e.key(t.bytes(r), k);
            f.insert(0, k, r);
        }
        EXPECT_GE(f.depth(0), 2);
        EXPECT_EQ(f.check(0, static_cast<std::uint32_t>(t.records.size()), true), t.records.size());
    }
    t.writeDbf(base + ".dbf");

    std::string out;
    const std::string tools = mdxtest::toolsDir();
    EXPECT_EQ(
        mdxtest::run("/usr/bin/python3 " + tools + "/dbfmdx.py check " + base + " NEWINDEX", &out),
        0)
        << out;
    ASSERT_TRUE(mdxtest::haveXBaseIndex())
        << "Perl's XBase::Index is missing: run scripts/setup.sh";
    ASSERT_EQ(mdxtest::run("perl " + tools + "/mdx_keys.pl " + base + ".MDX NEWINDEX", &out), 0)
        << out;
    MdxFile f(base + ".MDX", false);
    EXPECT_EQ(out, mdxtest::listing(f, 0));
}

}  // namespace
