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

// The held entries' indexes in tag order.
void TagBuilder::sortHeld(std::vector<std::uint32_t>& result) const {
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
