// Writing a whole index file from sorted entries.
#include "dbase/error.h"
#include "dbase/mdx_file.h"
#include "dbase/mdx_internal.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"

namespace dbase {

using namespace mdx;
using namespace mdx_detail;

namespace {
constexpr size_t kWriteBuffer = size_t{1} << 20;
}

// ---- Writing a file block by block -----------------------------------------

MdxWriter::MdxWriter(const std::string& path, const std::string& tableName)
    : path_(path), tableName_(tableName) {
    file_ = OsFile::create(path, 0644);
    buffer_.reserve(kWriteBuffer);
    // The file header and tag table are written last, when all is known.
    buffer_.assign(static_cast<size_t>(kFirstBlockPage) * kPage, 0);
    nextPage_ = kFirstBlockPage;
}

MdxWriter::~MdxWriter() = default;

void MdxWriter::flush() {
    if (!buffer_.empty())
        file_.writeAt(std::uint64_t{bufferPage_} * kPage, buffer_.data(), buffer_.size());
    bufferPage_ = nextPage_;
    buffer_.clear();
}

std::uint32_t MdxWriter::appendBlock(const unsigned char* block) {
    if (buffer_.size() + kBlock > kWriteBuffer)
        flush();
    buffer_.insert(buffer_.end(), block, block + kBlock);
    const std::uint32_t page = nextPage_;
    nextPage_ += kPagesPerBlock;
    return page;
}

void MdxWriter::beginTag(const std::string& name, const std::string& expression, KeyType keyType,
                         int keyLength, bool descending) {
    const std::string upperName = upper(name);
    if (!validTagName(upperName))
        throw Error(Error::Kind::InvalidValue,
                    "\"" + name +
                        "\" is not a valid tag name (1 to 10 letters, digits or \"_\", "
                        "starting with a letter)",
                    path_);
    if (tags_.size() >= static_cast<size_t>(MdxFile::kMaxTags))
        throw Error(Error::Kind::InvalidValue, "An index file holds at most 47 tags", path_);
    for (const Tag& t : tags_)
        if (t.name == upperName)
            throw Error(Error::Kind::InvalidValue, "Tag " + upperName + " is given twice", path_);
    const unsigned char blank[kBlock] = {};
    Tag t;
    t.name = upperName;
    t.keyType = keyType;
    t.headerPage = appendBlock(blank);  // filled in by endTag()
    tags_.push_back(t);
    expression_ = expression;
    keyLength_ = keyLength;
    descending_ = descending;
    firstNodePage_ = nextPage_;
    entries_ = 0;
    leaf_.assign(kBlock, 0);
    inLeaf_ = 0;
    leafPages_.clear();
    leafLastKeys_.clear();
}

void MdxWriter::writeLeaf() {
    const int il = itemLength(keyLength_);
    put32(leaf_.data() + node::kCount, static_cast<std::uint32_t>(inLeaf_));
    leafPages_.push_back(appendBlock(leaf_.data()));
    if (inLeaf_ > 0)
        leafLastKeys_.append(
            reinterpret_cast<const char*>(leaf_.data() + node::kItems + (inLeaf_ - 1) * il + 4),
            static_cast<size_t>(keyLength_));
    else
        leafLastKeys_.append(static_cast<size_t>(keyLength_), ' ');
    std::fill(leaf_.begin(), leaf_.end(), 0);
    inLeaf_ = 0;
}

void MdxWriter::add(std::string_view key, std::uint32_t recNo) {
    const int il = itemLength(keyLength_);
    unsigned char* p = leaf_.data() + node::kItems + inLeaf_ * il;
    put32(p, recNo);
    std::memcpy(p + 4, key.data(), std::min(key.size(), static_cast<size_t>(keyLength_)));
    ++entries_;
    if (++inLeaf_ == maxKeys(keyLength_))
        writeLeaf();
}

void MdxWriter::endTag() {
    if (inLeaf_ > 0 || leafPages_.empty())
        writeLeaf();
    const int kl = keyLength_;
    const int il = itemLength(kl);
    const int per = maxKeys(kl);
    const std::uint32_t firstLeaf = leafPages_.front();
    const std::uint32_t lastLeaf = leafPages_.back();
    // Each level of parents above the leaves, in memory: a level holds a
    // hundredth or less of the entries.
    std::vector<std::uint32_t> pages = std::move(leafPages_);
    std::string lastKeys = std::move(leafLastKeys_);
    std::vector<unsigned char> block(kBlock);
    while (pages.size() > 1) {
        std::vector<std::uint32_t> upPages;
        std::string upKeys;
        const size_t group = static_cast<size_t>(per) + 1;
        for (size_t start = 0; start < pages.size();) {
            size_t end = std::min(pages.size(), start + group);
            // Never leave a last parent with a single child (no key).
            if (pages.size() - end == 1)
                --end;
            std::fill(block.begin(), block.end(), 0);
            put32(block.data() + node::kCount, static_cast<std::uint32_t>(end - 1 - start));
            unsigned char* p = block.data() + node::kItems;
            for (size_t i = start; i + 1 < end; ++i, p += il) {
                put32(p, pages[i]);
                std::memcpy(p + 4, lastKeys.data() + i * static_cast<size_t>(kl),
                            static_cast<size_t>(kl));
            }
            put32(p, pages[end - 1]);
            upPages.push_back(appendBlock(block.data()));
            upKeys.append(lastKeys, (end - 1) * static_cast<size_t>(kl), static_cast<size_t>(kl));
            start = end;
        }
        pages = std::move(upPages);
        lastKeys = std::move(upKeys);
    }

    unsigned char date[3];
    today(date);
    const Tag& t = tags_.back();
    unsigned char h[kBlock] = {};
    put32(h + tag::kRoot, pages.front());
    put32(h + tag::kPages, nextPage_ - firstNodePage_);
    h[tag::kFormat] =
        static_cast<unsigned char>(tag::kFormatField | (descending_ ? tag::kFormatDescending : 0));
    h[tag::kKeyType] = static_cast<unsigned char>(t.keyType);
    h[tag::kMarker11] = 0x1B;
    put16(h + tag::kKeyLength, static_cast<std::uint32_t>(kl));
    put16(h + tag::kMaxKeys, static_cast<std::uint32_t>(per));
    put16(h + tag::kSecondaryType, t.keyType == KeyType::Date ? 1 : 0);
    put16(h + tag::kItemLength, static_cast<std::uint32_t>(il));
    h[tag::kCounter] = 1;
    const size_t exprLength =
        std::min(expression_.size(), static_cast<size_t>(tag::kExpressionLength - 1));
    std::memcpy(h + tag::kExpression, expression_.data(), exprLength);
    h[tag::kHasKeys] = entries_ > 0 ? 1 : 0;
    put32(h + tag::kFirstLeaf, firstLeaf);
    put32(h + tag::kLastLeaf, lastLeaf);
    std::memcpy(h + tag::kDate, date, 3);
    if (t.headerPage >= bufferPage_)
        std::memcpy(buffer_.data() + static_cast<size_t>(t.headerPage - bufferPage_) * kPage, h,
                    kBlock);
    else
        file_.writeAt(std::uint64_t{t.headerPage} * kPage, h, kBlock);
}

void MdxWriter::finish() {
    flush();
    unsigned char date[3];
    today(date);
    std::vector<unsigned char> head(static_cast<size_t>(kFirstBlockPage) * kPage, 0);
    unsigned char* f = head.data();
    f[header::kVersion] = 2;
    std::memcpy(f + header::kCreated, date, 3);
    const std::string tname = upper(tableName_).substr(0, header::kTableNameLength);
    std::memcpy(f + header::kTableName, tname.data(), tname.size());
    put16(f + header::kBlockPages, kPagesPerBlock);
    put16(f + header::kBlockBytes, kBlock);
    f[header::kProduction] = 1;
    f[header::kSlots] = 48;
    f[header::kSlotLength] = slot::kLength;
    put16(f + header::kTagsInUse, static_cast<std::uint32_t>(tags_.size()));
    f[header::kNextTag] = static_cast<unsigned char>(tags_.size() + 1);
    f[header::kMarker31] = 0x1B;
    put32(f + header::kPageCount, nextPage_);
    std::memcpy(f + header::kUpdated, date, 3);
    f[header::kKeyRule] = header::kCaseFoldedByCodePage;
    if (!tags_.empty())
        f[slot::kAnchor + slot::kRight] = 1;
    // The tag names also form a binary search tree threaded through the slots.
    std::vector<int> left(tags_.size()), right(tags_.size()), parent(tags_.size());
    for (size_t i = 1; i < tags_.size(); ++i) {
        size_t j = 0;
        for (;;) {
            int& next = tags_[i].name < tags_[j].name ? left[j] : right[j];
            if (next == 0) {
                next = static_cast<int>(i) + 1;
                parent[i] = static_cast<int>(j) + 1;
                break;
            }
            j = static_cast<size_t>(next - 1);
        }
    }
    for (size_t i = 0; i < tags_.size(); ++i) {
        unsigned char* s = f + slot::kFirst + slot::kLength * i;
        put32(s + slot::kHeaderPage, tags_[i].headerPage);
        std::memcpy(s + slot::kName, tags_[i].name.data(), tags_[i].name.size());
        s[slot::kKeyFormat] = tag::kFormatField;
        s[slot::kLeft] = static_cast<unsigned char>(left[i]);
        s[slot::kRight] = static_cast<unsigned char>(right[i]);
        s[slot::kParent] = static_cast<unsigned char>(parent[i]);
        s[slot::kMarker19] = 0x02;
        s[slot::kKeyType] = static_cast<unsigned char>(tags_[i].keyType);
    }
    file_.writeAt(0, head.data(), head.size());
    file_.sync();
    file_.close();
}

// ---- Writing a whole file from tags in memory --------------------------------

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
    // A new file, on disk before it is renamed over the old one: a crash
    // leaves one or the other.
    const std::string temp = path + ".new";
    try {
        MdxWriter w(temp, tableName);
        for (const MdxTagBuild& t : tags) {
            w.beginTag(t.name, t.expression, t.keyType, t.keyLength, t.descending);
            const size_t kl = static_cast<size_t>(t.keyLength);
            for (size_t i = 0; i < t.entryCount(); ++i)
                w.add(std::string_view(t.keys).substr(i * kl, kl), t.recNos[i]);
            w.endTag();
        }
        w.finish();
        OsFile::replace(temp, path);
    } catch (...) {
        OsFile::discard(temp);
        throw;
    }
}

}  // namespace dbase
