// Fuzz target: a sound table whose production index file is arbitrary
// bytes. The table is opened shared and in every tag's order, walked and
// positioned; then opened for exclusive use, changed, and its indexes
// regenerated. The engine may refuse the index, but only with its own error;
// anything else (a crash, a sanitizer report, another exception) is a
// finding, and so is an index that still fails after regenerating, and a
// read-only open of the sound table that fails because of its index.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dbase/table.h"
#include "fuzz_util.h"

namespace {

using tkfuzz::guarded;
using tkfuzz::writeFile;

std::string workFolder() {
    return tkfuzz::workFolder("tk_fuzz_index_");
}

// The table the index belongs to, made once and restored before each input.
const std::vector<char>& tableBytes() {
    static const std::vector<char> bytes = [] {
        const std::string path = workFolder() + "/SEED.DBF";
        tkfuzz::makeSeedTable(path);
        std::ifstream in(path, std::ios::binary);
        std::vector<char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        b[28] = 1;  // the table says it has a production index
        return b;
    }();
    return bytes;
}

void walk(dbase::Table& t) {
    int budget = 500;
    for (t.first(); !t.eof() && budget > 0; t.next(), --budget) {
    }
    for (t.last(); !t.bof() && budget > 0; t.prior(), --budget) {
    }
    const std::uint32_t count = t.recordCount();
    if (count > 0) {
        t.moveToPosition(count / 2);
        (void)t.position();
        (void)t.recNoAtPosition(count - 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir = workFolder();
    const std::string table = dir + "/FUZZ.DBF";
    const auto& bytes = tableBytes();
    writeFile(table, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    writeFile(dir + "/FUZZ.MDX", data, size);

    dbase::Table t;
    t.setFileName(table);
    guarded([&] {
        t.open();
        for (const std::string& tag : t.indexTags()) {
            guarded([&] {
                t.setIndexTag(tag);
                walk(t);
            });
        }
    });
    t.close();
    t.setIndexTag("");

    // Read-only, the table opens whatever its index holds, with a tag asked
    // for too (unless the index has no tag of that name).
    t.setReadOnly(true);
    if (tkfuzz::mustOpen(t))
        walk(t);
    t.close();
    t.setIndexTag("NEWINDEX");
    if (tkfuzz::mustOpen(t))
        walk(t);
    t.close();
    t.setIndexTag("");
    t.setReadOnly(false);

    t.setMode(dbase::OpenMode::Exclusive);
    guarded([&] {
        t.open();
        const std::vector<std::string> tags = t.indexTags();
        if (!tags.empty())
            guarded([&] { t.setIndexTag(tags.front()); });
        guarded([&] {
            t.append();
            t.setString(0, "Fuzzed");
            t.post();
        });
        guarded([&] {
            t.first();
            t.edit();
            t.setFloat(1, 2024);
            t.post();
        });
        t.regenerateIndexes();
        // Regenerated, every tag must read back whole.
        for (const std::string& tag : t.indexTags()) {
            try {
                t.setIndexTag(tag);
                walk(t);
            } catch (const dbase::Error&) {
                std::abort();
            }
        }
    });
    t.close();
    return 0;
}
