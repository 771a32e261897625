// Conversion of the earlier versions' tables into a collection.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "data/collection.h"
#include "data/database_files.h"
#include "data/old_versions.h"
#include "dbase/table.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"

namespace {

using filestest::V1Row;
using filestest::writeVersion1;
using filestest::writeVersion2;

class ConversionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        collection = dir.filePath("MASTER.DBF");
        books::createCollection(collection);
        target.setFileName(collection.toStdString());
        target.open();
    }
    void TearDown() override { settings::settings().formats.setDateFormat(1); }

    std::string value(int record, const char* field) {
        target.gotoRecNo(static_cast<std::uint32_t>(record));
        return target.asString(target.fieldIndex(field));
    }
    dbase::Date date(int record, const char* field) {
        target.gotoRecNo(static_cast<std::uint32_t>(record));
        return target.asDate(target.fieldIndex(field));
    }

    QTemporaryDir dir;
    QString collection;
    dbase::Table target;
    dbase::Table old;
};

TEST_F(ConversionTest, Version2RecordsAreAppendedFieldByField) {
    const QString v2 = dir.filePath("B2LOG.DBF");
    writeVersion2(v2);
    ASSERT_TRUE(books::hasLayout(old, v2, books::Layout::Version2));
    EXPECT_EQ(books::convertV2(old, v2, target), 2);
    EXPECT_EQ(target.recordCount(), 2u);
    EXPECT_EQ(value(2, "Title"), "Old 2");
    EXPECT_EQ(value(2, "YearPub"), "1982");
    EXPECT_EQ(value(1, "Cost"), "12.50");
    EXPECT_EQ(date(1, "PurchDate"), (dbase::Date{1994, 11, 21}));
    EXPECT_EQ(value(1, "CheckName"), "Neighbour");  // from "CheckPerso"
    EXPECT_EQ(value(2, "Location"), "Shelf 2");
    EXPECT_EQ(value(1, "Condition"), "");  // not in version 2
    EXPECT_FALSE(old.isOpen());
}

TEST_F(ConversionTest, Version1DatesAreReadAsMonthDayYearWhateverTheUserFormat) {
    const QString v1 = dir.filePath("BLOG.DBF");
    writeVersion1(v1, {{"March", "7", "Mar", "1995"},
                       {"Numeric month", "25", "12", "1990"},
                       {"Two-digit year", "1", "Jan", "95"},
                       {"No date", "", "", ""}});
    ASSERT_TRUE(books::hasLayout(old, v1, books::Layout::Version1));
    // A day-first format with another separator is in force.
    ASSERT_TRUE(settings::settings().formats.setDateFormat(4));
    const int userFormat = settings::settings().formats.dateFormat();
    const QChar userSeparator = settings::settings().formats.dateSeparator();
    EXPECT_EQ(books::convertV1(old, v1, target), 4);
    EXPECT_EQ(date(1, "PurchDate"), (dbase::Date{1995, 3, 7}));
    EXPECT_EQ(date(2, "PurchDate"), (dbase::Date{1990, 12, 25}));
    EXPECT_EQ(date(3, "PurchDate"), (dbase::Date{1995, 1, 1}));
    EXPECT_TRUE(date(4, "PurchDate").isNull());
    EXPECT_EQ(value(1, "WherePurch"), "Fair");
    EXPECT_EQ(value(1, "Value"), "3.25");
    EXPECT_EQ(settings::settings().formats.dateFormat(), userFormat);
    EXPECT_EQ(settings::settings().formats.dateSeparator(), userSeparator);
}

TEST_F(ConversionTest, UnreadableVersion1DateStopsTheConversion) {
    const QString v1 = dir.filePath("BLOG.DBF");
    writeVersion1(v1, {{"Good", "7", "Mar", "1995"},
                       {"Lower case", "7", "mar", "1995"},
                       {"Never", "1", "Jan", "1990"}});
    ASSERT_TRUE(settings::settings().formats.setDateFormat(7));
    try {
        books::convertV1(old, v1, target);
        ADD_FAILURE() << "the conversion went through";
    } catch (const books::ConversionError& e) {
        EXPECT_NE(std::string(e.what()).find("mar/7/1995"), std::string::npos) << e.what();
    }
    // The record before the stop stays; the one being built is dropped.
    EXPECT_EQ(target.state(), dbase::TableState::Browse);
    target.refresh();
    EXPECT_EQ(target.recordCount(), 1u);
    EXPECT_EQ(value(1, "Title"), "Good");
    EXPECT_EQ(settings::settings().formats.dateFormat(), 7);
    // The old file is closed and whole.
    EXPECT_FALSE(old.isOpen());
    EXPECT_EQ(filestest::titles(v1), (QStringList{"Good", "Lower case", "Never"}));
}

TEST(MonthNamesTest, ExactShortNamesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"Jan", "1"},   {"Mar", "3"},       {"Sep", "9"}, {"Dec", "12"}, {"mar", "mar"},
        {"MAR", "MAR"}, {"March", "March"}, {"3", "3"},   {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(books::monthNumberText(in), out) << in;
}

}  // namespace
