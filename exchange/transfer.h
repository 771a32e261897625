// The record walks of export and import over a dBase table.
//
// Export walks the visible records of a table (its current order and record
// filter) and writes each as a line of delimited text or as a record of a new
// dBase table. Import reads a delimited text file or a dBase table and
// appends one book record per source record.
//
// Field values become text and text becomes values in the formats given
// (dates, the decimal separator); an import's messages name the fields by
// the captions of the settings given.
//
// Progress is reported once per record. Nothing here shows a window: failures
// of the files are thrown (FileError, dbase::Error) and the caller tells the
// user.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace dbase {
class Table;
}
namespace settings {
class Formats;
struct Settings;
}  // namespace settings

namespace exchange {

// Called with the records done so far and the total expected.
using Progress = std::function<void(std::uint32_t done, std::uint32_t total)>;

// Writes the visible records of `books` in its current order as delimited
// text to `path`: the fields `numbers` (book field numbers, in output order),
// after a header line of `header` when it is not empty. Returns the number of
// records written. The file is written beside `path` and takes its name
// when complete. Throws FileError when the file cannot be created or
// written, dbase::Error when the table cannot be read; nothing is then left
// under `path` but what was there before, and the message says so.
std::uint32_t exportDelimited(dbase::Table& books, const std::vector<int>& numbers,
                              const QStringList& header, const QString& path,
                              const settings::Formats& formats, const Progress& progress = {});

// Creates the dBase table `path` (replacing one of that name unless another
// user holds it) with the fields `numbers` named and typed as in a
// collection, and writes the visible records of `books` to it in order;
// beside `path` first, as exportDelimited. Throws dbase::Error (Locked for
// a table in use), FileError for the open collection itself.
std::uint32_t exportDBase(dbase::Table& books, const std::vector<int>& numbers, const QString& path,
                          const settings::Formats& formats, const Progress& progress = {});

// How an import ended.
struct ImportResult {
    std::uint32_t added = 0;
    // Empty when every source record was read; otherwise why the import
    // stopped. The record being read then is not added, the ones before are.
    QString stopped;
};

// Appends one book record per record of the text file `path`. `map` gives for
// each source field the book field number receiving it, or 0. With
// `skipFirst` the first line is read and dropped. `counted` is called after
// each record added. Throws FileError when the file cannot be opened or read.
ImportResult importDelimited(dbase::Table& books, const QString& path, const std::vector<int>& map,
                             bool skipFirst, const settings::Settings& settings,
                             const std::function<void(std::uint32_t)>& counted = {});

// The same from the dBase table `path`, whose fields, in their order, are the
// source fields.
ImportResult importDBase(dbase::Table& books, const QString& path, const std::vector<int>& map,
                         const settings::Settings& settings,
                         const std::function<void(std::uint32_t)>& counted = {});

// The source field names of a dBase table: its field names cut to 20
// characters, at most 46 of them. Throws dbase::Error.
QStringList dbaseFieldNames(const QString& path);

}  // namespace exchange
