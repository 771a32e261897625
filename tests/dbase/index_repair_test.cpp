// Damaged production indexes and how they are repaired: records a killed
// writer left out of a tag are put back by the next user; damaged tag
// definitions are reported as damage, not as tags of another program; and
// regenerating rebuilds what can be read and names what cannot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "dbase/code_page.h"

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

std::vector<std::uint32_t> navigation(Table& t) {
    std::vector<std::uint32_t> recs;
    for (t.first(); !t.eof(); t.next())
        recs.push_back(t.recNo());
    return recs;
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

class RepairedIndex : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("books.dbf");
        Table::create(path, tktest::sampleFields());
        Table t;
        t.setFileName(path);
        t.open();
        const char* titles[] = {"zebra",  "Apple",  "mango", "Kiwi",
                                "banana", "Cherry", "date",  "fig"};
        int year = 1990;
        for (const char* title : titles)
            tktest::appendBook(t, title, year--, 0);
        t.close();
        t.addIndexTag("NewIndex", "Upper(Title)");
        t.addIndexTag("ByYear", "STR(YearPub,8,0)+Upper(Left(Title,20))");
        mdx = t.indexFileName();
    }

    // Byte offsets in the index file: tag k's slot (1-based) and header block.
    size_t slot(int k) const { return 544 + 32 * static_cast<size_t>(k - 1); }
    size_t tagHeader(int k) const {
        return static_cast<size_t>(le32(tktest::readBytes(mdx), slot(k))) * 512;
    }
    void patch(size_t at, std::vector<std::uint8_t> values) {
        auto b = tktest::readBytes(mdx);
        std::copy(values.begin(), values.end(), b.begin() + static_cast<long>(at));
        tktest::writeBytes(mdx, b);
    }
    // Takes a record out of every tag, as a writer killed after removing the
    // record's old keys leaves it.
    void dropFromEveryTag(std::uint32_t recNo, const std::string& title, int year) {
        MdxFile f(mdx, true);
        char key[64];
        std::snprintf(key, sizeof key, "%-30s", title.c_str());
        std::string upper(key);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ASSERT_TRUE(f.remove(0, upper, recNo));
        std::snprintf(key, sizeof key, "%8d", year);
        ASSERT_TRUE(f.remove(1, std::string(key) + upper.substr(0, 20), recNo));
    }
    void expectWhole(std::uint32_t records) {
        MdxFile f(mdx, false);
        ASSERT_EQ(f.tags().size(), 2u);
        EXPECT_EQ(f.check(0, records, true), records);
        EXPECT_EQ(f.check(1, records, true), records);
        std::string out;
        EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " +
                                   dir.file("books") + " NEWINDEX",
                               &out),
                  0)
            << out;
        EXPECT_EQ(mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " +
                                   dir.file("books") + " BYYEAR",
                               &out),
                  0)
            << out;
    }

    tktest::TempDir dir;
    std::string path, mdx;
    const std::vector<std::uint32_t> byTitle{2, 5, 6, 7, 8, 4, 3, 1};
};

// A writer killed between counting an appended record and indexing it: the
// next user to open in key order puts the record in every tag and goes on,
// shared, without anyone regenerating. One that may not write still reports
// the gap.
TEST_F(RepairedIndex, ARecordCountedButNotIndexedIsPutBackByTheNextOpen) {
    auto bytes = tktest::readBytes(path);
    const size_t headerLength = bytes[8] | (bytes[9] << 8);
    const size_t recordLength = bytes[10] | (bytes[11] << 8);
    bytes.insert(bytes.end() - 1, bytes.begin() + static_cast<long>(headerLength),
                 bytes.begin() + static_cast<long>(headerLength + recordLength));
    bytes[4] = 9;  // record 9, a copy of record 1, counted but in no tag
    tktest::writeBytes(path, bytes);

    // A reader cannot mend the index: it reads every record, in record order.
    const auto index = tktest::readBytes(mdx);
    {
        Table reader;
        reader.setFileName(path);
        reader.setReadOnly(true);
        reader.setIndexTag("NewIndex");
        reader.open();
        EXPECT_EQ(navigation(reader).size(), 9u);
    }
    EXPECT_EQ(tktest::readBytes(mdx), index);

    Table t;
    t.setFileName(path);
    t.setIndexTag("NewIndex");
    t.open();
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{2, 5, 6, 7, 8, 4, 3, 1, 9}));
    EXPECT_EQ(tktest::readBytes(path), bytes);  // the table itself is not written
    expectWhole(9);
    t.first();
    t.edit();
    t.setString(t.fieldIndex("TITLE"), "aardvark");
    t.post();
    expectWhole(9);
}

// A writer killed after taking a record's old keys out: the record is in no
// tag. With another user there (so that nobody rebuilds the index), opening
// in key order puts it back under the key it has on disk.
TEST_F(RepairedIndex, ARecordWhoseKeysWereTakenOutIsPutBackByTheNextOpen) {
    dropFromEveryTag(3, "mango", 1988);
    Table other;
    other.setFileName(path);
    other.setReadOnly(true);
    other.open();
    Table t;
    t.setFileName(path);
    t.setIndexTag("ByYear");
    t.open();
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{8, 7, 6, 5, 4, 3, 2, 1}));
    expectWhole(8);
    t.setIndexTag("NewIndex");
    EXPECT_EQ(navigation(t), byTitle);
}

// With no tag selected nothing walks the tags; the first change of the
// record that is missing finds it so and puts its new key in.
TEST_F(RepairedIndex, TheFirstChangeOfAMissingRecordPutsItBack) {
    dropFromEveryTag(3, "mango", 1988);
    Table other;
    other.setFileName(path);
    other.setReadOnly(true);
    other.open();
    Table t;
    t.setFileName(path);
    t.open();
    ASSERT_TRUE(t.gotoRecNo(3));
    t.edit();
    t.setString(t.fieldIndex("TITLE"), "lemon");
    EXPECT_NO_THROW(t.post());
    expectWhole(8);
    t.setIndexTag("NewIndex");
    EXPECT_EQ(navigation(t), (std::vector<std::uint32_t>{2, 5, 6, 7, 8, 4, 3, 1}));
}

// A record under a key it does not have is no killed writer's gap: that is
// damage the next change refuses.
TEST_F(RepairedIndex, ARecordUnderAWrongKeyIsStillDamage) {
    {
        MdxFile f(mdx, true);
        std::string zebra = "ZEBRA";
        zebra.resize(30, ' ');
        ASSERT_TRUE(f.remove(0, zebra, 1));
        std::string other = "ZZZ";
        other.resize(30, ' ');
        f.insert(0, other, 1);
        f.endChanges();  // a writer that finished: nothing marks the index for a rebuild
    }
    Table t;
    t.setFileName(path);
    t.open();
    ASSERT_TRUE(t.gotoRecNo(1));
    t.edit();
    t.setString(t.fieldIndex("TITLE"), "yak");
    try {
        t.post();
        ADD_FAILURE() << "changed a record indexed under a wrong key";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << e.what();
    }
}

// A writer that stopped part-way through changing the index leaves its count
// of changers above zero (here with a leaf torn in half). The next user who
// has the table to itself, shared or exclusive, rebuilds the index at open
// and says so; one opening beside another user leaves it (the walk reports
// the damage), and a clean close leaves nothing to rebuild.
TEST_F(RepairedIndex, AnIndexLeftPartWayIsRebuiltByTheNextUserAlone) {
    EXPECT_EQ(MdxFile(mdx, false).changersAtOpen(), 0);
    {
        MdxFile f(mdx, true);
        std::string zebra = "ZEBRA";
        zebra.resize(30, ' ');
        ASSERT_TRUE(f.remove(0, zebra, 1));  // counts itself as a changer, never leaves
    }
    EXPECT_EQ(MdxFile(mdx, false).changersAtOpen(), 1);
    // The tag's only leaf, with a count no block can hold.
    const size_t root = le32(tktest::readBytes(mdx), tagHeader(1)) * size_t{512};
    patch(root, {0x30});

    for (const OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
        const auto broken = tktest::readBytes(mdx);
        {
            Table other;  // a reader: it leaves the index as it is
            other.setFileName(path);
            other.setReadOnly(true);
            other.open();
            Table t;
            t.setFileName(path);
            t.open();
            EXPECT_TRUE(t.openWarnings().empty());
            EXPECT_EQ(tktest::readBytes(mdx), broken);
            EXPECT_THROW(t.setIndexTag("NewIndex"), Error);
        }
        Table t;
        t.setFileName(path);
        t.setMode(mode);
        t.setIndexTag("NewIndex");
        t.open();
        ASSERT_EQ(t.openWarnings().size(), 1u);
        EXPECT_NE(t.openWarnings()[0].find("index was rebuilt"), std::string::npos);
        EXPECT_EQ(t.indexTag(), "NEWINDEX");
        EXPECT_EQ(navigation(t), byTitle);
        // Changes of this user are counted while it is open, and the count is
        // back to zero when it closes.
        ASSERT_TRUE(t.gotoRecNo(2));
        t.edit();
        t.setString(t.fieldIndex("TITLE"), "Apricot");
        t.post();
        EXPECT_EQ(MdxFile(mdx, false).changersAtOpen(), 1);
        t.close();
        expectWhole(8);
        EXPECT_EQ(MdxFile(mdx, false).changersAtOpen(), 0);
        t.open();
        EXPECT_TRUE(t.openWarnings().empty());
        t.gotoRecNo(2);
        t.edit();
        t.setString(t.fieldIndex("TITLE"), "Apple");
        t.post();
        t.close();
        // Broken again for the next mode.
        tktest::writeBytes(mdx, broken);
    }
}

// A user whose change failed part-way (here the table's record could not
// be put on disk after its keys went in) leaves the count as it is when it
// closes: the next user alone rebuilds the index.
TEST_F(RepairedIndex, AFailedChangeLeavesTheIndexMarkedForARebuild) {
    {
        tktest::FaultFileSystem fs;
        fs.watch(dir.path());
        Table t;
        t.setFileName(path);
        t.open();
        ASSERT_TRUE(t.gotoRecNo(2));
        t.edit();
        t.setString(t.fieldIndex("TITLE"), "Aardvark");
        t.post();  // counted as a changer
        fs.arm(tktest::FaultFileSystem::Fault::FailSync, 1);
        EXPECT_THROW(tktest::appendBook(t, "quince", 1970, 0), Error);
        fs.disarm();
        t.close();
    }
    EXPECT_EQ(MdxFile(mdx, false).changersAtOpen(), 1);
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.openWarnings().size(), 1u);
    expectWhole(9);
}

// Damage the walk cannot mend (here a tree whose root lies outside the
// file): opening for exclusive use in key order regenerates at once.
TEST_F(RepairedIndex, ExclusiveOpeningRegeneratesADamagedTree) {
    patch(tagHeader(1), {0xF0, 0xFF, 0x00, 0x00});
    Table t;
    t.setFileName(path);
    t.setIndexTag("NewIndex");
    EXPECT_THROW(t.open(), Error);
    t.setMode(OpenMode::Exclusive);
    t.open();
    EXPECT_EQ(t.indexTag(), "NEWINDEX");
    EXPECT_EQ(navigation(t), byTitle);
    expectWhole(8);
}

// A post refused by a damaged index leaves the record pending; regenerating
// and packing repair the index from that state and then post it.
TEST_F(RepairedIndex, RepairWorksWithARefusedChangePending) {
    for (const bool pack : {false, true}) {
        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        t.setIndexTag("NewIndex");
        t.open();
        ASSERT_TRUE(t.gotoRecNo(4));
        t.edit();
        t.setString(t.fieldIndex("TITLE"), pack ? "after packing" : "after rebuild");
        patch(tagHeader(1), {0xF0, 0xFF, 0x00, 0x00});
        try {
            t.post();
            ADD_FAILURE() << "posted on a damaged index";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << e.what();
        }
        ASSERT_EQ(t.state(), dbase::TableState::Edit);
        if (pack)
            t.pack();
        else
            t.regenerateIndexes();
        EXPECT_EQ(t.state(), dbase::TableState::Browse);
        EXPECT_EQ(t.stringAt(4, t.fieldIndex("TITLE")), pack ? "after packing" : "after rebuild");
        t.close();
        expectWhole(8);
    }
}

// A damaged expression, unique flag or FOR flag is damage of the index:
// the table still opens for exclusive use, and regenerating rebuilds what it
// can and names the tag it could not.
TEST_F(RepairedIndex, DamagedTagDefinitionsAreDamageNotForeignTags) {
    const auto good = tktest::readBytes(mdx);
    const struct {
        size_t at;
        std::uint8_t value;
        bool expressionLost;
    } cases[] = {
        {tagHeader(2) + 24 + 3, 'x', true},   // "STRx..." is no function
        {tagHeader(2) + 24 + 9, 0x01, true},  // a control byte in the text
        {tagHeader(2) + 23, 1, false},        // unique byte without the unique bit
        {tagHeader(2) + 8, 0x50, false},      // unique bit without the unique byte
        {tagHeader(2) + 245, 1, false},       // FOR flag with no condition
    };
    for (const auto& c : cases) {
        tktest::writeBytes(mdx, good);
        patch(c.at, {c.value});
        Table t;
        t.setFileName(path);
        t.setIndexTag("ByYear");
        try {
            t.open();
            ADD_FAILURE() << c.at << ": opened shared in the order of a damaged tag";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << c.at << ": " << e.what();
        }
        t.setIndexTag("");
        t.setMode(OpenMode::Exclusive);
        ASSERT_NO_THROW(t.open()) << c.at;
        EXPECT_EQ(t.indexTags(), (std::vector<std::string>{"NEWINDEX", "BYYEAR"}));
        if (c.expressionLost) {
            try {
                t.regenerateIndexes();
                ADD_FAILURE() << c.at << ": regenerated without a word about BYYEAR";
            } catch (const Error& e) {
                EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged);
                EXPECT_NE(std::string(e.what()).find("BYYEAR"), std::string::npos) << e.what();
            }
            EXPECT_EQ(t.indexTags(), std::vector<std::string>{"NEWINDEX"});
            t.setIndexTag("NewIndex");
            EXPECT_EQ(navigation(t), byTitle);
        } else {
            t.regenerateIndexes();
            t.close();
            expectWhole(8);
        }
    }
}

// A tag whose header lies outside the file is named but cannot be rebuilt;
// when no tag can be rebuilt the file is left alone; and a tag table beyond
// reading is reported, never listed as no tags or regenerated into nothing.
TEST_F(RepairedIndex, RegeneratingNamesTheTagsItCannotRebuild) {
    const auto good = tktest::readBytes(mdx);
    Table t;
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);

    patch(slot(2), {0x00, 0x00, 0x01, 0x00});  // BYYEAR's header far outside the file
    EXPECT_EQ(t.indexTags(), (std::vector<std::string>{"NEWINDEX", "BYYEAR"}));
    t.open();
    try {
        t.regenerateIndexes();
        ADD_FAILURE() << "regenerated without a word about BYYEAR";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged);
        EXPECT_NE(std::string(e.what()).find("BYYEAR"), std::string::npos) << e.what();
    }
    EXPECT_EQ(t.indexTags(), std::vector<std::string>{"NEWINDEX"});
    t.close();

    tktest::writeBytes(mdx, good);
    patch(slot(1), {0x00, 0x00, 0x01, 0x00});
    patch(slot(2), {0x00, 0x00, 0x01, 0x00});
    const auto unreadable = tktest::readBytes(mdx);
    t.open();
    try {
        t.regenerateIndexes();
        ADD_FAILURE() << "regenerated an index none of whose tags can be read";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged);
        EXPECT_NE(std::string(e.what()).find("NEWINDEX, BYYEAR"), std::string::npos) << e.what();
    }
    t.close();
    EXPECT_EQ(tktest::readBytes(mdx), unreadable);
    EXPECT_TRUE(t.hasIndexFile());

    // A tag table of zeros with an impossible count.
    auto wiped = good;
    std::fill(wiped.begin() + 512, wiped.begin() + 2048, 0);
    wiped[28] = 0xFF;
    tktest::writeBytes(mdx, wiped);
    try {
        (void)t.indexTags();
        ADD_FAILURE() << "listed the tags of an index whose tag table is gone";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::IndexDamaged) << e.what();
    }
    t.open();
    EXPECT_THROW(t.regenerateIndexes(), Error);
    t.close();
    EXPECT_EQ(tktest::readBytes(mdx), wiped);
}

// An index written when UPPER changed ASCII letters only: the first user who
// may write it moves the keys with accented letters to where the code
// page's capitals put them and marks the file, once; the tag then orders
// "émile" with "Émile". The file is not touched again after that.
TEST_F(RepairedIndex, KeysOfTheEarlierLetterCaseRuleAreMovedOnce) {
    {
        Table t;
        t.setFileName(path);
        t.open();
        tktest::appendBook(t, "\u00e9mile", 1980, 0);  // record 9
        tktest::appendBook(t, "\u00c9mile", 1980, 0);  // record 10
        tktest::appendBook(t, "Eve", 1980, 0);         // record 11
        // The tags as the earlier rule built them: non-ASCII bytes kept.
        std::vector<std::pair<std::string, std::uint32_t>> titleKeys, yearKeys;
        for (std::uint32_t r = 1; r <= 11; ++r) {
            std::string title;
            EXPECT_TRUE(dbase::CodePage::windows1252().encode(t.stringAt(r, 0), title));
            for (char& c : title)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 32);
            title.resize(30, ' ');
            char year[16];
            std::snprintf(year, sizeof year, "%8.0f", std::stod(t.stringAt(r, 1)));
            titleKeys.emplace_back(title, r);
            yearKeys.emplace_back(year + title.substr(0, 20), r);
        }
        t.close();
        const auto tag = [](const char* name, const char* expr, int length, auto entries) {
            std::sort(entries.begin(), entries.end());
            dbase::MdxTagBuild b;
            b.name = name;
            b.expression = expr;
            b.keyLength = length;
            for (const auto& [k, r] : entries) {
                b.keys += k;
                b.recNos.push_back(r);
            }
            return b;
        };
        MdxFile::write(mdx, "BOOKS",
                       {tag("NEWINDEX", "Upper(Title)", 30, titleKeys),
                        tag("BYYEAR", "STR(YearPub,8,0)+Upper(Left(Title,20))", 28, yearKeys)});
        patch(47, {0});
    }
    const std::vector<std::uint32_t> folded{2, 5, 6, 7, 11, 8, 4, 3, 1, 9, 10};
    {
        Table reader;
        reader.setFileName(path);
        reader.setReadOnly(true);
        reader.setIndexTag("NewIndex");
        reader.open();
        EXPECT_NE(navigation(reader), folded);  // É before é: the earlier order
    }
    Table t;
    t.setFileName(path);
    t.setIndexTag("NewIndex");
    t.open();
    EXPECT_EQ(navigation(t), folded);
    EXPECT_EQ(tktest::readBytes(mdx)[47], 1);
    t.close();
    expectWhole(11);
    t.open();
    EXPECT_EQ(navigation(t), folded);
    // A change of such a record finds its key where it now belongs.
    ASSERT_TRUE(t.gotoRecNo(9));
    t.edit();
    t.setString(0, "\u00e9mile zola");
    t.post();
    t.close();
    expectWhole(11);

    // A marked index is not looked at again: opening writes nothing.
    const auto now = tktest::readBytes(mdx);
    t.open();
    t.close();
    EXPECT_EQ(tktest::readBytes(mdx), now);
}

}  // namespace
