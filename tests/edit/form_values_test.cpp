// The edit form's values without a window: the date boxes, the amounts, the
// order of the checks, change detection, and records written whole or not
// at all, also when another user changed the record in between.
#include "edit/form_values.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "data/open_collection.h"
#include "dbase/table.h"
#include "edit/edit_fields.h"
#include "edit/list_titles.h"
#include "edit/record_update.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"

namespace {

namespace f = edit::field;

settings::Formats formatsOf(int code) {
    settings::Formats formats;
    EXPECT_TRUE(formats.setDateFormat(code));
    return formats;
}

TEST(EditFields, EveryFieldHasOneEntryAndTheChainEndsOnTheLastPage) {
    std::array<int, 37> seen{};
    int page = 0;
    for (const auto& e : edit::entries()) {
        ++seen[static_cast<std::size_t>(e.field)];
        EXPECT_GE(e.page, page) << e.control;  // the chain never goes back a page
        page = e.page;
        EXPECT_EQ(e.kind == edit::EntryKind::Combo, e.list != 0) << e.control;
        if (e.list != 0) {
            EXPECT_EQ(fields::bookField(e.field).list, e.list) << e.control;
        }
    }
    for (int n = 1; n <= 36; ++n)
        EXPECT_EQ(seen[static_cast<std::size_t>(n)], 1) << n;
    EXPECT_EQ(edit::chainPosition("Title"), 0);
    EXPECT_EQ(edit::chainPosition("UserDef6"), 35);
    EXPECT_EQ(edit::chainPosition("BlankPurchDate"), -1);
    EXPECT_EQ(edit::lengthLimit(edit::entryOfField(f::Publisher)), 60);
    EXPECT_EQ(edit::lengthLimit(edit::entryOfField(f::BookType)), 15);
}

TEST(EditFields, MaintenanceTitlesLimitsAndCaption) {
    EXPECT_EQ(edit::maintenanceCaption(books::PickList::Author), "Edit \"Author\" List");
    EXPECT_EQ(edit::maintenanceCaption(books::PickList::Bought), "Edit \"Purchased From\" List");
    // Wider than the form's own entries for publishers and book types.
    EXPECT_EQ(edit::entryLimit(books::PickList::Publisher), 90);
    EXPECT_EQ(edit::entryLimit(books::PickList::BookType), 30);
    EXPECT_EQ(edit::entryLimit(books::PickList::Rating), 15);
    EXPECT_EQ(edit::listTitle(books::PickList::CheckOut), "Check Out Person");
}

TEST(DateBoxes, BlankFormsWithAnySeparatorAndPartlyFilledBoxes) {
    const settings::Formats mdy = formatsOf(1);
    EXPECT_EQ(edit::blankDateText(mdy), "  /  /    ");
    for (const char* blank : {"  /  /    ", "  -  -    ", "  .  .    ", " /  / ", ""})
        EXPECT_TRUE(edit::isBlankDate(blank)) << blank;
    EXPECT_FALSE(edit::isBlankDate("12/  /    "));
    const auto blank = edit::readDateBox("  .  .    ", mdy);
    ASSERT_TRUE(blank);
    EXPECT_TRUE(blank->isNull());
    EXPECT_FALSE(edit::readDateBox("12/  /    ", mdy));
    EXPECT_FALSE(edit::readDateBox("12/3 /1996", mdy));
    EXPECT_FALSE(edit::readDateBox("02/30/1996", mdy));
    const auto date = edit::readDateBox("03/04/1996", mdy);
    ASSERT_TRUE(date);
    EXPECT_EQ(*date, (dbase::Date{1996, 3, 4}));
}

TEST(DateBoxes, FollowTheDateFormatTheyAreGiven) {
    const dbase::Date d{1996, 3, 4};
    const settings::Formats dmy = formatsOf(5);
    EXPECT_EQ(edit::dateBoxText(d, dmy), "04-03-1996");
    EXPECT_EQ(edit::blankDateText(dmy), "  -  -    ");
    EXPECT_EQ(edit::readDateBox("04-03-1996", dmy), d);
    EXPECT_FALSE(edit::readDateBox("04/03/1996", dmy));
    EXPECT_EQ(edit::clearedValues(dmy)[f::CheckDate], "  -  -    ");

    const settings::Formats mdyDots = formatsOf(9);
    EXPECT_EQ(edit::dateBoxText(d, mdyDots), "03.04.1996");
    EXPECT_EQ(edit::dateBoxText(dbase::Date{987, 12, 31}, mdyDots), "12.31.0987");
    EXPECT_EQ(edit::readDateBox("12.31.0987", mdyDots), (dbase::Date{987, 12, 31}));
    EXPECT_EQ(edit::dateBoxText(dbase::Date{}, mdyDots), "  .  .    ");
    // Day first: the check reads "31.12.1999" as a date and refuses the
    // month-first "12.31.1999".
    const settings::Formats dmyDots = formatsOf(12);
    edit::FormValues v = edit::clearedValues(dmyDots);
    v[f::CheckDate] = "31.12.1999";
    EXPECT_FALSE(edit::firstProblem(v, dmyDots));
    EXPECT_TRUE(edit::firstProblem(v, mdyDots));
}

TEST(Amounts, PlainDecimalNotationOnly) {
    EXPECT_EQ(edit::readAmount("12.50"), 12.5);
    EXPECT_EQ(edit::readAmount(" -3 "), -3.0);
    EXPECT_EQ(edit::readAmount("+.5"), 0.5);
    EXPECT_EQ(edit::readAmount("7."), 7.0);
    EXPECT_EQ(edit::readAmount("1.5e2"), 150.0);
    for (const char* refused :
         {"", "   ", "12,50", "$12", "-", ".", "1e", "1 2", "0x10", "inf", "nan", "12.5.1", "e5"})
        EXPECT_FALSE(edit::readAmount(refused)) << refused;
}

TEST(Checks, DatesComeFirstThenTheAmountsInOrder) {
    const settings::Formats formats = formatsOf(1);
    edit::FormValues v = edit::clearedValues(formats);
    EXPECT_FALSE(edit::firstProblem(v, formats));

    v[f::CheckDate] = "13/01/1996";
    v[f::PurchDate] = "xx/01/1996";
    v[f::Cost] = "";
    v[f::HighMarket] = "$1";
    auto p = edit::firstProblem(v, formats);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->message, "Invalid check out date specified.  Please correct.");
    EXPECT_EQ(p->page, 3);
    EXPECT_EQ(p->field, f::CheckDate);

    v[f::CheckDate] = edit::blankDateText(formats);
    p = edit::firstProblem(v, formats);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->message, "Invalid purchase date specified.  Please correct.");
    EXPECT_EQ(p->page, 0);

    v[f::PurchDate] = "01/02/1996";
    p = edit::firstProblem(v, formats);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->message, "Invalid cost specified.  Please correct.");
    EXPECT_EQ(p->page, 2);
    EXPECT_EQ(p->field, f::Cost);

    v[f::Cost] = "12.50";
    v[f::Value] = "12,50";
    EXPECT_EQ(edit::firstProblem(v, formats)->message, "Invalid value specified.  Please correct.");
    v[f::Value] = "1";
    v[f::LowMarket] = "x";
    EXPECT_EQ(edit::firstProblem(v, formats)->message,
              "Invalid low market value specified.  Please correct.");
    v[f::LowMarket] = "1";
    EXPECT_EQ(edit::firstProblem(v, formats)->message,
              "Invalid high market value specified.  Please correct.");
    EXPECT_EQ(edit::firstProblem(v, formats)->field, f::HighMarket);
}

TEST(Changes, TextsExactlyDatesWithoutSurroundingBlanksAndTheBox) {
    const edit::FormValues saved = edit::clearedValues(formatsOf(1));
    edit::FormValues v = saved;
    EXPECT_FALSE(edit::valuesChanged(v, saved));
    v[f::PurchDate] = " " + saved[f::PurchDate] + "  ";
    EXPECT_FALSE(edit::valuesChanged(v, saved));
    v[f::Title] = " ";
    EXPECT_TRUE(edit::valuesChanged(v, saved));
    v = saved;
    v[f::Author] = "a";
    edit::FormValues upper = saved;
    upper[f::Author] = "A";
    EXPECT_TRUE(edit::valuesChanged(v, upper));
    v = saved;
    v.checkOut = true;
    EXPECT_TRUE(edit::valuesChanged(v, saved));
    v = saved;
    v[edit::field::UserDef6] = "x";
    EXPECT_TRUE(edit::valuesChanged(v, saved));
}

class RecordWrites : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 3);
        collection.openWithSortTag(path);
        collection.table().first();
        // Display names of the fields are those of the settings given.
        settings_.fieldNames[f::YearPub] = "Published In";
        settings_.formats = formatsOf(1);
    }

    QString stored(const char* field) const { return testsupport::fieldOf(path, lastTitle, field); }

    QTemporaryDir dir;
    QString path;
    QString lastTitle;
    books::OpenCollection collection;
    settings::Settings settings_;
    const settings::Formats& formats = settings_.formats;
};

TEST_F(RecordWrites, LoadedRecordShowsItsValuesAndANewRecordGetsTheClearedOnes) {
    edit::FormValues v = edit::recordValues(collection.table(), formats);
    EXPECT_EQ(v[f::Title], "Book 0");
    EXPECT_EQ(v[f::YearPub], "1990");
    EXPECT_EQ(v[f::Cost], "0.50");
    EXPECT_EQ(v[f::Value], "0");  // blank in the file
    EXPECT_FALSE(edit::firstProblem(v, formats));
    EXPECT_EQ(v[f::PurchDate], "03/01/1996");
    EXPECT_EQ(v[f::CheckDate], "  /  /    ");
    EXPECT_TRUE(v.checkOut);
    collection.table().next();
    EXPECT_FALSE(edit::recordValues(collection.table(), formats).checkOut);

    edit::StoredRecord base;
    lastTitle = "";
    const auto result =
        edit::writeRecord(collection, true, edit::clearedValues(formats), settings_, base);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_EQ(collection.count(), 4u);
    EXPECT_EQ(stored("CheckOut"), "No");
    EXPECT_EQ(stored("PurchDate"), "");
    EXPECT_EQ(stored("Author"), "");
    EXPECT_EQ(edit::recordValues(collection.table(), formats).checkOut, false);
}

TEST_F(RecordWrites, EditWritesOverTheSameRecordAndASecondUpdateDoesNotInsert) {
    edit::FormValues v = edit::recordValues(collection.table(), formats);
    edit::StoredRecord base = edit::storedRecord(collection.table());
    v[f::Title] = "Changed";
    v[f::UserDef1] = "  kept inside  blanks ";
    v[f::Cost] = "1.5e1";
    v[f::PurchDate] = edit::blankDateText(formats);
    v[f::CheckDate] = "12/31/1999";
    ASSERT_TRUE(edit::writeRecord(collection, false, v, settings_, base).ok());
    v[f::Title] = "Changed again";
    ASSERT_TRUE(edit::writeRecord(collection, false, v, settings_, base).ok());
    EXPECT_EQ(testsupport::titlesOf(path), (QStringList{"Changed again", "Book 1", "Book 2"}));
    lastTitle = "Changed again";
    EXPECT_EQ(stored("UserDef1"), "kept inside  blanks");
    EXPECT_EQ(stored("Cost").trimmed(), "15.00");
    EXPECT_EQ(stored("PurchDate"), "");
    EXPECT_EQ(stored("CheckDate"), "19991231");
}

TEST_F(RecordWrites, DatesAreShownAndWrittenInTheFormatsGiven) {
    settings::Settings dmy;
    dmy.formats = formatsOf(5);  // dd-mm-yy
    edit::FormValues v = edit::recordValues(collection.table(), dmy.formats);
    EXPECT_EQ(v[f::PurchDate], "01-03-1996");
    edit::StoredRecord base = edit::storedRecord(collection.table());
    v[f::CheckDate] = "31-12-1999";
    ASSERT_TRUE(edit::writeRecord(collection, false, v, dmy, base).ok());
    lastTitle = "Book 0";
    EXPECT_EQ(stored("PurchDate"), "19960301");
    EXPECT_EQ(stored("CheckDate"), "19991231");
}

TEST_F(RecordWrites, AValueTheTableCannotStoreWritesNothingAndNamesTheField) {
    edit::FormValues v = edit::recordValues(collection.table(), formats);
    edit::StoredRecord base = edit::storedRecord(collection.table());
    v[f::Title] = "Half written?";
    v[f::YearPub] = "19x6";
    const auto result = edit::writeRecord(collection, false, v, settings_, base);
    EXPECT_EQ(result.kind, edit::UpdateResult::Kind::Refused);
    EXPECT_TRUE(result.message.contains("\"Published In\"")) << result.message.toStdString();
    EXPECT_FALSE(collection.hasPendingRecord());
    EXPECT_EQ(testsupport::titlesOf(path), (QStringList{"Book 0", "Book 1", "Book 2"}));

    // An insert refused the same way adds no record.
    edit::StoredRecord none;
    v[f::YearPub] = "";
    v[f::Pages] = "many";
    EXPECT_FALSE(edit::writeRecord(collection, true, v, settings_, none).ok());
    EXPECT_EQ(collection.count(), 3u);
    EXPECT_FALSE(collection.hasPendingRecord());
    // Corrected, the update goes through.
    v[f::Pages] = "300";
    EXPECT_TRUE(edit::writeRecord(collection, false, v, settings_, base).ok());
    EXPECT_EQ(testsupport::titlesOf(path), (QStringList{"Half written?", "Book 1", "Book 2"}));
}

TEST_F(RecordWrites, ARecordAnotherUserChangedIsNotOverwrittenBlindly) {
    edit::FormValues v = edit::recordValues(collection.table(), formats);
    edit::StoredRecord base = edit::storedRecord(collection.table());
    {
        dbase::Table other;
        other.setFileName(path.toStdString());
        other.setMode(dbase::OpenMode::Shared);
        other.open();
        other.first();
        other.edit();
        other.setString(other.fieldIndex("Author"), "Other user");
        other.post();
    }
    v[f::Title] = "Mine";
    const auto refused = edit::writeRecord(collection, false, v, settings_, base);
    EXPECT_EQ(refused.kind, edit::UpdateResult::Kind::ChangedByOther);
    EXPECT_FALSE(collection.hasPendingRecord());
    lastTitle = "Book 0";
    EXPECT_EQ(stored("Author"), "Other user");
    // Told, the user may write over it.
    ASSERT_TRUE(edit::writeRecord(collection, false, v, settings_, base).ok());
    lastTitle = "Mine";
    EXPECT_EQ(stored("Author"), "Author 0");
}

}  // namespace
