// Opening an index file, reading its blocks, walking, checking and searching its tags.
#include "dbase/mdx_file.h"

#include "dbase/error.h"
#include "dbase/mdx_internal.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"

namespace dbase {

using namespace mdx;
using namespace mdx_detail;

// ---- Opening ----------------------------------------------------------------

MdxFile::MdxFile(const std::string& path, bool writable) : path_(path), writable_(writable) {
    try {
        file_ = OsFile::open(path, writable ? OsFile::Access::ReadWrite : OsFile::Access::Read);
    } catch (const Error& e) {
        throw Error(Error::Kind::NotFound, "Cannot open the index file: " + e.message(), path);
    }
    // Under the index lock: a writer in another process is part-way through
    // a change of the header.
    FileLock lock(file_, false);
    readHeader();
}

MdxFile::~MdxFile() = default;

void MdxFile::sync() {
    file_.sync();
}

void MdxFile::close() {
    file_.close();
}

void MdxFile::damaged(const std::string& why) const {
    throw Error(Error::Kind::IndexDamaged, "The index file is damaged: " + why, path_);
}

void MdxFile::readHeader() {
    fileSize_ = file_.size();
    if (fileSize_ < kFirstBlockPage * kPage)
        damaged("it is shorter than its header");
    unsigned char head[kFirstBlockPage * kPage];
    if (file_.readAt(0, head, sizeof head) != sizeof head)
        damaged("it is shorter than its header");
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
    caseFoldedByCodePage_ = head[header::kKeyRule] == header::kCaseFoldedByCodePage;
    changersAtOpen_ = get16(head + header::kChangers);
    const std::uint32_t tagCount = get16(head + header::kTagsInUse);
    if (tagCount > static_cast<std::uint32_t>(kMaxTags))
        damaged("it claims " + std::to_string(tagCount) + " tags");
    if (head[header::kSlotLength] != slot::kLength)
        damaged("the tag table is not readable");
    pageCount_ = get32(head + header::kPageCount);
    if (static_cast<std::uint64_t>(pageCount_) * kPage > fileSize_)
        damaged("the header counts more pages than the file holds");
    // Blocks are added after whatever the file holds, even if the header
    // counts fewer pages.
    pageCount_ =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize_ / kPage, 0xFFFFFFF0u));

    tags_.clear();
    for (std::uint32_t i = 0; i < tagCount; ++i) {
        const unsigned char* s = head + slot::kFirst + slot::kLength * i;
        MdxTagInfo t;
        t.headerPage = get32(s + slot::kHeaderPage);
        const auto* nameEnd =
            static_cast<const unsigned char*>(std::memchr(s + slot::kName, 0, 11));
        t.name = std::string(reinterpret_cast<const char*>(s + slot::kName),
                             nameEnd ? static_cast<size_t>(nameEnd - (s + slot::kName)) : 11);
        while (!t.name.empty() && t.name.back() == ' ')
            t.name.pop_back();
        if (t.name.empty())
            damaged("tag " + std::to_string(i + 1) + " has no name");
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
            if (t.keyLength != kNumericKeyLength)
                damaged("tag " + t.name + " has a bad key length");
        } else if (type == 'D') {
            t.keyType = KeyType::Date;
            if (t.keyLength != kDateKeyLength)
                damaged("tag " + t.name + " has a bad key length");
        } else {
            damaged("tag " + t.name + " has an unknown key type");
        }
        if (get16(h + tag::kItemLength) != itemLength(t.keyLength))
            damaged("tag " + t.name + " has a bad item length");
        const auto* exprEnd = static_cast<const unsigned char*>(
            std::memchr(h + tag::kExpression, 0, tag::kExpressionLength));
        if (exprEnd == nullptr)
            damaged("the expression of tag " + t.name + " is not terminated");
        t.expression = std::string(reinterpret_cast<const char*>(h + tag::kExpression),
                                   static_cast<size_t>(exprEnd - (h + tag::kExpression)));
        t.descending = (h[tag::kFormat] & tag::kFormatDescending) != 0;
        t.unique = (h[tag::kFormat] & tag::kFormatUnique) != 0 || h[tag::kUnique] != 0;
        t.hasFilter = h[tag::kHasFilter] != 0;
        const bool uniqueBit = (h[tag::kFormat] & tag::kFormatUnique) != 0;
        t.flagsDamaged =
            h[tag::kUnique] > 1 || uniqueBit != (h[tag::kUnique] != 0) || h[tag::kHasFilter] > 1 ||
            (t.hasFilter &&
             !legibleText(h + tag::kFilterExpression, kBlock - tag::kFilterExpression));
        const std::uint32_t root = get32(h + tag::kRoot);
        if (root < kFirstBlockPage ||
            static_cast<std::uint64_t>(root) + kPagesPerBlock > pageCount_)
            damaged("the tree of tag " + t.name + " starts outside the file");
        tags_.push_back(std::move(t));
    }
}

void MdxFile::markCaseFoldedByCodePage() {
    if (!writable_)
        throw Error(Error::Kind::ReadOnly, "The index file is open read-only", path_);
    FileLock lock(file_, true);
    beginChanges();
    const unsigned char rule = header::kCaseFoldedByCodePage;
    file_.writeAt(header::kKeyRule, &rule, 1);
    caseFoldedByCodePage_ = true;
}

int MdxFile::findTag(std::string_view name) const {
    const std::string u = upper(name);
    for (size_t i = 0; i < tags_.size(); ++i)
        if (upper(tags_[i].name) == u)
            return static_cast<int>(i);
    return -1;
}

// ---- Blocks and nodes -------------------------------------------------------

void MdxFile::readBlock(std::uint32_t page, unsigned char* block) const {
    if (page < kFirstBlockPage || static_cast<std::uint64_t>(page) + kPagesPerBlock > pageCount_)
        damaged("a pointer leads to page " + std::to_string(page) + ", outside the file");
    if (file_.readAt(std::uint64_t{page} * kPage, block, kBlock) != kBlock)
        damaged("page " + std::to_string(page) + " is cut short");
}

void MdxFile::writeBlock(std::uint32_t page, const unsigned char* block) {
    file_.writeAt(std::uint64_t{page} * kPage, block, kBlock);
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

// Takes every block a change will need before the change touches the tree,
// so that a full disk stops it while the tree is still whole. The blocks are
// written (blank) before the header counts them: a failed write leaves a
// header that still describes the file.
void MdxFile::reserveBlocks(size_t count, std::vector<std::uint32_t>& pages) {
    pages.clear();
    if (count == 0)
        return;
    const std::uint32_t first = pageCount_;
    std::vector<unsigned char> blank(count * kBlock, 0);
    file_.writeAt(std::uint64_t{first} * kPage, blank.data(), blank.size());
    pageCount_ += static_cast<std::uint32_t>(count) * kPagesPerBlock;
    unsigned char bytes[4];
    put32(bytes, pageCount_);
    file_.writeAt(header::kPageCount, bytes, 4);
    for (size_t i = 0; i < count; ++i)
        pages.push_back(first + static_cast<std::uint32_t>(i) * kPagesPerBlock);
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
    put32(b + tag::kPages,
          static_cast<std::uint32_t>(static_cast<int>(get32(b + tag::kPages)) + pagesDelta));
    b[tag::kCounter] = static_cast<unsigned char>(b[tag::kCounter] + 1);
    b[tag::kHasKeys] = hasKeys ? 1 : 0;
    writeBlock(hp, b);
}

void MdxFile::refreshSize() const {
    fileSize_ = file_.size();
    pageCount_ =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize_ / kPage, 0xFFFFFFF0u));
}

// Called with the index lock held, before the first write of a change: the
// count of changers goes up, and is on disk before any block changes.
void MdxFile::beginChanges() {
    if (counted_)
        return;
    unsigned char count[2];
    file_.readExact(header::kChangers, count, 2);
    put16(count, std::min<std::uint32_t>(get16(count) + 1u, 0xFFFFu));
    file_.writeAt(header::kChangers, count, 2);
    file_.sync();
    counted_ = true;
}

void MdxFile::endChanges() {
    if (!counted_)
        return;
    FileLock lock(file_, true);
    file_.sync();  // every change of this user first
    unsigned char count[2];
    file_.readExact(header::kChangers, count, 2);
    const std::uint32_t n = get16(count);
    put16(count, n > 0 ? n - 1 : 0);
    file_.writeAt(header::kChangers, count, 2);
    file_.sync();
    counted_ = false;
}

int MdxFile::changersOf(const std::string& path) noexcept {
    try {
        const OsFile f = OsFile::open(path, OsFile::Access::Read);
        unsigned char count[2];
        if (f.readAt(header::kChangers, count, 2) != 2)
            return 0;
        return get16(count);
    } catch (const Error&) {
        return 0;
    }
}

void MdxFile::touchHeader() {
    unsigned char date[3];
    today(date);
    file_.writeAt(header::kUpdated, date, 3);
}

// ---- Walking and checking ------------------------------------------------------

void MdxFile::forEach(int tagIndex, const std::function<void(std::string_view, std::uint32_t)>& fn,
                      std::uint32_t maxRecNo, bool strict) const {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    FileLock lock(file_, false);
    refreshSize();
    std::vector<bool> seen(pageCount_ / kPagesPerBlock + 1, false);
    int leafDepth = -1;
    std::string prevKey;
    std::uint32_t prevRec = 0;
    bool havePrev = false;
    const std::uint32_t root = rootPage(tagIndex);
    // Every record is in a tag at most once: with the count, this tells a
    // tag that holds every record from one that names a record twice and
    // misses another.
    std::vector<bool> listed(maxRecNo > 0 ? static_cast<size_t>(maxRecNo) + 1 : 0, false);

    // Returns the last key of the subtree (empty when it has none).
    std::function<std::string(std::uint32_t, int)> visit = [&](std::uint32_t page, int depth) {
        if (depth > kMaxDepth)
            damaged("the tree of tag " + t.name + " is too deep");
        const size_t slotIndex = page / kPagesPerBlock;
        if (slotIndex < seen.size() && seen[slotIndex])
            damaged("page " + std::to_string(page) + " is reached twice");
        if (slotIndex < seen.size())
            seen[slotIndex] = true;
        const Node nd = loadNode(tagIndex, page);
        if (strict && nd.n() == 0 && page != root)
            damaged("page " + std::to_string(page) + " holds no keys");
        if (nd.leaf) {
            if (leafDepth < 0)
                leafDepth = depth;
            if (leafDepth != depth)
                damaged("the leaves of tag " + t.name + " lie at different depths");
            for (size_t i = 0; i < nd.n(); ++i) {
                const std::string_view k = nd.key(i);
                const std::uint32_t r = nd.ptrs[i];
                if (r == 0 || (maxRecNo > 0 && r > maxRecNo))
                    damaged("tag " + t.name + " names record " + std::to_string(r) +
                            ", which the table does not hold");
                if (maxRecNo > 0) {
                    if (listed[r])
                        damaged("tag " + t.name + " names record " + std::to_string(r) + " twice");
                    listed[r] = true;
                }
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
            if (i == nd.n() || last.empty())
                continue;
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
    forEach(
        tagIndex, [&count](std::string_view, std::uint32_t) { ++count; }, maxRecNo, strict);
    return count;
}

int MdxFile::depth(int tagIndex) const {
    FileLock lock(file_, false);
    refreshSize();
    int d = 1;
    Node nd = loadNode(tagIndex, rootPage(tagIndex));
    while (!nd.leaf) {
        if (++d > kMaxDepth)
            damaged("the tree is too deep");
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
            if (path.nodes.size() > static_cast<size_t>(kMaxDepth))
                damaged("the tree is too deep");
            Node nd = loadNode(tagIndex, page);
            size_t i = 0;
            if (nd.leaf) {
                if (!leftmost)
                    while (i < nd.n() && below(nd.key(i), nd.ptrs[i]))
                        ++i;
                path.nodes.push_back(std::move(nd));
                path.index.push_back(i);
                return;
            }
            if (!leftmost)
                while (i < nd.n() && compareKeys(t.keyType, nd.key(i), key, t.descending) < 0)
                    ++i;
            page = nd.child(i);
            path.nodes.push_back(std::move(nd));
            path.index.push_back(i);
        }
    };
    descend(rootPage(tagIndex), false);
    for (;;) {
        Node& leaf = path.nodes.back();
        size_t& i = path.index.back();
        while (i < leaf.n() && below(leaf.key(i), leaf.ptrs[i]))
            ++i;
        if (i < leaf.n())
            return true;
        // Equal keys may continue in the next leaf: step to it via the parents.
        size_t level = path.nodes.size() - 1;
        while (level > 0 && path.index[level - 1] >= path.nodes[level - 1].n())
            --level;
        if (level == 0)
            return false;
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
    FileLock lock(file_, false);
    refreshSize();
    Path path;
    if (!seekPath(tagIndex, key, 0, path))
        return false;
    const Node& leaf = path.nodes.back();
    if (foundKey)
        *foundKey = std::string(leaf.key(path.index.back()));
    if (foundRecNo)
        *foundRecNo = leaf.ptrs[path.index.back()];
    return true;
}

}  // namespace dbase
