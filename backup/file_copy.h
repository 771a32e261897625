// Copying one file to another folder, and the checks before it: whether two
// paths name the same file, and whether the destination's file system has
// room for the copy.
//
// A copy never writes the target in place: it is written to a temporary
// file in the target's folder, synced, and renamed over the target only when
// it is complete and as long as the source. A copy that fails, runs out of
// room or is stopped leaves the target (an earlier backup, the open
// collection) as it was and no temporary file behind.
#pragma once

#include <QString>

#include <functional>

namespace backup {

// Told how far a copy got (bytes written, bytes in all); false stops it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

enum class CopyStatus {
    Copied,
    SourceUnreadable,  // the source cannot be opened for reading
    SameFile,          // source and target are one file; nothing written
    Failed,            // the target could not be written in full
    Stopped,           // `progress` asked to stop
};

struct CopyResult {
    CopyStatus status = CopyStatus::Failed;
    QString reason;  // the system's reason, for Failed and SourceUnreadable
    bool ok() const { return status == CopyStatus::Copied; }
};

CopyResult copyFile(const QString& source, const QString& target, const Progress& progress = {});

// True when both paths exist and name one file (also through links).
bool sameFile(const QString& a, const QString& b);

// The bytes free to this user on the file system holding `directory`; -1 when
// unknown. Tests may install another figure (an empty function restores the
// file system's own).
qint64 freeSpace(const QString& directory);
void setFreeSpaceProbe(std::function<qint64(const QString& directory)> probe);

// Whether `source` fits at `target`: the free space of the target's file
// system plus the size of the file it replaces is at least the size of the
// source. An unknown free space does not stop the copy (the copy itself
// finds a full disk).
bool hasRoom(const QString& source, const QString& target);

// `directory` + "/" + `name`, with no doubled "/" at the root.
QString inFolder(const QString& directory, const QString& name);

}  // namespace backup
