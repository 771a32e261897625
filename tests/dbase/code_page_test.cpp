// Code pages and the text forms of field values.
#include <gtest/gtest.h>

#include "dbase/code_page.h"
#include "dbase/field_value.h"

namespace {

using dbase::CodePage;
namespace value = dbase::value;

TEST(CodePage, EveryByteOfEveryCodePageSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    for (const char* name : {"cp1252", "cp437", "cp850", "cp852", "cp866", "cp1250", "cp1251"}) {
        const CodePage* cp = CodePage::byName(name);
        ASSERT_NE(cp, nullptr) << name;
        std::string back;
        ASSERT_TRUE(cp->encode(cp->decode(all), back)) << name;
        EXPECT_EQ(back, all) << name;
    }
    EXPECT_EQ(CodePage::byName("cp9999"), nullptr);
}

TEST(CodePage, LanguageDriversNameTheirCodePages) {
    EXPECT_EQ(CodePage::forLanguageDriver(0x57).name(), "cp1252");
    EXPECT_EQ(CodePage::forLanguageDriver(0x03).name(), "cp1252");
    EXPECT_EQ(CodePage::forLanguageDriver(0x00).name(), "cp1252");
    EXPECT_EQ(CodePage::forLanguageDriver(0x01).name(), "cp437");
    EXPECT_EQ(CodePage::forLanguageDriver(0x1B).name(), "cp437");
    EXPECT_EQ(CodePage::forLanguageDriver(0x02).name(), "cp850");
    EXPECT_EQ(CodePage::forLanguageDriver(0xC9).name(), "cp1251");
    EXPECT_EQ(CodePage::windows1252().decode("\x80\x93\xE9\x9F"), "€“éŸ");
    EXPECT_EQ(CodePage::forLanguageDriver(0x01).decode("\x9B\xE1\xB0"), "¢ß░");
}

TEST(CodePage, MalformedOrUnrepresentableTextIsRefused) {
    const CodePage& cp = CodePage::windows1252();
    const char* refused[] = {
        "Ω",                 // not in the code page
        "\xC3",              // cut short
        "\xC0\xAF",          // overlong "/"
        "\xED\xA0\x80",      // a UTF-16 surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xFF",              // never valid
        "ok \x80 ok",        // a lone continuation byte
    };
    for (const char* text : refused) {
        std::string out;
        EXPECT_FALSE(cp.encode(text, out)) << text;
    }
    std::string out;
    EXPECT_TRUE(cp.encode("Crème brûlée €5", out));
    EXPECT_EQ(out,
              "Cr\xE8me br\xFBl\xE9"
              "e \x80"
              "5");
}

TEST(FieldValue, NumbersAreFormattedToWidthAndDecimals) {
    struct Case {
        const char* text;
        int width, decimals;
        value::NumberResult result;
        const char* stored;
    } cases[] = {
        {"1995", 4, 0, value::NumberResult::Ok, "1995"},
        {"1995", 11, 0, value::NumberResult::Ok, "       1995"},
        {"19950", 4, 0, value::NumberResult::TooWide, ""},
        {"9.999", 4, 2, value::NumberResult::TooWide, ""},  // rounds to 10.00
        {"9.994", 4, 2, value::NumberResult::Ok, "9.99"},
        {"-1.5", 5, 0, value::NumberResult::Ok, "   -2"},
        {"0.5", 3, 0, value::NumberResult::Ok, "  1"},
        {"007.10", 8, 1, value::NumberResult::Ok, "     7.1"},
        {"  ", 5, 2, value::NumberResult::Blank, "     "},
        {"1,5", 5, 1, value::NumberResult::NotANumber, ""},
        {".", 5, 1, value::NumberResult::NotANumber, ""},
        {"--1", 5, 0, value::NumberResult::NotANumber, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(value::formatNumberText(c.text, c.width, c.decimals, out), c.result) << c.text;
        if (c.result == value::NumberResult::Ok || c.result == value::NumberResult::Blank) {
            EXPECT_EQ(out, c.stored) << c.text;
        }
    }
    std::string out;
    EXPECT_EQ(value::formatNumber(1.0 / 0.0, 10, 2, out), value::NumberResult::NotANumber);
    EXPECT_EQ(value::formatNumber(1e300, 20, 2, out), value::NumberResult::TooWide);
    EXPECT_EQ(value::formatNumber(1.005, 6, 2, out), value::NumberResult::Ok);
    EXPECT_EQ(out, "  1.01");  // rounded on the decimal digits a user typed, not on binary noise
}

TEST(FieldValue, StoredNumbersAndDatesAreReadLeniently) {
    EXPECT_EQ(value::parseNumber("   12.50"), 12.5);
    EXPECT_EQ(value::parseNumber("  -3"), -3.0);
    EXPECT_EQ(value::parseNumber("+4"), 4.0);
    EXPECT_EQ(value::parseNumber("    "), 0.0);
    EXPECT_EQ(value::parseNumber("****"), 0.0);  // an overflow mark of other writers
    EXPECT_EQ(value::parseDate("20240229"), (dbase::Date{2024, 2, 29}));
    EXPECT_TRUE(value::parseDate("20230229").isNull());
    EXPECT_TRUE(value::parseDate("00000000").isNull());
    EXPECT_TRUE(value::parseDate("2024 2 1").isNull());
    dbase::Date d;
    EXPECT_TRUE(value::parseDateText("2024-02-29", d));
    EXPECT_EQ(d, (dbase::Date{2024, 2, 29}));
    EXPECT_FALSE(value::parseDateText("29.02.2024", d));
    EXPECT_EQ(value::trimRight(std::string_view("ab \0 \0", 6)), "ab");
    EXPECT_EQ(value::trim("   x y      "), "x y");
}

}  // namespace

namespace {

// Letter case within each code page: the accented and Cyrillic letters
// have their other case where the page holds it; signs and letters without
// a partner stay as they are.
TEST(CodePageTest, LettersChangeCaseWithinTheirCodePage) {
    const auto upper = [](const char* page, const std::string& utf8) {
        const CodePage& cp = *CodePage::byName(page);
        std::string bytes;
        EXPECT_TRUE(cp.encode(utf8, bytes)) << utf8;
        for (char& c : bytes)
            c = static_cast<char>(cp.upper(static_cast<unsigned char>(c)));
        return cp.decode(bytes);
    };
    const auto lower = [](const char* page, const std::string& utf8) {
        const CodePage& cp = *CodePage::byName(page);
        std::string bytes;
        EXPECT_TRUE(cp.encode(utf8, bytes)) << utf8;
        for (char& c : bytes)
            c = static_cast<char>(cp.lower(static_cast<unsigned char>(c)));
        return cp.decode(bytes);
    };
    EXPECT_EQ(upper("cp1252", "émile zola, straße ÿ œ š ž µ 1²"),
              "ÉMILE ZOLA, STRAßE Ÿ Œ Š Ž µ 1²");
    EXPECT_EQ(lower("cp1252", "ÉMILE ZOLA Ÿ Œ"), "émile zola ÿ œ");
    EXPECT_EQ(upper("cp850", "émile ñ ø"), "ÉMILE Ñ Ø");
    EXPECT_EQ(upper("cp437", "émile ü σ"), "ÉMILE Ü σ");  // Greek signs left alone
    EXPECT_EQ(upper("cp852", "łódź ř"), "ŁÓDŹ Ř");
    EXPECT_EQ(upper("cp1250", "łódź ř"), "ŁÓDŹ Ř");
    EXPECT_EQ(upper("cp1251", "толстой ё ґ"), "ТОЛСТОЙ Ё Ґ");
    EXPECT_EQ(upper("cp866", "толстой ё"), "ТОЛСТОЙ Ё");
    EXPECT_EQ(lower("cp866", "ТОЛСТОЙ Ё"), "толстой ё");
}

}  // namespace
