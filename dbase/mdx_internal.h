// What the parts of the index file code share: the in-memory form of a tree
// node and of a path down the tree, and small file helpers. Not for use
// outside dbase/mdx_*.cpp.
#pragma once

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/error.h"
#include "dbase/mdx_file.h"

namespace dbase {

namespace mdx_detail {

// Deeper than any real tree: a 1024-byte block holds at least 9 keys.
inline constexpr int kMaxDepth = 40;
// Where the write lock sits: far beyond any real index, so it never meets
// a lock someone else keeps on the file's bytes.
inline constexpr std::int64_t kLockOffset = std::int64_t{1} << 40;

inline void today(unsigned char* p) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    p[0] = static_cast<unsigned char>(tm.tm_year);
    p[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    p[2] = static_cast<unsigned char>(tm.tm_mday);
}

inline std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)  // ASCII: the user's locale has no say in tag names
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// Holds the index file's lock for one operation: exclusive while changing
// the tree, shared while walking it, so a walk never sees a change half
// made. Open-file-description locks: two index objects conflict even inside
// one process, and closing another descriptor of the file keeps them.
class FileLock {
  public:
    FileLock(OsFile& file, bool exclusive) : file_(file) {
        file_.lockWait(kLockOffset,
                       exclusive ? OsFile::LockType::Exclusive : OsFile::LockType::Shared);
    }
    ~FileLock() { file_.unlock(kLockOffset); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    OsFile& file_;
};

// A NUL-terminated text of printable characters, not empty, within `size` bytes.
inline bool legibleText(const unsigned char* p, size_t size) {
    const auto* end = static_cast<const unsigned char*>(std::memchr(p, 0, size));
    if (end == nullptr || end == p)
        return false;
    return std::all_of(p, end, [](unsigned char c) { return c >= 0x20 && c != 0x7F; });
}

inline bool validTagName(const std::string& name) {
    if (name.empty() || name.size() > MdxFile::kMaxTagNameLength)
        return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

}  // namespace mdx_detail

// A tree node in memory: n items of (pointer, key) and the trailing pointer
// (0 in a leaf).
struct MdxFile::Node {
    std::uint32_t page = 0;
    std::vector<std::uint32_t> ptrs;
    std::string keys;
    std::uint32_t right = 0;
    bool leaf = true;
    int keyLength = 0;

    size_t n() const { return ptrs.size(); }
    std::string_view key(size_t i) const {
        return std::string_view(keys).substr(i * static_cast<size_t>(keyLength),
                                             static_cast<size_t>(keyLength));
    }
    std::string lastKey() const { return std::string(key(n() - 1)); }
    std::uint32_t child(size_t i) const { return i < n() ? ptrs[i] : right; }
    void setChild(size_t i, std::uint32_t p) { (i < n() ? ptrs[i] : right) = p; }
    void insertItem(size_t i, std::uint32_t ptr, std::string_view k) {
        ptrs.insert(ptrs.begin() + static_cast<long>(i), ptr);
        keys.insert(i * static_cast<size_t>(keyLength), k);
    }
    void eraseItem(size_t i) {
        ptrs.erase(ptrs.begin() + static_cast<long>(i));
        keys.erase(i * static_cast<size_t>(keyLength), static_cast<size_t>(keyLength));
    }
    void setKey(size_t i, std::string_view k) {
        keys.replace(i * static_cast<size_t>(keyLength), static_cast<size_t>(keyLength), k);
    }
};

// The nodes from the root down to a leaf, with the item taken in each.
struct MdxFile::Path {
    std::vector<Node> nodes;
    std::vector<size_t> index;
};

}  // namespace dbase
