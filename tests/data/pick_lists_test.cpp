// The pick-list files: what reading keeps and what writing leaves.
#include "data/pick_lists.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(PickLists, ReadingTrimsCutsAndSkipsBlankLinesAndAMissingFileIsEmpty) {
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("AUTHOR.LST"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("  Austen \r\n\r\n   \nBront\xeb\n" + QByteArray(300, 'x') + "\n");
    }
    books::PickLists lists(dir.path());
    lists.setItems(books::PickList::Rating, {"stale"});
    lists.loadAll();
    const QStringList authors = lists.items(books::PickList::Author);
    ASSERT_EQ(authors.size(), 3);
    EXPECT_EQ(authors[0], "Austen");
    EXPECT_EQ(authors[1], QString::fromUtf8("Bront\u00eb"));  // Windows-1252 file
    EXPECT_EQ(authors[2].size(), 255);
    EXPECT_TRUE(lists.items(books::PickList::Rating).isEmpty());
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
