// The runs of the backup and restore windows, without any window: one kind of
// data per run (the open collection's table file, the nine pick-list files,
// the report definitions file "TMKBOOK.URP"), copied between the program
// directory and a folder the user chose.
//
// Every copy goes through copyFile (backup/file_copy.h): a failed or stopped
// copy never touches the file it would have replaced. A run whose source and
// destination are one file is refused before anything is written.
//
// The collection runs close the open collection for the copy and leave it
// open shared when they return, also when they fail (a database restore:
// the previous collection unless the restored one became the open one).
// Engine failures while closing or reopening propagate as dbase::Error.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "backup/file_copy.h"

namespace books {
class OpenCollection;
class PickLists;
struct RunState;
}  // namespace books
namespace settings {
struct Settings;
}

namespace backup {

// The program directory of the run `run` (pick lists, report definitions);
// the program's own folder when the run names none.
QString programDirectory(const books::RunState& run);

// "TMKBOOK.URP".
QString definitionsFileName();
// The nine list files, in the order they are copied.
QStringList listFileNames();

enum class Outcome {
    Done,
    InUse,          // another program holds the table file; nothing copied
    NoRoom,         // the destination lacks room; nothing written
    CopyFailed,     // a copy failed (reason in `detail`); its target as before
    SameFile,       // source and destination are one file; nothing written
    NotCollection,  // the file picked is no collection (`detail`: the engine's
                    // reason, empty for a table of another layout)
    SourceMissing,  // the report definitions are not in the folder picked
    SomeMissing,    // lists restored, one or more of them missing
    OpenFailed,     // the restored file cannot be opened (`detail`); the previous
                    // collection is open again
    ListsNotSaved,  // the lists in memory could not be written first (`detail`)
};

struct RunResult {
    Outcome outcome = Outcome::Done;
    QString detail;
};

// ---- Backup ----------------------------------------------------------------

// The open collection's table file to `folder`, named table name + ".DBF".
// Needs the table free of other programs (it is closed and tested for
// exclusive use first).
RunResult backupDatabase(books::OpenCollection& collection, const QString& folder,
                         const Progress& progress = {});

// Writes the nine lists of `lists` to their files in its directory, then
// copies those that exist to `folder` (a missing one is skipped).
RunResult backupLists(const books::PickLists& lists, const QString& folder,
                      const Progress& progress = {});

// "TMKBOOK.URP" of `programDir` to `folder`.
RunResult backupDefinitions(const QString& programDir, const QString& folder,
                            const Progress& progress = {});

// ---- Restore ---------------------------------------------------------------

// The collection `source` copied into `programDir` under its own file name
// and made the open collection, its sort tag built afresh from the current
// sort order (an index left beside the replaced file is dropped first).
// `source` is checked to be a collection before anything is closed or
// written. `tagProblem` receives a sort tag that could not be built (the
// collection then opens in record order). A failure's `detail` names the
// fields by the captions of `settings`.
RunResult restoreDatabase(books::OpenCollection& collection, const QString& source,
                          const QString& programDir, const settings::Settings& settings,
                          const Progress& progress = {}, QString* tagProblem = nullptr);

// The nine list files of `sourceFolder` into `programDir`. `missing` is told
// the name of each one not found there, in order; a failed copy stops the
// run. SomeMissing when any was missing.
RunResult restoreLists(const QString& sourceFolder, const QString& programDir,
                       const std::function<void(const QString& name)>& missing,
                       const Progress& progress = {});

// "TMKBOOK.URP" of `sourceFolder` (whatever file in it was picked) into
// `programDir`.
RunResult restoreDefinitions(const QString& sourceFolder, const QString& programDir,
                             const Progress& progress = {});

}  // namespace backup
