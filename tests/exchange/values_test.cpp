// Values across the exchange files: numbers in general format, numbers and
// dates read from text.
#include <gtest/gtest.h>

#include "dbase/field_value.h"
#include "exchange/values.h"
#include "settings/formats.h"

namespace {

// Date format 1, U.S. numbers.
const settings::Formats us;

TEST(GeneralNumber, FifteenSignificantDigitsWithoutGrouping) {
    EXPECT_EQ(exchange::generalNumber(1995, us), QStringLiteral("1995"));
    EXPECT_EQ(exchange::generalNumber(12.5, us), QStringLiteral("12.5"));
    EXPECT_EQ(exchange::generalNumber(0.1, us), QStringLiteral("0.1"));
    EXPECT_EQ(exchange::generalNumber(1234567.25, us), QStringLiteral("1234567.25"));
    EXPECT_EQ(exchange::generalNumber(-3, us), QStringLiteral("-3"));
    EXPECT_EQ(exchange::generalNumber(999999999999.99, us), QStringLiteral("999999999999.99"));
}

// An export writes a stored number's text without reading it into a
// double where it can: the result must be what the value itself gives, in
// every case the shortcut does not cover too.
TEST(GeneralNumber, StoredTextGivesWhatItsValueGives) {
    const char* const texts[] = {
        "0",
        "-0",
        "-0.00",
        "0.50",
        "0.0001",
        "0.00001",
        "12.50",
        "12.00",
        "-12.75",
        "100",
        "007",
        "10.10",
        "99.990",
        "-5",
        "12.",
        ".5",
        "+3",
        "1e5",
        "***",
        "1234567890123.45",
        "12345678901234.56",
        "999999999999999",
        "1000000000000000",
        "-999999999999.99",
        "123456789012345678",
        "1.5.3",
        "12a",
    };
    for (const char* sep : {".", ","}) {
        for (const char* text : texts) {
            std::string got = "x";
            exchange::appendGeneralNumberText(got, text, sep);
            QString want = exchange::generalNumber(dbase::value::parseNumber(text), us);
            want.replace(QLatin1Char('.'), QString::fromLatin1(sep));
            EXPECT_EQ(QString::fromStdString(got), "x" + want) << text << " with " << sep;
        }
    }
}

TEST(StoredNumberForm, OnlyTheRightAlignedFormWithItsDecimals) {
    EXPECT_TRUE(exchange::storedNumberForm("       12.50", 2));
    EXPECT_TRUE(exchange::storedNumberForm("      -12.50", 2));
    EXPECT_TRUE(exchange::storedNumberForm("        0.50", 2));
    EXPECT_TRUE(exchange::storedNumberForm(" 1995", 0));
    EXPECT_TRUE(exchange::storedNumberForm("    0", 0));
    EXPECT_FALSE(exchange::storedNumberForm("12.50       ", 2));  // left-aligned
    EXPECT_FALSE(exchange::storedNumberForm("        12.5", 2));  // a decimal short
    EXPECT_FALSE(exchange::storedNumberForm("      12.500", 2));
    EXPECT_FALSE(exchange::storedNumberForm("       012.5", 1));
    EXPECT_FALSE(exchange::storedNumberForm("       -0.00", 2));  // a negative zero
    EXPECT_FALSE(exchange::storedNumberForm("        1995", 2));
    EXPECT_FALSE(exchange::storedNumberForm("    ***", 0));
    EXPECT_FALSE(exchange::storedNumberForm("       ", 0));
    EXPECT_FALSE(exchange::storedNumberForm("   +12", 0));
    EXPECT_FALSE(exchange::storedNumberForm("  1 2", 0));
}

// The date text an export writes straight into its buffer is the program's
// date text in every format, also for early years, 29 February and damaged
// dates.
TEST(DateText, AppendedTextIsTheProgramsDateTextInEveryFormat) {
    const dbase::Date dates[] = {{1996, 3, 7},  {2000, 2, 29}, {1900, 12, 31}, {987, 1, 2},
                                 {45, 6, 7},    {2005, 12, 1}, {9999, 12, 31}, {1, 1, 1},
                                 {1996, 2, 30}, {1900, 2, 29}, {0, 1, 1},      {}};
    for (int code = 1; code <= settings::kDateFormatCount; ++code) {
        settings::Formats formats;
        ASSERT_TRUE(formats.setDateFormat(code));
        for (const dbase::Date& d : dates) {
            std::string text = "x";
            exchange::appendDateText(text, d, formats);
            EXPECT_EQ(QString::fromStdString(text), "x" + formats.dateToText(d))
                << "format " << code << ", " << d.year << "-" << d.month << "-" << d.day;
        }
    }
}

TEST(LeadingNumber, ReadsAsFarAsTheTextIsANumber) {
    struct Case {
        const char* text;
        bool integer;
        double value;
    };
    const Case cases[] = {
        {"", false, 0},         {"   ", false, 0},
        {"12.50", false, 12.5}, {"  -7.25", false, -7.25},
        {"+3", false, 3},       {"12abc", false, 12},
        {"abc", false, 0},      {"1.2.3", false, 1.2},
        {"12.7", true, 12},     {"1,234", false, 1},
        {"-", false, 0},        {".5", false, 0.5},
        {"1995", true, 1995},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(exchange::leadingNumber(QString::fromLatin1(c.text), c.integer, us),
                         c.value)
            << c.text;
    // A number longer than any field still reads whole.
    const std::string longNumber = "-1" + std::string(80, '0') + ".5x";
    EXPECT_DOUBLE_EQ(exchange::leadingNumber(longNumber, false, us), -1e80);
}

// Numbers are written and read with the decimal separator of the formats
// given, also one of more than one byte in UTF-8.
TEST(LeadingNumber, TakesTheDecimalSeparatorOfTheFormatsGiven) {
    for (const QChar sep : {QChar(u','), QChar(u'\u00B7'), QChar(u'\u066B')}) {
        settings::Formats formats;
        settings::NumberFormat regional;
        regional.decimalSeparator = sep;
        formats.setRegional(regional);
        const QString text = exchange::generalNumber(-12.25, formats);
        EXPECT_EQ(text, QStringLiteral("-12") + sep + QStringLiteral("25"));
        EXPECT_DOUBLE_EQ(exchange::leadingNumber(text, false, formats), -12.25);
        EXPECT_DOUBLE_EQ(exchange::leadingNumber(text, false, us), -12);
        EXPECT_DOUBLE_EQ(exchange::leadingNumber(QStringLiteral("3.5"), false, formats), 3);
    }
}

TEST(LooksLikeDate, NeedsTheSeparatorOfTheFormatsAndNoLetters) {
    for (const int code : {1, 5, 12}) {
        settings::Formats formats;
        ASSERT_TRUE(formats.setDateFormat(code));
        const QChar sep = formats.dateSeparator();
        const QString date = QStringLiteral("3%15%196").arg(sep).arg(sep);
        EXPECT_TRUE(exchange::looksLikeDate(date, formats));
        EXPECT_TRUE(
            exchange::looksLikeDate(QStringLiteral("99%199%199").arg(sep).arg(sep), formats));
        EXPECT_FALSE(exchange::looksLikeDate(QStringLiteral("19960315"), formats));
        EXPECT_FALSE(exchange::looksLikeDate(QStringLiteral("March"), formats));
        EXPECT_FALSE(
            exchange::looksLikeDate(QStringLiteral("Mar%115%196").arg(sep).arg(sep), formats));
        EXPECT_FALSE(exchange::looksLikeDate(QString(), formats));
    }
    settings::Formats dashes;
    ASSERT_TRUE(dashes.setDateFormat(2));
    EXPECT_FALSE(exchange::looksLikeDate(QStringLiteral("3/15/96"), dashes));
}

}  // namespace
