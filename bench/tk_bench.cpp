// Benchmark program of the dBase engine. Each subcommand prints one line
// "<op> <records> <seconds>" on standard output and nothing else; <records>
// is the number of records in the table worked on. Details go to stderr.
//
//   tk_bench generate FILE N   writes a 36-field book table of N records
//   tk_bench open FILE         opens the table and reads the first 50 records
//   tk_bench scan FILE         reads Title, YearPub and Cost of every record
//   tk_bench filter FILE       counts records with "war" in the title (any case)
//                              and a year below 1950, or "tolstoy" in the author
//   tk_bench pack FILE         deletes every tenth record, then packs
//   tk_bench repack FILE       packs the table as it is
//   tk_bench csv FILE OUT      writes the records as CSV for other programs (not timed)
// and the index subcommands of index_bench.h.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_report.h"
#include "book_generator.h"
#include "dbase/table.h"
#include "index_bench.h"

namespace {

using tkbench::Clock;
using tkbench::report;
using tkbench::since;

// ASCII case-insensitive search of a lower-case needle.
bool containsNoCase(const std::string& hay, const char* needle) {
    const size_t n = std::strlen(needle);
    if (hay.size() < n)
        return false;
    for (size_t i = 0; i + n <= hay.size(); ++i) {
        size_t k = 0;
        while (k < n) {
            char c = hay[i + k];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != needle[k])
                break;
            ++k;
        }
        if (k == n)
            return true;
    }
    return false;
}

int generate(const char* path, long n) {
    const auto start = Clock::now();
    dbase::Table::create(path, tkbench::BookGenerator::fieldDefs());
    dbase::Table t;
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.disableControls();
    t.beginBulkAppend();
    tkbench::BookGenerator gen;
    for (long i = 0; i < n; ++i) {
        t.append();
        gen.fill(t);
        t.post();
    }
    t.endBulkAppend();
    t.enableControls();
    const std::uint32_t count = t.physicalRecordCount();
    t.close();
    report("generate", count, since(start));
    return 0;
}

int openBench(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.open();
    std::string value;
    int read = 0;
    for (t.first(); !t.eof() && read < 50; t.next(), ++read) {
        for (int f = 0; f < t.fieldCount(); ++f)
            t.readString(f, value);
    }
    report("open", t.physicalRecordCount(), since(start));
    return 0;
}

int scan(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.open();
    const int title = t.fieldIndex("Title");
    const int year = t.fieldIndex("YearPub");
    const int cost = t.fieldIndex("Cost");
    std::string text;
    double sum = 0;
    std::size_t chars = 0;
    for (t.first(); !t.eof(); t.next()) {
        t.readString(title, text);
        chars += text.size();
        sum += t.asFloat(year) + t.asFloat(cost);
    }
    const double seconds = since(start);
    std::fprintf(stderr, "scan: %zu title characters, sum %.2f\n", chars, sum);
    report("scan", t.physicalRecordCount(), seconds);
    return 0;
}

int filter(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.open();
    const int title = t.fieldIndex("Title");
    const int year = t.fieldIndex("YearPub");
    const int author = t.fieldIndex("Author");
    std::string text;
    t.setFilter([&](const dbase::Table& tab) {
        tab.readString(title, text);
        if (containsNoCase(text, "war") && tab.asFloat(year) < 1950)
            return true;
        tab.readString(author, text);
        return containsNoCase(text, "tolstoy");
    });
    const std::uint32_t matching = t.recordCount();
    const double seconds = since(start);
    std::fprintf(stderr, "filter: %u matching records\n", matching);
    report("filter", t.physicalRecordCount(), seconds);
    return 0;
}

int pack(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    const std::uint32_t before = t.physicalRecordCount();
    t.disableControls();
    t.beginBulk();  // a hundred thousand deletes are bulk work: on disk once
    for (std::uint32_t r = 10; r <= before; r += 10) {
        if (t.gotoRecNo(r))
            t.deleteRecord();
    }
    t.endBulk();
    const auto packStart = Clock::now();
    t.pack();
    const double packOnly = since(packStart);
    t.enableControls();
    const double seconds = since(start);
    std::fprintf(stderr, "pack: %u records left; deleting %.3f s, packing %.3f s\n",
                 t.physicalRecordCount(), seconds - packOnly, packOnly);
    report("pack", before, seconds);
    return 0;
}

// Packs the table as it is (with nothing deleted, nothing is written).
int repack(const char* path) {
    const auto start = Clock::now();
    dbase::Table t;
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.pack();
    report("repack", t.physicalRecordCount(), since(start));
    return 0;
}

// Writes every record as a line of comma-separated quoted values, with the
// field names first: the same rows for other programs to load (sqlite3's
// .import, sort). Not timed.
int csv(const char* path, const char* out) {
    dbase::Table t;
    t.setFileName(path);
    t.open();
    std::FILE* f = std::fopen(out, "w");
    if (f == nullptr) {
        std::perror(out);
        return 1;
    }
    std::string value, line;
    for (int i = 0; i < t.fieldCount(); ++i)
        line += (i ? "," : "") + t.field(i).name;
    std::fprintf(f, "%s\n", line.c_str());
    for (t.first(); !t.eof(); t.next()) {
        line.clear();
        for (int i = 0; i < t.fieldCount(); ++i) {
            t.readString(i, value);
            if (i)
                line += ',';
            line += '"';
            for (char c : value) {
                if (c == '"')
                    line += '"';
                line += c;
            }
            line += '"';
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
    return 0;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: tk_bench generate FILE N | open FILE | scan FILE | filter FILE | pack FILE\n"
        "       tk_bench repack FILE\n"
        "       tk_bench csv FILE OUT\n"
        "       tk_bench index FILE EXPR | walk FILE | seek FILE K | insert FILE N\n"
        "       tk_bench insert-bulk FILE N\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    try {
        if (command == "generate" && argc == 4)
            return generate(argv[2], std::atol(argv[3]));
        if (command == "csv" && argc == 4)
            return csv(argv[2], argv[3]);
        if (const int rc = tkbench::runIndexBench(argc, argv); rc >= 0)
            return rc;
        if (argc != 3)
            return usage();
        if (command == "open")
            return openBench(argv[2]);
        if (command == "scan")
            return scan(argv[2]);
        if (command == "filter")
            return filter(argv[2]);
        if (command == "pack")
            return pack(argv[2]);
        if (command == "repack")
            return repack(argv[2]);
    } catch (const dbase::Error& e) {
        std::fprintf(stderr, "tk_bench: %s\n", e.what());
        return 1;
    }
    return usage();
}
