// The grid model over a real collection file.
#include "data/grid_model.h"

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "data/collection.h"
#include "data/error_text.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"

using books::GridModel;

namespace {

constexpr int kTitle = 0, kAuthor = 1, kYear = 2, kCost = 6, kPurch = 11, kCheckOut = 16;

class GridModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("BOOKS.DBF");
        testsupport::writeSampleCollection(path, 5);
        table.setFileName(path.toStdString());
        table.open();
        model = std::make_unique<GridModel>(&table, settings_);
        // Fatal: a broken model contract aborts the run instead of only
        // printing a warning nobody reads.
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        model.reset();
        table.close();
    }
    QString text(int row, int column) const { return model->index(row, column).data().toString(); }

    QTemporaryDir dir;
    QString path;
    dbase::Table table;
    // The model's own settings: a test changes their formats and captions
    // without touching the program's.
    settings::Settings settings_;
    settings::Formats& formats = settings_.formats;
    std::unique_ptr<GridModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

}  // namespace

TEST_F(GridModelTest, RowsAreTheTableRecordsAndColumnsTheBookFields) {
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->columnCount(), 36);
    EXPECT_EQ(text(0, kTitle), "Book 0");
    EXPECT_EQ(text(4, kTitle), "Book 4");
    EXPECT_EQ(text(2, kAuthor), "Author 2");
    EXPECT_EQ(text(3, kYear), "1993");
    EXPECT_EQ(text(1, kCost), "1.50");
    EXPECT_EQ(model->headerData(kPurch, Qt::Horizontal).toString(), "Purchase Date");
    EXPECT_EQ(model->headerData(kCheckOut, Qt::Horizontal).toString(), "Checked Out");
    // Numbers are right-aligned, text left.
    EXPECT_TRUE(model->index(0, kCost).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(model->index(0, kTitle).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
}

TEST_F(GridModelTest, DatesFollowTheDateFormatAndCheckOutIsACheckBox) {
    // Dates go through the model's formats: switching the format and
    // re-reading shows the same date in the new form, the program's own
    // format untouched.
    ASSERT_TRUE(formats.setDateFormat(1));
    model->reload();
    const QString first = text(2, kPurch);
    EXPECT_EQ(first, formats.dateToText(QDate(1996, 3, 3)));
    for (int code = 2; code <= settings::kDateFormatCount; ++code) {
        ASSERT_TRUE(formats.setDateFormat(code));
        model->reload();
        EXPECT_EQ(text(2, kPurch), formats.dateToText(QDate(1996, 3, 3))) << "format " << code;
        EXPECT_EQ(formats.textToDate(text(2, kPurch)), QDate(1996, 3, 3)) << "format " << code;
    }
    EXPECT_EQ(settings::settings().formats.dateFormat(), 1);
    EXPECT_EQ(model->index(0, kCheckOut).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->index(1, kCheckOut).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(model->index(0, kCheckOut).data(Qt::DisplayRole).isValid());
    EXPECT_FALSE(model->index(0, kTitle).data(Qt::CheckStateRole).isValid());
}

// A date whose day and month differ shows them in the format's order: a
// day and month swapped (or taken from the wrong place) would pass with
// 3 March.
TEST_F(GridModelTest, ADateShowsDayAndMonthInTheFormatsOrder) {
    table.moveToPosition(2);
    table.edit();
    table.setDate(table.fieldIndex(fields::bookField(kPurch + 1).name), dbase::Date{1996, 3, 14});
    table.post();
    ASSERT_TRUE(formats.setDateFormat(1));  // mm/dd/yy
    model->reload();
    EXPECT_EQ(text(2, kPurch), "3/14/96");
    ASSERT_TRUE(formats.setDateFormat(10));  // dd/mm/yyyy
    model->reload();
    EXPECT_EQ(text(2, kPurch), "14/3/1996");
    EXPECT_EQ(formats.textToDate(text(2, kPurch)), QDate(1996, 3, 14));
}

TEST_F(GridModelTest, FollowsTheFilterOrderAndReopeningOfTheTable) {
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    const int author = table.fieldIndex("Author");
    table.setFilter([author](const dbase::Table& t) { return t.asString(author) == "Author 1"; });
    table.refresh();
    EXPECT_GE(resets.count(), 1);
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(text(0, kTitle), "Book 1");
    EXPECT_EQ(text(1, kTitle), "Book 4");

    table.setFilter({});
    table.close();
    EXPECT_EQ(model->rowCount(), 0);
    table.open();
    EXPECT_EQ(model->rowCount(), 5);
}

TEST_F(GridModelTest, FollowsTheIndexOrder) {
    table.close();
    table.addIndexTag("NewIndex", "UPPER(TITLE)");
    table.setIndexTag("NewIndex");
    table.open();
    EXPECT_EQ(model->rowCount(), 5);
    // A new record that sorts first shows first.
    table.append();
    table.setString(table.fieldIndex("Title"), "AAA first");
    table.post();
    EXPECT_EQ(model->rowCount(), 6);
    EXPECT_EQ(text(0, kTitle), "AAA first");
}

// A large table is counted after its first screen: until then the rows are
// the tag's records, deleted ones included, and the rows shown are already
// the right records; the count then takes off the rows it does not reach.
TEST_F(GridModelTest, ALargeTableIsCountedAfterItsFirstScreen) {
    table.close();
    table.addIndexTag("NewIndex", "UPPER(TITLE)");
    table.setIndexTag("NewIndex");
    table.open();
    for (const std::uint32_t r : {1u, 3u}) {  // "Book 0" and "Book 2"
        ASSERT_TRUE(table.gotoRecNo(r));
        table.deleteRecord();
    }
    table.close();
    model->setCountLaterFrom(5);  // five records make a large table here
    table.open();
    QSignalSpy settled(model.get(), &GridModel::countSettled);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_TRUE(model->countPutOff());
    EXPECT_FALSE(table.recordCountKnown());
    EXPECT_EQ(text(0, kTitle), "Book 1");
    EXPECT_EQ(text(2, kTitle), "Book 4");
    EXPECT_EQ(text(3, kTitle), "");  // beyond the records shown
    ASSERT_TRUE(settled.wait(2000));
    EXPECT_FALSE(model->countPutOff());
    EXPECT_EQ(model->rowCount(), 3);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 3);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 4);
    EXPECT_EQ(text(2, kTitle), "Book 4");

    // Without a view reading rows the count comes after a short wait; with a
    // filter, or when the table is small, it is taken at once.
    table.refresh();
    EXPECT_TRUE(model->countPutOff());
    EXPECT_TRUE(settled.wait(2000));
    EXPECT_EQ(model->rowCount(), 3);
    const int author = table.fieldIndex("Author");
    table.setFilter([author](const dbase::Table& t) { return t.asString(author) != "Author 1"; });
    EXPECT_FALSE(model->countPutOff());
    EXPECT_EQ(model->rowCount(), 1);  // "Book 3" of "Author 0"
    table.setFilter({});
    model->setCountLaterFrom(6);
    table.refresh();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_FALSE(model->countPutOff());
}

TEST_F(GridModelTest, EditingIsRefusedWhileFieldEditingIsOff) {
    EXPECT_FALSE(model->flags(model->index(0, kTitle)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, kTitle), "Changed"));
    EXPECT_EQ(testsupport::fieldOf(path, "Book 0", "Title"), "Book 0");
    model->setFieldEditing(true);
    EXPECT_TRUE(model->flags(model->index(0, kTitle)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(model->index(0, kCheckOut)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model->flags(model->index(0, kCheckOut)) & Qt::ItemIsEditable);
}

TEST_F(GridModelTest, CellEditsArePostedToTheFile) {
    model->setFieldEditing(true);
    QSignalSpy posted(model.get(), &GridModel::recordPosted);
    ASSERT_TRUE(model->setData(model->index(1, kAuthor), "Someone Else"));
    ASSERT_TRUE(model->setData(model->index(1, kCheckOut), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(model->setData(model->index(1, kPurch), "12/25/99"));
    ASSERT_TRUE(model->setData(model->index(1, kYear), " 2001 "));
    EXPECT_EQ(posted.count(), 4);
    EXPECT_EQ(text(1, kAuthor), "Someone Else");
    EXPECT_EQ(table.state(), dbase::TableState::Browse);
    // Another reader of the file sees the values.
    EXPECT_EQ(testsupport::fieldOf(path, "Book 1", "Author"), "Someone Else");
    EXPECT_EQ(testsupport::fieldOf(path, "Book 1", "CheckOut"), "Yes");
    EXPECT_EQ(testsupport::fieldOf(path, "Book 1", "PurchDate"), "19991225");
    EXPECT_EQ(testsupport::fieldOf(path, "Book 1", "YearPub").trimmed(), "2001");
}

TEST_F(GridModelTest, RefusedValueLeavesTheRecordAndIsReported) {
    model->setFieldEditing(true);
    QSignalSpy failed(model.get(), &GridModel::editFailed);
    EXPECT_FALSE(model->setData(model->index(0, kYear), "nineteen"));
    EXPECT_FALSE(model->setData(model->index(0, kPurch), "31/31/31"));
    EXPECT_EQ(failed.count(), 2);
    EXPECT_EQ(table.state(), dbase::TableState::Browse);
    EXPECT_EQ(testsupport::fieldOf(path, "Book 0", "YearPub").trimmed(), "1990");
    EXPECT_EQ(testsupport::fieldOf(path, "Book 0", "PurchDate"), "19960301");
}

// The messages name the field as the user knows it: by its display name,
// never by the table's own field name.
TEST_F(GridModelTest, RefusedValuesAreReportedWithTheFieldsDisplayName) {
    settings_.fieldNames[3] = "Year of print";
    model->setFieldEditing(true);
    QSignalSpy failed(model.get(), &GridModel::editFailed);
    EXPECT_FALSE(model->setData(model->index(0, kYear), "nineteen"));
    EXPECT_FALSE(model->setData(model->index(0, kYear), "123456789012"));
    EXPECT_FALSE(model->setData(model->index(0, kPurch), "31/31/31"));
    ASSERT_EQ(failed.count(), 3);
    for (int i = 0; i < 2; ++i) {
        const QString m = failed.at(i).at(0).toString();
        EXPECT_TRUE(m.contains("field \"Year of print\"")) << m.toStdString();
        EXPECT_FALSE(m.contains("YEARPUB", Qt::CaseInsensitive)) << m.toStdString();
    }
    EXPECT_EQ(failed.at(2).at(0).toString(),
              "'31/31/31' is not a valid date for field \"Purchase Date\"");
}

TEST(ErrorText, OnlyBookFieldNamesAfterTheWordFieldAreReplaced) {
    const settings::Settings s;
    EXPECT_EQ(books::withDisplayNames("The field PURCHDATE cannot be read as a date.", s),
              "The field \"Purchase Date\" cannot be read as a date.");
    EXPECT_EQ(books::withDisplayNames("The date field checkdate cannot be read (field Title).", s),
              "The date field \"Check Out Date\" cannot be read (field \"Title\").");
    // Not a book field, or not after "field": left as it is.
    EXPECT_EQ(books::withDisplayNames("The field NOSUCH is missing; TITLE stays.", s),
              "The field NOSUCH is missing; TITLE stays.");
    EXPECT_EQ(books::withDisplayNames("subfield TITLE", s), "subfield TITLE");
}

// The names are the captions of the settings given, not the program's.
TEST(ErrorText, NamesFieldsByTheCaptionsOfTheSettingsGiven) {
    settings::Settings s;
    s.fieldNames[12] = QStringLiteral("Bought");
    const dbase::Error e(dbase::Error::Kind::Io, "The field PURCHDATE cannot be written.");
    EXPECT_EQ(books::errorText(e, s), "The field \"Bought\" cannot be written.");
    EXPECT_EQ(books::errorText(e, settings::Settings()),
              "The field \"Purchase Date\" cannot be written.");
    EXPECT_EQ(books::displayName(12, s), "Bought");
}

TEST_F(GridModelTest, PendingInsertShowsAsAnExtraRowUntilPosted) {
    model->setFieldEditing(true);
    table.append();
    model->reload();
    ASSERT_EQ(model->rowCount(), 6);
    EXPECT_EQ(model->insertRow(), 5);
    EXPECT_EQ(model->headerData(5, Qt::Vertical).toString(), "*");
    // Values go to the edit buffer; nothing reaches the file before post.
    ASSERT_TRUE(model->setData(model->index(5, kTitle), "New Book"));
    EXPECT_EQ(text(5, kTitle), "New Book");
    EXPECT_EQ(testsupport::titlesOf(path).size(), 5);
    // Only the open record takes values.
    EXPECT_FALSE(model->setData(model->index(0, kTitle), "Other"));
    table.post();
    model->reload();
    EXPECT_EQ(model->rowCount(), 6);
    EXPECT_EQ(testsupport::titlesOf(path).last(), "New Book");
}

TEST_F(GridModelTest, IndicatorMarksTheCurrentRow) {
    model->setIndicatorRow(2);
    EXPECT_FALSE(model->headerData(2, Qt::Vertical).toString().isEmpty());
    EXPECT_TRUE(model->headerData(1, Qt::Vertical).toString().isEmpty());
}
