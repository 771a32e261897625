#include "dbase/mdx_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "dbase/error.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"

namespace dbase {

using namespace mdx;

namespace {

// Deeper than any real tree: a 1024-byte block holds at least 9 keys.
constexpr int kMaxDepth = 40;
// Where the write lock sits: far beyond any real index, so it never meets
// a lock someone else keeps on the file's bytes.
constexpr off_t kLockOffset = off_t{1} << 40;

void today(unsigned char* p) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    p[0] = static_cast<unsigned char>(tm.tm_year);
    p[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    p[2] = static_cast<unsigned char>(tm.tm_mday);
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

[[noreturn]] void ioError(const std::string& what, const std::string& path) {
    throw Error(Error::Kind::Io, what + ": " + std::strerror(errno), path);
}

void writeAll(int fd, const unsigned char* data, size_t size, off_t at, const std::string& path) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ioError("Cannot write the index file", path);
        data += n;
        size -= static_cast<size_t>(n);
        at += n;
    }
}

// Holds the index file's write lock for one change.
class WriteLock {
public:
    WriteLock(int fd, const std::string& path) : fd_(fd) {
        struct flock fl{};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kLockOffset;
        fl.l_len = 1;
        while (::fcntl(fd_, F_SETLKW, &fl) != 0) {
            if (errno != EINTR) ioError("Cannot lock the index file", path);
        }
    }
    ~WriteLock() {
        struct flock fl{};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kLockOffset;
        fl.l_len = 1;
        ::fcntl(fd_, F_SETLK, &fl);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int fd_;
};

bool validTagName(const std::string& name) {
    if (name.empty() || name.size() > MdxFile::kMaxTagNameLength) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

}  // namespace

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

// ---- Writing a whole file ---------------------------------------------------

void MdxFile::write(const std::string& path, const std::string& tableName,
                    const std::vector<MdxTagBuild>& tags) {
    if (tags.size() > static_cast<size_t>(kMaxTags))
        throw Error(Error::Kind::InvalidValue, "An index file holds at most 47 tags", path);
    std::vector<std::string> names;
    for (const MdxTagBuild& t : tags) {
        const std::string name = upper(t.name);
        if (!validTagName(name))
            throw Error(Error::Kind::InvalidValue,
                        "\"" + t.name +
                            "\" is not a valid tag name (1 to 10 letters, digits or \"_\", "
                            "starting with a letter)",
                        path);
        if (std::find(names.begin(), names.end(), name) != names.end())
            throw Error(Error::Kind::InvalidValue, "Tag " + name + " is given twice", path);
        if (t.keys.size() != t.entryCount() * static_cast<size_t>(t.keyLength))
            throw Error(Error::Kind::State, "Tag " + name + ": keys and record numbers differ",
                        path);
        names.push_back(name);
    }

    unsigned char date[3];
    today(date);
    std::vector<unsigned char> out(kFirstBlockPage * kPage, 0);
    auto allocate = [&out]() {
        const auto page = static_cast<std::uint32_t>(out.size() / kPage);
        out.resize(out.size() + kBlock, 0);
        return page;
    };

    std::vector<std::uint32_t> headerPages;
    for (const MdxTagBuild& t : tags) {
        const std::uint32_t hp = allocate();
        headerPages.push_back(hp);
        const int kl = t.keyLength;
        const int il = itemLength(kl);
        const int per = maxKeys(kl);
        const std::uint32_t firstNodePage = static_cast<std::uint32_t>(out.size() / kPage);

        auto makeNode = [&](const std::vector<std::pair<std::uint32_t, size_t>>& items,
                            const std::vector<std::string_view>& keys, std::uint32_t right) {
            const std::uint32_t page = allocate();
            unsigned char* b = &out[static_cast<size_t>(page) * kPage];
            put32(b + node::kCount, static_cast<std::uint32_t>(items.size()));
            unsigned char* p = b + node::kItems;
            for (size_t i = 0; i < items.size(); ++i, p += il) {
                put32(p, items[i].first);
                std::memcpy(p + 4, keys[i].data(), static_cast<size_t>(kl));
            }
            put32(p, right);
            return page;
        };

        // Leaves, full, left to right; then each level of parents above them.
        struct Child {
            std::uint32_t page;
            std::string_view last;
        };
        std::vector<Child> level;
        const size_t count = t.entryCount();
        std::vector<std::pair<std::uint32_t, size_t>> items;
        std::vector<std::string_view> keys;
        const std::string blank(static_cast<size_t>(kl), ' ');
        for (size_t start = 0; start < count || level.empty(); start += static_cast<size_t>(per)) {
            items.clear();
            keys.clear();
            const size_t end = std::min(count, start + static_cast<size_t>(per));
            for (size_t i = start; i < end; ++i) {
                items.emplace_back(t.recNos[i], i);
                keys.push_back(std::string_view(t.keys).substr(i * static_cast<size_t>(kl),
                                                                 static_cast<size_t>(kl)));
            }
            const std::uint32_t page = makeNode(items, keys, 0);
            level.push_back({page, keys.empty() ? std::string_view(blank) : keys.back()});
            if (count == 0) break;
        }
        const std::uint32_t firstLeaf = level.front().page;
        const std::uint32_t lastLeaf = level.back().page;
        while (level.size() > 1) {
            std::vector<Child> up;
            const size_t group = static_cast<size_t>(per) + 1;
            for (size_t start = 0; start < level.size();) {
                size_t end = std::min(level.size(), start + group);
                // Never leave a last parent with a single child (no key).
                if (level.size() - end == 1) --end;
                items.clear();
                keys.clear();
                for (size_t i = start; i + 1 < end; ++i) {
                    items.emplace_back(level[i].page, i);
                    keys.push_back(level[i].last);
                }
                up.push_back({makeNode(items, keys, level[end - 1].page), level[end - 1].last});
                start = end;
            }
            level = std::move(up);
        }

        unsigned char* h = &out[static_cast<size_t>(hp) * kPage];
        put32(h + tag::kRoot, level.front().page);
        put32(h + tag::kPages, static_cast<std::uint32_t>(out.size() / kPage) - firstNodePage);
        h[tag::kFormat] = static_cast<unsigned char>(
            tag::kFormatField | (t.descending ? tag::kFormatDescending : 0));
        h[tag::kKeyType] = static_cast<unsigned char>(t.keyType);
        h[tag::kMarker11] = 0x1B;
        put16(h + tag::kKeyLength, static_cast<std::uint32_t>(kl));
        put16(h + tag::kMaxKeys, static_cast<std::uint32_t>(per));
        put16(h + tag::kSecondaryType, t.keyType == KeyType::Date ? 1 : 0);
        put16(h + tag::kItemLength, static_cast<std::uint32_t>(il));
        h[tag::kCounter] = 1;
        const size_t exprLength =
            std::min(t.expression.size(), static_cast<size_t>(tag::kExpressionLength - 1));
        std::memcpy(h + tag::kExpression, t.expression.data(), exprLength);
        h[tag::kHasKeys] = count > 0 ? 1 : 0;
        put32(h + tag::kFirstLeaf, firstLeaf);
        put32(h + tag::kLastLeaf, lastLeaf);
        std::memcpy(h + tag::kDate, date, 3);
    }

    // File header and tag table.
    unsigned char* f = out.data();
    f[header::kVersion] = 2;
    std::memcpy(f + header::kCreated, date, 3);
    const std::string tname = upper(tableName).substr(0, header::kTableNameLength);
    std::memcpy(f + header::kTableName, tname.data(), tname.size());
    put16(f + header::kBlockPages, kPagesPerBlock);
    put16(f + header::kBlockBytes, kBlock);
    f[header::kProduction] = 1;
    f[header::kSlots] = 48;
    f[header::kSlotLength] = slot::kLength;
    put16(f + header::kTagsInUse, static_cast<std::uint32_t>(tags.size()));
    f[header::kNextTag] = static_cast<unsigned char>(tags.size() + 1);
    f[header::kMarker31] = 0x1B;
    put32(f + header::kPageCount, static_cast<std::uint32_t>(out.size() / kPage));
    std::memcpy(f + header::kUpdated, date, 3);
    if (!tags.empty()) f[slot::kAnchor + slot::kRight] = 1;
    // The tag names also form a binary search tree threaded through the slots.
    std::vector<int> left(tags.size()), right(tags.size()), parent(tags.size());
    for (size_t i = 1; i < tags.size(); ++i) {
        size_t j = 0;
        for (;;) {
            int& next = names[i] < names[j] ? left[j] : right[j];
            if (next == 0) {
                next = static_cast<int>(i) + 1;
                parent[i] = static_cast<int>(j) + 1;
                break;
            }
            j = static_cast<size_t>(next - 1);
        }
    }
    for (size_t i = 0; i < tags.size(); ++i) {
        unsigned char* s = f + slot::kFirst + slot::kLength * i;
        put32(s + slot::kHeaderPage, headerPages[i]);
        std::memcpy(s + slot::kName, names[i].data(), names[i].size());
        s[slot::kKeyFormat] = tag::kFormatField;
        s[slot::kLeft] = static_cast<unsigned char>(left[i]);
        s[slot::kRight] = static_cast<unsigned char>(right[i]);
        s[slot::kParent] = static_cast<unsigned char>(parent[i]);
        s[slot::kMarker19] = 0x02;
        s[slot::kKeyType] = static_cast<unsigned char>(tags[i].keyType);
    }

    // A new file renamed over the old one: a crash leaves one or the other.
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) ioError("Cannot create the index file", temp);
    try {
        writeAll(fd, out.data(), out.size(), 0, temp);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    ::close(fd);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        ioError("Cannot replace the index file", path);
    }
}

// ---- Opening ----------------------------------------------------------------

MdxFile::MdxFile(const std::string& path, bool writable) : path_(path), writable_(writable) {
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0)
        throw Error(Error::Kind::NotFound,
                    std::string("Cannot open the index file: ") + std::strerror(errno), path);
    try {
        readHeader();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

MdxFile::~MdxFile() {
    if (fd_ >= 0) ::close(fd_);
}

void MdxFile::damaged(const std::string& why) const {
    throw Error(Error::Kind::IndexDamaged, "The index file is damaged: " + why, path_);
}

void MdxFile::readHeader() {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) ioError("Cannot read the index file", path_);
    fileSize_ = static_cast<std::uint64_t>(st.st_size);
    if (fileSize_ < kFirstBlockPage * kPage) damaged("it is shorter than its header");
    unsigned char head[kFirstBlockPage * kPage];
    if (::pread(fd_, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        ioError("Cannot read the index file", path_);
    if (get16(head + header::kBlockBytes) != kBlock ||
        get16(head + header::kBlockPages) != kPagesPerBlock) {
        if (get16(head + header::kBlockBytes) == get16(head + header::kBlockPages) * kPage &&
            get16(head + header::kBlockPages) != 0)
            throw Error(Error::Kind::Unsupported,
                        "The index file uses blocks of " +
                            std::to_string(get16(head + header::kBlockBytes)) +
                            " bytes; only 1024-byte blocks are supported",
                        path_);
        damaged("the block size is impossible");
    }
    const std::uint32_t tagCount = get16(head + header::kTagsInUse);
    if (tagCount > static_cast<std::uint32_t>(kMaxTags))
        damaged("it claims " + std::to_string(tagCount) + " tags");
    if (head[header::kSlotLength] != slot::kLength) damaged("the tag table is not readable");
    pageCount_ = get32(head + header::kPageCount);
    if (static_cast<std::uint64_t>(pageCount_) * kPage > fileSize_)
        damaged("the header counts more pages than the file holds");
    // Blocks are added after whatever the file holds, even if the header
    // counts fewer pages.
    pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize_ / kPage, 0xFFFFFFF0u));

    tags_.clear();
    for (std::uint32_t i = 0; i < tagCount; ++i) {
        const unsigned char* s = head + slot::kFirst + slot::kLength * i;
        MdxTagInfo t;
        t.headerPage = get32(s + slot::kHeaderPage);
        const auto* nameEnd =
            static_cast<const unsigned char*>(std::memchr(s + slot::kName, 0, 11));
        t.name = std::string(reinterpret_cast<const char*>(s + slot::kName),
                             nameEnd ? static_cast<size_t>(nameEnd - (s + slot::kName)) : 11);
        while (!t.name.empty() && t.name.back() == ' ') t.name.pop_back();
        if (t.name.empty()) damaged("tag " + std::to_string(i + 1) + " has no name");
        if (t.headerPage < kFirstBlockPage ||
            static_cast<std::uint64_t>(t.headerPage + kPagesPerBlock) > pageCount_)
            damaged("the header of tag " + t.name + " lies outside the file");
        unsigned char h[kBlock];
        readBlock(t.headerPage, h);
        const char type = static_cast<char>(h[tag::kKeyType]);
        t.keyLength = get16(h + tag::kKeyLength);
        if (type == 'C') {
            t.keyType = KeyType::Character;
            if (t.keyLength < 1 || t.keyLength > Expression::kMaxKeyLength)
                damaged("tag " + t.name + " has an impossible key length");
        } else if (type == 'N' || type == 'F') {
            t.keyType = KeyType::Numeric;
            if (t.keyLength != kNumericKeyLength) damaged("tag " + t.name + " has a bad key length");
        } else if (type == 'D') {
            t.keyType = KeyType::Date;
            if (t.keyLength != kDateKeyLength) damaged("tag " + t.name + " has a bad key length");
        } else {
            damaged("tag " + t.name + " has an unknown key type");
        }
        if (get16(h + tag::kItemLength) != itemLength(t.keyLength))
            damaged("tag " + t.name + " has a bad item length");
        const auto* exprEnd = static_cast<const unsigned char*>(
            std::memchr(h + tag::kExpression, 0, tag::kExpressionLength));
        if (exprEnd == nullptr) damaged("the expression of tag " + t.name + " is not terminated");
        t.expression = std::string(reinterpret_cast<const char*>(h + tag::kExpression),
                                   static_cast<size_t>(exprEnd - (h + tag::kExpression)));
        t.descending = (h[tag::kFormat] & tag::kFormatDescending) != 0;
        t.unique = (h[tag::kFormat] & tag::kFormatUnique) != 0 || h[tag::kUnique] != 0;
        t.hasFilter = h[tag::kHasFilter] != 0;
        const std::uint32_t root = get32(h + tag::kRoot);
        if (root < kFirstBlockPage || static_cast<std::uint64_t>(root) + kPagesPerBlock > pageCount_)
            damaged("the tree of tag " + t.name + " starts outside the file");
        tags_.push_back(std::move(t));
    }
}

int MdxFile::findTag(std::string_view name) const {
    const std::string u = upper(name);
    for (size_t i = 0; i < tags_.size(); ++i)
        if (upper(tags_[i].name) == u) return static_cast<int>(i);
    return -1;
}

// ---- Blocks and nodes -------------------------------------------------------

void MdxFile::readBlock(std::uint32_t page, unsigned char* block) const {
    if (page < kFirstBlockPage || static_cast<std::uint64_t>(page) + kPagesPerBlock > pageCount_)
        damaged("a pointer leads to page " + std::to_string(page) + ", outside the file");
    const ssize_t n = ::pread(fd_, block, kBlock, static_cast<off_t>(page) * kPage);
    if (n < 0) ioError("Cannot read the index file", path_);
    if (n != kBlock) damaged("page " + std::to_string(page) + " is cut short");
}

void MdxFile::writeBlock(std::uint32_t page, const unsigned char* block) {
    writeAll(fd_, block, kBlock, static_cast<off_t>(page) * kPage, path_);
}

MdxFile::Node MdxFile::loadNode(int tagIndex, std::uint32_t page) const {
    const MdxTagInfo& t = tags_[static_cast<size_t>(tagIndex)];
    unsigned char b[kBlock];
    readBlock(page, b);
    const int il = itemLength(t.keyLength);
    const std::uint32_t n = get32(b + node::kCount);
    if (n > static_cast<std::uint32_t>(maxKeys(t.keyLength)))
        damaged("page " + std::to_string(page) + " claims " + std::to_string(n) + " keys");
    Node nd;
    nd.page = page;
    nd.keyLength = t.keyLength;
    nd.ptrs.resize(n);
    nd.keys.resize(n * static_cast<size_t>(t.keyLength));
    const unsigned char* p = b + node::kItems;
    for (std::uint32_t i = 0; i < n; ++i, p += il) {
        nd.ptrs[i] = get32(p);
        std::memcpy(&nd.keys[i * static_cast<size_t>(t.keyLength)], p + 4,
                    static_cast<size_t>(t.keyLength));
    }
    nd.right = get32(p);
    nd.leaf = nd.right == 0;
    return nd;
}

void MdxFile::storeNode(int tagIndex, const Node& nd) {
    const MdxTagInfo& t = tags_[static_cast<size_t>(tagIndex)];
    unsigned char b[kBlock] = {};
    const int il = itemLength(t.keyLength);
    put32(b + node::kCount, static_cast<std::uint32_t>(nd.n()));
    unsigned char* p = b + node::kItems;
    for (size_t i = 0; i < nd.n(); ++i, p += il) {
        put32(p, nd.ptrs[i]);
        std::memcpy(p + 4, nd.key(i).data(), static_cast<size_t>(t.keyLength));
    }
    put32(p, nd.leaf ? 0 : nd.right);
    writeBlock(nd.page, b);
}

std::uint32_t MdxFile::allocateBlock() {
    const std::uint32_t page = pageCount_;
    pageCount_ += kPagesPerBlock;
    unsigned char count[4];
    put32(count, pageCount_);
    writeAll(fd_, count, 4, header::kPageCount, path_);
    return page;
}

std::uint32_t MdxFile::rootPage(int tagIndex) const {
    unsigned char b[kBlock];
    readBlock(tags_[static_cast<size_t>(tagIndex)].headerPage, b);
    return get32(b + tag::kRoot);
}

void MdxFile::setRoot(int tagIndex, std::uint32_t root, bool hasKeys, int pagesDelta) {
    unsigned char b[kBlock];
    const std::uint32_t hp = tags_[static_cast<size_t>(tagIndex)].headerPage;
    readBlock(hp, b);
    put32(b + tag::kRoot, root);
    put32(b + tag::kPages, static_cast<std::uint32_t>(static_cast<int>(get32(b + tag::kPages)) + pagesDelta));
    b[tag::kCounter] = static_cast<unsigned char>(b[tag::kCounter] + 1);
    b[tag::kHasKeys] = hasKeys ? 1 : 0;
    writeBlock(hp, b);
}

void MdxFile::refreshSize() {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) ioError("Cannot read the index file", path_);
    fileSize_ = static_cast<std::uint64_t>(st.st_size);
    pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize_ / kPage, 0xFFFFFFF0u));
}

void MdxFile::touchHeader() {
    unsigned char date[3];
    today(date);
    writeAll(fd_, date, 3, header::kUpdated, path_);
}

// ---- Walking and checking ------------------------------------------------------

void MdxFile::forEach(int tagIndex,
                      const std::function<void(std::string_view, std::uint32_t)>& fn,
                      std::uint32_t maxRecNo, bool strict) const {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    std::vector<bool> seen(pageCount_ / kPagesPerBlock + 1, false);
    int leafDepth = -1;
    std::string prevKey;
    std::uint32_t prevRec = 0;
    bool havePrev = false;
    const std::uint32_t root = rootPage(tagIndex);

    // Returns the last key of the subtree (empty when it has none).
    std::function<std::string(std::uint32_t, int)> visit = [&](std::uint32_t page, int depth) {
        if (depth > kMaxDepth) damaged("the tree of tag " + t.name + " is too deep");
        const size_t slotIndex = page / kPagesPerBlock;
        if (slotIndex < seen.size() && seen[slotIndex])
            damaged("page " + std::to_string(page) + " is reached twice");
        if (slotIndex < seen.size()) seen[slotIndex] = true;
        const Node nd = loadNode(tagIndex, page);
        if (strict && nd.n() == 0 && page != root)
            damaged("page " + std::to_string(page) + " holds no keys");
        if (nd.leaf) {
            if (leafDepth < 0) leafDepth = depth;
            if (leafDepth != depth) damaged("the leaves of tag " + t.name + " lie at different depths");
            for (size_t i = 0; i < nd.n(); ++i) {
                const std::string_view k = nd.key(i);
                const std::uint32_t r = nd.ptrs[i];
                if (r == 0 || (maxRecNo > 0 && r > maxRecNo))
                    damaged("tag " + t.name + " names record " + std::to_string(r) +
                            ", which the table does not hold");
                if (havePrev) {
                    const int c = compareKeys(t.keyType, prevKey, k, t.descending);
                    if (c > 0 || (c == 0 && (t.unique || r <= prevRec)))
                        damaged("the keys of tag " + t.name + " are out of order at record " +
                                std::to_string(r));
                }
                prevKey.assign(k);
                prevRec = r;
                havePrev = true;
                fn(k, r);
            }
            return nd.n() ? nd.lastKey() : std::string();
        }
        std::string last;
        for (size_t i = 0; i <= nd.n(); ++i) {
            last = visit(nd.child(i), depth + 1);
            if (i == nd.n() || last.empty()) continue;
            const int c = compareKeys(t.keyType, last, nd.key(i), t.descending);
            if (c > 0 || (strict && c != 0))
                damaged("a separator of tag " + t.name + " on page " + std::to_string(page) +
                        " does not match the keys below it");
        }
        return last;
    };
    visit(root, 0);
}

std::uint64_t MdxFile::check(int tagIndex, std::uint32_t maxRecNo, bool strict) const {
    std::uint64_t count = 0;
    forEach(tagIndex, [&count](std::string_view, std::uint32_t) { ++count; }, maxRecNo, strict);
    return count;
}

int MdxFile::depth(int tagIndex) const {
    int d = 1;
    Node nd = loadNode(tagIndex, rootPage(tagIndex));
    while (!nd.leaf) {
        if (++d > kMaxDepth) damaged("the tree is too deep");
        nd = loadNode(tagIndex, nd.child(0));
    }
    return d;
}

// ---- Searching -------------------------------------------------------------------

// Positions the path on the first entry not below (key, recNo): the leaf and
// the index in it. At the end of the tag the path ends on the last leaf with
// the index one past its last entry, and the result is false.
bool MdxFile::seekPath(int tagIndex, std::string_view key, std::uint32_t recNo, Path& path) const {
    const MdxTagInfo& t = tags_[static_cast<size_t>(tagIndex)];
    path.nodes.clear();
    path.index.clear();
    auto below = [&](std::string_view k, std::uint32_t r) {
        const int c = compareKeys(t.keyType, k, key, t.descending);
        return c < 0 || (c == 0 && r < recNo);
    };
    auto descend = [&](std::uint32_t page, bool leftmost) {
        for (;;) {
            if (path.nodes.size() > static_cast<size_t>(kMaxDepth)) damaged("the tree is too deep");
            Node nd = loadNode(tagIndex, page);
            size_t i = 0;
            if (nd.leaf) {
                if (!leftmost)
                    while (i < nd.n() && below(nd.key(i), nd.ptrs[i])) ++i;
                path.nodes.push_back(std::move(nd));
                path.index.push_back(i);
                return;
            }
            if (!leftmost)
                while (i < nd.n() && compareKeys(t.keyType, nd.key(i), key, t.descending) < 0) ++i;
            page = nd.child(i);
            path.nodes.push_back(std::move(nd));
            path.index.push_back(i);
        }
    };
    descend(rootPage(tagIndex), false);
    for (;;) {
        Node& leaf = path.nodes.back();
        size_t& i = path.index.back();
        while (i < leaf.n() && below(leaf.key(i), leaf.ptrs[i])) ++i;
        if (i < leaf.n()) return true;
        // Equal keys may continue in the next leaf: step to it via the parents.
        size_t level = path.nodes.size() - 1;
        while (level > 0 && path.index[level - 1] >= path.nodes[level - 1].n()) --level;
        if (level == 0) return false;
        Path saved = path;
        path.nodes.resize(level);
        path.index.resize(level);
        ++path.index[level - 1];
        descend(path.nodes[level - 1].child(path.index[level - 1]), true);
        if (path.nodes.back().n() == 0) {  // an empty leaf left by another program
            path = std::move(saved);
            return false;
        }
    }
}

bool MdxFile::seek(int tagIndex, std::string_view key, std::string* foundKey,
                   std::uint32_t* foundRecNo) const {
    Path path;
    if (!seekPath(tagIndex, key, 0, path)) return false;
    const Node& leaf = path.nodes.back();
    if (foundKey) *foundKey = std::string(leaf.key(path.index.back()));
    if (foundRecNo) *foundRecNo = leaf.ptrs[path.index.back()];
    return true;
}

// ---- Changing ------------------------------------------------------------------------

void MdxFile::insert(int tagIndex, std::string_view key, std::uint32_t recNo) {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    if (!writable_) throw Error(Error::Kind::ReadOnly, "The index file is open read-only", path_);
    if (key.size() != static_cast<size_t>(t.keyLength))
        throw Error(Error::Kind::State, "A key of the wrong length for tag " + t.name, path_);
    WriteLock lock(fd_, path_);
    refreshSize();
    touchHeader();
    Path path;
    seekPath(tagIndex, key, recNo, path);

    const int maxN = maxKeys(t.keyLength);
    std::uint32_t newRoot = 0;
    int pagesAdded = 0;
    // Insert (ptr, key) at level `level`, splitting upwards while blocks overflow.
    std::string upKey(key);
    std::uint32_t upPtr = recNo;
    for (size_t level = path.nodes.size(); level-- > 0;) {
        Node& nd = path.nodes[level];
        const size_t at = path.index[level];
        if (nd.leaf) {
            nd.insertItem(at, upPtr, upKey);
        } else {
            // The child at `at` was split: its left half (the old page) now ends
            // with upKey; the right half (upPtr) takes the old slot.
            const std::uint32_t leftPage = nd.child(at);
            nd.setChild(at, upPtr);
            nd.insertItem(at, leftPage, upKey);
        }
        if (nd.n() <= static_cast<size_t>(maxN)) {
            storeNode(tagIndex, nd);
            break;
        }
        // Split: the left half stays on this page, the right half moves to a new block.
        Node right;
        right.keyLength = nd.keyLength;
        right.leaf = nd.leaf;
        right.page = allocateBlock();
        pagesAdded += kPagesPerBlock;
        const size_t m = nd.n() / 2 + (nd.leaf ? nd.n() % 2 : 0);
        if (nd.leaf) {
            right.ptrs.assign(nd.ptrs.begin() + static_cast<long>(m), nd.ptrs.end());
            right.keys = nd.keys.substr(m * static_cast<size_t>(nd.keyLength));
            nd.ptrs.resize(m);
            nd.keys.resize(m * static_cast<size_t>(nd.keyLength));
            upKey = nd.lastKey();
        } else {
            // Item m's key becomes the left half's last key; its child the left's rightmost.
            right.ptrs.assign(nd.ptrs.begin() + static_cast<long>(m) + 1, nd.ptrs.end());
            right.keys = nd.keys.substr((m + 1) * static_cast<size_t>(nd.keyLength));
            right.right = nd.right;
            upKey = std::string(nd.key(m));
            nd.right = nd.ptrs[m];
            nd.ptrs.resize(m);
            nd.keys.resize(m * static_cast<size_t>(nd.keyLength));
        }
        storeNode(tagIndex, right);
        storeNode(tagIndex, nd);
        upPtr = right.page;
        if (level == 0) {
            Node root;
            root.keyLength = nd.keyLength;
            root.leaf = false;
            root.page = allocateBlock();
            pagesAdded += kPagesPerBlock;
            root.insertItem(0, nd.page, upKey);
            root.right = right.page;
            storeNode(tagIndex, root);
            newRoot = root.page;
        }
    }
    setRoot(tagIndex, newRoot ? newRoot : path.nodes.front().page, true, pagesAdded);
}

bool MdxFile::remove(int tagIndex, std::string_view key, std::uint32_t recNo) {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    if (!writable_) throw Error(Error::Kind::ReadOnly, "The index file is open read-only", path_);
    if (key.size() != static_cast<size_t>(t.keyLength)) return false;
    WriteLock lock(fd_, path_);
    refreshSize();
    Path path;
    if (!seekPath(tagIndex, key, recNo, path)) return false;
    const size_t leafLevel = path.nodes.size() - 1;
    Node& leaf = path.nodes[leafLevel];
    const size_t at = path.index[leafLevel];
    if (leaf.ptrs[at] != recNo || compareKeys(t.keyType, leaf.key(at), key) != 0) return false;
    touchHeader();
    leaf.eraseItem(at);
    if (leaf.n() > 0) {
        storeNode(tagIndex, leaf);
        if (at == leaf.n()) updateSeparators(tagIndex, path, leafLevel, leaf.lastKey());
        setRoot(tagIndex, path.nodes.front().page, true, 0);
        return true;
    }
    if (leafLevel == 0) {  // the tag is now empty
        storeNode(tagIndex, leaf);
        setRoot(tagIndex, leaf.page, false, 0);
        return true;
    }
    removeChild(tagIndex, path, leafLevel);
    setRoot(tagIndex, path.nodes.front().page, true, 0);
    return true;
}

// The subtree at path.nodes[level] now ends with newMax: the separators above
// that name it follow.
void MdxFile::updateSeparators(int tagIndex, Path& path, size_t level, const std::string& newMax) {
    while (level > 0) {
        Node& parent = path.nodes[level - 1];
        const size_t i = path.index[level - 1];
        if (i < parent.n()) {
            parent.setKey(i, newMax);
            storeNode(tagIndex, parent);
            return;
        }
        --level;  // the rightmost child: the parent's own last key changed too
    }
}

// The node at path.nodes[level] has become empty: it leaves its parent. A
// parent left with no key is merged with, or borrows from, a neighbour so
// that every block keeps at least one key; a root left with one child hands
// the root over to it. Blocks let go stay in the file unused.
void MdxFile::removeChild(int tagIndex, Path& path, size_t level) {
    const int maxN = maxKeys(tags_[static_cast<size_t>(tagIndex)].keyLength);
    for (;;) {
        Node& parent = path.nodes[level - 1];
        const size_t ci = path.index[level - 1];
        if (ci < parent.n()) {
            parent.eraseItem(ci);
            storeNode(tagIndex, parent);
        } else {
            parent.right = parent.ptrs.back();
            const std::string newMax = parent.lastKey();
            parent.eraseItem(parent.n() - 1);
            path.index[level - 1] = parent.n();
            storeNode(tagIndex, parent);
            updateSeparators(tagIndex, path, level - 1, newMax);
        }
        if (parent.n() > 0) return;

        // The parent keeps one child and no key.
        const size_t pl = level - 1;
        const std::uint32_t only = parent.right;
        if (pl == 0) {
            path.nodes[0] = loadNode(tagIndex, only);
            return;
        }
        Node& grand = path.nodes[pl - 1];
        const size_t pi = path.index[pl - 1];
        if (pi > 0) {
            Node sib = loadNode(tagIndex, grand.child(pi - 1));
            if (sib.n() < static_cast<size_t>(maxN)) {
                // Merge: the lone child becomes the left neighbour's last child.
                sib.insertItem(sib.n(), sib.right, grand.key(pi - 1));
                sib.right = only;
                storeNode(tagIndex, sib);
                grand.setChild(pi, sib.page);
                path.index[pl - 1] = pi - 1;
                level = pl;  // the parent leaves the grandparent in turn
                continue;
            }
            // Borrow the left neighbour's last child.
            parent.insertItem(0, sib.right, grand.key(pi - 1));
            sib.right = sib.ptrs.back();
            grand.setKey(pi - 1, sib.lastKey());
            sib.eraseItem(sib.n() - 1);
            storeNode(tagIndex, sib);
            storeNode(tagIndex, parent);
            storeNode(tagIndex, grand);
            return;
        }
        Node sib = loadNode(tagIndex, grand.child(1));
        if (sib.n() < static_cast<size_t>(maxN)) {
            // Merge: the lone child becomes the right neighbour's first child.
            sib.insertItem(0, only, grand.key(0));
            storeNode(tagIndex, sib);
            path.index[pl - 1] = 0;
            level = pl;
            continue;
        }
        // Borrow the right neighbour's first child.
        parent.insertItem(0, only, grand.key(0));
        parent.right = sib.ptrs.front();
        grand.setKey(0, sib.key(0));
        sib.eraseItem(0);
        storeNode(tagIndex, sib);
        storeNode(tagIndex, parent);
        storeNode(tagIndex, grand);
        return;
    }
}

}  // namespace dbase
