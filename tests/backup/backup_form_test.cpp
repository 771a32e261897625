// The backup and restore windows driven as a user would: the buttons pressed
// by name, the open dialog and the messages answered through the scripted
// prompter, the files and the main window's state checked afterwards.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>

#include "backup/ui/backup_commands.h"
#include "backup/ui/backup_texts.h"
#include "backup/ui/tmybackup.h"
#include "backup/ui/tmyrestore.h"
#include "data/run_state.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using backupui::TMyBackup;
using backupui::TMyRestore;

namespace {

using testsupport::ScriptedPrompter;
namespace texts = backupui::texts;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

using Link = testsupport::FakeMainLink;

class BackupForms : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        ASSERT_TRUE(media.isValid());
        link.runState().programDirectory = programDir.path();
        link.pickLists().setDirectory(programDir.path());
        master = programDir.filePath("MASTER.DBF");
        filestest::writeBooks(master, {"c", "a", "b"});
        link.collection().setSortLevels({2, 0, 0, 0});
        link.collection().openWithSortTag(master);
    }
    void TearDown() override { backup::setFreeSpaceProbe({}); }

    template <typename W>
    static W* child(QWidget* form, const char* name) {
        W* w = form->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void press(QWidget* form, const char* name) { child<QPushButton>(form, name)->click(); }

    // Begins a search that lets only "a" and "b" through.
    void searchAB() {
        link.beginSearch(
            [](const dbase::Table& t) { return t.asString(t.fieldIndex("Title")) != "c"; });
    }
    QStringList titles() {
        QStringList out;
        dbase::Table& t = link.collection().table();
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            out << QString::fromStdString(t.asString(t.fieldIndex("Title")));
        return out;
    }

    QTemporaryDir programDir, media;
    QString master;
    Link link;
    ScriptedPrompter prompter;
};

// ---- Backup ----------------------------------------------------------------

TEST_F(BackupForms, BackupShowsItsControlsAtTheProgramDirectory) {
    TMyBackup form(link, link.dialogParent());
    form.show();
    EXPECT_EQ(form.windowTitle(), "Backup");
    EXPECT_EQ(child<QGroupBox>(&form, "WhatPanel")->title(), "What To Back Up");
    EXPECT_EQ(child<QGroupBox>(&form, "WherePanel")->title(), "Where To Back Up To");
    EXPECT_EQ(form.BackDBF->text(), "Back Up Current Database (*.DBF)");
    EXPECT_EQ(form.BackLST->text(), "Back Up Lists (*.LST)");
    EXPECT_EQ(form.BackURP->text(), "Back Up Report Definitions (*.URP)");
    EXPECT_TRUE(form.BackDBF->isChecked());
    EXPECT_EQ(form.StartButton->text(), "&Start Back Up");
    EXPECT_TRUE(form.StartButton->isDefault());
    EXPECT_EQ(form.CancelButton->text(), "&Cancel");
    EXPECT_EQ(form.HelpButton->text(), "&Help");
    EXPECT_EQ(QDir(form.directory()), QDir(programDir.path()));
    EXPECT_GE(form.DriveBox->count(), 1);
    EXPECT_TRUE(programDir.path().startsWith(form.DriveBox->currentData().toString()));

    // Another drive: the directory list starts at its top.
    form.DriveBox->setCurrentIndex(form.DriveBox->findData("/"));
    form.DriveBoxChange();
    EXPECT_EQ(form.directory(), "/");

    press(&form, "HelpButton");
    ui::HelpWindow* help = ui::showHelp(&form, {});
    ASSERT_NE(help, nullptr);
    help->showKeyword("Backup and Restore");
    EXPECT_TRUE(help->currentPage().endsWith("backup.html"));
    // The page speaks of the backup and restore windows' own panels and buttons.
    const QString page = help->browser()->toPlainText().simplified();
    TMyRestore restore(link, link.dialogParent());
    for (const QString& text :
         {form.WhatPanel->title(), form.WherePanel->title(), form.StartButton->text(),
          restore.WhatPanel->title(), restore.StartButton->text()})
        EXPECT_TRUE(page.contains(QString(text).remove('&'))) << text.toStdString();
}

TEST_F(BackupForms, DatabaseBackupSuspendsTheSearchAndClosesAfterwards) {
    searchAB();
    TMyBackup form(link, link.dialogParent());
    form.show();
    form.setDirectory(media.path());
    prompter.expectNotice(texts::kBackupDone);
    press(&form, "StartButton");
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(readFile(media.filePath("MASTER.DBF")), readFile(master));
    EXPECT_EQ(link.searchesEnded, 1);
    EXPECT_EQ(link.searchesBegun, 2);
    EXPECT_TRUE(link.searchActive());
    EXPECT_EQ(titles(), (QStringList{"a", "b"}));
    EXPECT_GE(link.reapplied, 1);
    EXPECT_EQ(form.CancelButton->text(), "&Close");
    EXPECT_FALSE(form.CopyProgress->isVisible());
}

TEST_F(BackupForms, DatabaseHeldElsewhereIsRefusedAndTheSearchStays) {
    searchAB();
    filestest::Holder holder(master, "shared");
    ASSERT_TRUE(holder.ready());
    TMyBackup form(link, link.dialogParent());
    form.show();
    form.setDirectory(media.path());
    prompter.expectError(texts::kBackupInUse);
    press(&form, "StartButton");
    EXPECT_FALSE(QFile::exists(media.filePath("MASTER.DBF")));
    EXPECT_TRUE(link.searchActive());
    EXPECT_EQ(titles(), (QStringList{"a", "b"}));
    EXPECT_EQ(form.CancelButton->text(), "&Cancel");
}

TEST_F(BackupForms, EachRefusalHasItsMessage) {
    TMyBackup form(link, link.dialogParent());
    form.show();
    // The default folder is the one the collection and the lists are in.
    prompter.expectError(texts::kBackupSameFile);
    press(&form, "StartButton");

    form.setDirectory(media.path());
    backup::setFreeSpaceProbe([](const QString&) { return qint64(0); });
    prompter.expectError(texts::kBackupNoRoomDatabase);
    press(&form, "StartButton");
    writeFile(programDir.filePath("TMKBOOK.URP"), "definitions");
    form.BackURP->setChecked(true);
    prompter.expectError(texts::kBackupNoRoomDefinitions);
    press(&form, "StartButton");
    backup::setFreeSpaceProbe({});
    EXPECT_TRUE(QDir(media.path()).isEmpty());

    prompter.expectNotice(texts::kBackupDone);
    press(&form, "StartButton");
    EXPECT_EQ(readFile(media.filePath("TMKBOOK.URP")), "definitions");
}

TEST_F(BackupForms, ListsBackupWritesTheListsInMemoryFirst) {
    link.pickLists().setItems(books::PickList::Author, {"Austen"});
    TMyBackup form(link, link.dialogParent());
    form.show();
    form.setDirectory(media.path());
    form.BackLST->setChecked(true);
    prompter.expectNotice(texts::kBackupDone);
    press(&form, "StartButton");
    EXPECT_EQ(readFile(media.filePath("AUTHOR.LST")).trimmed(), "Austen");
    EXPECT_EQ(form.CancelButton->text(), "&Close");
}

// ---- Restore ---------------------------------------------------------------

TEST_F(BackupForms, RestoreShowsItsControls) {
    TMyRestore form(link, link.dialogParent());
    form.show();
    EXPECT_EQ(form.windowTitle(), "Restore");
    EXPECT_EQ(child<QGroupBox>(&form, "WhatPanel")->title(), "What To Restore");
    EXPECT_EQ(form.RestoreDBF->text(), "Restore a Database File (*.DBF)");
    EXPECT_EQ(form.RestoreLST->text(), "Restore List Files (*.LST)");
    EXPECT_EQ(form.RestoreURP->text(), "Restore Report Definitions (*.URP)");
    EXPECT_TRUE(form.RestoreDBF->isChecked());
    EXPECT_EQ(form.StartButton->text(), "&Start Restore");
    EXPECT_TRUE(form.StartButton->isDefault());

    // Cancelling the open dialog does nothing.
    prompter.expectOpenFile({}, "Restore DBF File");
    press(&form, "StartButton");
    EXPECT_EQ(form.MyOpenDialog.filter, "DBase Files (*.DBF *.dbf)");
    form.RestoreURP->setChecked(true);
    prompter.expectOpenFile({}, "Restore URP File");
    press(&form, "StartButton");
    EXPECT_TRUE(prompter.asked().last().contains("TMKBOOK.URP"));
    EXPECT_EQ(form.CancelButton->text(), "&Cancel");
    EXPECT_EQ(link.collection().path(), master);
}

TEST_F(BackupForms, DatabaseRestoreEndsTheSearchAndOpensTheRestoredCollection) {
    searchAB();
    const QString saved = media.filePath("Shelf.DBF");
    filestest::writeBooks(saved, {"y", "x"});
    TMyRestore form(link, link.dialogParent());
    form.show();
    prompter.expectOpenFile(saved, "Restore DBF File");
    prompter.expectNotice(texts::kRestoreDone);
    press(&form, "StartButton");
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_FALSE(link.searchActive());
    EXPECT_EQ(link.collection().path(), programDir.filePath("Shelf.DBF"));
    EXPECT_EQ(link.settings().lastDatabase, programDir.filePath("Shelf.DBF"));
    EXPECT_NE(settings::settings().lastDatabase, programDir.filePath("Shelf.DBF"));
    EXPECT_EQ(titles(), (QStringList{"x", "y"}));
    EXPECT_EQ(form.CancelButton->text(), "&Close");
}

TEST_F(BackupForms, DatabaseRestoreRefusals) {
    TMyRestore form(link, link.dialogParent());
    form.show();
    // From the program directory itself.
    prompter.expectOpenFile(master);
    prompter.expectError(texts::kRestoreSameFile);
    press(&form, "StartButton");
    // Over the open collection while another process holds it.
    const QString saved = media.filePath("MASTER.DBF");
    filestest::writeBooks(saved, {"other"});
    {
        filestest::Holder holder(master, "shared");
        ASSERT_TRUE(holder.ready());
        prompter.expectOpenFile(saved);
        prompter.expectNotice(texts::kRestoreInUse, "Tomekeep Books 95");
        press(&form, "StartButton");
    }
    backup::setFreeSpaceProbe([](const QString&) { return qint64(0); });
    const QString bigger = media.filePath("BIG.DBF");
    filestest::writeBooks(bigger, {"1", "2", "3", "4", "5", "6"});
    prompter.expectOpenFile(bigger);
    prompter.expectError(texts::kRestoreNoRoom);
    press(&form, "StartButton");
    EXPECT_EQ(link.collection().path(), master);
    EXPECT_EQ(titles(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(form.CancelButton->text(), "&Cancel");
}

TEST_F(BackupForms, ListsRestoredFromAFolderHoldingOnlyOneList) {
    writeFile(media.filePath("AUTHOR.LST"), "Austen\nBrontë\n");
    TMyRestore form(link, link.dialogParent());
    form.show();
    form.RestoreLST->setChecked(true);
    prompter.expectOpenFile(media.filePath("AUTHOR.LST"), "Restore LST Files");
    for (const QString& name : backup::listFileNames().mid(1))
        prompter.expectWarning(texts::listMissing(name));
    prompter.expectNotice(texts::kRestoreListsMissing);
    press(&form, "StartButton");
    EXPECT_EQ(prompter.pending(), 0);
    EXPECT_EQ(link.listsReloaded, 1);
    EXPECT_EQ(link.pickLists().items(books::PickList::Author), (QStringList{"Austen", "Brontë"}));
    EXPECT_EQ(form.CancelButton->text(), "&Close");
    EXPECT_EQ(texts::listMissing("AUTHOR.LST"),
              "The following file \"AUTHOR.LST\" could not be located on the specified source "
              "drive.");
}

TEST_F(BackupForms, DefinitionsRestoredAfterPickingAnotherFile) {
    writeFile(media.filePath("TMKBOOK.URP"), "saved definitions");
    writeFile(media.filePath("OLD.URP"), "something else");
    TMyRestore form(link, link.dialogParent());
    form.show();
    form.RestoreURP->setChecked(true);
    prompter.expectOpenFile(media.filePath("OLD.URP"));
    prompter.expectNotice(texts::kRestoreDone);
    press(&form, "StartButton");
    EXPECT_EQ(readFile(programDir.filePath("TMKBOOK.URP")), "saved definitions");
    EXPECT_EQ(link.reportsReloaded, 1);

    QFile::remove(media.filePath("TMKBOOK.URP"));
    prompter.expectOpenFile(media.filePath("OLD.URP"));
    prompter.expectError(texts::kRestoreDefinitionsMissing);
    press(&form, "StartButton");
    EXPECT_EQ(link.reportsReloaded, 1);
}

TEST_F(BackupForms, CommandsOpenTheDialogs) {
    backupui::registerHandlers(link);
    EXPECT_NE(link.handlers.find(ui::Command::Backup), nullptr);
    EXPECT_NE(link.handlers.find(ui::Command::Restore), nullptr);
}

}  // namespace
