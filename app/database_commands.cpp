#include "app/database_commands.h"

#include <QFile>
#include <QFileInfo>

#include <functional>
#include <stdexcept>

#include <QAction>

#include "app/tmain.h"
#include "app/tmysortorder.h"
#include "data/collection.h"
#include "data/database_files.h"
#include "data/error_text.h"
#include "data/old_versions.h"
#include "data/run_state.h"
#include "data/sort_expression.h"
#include "dbase/table.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "ui/messages.h"

namespace app {

namespace {

const QString kErrorFileType = QStringLiteral("Invalid file type selected.");
const QString kErrorLayout = QStringLiteral(
    "This DBase file was not created with Tomekeep Books 95.  It cannot be opened.  You may, "
    "however, "
    "import data from this file using the import function.");
const QString kErrorStartDatabase = QStringLiteral(
    "The last database used as recorded in the INI file is not a valid Tomekeep Books 95 file.  "
    "You will "
    "need to choose a new file.");
const QString kQuestionPack = QStringLiteral(
    "Deleted items are not permanently removed from the database until packing occurs.  Packing "
    "simply "
    "removes them to free up space.  Continue?");
const QString kErrorPack = QStringLiteral(
    "Unable to pack table.  Packing requires exclusive use of the DBase File.  Make sure that the "
    "DBase File "
    "is not in use by another program  or that no other users are running the software or that no "
    "other "
    "copies of the software are in use.");
const QString kQuestionRebuild = QStringLiteral(
    "It is possible for your index files to become corrupted.  As a result, some items may not "
    "show up in "
    "the viewer or in reports.  This will rebuild your index files correctly.  Continue?");
const QString kErrorRebuild = QStringLiteral(
    "Unable to reindex table.  Reindexing requires exclusive use of the DBase File.  Make sure "
    "that the "
    "DBase File is not in use by another program  or that no other users are running the software "
    "or that "
    "no other copies of the software are in use.");

QString errorText(TMain& main, const std::exception& e) {
    return books::errorText(e, main.settings());
}

bool hasDbfExtension(const QString& path) {
    return path.right(4).toUpper() == QStringLiteral(".DBF");
}

// After the open collection changed: the viewer settings again, the last
// database and the last-files list follow the new file.
void followSwitch(TMain& main, const QString& previous) {
    auto& s = main.settings();
    const QString full = main.collection().path();
    s.lastDatabase = full;
    main.SetViewerOptions();
    books::doLastFiles(s.lastFiles, previous, full);
    SetMenuLastFiles(main);
}

// Opens the collection shared again after a failed command, telling the user
// when even that fails.
void reopenAfterFailure(TMain& main) {
    try {
        main.collection().reopenShared();
    } catch (const dbase::Error& e) {
        ui::showError(&main, errorText(main, e));
    }
    main.SetViewerOptions();
}

void DoSortOrder(TMain& main) {
    TMySortOrder dialog(main, &main);
    dialog.exec();
}

}  // namespace

void registerHandlers(TMain& main) {
    using C = TMain::Command;
    TMain* m = &main;
    main.setHandler(C::New, [m](ui::MainWindowLink&, int) { DoNew(*m); });
    main.setHandler(C::Open, [m](ui::MainWindowLink&, int) { DoOpen(*m); });
    main.setHandler(C::LastFile, [m](ui::MainWindowLink&, int k) {
        const auto& files = m->settings().lastFiles;
        if (k < 1 || k > static_cast<int>(files.size()))
            return;
        const QString path = files[static_cast<std::size_t>(k - 1)];
        if (!path.isEmpty())
            OpenSaveFile(*m, path);
    });
    main.setHandler(C::SortOrder, [m](ui::MainWindowLink&, int) { DoSortOrder(*m); });
    main.setHandler(C::Pack, [m](ui::MainWindowLink&, int) { MenuPackClick(*m); });
    main.setHandler(C::Rebuild, [m](ui::MainWindowLink&, int) { MenuRebuildClick(*m); });
}

// ---- Checks ---------------------------------------------------------------

bool CheckDBaseFormat(QWidget* owner, TMain& main, const QString& path) {
    bool valid = false;
    try {
        valid = books::hasLayout(main.collection().checkTable(), path, books::Layout::Book);
    } catch (const dbase::Error& e) {
        ui::showError(owner, errorText(main, e));
        return false;
    }
    if (!valid)
        ui::showError(owner, kErrorLayout);
    return valid;
}

// ---- Switching ------------------------------------------------------------

bool switchTo(TMain& main, const QString& path, books::SortTagRule rule) {
    if (main.runState().searchActive)
        main.DoEndSearch();
    const QString previous = main.collection().path();
    std::string tagProblem;
    try {
        main.collection().switchTo(path, rule, &tagProblem);
    } catch (const dbase::Error& e) {
        // The previous collection is still the open one.
        ui::showError(&main, errorText(main, e));
        main.SetViewerOptions();
        return false;
    }
    if (!tagProblem.empty())
        ui::showError(&main,
                      books::withDisplayNames(QString::fromStdString(tagProblem), main.settings()));
    followSwitch(main, previous);
    return true;
}

OpenResult DoOpen(TMain& main) {
    if (!main.postPending())
        return OpenResult::Refused;
    const QString path = ui::getOpenFileName(
        &main, main.DataOpenDialog.title, QFileInfo(main.databasePath()).absolutePath(),
        main.DataOpenDialog.filter, main.DataOpenDialog.defaultExt);
    if (path.isEmpty())
        return OpenResult::Cancelled;
    if (!hasDbfExtension(path)) {
        ui::showError(&main, kErrorFileType);
        return OpenResult::Refused;
    }
    if (!CheckDBaseFormat(&main, main, path))
        return OpenResult::Refused;
    return switchTo(main, path, books::SortTagRule::UnlessHeld) ? OpenResult::Switched
                                                                : OpenResult::Refused;
}

void DoNew(TMain& main) {
    if (!main.postPending())
        return;
    const QString path = ui::getSaveFileName(
        &main, main.DataNewDialog.title, QFileInfo(main.databasePath()).absolutePath(),
        main.DataNewDialog.filter, main.DataNewDialog.defaultExt);
    if (path.isEmpty())
        return;
    if (main.runState().searchActive)
        main.DoEndSearch();
    if (!hasDbfExtension(path)) {
        ui::showError(&main, kErrorFileType);
        return;
    }
    const QString previous = main.collection().path();
    try {
        if (main.collection().createNew(path) == books::OpenCollection::CreateResult::InUse) {
            ui::showError(&main, QStringLiteral("The table \"") + path +
                                     QStringLiteral("\" is currently in use by another program.  "
                                                    "New table creation will be aborted."));
            main.SetViewerOptions();
            return;
        }
    } catch (const dbase::Error& e) {
        ui::showError(&main, errorText(main, e));
        main.SetViewerOptions();
        return;
    }
    followSwitch(main, previous);
}

void OpenSaveFile(TMain& main, const QString& path) {
    if (main.postPending() && CheckDBaseFormat(&main, main, path))
        switchTo(main, path, books::SortTagRule::UnlessHeld);
    main.DisplayCount();
}

void SetMenuLastFiles(TMain& main) {
    main.showLastFiles(main.settings().lastFiles);
}

// ---- Start-up -------------------------------------------------------------

bool openAtStartup(TMain& main, const QString& path) {
    if (CheckDBaseFormat(&main, main, path)) {
        try {
            main.collection().openWithSortTag(path);
            main.settings().lastDatabase = main.collection().path();
            return true;
        } catch (const dbase::Error& e) {
            ui::showError(&main, errorText(main, e));
        }
    }
    ui::showError(&main, kErrorStartDatabase);
    for (;;) {
        switch (DoOpen(main)) {
            case OpenResult::Cancelled:
                return false;
            case OpenResult::Switched:
                if (main.collection().isOpen())
                    return true;
                break;
            case OpenResult::Refused:
                break;
        }
    }
}

void CheckForConversion(TMain& main) {
    struct OldVersion {
        const char* fileName;
        books::Layout layout;
        const char* version;
        int (*convert)(dbase::Table&, const QString&, dbase::Table&);
    };
    static const OldVersion kOld[] = {
        {"B2LOG.DBF", books::Layout::Version2, "2.X", &books::convertV2},
        {"BLOG.DBF", books::Layout::Version1, "1.X", &books::convertV1},
    };
    const QString dir = main.runState().programDirectory;
    for (const OldVersion& old : kOld) {
        const QString path = settings::findFileNoCase(dir, QLatin1String(old.fileName));
        if (path.isEmpty())
            continue;
        try {
            if (!books::hasLayout(main.collection().checkTable(), path, old.layout))
                continue;
        } catch (const dbase::Error& e) {
            ui::showError(&main, errorText(main, e));
            continue;
        }
        const QString question =
            QStringLiteral("A database from a previous version (") + QLatin1String(old.version) +
            QStringLiteral(
                ") has been detected.  Would you like to convert it now?  NOTE: After conversion "
                "the "
                "old file will be deleted.  You may wish to make a copy of \"") +
            path + QStringLiteral("\" first.");
        if (!ui::askYesNo(&main, QStringLiteral("Convert"), question))
            continue;
        try {
            old.convert(main.collection().checkTable(), path, main.collection().table());
        } catch (const dbase::Error& e) {
            ui::showError(&main, errorText(main, e));
            continue;  // the old file stays for another try
        }
        QFile::remove(path);
    }
    main.DisplayCount();
}

// ---- Maintenance ------------------------------------------------------------

void MenuPackClick(TMain& main) {
    if (!ui::askYesNo(&main, QStringLiteral("Confirm"), kQuestionPack))
        return;
    try {
        main.collection().pack();
        main.SetViewerOptions();
    } catch (const dbase::Error& e) {
        reopenAfterFailure(main);
        // The fixed text, then what stopped it (in use, damaged, disk full, ...).
        ui::showError(&main, kErrorPack + QStringLiteral("\n\n") + errorText(main, e));
    }
    main.DisplayCount();
}

void MenuRebuildClick(TMain& main) {
    if (!ui::askYesNo(&main, QStringLiteral("Confirm"), kQuestionRebuild))
        return;
    try {
        main.collection().rebuildIndexes();
        main.SetViewerOptions();
    } catch (const dbase::Error& e) {
        reopenAfterFailure(main);
        // The fixed text, then what stopped it (in use, damaged, disk full, ...).
        ui::showError(&main, kErrorRebuild + QStringLiteral("\n\n") + errorText(main, e));
    }
    main.DisplayCount();
}

// ---- Sort order -------------------------------------------------------------

SortResult applySortOrder(TMain& main, const std::array<int, 4>& levels, QString* failure) {
    auto& s = main.settings();
    const auto kept = s.sortOrder;
    books::OpenCollection::SortResult result = books::OpenCollection::SortResult::Failed;
    std::string why;
    try {
        result = main.collection().applySortOrder(
            levels,
            [&] {
                s.sortOrder = levels;
                QString saveError;
                const bool saved = s.save(settings::settingsFile(), &saveError);
                if (!saved)
                    throw books::Error(dbase::Error::Kind::Io, saveError);
            },
            &why);
    } catch (const dbase::Error& e) {
        // The table could not be opened again afterwards.
        ui::showError(&main, errorText(main, e));
    }
    if (failure)
        *failure = books::withDisplayNames(QString::fromStdString(why), main.settings());
    main.SetViewerOptions();
    switch (result) {
        case books::OpenCollection::SortResult::Applied:
            return SortResult::Applied;
        case books::OpenCollection::SortResult::InUse:
            return SortResult::InUse;
        case books::OpenCollection::SortResult::Failed:
            break;
    }
    s.sortOrder = kept;
    return SortResult::Failed;
}

}  // namespace app
