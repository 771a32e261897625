// The main window's Backup and Restore commands.
#pragma once

namespace ui {
class MainWindowLink;
}

namespace backupui {

// Registers the handlers of Backup and Restore with the main window.
void registerHandlers(ui::MainWindowLink& main);

// What the commands do: the backup or restore dialog, modally; the count is
// refreshed after a restore.
void runBackup(ui::MainWindowLink& main);
void runRestore(ui::MainWindowLink& main);

}  // namespace backupui
