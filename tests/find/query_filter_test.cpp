// The record filter a query installs, judged against a real table.
#include <gtest/gtest.h>

#include <QStringList>

#include "find/query_filter.h"
#include "find/search_items.h"
#include "settings/formats.h"
#include "tests/find/find_fixture.h"

namespace {

using find::Comparison;
using Status = find::LevelResult::Status;

class QueryFilterTest : public findtest::CollectionFixture {
  protected:
    void SetUp() override {
        CollectionFixture::SetUp();
        ASSERT_TRUE(formats.setDateFormat(7));  // m/d/yyyy
        add({{"Title", "War and Peace"},
             {"Author", "Leo Tolstoy"},
             {"YearPub", "1869"},
             {"Cost", "15"},
             {"KeyWords", "russia history"},
             {"PurchDate", "1996-03-15"}});
        add({{"Title", "The Art of War"},
             {"Author", "Sun Tzu"},
             {"YearPub", "1910"},
             {"Cost", "10"},
             {"KeyWords", "strategy"}});
        add({{"Title", "Warden Tales"},
             {"Author", "A. Trollope"},
             {"YearPub", "1955"},
             {"Cost", "20"},
             {"KeyWords", "church"},
             {"PurchDate", "1999-12-31"}});
        add({{"Title", "Anna Karenina"},
             {"Author", "LEO TOLSTOY"},
             {"YearPub", "1878"},
             {"Cost", "-2.5"},
             {"KeyWords", "Space HISTORY"}});
        add({{"Title", "Space History"}, {"Author", "Nobody"}, {"KeyWords", "rockets"}});
        add({{"Title", "Éléphant"}, {"Author", "Ünter"}, {"YearPub", "2001"}});
    }

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

    void level(const Level& l) {
        ASSERT_EQ(items.addLevel(l.cells, l.comparisons, formats).status, Status::Saved);
    }
    settings::Formats formats;

    // Titles of the records the items accept, in record order.
    QStringList matching() {
        auto filter = std::make_shared<const find::QueryFilter>(items.items(), table);
        table.setFilter(find::QueryFilter::asRecordFilter(filter));
        QStringList titles;
        for (table.first(); !table.eof() && !table.isEmpty(); table.next())
            titles << title();
        table.setFilter({});
        return titles;
    }

    find::SearchItems items;
};

TEST_F(QueryFilterTest, ItemsOfALevelAreJoinedByAndLevelsByOr) {
    level(Level().set(1, QStringLiteral("war")).set(3, QStringLiteral("< 1950"), Comparison::Less));
    EXPECT_EQ(matching(), QStringList({"War and Peace", "The Art of War"}));
    level(Level().set(2, QStringLiteral("tolstoy")));
    EXPECT_EQ(matching(), QStringList({"War and Peace", "The Art of War", "Anna Karenina"}));
}

TEST_F(QueryFilterTest, AnEmptyListAcceptsNothing) {
    EXPECT_TRUE(matching().isEmpty());
}

TEST_F(QueryFilterTest, RangesAreExclusive) {
    level(Level().set(7, QStringLiteral("> 10 AND < 20"), Comparison::Between));
    EXPECT_EQ(matching(), QStringList({"War and Peace"}));
}

TEST_F(QueryFilterTest, EmptyNumbersReadAsZero) {
    level(Level().set(7, QStringLiteral("< 1"), Comparison::Less));
    EXPECT_EQ(matching(), QStringList({"Anna Karenina", "Space History", "Éléphant"}));
}

TEST_F(QueryFilterTest, NegativeAndExponentNumbers) {
    level(Level().set(7, QStringLiteral("= -2.5e0")));
    EXPECT_EQ(matching(), QStringList({"Anna Karenina"}));
    items.clear();
    level(Level().set(3, QStringLiteral("> 1.9e3"), Comparison::Greater));
    EXPECT_EQ(matching(), QStringList({"The Art of War", "Warden Tales", "Éléphant"}));
}

TEST_F(QueryFilterTest, DatesCompareByDayAndEmptyDatesAreDayZero) {
    level(Level().set(12, QStringLiteral("= 03/15/1996")));
    EXPECT_EQ(matching(), QStringList({"War and Peace"}));
    items.clear();
    level(Level().set(12, QStringLiteral("> 03/15/1996"), Comparison::Greater));
    EXPECT_EQ(matching(), QStringList({"Warden Tales"}));
    items.clear();
    level(Level().set(12, QStringLiteral("< 01/01/1900"), Comparison::Less));
    EXPECT_EQ(matching().size(), 4);  // the books without a purchase date
    items.clear();
    ASSERT_TRUE(formats.setDateFormat(10));  // d/m/yyyy
    level(Level().set(12, QStringLiteral("> 01/01/1996 AND < 31/12/1999"), Comparison::Between));
    EXPECT_EQ(matching(), QStringList({"War and Peace"}));
}

TEST_F(QueryFilterTest, KeyWordsMatchAnyWordWhileOtherFieldsNeedTheWholePhrase) {
    level(Level().set(23, QStringLiteral("space history")));
    EXPECT_EQ(matching(), QStringList({"War and Peace", "Anna Karenina"}));
    items.clear();
    level(Level().set(1, QStringLiteral("space history")));
    EXPECT_EQ(matching(), QStringList({"Space History"}));
}

TEST_F(QueryFilterTest, DoubleBlanksInKeyWordsGiveAnEmptyWordThatNeverMatches) {
    level(Level().set(23, QStringLiteral("zzz  church")));
    EXPECT_EQ(matching(), QStringList({"Warden Tales"}));
    items.clear();
    level(Level().set(23, QStringLiteral("zzz  ")));
    EXPECT_TRUE(matching().isEmpty());
}

TEST_F(QueryFilterTest, SubstringsIgnoreCaseAlsoBeyondAscii) {
    level(Level().set(1, QStringLiteral("éLÉ")));
    EXPECT_EQ(matching(), QStringList({"Éléphant"}));
    items.clear();
    level(Level().set(2, QStringLiteral("ünter")));
    EXPECT_EQ(matching(), QStringList({"Éléphant"}));
}

TEST_F(QueryFilterTest, PickListValuesMatchAsSubstrings) {
    table.first();
    table.edit();
    table.setString(table.fieldIndex("Category"), "Science Fiction");
    table.post();
    level(Level().set(5, QStringLiteral("Fiction")));
    EXPECT_EQ(matching(), QStringList({"War and Peace"}));
}

TEST(UpperCase, AsciiInPlaceAndOtherTextByUnicode) {
    std::string a = "abc Xyz 12";
    find::toUpperInPlace(a);
    EXPECT_EQ(a, "ABC XYZ 12");
    std::string b = "straße é";
    find::toUpperInPlace(b);
    EXPECT_EQ(QString::fromStdString(b), QStringLiteral("STRASSE É"));
}

}  // namespace
