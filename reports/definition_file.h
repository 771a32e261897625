// The report definitions file "TMKBOOK.URP": a sequence of definition
// records, addressed by zero-based index; the order of the records is the
// order of the report list.
//
// Every change rewrites the file in full through a temporary file in the
// same folder that is renamed over the old one, so a crash or a full disk
// leaves the old file as it was. A file whose size is not a whole number of
// records has a damaged tail: reading ignores it, and a rewrite keeps the
// whole records only.
//
// Start-up (initialiseDefinitions): the file is created with the eight
// built-in reports when it is missing; then the reports of the earlier
// version's file "BOOK.URP" are converted and appended. The old file is
// deleted only after every one of its records was converted and the new
// file was written and synced; otherwise it stays, nothing is appended, and
// the caller is given a message for the user.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "reports/report_definition.h"

namespace reports {

inline constexpr int kOldDefinitionSize = 20365;

class DefinitionFile {
  public:
    explicit DefinitionFile(QString path) : path_(std::move(path)) {}

    // "TMKBOOK.URP" in `directory` (an existing file of that name in any
    // letter case, else the name as written).
    static DefinitionFile inDirectory(const QString& directory);

    const QString& path() const { return path_; }
    bool exists() const;

    // The report names in file order; empty when the file is missing or
    // cannot be read.
    QStringList names() const;
    // The number of whole records; 0 when the file is missing or unreadable.
    int count() const;

    // Record `index`; nothing (with the reason in `error`) when the file
    // cannot be read or holds no such record.
    std::optional<ReportDefinition> read(int index, QString* error = nullptr) const;
    // All records; nothing when the file cannot be read (a missing file
    // reads as no records).
    std::optional<std::vector<ReportDefinition>> readAll(QString* error = nullptr) const;

    // Saves over record `index` (0 <= index < count()) or appends
    // (index == count()); the file is created when missing.
    bool write(int index, const ReportDefinition& definition, QString* error = nullptr);
    bool append(const ReportDefinition& definition, QString* error = nullptr);
    // Appends several records in one rewrite.
    bool appendAll(const std::vector<ReportDefinition>& definitions, QString* error = nullptr);
    // Removes record `index`; the records after it move up one.
    bool remove(int index, QString* error = nullptr);
    // Replaces the whole file with these records.
    bool replaceAll(const std::vector<ReportDefinition>& definitions, QString* error = nullptr);

  private:
    // The whole records as bytes; a missing file gives none.
    std::optional<QByteArray> readRecords(QString* error) const;
    bool rewrite(const QByteArray& records, QString* error);

    QString path_;
};

// One record of the earlier version's file, converted. Its field items get
// the number of the book field (record lines) or of the total (totals line)
// whose name they carry, or 0 when the name is no field's.
ReportDefinition convertOldDefinition(const char* bytes);

// The six built-in reports of the earlier version, which are not converted.
bool isOldBuiltInName(const QString& name);

struct StartResult {
    bool createdBuiltIns = false;
    int converted = 0;     // reports appended from "BOOK.URP"
    QStringList problems;  // messages for the user, one each
};

// Start-up in the program directory `directory`.
StartResult initialiseDefinitions(const QString& directory);

}  // namespace reports
