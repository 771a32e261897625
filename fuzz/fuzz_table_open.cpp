// Fuzz target: a table file of arbitrary bytes is opened and every record
// and field of it read; a file that opens is then changed and packed. The
// engine may refuse the file, but only with its own error; anything else (a
// crash, a sanitizer report, another exception) is a finding. The same bytes
// also serve as the table's memo and index files, so memo and index reading
// are fuzzed as well. Headers of other writers are reached this way too:
// field names with blanks and code-page letters, character fields wider
// than 254, record counts ahead of the file's records. A file that opens
// read-only must open read-only again with a tag asked for and without its
// index file, and must not change by being read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dbase/table.h"
#include "fuzz_util.h"

namespace {

using tkfuzz::guarded;
using tkfuzz::writeFile;

std::string workFolder() {
    return tkfuzz::workFolder("tk_fuzz_table_");
}

void readEverything(dbase::Table& t) {
    std::string text;
    int budget = 20000;  // field reads per input, to keep runs short
    for (t.first(); !t.eof() && budget > 0; t.next()) {
        for (int i = 0; i < t.fieldCount(); ++i, --budget) {
            guarded([&] { t.readString(i, text); });
            guarded([&] { (void)t.asFloat(i); });
            guarded([&] { (void)t.asDate(i); });
            guarded([&] { (void)t.isBlank(i); });
        }
    }
    const std::uint32_t count = t.recordCount();
    if (count > 0) {
        t.moveToPosition(count - 1);
        (void)t.position();
        guarded([&] { (void)t.stringAt(t.recNoAtPosition(0), 0); });
    }
    for (t.last(); !t.bof() && budget > 0; t.prior(), --budget) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir = workFolder();
    const std::string table = dir + "/FUZZ.DBF";
    writeFile(table, data, size);
    writeFile(dir + "/FUZZ.DBT", data, size);
    writeFile(dir + "/FUZZ.FPT", data, size);
    writeFile(dir + "/FUZZ.MDX", data, size);
    dbase::Table t;
    t.setFileName(table);
    t.setReadOnly(true);
    try {
        t.open();
        (void)t.openWarnings();
        readEverything(t);
    } catch (const dbase::Error&) {
        return 0;
    }
    t.close();
    if (!tkfuzz::sameContents(table, data, size))
        std::abort();  // reading wrote to the file
    // Read-only, an index that cannot be used (or none at all) is done without.
    t.setIndexTag("NEWINDEX");
    if (tkfuzz::mustOpen(t))
        readEverything(t);
    t.close();
    std::remove((dir + "/FUZZ.MDX").c_str());
    if (tkfuzz::mustOpen(t))
        readEverything(t);
    t.close();
    t.setIndexTag("");
    // A table that opened is changed too: append, edit, delete and pack.
    t.setReadOnly(false);
    t.setMode(dbase::OpenMode::Exclusive);
    guarded([&] {
        t.open();
        t.append();
        for (int i = 0; i < t.fieldCount(); ++i)
            guarded([&] { t.setString(i, "1"); });
        t.post();
        t.first();
        t.edit();
        for (int i = 0; i < t.fieldCount(); ++i)
            guarded([&] { t.clearField(i); });
        t.post();
        t.deleteRecord();
        t.pack();
        readEverything(t);
    });
    return 0;
}
