// Tables written by other programs: other versions, code pages, logical
// and memo fields, and the production index flag.
#include <gtest/gtest.h>

#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::Table;
using tktest::RawTable;
using tktest::TempDir;

Table& openFile(Table& t, const std::string& path) {
    t.setFileName(path);
    t.open();
    return t;
}

TEST(ForeignTable, DosCodePagesAreDecoded) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"NAME", 'C', 10}};
    raw.records = {" Caf\x82 \x81", " \xA5o\xE1"};  // cp437 and cp850 agree on these
    for (std::uint8_t ldid : {0x01, 0x02}) {
        raw.languageDriver = ldid;
        raw.write(dir.file("DOS.DBF"));
        Table t;
        openFile(t, dir.file("DOS.DBF"));
        EXPECT_EQ(t.codePage(), ldid == 0x01 ? "cp437" : "cp850");
        EXPECT_EQ(tktest::column(t, "name"), (std::vector<std::string>{"Café ü", "Ñoß"}))
            << int{ldid};
        // Writing back encodes in the table's own code page.
        t.first();
        t.edit();
        t.setString(0, "Ä");
        t.post();
        EXPECT_EQ(tktest::readBytes(dir.file("DOS.DBF"))[32 + 32 + 1 + 1], 0x8E);
    }
}

TEST(ForeignTable, LogicalFieldsAndDeletedRecordsOfOtherWriters) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"OK", 'L', 1}, {"N", 'N', 5, 1}, {"F", 'F', 8, 2}, {"D", 'D', 8}};
    raw.records = {" T  1.5    2.2520240229", "*F  9.9    0.00        ", " ?        -1.0000000000",
                   " y"};
    raw.write(dir.file("L.DBF"));
    Table t;
    openFile(t, dir.file("L.DBF"));
    EXPECT_EQ(t.recordCount(), 3u);
    t.first();
    EXPECT_TRUE(t.asBool(0));
    EXPECT_EQ(t.asString(0), "T");
    EXPECT_DOUBLE_EQ(t.asFloat(1), 1.5);
    EXPECT_DOUBLE_EQ(t.asFloat(2), 2.25);
    EXPECT_EQ(t.asDate(3), (dbase::Date{2024, 2, 29}));
    t.next();
    EXPECT_FALSE(t.asBool(0));
    EXPECT_EQ(t.asString(0), "");  // not initialised
    EXPECT_DOUBLE_EQ(t.asFloat(2), -1.0);
    EXPECT_TRUE(t.asDate(3).isNull());  // "00000000"
    t.next();
    EXPECT_TRUE(t.asBool(0));
}

TEST(ForeignTable, MemoTextIsReadFromDBaseThreeAndFourMemoFiles) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"TITLE", 'C', 5}, {"NOTES", 'M', 10}};
    raw.records = {" one           1", " two           2", " none          "};

    // dBase III: 512-byte blocks, text ended by 0x1A.
    raw.version = 0x83;
    raw.write(dir.file("M3.DBF"));
    std::vector<std::uint8_t> dbt(512 * 3, 0);
    const std::string a = "First memo\r\nline two\x1A\x1A", b = "Caf\xE9\x1A\x1A";
    std::copy(a.begin(), a.end(), dbt.begin() + 512);
    std::copy(b.begin(), b.end(), dbt.begin() + 1024);
    tktest::writeBytes(dir.file("M3.dbt"), dbt);  // found whatever the case of its extension
    Table t3;
    openFile(t3, dir.file("M3.DBF"));
    EXPECT_EQ(tktest::column(t3, "NOTES"),
              (std::vector<std::string>{"First memo\r\nline two", "Café", ""}));

    // dBase IV: block size in the header, length in each block.
    raw.version = 0x8B;
    raw.write(dir.file("M4.DBF"));
    std::vector<std::uint8_t> dbt4(64 * 3, 0);
    dbt4[20] = 64;
    auto put = [&](size_t block, const std::string& text) {
        const size_t at = block * 64;
        const std::uint32_t len = static_cast<std::uint32_t>(text.size() + 8);
        const std::uint8_t head[8] = {0xFF, 0xFF, 0x08, 0x00, static_cast<std::uint8_t>(len),
                                      0,    0,    0};
        std::copy(head, head + 8, dbt4.begin() + static_cast<long>(at));
        std::copy(text.begin(), text.end(), dbt4.begin() + static_cast<long>(at + 8));
    };
    put(1, "four");
    put(2, std::string("with \x1A inside", 13));
    tktest::writeBytes(dir.file("M4.DBT"), dbt4);
    Table t4;
    openFile(t4, dir.file("M4.DBF"));
    EXPECT_EQ(tktest::column(t4, "NOTES")[0], "four");
    EXPECT_EQ(tktest::column(t4, "NOTES")[1], std::string("with \x1A inside", 13));
    t4.first();
    t4.edit();
    EXPECT_THROW(t4.setString(1, "no"), Error);  // memo text is read only
    t4.cancel();
    t4.close();

    // A memo reference past the end of the memo file is damage, not garbage.
    raw.records = {" bad        999"};
    raw.write(dir.file("M4.DBF"));
    openFile(t4, dir.file("M4.DBF"));
    try {
        (void)t4.asString(1);
        ADD_FAILURE() << "read a memo beyond its file";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Damaged);
    }
    t4.close();

    // Without its memo file the table is refused.
    std::remove(dir.file("M4.DBT").c_str());
    EXPECT_THROW(openFile(t4, dir.file("M4.DBF")), Error);
}

TEST(ForeignTable, FoxProTablesOpenForReadingOnly) {
    TempDir dir;
    RawTable raw;
    raw.version = 0x30;
    raw.columns = {{"NAME", 'C', 6}};
    raw.records = {" Fox"};
    raw.extraHeaderBytes = 263;  // the backlink area these tables carry
    raw.write(dir.file("FOX.DBF"));
    const auto before = tktest::readBytes(dir.file("FOX.DBF"));
    Table t;
    openFile(t, dir.file("FOX.DBF"));
    EXPECT_TRUE(t.readOnly());
    EXPECT_EQ(tktest::column(t, "NAME"), std::vector<std::string>{"Fox"});
    try {
        t.append();
        ADD_FAILURE() << "appended to a read-only table";
    } catch (const Error& e) {
        // Reading only was never asked for: the refusal says why.
        EXPECT_EQ(e.kind(), Error::Kind::ReadOnly);
        EXPECT_EQ(std::string(e.what()).find("reading only"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("FoxPro"), std::string::npos) << e.what();
    }
    t.close();
    EXPECT_EQ(tktest::readBytes(dir.file("FOX.DBF")), before);
}

TEST(ForeignTable, ProductionIndexFlagNeedsTheIndexFile) {
    TempDir dir;
    RawTable raw;
    raw.productionIndex = 1;
    raw.columns = {{"NAME", 'C', 6}};
    raw.records = {" a"};
    raw.write(dir.file("IDX.DBF"));
    Table t;
    t.setFileName(dir.file("IDX.DBF"));
    try {
        t.open();
        ADD_FAILURE() << "opened without its production index";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::NotFound);
        EXPECT_NE(std::string(e.what()).find("IDX.MDX"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(t.isOpen());
    tktest::writeBytes(dir.file("IDX.mdx"), std::vector<std::uint8_t>(2048, 0));
    EXPECT_EQ(t.indexFileName(), dir.file("IDX.mdx"));
    t.open();
    EXPECT_TRUE(t.hasIndexFile());
}

TEST(ForeignTable, SiblingFilesAreFoundWhateverTheLetterCaseOfTheirNames) {
    TempDir dir;
    RawTable raw;
    raw.version = 0x83;
    raw.productionIndex = 1;
    raw.columns = {{"NOTES", 'M', 10}};
    raw.records = {"          1"};
    raw.write(dir.file("Books.dbf"));
    std::vector<std::uint8_t> dbt(1024, 0);
    const std::string text = "memo\x1A";
    std::copy(text.begin(), text.end(), dbt.begin() + 512);
    tktest::writeBytes(dir.file("BOOKS.DBT"), dbt);
    tktest::writeBytes(dir.file("books.MDX"), std::vector<std::uint8_t>(2048, 0));
    Table t;
    t.setFileName(dir.file("Books.dbf"));
    EXPECT_EQ(t.indexFileName(), dir.file("books.MDX"));
    t.open();
    EXPECT_EQ(tktest::column(t, "NOTES"), std::vector<std::string>{"memo"});
    t.close();
    // A sibling named exactly like the table is preferred.
    tktest::writeBytes(dir.file("Books.mdx"), std::vector<std::uint8_t>(2048, 0));
    EXPECT_EQ(t.indexFileName(), dir.file("Books.mdx"));
}

TEST(ForeignTable, ReadOnlyOpenDoesWithoutAnIndexItCannotUse) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 3);
    {
        Table t;
        t.setFileName(path);
        t.addIndexTag("BYTITLE", "UPPER(TITLE)");
    }
    const std::string mdx = dir.file("BOOKS.MDX");
    const auto index = tktest::readBytes(mdx);
    const auto table = tktest::readBytes(path);

    // A unique tag: the engine could not keep it current, but reading needs no index.
    auto unique = index;
    unique[4 * 512 + 8] = 0x50;  // the unique bit and the unique byte
    unique[4 * 512 + 23] = 1;
    tktest::writeBytes(mdx, unique);
    Table t;
    t.setFileName(path);
    EXPECT_THROW(t.open(), Error);  // for writing it is still refused
    t.setReadOnly(true);
    t.setIndexTag("BYTITLE");
    t.open();
    EXPECT_EQ(t.recordCount(), 3u);
    ASSERT_EQ(t.openWarnings().size(), 1u);
    EXPECT_NE(t.openWarnings()[0].find("unique"), std::string::npos) << t.openWarnings()[0];
    EXPECT_THROW(t.setIndexTag("BYTITLE"), Error);
    t.close();

    // The index file missing altogether.
    std::remove(mdx.c_str());
    t.setIndexTag({});
    t.open();
    EXPECT_EQ(tktest::column(t, "TITLE"), (std::vector<std::string>{"Book 1", "Book 2", "Book 3"}));
    ASSERT_EQ(t.openWarnings().size(), 1u);
    try {
        t.setIndexTag("BYTITLE");
        ADD_FAILURE() << "selected a tag of a missing index";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::NotFound);
    }
    t.close();
    EXPECT_EQ(tktest::readBytes(path), table);
    t.setReadOnly(false);
    EXPECT_THROW(t.open(), Error);

    // A damaged index file: a tag cannot be selected, but reading needs none.
    tktest::writeBytes(mdx, std::vector<std::uint8_t>(2048, 0));
    t.setReadOnly(true);
    t.setIndexTag("BYTITLE");
    t.open();
    EXPECT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.openWarnings().size(), 1u);
    t.close();
    t.setIndexTag({});

    // An index in order leaves nothing to warn of.
    tktest::writeBytes(mdx, index);
    t.setReadOnly(true);
    t.open();
    EXPECT_TRUE(t.openWarnings().empty());
}

TEST(ForeignTable, FieldNamesWithBlanksAndLettersOfTheCodePage) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"MY TITLE", 'C', 5},
                   {"ANN\xC9"
                    "E",
                    'N', 4},
                   {"PAD  ", 'C', 2}};
    raw.records = {" Dune 1965ok"};
    raw.write(dir.file("NAMES.DBF"));
    Table t;
    t.setFileName(dir.file("NAMES.DBF"));
    t.setReadOnly(true);
    t.open();
    EXPECT_EQ(t.field(0).name, "MY TITLE");
    EXPECT_EQ(t.field(1).name, "ANNÉE");
    EXPECT_EQ(t.field(2).name, "PAD");  // trailing blanks are padding
    t.first();
    EXPECT_EQ(t.asString(t.fieldIndex("my title")), "Dune");
    EXPECT_EQ(t.asFloat(t.fieldIndex("ANNÉE")), 1965.0);
    EXPECT_EQ(t.asString(t.fieldIndex("pad")), "ok");
    t.close();
    // Control characters in a name are still damage.
    raw.columns[0].name = "MY\x01TITLE";
    raw.write(dir.file("NAMES.DBF"));
    try {
        t.open();
        ADD_FAILURE() << "opened a name with a control character";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Damaged);
    }
}

TEST(ForeignTable, CharacterFieldsWiderThan254) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"LONG", 'C', 300}, {"N", 'N', 3}};
    const std::string text = std::string(299, 'x') + "y";
    raw.records = {" " + text + "  7", " short" + std::string(295, ' ') + "  8"};
    raw.write(dir.file("WIDE.DBF"));
    Table t;
    t.setFileName(dir.file("WIDE.DBF"));
    t.open();
    EXPECT_EQ(t.field(0).width, 300);
    EXPECT_EQ(t.field(0).decimals, 0);
    EXPECT_EQ(tktest::column(t, "LONG"), (std::vector<std::string>{text, "short"}));
    EXPECT_EQ(tktest::column(t, "N"), (std::vector<std::string>{"7", "8"}));
    t.last();
    t.edit();
    t.setString(0, std::string(310, 'z'));  // cut to the field's width
    t.post();
    EXPECT_EQ(t.asString(0), std::string(300, 'z'));
    EXPECT_EQ(t.asString(1), "8");
}

TEST(ForeignTable, NumbersOfAsterisksReadAsBlankAndCanBeWrittenBack) {
    TempDir dir;
    RawTable raw;
    raw.columns = {{"NAME", 'C', 4}, {"YEAR", 'N', 5}, {"COST", 'F', 6, 2}};
    raw.records = {" War ***********"};
    raw.write(dir.file("NULLS.DBF"));
    Table t;
    t.setFileName(dir.file("NULLS.DBF"));
    t.open();
    t.first();
    EXPECT_EQ(t.asString(1), "");
    EXPECT_EQ(t.asString(2), "");
    EXPECT_TRUE(t.isBlank(1));
    EXPECT_TRUE(t.isBlank(2));
    EXPECT_EQ(t.asFloat(1), 0.0);
    // Every value read is a value that can be stored again.
    t.edit();
    for (int f = 0; f < t.fieldCount(); ++f)
        t.setString(f, t.asString(f));
    t.post();
    EXPECT_EQ(t.asString(0), "War");
    EXPECT_TRUE(t.isBlank(1));
}

TEST(ForeignTable, PathsAreSplitIntoDirectoryAndTableName) {
    TempDir dir;
    tktest::makeSampleTable(dir, 1, "books.dbf");
    Table t;
    t.setPath(dir.path(), "books");
    EXPECT_EQ(t.fileName(), dir.file("books.dbf"));  // the extension found in any case
    EXPECT_EQ(t.indexFileName(), dir.file("books.mdx"));
    t.open();
    EXPECT_EQ(t.physicalRecordCount(), 1u);
    t.close();
    t.setFileName(dir.file("books.dbf"));
    EXPECT_EQ(t.directory(), dir.path());
    EXPECT_EQ(t.tableName(), "books");
}

}  // namespace
