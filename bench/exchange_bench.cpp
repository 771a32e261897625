// Benchmark of export and import: a collection of N generated books (with the
// sort tag on Author, as the program keeps it) is exported as delimited text
// and as a dBase table, and both files are imported into a new collection the
// way the import window adds them (exclusive use, batches, the sort tag built
// again afterwards).
// Beside them, reading the text file as `cat` does, and sqlite3 importing the
// same text file into a table of 36 columns (`.import --csv`), which the
// text import is measured against.
//
//   tk_exchange_bench FOLDER N [export | text]
//
// With "export" it stops after the exports; with "text" it times only the
// text export, sqlite3's import and the text import. Both exports are also
// timed in record order (no tag), to tell their own work from the walk.
//
// Prints one line "<op> <records> <seconds>" per step, and beside it the
// processor time of the step ("<op>_cpu": on a busy machine the wall
// time mostly measures the other programs; "<op>_sys" is its part in the
// kernel) and the peak resident memory during the step in MB
// ("<op>_peak_mb", mapped pages of the tables included; the program's own
// memory at the end of the step is "<op>_anon_mb").
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench_report.h"
#include "book_generator.h"
#include "data/fast_append.h"
#include "data/open_collection.h"
#include "dbase/table.h"
#include "exchange/transfer.h"
#include "settings/settings.h"

namespace {

using tkbench::Clock;
using tkbench::report;
using tkbench::since;

void addSortTag(const QString& path) {
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.addIndexTag("NewIndex", "UPPER(AUTHOR)");
}

void createCollection(const QString& path) {
    dbase::Table::create(path.toStdString(), tkbench::BookGenerator::fieldDefs());
    addSortTag(path);
}

void openWithTag(dbase::Table& t, const QString& path, dbase::OpenMode mode) {
    t.setFileName(path.toStdString());
    t.setIndexTag("NewIndex");
    t.setMode(mode);
    t.open();
}

std::vector<int> allFields() {
    std::vector<int> fields;
    for (int k = 1; k <= 36; ++k)
        fields.push_back(k);
    return fields;
}

// The process's peak resident memory in MB since the last reset (Linux).
void resetPeakMemory() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}
// A "<name>: <n> kB" line of /proc/self/status in MB.
double statusMb(const char* name) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    const std::string format = std::string(name) + ": %ld kB";
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, format.c_str(), &kb) == 1)
            break;
    }
    std::fclose(f);
    return kb < 0 ? -1 : static_cast<double>(kb) / 1024;
}

// The process's processor time in the kernel so far.
double systemSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
}

// Wall and processor time of one step (and the part of it in the kernel),
// and the peak memory during it.
struct Timer {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
    double sys = systemSeconds();
    Timer() { resetPeakMemory(); }
    void report(const std::string& op, std::uint32_t records) const {
        tkbench::report(op.c_str(), records, since(wall));
        tkbench::report((op + "_cpu").c_str(), records,
                        static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
        tkbench::report((op + "_sys").c_str(), records, systemSeconds() - sys);
        tkbench::report((op + "_peak_mb").c_str(), records, statusMb("VmHWM"));
        tkbench::report((op + "_anon_mb").c_str(), records, statusMb("RssAnon"));
    }
};

double catSeconds(const QString& path) {
    const auto start = Clock::now();
    const std::string command = "cat '" + path.toStdString() + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        return -1;
    return since(start);
}

// Processor time of the finished child processes so far.
double childrenCpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// sqlite3 importing the text file into a fresh database; -1 when it fails.
// Its processor time goes to `cpu`.
double sqliteSeconds(const QDir& dir, const QString& text, double& cpu) {
    const QString db = dir.filePath(QStringLiteral("books.sqlite"));
    QFile::remove(db);
    std::string columns;
    for (int k = 1; k <= 36; ++k)
        columns += (k > 1 ? ", f" : "f") + std::to_string(k);
    const std::string command = "sqlite3 '" + db.toStdString() + "' 'CREATE TABLE books(" +
                                columns + ");' '.import --csv " + text.toStdString() + " books'";
    const double cpuBefore = childrenCpuSeconds();
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = since(start);
    cpu = childrenCpuSeconds() - cpuBefore;
    QFile::remove(db);
    return status == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool exportOnly = argc == 4 && std::string(argv[3]) == "export";
    const bool textOnly = argc == 4 && std::string(argv[3]) == "text";
    if (argc != 3 && !exportOnly && !textOnly) {
        std::fprintf(stderr, "usage: tk_exchange_bench FOLDER N [export | text]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const long n = std::atol(argv[2]);
    const QString books = dir.filePath(QStringLiteral("BOOKS.DBF"));
    const QString text = dir.filePath(QStringLiteral("BOOKS.TXT"));
    const QString dbf = dir.filePath(QStringLiteral("EXPORT.DBF"));
    const QString fromText = dir.filePath(QStringLiteral("FROMTEXT.DBF"));
    const QString fromDbf = dir.filePath(QStringLiteral("FROMDBF.DBF"));
    // A first start's settings: date format 1, U.S. numbers, the default captions.
    const settings::Settings settings;
    const settings::Formats& formats = settings.formats;
    try {
        // The books are generated first and their tag built once afterwards.
        dbase::Table::create(books.toStdString(), tkbench::BookGenerator::fieldDefs());
        {
            dbase::Table t;
            t.setFileName(books.toStdString());
            t.setMode(dbase::OpenMode::Exclusive);
            t.open();
            tkbench::BookGenerator gen;
            t.beginBulkAppend();
            for (long i = 0; i < n; ++i) {
                t.append();
                gen.fill(t);
                t.post();
            }
            t.endBulkAppend();
        }
        addSortTag(books);
        dbase::Table source;
        openWithTag(source, books, dbase::OpenMode::Shared);
        std::uint32_t ticks = 0;
        const exchange::Progress progress = [&](std::uint32_t, std::uint32_t) { ++ticks; };

        Timer timer;
        std::uint32_t count =
            exchange::exportDelimited(source, allFields(), {}, text, formats, progress);
        timer.report("export_text", count);
        report("cat_text", count, catSeconds(text));
        double sqliteCpu = 0;
        report("sqlite3_import_text", count, sqliteSeconds(dir, text, sqliteCpu));
        report("sqlite3_import_text_cpu", count, sqliteCpu);

        if (!textOnly) {
            timer = Timer();
            count = exchange::exportDBase(source, allFields(), dbf, formats, progress);
            timer.report("export_dbase", count);
        }

        // The same in record order: the exports' own work apart from the
        // walk in key order.
        if (!textOnly) {
            dbase::Table plain;
            plain.setFileName(books.toStdString());
            plain.open();
            const QString plainText = dir.filePath(QStringLiteral("PLAIN.TXT"));
            const QString plainDbf = dir.filePath(QStringLiteral("PLAIN.DBF"));
            timer = Timer();
            count = exchange::exportDelimited(plain, allFields(), {}, plainText, formats, progress);
            timer.report("export_text_record_order", count);
            timer = Timer();
            count = exchange::exportDBase(plain, allFields(), plainDbf, formats, progress);
            timer.report("export_dbase_record_order", count);
            QFile::remove(plainText);
            QFile::remove(plainDbf);
        }

        if (exportOnly)
            return 0;
        std::vector<int> map = allFields();
        for (const auto& [target, from] : {std::pair{fromText, text}, std::pair{fromDbf, dbf}}) {
            if (textOnly && from == dbf)
                break;
            createCollection(target);
            books::OpenCollection collection;
            collection.setSortLevels({2, 0, 0, 0});
            collection.openWithSortTag(target);
            timer = Timer();
            exchange::ImportResult result;
            books::appendToCollection(
                collection, static_cast<std::uint64_t>(n), [&](dbase::Table& t) {
                    result = from == text ? exchange::importDelimited(t, from, map, false, settings)
                                          : exchange::importDBase(t, from, map, settings);
                });
            if (!result.stopped.isEmpty()) {
                std::fprintf(stderr, "%s\n", qPrintable(result.stopped));
                return 1;
            }
            timer.report(from == text ? "import_text" : "import_dbase", result.added);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
