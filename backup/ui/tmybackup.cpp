#include "backup/ui/tmybackup.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTreeView>

#include <algorithm>

#include "backup/ui/backup_texts.h"
#include "backup/ui/copy_feedback.h"
#include "data/error_text.h"
#include "data/open_collection.h"
#include "settings/paths.h"
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

// The mounted file system that holds `path`: the longest root it lies under.
QString rootOf(const QString& path) {
    const QStorageInfo storage(path);
    return storage.isValid() ? storage.rootPath() : QStringLiteral("/");
}

}  // namespace

TMyBackup::TMyBackup(ui::MainWindowLink& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MyBackup"));
    setWindowTitle(QStringLiteral("Backup"));
    setModal(true);
    setFixedSize(440, 420);

    WhatPanel = named(new QGroupBox(QStringLiteral("What To Back Up"), this), "WhatPanel");
    WhatPanel->setGeometry(8, 8, 424, 104);
    BackDBF = named(new QRadioButton(QStringLiteral("Back Up Current Database (*.DBF)"), WhatPanel),
                    "BackDBF");
    BackDBF->setGeometry(12, 24, 400, 22);
    BackLST =
        named(new QRadioButton(QStringLiteral("Back Up Lists (*.LST)"), WhatPanel), "BackLST");
    BackLST->setGeometry(12, 48, 400, 22);
    BackURP =
        named(new QRadioButton(QStringLiteral("Back Up Report Definitions (*.URP)"), WhatPanel),
              "BackURP");
    BackURP->setGeometry(12, 72, 400, 22);

    WherePanel = named(new QGroupBox(QStringLiteral("Where To Back Up To"), this), "WherePanel");
    WherePanel->setGeometry(8, 118, 424, 238);
    DriveBox = named(new QComboBox(WherePanel), "DriveBox");
    DriveBox->setGeometry(12, 24, 400, 24);
    DriveBox->setToolTip(QStringLiteral("The drive (mounted file system) to back up to"));
    DirBox = named(new QTreeView(WherePanel), "DirBox");
    DirBox->setGeometry(12, 54, 400, 174);
    DirBox->setToolTip(QStringLiteral("The folder to back up to"));
    dirs_ = new QFileSystemModel(this);
    dirs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirs_->setReadOnly(true);
    DirBox->setModel(dirs_);
    for (int column = 1; column < dirs_->columnCount(); ++column)
        DirBox->hideColumn(column);
    DirBox->header()->hide();
    ui::markRole(DirBox, ui::ColorRole::List);
    ui::markRole(DriveBox, ui::ColorRole::Combo);

    CopyProgress = named(new QProgressBar(this), "CopyProgress");
    CopyProgress->setGeometry(8, 362, 424, 12);
    CopyProgress->setTextVisible(false);
    CopyProgress->hide();

    StartButton = named(new QPushButton(QStringLiteral("&Start Back Up"), this), "StartButton");
    StartButton->setGeometry(24, 382, 120, 28);
    StartButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(160, 382, 120, 28);
    CancelButton->setAutoDefault(false);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(296, 382, 120, 28);
    HelpButton->setAutoDefault(false);

    connect(StartButton, &QPushButton::clicked, this, &TMyBackup::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMyBackup::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMyBackup::HelpButtonClick);
    connect(DriveBox, &QComboBox::activated, this, &TMyBackup::DriveBoxChange);
    connect(DirBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    directory_ = dirs_->filePath(current);
            });

    fillDrives();
    BackDBF->setChecked(true);
    setDirectory(backup::programDirectory(main_.runState()));
}

void TMyBackup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMyBackup::FormShow() {
    ui::prepareForm(this, main_);
    SetColors();
    BackDBF->setChecked(true);
    setDirectory(backup::programDirectory(main_.runState()));
}

void TMyBackup::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

// The drives of this desktop: the mounted file systems a user keeps files on.
void TMyBackup::fillDrives() {
    DriveBox->clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        // System folders mounted for the system's own use hold no backups.
        if (root.startsWith(QStringLiteral("/proc")) || root.startsWith(QStringLiteral("/sys")) ||
            root.startsWith(QStringLiteral("/dev")) ||
            root.startsWith(QStringLiteral("/run/user")) || root == QStringLiteral("/boot/efi"))
            continue;
        roots << root;
    }
    for (const QString& path :
         {QStringLiteral("/"), backup::programDirectory(main_.runState()), QDir::homePath()})
        roots << rootOf(path);
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    for (const QString& root : roots) {
        const QStorageInfo volume(root);
        const QString name = volume.displayName();
        DriveBox->addItem(name.isEmpty() || name == root
                              ? root
                              : root + QStringLiteral("  [") + name + QLatin1Char(']'),
                          root);
    }
}

void TMyBackup::selectDriveOf(const QString& path) {
    const QString root = rootOf(path);
    int at = DriveBox->findData(root);
    if (at < 0) {
        DriveBox->addItem(root, root);
        at = DriveBox->count() - 1;
    }
    DriveBox->setCurrentIndex(at);
}

void TMyBackup::showDirectory(const QString& path) {
    const QString root = DriveBox->currentData().toString();
    dirs_->setRootPath(root);
    DirBox->setRootIndex(dirs_->index(root));
    const QModelIndex at = dirs_->index(path);
    directory_ = QDir::cleanPath(path);
    if (at.isValid()) {
        DirBox->setCurrentIndex(at);
        DirBox->scrollTo(at);
        DirBox->expand(at);
    }
}

void TMyBackup::setDirectory(const QString& path) {
    selectDriveOf(path);
    showDirectory(path);
}

// The directory list follows the drive chosen, at its top folder.
void TMyBackup::DriveBoxChange() {
    showDirectory(DriveBox->currentData().toString());
}

void TMyBackup::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Backup and Restore"));
}

void TMyBackup::CancelButtonClick() {
    reject();
}

void TMyBackup::completed() {
    ui::showNotice(this, backupui::texts::kBackupDone);
    CancelButton->setText(QStringLiteral("&Close"));
    CancelButton->setFocus();
}

bool TMyBackup::report(const backup::RunResult& result, const QString& noRoom) {
    using backup::Outcome;
    namespace t = backupui::texts;
    switch (result.outcome) {
        case Outcome::Done:
            return true;
        case Outcome::InUse:
            ui::showError(this, t::kBackupInUse);
            break;
        case Outcome::NoRoom:
            ui::showError(this, noRoom);
            break;
        case Outcome::SameFile:
            ui::showError(this, t::kBackupSameFile);
            break;
        case Outcome::ListsNotSaved:
            ui::showError(this, result.detail);
            break;
        default:
            ui::showError(this, t::kBackupFailed);
            break;
    }
    return false;
}

void TMyBackup::StartButtonClick() {
    if (directory_.isEmpty())
        return;
    if (BackDBF->isChecked())
        backupDatabase();
    else if (BackLST->isChecked())
        backupLists();
    else if (BackURP->isChecked())
        backupDefinitions();
}

// The collection is closed for the copy: a search in force is ended for that
// time and begun again afterwards with the same test.
void TMyBackup::backupDatabase() {
    const bool searching = main_.searchActive();
    const auto test = main_.activeSearch();
    if (searching)
        main_.endSearch();
    backup::RunResult result;
    bool engineFailed = false;
    try {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::backupDatabase(main_.collection(), directory_, feedback.progress());
    } catch (const std::exception& e) {
        engineFailed = true;
        ui::showError(this, books::errorText(e, main_.settings()));
    }
    if (searching && main_.collection().isOpen() && !main_.beginSearch(test))
        main_.endSearch();
    main_.reapplyViewerOptions();
    main_.refreshCount();
    if (!engineFailed && report(result, backupui::texts::kBackupNoRoomDatabase))
        completed();
}

void TMyBackup::backupLists() {
    backup::RunResult result;
    {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::backupLists(main_.pickLists(), directory_, feedback.progress());
    }
    if (report(result, {}))
        completed();
}

void TMyBackup::backupDefinitions() {
    backup::RunResult result;
    {
        backupui::CopyFeedback feedback(CopyProgress);
        result = backup::backupDefinitions(backup::programDirectory(main_.runState()), directory_,
                                           feedback.progress());
    }
    if (report(result, backupui::texts::kBackupNoRoomDefinitions))
        completed();
}

}  // namespace backupui
