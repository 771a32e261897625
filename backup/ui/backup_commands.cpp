#include "backup/ui/backup_commands.h"

#include "backup/ui/tmybackup.h"
#include "backup/ui/tmyrestore.h"
#include "ui/main_window_link.h"

namespace backupui {

void runBackup(ui::MainWindowLink& main) {
    TMyBackup form(main, main.dialogParent());
    form.exec();
}

void runRestore(ui::MainWindowLink& main) {
    TMyRestore form(main, main.dialogParent());
    form.exec();
    main.refreshCount();
}

void registerHandlers(ui::MainWindowLink& main) {
    main.setHandler(ui::Command::Backup, [](ui::MainWindowLink& m, int) { runBackup(m); });
    main.setHandler(ui::Command::Restore, [](ui::MainWindowLink& m, int) { runRestore(m); });
}

}  // namespace backupui
