// The open collection without any window: opening with the sort tag,
// switching, files it cannot take (held by another process, not a table,
// not writable), pack and rebuild refusals, the pending record and the
// notifications windows observe.
#include "data/open_collection.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "data/error_text.h"
#include "tests/data/files_test_util.h"
#include "tests/dbase/fault_file_system.h"

namespace {

class OpenCollectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        first = dir.filePath("FIRST.DBF");
        second = dir.filePath("my.books.dbf");
        filestest::writeBooks(first, {"c", "a", "b"});
        filestest::writeBooks(second, {"z", "y"});
        collection.setSortLevels({2, 0, 0, 0});  // by author
        collection.openWithSortTag(first);
    }

    QStringList titles() {
        QStringList out;
        dbase::Table& t = collection.table();
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            out << QString::fromStdString(t.asString(t.fieldIndex("Title")));
        return out;
    }

    // The previous collection is still the open one, in its order.
    void expectFirstStillOpen() {
        EXPECT_EQ(collection.path(), first);
        EXPECT_EQ(collection.name(), "FIRST");
        ASSERT_TRUE(collection.isOpen());
        EXPECT_EQ(collection.table().mode(), dbase::OpenMode::Shared);
        EXPECT_EQ(titles(), (QStringList{"a", "b", "c"}));
    }

    QTemporaryDir dir;
    QString first, second;
    books::OpenCollection collection;
};

TEST_F(OpenCollectionTest, OpensWithTheSortTagAndNamesTheFile) {
    EXPECT_EQ(collection.sortExpression(), "Upper(Left(Author,20))");
    EXPECT_EQ(collection.indexPath(), dir.path() + "/FIRST.MDX");
    expectFirstStillOpen();
    EXPECT_EQ(collection.count(), 3u);
}

TEST_F(OpenCollectionTest, SwitchKeepsTheWholeFileNameAndTellsTheWindows) {
    QSignalSpy switched(&collection, &books::OpenCollection::switched);
    std::string tagProblem = "unset";
    collection.switchTo(second, books::SortTagRule::UnlessHeld, &tagProblem);
    EXPECT_TRUE(tagProblem.empty());
    EXPECT_EQ(switched.count(), 1);
    EXPECT_EQ(collection.path(), second);
    EXPECT_EQ(collection.name(), "my");
    EXPECT_EQ(collection.indexPath(), dir.path() + "/my.MDX");
    EXPECT_EQ(titles(), (QStringList{"y", "z"}));  // the tag was built
}

// Sets byte `at` of a file.
void patchByte(const QString& path, qint64 at, char value) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly));
    ASSERT_TRUE(f.seek(at));
    ASSERT_EQ(f.write(&value, 1), 1);
}

// What the engine worked around when it opened the file is sent once at the
// end of the operation that opened it (however often it opened the file),
// and not again by later operations once the file is whole.
TEST_F(OpenCollectionTest, WhatAnOpenWorkedAroundIsToldOnceAfterTheOperation) {
    QSignalSpy warnings(&collection, &books::OpenCollection::openWarnings);
    patchByte(second, 4, 4);  // the header counts 4 records; the file holds 2
    collection.switchTo(second, books::SortTagRule::UnlessHeld);
    ASSERT_EQ(warnings.count(), 1);
    QStringList texts = warnings.at(0).at(0).toStringList();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains("counts 4 records, but the file holds only 2"))
        << texts[0].toStdString();
    EXPECT_EQ(titles(), (QStringList{"y", "z"}));

    // A change corrects the header: reopening tells nothing.
    collection.insert();
    collection.post();
    collection.reopenShared();
    EXPECT_EQ(warnings.count(), 1);

    // An index a program stopped changing (its count of changers left above
    // zero) is rebuilt by the next open, which says so.
    const QString mdx = QString::fromStdString(collection.table().indexFileName());
    collection.table().close();
    patchByte(mdx, 48, 1);
    collection.reopenShared();
    ASSERT_EQ(warnings.count(), 2);
    texts = warnings.at(1).at(0).toStringList();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith("The index was rebuilt")) << texts[0].toStdString();
    EXPECT_EQ(filestest::headerByte(mdx, 48), 0);
    collection.reopenShared();
    EXPECT_EQ(warnings.count(), 2);
}

// A new sort order replaces the tag in one step: a disk that fills while
// the new tag is built leaves the old tag and its order, in the program and
// in the file for the next start.
TEST_F(OpenCollectionTest, ASortOrderChangeThatFailsKeepsTheOldTag) {
    collection.table().close();
    std::string failure;
    {
        tktest::FaultFileSystem fs;
        fs.watch(dir.path().toStdString());
        fs.arm(tktest::FaultFileSystem::Fault::DiskFull, 1);
        EXPECT_EQ(collection.applySortOrder({1, 0, 0, 0}, {}, &failure),
                  books::OpenCollection::SortResult::Failed);
        fs.disarm();
        collection.table().close();
    }
    EXPECT_FALSE(failure.empty());
    collection.reopenShared();
    EXPECT_EQ(collection.sortExpression(), "Upper(Left(Author,20))");
    EXPECT_EQ(collection.table().indexTag(), "NEWINDEX");
    expectFirstStillOpen();
    collection.table().close();
    EXPECT_EQ(filestest::titles(first, "NewIndex"), (QStringList{"a", "b", "c"}));
}

TEST_F(OpenCollectionTest, FilesThatCannotBeOpenedLeaveThePreviousCollectionOpen) {
    QSignalSpy switched(&collection, &books::OpenCollection::switched);
    // Not a table at all.
    const QString text = dir.filePath("NOTES.DBF");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just some notes, not a table\n");
    }
    try {
        collection.switchTo(text, books::SortTagRule::UnlessHeld);
        ADD_FAILURE() << "a text file was opened";
    } catch (const dbase::Error& e) {
        EXPECT_NE(e.kind(), dbase::Error::Kind::Locked);
    }
    expectFirstStillOpen();

    // Missing.
    EXPECT_THROW(collection.switchTo(dir.filePath("GONE.DBF"), books::SortTagRule::Always),
                 dbase::Error);
    expectFirstStillOpen();

    // Held exclusive by another process.
    filestest::Holder other(second, "exclusive");
    ASSERT_TRUE(other.ready());
    try {
        collection.switchTo(second, books::SortTagRule::UnlessHeld);
        ADD_FAILURE() << "a file held exclusive was opened";
    } catch (const dbase::Error& e) {
        EXPECT_EQ(e.kind(), dbase::Error::Kind::Locked);
    }
    expectFirstStillOpen();
    EXPECT_EQ(switched.count(), 0);
}

// A switch that fails when the previous collection cannot be opened again
// either: both failures reach the user, under the kind of the first.
TEST_F(OpenCollectionTest, FailedSwitchWithThePreviousGoneTellsBothFailures) {
    const QString text = dir.filePath("NOTES.DBF");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just some notes, not a table\n");
    }
    ASSERT_TRUE(QFile::rename(first, dir.filePath("MOVED.DBF")));
    try {
        collection.switchTo(text, books::SortTagRule::UnlessHeld);
        ADD_FAILURE() << "a text file was opened";
    } catch (const dbase::Error& e) {
        EXPECT_EQ(e.kind(), dbase::Error::Kind::NotDBase);
        const std::string what = e.what();
        EXPECT_NE(what.find("not a dBase table"), std::string::npos) << what;
        EXPECT_NE(what.find("The previous collection could not be opened again"), std::string::npos)
            << what;
        EXPECT_NE(what.find("FIRST.DBF"), std::string::npos) << what;
    }
    EXPECT_FALSE(collection.isOpen());
}

TEST_F(OpenCollectionTest, ReadOnlyFileIsRefusedAndThePreviousStaysOpen) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    ASSERT_TRUE(QFile::setPermissions(second, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    EXPECT_THROW(collection.switchTo(second, books::SortTagRule::UnlessHeld), dbase::Error);
    expectFirstStillOpen();
}

TEST_F(OpenCollectionTest, HeldFileOpensInItsOwnOrderWithItsIndexUntouched) {
    filestest::Holder other(second, "shared");
    ASSERT_TRUE(other.ready());
    collection.switchTo(second, books::SortTagRule::UnlessHeld);
    EXPECT_FALSE(collection.table().hasIndexFile());
    EXPECT_EQ(titles(), (QStringList{"z", "y"}));
}

TEST_F(OpenCollectionTest, CreateNewReplacesAFreeFileAndRefusesAHeldOne) {
    collection.switchTo(second, books::SortTagRule::UnlessHeld);
    {
        filestest::Holder other(first, "shared");
        ASSERT_TRUE(other.ready());
        EXPECT_EQ(collection.createNew(first), books::OpenCollection::CreateResult::InUse);
        EXPECT_EQ(collection.path(), second);
        EXPECT_EQ(filestest::titles(first), (QStringList{"c", "a", "b"}));
    }
    // The open collection itself may be replaced: its own hold does not count.
    EXPECT_EQ(collection.createNew(second), books::OpenCollection::CreateResult::Created);
    EXPECT_EQ(collection.path(), second);
    EXPECT_TRUE(collection.isOpen());
    EXPECT_EQ(collection.count(), 0u);
    EXPECT_TRUE(collection.table().hasIndexFile());
}

TEST_F(OpenCollectionTest, PackAndRebuildAreRefusedWhileAnotherProcessHoldsTheFile) {
    dbase::Table& t = collection.table();
    t.first();
    t.deleteRecord();
    {
        filestest::Holder other(first, "shared");
        ASSERT_TRUE(other.ready());
        try {
            collection.pack();
            ADD_FAILURE() << "packed a held file";
        } catch (const dbase::Error& e) {
            EXPECT_EQ(e.kind(), dbase::Error::Kind::Locked);
        }
        EXPECT_TRUE(collection.isOpen());
        EXPECT_EQ(t.mode(), dbase::OpenMode::Shared);
        EXPECT_THROW(collection.rebuildIndexes(), dbase::Error);
        EXPECT_TRUE(collection.isOpen());
        EXPECT_EQ(t.physicalRecordCount(), 3u);
    }
    collection.pack();
    EXPECT_EQ(t.physicalRecordCount(), 2u);
    EXPECT_EQ(t.mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(titles(), (QStringList{"b", "c"}));
}

TEST_F(OpenCollectionTest, SortOrderIsRefusedWhenHeldAndPutBackWhenItsRecordFails) {
    {
        filestest::Holder other(first, "shared");
        ASSERT_TRUE(other.ready());
        EXPECT_EQ(collection.applySortOrder({1, 0, 0, 0}, {}),
                  books::OpenCollection::SortResult::InUse);
        expectFirstStillOpen();
    }
    const auto failing = [] {
        throw books::Error(dbase::Error::Kind::DiskFull, QStringLiteral("The disk is full."));
    };
    std::string failure;
    EXPECT_EQ(collection.applySortOrder({1, 0, 0, 0}, failing, &failure),
              books::OpenCollection::SortResult::Failed);
    EXPECT_EQ(failure, "The disk is full.");
    EXPECT_EQ(collection.sortExpression(), "Upper(Left(Author,20))");
    expectFirstStillOpen();
    EXPECT_EQ(filestest::titles(first, "NewIndex"), (QStringList{"a", "b", "c"}));

    bool persisted = false;
    EXPECT_EQ(collection.applySortOrder({1, 0, 0, 0}, [&] { persisted = true; }),
              books::OpenCollection::SortResult::Applied);
    EXPECT_TRUE(persisted);
    EXPECT_EQ(collection.sortExpression(), "Upper(Left(Title,20))");
    EXPECT_EQ(collection.table().mode(), dbase::OpenMode::Shared);
}

TEST_F(OpenCollectionTest, PendingRecordIsPostedOrCancelledAndEveryChangeIsAnnounced) {
    QSignalSpy changed(&collection, &books::OpenCollection::recordsChanged);
    dbase::Table& t = collection.table();
    collection.insert();
    EXPECT_TRUE(collection.hasPendingRecord());
    t.setString(t.fieldIndex("Title"), "new");
    t.setString(t.fieldIndex("Author"), "A 0");
    collection.post();
    EXPECT_FALSE(collection.hasPendingRecord());
    EXPECT_EQ(titles(), (QStringList{"new", "a", "b", "c"}));

    collection.insert();
    t.setString(t.fieldIndex("Title"), "dropped");
    collection.cancel();
    EXPECT_FALSE(collection.hasPendingRecord());
    EXPECT_EQ(collection.count(), 4u);

    t.first();
    collection.edit();
    EXPECT_EQ(t.state(), dbase::TableState::Edit);
    t.setString(t.fieldIndex("Title"), "renamed");
    collection.deleteCurrent();  // the pending change is dropped, the record deleted
    EXPECT_EQ(titles(), (QStringList{"a", "b", "c"}));
    EXPECT_GE(changed.count(), 6);

    // Nothing pending: post and cancel change nothing and say nothing.
    changed.clear();
    collection.post();
    collection.cancel();
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(OpenCollectionTest, RecordFilterHidesRecordsUntilCleared) {
    EXPECT_FALSE(collection.hasRecordFilter());
    collection.setRecordFilter(
        [](const dbase::Table& t) { return t.asString(t.fieldIndex("Title")) != "b"; });
    collection.table().refresh();
    EXPECT_EQ(titles(), (QStringList{"a", "c"}));
    collection.clearRecordFilter();
    collection.table().refresh();
    EXPECT_EQ(collection.count(), 3u);
}

}  // namespace
