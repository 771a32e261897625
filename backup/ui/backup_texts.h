// The messages of the backup and restore windows.
#pragma once

#include <QString>

namespace backupui::texts {

inline const QString kBackupDone = QStringLiteral("Backup completed successfully.");
inline const QString kBackupFailed =
    QStringLiteral("An error occurred during backup.  Backup not completed.");
inline const QString kBackupInUse = QStringLiteral(
    "Backing up the database requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is not in use by another program  or that no other users are running the software or "
    "that no other copies of the software are in use.");
inline const QString kBackupNoRoomDatabase = QStringLiteral(
    "There is not enough room on the destination drive to perform a backup.  If you are already "
    "using blank empty media, then you will need to use the ASCII Delimited Import/Export "
    "functions for backup and restore purposes.");
inline const QString kBackupNoRoomDefinitions = QStringLiteral(
    "There is not enough room on the destination drive to backup this file.  You will need to "
    "free up space on the destination drive or use an alternative method to backup the "
    "\"TMKBOOK.URP\" file.");
inline const QString kBackupSameFile = QStringLiteral(
    "The folder chosen already holds the files to back up.  Choose another folder to back up "
    "to.");

inline const QString kRestoreDone = QStringLiteral("Restore completed successfully.");
inline const QString kRestoreFailed =
    QStringLiteral("An error occurred during restore.  Restore not completed.");
inline const QString kRestoreInUse = QStringLiteral(
    "Unable to restore the database.  Make sure the database is not in use by any other users "
    "or by another copy of the software.");
inline const QString kRestoreNoRoom = QStringLiteral(
    "There is not enough room on the destination drive to perform a restore.  You will need to "
    "free up hard drive space before completing the restore.");
inline const QString kRestoreListsDone =
    QStringLiteral("ALL proper LST files restored successfully.");
inline const QString kRestoreListsMissing = QStringLiteral(
    "One or more files were not restored.  Restore may not have completed successfully.");
inline const QString kRestoreDefinitionsMissing = QStringLiteral(
    "The Report Definitions file \"TMKBOOK.URP\" could not be  located on the specified source "
    "drive.");
inline const QString kRestoreSameFile = QStringLiteral(
    "The file chosen is the one the program uses.  Choose a file from a backup in another "
    "folder.");
inline const QString kNotCollection = QStringLiteral(
    "This DBase file was not created with Tomekeep Books 95.  It cannot be opened.  You may, "
    "however, import data from this file using the import function.");

// The warning for a list file the restore folder lacks.
inline QString listMissing(const QString& name) {
    return QStringLiteral("The following file \"") + name + QStringLiteral("\" could not be") +
           QStringLiteral(" located on the specified source drive.");
}

}  // namespace backupui::texts
