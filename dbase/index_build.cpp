#include "dbase/index_build.h"

#include <algorithm>
#include <cstring>

#include "dbase/mdx_key.h"

namespace dbase {

namespace {

// An order-keeping 64-bit summary of a key: the first 8 bytes of a character
// key read big-endian, or the bits of a number or day arranged so that
// unsigned comparison follows numeric order. Equal prefixes fall back to the
// full comparison.
std::uint64_t prefixOf(KeyType type, const char* key, int length) {
    if (type == KeyType::Character) {
        std::uint64_t p = 0;
        for (int i = 0; i < 8; ++i)
            p = (p << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0);
        return p;
    }
    const std::string_view k(key, static_cast<size_t>(length));
    const double v = type == KeyType::Date ? dateKeyValue(k) : numericKeyValue(k);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & (std::uint64_t{1} << 63)) ? ~bits : bits | (std::uint64_t{1} << 63);
}

}  // namespace

TagBuilder::TagBuilder(const std::string& name, const Expression& expression, bool descending)
    : expression_(expression) {
    tag_.name = name;
    tag_.expression = expression.text();
    tag_.keyType = expression.type();
    tag_.keyLength = expression.width();
    tag_.descending = descending;
}

void TagBuilder::reserve(size_t records) {
    tag_.keys.reserve(records * static_cast<size_t>(tag_.keyLength));
    tag_.recNos.reserve(records);
}

void TagBuilder::add(const unsigned char* record, std::uint32_t recNo) {
    expression_.key(record, key_);
    tag_.keys += key_;
    tag_.recNos.push_back(recNo);
}

MdxTagBuild TagBuilder::finish() {
    const size_t n = tag_.recNos.size();
    const size_t kl = static_cast<size_t>(tag_.keyLength);
    struct Entry {
        std::uint64_t prefix;
        std::uint32_t index;
    };
    std::vector<Entry> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = {prefixOf(tag_.keyType, &tag_.keys[i * kl], tag_.keyLength),
                    static_cast<std::uint32_t>(i)};
    const char* keys = tag_.keys.data();
    const KeyType type = tag_.keyType;
    const bool desc = tag_.descending;
    const auto& recNos = tag_.recNos;
    std::sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) return desc ? a.prefix > b.prefix : a.prefix < b.prefix;
        const int c = compareKeys(type, std::string_view(keys + a.index * kl, kl),
                                  std::string_view(keys + b.index * kl, kl), desc);
        if (c != 0) return c < 0;
        return recNos[a.index] < recNos[b.index];
    });
    MdxTagBuild out;
    out.name = tag_.name;
    out.expression = tag_.expression;
    out.keyType = tag_.keyType;
    out.keyLength = tag_.keyLength;
    out.descending = tag_.descending;
    out.keys.resize(n * kl);
    out.recNos.resize(n);
    for (size_t i = 0; i < n; ++i) {
        std::memcpy(&out.keys[i * kl], keys + order[i].index * kl, kl);
        out.recNos[i] = recNos[order[i].index];
    }
    tag_.keys.clear();
    tag_.recNos.clear();
    return out;
}

}  // namespace dbase
