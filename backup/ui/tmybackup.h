// TMyBackup, "Backup": copies the open collection's table file, the nine
// pick-list files or the report definitions to a folder the user chooses.
//
// The drive selector lists the mounted file systems (the system's root, the
// home folder's, removable media); the directory list below it is a folder
// tree of the chosen one. Both start at the program directory.
#pragma once

#include <QDialog>

#include "backup/backup_runs.h"

class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace ui {
class MainWindowLink;
}

namespace backupui {

class TMyBackup : public QDialog {
    Q_OBJECT
  public:
    TMyBackup(ui::MainWindowLink& main, QWidget* parent = nullptr);

    void StartButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();
    void DriveBoxChange();

    // The folder selected in the directory list: where the backup goes.
    QString directory() const { return directory_; }
    // Selects `path` in the drive selector and the directory list.
    void setDirectory(const QString& path);

    QGroupBox *WhatPanel = nullptr, *WherePanel = nullptr;
    QRadioButton *BackDBF = nullptr, *BackLST = nullptr, *BackURP = nullptr;
    QComboBox* DriveBox = nullptr;
    QTreeView* DirBox = nullptr;
    QProgressBar* CopyProgress = nullptr;
    QPushButton *StartButton = nullptr, *CancelButton = nullptr, *HelpButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void SetColors();
    void fillDrives();
    void selectDriveOf(const QString& path);
    void showDirectory(const QString& path);
    void backupDatabase();
    void backupLists();
    void backupDefinitions();
    // Tells the user how a run ended; true when it completed.
    bool report(const backup::RunResult& result, const QString& noRoom);
    void completed();

    ui::MainWindowLink& main_;
    QFileSystemModel* dirs_ = nullptr;
    QString directory_;
    bool shown_ = false;
};

}  // namespace backupui
