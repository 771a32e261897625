// Opening, creating and switching collections, the last-files menu, the
// start-up choice of collection, conversion of earlier versions, pack and
// rebuild, through the main window with real files.
#include <unistd.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "data/grid_model.h"
#include "tests/app/files_fixture.h"
#include "tests/app/main_widgets.h"

namespace {

const QString kOpenTitle = "Open Database File";
const QString kNewTitle = "New Database File";
const QString kLayoutError =
    "This DBase file was not created with Tomekeep Books 95.  It cannot be opened.  You may, "
    "however, import "
    "data from this file using the import function.";
const QString kPackQuestion =
    "Deleted items are not permanently removed from the database until packing occurs.  Packing "
    "simply removes "
    "them to free up space.  Continue?";
const QString kPackError =
    "Unable to pack table.  Packing requires exclusive use of the DBase File.  Make sure that the "
    "DBase File is "
    "not in use by another program  or that no other users are running the software or that no "
    "other copies of "
    "the software are in use.";
const QString kRebuildQuestion =
    "It is possible for your index files to become corrupted.  As a result, some items may not "
    "show up in the "
    "viewer or in reports.  This will rebuild your index files correctly.  Continue?";
const QString kRebuildError =
    "Unable to reindex table.  Reindexing requires exclusive use of the DBase File.  Make sure "
    "that the DBase "
    "File is not in use by another program  or that no other users are running the software or "
    "that no other "
    "copies of the software are in use.";

QString inUseMessage(const QString& path) {
    return "The table \"" + path +
           "\" is currently in use by another program.  New table creation will be aborted.";
}

using DatabaseCommandsTest = FilesFixture;

TEST_F(DatabaseCommandsTest, StartUpOpensTheDefaultCollectionInSortOrder) {
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(main->sortExpression(), "Upper(Left(Author,20))");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    ASSERT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
    // No last files yet: the separator and the five items are hidden.
    EXPECT_FALSE(mw::MenuExitSep(main)->isVisible());
    for (QAction* item : mw::MenuLastFile(main))
        EXPECT_FALSE(item->isVisible());
}

TEST_F(DatabaseCommandsTest, OpenSwitchesToAValidTable) {
    const QString other = file("OTHER.DBF");
    filestest::writeBooks(other, {"z", "y"});
    prompter.expectOpenFile(other, kOpenTitle);
    main->DoOpen();
    EXPECT_TRUE(prompter.asked().first().contains("DBF")) << prompter.asked().first().toStdString();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (OTHER)");
    EXPECT_EQ(main->databasePath(), other);
    EXPECT_EQ(settings::settings().lastDatabase, other);
    EXPECT_EQ(mw::CountLabel(main)->text(), "2");
    EXPECT_EQ(shownTitles(), (QStringList{"y", "z"}));  // by author, tag rebuilt
    EXPECT_EQ(settings::settings().lastFiles[0], master);
    EXPECT_TRUE(mw::MenuExitSep(main)->isVisible());
    EXPECT_TRUE(mw::MenuLastFile(main)[0]->isVisible());
    EXPECT_EQ(mw::MenuLastFile(main)[0]->text(), "&1   " + master);
    EXPECT_FALSE(mw::MenuLastFile(main)[1]->isVisible());
}

TEST_F(DatabaseCommandsTest, OpenAcceptsLowerCaseExtensionsAndNamesInAnotherCase) {
    const QString lower = file("lower.dbf");
    filestest::writeBooks(lower, {"x"});
    filestest::renameField(lower, 0, "Title");
    filestest::renameField(lower, 1, "author");
    prompter.expectOpenFile(lower, kOpenTitle);
    main->DoOpen();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (lower)");
    EXPECT_EQ(shownTitles(), (QStringList{"x"}));
}

TEST_F(DatabaseCommandsTest, RefusedFilesChangeNothing) {
    const QString wrong = file("WRONG.DBF");
    filestest::writeBooks(wrong, {"x"});
    filestest::renameField(wrong, 20, "VOLUMES");
    const QString text = file("BOOKS.TXT");
    QFile::copy(master, text);

    prompter.expectOpenFile(text, kOpenTitle);
    prompter.expectError("Invalid file type selected.");
    main->DoOpen();
    prompter.expectOpenFile(wrong, kOpenTitle);
    prompter.expectError(kLayoutError);
    main->DoOpen();
    prompter.expectOpenFile({}, kOpenTitle);  // cancelled
    main->DoOpen();

    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    EXPECT_TRUE(settings::settings().lastFiles[0].isEmpty());
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(mw::CountLabel(main)->text(), "3");
}

TEST_F(DatabaseCommandsTest, DeletedIndexIsRebuiltWhenTheTableIsOpenedAgain) {
    const QString other = file("OTHER.DBF");
    filestest::writeBooks(other, {"q", "p", "r"});
    prompter.expectOpenFile(other, kOpenTitle);
    main->DoOpen();
    prompter.expectOpenFile(master, kOpenTitle);
    main->DoOpen();
    const QString mdx = QString::fromStdString([&] {
        dbase::Table t;
        t.setFileName(other.toStdString());
        return t.indexFileName();
    }());
    ASSERT_TRUE(QFile::remove(mdx));

    prompter.expectOpenFile(other, kOpenTitle);
    main->DoOpen();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (OTHER)");
    EXPECT_TRUE(main->collection().table().hasIndexFile());
    EXPECT_EQ(shownTitles(), (QStringList{"p", "q", "r"}));
    if (const auto keys = keysByOtherReader(mdx)) {
        EXPECT_EQ(*keys, (QStringList{"A P", "A Q", "A R"}));
    }
}

// A file whose header counts more records than it holds (what a power cut
// can leave) opens with the whole records, and the main window says so once.
TEST_F(DatabaseCommandsTest, WhatTheOpenWorkedAroundIsShownOnce) {
    const QString other = file("OTHER.DBF");
    filestest::writeBooks(other, {"q", "p"});
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(4));
        ASSERT_EQ(f.write("\x05", 1), 1);
    }
    prompter.expectOpenFile(other, kOpenTitle);
    prompter.expectWarning(
        "The table header counts 5 records, but the file holds only 2 whole records; those are "
        "used. The header is corrected when the table is next changed.");
    main->DoOpen();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (OTHER)");
    EXPECT_EQ(shownTitles(), (QStringList{"p", "q"}));
}

TEST_F(DatabaseCommandsTest, LastFilesFollowASequenceOfOpens) {
    const QString b = file("B.DBF"), c = file("C.DBF");
    filestest::writeBooks(b, {"b"});
    filestest::writeBooks(c, {"c"});
    for (const QString& path : {b, c, master}) {
        prompter.expectOpenFile(path, kOpenTitle);
        main->DoOpen();
    }
    // master left the list when it was opened again.
    EXPECT_EQ(settings::settings().lastFiles, (books::LastFiles{c, b, "", "", ""}));
    // The second item opens B: master goes on top, B leaves the list.
    mw::MenuLastFile(main)[1]->trigger();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (B)");
    EXPECT_EQ(settings::settings().lastFiles, (books::LastFiles{master, c, "", "", ""}));
    EXPECT_EQ(mw::MenuLastFile(main)[0]->text(), "&1   " + master);
    EXPECT_EQ(mw::MenuLastFile(main)[1]->text(), "&2   " + c);
    EXPECT_FALSE(mw::MenuLastFile(main)[2]->isVisible());
    EXPECT_EQ(mw::CountLabel(main)->text(), "1");

    // The list survives the end of the run.
    restartProgram();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (B)");
    EXPECT_EQ(mw::MenuLastFile(main)[1]->text(), "&2   " + c);
}

TEST_F(DatabaseCommandsTest, NewCreatesAnEmptyCollectionAndReplacesOneNobodyHolds) {
    const QString fresh = file("FRESH.DBF");
    prompter.expectSaveFile(fresh, kNewTitle);
    main->DoNew();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (FRESH)");
    EXPECT_EQ(mw::CountLabel(main)->text(), "0");
    EXPECT_TRUE(main->collection().table().hasIndexFile());
    EXPECT_EQ(settings::settings().lastFiles[0], master);

    const QString old = file("OLD.DBF");
    filestest::writeBooks(old, {"gone"});
    prompter.expectSaveFile(old, kNewTitle);
    main->DoNew();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (OLD)");
    EXPECT_EQ(mw::CountLabel(main)->text(), "0");

    prompter.expectSaveFile(file("NOTES.TXT"), kNewTitle);
    prompter.expectError("Invalid file type selected.");
    main->DoNew();
    EXPECT_FALSE(QFile::exists(file("NOTES.TXT")));
}

TEST_F(DatabaseCommandsTest, OpeningEndsASearchAndNewCanReplaceTheOpenCollection) {
    mw::searchAllBooks(main);
    prompter.expectOpenFile(master, kOpenTitle);
    main->DoOpen();
    EXPECT_FALSE(books::runState().searchActive);
    EXPECT_FALSE(mw::SearchOnLabel(main)->isVisibleTo(main));

    // The program's own hold on the open collection does not count as
    // another program's.
    prompter.expectSaveFile(master, kNewTitle);
    main->DoNew();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(mw::CountLabel(main)->text(), "0");
}

TEST_F(DatabaseCommandsTest, RecordBeingEditedIsPostedBeforeTheSwitch) {
    dbase::Table& t = main->collection().table();
    t.append();
    t.setString(t.fieldIndex("Title"), "typed");
    const QString other = file("OTHER.DBF");
    filestest::writeBooks(other, {"z"});
    prompter.expectOpenFile(other, kOpenTitle);
    main->DoOpen();
    EXPECT_EQ(filestest::titles(master), (QStringList{"c", "a", "b", "typed"}));
}

// A cell still being typed in when a speed button or shortcut switches the
// collection is written first, not dropped.
TEST_F(DatabaseCommandsTest, TextInAnOpenCellIsWrittenBeforeTheSwitch) {
    settings::settings().gridFieldEditing = true;
    main->SetViewerOptions();
    const QModelIndex title = main->MyDataSource()->index(0, 0);
    mw::ViewerGrid(main)->setCurrentIndex(title);
    mw::ViewerGrid(main)->edit(title);
    auto* editor = qobject_cast<QLineEdit*>(mw::ViewerGrid(main)->indexWidget(title));
    ASSERT_NE(editor, nullptr);
    editor->setText("in cell");
    const QString other = file("OTHER.DBF");
    filestest::writeBooks(other, {"z"});
    prompter.expectOpenFile(other, kOpenTitle);
    main->ButtonBarClick(1);
    mw::OpenSpeed(main)->click();
    EXPECT_EQ(main->databasePath(), other);
    EXPECT_TRUE(filestest::titles(master).contains("in cell"));
}

TEST_F(DatabaseCommandsTest, NewOverAFileAnotherProcessHoldsIsRefused) {
    const QString held = file("HELD.DBF");
    filestest::writeBooks(held, {"kept"});
    filestest::Holder other(held, "shared");
    ASSERT_TRUE(other.ready());
    prompter.expectSaveFile(held, kNewTitle);
    prompter.expectError(inUseMessage(held));
    main->DoNew();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(filestest::titles(held), (QStringList{"kept"}));
    EXPECT_TRUE(main->collection().table().isOpen());
}

TEST_F(DatabaseCommandsTest, OpeningAHeldFileLeavesItsIndexAlone) {
    const QString held = file("HELD.DBF");
    filestest::writeBooks(held, {"2", "1"});
    filestest::Holder other(held, "shared");
    ASSERT_TRUE(other.ready());
    prompter.expectOpenFile(held, kOpenTitle);
    main->DoOpen();
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (HELD)");
    ASSERT_TRUE(main->collection().table().isOpen());
    EXPECT_FALSE(main->collection().table().hasIndexFile());
    EXPECT_EQ(shownTitles(), (QStringList{"2", "1"}));  // record order
}

// A file that passes the layout check but cannot be opened for writing is
// reported once; the previous collection stays open, named and recorded.
TEST_F(DatabaseCommandsTest, UnwritableFileIsReportedOnceAndThePreviousCollectionStays) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    const QString locked = file("LOCKED.DBF");
    filestest::writeBooks(locked, {"x"});
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    prompter.expectOpenFile(locked, kOpenTitle);
    prompter.expectError("The table file cannot be opened: Permission denied\nFile: " + locked);
    main->DoOpen();
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    EXPECT_TRUE(settings::settings().lastFiles[0].isEmpty());
    EXPECT_EQ(mw::CountLabel(main)->text(), "3");
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

class InvalidLastDatabaseTest : public FilesFixture {
  protected:
    void prepare() override {
        invalid = file("INVALID.DBF");
        filestest::writeBooks(invalid, {"x"});
        filestest::renameField(invalid, 3, "PUBLISHERS");
        settings::settings().lastDatabase = invalid;
        storeSettings();
        prompter.expectError(kLayoutError);
        prompter.expectError(
            "The last database used as recorded in the INI file is not a valid Tomekeep Books 95 "
            "file.  You will "
            "need to choose a new file.");
        prompter.expectOpenFile(invalid, kOpenTitle);
        prompter.expectError(kLayoutError);
        prompter.expectOpenFile(file("MASTER.TXT"), kOpenTitle);
        prompter.expectError("Invalid file type selected.");
        prompter.expectOpenFile(master, kOpenTitle);
    }
    QString invalid;
};

TEST_F(InvalidLastDatabaseTest, OpenDialogReturnsUntilAValidFileIsChosen) {
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

class StartUpIndexTest : public FilesFixture {
  protected:
    void prepare() override {
        dbase::Table t;
        t.setFileName(master.toStdString());
        t.addIndexTag("NewIndex", "Upper(Left(Author,20))");
        mdx = QString::fromStdString(t.indexFileName());
        stamp = QFileInfo(mdx).lastModified();
        size = QFileInfo(mdx).size();
    }
    QString mdx;
    QDateTime stamp;
    qint64 size = 0;
};

TEST_F(StartUpIndexTest, ExistingTagIsReusedUnchanged) {
    EXPECT_EQ(QFileInfo(mdx).lastModified(), stamp);
    EXPECT_EQ(QFileInfo(mdx).size(), size);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

class ConversionAtStartTest : public FilesFixture {
  protected:
    void prepare() override {
        filestest::writeVersion2(file("B2LOG.DBF"));
        filestest::writeVersion1(file("blog.dbf"),
                                 {{"One", "7", "Mar", "1995"}, {"Two", "8", "mar", "1995"}});
        prompter.expectQuestion("Convert", question("2.X", file("B2LOG.DBF")), true);
        prompter.expectQuestion("Convert", question("1.X", file("blog.dbf")), answerV1());
        if (answerV1())
            prompter.expectError(
                "The purchase date \"mar/8/1995\" of record 2 of blog.dbf is not a valid date.  "
                "The conversion has stopped; the old file has been kept.");
    }
    virtual bool answerV1() const { return true; }
    static QString question(const char* version, const QString& path) {
        return QStringLiteral("A database from a previous version (") + version +
               ") has been detected.  Would you like to convert it now?  NOTE: After conversion "
               "the old file "
               "will be deleted.  You may wish to make a copy of \"" +
               path + "\" first.";
    }
};

TEST_F(ConversionAtStartTest, CompleteConversionDeletesTheOldFileAndAFailedOneKeepsIt) {
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_FALSE(QFile::exists(file("B2LOG.DBF")));
    EXPECT_TRUE(QFile::exists(file("blog.dbf")));
    // Three books, two from version 2 and the one before the bad date.
    EXPECT_EQ(main->collection().table().recordCount(), 6u);
    EXPECT_EQ(main->collection().table().state(), dbase::TableState::Browse);
}

class DeclinedConversionTest : public ConversionAtStartTest {
  protected:
    bool answerV1() const override { return false; }
};

TEST_F(DeclinedConversionTest, DeclinedFileIsOfferedAgainNextTime) {
    EXPECT_TRUE(QFile::exists(file("blog.dbf")));
    EXPECT_EQ(main->collection().table().recordCount(), 5u);
    prompter.expectQuestion("Convert", question("1.X", file("blog.dbf")), false);
    restartProgram();
    EXPECT_EQ(prompter.pending(), 0);
}

void deleteFirst(app::TMain* main) {
    dbase::Table& t = main->collection().table();
    t.first();
    t.deleteRecord();
}

TEST_F(DatabaseCommandsTest, PackRemovesDeletedRecordsAndReopensShared) {
    deleteFirst(main);
    prompter.expectQuestion("Confirm", kPackQuestion, false);
    main->MenuPackClick();
    EXPECT_EQ(main->collection().table().physicalRecordCount(), 3u);

    prompter.expectQuestion("Confirm", kPackQuestion, true);
    main->MenuPackClick();
    EXPECT_EQ(main->collection().table().physicalRecordCount(), 2u);
    EXPECT_EQ(mw::CountLabel(main)->text(), "2");
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"b", "c"}));
    filestest::Holder reader(master, "shared");
    EXPECT_TRUE(reader.ready());
}

TEST_F(DatabaseCommandsTest, PackAndRebuildFailWhileAnotherProcessHoldsTheFile) {
    deleteFirst(main);
    filestest::Holder other(master, "shared");
    ASSERT_TRUE(other.ready());
    prompter.expectQuestion("Confirm", kPackQuestion, true);
    // The fixed text, then the kind of failure: another user holds the file.
    const QString held = "\n\nThe table is in use by another user or program.\nFile: " + master;
    prompter.expectError(kPackError + held);
    main->MenuPackClick();
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(main->collection().table().physicalRecordCount(), 3u);

    prompter.expectQuestion("Confirm", kRebuildQuestion, true);
    prompter.expectError(kRebuildError + held);
    main->MenuRebuildClick();
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"b", "c"}));
}

TEST_F(DatabaseCommandsTest, RebuildRestoresTheIndexOrder) {
    prompter.expectQuestion("Confirm", kRebuildQuestion, false);
    main->MenuRebuildClick();
    prompter.expectQuestion("Confirm", kRebuildQuestion, true);
    main->MenuRebuildClick();
    EXPECT_TRUE(main->collection().table().isOpen());
    EXPECT_EQ(main->collection().table().mode(), dbase::OpenMode::Shared);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
    if (const auto keys =
            keysByOtherReader(QString::fromStdString(main->collection().table().indexFileName()))) {
        EXPECT_EQ(*keys, (QStringList{"A A", "A B", "A C"}));
    }
}

}  // namespace

// ---- Start-up paths ---------------------------------------------------------

namespace {

const QString kStartDatabaseError =
    "The last database used as recorded in the INI file is not a valid Tomekeep Books 95 file.  "
    "You will need to choose a new file.";

int startedAs(app::TMain::StartResult r) {
    return static_cast<int>(r);
}

class NoCollectionYetTest : public FilesFixture {
  protected:
    void prepare() override { ASSERT_TRUE(QFile::remove(master)); }
};

TEST_F(NoCollectionYetTest, CreatesTheDefaultCollection) {
    EXPECT_TRUE(forms->ready());
    EXPECT_TRUE(QFile::exists(master));
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    EXPECT_EQ(main->collection().table().recordCount(), 0u);
}

class MissingLastDatabaseTest : public FilesFixture {
  protected:
    void prepare() override {
        settings::settings().lastDatabase = file("GONE.DBF");
        storeSettings();
    }
};

TEST_F(MissingLastDatabaseTest, OpensTheDefaultCollectionWithoutAsking) {
    EXPECT_TRUE(forms->ready());
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
}

// A folder is not a collection file: the default collection opens, with no
// message and no open dialog (the strict prompter fails on any).
class FolderAsLastDatabaseTest : public FilesFixture {
  protected:
    void prepare() override {
        QDir().mkpath(file("Books.dbf"));
        settings::settings().lastDatabase = file("Books.dbf");
        storeSettings();
    }
};

TEST_F(FolderAsLastDatabaseTest, OpensTheDefaultCollectionWithoutAsking) {
    EXPECT_TRUE(forms->ready());
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (MASTER)");
    EXPECT_EQ(settings::settings().lastDatabase, master);
    EXPECT_EQ(shownTitles(), (QStringList{"a", "b", "c"}));
}

// Cancelling the open dialog at start-up ends start-up without a collection;
// the process goes on (the caller decides to end the program).
class CancelledStartTest : public FilesFixture {
  protected:
    void prepare() override {
        const QString foreign = file("FOREIGN.DBF");
        filestest::writeBooks(foreign, {"x"});
        filestest::renameField(foreign, 5, "SOMETHING");
        settings::settings().lastDatabase = foreign;
        storeSettings();
        prompter.expectError(kLayoutError);
        prompter.expectError(kStartDatabaseError);
        prompter.expectOpenFile({}, kOpenTitle);
    }
};

TEST_F(CancelledStartTest, EndsStartUpAsCancelled) {
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(forms->started, startedAs(app::TMain::StartResult::Cancelled));
    EXPECT_FALSE(main->collection().table().isOpen());
}

// The program's data folder cannot be made: the message names the folder and
// the system's reason, not the collection file inside it.
class DataFolderTest : public FilesFixture {
  protected:
    void prepare() override {
        saved = qgetenv("XDG_DATA_HOME");
        ASSERT_TRUE(QFile::remove(master));
        blocker = programDir + "/blocker";
        {
            QFile f(blocker);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        qputenv("XDG_DATA_HOME", (blocker + "/data").toLocal8Bit());
        prompter.expectError("The folder for the program's files, \"" + blocker +
                             "/data/tomekeep\", cannot be created: Not a directory");
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", saved);
        books::runState().programDirectory = programDir;
        FilesFixture::TearDown();
    }
    QByteArray saved;
    QString blocker;
};

TEST_F(DataFolderTest, ReasonIsTheFolderAndStartUpEndsWithoutACollection) {
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(forms->started, startedAs(app::TMain::StartResult::NoCollection));
    EXPECT_FALSE(main->collection().table().isOpen());
}

}  // namespace
