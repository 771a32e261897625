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
#include "data/old_versions.h"
#include "data/run_state.h"
#include "data/sort_expression.h"
#include "dbase/table.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "ui/messages.h"

namespace dbcommands {

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

const std::string kTag = books::kSortTagName;

QString errorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

bool hasDbfExtension(const QString& path) {
    return path.right(4).toUpper() == QStringLiteral(".DBF");
}

// Opens MyTable shared; when the selected tag is not in the file (a
// collection held by another program keeps the selection it had), opens it
// in record order instead. Reports an engine refusal and returns false.
bool openShared(TMain& main) {
    dbase::Table& t = main.MyTable();
    t.close();
    t.setMode(dbase::OpenMode::Shared);
    t.setReadOnly(false);
    try {
        t.open();
        return true;
    } catch (const dbase::Error& first) {
        if (t.indexTag().empty()) {
            ui::showError(&main, errorText(first));
            return false;
        }
    }
    try {
        t.setIndexTag({});
        t.open();
        return true;
    } catch (const dbase::Error& e) {
        ui::showError(&main, errorText(e));
        return false;
    }
}

// The tag "NewIndex" dropped and added afresh from the sort expression, with
// MyTable closed or open exclusive. An empty expression leaves no tag
// selected (and none added).
void rebuildSortTag(TMain& main) {
    dbase::Table& t = main.MyTable();
    const std::string expression = main.sortExpression().toStdString();
    if (expression.empty()) {
        // No order: only the selection goes. Dropping the tag would remove
        // the index file (it is the only tag) that other programs may read.
        t.setIndexTag({});
        return;
    }
    if (t.hasIndexFile()) {
        t.setIndexTag({});
        try {
            t.deleteIndexTag(kTag);
        } catch (const dbase::Error&) {
            // No such tag: there is nothing to drop.
        }
    }
    t.addIndexTag(kTag, expression);
    t.setIndexTag(kTag);
}

std::string runGuarded(const std::function<void()>& work) {
    try {
        work();
        return {};
    } catch (const std::exception& e) {
        return std::string(e.what()).empty() ? std::string("error") : std::string(e.what());
    }
}

void DoSortOrder(TMain& main) {
    TMySortOrder dialog(main, &main);
    dialog.exec();
}

}  // namespace

void registerHandlers() {
    TMain::setHandler(TMain::Command::New, [](TMain& m, int) { DoNew(m); });
    TMain::setHandler(TMain::Command::Open, [](TMain& m, int) { DoOpen(m); });
    TMain::setHandler(TMain::Command::LastFile, [](TMain& m, int k) {
        const auto& files = settings::settings().lastFiles;
        if (k < 1 || k > static_cast<int>(files.size()))
            return;
        const QString path = files[static_cast<std::size_t>(k - 1)];
        if (!path.isEmpty())
            OpenSaveFile(m, path);
    });
    TMain::setHandler(TMain::Command::SortOrder, [](TMain& m, int) { DoSortOrder(m); });
    TMain::setHandler(TMain::Command::Pack, [](TMain& m, int) { MenuPackClick(m); });
    TMain::setHandler(TMain::Command::Rebuild, [](TMain& m, int) { MenuRebuildClick(m); });
}

// ---- Checks ---------------------------------------------------------------

bool CheckDBaseFormat(QWidget* owner, TMain& main, const QString& path) {
    bool valid = false;
    try {
        valid = books::hasLayout(main.MyCheckTable(), path, books::Layout::Book);
    } catch (const std::exception& e) {
        ui::showError(owner, errorText(e));
        return false;
    }
    if (!valid)
        ui::showError(owner, kErrorLayout);
    return valid;
}

bool MakeNewDB(TMain& main, const QString& path) {
    if (QFileInfo::exists(path) && books::dbaseInUse(main.MyCheckTable(), path)) {
        ui::showError(&main,
                      QStringLiteral("The table \"") + path +
                          QStringLiteral("\" is currently in use by another program.  New table "
                                         "creation will be aborted."));
        return false;
    }
    dbase::Table& create = main.MyCreateTable();
    try {
        books::pointTable(create, path);
        books::createCollection(path);
        // An index left beside the replaced file describes records that are
        // gone; the new collection starts without one.
        if (create.hasIndexFile())
            QFile::remove(QString::fromStdString(create.indexFileName()));
    } catch (const std::exception& e) {
        // Creation failed: an old file of that name is not the new collection.
        ui::showError(&main, errorText(e));
        return false;
    }
    return QFileInfo::exists(path);
}

// ---- Switching ------------------------------------------------------------

void switchTo(TMain& main, const QString& path, SortTagRule rule) {
    if (books::runState().searchActive)
        main.DoEndSearch();
    auto& s = settings::settings();
    const QString previous = s.lastDatabase;
    main.pointCollection(path);  // closes MyTable; caption, index path, last database
    const QString full = main.databasePath();
    dbase::Table& t = main.MyTable();
    const bool rebuild =
        rule == SortTagRule::Always || !books::dbaseInUse(main.MyCheckTable(), full);
    if (rebuild) {
        try {
            rebuildSortTag(main);
        } catch (const std::exception& e) {
            t.setIndexTag({});
            ui::showError(&main, errorText(e));
        }
    }
    openShared(main);
    main.SetViewerOptions();
    books::doLastFiles(s.lastFiles, previous, full);
    SetMenuLastFiles(main);
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
    switchTo(main, path, SortTagRule::UnlessHeld);
    return OpenResult::Switched;
}

void DoNew(TMain& main) {
    if (!main.postPending())
        return;
    const QString path = ui::getSaveFileName(
        &main, main.DataNewDialog.title, QFileInfo(main.databasePath()).absolutePath(),
        main.DataNewDialog.filter, main.DataNewDialog.defaultExt);
    if (path.isEmpty())
        return;
    if (books::runState().searchActive)
        main.DoEndSearch();
    if (!hasDbfExtension(path)) {
        ui::showError(&main, kErrorFileType);
        return;
    }
    // The open collection holds its own file: let go of it before testing
    // whether anyone else does, and take it back if nothing is created.
    const bool replacingOpen = books::splitTablePath(path).fileName == main.databasePath();
    if (replacingOpen)
        main.MyTable().close();
    if (MakeNewDB(main, path)) {
        switchTo(main, path, SortTagRule::Always);
    } else if (replacingOpen) {
        openShared(main);
        main.SetViewerOptions();
    }
}

void OpenSaveFile(TMain& main, const QString& path) {
    if (main.postPending() && CheckDBaseFormat(&main, main, path))
        switchTo(main, path, SortTagRule::UnlessHeld);
    main.DisplayCount();
}

void SetMenuLastFiles(TMain& main) {
    const auto& files = settings::settings().lastFiles;
    bool any = false;
    for (const QString& f : files)
        any = any || !f.isEmpty();
    main.MenuExitSep->setVisible(any);
    for (std::size_t k = 0; k < files.size(); ++k) {
        QAction* item = main.MenuLastFile[k];
        if (!any || files[k].isEmpty()) {
            item->setVisible(false);
            continue;
        }
        item->setText(books::lastFileCaption(static_cast<int>(k) + 1, files[k]));
        item->setVisible(true);
    }
}

// ---- Start-up -------------------------------------------------------------

bool openAtStartup(TMain& main, const QString& path) {
    if (CheckDBaseFormat(&main, main, path)) {
        main.pointCollection(path);
        dbase::Table& t = main.MyTable();
        const std::string expression = main.sortExpression().toStdString();
        std::string failure = runGuarded([&] {
            if (expression.empty()) {
                t.setIndexTag({});
            } else {
                if (!t.hasIndexFile())
                    t.addIndexTag(kTag, expression);
                t.setIndexTag(kTag);
            }
            t.setMode(dbase::OpenMode::Shared);
            t.setReadOnly(false);
            t.open();
        });
        // An index without the tag (copied in from elsewhere): add it.
        if (!failure.empty() && !expression.empty())
            failure = runGuarded([&] {
                t.close();
                t.addIndexTag(kTag, expression);
                t.setIndexTag(kTag);
                t.open();
            });
        if (failure.empty())
            return true;
        t.setIndexTag({});
        if (openShared(main))
            return true;
    }
    ui::showError(&main, kErrorStartDatabase);
    for (;;) {
        switch (DoOpen(main)) {
            case OpenResult::Cancelled:
                return false;
            case OpenResult::Switched:
                if (main.MyTable().isOpen())
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
    const QString dir = books::runState().programDirectory;
    for (const OldVersion& old : kOld) {
        const QString path = paths::findFileNoCase(dir, QLatin1String(old.fileName));
        if (path.isEmpty())
            continue;
        try {
            if (!books::hasLayout(main.MyCheckTable(), path, old.layout))
                continue;
        } catch (const std::exception& e) {
            ui::showError(&main, errorText(e));
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
            old.convert(main.MyCheckTable(), path, main.MyTable());
        } catch (const std::exception& e) {
            ui::showError(&main, errorText(e));
            continue;  // the old file stays for another try
        }
        QFile::remove(path);
    }
    main.DisplayCount();
}

// ---- Maintenance ------------------------------------------------------------

namespace {

// Runs `work` on MyTable opened exclusive, then reopens it shared; on
// failure reopens it shared and shows `failure`.
void exclusiveMaintenance(TMain& main, const std::function<void(dbase::Table&)>& work,
                          const QString& failure) {
    dbase::Table& t = main.MyTable();
    const std::string error = runGuarded([&] {
        t.close();
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        work(t);
        t.close();
        t.setMode(dbase::OpenMode::Shared);
        t.open();
    });
    if (error.empty()) {
        main.SetViewerOptions();
        return;
    }
    openShared(main);
    main.SetViewerOptions();
    ui::showError(&main, failure);
}

}  // namespace

void MenuPackClick(TMain& main) {
    if (!ui::askYesNo(&main, QStringLiteral("Confirm"), kQuestionPack))
        return;
    exclusiveMaintenance(
        main, [](dbase::Table& t) { t.pack(); }, kErrorPack);
    main.DisplayCount();
}

void MenuRebuildClick(TMain& main) {
    if (!ui::askYesNo(&main, QStringLiteral("Confirm"), kQuestionRebuild))
        return;
    exclusiveMaintenance(
        main, [](dbase::Table& t) { t.regenerateIndexes(); }, kErrorRebuild);
    main.DisplayCount();
}

// ---- Sort order -------------------------------------------------------------

SortResult applySortOrder(TMain& main, const std::array<int, 4>& levels) {
    dbase::Table& t = main.MyTable();
    auto& s = settings::settings();
    t.close();
    if (books::dbaseInUse(main.MyCheckTable(), main.databasePath())) {
        openShared(main);
        main.SetViewerOptions();
        return SortResult::InUse;
    }
    const auto kept = s.sortOrder;
    const std::string error = runGuarded([&] {
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        s.sortOrder = levels;
        main.BuildSortString();
        rebuildSortTag(main);
        // In browse mode the file keeps the user's own "Field Editing",
        // which the run has switched off.
        const bool editing = s.gridFieldEditing;
        if (books::runState().browseMode)
            s.gridFieldEditing = books::runState().savedFieldEditing;
        QString saveError;
        const bool saved = settings::saveSettings(&saveError);
        s.gridFieldEditing = editing;
        if (!saved)
            throw std::runtime_error(saveError.toStdString());
        t.close();
        t.setMode(dbase::OpenMode::Shared);
        t.open();
    });
    if (error.empty()) {
        main.SetViewerOptions();
        return SortResult::Applied;
    }
    s.sortOrder = kept;
    main.BuildSortString();
    // The block may have got as far as replacing the tag: build it again from
    // the kept levels, so that the order shown (and found at the next start,
    // which reuses the tag) is the order the settings name. Best effort: if
    // this fails too, the table still opens below.
    runGuarded([&] {
        t.close();
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        rebuildSortTag(main);
        t.close();
    });
    openShared(main);
    main.SetViewerOptions();
    return SortResult::Failed;
}

}  // namespace dbcommands
