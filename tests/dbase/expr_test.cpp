#include "dbase/expr.h"

#include <gtest/gtest.h>

#include "dbase/code_page.h"
#include "dbase/error.h"
#include "dbase/mdx_key.h"
#include "mdx_test_util.h"

namespace {

using dbase::Error;
using dbase::Expression;
using dbase::FieldType;
using dbase::KeyType;

// The book fields that sort terms use, with the widths the program gives them.
mdxtest::MemTable books() {
    return mdxtest::MemTable({{"TITLE", FieldType::Character, 90},
                              {"AUTHOR", FieldType::Character, 90},
                              {"YEARPUB", FieldType::Numeric, 4},
                              {"COST", FieldType::Numeric, 12, 2},
                              {"PURCHDATE", FieldType::Date, 8},
                              {"SUB1", FieldType::Character, 6}});
}

std::string key(const mdxtest::MemTable& t, const std::string& expr,
                const std::vector<std::string>& values) {
    const Expression e = Expression::compile(expr, t.fields);
    const std::string rec = t.record(values);
    std::string k;
    e.key(reinterpret_cast<const unsigned char*>(rec.data()), k);
    EXPECT_EQ(k.size(), static_cast<size_t>(e.width())) << expr;
    return k;
}

struct KeyCase {
    const char* expr;
    std::vector<std::string> values;  // TITLE AUTHOR YEARPUB COST PURCHDATE SUB1
    const char* want;
};

TEST(ExpressionTest, SortTermsGiveTheKeysTheCollectionOrderNeeds) {
    const auto t = books();
    const std::string longName = "abcdefghijklmnopqrstuvwxyz";
    const KeyCase cases[] = {
        // Strings: first 20 characters, upper case, blank padded.
        {"Upper(Left(Author,20))", {"", "Knuth, Donald E."}, "KNUTH, DONALD E.    "},
        {"Upper(Left(Author,20))", {"", longName}, "ABCDEFGHIJKLMNOPQRST"},
        {"Upper(Left(Author,20))", {"", ""}, "                    "},
        {"Upper(Left(Sub1,20))", {"", "", "", "", "", "ab"}, "AB    "},  // narrower field
        // Integers: right-aligned in 8, blank as 0, too wide as asterisks.
        {"STR(YearPub,8,0)", {"", "", "1968"}, "    1968"},
        {"STR(YearPub,8,0)", {"", "", ""}, "       0"},
        {"STR(YearPub,8,0)", {"", "", "-12"}, "     -12"},
        {"STR(YearPub,2,0)", {"", "", "1968"}, "**"},
        // Floats: two decimals in 12, rounded half away from zero.
        {"STR(Cost,12,2)", {"", "", "", "12.5"}, "       12.50"},
        {"STR(Cost,12,2)", {"", "", "", "-0.25"}, "       -0.25"},
        {"STR(Cost,12,2)", {"", "", "", ""}, "        0.00"},
        {"STR(Cost,5,0)", {"", "", "", "2.50"}, "    3"},
        {"STR(Cost,12,1)", {"", "", "", "2.25"}, "         2.3"},
        {"STR(Cost)", {"", "", "", "1234.5"}, "      1235"},
        // Dates: YYYYMMDD; a blank date is blank.
        {"DTOS(PurchDate)", {"", "", "", "", "19940315"}, "19940315"},
        {"DTOS(PurchDate)", {"", "", "", "", ""}, "        "},
        // All four forms at once, in the program's own spelling.
        {"Upper(Left(Author,20))+STR(YearPub,8,0)+STR(Cost,12,2)+DTOS(PurchDate)",
         {"", "Knuth, Donald E.", "1968", "7.5", "19940315"},
         "KNUTH, DONALD E.        1968        7.5019940315"},
        {"Upper(Left(Author,20))+Upper(Left(Author,20))",
         {"", "ab"},
         "AB                  AB                  "},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(key(t, c.expr, c.values), c.want) << c.expr;
}

TEST(ExpressionTest, OtherFunctionsFollowTheirUsualMeaning) {
    const auto t = books();
    const KeyCase cases[] = {
        {"SUBSTR(Sub1,2,3)", {"", "", "", "", "", "abcdef"}, "bcd"},
        {"SUBSTR(Sub1,4)", {"", "", "", "", "", "abcdef"}, "def"},
        {"RIGHT(Sub1,2)", {"", "", "", "", "", "abcdef"}, "ef"},
        {"TRIM(Sub1)+'|'", {"", "", "", "", "", "ab"}, "ab|    "},
        {"RTRIM(Sub1)+'|'", {"", "", "", "", "", "ab"}, "ab|    "},
        {"LTRIM(SUBSTR(Sub1,1,6))+'|'", {"", "", "", "", "", "  ab"}, "ab  |  "},
        {"Sub1-'|'", {"", "", "", "", "", "ab"}, "ab|    "},
        {"LOWER(Sub1)", {"", "", "", "", "", "AbC"}, "abc   "},
        {"DTOC(PurchDate)", {"", "", "", "", "19940315"}, "03/15/94"},
        {"DTOC(PurchDate)", {"", "", "", "", ""}, "  /  /  "},
        {"STR(VAL(Sub1),6,1)", {"", "", "", "", "", " 12.5x"}, "  12.5"},
        {"STR(YearPub+1,5)", {"", "", "1999"}, " 2000"},
        // Names and functions in any letter case.
        {"upper(left(author,3))", {"", "knuth"}, "KNU"},
        {"dtos( PURCHDATE )", {"", "", "", "", "20000101"}, "20000101"},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(key(t, c.expr, c.values), c.want) << c.expr;
}

TEST(ExpressionTest, BareNumbersAndDatesGiveNumericAndDateKeys) {
    const auto t = books();
    const Expression year = Expression::compile("YearPub", t.fields);
    EXPECT_EQ(year.type(), KeyType::Numeric);
    EXPECT_EQ(year.width(), 12);
    const Expression bought = Expression::compile("PurchDate", t.fields);
    EXPECT_EQ(bought.type(), KeyType::Date);
    EXPECT_EQ(bought.width(), 8);

    const std::string early = key(t, "YearPub", {"", "", "999"});
    const std::string late = key(t, "YearPub", {"", "", "1968"});
    EXPECT_LT(dbase::compareKeys(KeyType::Numeric, early, late), 0);
    EXPECT_DOUBLE_EQ(dbase::numericKeyValue(late), 1968);

    const std::string d = key(t, "PurchDate", {"", "", "", "", "20000101"});
    EXPECT_DOUBLE_EQ(dbase::dateKeyValue(d), 2451545.0);
    const std::string blank = key(t, "PurchDate", {"", "", "", "", ""});
    EXPECT_LT(dbase::compareKeys(KeyType::Date, blank, d), 0);
}

TEST(ExpressionTest, BadExpressionsAreRefusedAsInvalidExpression) {
    const auto t = books();
    const char* bad[] = {
        "",                       // nothing
        "Upper(",                 // cut short
        "Upper(Author",           // no closing parenthesis
        "Author)",                // junk after
        "Nosuchfield",            // unknown field
        "Upper(Left(Autor,20))",  // misspelt field
        "Frobnicate(Author)",     // unknown function
        "Left(Author)",           // too few arguments
        "STR(YearPub,8,0,1)",     // too many arguments
        "STR(Author,8,0)",        // a text where a number belongs
        "DTOS(Author)",           // a text where a date belongs
        "Upper(YearPub)",         // a number where a text belongs
        "Author+YearPub",         // text plus number
        "PurchDate+PurchDate",    // dates do not add
        "Left(Author,YearPub)",   // a length must be a constant
        "'unterminated",          // open text constant
        "Title+Author",           // 180 characters: longer than a key may be
        "Left(Author,0)",         // an empty key
        "STR(Cost,4,4)",          // decimals do not fit the width
        "Author;",                // a character the language does not have
        "1.2.3",                  // not a number
    };
    for (const char* text : bad) {
        try {
            (void)Expression::compile(text, t.fields);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::InvalidExpression) << text;
            EXPECT_NE(std::string(e.what()).find("expression"), std::string::npos) << e.what();
        }
    }
}

TEST(ExpressionTest, NumericKeysMatchThePublishedBytesAndOrderByValue) {
    auto bytes = [](double v) {
        std::string k;
        dbase::appendNumericKey(v, k);
        return k;
    };
    EXPECT_EQ(bytes(1987), std::string("\x38\x11\x19\x87\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(bytes(53.49), std::string("\x36\x11\x53\x49\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(bytes(927.49), std::string("\x37\x15\x92\x74\x90\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(bytes(0), std::string("\x34\x01\0\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(bytes(1990)[1], '\x11');  // four digits: the integer part's zero counts

    const double ascending[] = {-1e6, -5, -0.5, -0.07, 0, 0.07, 0.5, 1, 9.99, 10, 1234, 1e12};
    for (size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_LT(
            dbase::compareKeys(KeyType::Numeric, bytes(ascending[i]), bytes(ascending[i + 1])), 0)
            << ascending[i] << " < " << ascending[i + 1];
        EXPECT_NEAR(dbase::numericKeyValue(bytes(ascending[i])), ascending[i], 1e-9);
    }
}

}  // namespace

namespace {

// UPPER and LOWER change the letters of the table's code page, so that a
// name sorts with its capital form whatever its accents.
TEST(ExpressionTest, UpperAndLowerFollowTheTablesCodePage) {
    const auto t = books();
    const auto folded = [&t](const char* expr, const std::string& title,
                             const dbase::CodePage* page) {
        const Expression e = Expression::compile(expr, t.fields, page);
        const std::string rec = t.record({title});
        std::string k;
        e.key(reinterpret_cast<const unsigned char*>(rec.data()), k);
        return k.substr(0, title.size());
    };
    const auto& cp1252 = dbase::CodePage::windows1252();
    EXPECT_EQ(folded("Upper(Title)", "\xE9mile", nullptr), "\xC9MILE");  // Windows-1252
    EXPECT_EQ(folded("Upper(Title)", "\xC9MILE", &cp1252), "\xC9MILE");
    EXPECT_EQ(folded("Lower(Title)", "\xC9MILE \xDF", &cp1252), "\xE9mile \xDF");
    const auto* cp866 = dbase::CodePage::byName("cp866");
    EXPECT_EQ(folded("Upper(Left(Title,3))", "\xE2\xAE\xAB", cp866), "\x92\x8E\x8B");  // тол
    EXPECT_TRUE(Expression::compile("Upper(Title)+Str(YearPub)", t.fields).foldsCase());
    EXPECT_FALSE(Expression::compile("Title+Str(YearPub)", t.fields).foldsCase());
}

}  // namespace
