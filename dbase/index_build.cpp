#include "dbase/index_build.h"

#include <algorithm>
#include <cstring>

#include "dbase/mdx_key.h"

namespace dbase {

namespace {

constexpr int kWords = 4;  // key bytes held in a sort entry: 32

// A key in a form that sorts without going back to the key buffer: its first
// 32 bytes as big-endian words for a character key, or the value's bits
// arranged so that unsigned comparison follows numeric order. Ties (longer
// character keys, or numbers equal as doubles) fall back to the full comparison.
struct SortEntry {
    std::uint64_t word[kWords];
    std::uint32_t index;
};

void summarise(KeyType type, const char* key, int length, SortEntry& e) {
    if (type == KeyType::Character) {
        for (int w = 0; w < kWords; ++w) {
            std::uint64_t v = 0;
            for (int i = w * 8; i < w * 8 + 8; ++i)
                v = (v << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0);
            e.word[w] = v;
        }
        return;
    }
    const std::string_view k(key, static_cast<size_t>(length));
    const double v = type == KeyType::Date ? dateKeyValue(k) : numericKeyValue(k);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    e.word[0] = (bits & (std::uint64_t{1} << 63)) ? ~bits : bits | (std::uint64_t{1} << 63);
    for (int w = 1; w < kWords; ++w)
        e.word[w] = 0;
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
    std::vector<SortEntry> order(n);
    for (size_t i = 0; i < n; ++i) {
        summarise(tag_.keyType, &tag_.keys[i * kl], tag_.keyLength, order[i]);
        order[i].index = static_cast<std::uint32_t>(i);
    }
    const char* keys = tag_.keys.data();
    const KeyType type = tag_.keyType;
    const bool desc = tag_.descending;
    // Summaries decide unless they tie; only then are the keys themselves
    // compared. Entries were added by record number, so the index breaks ties.
    const bool summaryIsWhole = type == KeyType::Character && kl <= 8 * kWords;
    std::sort(order.begin(), order.end(), [&](const SortEntry& a, const SortEntry& b) {
        for (int w = 0; w < kWords; ++w) {
            if (a.word[w] != b.word[w])
                return desc ? a.word[w] > b.word[w] : a.word[w] < b.word[w];
        }
        if (!summaryIsWhole) {
            const int c = compareKeys(type, std::string_view(keys + a.index * kl, kl),
                                      std::string_view(keys + b.index * kl, kl), desc);
            if (c != 0)
                return c < 0;
        }
        return a.index < b.index;
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
        out.recNos[i] = tag_.recNos[order[i].index];
    }
    tag_.keys.clear();
    tag_.recNos.clear();
    return out;
}

}  // namespace dbase
