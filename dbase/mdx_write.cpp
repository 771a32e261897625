// Writing a whole index file from sorted entries.
#include "dbase/mdx_file.h"

#include <sys/stat.h>

#include "dbase/error.h"
#include "dbase/mdx_internal.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"

namespace dbase {

using namespace mdx;
using namespace mdx_detail;

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
            if (count == 0)
                break;
        }
        const std::uint32_t firstLeaf = level.front().page;
        const std::uint32_t lastLeaf = level.back().page;
        while (level.size() > 1) {
            std::vector<Child> up;
            const size_t group = static_cast<size_t>(per) + 1;
            for (size_t start = 0; start < level.size();) {
                size_t end = std::min(level.size(), start + group);
                // Never leave a last parent with a single child (no key).
                if (level.size() - end == 1)
                    --end;
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
        h[tag::kFormat] = static_cast<unsigned char>(tag::kFormatField |
                                                     (t.descending ? tag::kFormatDescending : 0));
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
    if (!tags.empty())
        f[slot::kAnchor + slot::kRight] = 1;
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
    if (fd < 0)
        ioError("Cannot create the index file", temp);
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

}  // namespace dbase
