// Creating tables, the field list, and reading and writing values.
#include <gtest/gtest.h>

#include <functional>

#include "dbase/file_names.h"
#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Date;
using dbase::Error;
using dbase::FieldType;
using dbase::Table;
using tktest::TempDir;

class TableValues : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("BOOKS.DBF");
        Table::create(path, tktest::sampleFields());
        t.setFileName(path);
        t.open();
    }
    TempDir dir;
    std::string path;
    Table t;
};

Error::Kind kindOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no engine error";
    return Error::Kind::Io;
}

TEST_F(TableValues, CreatedTableHasUpperCaseFieldsFoundWithoutRegardToCase) {
    ASSERT_EQ(t.fieldCount(), 5);
    EXPECT_EQ(t.field(0).name, "TITLE");
    EXPECT_EQ(t.field(1).type, FieldType::Numeric);
    EXPECT_EQ(t.field(2).decimals, 2);
    EXPECT_EQ(t.field(3).width, 8);
    EXPECT_EQ(t.findField("title"), 0);
    EXPECT_EQ(t.findField("YearPub"), 1);
    EXPECT_EQ(t.findField("nosuch"), -1);
    EXPECT_EQ(kindOf([&] { t.fieldIndex("nosuch"); }), Error::Kind::InvalidValue);
    EXPECT_EQ(t.codePage(), "cp1252");
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.recordCount(), 0u);

    // The file is a plain dBase table: header, descriptors, end mark, EOF.
    const auto bytes = tktest::readBytes(path);
    ASSERT_EQ(bytes.size(), 32u + 5 * 32 + 1 + 1);
    EXPECT_EQ(bytes[0], 0x03);
    EXPECT_EQ(bytes[28], 0);
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST_F(TableValues, ValuesRoundTripAsTextFloatAndDate) {
    tktest::appendBook(t, "War and Peace", 1869, 12.5, Date{1999, 12, 31}, "Yes");
    t.close();
    t.open();
    ASSERT_FALSE(t.isEmpty());
    EXPECT_EQ(t.asString(0), "War and Peace");
    EXPECT_EQ(t.asString(1), "1869");
    EXPECT_EQ(t.asFloat(1), 1869.0);
    EXPECT_EQ(t.asString(2), "12.50");
    EXPECT_DOUBLE_EQ(t.asFloat(2), 12.5);
    EXPECT_EQ(t.asDate(3), (Date{1999, 12, 31}));
    EXPECT_EQ(t.asString(3), "19991231");
    EXPECT_TRUE(t.asBool(4));
    EXPECT_FALSE(t.isBlank(0));

    // The record bytes are what other dBase readers expect.
    const auto bytes = tktest::readBytes(path);
    const std::string rec(bytes.begin() + 32 + 5 * 32 + 1, bytes.end() - 1);
    EXPECT_EQ(rec, " War and Peace                 1869       12.5019991231Yes");
}

TEST_F(TableValues, BlankFieldsReadAsEmptyZeroAndNullDate) {
    t.append();
    t.post();
    EXPECT_EQ(t.asString(0), "");
    EXPECT_EQ(t.asFloat(2), 0.0);
    EXPECT_TRUE(t.asDate(3).isNull());
    EXPECT_TRUE(t.isBlank(1));
    EXPECT_TRUE(t.isBlank(3));
}

TEST_F(TableValues, LongTextIsCutToTheFieldWidth) {
    t.append();
    t.setString(0, std::string(40, 'x') + "tail");
    t.setString(4, "Maybe");
    t.post();
    EXPECT_EQ(t.asString(0), std::string(30, 'x'));
    EXPECT_EQ(t.asString(4), "May");
}

TEST_F(TableValues, NumbersAreRoundedOnTheirDecimalDigits) {
    struct Case {
        const char* in;
        const char* cost;  // 12 wide, 2 decimals
    } cases[] = {{"2.675", "2.68"},     {"-0.004", "0.00"}, {"  7 ", "7.00"}, {"99.995", "100.00"},
                 {"-12.345", "-12.35"}, {".5", "0.50"},     {"+3", "3.00"},   {"", ""}};
    for (const Case& c : cases) {
        t.append();
        t.setString(2, c.in);
        t.post();
        EXPECT_EQ(t.asString(2), c.cost) << c.in;
    }
    t.append();
    t.setFloat(2, 0.1 + 0.2);
    t.setFloat(1, 1995.4);
    t.post();
    EXPECT_EQ(t.asString(2), "0.30");
    EXPECT_EQ(t.asString(1), "1995");
}

TEST_F(TableValues, TextThatIsNotANumberIsRefusedNamingValueAndField) {
    t.append();
    for (const char* bad : {"abc", "12a", "1.2.3", "-", "1e5", "0x10", "١٢"}) {
        try {
            t.setString(1, bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::InvalidValue);
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("YEARPUB"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(kindOf([&] { t.setString(1, "12345"); }), Error::Kind::InvalidValue);  // 4 wide
    EXPECT_EQ(kindOf([&] { t.setFloat(1, 1e9); }), Error::Kind::InvalidValue);
    EXPECT_EQ(kindOf([&] { t.setString(3, "20230231"); }), Error::Kind::InvalidValue);
    EXPECT_EQ(kindOf([&] { t.setDate(3, Date{2023, 2, 31}); }), Error::Kind::InvalidValue);
    // The refused values left the buffer as it was.
    t.post();
    EXPECT_TRUE(t.isBlank(1));
    EXPECT_TRUE(t.isBlank(3));
}

TEST_F(TableValues, TextRoundTripsThroughTheCodePageAndForeignCharactersAreRefused) {
    const std::string text = "Café – “Ærø” € ñ ß";
    tktest::appendBook(t, text, 1900, 1);
    t.close();
    t.open();
    EXPECT_EQ(t.asString(0), text);
    // One byte per character on disk, in Windows-1252.
    const auto bytes = tktest::readBytes(path);
    const size_t recStart = 32 + 5 * 32 + 1 + 1;
    EXPECT_EQ(bytes[recStart + 3], 0xE9);  // é
    EXPECT_EQ(bytes[recStart + 5], 0x96);  // en dash

    t.edit();
    try {
        t.setString(0, "Ελληνικά");
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::InvalidValue);
        EXPECT_NE(std::string(e.what()).find("TITLE"), std::string::npos);
    }
    EXPECT_EQ(kindOf([&] { t.setString(0, std::string("bad \xC3 utf8")); }),
              Error::Kind::InvalidValue);
    t.post();
    EXPECT_EQ(t.asString(0), text);
}

TEST_F(TableValues, WritesNeedEditOrInsertAndAWritableTable) {
    EXPECT_EQ(kindOf([&] { t.setString(0, "x"); }), Error::Kind::State);
    EXPECT_EQ(kindOf([&] { t.edit(); }), Error::Kind::State);  // no record
    tktest::appendBook(t, "One", 1900, 1);
    t.close();
    t.setReadOnly(true);
    t.open();
    EXPECT_TRUE(t.readOnly());
    EXPECT_EQ(kindOf([&] { t.append(); }), Error::Kind::ReadOnly);
    EXPECT_EQ(kindOf([&] { t.deleteRecord(); }), Error::Kind::ReadOnly);
    EXPECT_EQ(t.asString(0), "One");
}

// Bytes go in and out of a field as stored, padding and all; only exactly
// the field's width of them is taken, and only into the edit buffer.
TEST_F(TableValues, FieldBytesAreTheStoredBytesAndTakeExactlyTheWidth) {
    t.append();
    t.setString(0, "Caf\xC3\xA9");
    EXPECT_EQ(t.fieldBytes(0), std::string("Caf\xE9") + std::string(26, ' '));
    const std::string odd = std::string("\x81 x") + std::string(27, '\0');
    t.setFieldBytes(0, odd);
    EXPECT_EQ(kindOf([&] { t.setFieldBytes(0, "short"); }), Error::Kind::InvalidValue);
    EXPECT_EQ(kindOf([&] { t.setFieldBytes(3, "199603071"); }), Error::Kind::InvalidValue);
    t.setFieldBytes(3, "19960307");
    t.post();
    t.first();
    EXPECT_EQ(t.fieldBytes(0), odd);
    EXPECT_EQ(t.asDate(3), (Date{1996, 3, 7}));
    // The whole record: the deleted flag, then every field at its offset.
    const std::string_view record = t.recordBytes();
    EXPECT_EQ(record.size(), 1u + 30 + 4 + 12 + 8 + 3);
    EXPECT_EQ(record[0], ' ');
    EXPECT_EQ(record.substr(static_cast<std::size_t>(t.field(0).offset), 30), odd);
    EXPECT_EQ(record.substr(static_cast<std::size_t>(t.field(3).offset), 8), "19960307");
    EXPECT_EQ(kindOf([&] { t.setFieldBytes(3, "19960308"); }), Error::Kind::State);

    // Fields one after the other at once: exactly the bytes they take.
    t.append();
    EXPECT_EQ(kindOf([&] { t.setFieldsBytes(1, 2, "1996  12.50"); }), Error::Kind::InvalidValue);
    EXPECT_EQ(kindOf([&] { t.setFieldsBytes(2, 1, "1996        12.50"); }),
              Error::Kind::InvalidValue);
    t.setFieldsBytes(1, 3, "1996       12.5019960307");
    t.post();
    EXPECT_EQ(t.asString(0), "");
    EXPECT_EQ(t.fieldBytes(1), "1996");
    EXPECT_EQ(t.fieldBytes(2), "       12.50");
    EXPECT_EQ(t.asDate(3), (Date{1996, 3, 7}));
    EXPECT_EQ(t.fieldBytes(4), "   ");
}

TEST(TableCreate, RefusesBadDefinitionsAndLeavesNoFile) {
    TempDir dir;
    const std::string path = dir.file("X.DBF");
    using V = std::vector<dbase::FieldDef>;
    const V bad[] = {
        V{},
        V{{"1ST", FieldType::Character, 10, 0}},
        V{{"A B", FieldType::Character, 10, 0}},
        V{{"NAME", FieldType::Character, 10, 0}, {"name", FieldType::Character, 5, 0}},
        V{{"WIDE", FieldType::Character, 255, 0}},
        V{{"NUM", FieldType::Numeric, 21, 0}},
        V{{"NUM", FieldType::Numeric, 4, 3}},
        V{{"FLAG", FieldType::Logical, 1, 0}},
    };
    for (const V& fields : bad) {
        EXPECT_THROW(Table::create(path, fields), Error);
        EXPECT_FALSE(dbase::fileExists(path));
    }
}

TEST(TableCreate, ReplacesAnExistingTableButNotOneInUse) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 3);
    Table::create(path, tktest::sampleFields());
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.physicalRecordCount(), 0u);
    tktest::appendBook(t, "kept", 1900, 1);
    try {
        Table::create(path, tktest::sampleFields());
        ADD_FAILURE() << "replaced a table in use";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Locked);
    }
    t.refresh();
    EXPECT_EQ(t.asString(0), "kept");
}

TEST(TableCreate, AFolderThatDoesNotExistIsAnErrorNamingTheTable) {
    TempDir dir;
    const std::string path = dir.file("no/such/folder/X.DBF");
    try {
        Table::create(path, tktest::sampleFields());
        ADD_FAILURE() << "created a table nowhere";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Io);
        EXPECT_EQ(e.file(), path);
    }
}

TEST(TableCreate, NamesAreCutToTenCharactersAndDatesAreEightWide) {
    TempDir dir;
    const std::string path = dir.file("N.DBF");
    Table::create(path,
                  {{"Description", FieldType::Character, 20, 0}, {"When", FieldType::Date, 10, 0}});
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.field(0).name, "DESCRIPTIO");
    EXPECT_EQ(t.fieldIndex("descriptio"), 0);
    EXPECT_EQ(t.field(1).width, 8);
}

}  // namespace
