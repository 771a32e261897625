// Layout checks, the index flag, the in-use test and the last-files list.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/collection.h"
#include "data/database_files.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "tests/data/files_test_util.h"

namespace {

using books::Layout;

std::vector<dbase::FieldDef> oldLayout(std::string_view first, const auto& names) {
    std::vector<dbase::FieldDef> defs{{std::string(first), dbase::FieldType::Character, 6, 0}};
    for (std::string_view n : names)
        defs.push_back({std::string(n), dbase::FieldType::Character, 20, 0});
    return defs;
}

class DatabaseFilesTest : public ::testing::Test {
  protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    dbase::Table check;
};

TEST_F(DatabaseFilesTest, BookLayoutIsRecognisedWhateverTheLetterCaseOfTheNames) {
    const QString path = file("BOOKS.DBF");
    books::createCollection(path);
    EXPECT_TRUE(books::hasLayout(check, path, Layout::Book));
    EXPECT_FALSE(books::hasLayout(check, path, Layout::Version2));
    EXPECT_FALSE(books::hasLayout(check, path, Layout::Version1));
    EXPECT_FALSE(check.isOpen());

    filestest::renameField(path, 0, "Title");
    filestest::renameField(path, 18, "checkname");
    EXPECT_TRUE(books::hasLayout(check, path, Layout::Book));
}

TEST_F(DatabaseFilesTest, OtherLayoutsAreRefused) {
    const QString wrongName = file("WRONG.DBF");
    books::createCollection(wrongName);
    filestest::renameField(wrongName, 35, "USERDEF7");
    EXPECT_FALSE(books::hasLayout(check, wrongName, Layout::Book));

    // The right names in another order.
    const QString swapped = file("SWAPPED.DBF");
    books::createCollection(swapped);
    filestest::renameField(swapped, 0, "AUTHOR");
    filestest::renameField(swapped, 1, "TITLE");
    EXPECT_FALSE(books::hasLayout(check, swapped, Layout::Book));

    // One field short.
    auto defs = books::bookFieldDefs();
    defs.pop_back();
    const QString shorter = file("SHORT.DBF");
    dbase::Table::create(shorter.toStdString(), defs);
    EXPECT_FALSE(books::hasLayout(check, shorter, Layout::Book));
}

TEST_F(DatabaseFilesTest, EarlierLayoutsIgnoreTheirFirstField) {
    const QString v2 = file("B2LOG.DBF");
    dbase::Table::create(v2.toStdString(), oldLayout("RECNUM", books::kVersion2FieldNames));
    EXPECT_TRUE(books::hasLayout(check, v2, Layout::Version2));
    EXPECT_FALSE(books::hasLayout(check, v2, Layout::Version1));
    EXPECT_FALSE(books::hasLayout(check, v2, Layout::Book));

    const QString v1 = file("BLOG.DBF");
    dbase::Table::create(v1.toStdString(), oldLayout("ANYTHING", books::kVersion1FieldNames));
    EXPECT_TRUE(books::hasLayout(check, v1, Layout::Version1));
    EXPECT_FALSE(books::hasLayout(check, v1, Layout::Version2));

    // Version 1's long names are kept cut to ten characters.
    filestest::renameField(v1, 6, "WherePurchased");
    EXPECT_TRUE(books::hasLayout(check, v1, Layout::Version1));
    filestest::renameField(v1, 6, "WHEREBOUGH");
    EXPECT_FALSE(books::hasLayout(check, v1, Layout::Version1));
}

TEST_F(DatabaseFilesTest, MissingIndexFileClearsTheFlagSoTheTableOpens) {
    const QString path = file("Books.dbf");
    filestest::writeBooks(path, {"b", "a"});
    {
        dbase::Table t;
        t.setFileName(path.toStdString());
        t.addIndexTag("NewIndex", "Upper(Left(Title,20))");
        ASSERT_TRUE(t.hasIndexFile());
        QFile::remove(QString::fromStdString(t.indexFileName()));
    }
    ASSERT_NE(filestest::headerByte(path, 28), 0);
    EXPECT_TRUE(books::hasLayout(check, path, Layout::Book));
    EXPECT_EQ(filestest::headerByte(path, 28), 0);
    EXPECT_EQ(filestest::titles(path), (QStringList{"b", "a"}));
}

TEST_F(DatabaseFilesTest, IndexFlagIsLeftAloneWhenTheIndexExists) {
    const QString path = file("BOOKS.DBF");
    filestest::writeBooks(path, {"b", "a"});
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.addIndexTag("NewIndex", "Upper(Left(Title,20))");
    // The index beside it is found whatever the case of its extension.
    const QString index = QString::fromStdString(t.indexFileName());
    ASSERT_TRUE(QFile::rename(index, file("BOOKS.mdx")));
    EXPECT_TRUE(books::hasLayout(check, path, Layout::Book));
    EXPECT_EQ(filestest::headerByte(path, 28), 1);
    EXPECT_EQ(filestest::titles(path, "NewIndex"), (QStringList{"a", "b"}));
}

TEST_F(DatabaseFilesTest, ClearingTheFlagNeverGrowsOrInventsAFile) {
    const QString tiny = file("TINY.DBF");
    {
        QFile f(tiny);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("abc");
    }
    books::removeMdxByte(tiny);
    EXPECT_EQ(QFile(tiny).size(), 3);
    books::removeMdxByte(file("MISSING.DBF"));
    EXPECT_FALSE(QFile::exists(file("MISSING.DBF")));
    // A file that cannot be read as a table is refused, not crashed on.
    EXPECT_THROW(books::hasLayout(check, tiny, Layout::Book), dbase::Error);
}

// The bytes of a file, to show that a check left it alone.
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(DatabaseFilesTest, FilesThatAreNotTablesAreNeverWritten) {
    // A text file chosen to open, long enough to have a byte 28.
    const QString notes = file("notes.dbf");
    {
        QFile f(notes);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Shopping list: bread, milk, the second volume of the atlas.\n");
    }
    const QByteArray before = contents(notes);
    EXPECT_THROW(books::hasLayout(check, notes, Layout::Book), dbase::Error);
    EXPECT_THROW(books::hasLayout(check, notes, Layout::Version2), dbase::Error);
    EXPECT_EQ(contents(notes), before);
    books::removeMdxByte(notes);
    EXPECT_EQ(contents(notes), before);

    // A table whose field list is damaged is not written either.
    const QString damaged = file("DAMAGED.DBF");
    filestest::writeBooks(damaged, {"a"});
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(10));
        f.write("\x01\x00", 2);  // a record length no field list gives
        ASSERT_TRUE(f.seek(28));
        f.write("\x01", 1);
    }
    const QByteArray damagedBefore = contents(damaged);
    EXPECT_THROW(books::hasLayout(check, damaged, Layout::Book), dbase::Error);
    books::removeMdxByte(damaged);
    EXPECT_EQ(contents(damaged), damagedBefore);
}

TEST_F(DatabaseFilesTest, EarlierVersionsAreReadWithoutWritingToThem) {
    const QString v2 = file("B2LOG.DBF");
    dbase::Table::create(v2.toStdString(), oldLayout("RECNUM", books::kVersion2FieldNames));
    {
        // Its index flag is set, but the index went missing.
        QFile f(v2);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(28));
        f.write("\x01", 1);
    }
    const QByteArray before = contents(v2);
    EXPECT_TRUE(books::hasLayout(check, v2, Layout::Version2));
    EXPECT_FALSE(books::hasLayout(check, v2, Layout::Book));
    EXPECT_EQ(contents(v2), before);
}

TEST_F(DatabaseFilesTest, InUseOnlyWhileSomeoneHoldsTheFile) {
    const QString path = file("BOOKS.DBF");
    filestest::writeBooks(path, {"a"});
    EXPECT_FALSE(books::dbaseInUse(check, path));
    {
        filestest::Holder other(path, "shared");
        ASSERT_TRUE(other.ready());
        EXPECT_TRUE(books::dbaseInUse(check, path));
    }
    {
        filestest::Holder other(path, "exclusive");
        ASSERT_TRUE(other.ready());
        EXPECT_TRUE(books::dbaseInUse(check, path));
    }
    EXPECT_FALSE(books::dbaseInUse(check, path));
    {
        // Another table object of this process holds it just the same.
        dbase::Table mine;
        mine.setFileName(path.toStdString());
        mine.open();
        EXPECT_TRUE(books::dbaseInUse(check, path));
    }
    // The check table is left closed, shared and as read-only as it was.
    check.setReadOnly(true);
    EXPECT_FALSE(books::dbaseInUse(check, path));
    EXPECT_FALSE(check.isOpen());
    EXPECT_EQ(check.mode(), dbase::OpenMode::Shared);
    EXPECT_TRUE(check.readOnly());
    // A missing file is nobody's.
    EXPECT_FALSE(books::dbaseInUse(check, file("NONE.DBF")));
}

TEST(LastFilesTest, SequenceOfOpens) {
    struct Step {
        const char* open;
        books::LastFiles expected;
    };
    // Starting with A open and an empty list.
    const Step steps[] = {
        {"B", {"A", "", "", "", ""}},     {"C", {"B", "A", "", "", ""}},
        {"A", {"C", "B", "", "", ""}},  // A leaves the list, C (the one left) goes on top
        {"D", {"A", "C", "B", "", ""}},   {"E", {"D", "A", "C", "B", ""}},
        {"F", {"E", "D", "A", "C", "B"}}, {"G", {"F", "E", "D", "A", "C"}},  // the fifth is dropped
        {"C", {"G", "F", "E", "D", "A"}},  // C was last: removed from the end
        {"c", {"C", "G", "F", "E", "D"}},  // the comparison is exact
    };
    books::LastFiles list;
    QString current = "A";
    for (const Step& s : steps) {
        books::doLastFiles(list, current, s.open);
        current = s.open;
        EXPECT_EQ(list, s.expected) << "after opening " << s.open;
    }
}

TEST(LastFilesTest, OnlyTheFirstMatchLeaves) {
    books::LastFiles list{"X", "N", "Y", "N", ""};
    books::doLastFiles(list, "P", "N");
    EXPECT_EQ(list, (books::LastFiles{"P", "X", "Y", "N", ""}));
}

}  // namespace
