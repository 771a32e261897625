#include "backup/ui/tmyrestore.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "backup/ui/backup_texts.h"
#include "backup/ui/copy_feedback.h"
#include "data/error_text.h"
#include "data/open_collection.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace backupui {

namespace {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

TMyRestore::TMyRestore(ui::MainWindowLink& main, QWidget* parent)
    : QDialog(parent), main_(main), startFolder_(QDir::homePath()) {
    setObjectName(QStringLiteral("MyRestore"));
    setWindowTitle(QStringLiteral("Restore"));
    setModal(true);
    setFixedSize(420, 190);

    WhatPanel = named(new QGroupBox(QStringLiteral("What To Restore"), this), "WhatPanel");
    WhatPanel->setGeometry(8, 8, 404, 104);
    RestoreDBF =
        named(new QRadioButton(QStringLiteral("Restore a Database File (*.DBF)"), WhatPanel),
              "RestoreDBF");
    RestoreDBF->setGeometry(12, 24, 380, 22);
    RestoreLST = named(new QRadioButton(QStringLiteral("Restore List Files (*.LST)"), WhatPanel),
                       "RestoreLST");
    RestoreLST->setGeometry(12, 48, 380, 22);
    RestoreURP =
        named(new QRadioButton(QStringLiteral("Restore Report Definitions (*.URP)"), WhatPanel),
              "RestoreURP");
    RestoreURP->setGeometry(12, 72, 380, 22);

    CopyProgress = named(new QProgressBar(this), "CopyProgress");
    CopyProgress->setGeometry(8, 120, 404, 12);
    CopyProgress->setTextVisible(false);
    CopyProgress->hide();

    StartButton = named(new QPushButton(QStringLiteral("&Start Restore"), this), "StartButton");
    StartButton->setGeometry(18, 146, 120, 28);
    StartButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(150, 146, 120, 28);
    CancelButton->setAutoDefault(false);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(282, 146, 120, 28);
    HelpButton->setAutoDefault(false);

    connect(StartButton, &QPushButton::clicked, this, &TMyRestore::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMyRestore::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMyRestore::HelpButtonClick);
    RestoreDBF->setChecked(true);
}

void TMyRestore::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMyRestore::FormShow() {
    ui::prepareForm(this, main_);
    SetColors();
    RestoreDBF->setChecked(true);
}

void TMyRestore::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

void TMyRestore::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Backup and Restore"));
}

void TMyRestore::CancelButtonClick() {
    reject();
}

void TMyRestore::completed() {
    CancelButton->setText(QStringLiteral("&Close"));
    CancelButton->setFocus();
}

void TMyRestore::prepareOpenDialog() {
    if (RestoreDBF->isChecked())
        MyOpenDialog = {QStringLiteral("Restore DBF File"),
                        QStringLiteral("DBF"),
                        QStringLiteral("DBase Files (*.DBF *.dbf)"),
                        {}};
    else if (RestoreLST->isChecked())
        MyOpenDialog = {QStringLiteral("Restore LST Files"),
                        QStringLiteral("LST"),
                        QStringLiteral("List Files (*.LST *.lst)"),
                        {}};
    else
        MyOpenDialog = {QStringLiteral("Restore URP File"), QStringLiteral("URP"),
                        QStringLiteral("Reports Files (*.URP *.urp)"),
                        backup::definitionsFileName()};
}

void TMyRestore::StartButtonClick() {
    prepareOpenDialog();
    const QString start = MyOpenDialog.fileName.isEmpty()
                              ? startFolder_
                              : QDir(startFolder_).filePath(MyOpenDialog.fileName);
    const QString picked = ui::getOpenFileName(this, MyOpenDialog.title, start, MyOpenDialog.filter,
                                               MyOpenDialog.defaultExt);
    if (picked.isEmpty())
        return;
    // The next pick starts in the backup folder just used.
    startFolder_ = QFileInfo(picked).absolutePath();
    if (RestoreDBF->isChecked())
        restoreDatabase(picked);
    else if (RestoreLST->isChecked())
        restoreLists(picked);
    else
        restoreDefinitions(picked);
}

void TMyRestore::reportFailure(const backup::RunResult& result) {
    using backup::Outcome;
    namespace t = backupui::texts;
    switch (result.outcome) {
        case Outcome::Done:
        case Outcome::SomeMissing:
            break;
        case Outcome::InUse:
            // A plain message box under the program's title.
            ui::showNotice(this, t::kRestoreInUse, QStringLiteral("Tomekeep Books 95"));
            break;
        case Outcome::NoRoom:
            ui::showError(this, t::kRestoreNoRoom);
            break;
        case Outcome::SameFile:
            ui::showError(this, t::kRestoreSameFile);
            break;
        case Outcome::NotCollection:
            ui::showError(this, result.detail.isEmpty() ? t::kNotCollection : result.detail);
            break;
        case Outcome::SourceMissing:
            ui::showError(this, t::kRestoreDefinitionsMissing);
            break;
        case Outcome::OpenFailed:
        case Outcome::ListsNotSaved:
            ui::showError(this, result.detail);
            break;
        case Outcome::CopyFailed:
            ui::showError(this, t::kRestoreFailed);
            break;
    }
}

// A restore ends a search for good: the restored collection replaces the
// one it was made on.
void TMyRestore::restoreDatabase(const QString& picked) {
    if (main_.searchActive())
        main_.endSearch();
    backup::RunResult result;
    QString tagProblem;
    try {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::restoreDatabase(main_.collection(), picked,
                                         backup::programDirectory(main_.runState()),
                                         main_.settings(), feedback.progress(), &tagProblem);
    } catch (const std::exception& e) {
        ui::showError(this, books::errorText(e, main_.settings()));
        main_.reapplyViewerOptions();
        main_.refreshCount();
        return;
    }
    main_.reapplyViewerOptions();
    main_.refreshCount();
    if (result.outcome != backup::Outcome::Done) {
        reportFailure(result);
        return;
    }
    // The restored collection is the one the next start opens.
    main_.settings().lastDatabase = main_.collection().path();
    if (!tagProblem.isEmpty())
        ui::showError(this, books::withDisplayNames(tagProblem, main_.settings()));
    ui::showNotice(this, backupui::texts::kRestoreDone);
    completed();
}

void TMyRestore::restoreLists(const QString& picked) {
    backup::RunResult result;
    {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::restoreLists(
            QFileInfo(picked).absolutePath(), backup::programDirectory(main_.runState()),
            [this](const QString& name) {
                ui::showWarning(this, backupui::texts::listMissing(name));
            },
            feedback.progress());
    }
    const bool finished =
        result.outcome == backup::Outcome::Done || result.outcome == backup::Outcome::SomeMissing;
    if (result.outcome == backup::Outcome::Done)
        ui::showNotice(this, backupui::texts::kRestoreListsDone);
    else if (result.outcome == backup::Outcome::SomeMissing)
        ui::showNotice(this, backupui::texts::kRestoreListsMissing);
    else
        reportFailure(result);
    // Read again also after a failed copy: the lists held in memory would
    // otherwise be written over the files already restored.
    main_.reloadPickLists();
    if (finished)
        completed();
}

void TMyRestore::restoreDefinitions(const QString& picked) {
    backup::RunResult result;
    {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::restoreDefinitions(QFileInfo(picked).absolutePath(),
                                            backup::programDirectory(main_.runState()),
                                            feedback.progress());
    }
    if (result.outcome != backup::Outcome::Done) {
        reportFailure(result);
        return;
    }
    main_.reloadReportList();
    ui::showNotice(this, backupui::texts::kRestoreDone);
    completed();
}

}  // namespace backupui
