#include "backup/backup_runs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/collection.h"
#include "data/database_files.h"
#include "data/error_text.h"
#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "dbase/table.h"
#include "settings/paths.h"

namespace backup {

namespace {

RunResult result(Outcome outcome, QString detail = {}) {
    return RunResult{outcome, std::move(detail)};
}

RunResult fromCopy(const CopyResult& copy) {
    switch (copy.status) {
        case CopyStatus::Copied:
            return result(Outcome::Done);
        case CopyStatus::SameFile:
            return result(Outcome::SameFile);
        case CopyStatus::SourceUnreadable:
        case CopyStatus::Failed:
        case CopyStatus::Stopped:
            break;
    }
    return result(Outcome::CopyFailed, copy.reason);
}

// The file of a fixed name in `directory`: an existing one in any letter
// case, else the name as written.
QString fixedName(const QString& directory, const QString& name) {
    const QString found = settings::findFileNoCase(directory, name);
    return found.isEmpty() ? inFolder(directory, name) : found;
}

// Two folders that are one (also through links).
bool sameFolder(const QString& a, const QString& b) {
    return sameFile(a, b);
}

// Closes the open collection; when closing reports a failure the table is
// closed all the same, so it is opened again before the failure goes on.
void closeCollection(books::OpenCollection& collection) {
    try {
        collection.table().close();
    } catch (const dbase::Error&) {
        collection.reopenShared();
        throw;
    }
}

}  // namespace

QString programDirectory(const books::RunState& run) {
    const QString dir = run.programDirectory;
    return dir.isEmpty() ? settings::programDirectory() : dir;
}

QString definitionsFileName() {
    return QStringLiteral("TMKBOOK.URP");
}

QStringList listFileNames() {
    QStringList names;
    for (int n = 1; n <= books::kPickListCount; ++n)
        names << books::PickLists::fileName(static_cast<books::PickList>(n));
    return names;
}

// ---- Backup ----------------------------------------------------------------

RunResult backupDatabase(books::OpenCollection& collection, const QString& folder,
                         const Progress& progress) {
    const QString source = collection.path();
    const QString target = inFolder(folder, collection.name() + QStringLiteral(".DBF"));
    if (sameFile(source, target))
        return result(Outcome::SameFile);
    closeCollection(collection);
    RunResult r;
    if (books::dbaseInUse(collection.checkTable(), source))
        r = result(Outcome::InUse);
    else if (!hasRoom(source, target))
        r = result(Outcome::NoRoom);
    else
        r = fromCopy(copyFile(source, target, progress));
    collection.reopenShared();
    return r;
}

RunResult backupLists(const books::PickLists& lists, const QString& folder,
                      const Progress& progress) {
    const QString programDir = lists.directory();
    if (sameFolder(programDir, folder))
        return result(Outcome::SameFile);
    // The files are copied as the lists in memory are: a list that cannot be
    // written would be backed up as it was before.
    const QString notSaved = lists.saveAll();
    if (!notSaved.isEmpty())
        return result(Outcome::ListsNotSaved, notSaved);
    for (const QString& name : listFileNames()) {
        const QString source = inFolder(programDir, name);
        if (!QFileInfo(source).isFile())
            continue;
        const RunResult r = fromCopy(copyFile(source, inFolder(folder, name), progress));
        if (r.outcome != Outcome::Done)
            return r;
    }
    return result(Outcome::Done);
}

RunResult backupDefinitions(const QString& programDir, const QString& folder,
                            const Progress& progress) {
    const QString source = fixedName(programDir, definitionsFileName());
    const QString target = fixedName(folder, definitionsFileName());
    if (sameFile(source, target))
        return result(Outcome::SameFile);
    if (!hasRoom(source, target))
        return result(Outcome::NoRoom);
    return fromCopy(copyFile(source, target, progress));
}

// ---- Restore ---------------------------------------------------------------

RunResult restoreDatabase(books::OpenCollection& collection, const QString& source,
                          const QString& programDir, const settings::Settings& settings,
                          const Progress& progress, QString* tagProblem) {
    const QString target = inFolder(programDir, QFileInfo(source).fileName());
    // The picked backup is only read: the copy gets its flag put right below.
    try {
        if (!books::hasLayout(collection.checkTable(), source, books::Layout::Book,
                              books::FlagRepair::Never))
            return result(Outcome::NotCollection);
    } catch (const std::exception& e) {
        return result(Outcome::NotCollection, books::errorText(e, settings));
    }
    if (sameFile(source, target))
        return result(Outcome::SameFile);

    // The open collection holds its own file: it lets go of it for the test.
    // A file of that name another program holds is never replaced either.
    const bool replacingOpen = sameFile(target, collection.path());
    if (replacingOpen)
        closeCollection(collection);
    if (QFileInfo::exists(target) && books::dbaseInUse(collection.checkTable(), target)) {
        if (replacingOpen)
            collection.reopenShared();
        return result(Outcome::InUse);
    }
    if (!hasRoom(source, target)) {
        if (replacingOpen)
            collection.reopenShared();
        return result(Outcome::NoRoom);
    }
    closeCollection(collection);
    const RunResult copied = fromCopy(copyFile(source, target, progress));
    if (copied.outcome != Outcome::Done) {
        collection.reopenShared();
        return copied;
    }

    // An index beside the replaced file describes records that are gone: the
    // restored table starts without one and gets its sort tag afresh.
    {
        dbase::Table probe;
        books::pointTable(probe, target);
        if (probe.hasIndexFile())
            QFile::remove(QString::fromStdString(probe.indexFileName()));
    }
    books::removeMdxByte(target);
    std::string problem;
    try {
        collection.switchTo(target, books::SortTagRule::Always, &problem);
    } catch (const std::exception& e) {
        return result(Outcome::OpenFailed, books::errorText(e, settings));
    }
    if (tagProblem)
        *tagProblem = QString::fromStdString(problem);
    return result(Outcome::Done);
}

RunResult restoreLists(const QString& sourceFolder, const QString& programDir,
                       const std::function<void(const QString&)>& missing,
                       const Progress& progress) {
    if (sameFolder(sourceFolder, programDir))
        return result(Outcome::SameFile);
    bool anyMissing = false;
    for (const QString& name : listFileNames()) {
        const QString source = settings::findFileNoCase(sourceFolder, name);
        if (source.isEmpty()) {
            anyMissing = true;
            if (missing)
                missing(name);
            continue;
        }
        const RunResult r = fromCopy(copyFile(source, inFolder(programDir, name), progress));
        if (r.outcome != Outcome::Done)
            return r;
    }
    return result(anyMissing ? Outcome::SomeMissing : Outcome::Done);
}

RunResult restoreDefinitions(const QString& sourceFolder, const QString& programDir,
                             const Progress& progress) {
    const QString source = settings::findFileNoCase(sourceFolder, definitionsFileName());
    if (source.isEmpty())
        return result(Outcome::SourceMissing);
    const QString target = fixedName(programDir, definitionsFileName());
    if (sameFile(source, target))
        return result(Outcome::SameFile);
    if (!hasRoom(source, target))
        return result(Outcome::NoRoom);
    return fromCopy(copyFile(source, target, progress));
}

}  // namespace backup
