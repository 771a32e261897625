// Collection files on disk, without any window: which layout a file has
// (the book layout, or the layouts of the program's two earlier versions),
// clearing the production-index flag of a file whose index is missing,
// whether another program holds a file, and the list of the last five
// collections used.
//
// The layout checks and the in-use test work through a table object the
// caller owns (the main window's MyCheckTable) and leave it closed. Engine
// failures other than those the contract names propagate as dbase::Error.
#pragma once

#include <QString>

#include <array>
#include <string_view>

namespace dbase {
class Table;
}

namespace books {

// The field names of the two earlier versions, in their order, each cut to
// the 10 characters a dBase field name can hold.
extern const std::array<std::string_view, 25> kVersion2FieldNames;
extern const std::array<std::string_view, 14> kVersion1FieldNames;

// Which layout a check looks for.
enum class Layout {
    Book,      // exactly the 36 book fields, in field-number order
    Version2,  // 26 fields; fields 2 to 26 bear the 25 version-2 names
    Version1,  // 15 fields; fields 2 to 15 bear the 14 version-1 names
};

// Points `check` (read-only, shared) at `path`, opens it and compares its
// field names with the layout without regard to letter case. A collection
// of the book layout whose index file is missing has its production-index
// flag cleared afterwards, so that it opens for writing; nothing else is
// ever written. The table is closed afterwards. Throws dbase::Error when
// the file cannot be opened. With FlagRepair::Never nothing is written at
// all (a file only looked at, such as a backup to restore from).
enum class FlagRepair { WhenIndexMissing, Never };
bool hasLayout(dbase::Table& check, const QString& path, Layout layout,
               FlagRepair repair = FlagRepair::WhenIndexMissing);

// Writes 0 into the production-index flag of the dBase header (byte 28)
// when it is set. Does nothing to a file that cannot be opened for writing or
// whose header is not that of a dBase table.
void removeMdxByte(const QString& path);

// True when another table object, in this process or another, holds the
// file: an exclusive open of `check` is refused as locked. Any other refusal
// (a missing or damaged file) is not a holder, and the caller's own work
// reports it. `check` is left closed and non-exclusive, its read-only flag as
// it was.
bool dbaseInUse(dbase::Table& check, const QString& path);

// The five last-used collections, most recent first; empty entries allowed.
using LastFiles = std::array<QString, 5>;

// After a switch from `previous` to `newPath`: the new path leaves the list
// (exact comparison, first match; later entries move up), the entries move
// down one place (the fifth is dropped) and `previous` becomes the first.
void doLastFiles(LastFiles& list, const QString& previous, const QString& newPath);

// The caption of last-files menu item k (1 to 5): "&k" followed by three
// blanks and the path.
QString lastFileCaption(int k, const QString& entry);

}  // namespace books
