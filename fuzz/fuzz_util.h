// What the fuzz targets share: a private work folder, writing an input to a
// file, and running a step whose engine errors are expected.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dbase/error.h"
#include "dbase/table.h"

namespace tkfuzz {

// A folder of its own under /tmp, made once per run (name: /tmp/<prefix>XXXXXX).
inline std::string workFolder(const char* prefix) {
    static const std::string folder = [prefix] {
        std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

// True when the file holds exactly these bytes.
inline bool sameContents(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::string bytes;
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, got);
    std::fclose(f);
    return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

// The sound table both index targets start from: one field of each kind
// an index key reads, 60 records, no index yet.
inline void makeSeedTable(const std::string& path) {
    dbase::Table::create(path, {{"TITLE", dbase::FieldType::Character, 30, 0},
                                {"YEARPUB", dbase::FieldType::Numeric, 4, 0},
                                {"PURCHDATE", dbase::FieldType::Date, 8, 0}});
    dbase::Table t;
    t.setFileName(path);
    t.open();
    for (int i = 0; i < 60; ++i) {
        t.append();
        t.setString(0, "Title " + std::to_string(i * 37 % 23));
        t.setFloat(1, 1900 + i % 7);
        t.setDate(2, dbase::Date{1990 + i % 5, 1 + i % 12, 1 + i % 28});
        t.post();
    }
    t.close();
}

// Opens a table that opened read-only before: it must open again whatever
// its index holds (a tag it lacks is the one refusal left).
inline bool mustOpen(dbase::Table& t) {
    try {
        t.open();
        return true;
    } catch (const dbase::Error& e) {
        if (e.kind() == dbase::Error::Kind::InvalidValue)
            return false;  // the index has no such tag
        std::fprintf(stderr, "a read-only table refused to open again: %s\n", e.what());
        std::abort();
    }
}

// Runs f; an engine error is a fair answer to damaged input, anything else
// escapes and is a finding.
template <typename F>
void guarded(F&& f) {
    try {
        f();
    } catch (const dbase::Error&) {
    }
}

}  // namespace tkfuzz
