#include "settings/formats.h"
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

using settings::textToDate;

const QDate kMarch7(1996, 3, 7);

struct DateCase {
    int code;
    const char* text;  // 7 March 1996 in this format
};

class EveryDateFormat : public ::testing::TestWithParam<DateCase> {};

TEST_P(EveryDateFormat, WritesAndReadsInTheSameOrder) {
    const DateCase& c = GetParam();
    EXPECT_EQ(settings::dateToText(kMarch7, c.code), QString::fromLatin1(c.text));
    EXPECT_EQ(textToDate(QString::fromLatin1(c.text), c.code, 2026), kMarch7);
    // Leading zeros and four-digit years are read in every format.
    const QString sep = settings::dateFormats().at(static_cast<std::size_t>(c.code - 1)).separator;
    const bool dayFirst = c.code % 6 >= 4 || c.code % 6 == 0;
    const QString padded =
        dayFirst ? "07" + sep + "03" + sep + "1996" : "03" + sep + "07" + sep + "1996";
    EXPECT_EQ(textToDate(padded, c.code, 2026), kMarch7);
    // Another format's separator is not a date here.
    const QString other = sep == "/" ? "3-7-96" : "3/7/96";
    EXPECT_EQ(textToDate(other, c.code, 2026), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Codes, EveryDateFormat,
                         ::testing::Values(DateCase{1, "3/7/96"}, DateCase{2, "3-7-96"},
                                           DateCase{3, "3.7.96"}, DateCase{4, "7/3/96"},
                                           DateCase{5, "7-3-96"}, DateCase{6, "7.3.96"},
                                           DateCase{7, "3/7/1996"}, DateCase{8, "3-7-1996"},
                                           DateCase{9, "3.7.1996"}, DateCase{10, "7/3/1996"},
                                           DateCase{11, "7-3-1996"}, DateCase{12, "7.3.1996"}));

TEST(DateText, TwoDigitYearsFallInTheWindowAroundTheCurrentYear) {
    EXPECT_EQ(settings::expandTwoDigitYear(46, 2026), 1946);
    EXPECT_EQ(settings::expandTwoDigitYear(99, 2026), 1999);
    EXPECT_EQ(settings::expandTwoDigitYear(0, 2026), 2000);
    EXPECT_EQ(settings::expandTwoDigitYear(45, 2026), 2045);
    EXPECT_EQ(settings::expandTwoDigitYear(50, 2030), 1950);
    EXPECT_EQ(settings::expandTwoDigitYear(49, 2030), 2049);
    EXPECT_EQ(settings::expandTwoDigitYear(0, 2000), 2000);
    EXPECT_EQ(settings::expandTwoDigitYear(19, 2000), 2019);
    EXPECT_EQ(settings::expandTwoDigitYear(20, 2000), 1920);
    // The same rule when a four-digit format is given a short year.
    EXPECT_EQ(textToDate("1/2/45", 7, 2026), QDate(2045, 1, 2));
    EXPECT_EQ(textToDate("1/2/46", 7, 2026), QDate(1946, 1, 2));
    EXPECT_EQ(textToDate("1/2/5", 1, 2026), QDate(2005, 1, 2));
    // Years of this century are written with two digits.
    EXPECT_EQ(settings::dateToText(QDate(2005, 12, 31), 1), QStringLiteral("12/31/05"));
}

TEST(DateText, FourDigitYearsBelowAThousandArePaddedAndReadBack) {
    const QDate early(987, 1, 2);
    EXPECT_EQ(settings::dateToText(early, 12), QStringLiteral("2.1.0987"));
    EXPECT_EQ(settings::dateToText(early, 7), QStringLiteral("1/2/0987"));
    EXPECT_EQ(settings::dateToText(QDate(45, 6, 7), 10), QStringLiteral("7/6/0045"));
    EXPECT_EQ(textToDate(settings::dateToText(early, 12), 12, 2026), early);
    EXPECT_EQ(textToDate(settings::dateToText(QDate(45, 6, 7), 10), 10, 2026), QDate(45, 6, 7));
}

TEST(DateText, InvalidTextIsNotADateAndBlankIsAnEmptyDate) {
    for (const char* bad : {"2/30/96", "13/1/96", "0/1/96", "1/0/96", "2/29/1900", "1/2", "1/2/3/4",
                            "a/b/c", "1//96", "1/2/96x", "123/1/96", "1/2/12345", "1 /2/96"}) {
        EXPECT_EQ(textToDate(QString::fromLatin1(bad), 1, 2026), std::nullopt) << bad;
    }
    EXPECT_EQ(textToDate("2/29/2000", 1, 2026), QDate(2000, 2, 29));
    EXPECT_EQ(textToDate("31/12/1999", 10, 2026), QDate(1999, 12, 31));
    EXPECT_EQ(textToDate("12/31/1999", 10, 2026), std::nullopt);
    const auto blank = textToDate("   ", 1, 2026);
    ASSERT_TRUE(blank.has_value());
    EXPECT_TRUE(blank->isNull());
    EXPECT_EQ(textToDate(" 3/7/96 ", 1, 2026), kMarch7);
    EXPECT_EQ(settings::dateToText(QDate(), 1), QString());
}

TEST(DateText, AFormatsValueGovernsEveryConversionItMakes) {
    settings::Formats f;
    ASSERT_EQ(f.dateFormat(), 1);
    EXPECT_FALSE(f.setDateFormat(0));
    EXPECT_FALSE(f.setDateFormat(13));
    EXPECT_EQ(f.dateFormat(), 1);

    ASSERT_TRUE(f.setDateFormat(12));
    EXPECT_EQ(f.dateSeparator(), QChar(u'.'));
    EXPECT_EQ(f.shortDateFormat(), QStringLiteral("d/m/yyyy"));
    EXPECT_EQ(f.dateToText(dbase::Date{1996, 3, 7}), QStringLiteral("7.3.1996"));
    EXPECT_EQ(f.textToEngineDate("7.3.1996"), (dbase::Date{1996, 3, 7}));
    EXPECT_EQ(f.textToEngineDate(""), dbase::Date{});
    EXPECT_EQ(f.textToEngineDate("3/7/1996"), std::nullopt);
    EXPECT_EQ(f.dateToText(dbase::Date{}), QString());
    EXPECT_EQ(f.dateToText(dbase::Date{1996, 2, 30}), QString());  // damaged field
    ASSERT_TRUE(f.setDateFormat(6));
    EXPECT_EQ(f.dateToText(QDate(2001, 9, 11)), QStringLiteral("11.9.01"));
    EXPECT_EQ(f.textToDate("11.9.01", 2026), QDate(2001, 9, 11));
    EXPECT_EQ(f.textToDate("11.9.99", 2026), QDate(1999, 9, 11));

    // Another value is untouched by this one.
    EXPECT_EQ(settings::Formats().dateToText(QDate(2001, 9, 11)), QStringLiteral("9/11/01"));
}

// The formats are held by the settings: reading the settings file again
// keeps the format applied for the run.
TEST(DateText, TheProgramsFormatsOutliveAReadOfTheSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath("TMKBOOK.INI");
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Misc]\r\nDate Format=4\r\n");
    file.close();

    settings::Settings s;
    ASSERT_TRUE(s.formats.setDateFormat(12));
    s.formats.setRegional(settings::regionalFormatOf(QLocale(QLocale::German, QLocale::Germany)));
    ASSERT_TRUE(s.load(ini));
    EXPECT_EQ(s.dateFormat, 4);  // the stored code, applied only at start
    EXPECT_EQ(s.formats.dateFormat(), 12);
    EXPECT_EQ(s.formats.dateToText(QDate(1996, 3, 7)), QStringLiteral("7.3.1996"));
    EXPECT_EQ(s.formats.regional().decimalSeparator, QChar(u','));
    s = settings::Settings();
    EXPECT_EQ(s.formats.dateFormat(), 1);
}

TEST(NumberText, FixedPointIsRightAlignedAndGroupedByThree) {
    EXPECT_EQ(settings::fixedPoint(1234.5, 10, 2), QStringLiteral("   1234.50"));
    EXPECT_EQ(settings::fixedPoint(-3.14159, 0, 3), QStringLiteral("-3.142"));
    EXPECT_EQ(settings::fixedPoint(7, 3, 0), QStringLiteral("  7"));
    EXPECT_EQ(settings::fixedPoint(123456.0, 3, 0), QStringLiteral("123456"));  // never cut
    EXPECT_EQ(settings::fixedPointGrouped(1234567.891, 0, 2), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(settings::fixedPointGrouped(999.5, 8, 1), QStringLiteral("   999.5"));
    EXPECT_EQ(settings::fixedPointGrouped(1000, 0, 0), QStringLiteral("1,000"));
    EXPECT_EQ(settings::fixedPointGrouped(-1234, 10, 2), QStringLiteral(" -1,234.00"));
    EXPECT_EQ(settings::fixedPointGrouped(-123456, 0, 0), QStringLiteral("-123,456"));
    EXPECT_EQ(settings::fixedPointGrouped(1234.5, 0, 2, u',', u'.'), QStringLiteral("1.234,50"));
    EXPECT_EQ(settings::fixedPointGrouped(1234.5, 0, 2, u'.', u' '), QStringLiteral("1 234.50"));
}

TEST(TextHelpers, TrimOnlyBlanksPadAndRepeatWithinTheCapacity) {
    EXPECT_EQ(settings::trimBlanks("  a b \t "), QStringLiteral("a b \t"));
    EXPECT_EQ(settings::trimBlanks("\ta "), QStringLiteral("\ta"));
    EXPECT_EQ(settings::padRight("ab", 4), QStringLiteral("ab  "));
    EXPECT_EQ(settings::padLeft("ab", 4), QStringLiteral("  ab"));
    EXPECT_EQ(settings::padLeft("abcdef", 4), QStringLiteral("abcdef"));
    EXPECT_EQ(settings::repeated(u'-', 3), QStringLiteral("---"));
    EXPECT_EQ(settings::repeated(u'-', -1), QString());
    EXPECT_EQ(settings::padRight("x", 400).size(), 255);
    EXPECT_EQ(settings::repeated(u'=', 1000).size(), 255);
}

TEST(ReportNumbers, USFormatOrTheLocalesSeparators) {
    const auto german = settings::regionalFormatOf(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(german.decimalSeparator, QChar(u','));
    EXPECT_EQ(german.thousandsSeparator, QChar(u'.'));
    EXPECT_EQ(german.currencyDecimals, 2);
    const auto japanese = settings::regionalFormatOf(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(japanese.currencyDecimals, 0);

    settings::Formats f;
    f.setRegional(german);
    EXPECT_EQ(f.reportFormat(1).decimalSeparator, QChar(u'.'));
    EXPECT_EQ(f.reportFormat(1).thousandsSeparator, QChar(u','));
    EXPECT_EQ(f.reportFormat(2).decimalSeparator, QChar(u','));
    EXPECT_EQ(f.reportFormat(2).thousandsSeparator, QChar(u'.'));

    // By the codes of the settings.
    settings::Settings s;
    s.formats.setRegional(german);
    s.numericFormat = 1;
    s.currencyFormat = 2;
    EXPECT_EQ(s.formats.reportFormat(s.numericFormat).decimalSeparator, QChar(u'.'));
    EXPECT_EQ(s.formats.reportFormat(s.currencyFormat).decimalSeparator, QChar(u','));
}

}  // namespace
