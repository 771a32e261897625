// The backup and restore runs on real folders: each kind backed up and
// restored and compared, the open collection refused while another process
// holds it, a destination without room, one file as source and destination,
// a restored collection made the open one with its sort tag built afresh.
#include "backup/backup_runs.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"

namespace {

using backup::Outcome;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A table file without its production-index flag (byte 28), which the open
// and the restore set and clear; every other byte must match.
QByteArray withoutIndexFlag(QByteArray bytes) {
    if (bytes.size() > 28)
        bytes[28] = 0;
    return bytes;
}

class BackupRunsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        ASSERT_TRUE(media.isValid());
        ASSERT_TRUE(other.isValid());
        master = programDir.filePath("MASTER.DBF");
        filestest::writeBooks(master, {"c", "a", "b"});
        collection.setSortLevels({2, 0, 0, 0});  // by author
        collection.openWithSortTag(master);
    }
    void TearDown() override { backup::setFreeSpaceProbe({}); }

    QStringList titles() {
        QStringList out;
        dbase::Table& t = collection.table();
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            out << QString::fromStdString(t.asString(t.fieldIndex("Title")));
        return out;
    }
    void expectMasterOpen() {
        EXPECT_EQ(collection.path(), master);
        ASSERT_TRUE(collection.isOpen());
        EXPECT_EQ(collection.table().mode(), dbase::OpenMode::Shared);
        EXPECT_EQ(titles(), (QStringList{"a", "b", "c"}));
    }
    QStringList mediaFiles() const {
        return QDir(media.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir programDir, media, other;
    QString master;
    books::OpenCollection collection;
    const settings::Settings settings_;
};

// ---- The database ----------------------------------------------------------

// The runs' program directory is the run's own; a run that names none
// works in the program's folder.
TEST(BackupProgramDirectory, IsTheRunsFolderOrElseTheProgramsOwn) {
    books::RunState run;
    EXPECT_EQ(backup::programDirectory(run), settings::programDirectory());
    run.programDirectory = QStringLiteral("/somewhere/books");
    EXPECT_EQ(backup::programDirectory(run), QStringLiteral("/somewhere/books"));
}

TEST_F(BackupRunsTest, DatabaseBackedUpAndRestoredByteForByte) {
    const QByteArray original = readFile(master);
    auto r = backup::backupDatabase(collection, media.path());
    ASSERT_EQ(r.outcome, Outcome::Done) << r.detail.toStdString();
    EXPECT_EQ(readFile(media.filePath("MASTER.DBF")), original);
    EXPECT_EQ(mediaFiles(), QStringList{"MASTER.DBF"});  // never the index
    expectMasterOpen();

    // Changed after the backup, then restored from it.
    collection.insert();
    collection.table().setString(collection.table().fieldIndex("Title"), "later");
    collection.post();
    QSignalSpy switched(&collection, &books::OpenCollection::switched);
    r = backup::restoreDatabase(collection, media.filePath("MASTER.DBF"), programDir.path(),
                                settings_);
    ASSERT_EQ(r.outcome, Outcome::Done) << r.detail.toStdString();
    EXPECT_EQ(switched.count(), 1);
    expectMasterOpen();
    EXPECT_EQ(QString::fromStdString(collection.table().indexTag()).toUpper(), "NEWINDEX");
    EXPECT_EQ(withoutIndexFlag(readFile(master)), withoutIndexFlag(original));
}

TEST_F(BackupRunsTest, DatabaseBackupNamesTheCopyAfterTheTable) {
    const QString dotted = other.filePath("my.books.dbf");
    filestest::writeBooks(dotted, {"x"});
    collection.switchTo(dotted, books::SortTagRule::Always);
    ASSERT_EQ(backup::backupDatabase(collection, media.path()).outcome, Outcome::Done);
    EXPECT_EQ(readFile(media.filePath("my.DBF")), readFile(dotted));
}

TEST_F(BackupRunsTest, DatabaseHeldByAnotherProcessIsNeitherBackedUpNorReplaced) {
    filestest::Holder holder(master, "shared");
    ASSERT_TRUE(holder.ready());
    EXPECT_EQ(backup::backupDatabase(collection, media.path()).outcome, Outcome::InUse);
    EXPECT_TRUE(mediaFiles().isEmpty());
    expectMasterOpen();

    // Restoring over the held collection is refused the same way.
    const QString saved = media.filePath("MASTER.DBF");
    filestest::writeBooks(saved, {"other"});
    const QByteArray before = readFile(master);
    EXPECT_EQ(backup::restoreDatabase(collection, saved, programDir.path(), settings_).outcome,
              Outcome::InUse);
    EXPECT_EQ(readFile(master), before);
    expectMasterOpen();
}

TEST_F(BackupRunsTest, NoRoomIsFoundBeforeAnythingIsWritten) {
    backup::setFreeSpaceProbe([](const QString&) { return qint64(0); });
    EXPECT_EQ(backup::backupDatabase(collection, media.path()).outcome, Outcome::NoRoom);
    EXPECT_TRUE(mediaFiles().isEmpty());
    expectMasterOpen();
    // Replacing an earlier backup of the same size needs no free space.
    writeFile(media.filePath("MASTER.DBF"), QByteArray(readFile(master).size(), 'x'));
    EXPECT_EQ(backup::backupDatabase(collection, media.path()).outcome, Outcome::Done);
    EXPECT_EQ(readFile(media.filePath("MASTER.DBF")), readFile(master));

    // A restore without room leaves the open collection as it was.
    const QString saved = other.filePath("NEW.DBF");
    filestest::writeBooks(saved, {"n"});
    EXPECT_EQ(backup::restoreDatabase(collection, saved, programDir.path(), settings_).outcome,
              Outcome::NoRoom);
    EXPECT_FALSE(QFile::exists(programDir.filePath("NEW.DBF")));
    expectMasterOpen();

    writeFile(programDir.filePath("TMKBOOK.URP"), "definitions");
    EXPECT_EQ(backup::backupDefinitions(programDir.path(), media.path()).outcome, Outcome::NoRoom);
    EXPECT_FALSE(QFile::exists(media.filePath("TMKBOOK.URP")));
}

TEST_F(BackupRunsTest, OneFileAsSourceAndDestinationIsRefused) {
    const QByteArray before = readFile(master);
    EXPECT_EQ(backup::backupDatabase(collection, programDir.path()).outcome, Outcome::SameFile);
    EXPECT_EQ(backup::restoreDatabase(collection, master, programDir.path(), settings_).outcome,
              Outcome::SameFile);
    EXPECT_EQ(readFile(master), before);
    expectMasterOpen();

    writeFile(programDir.filePath("TMKBOOK.URP"), "definitions");
    writeFile(programDir.filePath("AUTHOR.LST"), "Austen\n");
    books::PickLists lists(programDir.path());
    lists.loadAll();
    EXPECT_EQ(backup::backupLists(lists, programDir.path()).outcome, Outcome::SameFile);
    EXPECT_EQ(backup::backupDefinitions(programDir.path(), programDir.path()).outcome,
              Outcome::SameFile);
    EXPECT_EQ(backup::restoreLists(programDir.path(), programDir.path(), {}).outcome,
              Outcome::SameFile);
    EXPECT_EQ(backup::restoreDefinitions(programDir.path(), programDir.path()).outcome,
              Outcome::SameFile);
    EXPECT_EQ(readFile(programDir.filePath("TMKBOOK.URP")), "definitions");
    EXPECT_EQ(readFile(programDir.filePath("AUTHOR.LST")), "Austen\n");
}

TEST_F(BackupRunsTest, RestoredCollectionWithoutIndexOpensSortedByTheCurrentOrder) {
    // A backup is the table file alone; an index of the collection it
    // replaces must not survive beside it.
    const QString saved = media.filePath("MASTER.DBF");
    filestest::writeBooks(saved, {"q", "p", "r"});
    {
        dbase::Table t;
        t.setFileName(saved.toStdString());
        t.addIndexTag("NewIndex", "Title");  // sets the flag of the table file
    }
    QFile::remove(media.filePath("MASTER.MDX"));
    ASSERT_EQ(filestest::headerByte(saved, 28), 1);
    const QByteArray savedBytes = readFile(saved);

    ASSERT_EQ(backup::restoreDatabase(collection, saved, programDir.path(), settings_).outcome,
              Outcome::Done);
    // The backup itself is only read: its flag stays (the restored copy's goes).
    EXPECT_EQ(readFile(saved), savedBytes);
    EXPECT_EQ(collection.path(), master);
    EXPECT_EQ(collection.name(), "MASTER");
    EXPECT_EQ(titles(), (QStringList{"p", "q", "r"}));  // "A p", "A q", "A r"
    EXPECT_EQ(filestest::titles(master, "NewIndex"), (QStringList{"p", "q", "r"}));
    // A working collection: a new book goes into the rebuilt order.
    collection.insert();
    collection.table().setString(collection.table().fieldIndex("Title"), "o");
    collection.table().setString(collection.table().fieldIndex("Author"), "A o");
    collection.post();
    EXPECT_EQ(titles(), (QStringList{"o", "p", "q", "r"}));
}

TEST_F(BackupRunsTest, RestoredCollectionOfAnotherNameBecomesTheOpenOne) {
    const QString saved = media.filePath("Shelf.dbf");
    filestest::writeBooks(saved, {"y", "x"});
    ASSERT_EQ(backup::restoreDatabase(collection, saved, programDir.path(), settings_).outcome,
              Outcome::Done);
    EXPECT_EQ(collection.path(), programDir.filePath("Shelf.dbf"));
    EXPECT_EQ(collection.name(), "Shelf");
    EXPECT_EQ(QFileInfo(collection.indexPath()).fileName(), "Shelf.MDX");
    EXPECT_EQ(titles(), (QStringList{"x", "y"}));
    EXPECT_TRUE(QFile::exists(master));
}

TEST_F(BackupRunsTest, AFileThatIsNoCollectionChangesNothing) {
    const QString table = media.filePath("OTHER.DBF");
    dbase::Table::create(table.toStdString(), {{"NAME", dbase::FieldType::Character, 10, 0}});
    auto r = backup::restoreDatabase(collection, table, programDir.path(), settings_);
    EXPECT_EQ(r.outcome, Outcome::NotCollection);
    EXPECT_TRUE(r.detail.isEmpty());
    const QString junk = media.filePath("JUNK.DBF");
    writeFile(junk, "no table at all");
    r = backup::restoreDatabase(collection, junk, programDir.path(), settings_);
    EXPECT_EQ(r.outcome, Outcome::NotCollection);
    EXPECT_FALSE(r.detail.isEmpty());
    EXPECT_FALSE(QFile::exists(programDir.filePath("OTHER.DBF")));
    EXPECT_FALSE(QFile::exists(programDir.filePath("JUNK.DBF")));
    expectMasterOpen();
}

// ---- The pick lists --------------------------------------------------------

TEST_F(BackupRunsTest, ListsAreSavedFromMemoryThenCopied) {
    books::PickLists lists(programDir.path());
    lists.setItems(books::PickList::Author, {"Austen", "Brontë"});
    lists.setItems(books::PickList::Condition, {"Fine"});
    ASSERT_EQ(backup::backupLists(lists, media.path()).outcome, Outcome::Done);
    EXPECT_EQ(mediaFiles().size(), 9);
    for (const QString& name : backup::listFileNames())
        EXPECT_EQ(readFile(media.filePath(name)), readFile(programDir.filePath(name)))
            << name.toStdString();
    books::PickLists back(media.path());
    back.loadAll();
    EXPECT_EQ(back.items(books::PickList::Author), (QStringList{"Austen", "Brontë"}));
    EXPECT_EQ(back.items(books::PickList::Condition), QStringList{"Fine"});
}

TEST_F(BackupRunsTest, ListsRestoredFromAFolderHoldingOnlyOneWarnForEachOther) {
    writeFile(media.filePath("author.lst"), "Austen\nBrontë\n");  // any letter case
    writeFile(programDir.filePath("RATING.LST"), "kept\n");
    QStringList missing;
    const auto r = backup::restoreLists(media.path(), programDir.path(),
                                        [&](const QString& name) { missing << name; });
    EXPECT_EQ(r.outcome, Outcome::SomeMissing);
    EXPECT_EQ(missing,
              (QStringList{"LOCATION.LST", "BOUGHT.LST", "CATEGORY.LST", "PUBLISH.LST",
                           "RATING.LST", "BOOKTYPE.LST", "CHECKOUT.LST", "CONDITION.LST"}));
    EXPECT_EQ(readFile(programDir.filePath("AUTHOR.LST")), "Austen\nBrontë\n");
    EXPECT_EQ(readFile(programDir.filePath("RATING.LST")), "kept\n");

    for (const QString& name : backup::listFileNames())
        writeFile(media.filePath(name), name.toUtf8());
    missing.clear();
    EXPECT_EQ(backup::restoreLists(media.path(), programDir.path(),
                                   [&](const QString& name) { missing << name; })
                  .outcome,
              Outcome::Done);
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_EQ(readFile(programDir.filePath("CONDITION.LST")), "CONDITION.LST");
}

// ---- The report definitions ------------------------------------------------

TEST_F(BackupRunsTest, DefinitionsBackedUpAndRestoredWhateverFileWasPicked) {
    writeFile(programDir.filePath("TMKBOOK.URP"), "the definitions");
    ASSERT_EQ(backup::backupDefinitions(programDir.path(), media.path()).outcome, Outcome::Done);
    EXPECT_EQ(readFile(media.filePath("TMKBOOK.URP")), "the definitions");

    writeFile(programDir.filePath("TMKBOOK.URP"), "changed since");
    writeFile(media.filePath("OTHER.URP"), "another file");
    // The folder of the file picked is what counts.
    const QString picked = media.filePath("OTHER.URP");
    ASSERT_EQ(
        backup::restoreDefinitions(QFileInfo(picked).absolutePath(), programDir.path()).outcome,
        Outcome::Done);
    EXPECT_EQ(readFile(programDir.filePath("TMKBOOK.URP")), "the definitions");

    EXPECT_EQ(backup::restoreDefinitions(other.path(), programDir.path()).outcome,
              Outcome::SourceMissing);
    EXPECT_EQ(readFile(programDir.filePath("TMKBOOK.URP")), "the definitions");
}

}  // namespace
