// The record search of Locate, its matching rules and the field list.
#include <gtest/gtest.h>

#include "fields/book_fields.h"
#include "find/locate.h"
#include "settings/formats.h"
#include "tests/find/find_fixture.h"

namespace {

using find::LocateResult;
using find::MatchType;

class LocateTest : public findtest::CollectionFixture {
  protected:
    void SetUp() override {
        CollectionFixture::SetUp();
        add({{"Title", "The Art of War"}, {"Cost", "12.5"}, {"PurchDate", "1996-03-15"}});
        add({{"Title", "Anna Karenina"}, {"Cost", "12.49"}});
        add({{"Title", "Theology"}, {"Cost", "-3"}});
        add({{"Title", "Breathe"}, {"Cost", "7"}});
        add({{"Title", ""}, {"Cost", "1"}});
        add({{"Title", "the end"}, {"Cost", "12.50"}});
        table.first();
    }
    LocateResult locate(bool first, const char* field, MatchType type, const QString& value,
                        bool caseSensitive = false) {
        return find::locateRecord(table, first, QString::fromLatin1(field), caseSensitive, type,
                                  value, mdy);
    }
    const settings::Formats mdy;  // m/d/y
};

TEST_F(LocateTest, PartialStartIgnoresCaseUnlessAsked) {
    ASSERT_EQ(locate(true, "Title", MatchType::PartialStart, QStringLiteral("the")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));  // the very first record
    ASSERT_EQ(locate(false, "Title", MatchType::PartialStart, QStringLiteral("the")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Theology"));
    ASSERT_EQ(locate(true, "Title", MatchType::PartialStart, QStringLiteral("the"), true),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("the end"));
}

TEST_F(LocateTest, NextNeverReturnsTheCurrentRecordAndFailureStaysPut) {
    ASSERT_EQ(locate(true, "Title", MatchType::PartialAny, QStringLiteral("ar")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
    ASSERT_EQ(locate(false, "Title", MatchType::PartialAny, QStringLiteral("ar")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Anna Karenina"));
    EXPECT_EQ(locate(false, "Title", MatchType::PartialAny, QStringLiteral("ar")),
              LocateResult::NotFound);
    EXPECT_EQ(title(), QStringLiteral("Anna Karenina"));
    table.last();
    EXPECT_EQ(locate(false, "Title", MatchType::PartialAny, QStringLiteral("e")),
              LocateResult::NotFound);
    EXPECT_EQ(title(), QStringLiteral("the end"));
}

TEST_F(LocateTest, ExactNeedsTheWholeValueAndMatchesEmptyFields) {
    EXPECT_EQ(locate(true, "Title", MatchType::Exact, QStringLiteral("theolog")),
              LocateResult::NotFound);
    ASSERT_EQ(locate(true, "Title", MatchType::Exact, QStringLiteral("THEOLOGY")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Theology"));
    ASSERT_EQ(locate(true, "Title", MatchType::Exact, QString()), LocateResult::Found);
    EXPECT_EQ(title(), QString());
    // An empty value never matches under the partial kinds.
    table.first();
    EXPECT_EQ(locate(true, "Title", MatchType::PartialStart, QString()), LocateResult::NotFound);
    EXPECT_EQ(locate(true, "Title", MatchType::PartialAny, QString()), LocateResult::NotFound);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
}

TEST_F(LocateTest, ExactNumbersCompareByValue) {
    ASSERT_EQ(locate(true, "Cost", MatchType::Exact, QStringLiteral("12.5")), LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
    ASSERT_EQ(locate(false, "Cost", MatchType::Exact, QStringLiteral("12.5")), LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("the end"));
    ASSERT_EQ(locate(true, "Cost", MatchType::Exact, QStringLiteral("-3")), LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Theology"));
    for (const char* v : {"12,5", "-", "1e1", " 7", "1.2.3"})
        EXPECT_EQ(locate(true, "Cost", MatchType::Exact, QString::fromLatin1(v)),
                  LocateResult::NotFound)
            << v;
    // The other kinds compare numbers as text.
    ASSERT_EQ(locate(true, "Cost", MatchType::PartialStart, QStringLiteral("12.4")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Anna Karenina"));
}

TEST_F(LocateTest, DatesCompareAsTheyAreShown) {
    settings::Formats formats;
    ASSERT_TRUE(formats.setDateFormat(10));  // d/m/yyyy
    ASSERT_EQ(find::locateRecord(table, true, QStringLiteral("PurchDate"), false, MatchType::Exact,
                                 QStringLiteral("15/3/1996"), formats),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
    // The same date in other formats (m/d/y).
    EXPECT_EQ(locate(true, "PurchDate", MatchType::Exact, QStringLiteral("15/3/1996")),
              LocateResult::NotFound);
    ASSERT_EQ(locate(true, "PurchDate", MatchType::Exact, QStringLiteral("3/15/96")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
}

TEST_F(LocateTest, AnUnknownFieldIsReported) {
    EXPECT_EQ(locate(true, "NoSuch", MatchType::Exact, QStringLiteral("x")), LocateResult::NoField);
    EXPECT_EQ(locate(true, "", MatchType::Exact, QStringLiteral("x")), LocateResult::NoField);
    EXPECT_EQ(find::fieldNotFoundMessage(QStringLiteral("NoSuch")),
              QStringLiteral("Field NoSuch not found."));
}

TEST_F(LocateTest, SearchesFollowTheTableOrder) {
    table.close();
    table.addIndexTag("NewIndex", "UPPER(TITLE)");
    table.setIndexTag("NewIndex");
    table.open();
    table.first();
    ASSERT_EQ(locate(true, "Title", MatchType::PartialStart, QStringLiteral("the")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("The Art of War"));
    ASSERT_EQ(locate(false, "Title", MatchType::PartialStart, QStringLiteral("the")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("the end"));
    ASSERT_EQ(locate(false, "Title", MatchType::PartialStart, QStringLiteral("the")),
              LocateResult::Found);
    EXPECT_EQ(title(), QStringLiteral("Theology"));
}

TEST_F(LocateTest, APendingEditIsPostedFirst) {
    table.first();
    table.edit();
    table.setString(table.fieldIndex("Title"), "Zebra");
    ASSERT_EQ(locate(true, "Title", MatchType::Exact, QStringLiteral("zebra")),
              LocateResult::Found);
    EXPECT_EQ(table.state(), dbase::TableState::Browse);
}

TEST(LocateFieldList, SortedByNameOrInFieldOrderAndMappedBack) {
    QStringList labels;
    QList<bool> shown;
    for (const auto& f : fields::bookFields()) {
        labels << QString::fromUtf8(f.caption);
        shown << (f.number != 2);
    }
    labels[0] = QStringLiteral("Book~Title");
    const QStringList byName = find::fieldList(labels, shown, find::FieldOrder::ByFieldName,
                                               find::FieldSelection::AllFields);
    EXPECT_EQ(byName.size(), 36);
    EXPECT_EQ(byName.first(), QStringLiteral("Author"));
    EXPECT_TRUE(byName.contains(QStringLiteral("Book Title")));
    const QStringList byNo = find::fieldList(labels, shown, find::FieldOrder::ByFieldNo,
                                             find::FieldSelection::VisibleFields);
    EXPECT_EQ(byNo.size(), 35);
    EXPECT_EQ(byNo.first(), QStringLiteral("Book Title"));
    EXPECT_EQ(byNo[1], QStringLiteral("Year Pub"));
    EXPECT_EQ(find::fieldNameOfLabel(labels, QStringLiteral("Book Title")),
              QStringLiteral("Title"));
    EXPECT_EQ(find::fieldNameOfLabel(labels, QStringLiteral("book title")), QString());
    EXPECT_EQ(find::labelOfField(labels, QStringLiteral("TITLE")), QStringLiteral("Book Title"));
}

}  // namespace
