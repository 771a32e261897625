// Helpers of the index tests: a table built in memory record by record (and
// written as a small dBase file for the outside checkers), temporary folders,
// and running the outside checkers.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dbase/expr.h"
#include "dbase/field.h"
#include "dbase/index_build.h"
#include "dbase/mdx_file.h"

namespace mdxtest {

struct ColumnDef {
    const char* name;
    dbase::FieldType type;
    int width;
    int decimals = 0;
};

// Fields and records as raw bytes, the way a table holds them.
class MemTable {
  public:
    explicit MemTable(std::initializer_list<ColumnDef> columns) {
        int offset = 1;
        for (const ColumnDef& s : columns) {
            fields.push_back({s.name, s.type, s.width, s.decimals, offset});
            offset += s.width;
        }
        recordLength = offset;
    }

    // Values as text: character left-aligned, numbers right-aligned, dates YYYYMMDD.
    std::string record(const std::vector<std::string>& values, bool deleted = false) const {
        std::string r(static_cast<size_t>(recordLength), ' ');
        r[0] = deleted ? '*' : ' ';
        for (size_t i = 0; i < fields.size() && i < values.size(); ++i) {
            const dbase::Field& f = fields[i];
            std::string v = values[i].substr(0, static_cast<size_t>(f.width));
            if (f.type == dbase::FieldType::Numeric)
                v = std::string(static_cast<size_t>(f.width) - v.size(), ' ') + v;
            r.replace(static_cast<size_t>(f.offset), v.size(), v);
        }
        return r;
    }
    std::uint32_t add(const std::vector<std::string>& values, bool deleted = false) {
        records.push_back(record(values, deleted));
        return static_cast<std::uint32_t>(records.size());
    }
    const unsigned char* bytes(std::uint32_t recNo) const {
        return reinterpret_cast<const unsigned char*>(records[recNo - 1].data());
    }

    dbase::MdxTagBuild build(const std::string& tag, const dbase::Expression& e) const {
        dbase::TagBuilder b(tag, e);
        for (std::uint32_t r = 1; r <= records.size(); ++r)
            b.add(bytes(r), r);
        return b.finish();
    }

    // A dBase III/IV table file with the production index flag set.
    void writeDbf(const std::filesystem::path& path) const {
        std::string h(32, '\0');
        h[0] = 0x03;
        h[1] = 126;
        h[2] = 1;
        h[3] = 1;
        const auto n = static_cast<std::uint32_t>(records.size());
        for (int i = 0; i < 4; ++i)
            h[4 + i] = static_cast<char>(n >> (8 * i));
        const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;
        h[8] = static_cast<char>(headerLength & 0xFF);
        h[9] = static_cast<char>(headerLength >> 8);
        h[10] = static_cast<char>(recordLength & 0xFF);
        h[11] = static_cast<char>(recordLength >> 8);
        h[28] = 1;
        for (const dbase::Field& f : fields) {
            std::string d(32, '\0');
            d.replace(0, f.name.size(), f.name);
            d[11] = static_cast<char>(f.type);
            d[16] = static_cast<char>(f.width);
            d[17] = static_cast<char>(f.decimals);
            h += d;
        }
        h += '\x0D';
        for (const std::string& r : records)
            h += r;
        h += '\x1A';
        std::ofstream(path, std::ios::binary) << h;
    }

    std::vector<dbase::Field> fields;
    int recordLength = 1;
    std::vector<std::string> records;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("tk_index_test_" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Runs a shell command; returns its exit status and puts its output in *out.
inline int run(const std::string& command, std::string* out = nullptr) {
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr)
        return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    const int status = ::pclose(p);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string toolsDir() {
    return TK_INDEX_TOOLS_DIR;
}

inline bool haveXBaseIndex() {
    return run("perl -MXBase::Index -e 1") == 0;
}

// Every entry of a tag in order, as "key|recno" lines (what the checkers print).
inline std::string listing(const dbase::MdxFile& f, int tag) {
    std::string s;
    f.forEach(tag, [&s](std::string_view k, std::uint32_t r) {
        s.append(k);
        s += "|" + std::to_string(r) + "\n";
    });
    return s;
}

}  // namespace mdxtest
