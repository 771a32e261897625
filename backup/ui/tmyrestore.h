// TMyRestore, "Restore": copies a collection, the nine pick-list files or the
// report definitions from a backup folder into the program directory. The
// file picked in the open dialog names the collection, or marks the folder
// that holds the lists or "TMKBOOK.URP".
#pragma once

#include <QDialog>

#include "backup/backup_runs.h"

class QGroupBox;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ui {
class MainWindowLink;
}

namespace backupui {

class TMyRestore : public QDialog {
    Q_OBJECT
  public:
    TMyRestore(ui::MainWindowLink& main, QWidget* parent = nullptr);

    void StartButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();

    // The file-open dialog, prepared by the kind chosen before it runs.
    struct OpenDialog {
        QString title, defaultExt, filter, fileName;
    };
    OpenDialog MyOpenDialog;

    QGroupBox* WhatPanel = nullptr;
    QRadioButton *RestoreDBF = nullptr, *RestoreLST = nullptr, *RestoreURP = nullptr;
    QProgressBar* CopyProgress = nullptr;
    QPushButton *StartButton = nullptr, *CancelButton = nullptr, *HelpButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void SetColors();
    void prepareOpenDialog();
    void restoreDatabase(const QString& picked);
    void restoreLists(const QString& picked);
    void restoreDefinitions(const QString& picked);
    // Tells the user why a run did not complete.
    void reportFailure(const backup::RunResult& result);
    void completed();

    ui::MainWindowLink& main_;
    QString startFolder_;
    bool shown_ = false;
};

}  // namespace backupui
