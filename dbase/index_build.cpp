#include "dbase/index_build.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <queue>
#include <utility>

#include "dbase/error.h"
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

// What one held entry costs: its key, its record number and its sort entry.
size_t entryCost(int keyLength) {
    return static_cast<size_t>(keyLength) + sizeof(std::uint32_t) + sizeof(SortEntry);
}

[[noreturn]] void spillError(const std::string& what, const std::string& where) {
    const int err = errno;
    throw Error(err == ENOSPC ? Error::Kind::DiskFull : Error::Kind::Io,
                what + ": " + std::strerror(err), where);
}

// A temporary file that has no name (or loses it at once): the system
// reclaims it when it is closed, even after a crash.
int openSpillFile(const std::string& directory) {
    std::string dir = directory;
    if (dir.empty()) {
        std::error_code ec;
        dir = std::filesystem::temp_directory_path(ec).string();
        if (ec || dir.empty())
            dir = "/tmp";
    }
#ifdef O_TMPFILE
    const int fd = ::open(dir.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    std::string name = dir + "/.tagsort.XXXXXX";
    const int named = ::mkstemp(name.data());
    if (named < 0)
        spillError("Cannot create a temporary file for sorting the index", dir);
    ::unlink(name.c_str());
    return named;
}

}  // namespace

TagBuilder::TagBuilder(const std::string& name, const Expression& expression, bool descending,
                       size_t memoryBudget, std::string spillDirectory)
    : expression_(expression),
      name_(name),
      keyType_(expression.type()),
      keyLength_(expression.width()),
      descending_(descending),
      maxHeld_(std::max<size_t>(memoryBudget / entryCost(expression.width()), 2)),
      spillDirectory_(std::move(spillDirectory)) {}

TagBuilder::~TagBuilder() {
    if (spillFd_ >= 0)
        ::close(spillFd_);
}

TagBuilder::TagBuilder(TagBuilder&& o) noexcept
    : expression_(o.expression_),
      name_(std::move(o.name_)),
      keyType_(o.keyType_),
      keyLength_(o.keyLength_),
      descending_(o.descending_),
      maxHeld_(o.maxHeld_),
      spillDirectory_(std::move(o.spillDirectory_)),
      keys_(std::move(o.keys_)),
      recNos_(std::move(o.recNos_)),
      spillFd_(std::exchange(o.spillFd_, -1)),
      spillSize_(o.spillSize_),
      runs_(std::move(o.runs_)) {}

void TagBuilder::reserve(size_t records) {
    const size_t n = std::min(records, maxHeld_);
    keys_.reserve(n * static_cast<size_t>(keyLength_));
    recNos_.reserve(n);
}

void TagBuilder::add(const unsigned char* record, std::uint32_t recNo) {
    if (recNos_.size() >= maxHeld_)
        spill();
    expression_.key(record, key_);
    keys_ += key_;
    recNos_.push_back(recNo);
}

namespace {

// Where a hash of a key starts looking for it in a table of 2^bits slots.
size_t keySlot(const char* key, size_t length, int bits) {
    std::uint64_t h = 0x243F6A8885A308D3u;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, key + i, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15u;
        h ^= h >> 29;
    }
    for (; i < length; ++i)
        h = (h ^ static_cast<unsigned char>(key[i])) * 0x100000001B3u;
    h *= 0x9E3779B97F4A7C15u;
    return static_cast<size_t>(h >> (64 - bits));
}

}  // namespace

// Keys of a tag often repeat (the books of one author): when the held keys
// take few distinct values, each distinct key is put in order once and the
// entries are placed by it in one counting pass, which keeps equal keys in
// the order they were added (by record number). Character keys only, whose
// equal keys are equal bytes. Gives up (false) as soon as the keys prove
// too varied for it to pay.
bool TagBuilder::sortByRank(std::vector<std::uint32_t>& result) const {
    const size_t n = recNos_.size();
    const size_t kl = static_cast<size_t>(keyLength_);
    if (keyType_ != KeyType::Character || n < kRankFrom || kl == 0)
        return false;
    const size_t mostDistinct = n / 8;
    int bits = 4;
    while ((size_t{1} << bits) < 2 * mostDistinct)
        ++bits;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> slots(size_t{1} << bits, kEmpty);  // distinct key numbers
    std::vector<std::uint32_t> firsts;                            // entry holding each distinct key
    std::vector<std::uint32_t> ids(n);  // distinct key number of each entry
    const char* keys = keys_.data();
    const size_t mask = slots.size() - 1;
    for (size_t i = 0; i < n; ++i) {
        const char* key = keys + i * kl;
        size_t s = keySlot(key, kl, bits);
        for (;; s = (s + 1) & mask) {
            const std::uint32_t id = slots[s];
            if (id == kEmpty) {
                if (firsts.size() == mostDistinct)
                    return false;
                slots[s] = static_cast<std::uint32_t>(firsts.size());
                ids[i] = slots[s];
                firsts.push_back(static_cast<std::uint32_t>(i));
                break;
            }
            if (std::memcmp(keys + size_t{firsts[id]} * kl, key, kl) == 0) {
                ids[i] = id;
                break;
            }
        }
    }
    // The distinct keys in tag order, then each one's place in it.
    std::vector<std::uint32_t> byKey(firsts.size());
    for (size_t k = 0; k < byKey.size(); ++k)
        byKey[k] = static_cast<std::uint32_t>(k);
    const bool desc = descending_;
    std::sort(byKey.begin(), byKey.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = std::memcmp(keys + size_t{firsts[a]} * kl, keys + size_t{firsts[b]} * kl, kl);
        return desc ? c > 0 : c < 0;
    });
    // Where the entries of each distinct key start in the result.
    std::vector<std::uint32_t> start(firsts.size(), 0);
    for (size_t i = 0; i < n; ++i)
        ++start[ids[i]];
    std::uint32_t at = 0;
    for (const std::uint32_t k : byKey) {
        const std::uint32_t count = start[k];
        start[k] = at;
        at += count;
    }
    result.resize(n);
    for (size_t i = 0; i < n; ++i)
        result[start[ids[i]]++] = static_cast<std::uint32_t>(i);
    return true;
}

// The held entries' indexes in tag order.
void TagBuilder::sortHeld(std::vector<std::uint32_t>& result) const {
    if (sortByRank(result))
        return;
    const size_t n = recNos_.size();
    const size_t kl = static_cast<size_t>(keyLength_);
    std::vector<SortEntry> order(n);
    for (size_t i = 0; i < n; ++i) {
        summarise(keyType_, &keys_[i * kl], keyLength_, order[i]);
        order[i].index = static_cast<std::uint32_t>(i);
    }
    const char* keys = keys_.data();
    const KeyType type = keyType_;
    const bool desc = descending_;
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
    result.resize(n);
    for (size_t i = 0; i < n; ++i)
        result[i] = order[i].index;
}

void TagBuilder::spill() {
    if (recNos_.empty())
        return;
    if (spillFd_ < 0)
        spillFd_ = openSpillFile(spillDirectory_);
    std::vector<std::uint32_t> order;
    sortHeld(order);
    const size_t kl = static_cast<size_t>(keyLength_);
    const size_t item = kl + 4;
    std::vector<char> out;
    out.reserve(std::min<size_t>(order.size() * item, size_t{1} << 20) + item);
    const Run run{spillSize_, order.size()};
    auto put = [&] {
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pwrite(spillFd_, out.data() + done, out.size() - done,
                                       static_cast<off_t>(spillSize_ + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                spillError("Cannot write the temporary file for sorting the index",
                           spillDirectory_);
            done += static_cast<size_t>(n);
        }
        spillSize_ += out.size();
        out.clear();
    };
    for (const std::uint32_t i : order) {
        out.insert(out.end(), keys_.data() + i * kl, keys_.data() + (i + 1) * kl);
        const std::uint32_t r = recNos_[i];
        const char* rb = reinterpret_cast<const char*>(&r);
        out.insert(out.end(), rb, rb + 4);
        if (out.size() + item > (size_t{1} << 20))
            put();
    }
    put();
    runs_.push_back(run);
    keys_.clear();
    recNos_.clear();
}

void TagBuilder::merge(const Emit& emit, const std::vector<std::uint32_t>& held) {
    const size_t kl = static_cast<size_t>(keyLength_);
    const size_t item = kl + 4;
    // One reader per written run, each with a buffer of whole entries; the
    // entries still held, sorted, are the last run.
    struct Reader {
        std::uint64_t next;  // file offset of the next unread entry
        std::uint64_t left;  // entries not yet read into the buffer
        std::vector<char> buffer;
        size_t at = 0, held = 0;  // entries
    };
    const size_t perBuffer = std::max<size_t>((size_t{256} << 10) / item, 1);
    const size_t memory = runs_.size();  // the reader number of the held run
    std::vector<Reader> readers(runs_.size() + 1);
    auto refill = [&](Reader& r) {
        const size_t n = static_cast<size_t>(std::min<std::uint64_t>(r.left, perBuffer));
        r.buffer.resize(n * item);
        size_t done = 0;
        while (done < r.buffer.size()) {
            const ssize_t got = ::pread(spillFd_, r.buffer.data() + done, r.buffer.size() - done,
                                        static_cast<off_t>(r.next + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                spillError("Cannot read the temporary file for sorting the index", spillDirectory_);
            done += static_cast<size_t>(got);
        }
        r.next += r.buffer.size();
        r.left -= n;
        r.at = 0;
        r.held = n;
    };
    for (size_t i = 0; i < runs_.size(); ++i) {
        readers[i].next = runs_[i].offset;
        readers[i].left = runs_[i].count;
        refill(readers[i]);
    }
    readers[memory].held = held.size();
    readers[memory].left = 0;
    auto keyOf = [&](size_t run) {
        const Reader& r = readers[run];
        if (run == memory)
            return std::string_view(keys_.data() + held[r.at] * kl, kl);
        return std::string_view(r.buffer.data() + r.at * item, kl);
    };
    // Equal keys: the earlier run holds the lower record numbers.
    auto after = [&](size_t a, size_t b) {
        const int c = compareKeys(keyType_, keyOf(a), keyOf(b), descending_);
        return c != 0 ? c > 0 : a > b;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(after)> heap(after);
    for (size_t i = 0; i < readers.size(); ++i)
        if (readers[i].held > 0)
            heap.push(i);
    while (!heap.empty()) {
        const size_t run = heap.top();
        heap.pop();
        Reader& r = readers[run];
        if (run == memory) {
            emit(keyOf(run), recNos_[held[r.at]]);
        } else {
            const char* e = r.buffer.data() + r.at * item;
            std::uint32_t recNo = 0;
            std::memcpy(&recNo, e + kl, 4);
            emit(std::string_view(e, kl), recNo);
        }
        if (++r.at == r.held) {
            if (r.left == 0)
                continue;
            refill(r);
        }
        heap.push(run);
    }
}

void TagBuilder::finish(const Emit& emit) {
    std::vector<std::uint32_t> order;
    sortHeld(order);
    if (!runs_.empty()) {
        merge(emit, order);
    } else {
        const size_t kl = static_cast<size_t>(keyLength_);
        for (const std::uint32_t i : order)
            emit(std::string_view(keys_.data() + i * kl, kl), recNos_[i]);
    }
    keys_.clear();
    keys_.shrink_to_fit();
    recNos_.clear();
    recNos_.shrink_to_fit();
    runs_.clear();
    spillSize_ = 0;
    if (spillFd_ >= 0) {
        ::close(spillFd_);
        spillFd_ = -1;
    }
}

MdxTagBuild TagBuilder::finish() {
    MdxTagBuild out;
    out.name = name_;
    out.expression = expression_.text();
    out.keyType = keyType_;
    out.keyLength = keyLength_;
    out.descending = descending_;
    finish([&out](std::string_view key, std::uint32_t recNo) {
        out.keys += key;
        out.recNos.push_back(recNo);
    });
    return out;
}

}  // namespace dbase
