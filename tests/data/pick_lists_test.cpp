// The pick-list files: what reading keeps and what writing leaves.
#include "data/pick_lists.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings/text_file.h"

namespace {

TEST(PickLists, ReadingKeepsBlanksAroundEntriesCutsAndSkipsBlankLines) {
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("AUTHOR.LST"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // CR LF and LF-only lines, a Windows-1252 letter, a line too long.
        f.write("Smith\r\n\r\n   \r\n Jones \nBront\xeb\nSmith\n" + QByteArray(300, 'x') + "\n");
    }
    books::PickLists lists(dir.path());
    lists.setItems(books::PickList::Rating, {"stale"});
    lists.loadAll();
    const QStringList authors = lists.items(books::PickList::Author);
    ASSERT_EQ(authors.size(), 5);
    EXPECT_EQ(authors[0], "Smith");
    EXPECT_EQ(authors[1], " Jones ");
    EXPECT_EQ(authors[2], QString::fromUtf8("Bront\u00eb"));  // Windows-1252 file
    EXPECT_EQ(authors[3], "Smith");                           // duplicates in a file stay
    EXPECT_EQ(authors[4].size(), 255);
    EXPECT_TRUE(lists.items(books::PickList::Rating).isEmpty());  // missing file
}

TEST(PickLists, AdditionsAreExactCaseSensitiveAndIgnoreEmptyText) {
    books::PickLists lists;
    lists.setItems(books::PickList::Author, {"Smith", " Jones "});
    EXPECT_FALSE(lists.add(books::PickList::Author, "  Smith "));
    EXPECT_FALSE(lists.add(books::PickList::Author, "   "));
    EXPECT_FALSE(lists.add(books::PickList::Author, ""));
    EXPECT_TRUE(lists.add(books::PickList::Author, "smith"));
    // " Jones " from the file is not "Jones": the blanks count.
    EXPECT_TRUE(lists.add(books::PickList::Author, " Jones "));
    EXPECT_TRUE(lists.add(books::PickList::Author, "Le  Carr\u00e9"));
    EXPECT_EQ(lists.items(books::PickList::Author),
              (QStringList{"Smith", " Jones ", "smith", "Jones", "Le  Carr\u00e9"}));
    EXPECT_TRUE(lists.items(books::PickList::Category).isEmpty());
}

TEST(PickLists, FilesAreWrittenInUtf8WithCrLfAndDuplicatesKept) {
    QTemporaryDir dir;
    books::PickLists lists(dir.path());
    lists.setItems(books::PickList::Condition,
                   {"Fine", " Good ", "Fine", QString::fromUtf8("\u00c9tat")});
    ASSERT_TRUE(lists.save(books::PickList::Condition));
    QFile f(dir.filePath("CONDITION.LST"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Fine\r\n Good \r\nFine\r\n\xc3\x89tat\r\n"));
}

TEST(PickLists, AListThatCannotBeWrittenIsNamedAndTheOthersAreStillWritten) {
    QTemporaryDir dir;
    books::PickLists lists(dir.path());
    for (int n = 1; n <= books::kPickListCount; ++n)
        lists.setItems(static_cast<books::PickList>(n), {QString::number(n)});
    // A folder where RATING.LST should be: that one file cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("RATING.LST"));
    const QString problems = lists.saveAll();
    EXPECT_TRUE(problems.contains("RATING.LST")) << problems.toStdString();
    EXPECT_EQ(problems.count('\n'), 0);
    for (int n = 1; n <= books::kPickListCount; ++n) {
        const auto list = static_cast<books::PickList>(n);
        if (list == books::PickList::Rating)
            continue;
        books::PickLists again(dir.path());
        again.load(list);
        EXPECT_EQ(again.items(list), QStringList{QString::number(n)}) << n;
    }
}

TEST(PickLists, AFailedWriteLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    books::PickLists lists(dir.path());
    lists.setItems(books::PickList::Author, {"Austen", "Bronte"});
    ASSERT_TRUE(lists.save(books::PickList::Author));
    lists.setItems(books::PickList::Author, {"Carroll", "Dickens", "Eliot"});
    {
        settings::WriteFaultForTesting fault(5);
        QString error;
        EXPECT_FALSE(lists.save(books::PickList::Author, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    books::PickLists again(dir.path());
    again.load(books::PickList::Author);
    EXPECT_EQ(again.items(books::PickList::Author), (QStringList{"Austen", "Bronte"}));
}

TEST(PickLists, SavedListReadsBackAndEachListHasItsOwnFile) {
    QTemporaryDir dir;
    books::PickLists lists(dir.path());
    lists.setItems(books::PickList::Publisher, {"One", QString::fromUtf8("Zw\u00f6lf")});
    ASSERT_TRUE(lists.save(books::PickList::Publisher));
    EXPECT_TRUE(QFile::exists(dir.filePath("PUBLISH.LST")));
    books::PickLists again(dir.path());
    again.load(books::PickList::Publisher);
    EXPECT_EQ(again.items(books::PickList::Publisher), lists.items(books::PickList::Publisher));

    QStringList names;
    for (int n = 1; n <= books::kPickListCount; ++n)
        names << books::PickLists::fileName(static_cast<books::PickList>(n));
    names.removeDuplicates();
    EXPECT_EQ(names.size(), books::kPickListCount);
}

TEST(PickLists, SaveIntoAFolderThatCannotHoldFilesFailsWithAReason) {
    QTemporaryDir dir;
    // A plain file where the folder should be.
    const QString notAFolder = dir.filePath("file");
    {
        QFile f(notAFolder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    books::PickLists lists(notAFolder);
    lists.setItems(books::PickList::Author, {"x"});
    QString error;
    EXPECT_FALSE(lists.save(books::PickList::Author, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace

TEST(PickLists, KnowWhetherTheyChangedSinceTheyWereReadOrAllWritten) {
    QTemporaryDir dir;
    books::PickLists lists(dir.path());
    lists.loadAll();
    EXPECT_FALSE(lists.unsaved());
    EXPECT_FALSE(lists.add(books::PickList::Author, "  "));
    EXPECT_FALSE(lists.unsaved());
    EXPECT_TRUE(lists.add(books::PickList::Author, "Woolf"));
    EXPECT_TRUE(lists.unsaved());
    EXPECT_TRUE(lists.saveAll().isEmpty());
    EXPECT_FALSE(lists.unsaved());
    EXPECT_FALSE(lists.add(books::PickList::Author, "Woolf"));
    EXPECT_FALSE(lists.unsaved());
    lists.setItems(books::PickList::Rating, {"Fine"});
    EXPECT_TRUE(lists.unsaved());
    // A write that fails leaves the change to be written later.
    ASSERT_TRUE(QFile::remove(dir.filePath("RATING.LST")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("RATING.LST"));
    EXPECT_FALSE(lists.saveAll().isEmpty());
    EXPECT_TRUE(lists.unsaved());
    lists.loadAll();
    EXPECT_FALSE(lists.unsaved());
}
