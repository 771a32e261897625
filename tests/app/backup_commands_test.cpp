// Backup and Restore through the whole program: the menu commands open the
// dialogs, a restored collection becomes the one the main window shows and
// restored report definitions reach the report list.
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "backup/ui/backup_texts.h"
#include "reports/definition_file.h"
#include "tests/app/main_fixture.h"
#include "tests/support/book_samples.h"

namespace {

class BackupCommandsTest : public MainFixture {
  protected:
    QTemporaryDir media;
    testsupport::ScriptedPrompter prompter;
};

TEST_F(BackupCommandsTest, RestoredCollectionIsShownNamedAndRemembered) {
    const QString saved = media.filePath("Shelf.DBF");
    testsupport::writeSampleCollection(saved, 2);
    prompter.expectOpenFile(saved, "Restore DBF File");
    prompter.expectNotice(backupui::texts::kRestoreDone);
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* form) {
        form->findChild<QPushButton*>("StartButton")->click();
        form->findChild<QPushButton*>("CancelButton")->click();
    });
    mw::MenuRestore(main)->trigger();
    EXPECT_EQ(seen, "MyRestore");
    EXPECT_EQ(main->windowTitle(), "Tomekeep Books 95 (Shelf)");
    EXPECT_EQ(shownCount(), 2);
    EXPECT_EQ(settings::settings().lastDatabase, settings::programDirectory() + "/Shelf.DBF");
}

TEST_F(BackupCommandsTest, RestoredDefinitionsReachTheReportList) {
    auto* list = main->findChild<QListWidget*>("ReportBox");
    ASSERT_NE(list, nullptr);
    const int before = list->count();
    ASSERT_GE(before, 2);
    // A backup holding the first two reports only.
    const auto all = reports::DefinitionFile::inDirectory(settings::programDirectory()).readAll();
    ASSERT_TRUE(all.has_value());
    reports::DefinitionFile saved(media.filePath("TMKBOOK.URP"));
    ASSERT_TRUE(saved.replaceAll({(*all)[0], (*all)[1]}));

    prompter.expectOpenFile(media.filePath("TMKBOOK.URP"), "Restore URP File");
    prompter.expectNotice(backupui::texts::kRestoreDone);
    testsupport::closeNextModal(nullptr, [](QWidget* form) {
        form->findChild<QRadioButton*>("RestoreURP")->setChecked(true);
        form->findChild<QPushButton*>("StartButton")->click();
        form->findChild<QPushButton*>("CancelButton")->click();
    });
    mw::MenuRestore(main)->trigger();
    EXPECT_EQ(list->count(), 2);
}

TEST_F(BackupCommandsTest, BackupCommandOpensTheBackupDialog) {
    QString seen, caption;
    testsupport::closeNextModal(&seen, [&caption](QWidget* form) {
        caption = form->windowTitle();
        form->findChild<QPushButton*>("CancelButton")->click();
    });
    mw::MenuBackup(main)->trigger();
    EXPECT_EQ(seen, "MyBackup");
    EXPECT_EQ(caption, "Backup");
}

}  // namespace
