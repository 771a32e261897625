// Fuzz target: the repairs an open makes to what a stopped program left
// behind, on a sound table with a sound index of two tags. The input says
// which leftovers there are, and its tail is the bytes of the files left:
//
//   byte 0   bit 0: the index counts changers (bytes 1-2, at least one)
//            bit 1: a packed table left beside the table (<table>.packing)
//            bit 2: a new index left beside the index (<index>.packing)
//            bit 3: the header counts more records than the file holds
//                   (byte 3 more, and byte 4 bytes cut off the end)
//            bit 4: the first writable open is for exclusive use
//   rest     the contents of the leftover files; without them, bytes mixed
//            into the index past its tag table (what a stopped change of
//            blocks may leave)
//
// The engine may refuse, but only with its own error. Findings besides
// crashes and sanitizer reports: a read-only open that fails or writes; a
// writable open that leaves a pack's leftovers behind, or loses the table
// for a packed table left beside it; a count ahead of the records not
// corrected by the first change; an index that does not read back whole
// after the open that rebuilt it, or after regenerating.
#include <sys/stat.h>
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
    return tkfuzz::workFolder("tk_fuzz_repair_");
}

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

struct Sound {
    std::vector<std::uint8_t> table, index;
};

// The table and its index as the engine writes them, made once.
const Sound& sound() {
    static const Sound files = [] {
        const std::string path = workFolder() + "/SEED.DBF";
        tkfuzz::makeSeedTable(path);
        dbase::Table t;
        t.setFileName(path);
        t.addIndexTag("NEWINDEX", "UPPER(TITLE)");
        t.addIndexTag("BYYEAR", "STR(YEARPUB,4,0)+DTOS(PURCHDATE)");
        return Sound{readAll(path), readAll(workFolder() + "/SEED.MDX")};
    }();
    return files;
}

// Walks every tag to its end: a tag listing other than every record is a
// finding, and so is one that cannot be read, unless `damageAllowed` and the
// engine reports the index damaged (a tag whose definition was lost).
void everyTagWhole(dbase::Table& t, std::uint32_t records, bool damageAllowed = false) {
    for (const std::string& tag : t.indexTags()) {
        try {
            t.setIndexTag(tag);
            std::uint32_t seen = 0;
            for (t.first(); !t.eof(); t.next())
                ++seen;
            if (seen != records) {
                std::fprintf(stderr, "tag %s lists %u of %u records\n", tag.c_str(), seen, records);
                std::abort();
            }
        } catch (const dbase::Error& e) {
            if (damageAllowed && e.kind() == dbase::Error::Kind::IndexDamaged)
                continue;
            std::fprintf(stderr, "tag %s cannot be read: %s\n", tag.c_str(), e.what());
            std::abort();
        }
    }
    t.setIndexTag("");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    const std::uint8_t flags = data[0];
    const bool changers = flags & 1, packedTable = flags & 2, packedIndex = flags & 4,
               countAhead = flags & 8, exclusive = flags & 16;
    const std::uint8_t* tail = data + 5;
    const std::size_t tailSize = size - 5;

    const std::string dir = workFolder();
    const std::string table = dir + "/FUZZ.DBF";
    const std::string index = dir + "/FUZZ.MDX";
    const Sound& files = sound();
    std::vector<std::uint8_t> tableBytes = files.table;
    std::vector<std::uint8_t> indexBytes = files.index;
    if (changers) {
        const unsigned count = data[1] | data[2] << 8;
        indexBytes[48] = static_cast<std::uint8_t>(count == 0 ? 1 : count);
        indexBytes[49] = static_cast<std::uint8_t>(count >> 8);
        constexpr std::size_t kPastTagTable = 1024;
        if (!packedTable && !packedIndex && indexBytes.size() > kPastTagTable) {
            const std::size_t span = indexBytes.size() - kPastTagTable;
            for (std::size_t i = 0; i < tailSize; ++i)
                indexBytes[kPastTagTable + i % span] ^= tail[i];
        }
    }
    if (countAhead) {
        // The count in the header (bytes 4-7) raised; the end cut off.
        const std::uint32_t more = data[3] == 0 ? 1 : data[3];
        const std::uint32_t count = (tableBytes[4] | tableBytes[5] << 8) + more;
        tableBytes[4] = static_cast<std::uint8_t>(count);
        tableBytes[5] = static_cast<std::uint8_t>(count >> 8);
        const std::size_t cut = std::min<std::size_t>(data[4], tableBytes.size() / 2);
        tableBytes.resize(tableBytes.size() - cut);
    }
    writeFile(table, tableBytes.data(), tableBytes.size());
    writeFile(index, indexBytes.data(), indexBytes.size());
    std::remove((table + ".packing").c_str());
    std::remove((index + ".packing").c_str());
    if (packedTable)
        writeFile(table + ".packing", tail, tailSize);
    if (packedIndex)
        writeFile(index + ".packing", tail, tailSize);

    // Read-only, the table opens whatever was left, and changes nothing.
    dbase::Table t;
    t.setFileName(table);
    t.setReadOnly(true);
    t.setIndexTag("NEWINDEX");
    std::uint32_t whole = 0;
    if (tkfuzz::mustOpen(t)) {
        whole = t.physicalRecordCount();
        if (countAhead && t.openWarnings().empty())
            std::abort();  // the count ahead went unsaid
        for (t.first(); !t.eof(); t.next()) {
        }
    }
    t.close();
    t.setIndexTag("");
    if (!tkfuzz::sameContents(table, tableBytes.data(), tableBytes.size()) ||
        !tkfuzz::sameContents(index, indexBytes.data(), indexBytes.size()))
        std::abort();  // reading wrote to the files
    t.setReadOnly(false);

    // The first writable open repairs: a pack's leftovers go (the table as it
    // was when a packed table is left beside it), and an index left counting
    // changers is rebuilt since nobody else has the table open.
    t.setMode(exclusive ? dbase::OpenMode::Exclusive : dbase::OpenMode::Shared);
    bool opened = false;
    guarded([&] {
        t.open();
        opened = true;
    });
    if (opened) {
        if (exists(table + ".packing") || exists(index + ".packing"))
            std::abort();  // a leftover stayed
        if (!tkfuzz::sameContents(table, tableBytes.data(), tableBytes.size()))
            std::abort();  // opening changed the table's records
        // Rebuilt from the records: every tag whose definition was left reads
        // back whole.
        if (changers && !packedTable && !packedIndex)
            everyTagWhole(t, whole, true);
    }
    t.close();

    // A change corrects a count ahead of the records; regenerating makes
    // every tag whole whatever index was left.
    t.setMode(dbase::OpenMode::Exclusive);
    guarded([&] {
        t.open();
        guarded([&] { t.regenerateIndexes(); });
        guarded([&] {
            t.append();
            t.setString(0, "Fuzzed");
            t.post();
        });
    });
    t.close();
    guarded([&] {
        t.open();
        const std::uint32_t count = t.physicalRecordCount();
        const bool grew = count == whole + 1;
        for (const std::string& warning : t.openWarnings()) {
            if (grew && warning.find("whole records") != std::string::npos)
                std::abort();  // the count was not corrected by the change
        }
        bool regenerated = false;
        if (grew) {
            guarded([&] {
                t.regenerateIndexes();
                regenerated = true;
            });
        }
        if (regenerated)
            everyTagWhole(t, count);
    });
    t.close();
    return 0;
}
