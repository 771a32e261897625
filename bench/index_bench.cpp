#include "index_bench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_report.h"
#include "book_generator.h"
#include "dbase/table.h"

namespace tkbench {

namespace {

// Opens the table with the NewIndex order selected.
void openOrdered(dbase::Table& t, const char* path) {
    t.setFileName(path);
    t.setIndexTag("NewIndex");
    t.open();
}

int index(const char* path, const char* expression) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.addIndexTag("NewIndex", expression);
    const double built = since(start);
    openOrdered(t, path);
    const double seconds = since(start);
    std::fprintf(stderr, "index: tag built in %.3f s, opened in its order in %.3f s\n", built,
                 seconds - built);
    report("index", t.physicalRecordCount(), seconds);
    return 0;
}

// The same reads as the scan subcommand, in index order.
int walk(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    openOrdered(t, path);
    const int title = t.fieldIndex("Title");
    const int year = t.fieldIndex("YearPub");
    const int cost = t.fieldIndex("Cost");
    std::string text;
    double sum = 0;
    std::size_t chars = 0, records = 0;
    for (t.first(); !t.eof(); t.next(), ++records) {
        t.readString(title, text);
        chars += text.size();
        sum += t.asFloat(year) + t.asFloat(cost);
    }
    const double seconds = since(start);
    std::fprintf(stderr, "walk: %zu records, %zu title characters, sum %.2f\n", records, chars,
                 sum);
    report("walk", t.physicalRecordCount(), seconds);
    return 0;
}

// What a grid does to show the rows from position K: the open and the first
// count of the order are done once per order and not timed.
int seek(const char* path, long k) {
    const auto openStart = Clock::now();
    dbase::Table t;
    openOrdered(t, path);
    const std::uint32_t visible = t.recordCount();
    const double opened = since(openStart);
    std::string value;
    const auto start = Clock::now();
    t.moveToPosition(static_cast<std::uint32_t>(k));
    int read = 0;
    for (; !t.eof() && read < 50; t.next(), ++read) {
        for (int f = 0; f < t.fieldCount(); ++f)
            t.readString(f, value);
    }
    const std::uint32_t position = t.position();
    const double seconds = since(start);
    std::fprintf(stderr,
                 "seek: %d records read from position %ld (now at %u of %u); open and first "
                 "count %.3f s\n",
                 read, k, position, visible, opened);
    report("seek", t.physicalRecordCount(), seconds);
    return 0;
}

// Posts one by one, each on disk when it returns; with `bulk` as bulk work,
// on disk once at the end.
int insert(const char* path, long n, bool bulk) {
    dbase::Table t;
    openOrdered(t, path);
    BookGenerator gen(0xADD5u);
    const auto start = Clock::now();
    t.disableControls();
    if (bulk)
        t.beginBulk();
    for (long i = 0; i < n; ++i) {
        t.append();
        gen.fill(t);
        t.post();
    }
    if (bulk)
        t.endBulk();
    t.enableControls();
    const double seconds = since(start);
    std::fprintf(stderr, "insert: %ld records appended%s\n", n, bulk ? " as bulk work" : "");
    report(bulk ? "insert-bulk" : "insert", t.physicalRecordCount(), seconds);
    return 0;
}

}  // namespace

int runIndexBench(int argc, char** argv) {
    if (argc < 3)
        return -1;
    const std::string command = argv[1];
    if (command == "index" && argc == 4)
        return index(argv[2], argv[3]);
    if (command == "walk" && argc == 3)
        return walk(argv[2]);
    if (command == "seek" && argc == 4)
        return seek(argv[2], std::atol(argv[3]));
    if (command == "insert" && argc == 4)
        return insert(argv[2], std::atol(argv[3]), false);
    if (command == "insert-bulk" && argc == 4)
        return insert(argv[2], std::atol(argv[3]), true);
    return -1;
}

}  // namespace tkbench
