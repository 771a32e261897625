// The work the command line does without a window: one report printed to a
// PDF or text file, every book exported to a delimited text file or a dBase
// table, the books of such a file imported. Each goes through the code the
// windows use (the report layout and print engine, the exchange walks, the
// fast append of the import) on the collection named, or on the last one.
//
// Each run reads the settings file (formats, sort order, the export plan)
// into settings of its own and never writes it. Its failure is returned as the text the user reads;
// nothing here shows a window or needs a display, but the report needs a
// QGuiApplication (fonts and the PDF printer).
#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <functional>

namespace settings {
struct Settings;
}

namespace batch {

// How a run ended: `ok`, or the message for standard error.
struct BatchResult {
    bool ok = true;
    QString message;
    static BatchResult failed(const QString& why) { return {false, why}; }
};

// The collection a run works on: `given` when not empty, else the last
// collection of `settings` (as read from the settings file) when it is still
// a file, else the default collection ("MASTER.DBF") of the program folder.
// Empty with `error` set when there is none.
QString batchCollectionPath(const QString& given, const settings::Settings& settings,
                            QString* error);

// Records done so far; the total when it is known (0 otherwise).
using BatchProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Prints report `name` (as the report list names it; letter case ignored
// when no name matches exactly) of every book of the collection, in the
// collection's sort order, to `output`: a PDF file through the PDF printer
// (".pdf") or a text file as "Print To File" writes it (".txt"). The file
// takes its name only when complete.
BatchResult batchReport(const QString& collection, const QString& name, const QString& output);

// Exports every book of the collection in its sort order to `file`:
// delimited text (".txt", ".csv") or a dBase table (".dbf"), with the
// fields, order and header choice of the settings file.
BatchResult batchExport(const QString& collection, const QString& file,
                        const BatchProgress& progress = {});

// Adds the books of `file` to the collection: delimited text (".txt",
// ".csv") whose first line names the fields, or a dBase table (".dbf"). A
// source field is taken by the first book field whose name or display name
// it equals (letter case and surrounding blanks ignored); the rest are
// skipped, and a file none of whose fields is a book field is refused.
BatchResult batchImport(const QString& collection, const QString& file,
                        const BatchProgress& progress = {});

// The book field (1 to 36) whose field name or display name (in
// `settings`) `sourceName` is, or 0.
int bookFieldNamed(const QString& sourceName, const settings::Settings& settings);

// The progress line of a long run on standard error. On a terminal it is one
// line rewritten in place (after a carriage return) at most once a second;
// elsewhere (a log file) a new line every 100,000 records. Nothing is
// written for a run that ends before the first line is due.
class ProgressLine {
  public:
    // `verb` says what is done ("Exported"); `now` gives seconds (a steady
    // clock by default).
    ProgressLine(std::FILE* out, bool terminal, QString verb, std::function<double()> now = {});
    void update(std::uint64_t done, std::uint64_t total);
    // Ends a line written in place with its last figures.
    void finish();

  private:
    void write(std::uint64_t done, std::uint64_t total);

    std::FILE* out_;
    bool terminal_;
    QString verb_;
    std::function<double()> now_;
    double last_ = 0;
    std::uint64_t lastDone_ = 0, lastTotal_ = 0, nextLine_ = 100000;
    bool written_ = false;
};

}  // namespace batch
