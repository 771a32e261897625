// Compiling the criterion cells of the query grid into search items.
#include <gtest/gtest.h>

#include "find/search_items.h"
#include "settings/formats.h"

namespace {

using find::Comparison;
using find::ItemKind;
using find::LevelResult;
using Status = find::LevelResult::Status;

constexpr int kTitle = 1, kAuthor = 2, kYearPub = 3, kCost = 7, kPurchDate = 12, kKeyWords = 23;

struct Level {
    find::LevelCells cells{};
    find::Comparisons comparisons{};
    Level() { comparisons.fill(Comparison::Equal); }
    Level& set(int fieldNo, const QString& text, Comparison c = Comparison::Equal) {
        cells[static_cast<size_t>(fieldNo - 1)] = text;
        comparisons[static_cast<size_t>(fieldNo - 1)] = c;
        return *this;
    }
};

class SearchItemsTest : public ::testing::Test {
  protected:
    // Dates are read in the items' own formats, the program's untouched.
    void SetUp() override { formats.setDateFormat(7); }  // m/d/yyyy
    LevelResult add(const Level& l) { return items.addLevel(l.cells, l.comparisons, formats); }
    settings::Formats formats;
    find::SearchItems items;
};

TEST(DecimalNumbers, OnlyTheStandardNotationIsANumber) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"12", 12},    {"-12.5", -12.5}, {"+3", 3},   {"1e3", 1000}, {"2.5E-1", 0.25},
        {".5", 0.5},   {"7.", 7},        {"", {}},    {"1,5", {}},   {"1 000", {}},
        {"12abc", {}}, {"e5", {}},       {"--1", {}}, {"inf", {}},   {"nan", {}},
        {"1e999", {}}, {"0x10", {}},     {".", {}},   {"-", {}},     {"1e", {}},
    };
    for (const auto& c : cases) {
        const auto got = find::parseDecimal(QString::fromLatin1(c.text));
        EXPECT_EQ(got.has_value(), c.value.has_value()) << c.text;
        if (got && c.value) {
            EXPECT_DOUBLE_EQ(*got, *c.value) << c.text;
        }
    }
}

TEST(EmptyDates, BareMasksAndBlanksAreEmpty) {
    for (const char* t : {"", "   ", "/  /", "-  -", ".  .", "//", "  /  /    "})
        EXPECT_TRUE(find::isEmptyDate(QString::fromLatin1(t))) << t;
    for (const char* t : {"1/  /", "3/15/1996", "x"})
        EXPECT_FALSE(find::isEmptyDate(QString::fromLatin1(t))) << t;
}

TEST_F(SearchItemsTest, CharacterCriteriaAreTrimmedUpperCasedAndKeyWordsCompareByWord) {
    ASSERT_EQ(add(Level()
                      .set(kTitle, QStringLiteral("  war and peace "))
                      .set(kKeyWords, QStringLiteral("space  history")))
                  .status,
              Status::Saved);
    ASSERT_EQ(items.count(), 2);
    EXPECT_EQ(items.items()[0].text, QStringLiteral("WAR AND PEACE"));
    EXPECT_EQ(items.items()[0].kind, ItemKind::Contains);
    EXPECT_EQ(items.items()[0].fieldNo, kTitle);
    EXPECT_FALSE(items.items()[0].endOfLevel);
    EXPECT_EQ(items.items()[1].text, QStringLiteral("SPACE  HISTORY"));  // double blank kept
    EXPECT_EQ(items.items()[1].kind, ItemKind::AnyWord);
    EXPECT_TRUE(items.items()[1].endOfLevel);
}

TEST_F(SearchItemsTest, CharacterTextIsCutTo110Characters) {
    ASSERT_EQ(add(Level().set(9, QString(130, QLatin1Char('a')))).status, Status::Saved);
    EXPECT_EQ(items.items()[0].text, QString(110, QLatin1Char('A')));
}

TEST_F(SearchItemsTest, NumericCriteriaDropTheirOperatorAndReadSignsAndExponents) {
    Level l;
    l.set(kYearPub, QStringLiteral("= -1950"), Comparison::Equal)
        .set(kCost, QStringLiteral(">  1.5e1 "), Comparison::Greater)
        .set(8, QStringLiteral("< +.25"), Comparison::Less);
    ASSERT_EQ(add(l).status, Status::Saved);
    ASSERT_EQ(items.count(), 3);
    EXPECT_EQ(items.items()[0].kind, ItemKind::Equal);
    EXPECT_DOUBLE_EQ(items.items()[0].numberValue, -1950);
    EXPECT_EQ(items.items()[0].text, QStringLiteral("-1950"));
    EXPECT_EQ(items.items()[1].kind, ItemKind::Greater);
    EXPECT_DOUBLE_EQ(items.items()[1].numberValue, 15);
    EXPECT_EQ(items.items()[2].kind, ItemKind::Less);
    EXPECT_DOUBLE_EQ(items.items()[2].numberValue, 0.25);
    EXPECT_FALSE(items.items()[2].isDate);
}

TEST_F(SearchItemsTest, OnlyTheChosenOperatorIsRemoved) {
    // A cell typed under one comparison and saved under another keeps the
    // other operator, which makes it invalid.
    const LevelResult r = add(Level().set(kCost, QStringLiteral("> 10"), Comparison::Equal));
    EXPECT_EQ(r.status, Status::Invalid);
    EXPECT_EQ(r.fieldNo, kCost);
}

TEST_F(SearchItemsTest, RangesBecomeAGreaterAndALessItem) {
    ASSERT_EQ(
        add(Level().set(kCost, QStringLiteral(">  10       AND < 20"), Comparison::Between)).status,
        Status::Saved);
    ASSERT_EQ(items.count(), 2);
    EXPECT_EQ(items.items()[0].kind, ItemKind::Greater);
    EXPECT_DOUBLE_EQ(items.items()[0].numberValue, 10);
    EXPECT_EQ(items.items()[1].kind, ItemKind::Less);
    EXPECT_DOUBLE_EQ(items.items()[1].numberValue, 20);
    EXPECT_TRUE(items.items()[1].endOfLevel);
}

TEST_F(SearchItemsTest, RangesNeedBothBoundsOrNone) {
    const struct {
        const char* cell;
        Status status;
    } cases[] = {
        {"> AND <", Status::NoCriteria},     {">           AND <         ", Status::NoCriteria},
        {"> 10 AND <", Status::Invalid},     {"> AND < 20", Status::Invalid},
        {"> ten AND < 20", Status::Invalid}, {"> 10 AND < 2,5", Status::Invalid},
        {"> 10 AND < 20", Status::Saved},
    };
    for (const auto& c : cases) {
        items.clear();
        EXPECT_EQ(add(Level().set(kCost, QString::fromLatin1(c.cell), Comparison::Between)).status,
                  c.status)
            << c.cell;
    }
}

TEST_F(SearchItemsTest, DatesBecomeDayNumbersInTheCurrentFormat) {
    ASSERT_EQ(add(Level().set(kPurchDate, QStringLiteral("= 03/15/1996"))).status, Status::Saved);
    const find::SearchItem& item = items.items()[0];
    EXPECT_TRUE(item.isDate);
    EXPECT_DOUBLE_EQ(item.dateValue, 35139);  // 15 March 1996
    EXPECT_EQ(item.text, QStringLiteral("35139"));

    formats.setDateFormat(12);  // d.m.yyyy
    items.clear();
    ASSERT_EQ(
        add(Level().set(kPurchDate, QStringLiteral("> 15.03.1996"), Comparison::Greater)).status,
        Status::Saved);
    EXPECT_DOUBLE_EQ(items.items()[0].dateValue, 35139);
    items.clear();
    // The same text read day first is no date.
    EXPECT_EQ(add(Level().set(kPurchDate, QStringLiteral("= 03.15.1996"))).status, Status::Invalid);

    // In m/d/y the dotted text is no date and the slashed one is.
    const settings::Formats mdy;
    const Level dotted = Level().set(kPurchDate, QStringLiteral("= 15.03.1996"));
    EXPECT_EQ(items.addLevel(dotted.cells, dotted.comparisons, mdy).status, Status::Invalid);
    const Level slashed = Level().set(kPurchDate, QStringLiteral("= 3/15/96"));
    ASSERT_EQ(items.addLevel(slashed.cells, slashed.comparisons, mdy).status, Status::Saved);
    EXPECT_DOUBLE_EQ(items.items()[0].dateValue, 35139);
}

TEST_F(SearchItemsTest, BareDateMasksAreEmptyAndRangesWithOneDateAreRejected) {
    EXPECT_EQ(add(Level().set(kPurchDate, QStringLiteral("=   /  /    "))).status,
              Status::NoCriteria);
    EXPECT_EQ(add(Level().set(kPurchDate, QStringLiteral("= //"))).status, Status::NoCriteria);
    EXPECT_EQ(add(Level().set(kPurchDate, QStringLiteral(">   /  /     AND <   /  /    "),
                              Comparison::Between))
                  .status,
              Status::NoCriteria);
    const LevelResult r = add(Level().set(
        kPurchDate, QStringLiteral("> 01/01/1990 AND <   /  /    "), Comparison::Between));
    EXPECT_EQ(r.status, Status::Invalid);
    EXPECT_EQ(r.fieldNo, kPurchDate);
    EXPECT_EQ(add(Level().set(kPurchDate, QStringLiteral("= 02/30/1996"))).status, Status::Invalid);
    ASSERT_EQ(add(Level().set(kPurchDate, QStringLiteral("> 01/01/1990 AND < 12/31/1999"),
                              Comparison::Between))
                  .status,
              Status::Saved);
    EXPECT_EQ(items.count(), 2);
    EXPECT_LT(items.items()[0].dateValue, items.items()[1].dateValue);
}

TEST_F(SearchItemsTest, BlanksOnlyCountAsEmptyAndAnEmptyLevelIsRefused) {
    EXPECT_EQ(add(Level().set(kTitle, QStringLiteral("    ")).set(kCost, QStringLiteral("=     ")))
                  .status,
              Status::NoCriteria);
    EXPECT_EQ(items.count(), 0);
}

TEST_F(SearchItemsTest, AnInvalidRowDropsItsLevelOnlyAndNamesTheRow) {
    ASSERT_EQ(add(Level().set(kAuthor, QStringLiteral("tolstoy"))).status, Status::Saved);
    const LevelResult r =
        add(Level().set(kTitle, QStringLiteral("war")).set(kYearPub, QStringLiteral("= 19x0")));
    EXPECT_EQ(r.status, Status::Invalid);
    EXPECT_EQ(r.fieldNo, kYearPub);
    ASSERT_EQ(items.count(), 1);
    EXPECT_EQ(items.items()[0].text, QStringLiteral("TOLSTOY"));
    EXPECT_EQ(items.levels(), 1);
}

TEST_F(SearchItemsTest, The76thItemClearsEveryLevel) {
    // Two levels of 36 items each (72), then a level of four: the 76th item
    // empties the whole list, earlier levels included.
    Level full;
    for (int f = 1; f <= 36; ++f) {
        const char letter = fields::bookField(f).letter;
        full.set(f, letter == 'C'
                        ? QStringLiteral("x")
                        : (letter == 'N' ? QStringLiteral("= 1") : QStringLiteral("= 1/2/2000")));
    }
    ASSERT_EQ(add(full).status, Status::Saved);
    ASSERT_EQ(add(full).status, Status::Saved);
    ASSERT_EQ(items.count(), 72);
    Level three;
    three.set(1, QStringLiteral("a")).set(2, QStringLiteral("b")).set(4, QStringLiteral("c"));
    ASSERT_EQ(add(three).status, Status::Saved);
    EXPECT_EQ(items.count(), 75);
    EXPECT_EQ(add(Level().set(1, QStringLiteral("d"))).status, Status::TooMany);
    EXPECT_EQ(items.count(), 0);
    // A range counts as two items.
    items.clear();
    ASSERT_EQ(add(full).status, Status::Saved);
    ASSERT_EQ(add(full).status, Status::Saved);
    ASSERT_EQ(add(Level().set(1, QStringLiteral("a")).set(2, QStringLiteral("b"))).status,
              Status::Saved);
    EXPECT_EQ(items.count(), 74);
    EXPECT_EQ(add(Level().set(kCost, QStringLiteral("> 1 AND < 2"), Comparison::Between)).status,
              Status::TooMany);
}

TEST(SearchMessages, TextsAreExact) {
    EXPECT_EQ(
        find::tooManyItemsMessage(),
        QStringLiteral("More than 75 search items have been entered.  This exceeds the maximum "
                       "allowable.  Search criteria will be cleared."));
    EXPECT_EQ(find::invalidCriteriaMessage(),
              QStringLiteral("Invalid search criteria entered.  Please correct."));
    EXPECT_EQ(find::noMatchesMessage(),
              QStringLiteral("No valid matches found.  Search Criteria will be cleared."));
}

TEST(CriterionMasks, OperatorsStayLiteralAndDatesUseTheSeparator) {
    EXPECT_EQ(find::criterionMask(1, Comparison::Equal, QLatin1Char('/')), QString());
    EXPECT_EQ(find::criterionMask(7, Comparison::Equal, QLatin1Char('/')),
              QStringLiteral("= xxxxxxxxx"));
    EXPECT_EQ(find::criterionMask(7, Comparison::Between, QLatin1Char('/')),
              QStringLiteral("\\> xxxxxxxxx \\A\\N\\D \\< xxxxxxxx"));
    EXPECT_EQ(find::criterionMask(12, Comparison::Less, QLatin1Char('.')),
              QStringLiteral("\\< 00.00.0000"));
}

}  // namespace
