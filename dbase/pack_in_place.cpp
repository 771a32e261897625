#include "dbase/pack_in_place.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "dbase/dbf_header.h"
#include "dbase/error.h"

namespace dbase {

PackChunkSizes packChunkSizes;

std::string packJournalName(const std::string& tablePath) {
    return tablePath + ".packlog";
}

namespace {

// A slot: a fixed header in one of the two header areas at the start of the
// journal, and the packed records it carries in that slot's data area.
constexpr std::uint64_t kSlotArea = 512;
constexpr std::uint64_t kDataStart = 2 * kSlotArea;
constexpr char kMagic[8] = {'T', 'K', 'P', 'A', 'C', 'K', 'L', '1'};
constexpr std::size_t kOffSeq = 8;
constexpr std::size_t kOffPhase = 16;
constexpr std::size_t kOffOldCount = 20;
constexpr std::size_t kOffHeaderLength = 24;
constexpr std::size_t kOffRecordLength = 28;
constexpr std::size_t kOffW = 32;  // the checkpoint before the slot's records
constexpr std::size_t kOffR = 36;
constexpr std::size_t kOffW2 = 40;  // ... and after them
constexpr std::size_t kOffR2 = 44;
constexpr std::size_t kOffDataLength = 48;
constexpr std::size_t kOffDataCapacity = 56;
constexpr std::size_t kOffChecksum = 64;
constexpr std::size_t kSlotHeader = 72;

void putU64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint64_t getU64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// A checksum that a torn or stale slot fails: eight bytes a step, fast
// enough not to count beside the copy it guards.
std::uint64_t checksum(const std::uint8_t* p, std::size_t n, std::uint64_t h) {
    constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ull;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        h = (h ^ word) * kPrime;
        h ^= h >> 29;
    }
    for (; i < n; ++i)
        h = (h ^ p[i]) * kPrime;
    return h ^ (h >> 32);
}

std::uint64_t slotChecksum(const std::uint8_t* header, const std::uint8_t* data,
                           std::size_t length) {
    return checksum(data, length, checksum(header, kOffChecksum, 0x6A09E667F3BCC908ull));
}

struct Slot {
    bool whole = false;
    std::uint64_t seq = 0;
    std::uint32_t phase = 0, oldCount = 0, headerLength = 0, recordLength = 0;
    std::uint32_t w = 0, r = 0, w2 = 0, r2 = 0;
    std::uint64_t dataCapacity = 0;
    std::vector<std::uint8_t> data;
};

Slot readSlot(const OsFile& journal, int index) {
    Slot s;
    std::array<std::uint8_t, kSlotHeader> h{};
    if (journal.readAt(static_cast<std::uint64_t>(index) * kSlotArea, h.data(), h.size()) !=
            h.size() ||
        std::memcmp(h.data(), kMagic, sizeof kMagic) != 0)
        return s;
    s.seq = getU64(h.data() + kOffSeq);
    s.phase = readU32(h.data() + kOffPhase);
    s.oldCount = readU32(h.data() + kOffOldCount);
    s.headerLength = readU32(h.data() + kOffHeaderLength);
    s.recordLength = readU32(h.data() + kOffRecordLength);
    s.w = readU32(h.data() + kOffW);
    s.r = readU32(h.data() + kOffR);
    s.w2 = readU32(h.data() + kOffW2);
    s.r2 = readU32(h.data() + kOffR2);
    const std::uint64_t length = getU64(h.data() + kOffDataLength);
    s.dataCapacity = getU64(h.data() + kOffDataCapacity);
    if (length > s.dataCapacity || s.dataCapacity > (std::uint64_t{1} << 34))
        return s;
    s.data.resize(length);
    if (length > 0 &&
        journal.readAt(kDataStart + static_cast<std::uint64_t>(index) * s.dataCapacity,
                       s.data.data(), length) != length)
        return s;
    s.whole =
        slotChecksum(h.data(), s.data.data(), s.data.size()) == getU64(h.data() + kOffChecksum);
    return s;
}

Error damaged(const std::string& why, const std::string& path) {
    return Error(Error::Kind::Damaged,
                 "A pack of the table was stopped before it had finished, and it cannot be "
                 "finished: " +
                     why + " The table and the journal were left as they are.",
                 path);
}

}  // namespace

InPlacePack InPlacePack::begin(OsFile& table, const std::string& tablePath,
                               std::uint32_t firstDeleted, unsigned permissions) {
    std::uint8_t head[dbf::kTableHeaderSize];
    table.readExact(0, head, sizeof head);
    InPlacePack p(table, packJournalName(tablePath));
    p.oldCount_ = readU32(head + dbf::kRecordCount);
    p.headerLength_ = readU16(head + dbf::kHeaderLength);
    p.recordLength_ = readU16(head + dbf::kRecordLength);
    p.w_ = p.r_ = p.ckW_ = p.ckR_ = firstDeleted;
    const std::uint64_t perSlot =
        std::max<std::uint64_t>(1, packChunkSizes.journalBytes / p.recordLength_);
    p.dataCapacity_ =
        std::min<std::uint64_t>(perSlot, p.oldCount_ - firstDeleted + 1) * p.recordLength_;

    // The deletions the pack goes by are on disk before anything says the
    // pack has begun.
    table.sync();
    // The journal is whole before it gets its name: a journal under that
    // name is one the table can be finished from.
    const std::string fresh = p.journalPath_ + ".new";
    try {
        p.journal_ = OsFile::create(fresh, permissions);
        p.writeSlot(kMoving, firstDeleted, firstDeleted, nullptr, 0);
        const std::array<std::uint8_t, kSlotArea> blank{};
        p.journal_.writeAt(kSlotArea, blank.data(), blank.size());
        p.journal_.sync();
        OsFile::rename(fresh, p.journalPath_);
    } catch (...) {
        p.journal_.release();
        OsFile::discard(fresh);
        throw;
    }
    OsFile::syncDirectoryOf(p.journalPath_);
    return p;
}

InPlacePack InPlacePack::resume(OsFile& table, const std::string& tablePath) {
    InPlacePack p(table, packJournalName(tablePath));
    p.journal_ = OsFile::open(p.journalPath_, OsFile::Access::ReadWrite);
    const Slot a = readSlot(p.journal_, 0);
    const Slot b = readSlot(p.journal_, 1);
    if (!a.whole && !b.whole)
        throw damaged("its journal is damaged.", p.journalPath_);
    const int newest = !b.whole || (a.whole && a.seq > b.seq) ? 0 : 1;
    const Slot& s = newest == 0 ? a : b;

    std::uint8_t head[dbf::kTableHeaderSize];
    table.readExact(0, head, sizeof head);
    const std::uint32_t count = readU32(head + dbf::kRecordCount);
    const std::uint64_t size = table.size();
    const bool fits =
        s.headerLength == readU16(head + dbf::kHeaderLength) &&
        s.recordLength == readU16(head + dbf::kRecordLength) && s.recordLength > 0 && s.w >= 1 &&
        s.w <= s.r && s.r <= std::uint64_t{s.oldCount} + 1 &&
        (s.phase == kTableDone || (s.phase == kMoving && s.w2 >= s.w && s.r2 >= s.r &&
                                   s.w2 <= s.r2 && s.r2 <= std::uint64_t{s.oldCount} + 1 &&
                                   s.data.size() == std::uint64_t{s.w2 - s.w} * s.recordLength));
    // Moving, the table still holds every record it had, and its count.
    const bool whole = s.phase == kTableDone ||
                       (count == s.oldCount &&
                        size >= s.headerLength + std::uint64_t{s.oldCount} * s.recordLength);
    if (!fits || !whole)
        throw damaged("its journal does not fit the table.", p.journalPath_);

    p.oldCount_ = s.oldCount;
    p.headerLength_ = s.headerLength;
    p.recordLength_ = s.recordLength;
    p.dataCapacity_ = s.dataCapacity;
    p.seq_ = s.seq;
    p.nextSlot_ = 1 - newest;
    if (s.phase == kTableDone) {
        p.w_ = p.ckW_ = s.w;
        p.r_ = p.ckR_ = s.r;
        p.moved_ = true;
        return p;
    }
    // The records the slot carries go in again; the moves after it start
    // from where it ends.
    if (!s.data.empty()) {
        table.writeAt(p.offsetOf(s.w), s.data.data(), s.data.size());
        p.tableDirty_ = true;
    }
    p.w_ = p.ckW_ = s.w2;
    p.r_ = p.ckR_ = s.r2;
    return p;
}

// The records a slot carries go first, on their way to the disk; the slot
// only counts once its header (with the checksum over both) is written.
void InPlacePack::writeSlotData(const std::uint8_t* data, std::size_t length) {
    const std::uint64_t at = kDataStart + static_cast<std::uint64_t>(nextSlot_) * dataCapacity_;
    journal_.writeAt(at, data, length);
    journal_.startWriteback(at, length);
}

void InPlacePack::writeSlot(Phase phase, std::uint32_t w2, std::uint32_t r2,
                            const std::uint8_t* data, std::size_t length, bool dataWritten) {
    std::array<std::uint8_t, kSlotHeader> h{};
    std::memcpy(h.data(), kMagic, sizeof kMagic);
    putU64(h.data() + kOffSeq, seq_ + 1);
    writeU32(h.data() + kOffPhase, phase);
    writeU32(h.data() + kOffOldCount, oldCount_);
    writeU32(h.data() + kOffHeaderLength, headerLength_);
    writeU32(h.data() + kOffRecordLength, recordLength_);
    writeU32(h.data() + kOffW, w_);
    writeU32(h.data() + kOffR, r_);
    writeU32(h.data() + kOffW2, w2);
    writeU32(h.data() + kOffR2, r2);
    putU64(h.data() + kOffDataLength, length);
    putU64(h.data() + kOffDataCapacity, dataCapacity_);
    putU64(h.data() + kOffChecksum, slotChecksum(h.data(), data, length));
    if (length > 0 && !dataWritten)
        writeSlotData(data, length);
    journal_.writeAt(static_cast<std::uint64_t>(nextSlot_) * kSlotArea, h.data(), h.size());
    ++seq_;
    nextSlot_ = 1 - nextSlot_;
}

// Everything moved so far goes on disk, then the journal says so.
void InPlacePack::checkpoint() {
    table_->sync();
    tableDirty_ = false;
    writeSlot(kMoving, w_, r_, nullptr, 0);
    journal_.sync();
    ckW_ = w_;
    ckR_ = r_;
}

namespace {

// The table's records read through a memory map, a stretch at a time: no
// copy to read them, and the records that move are written straight from
// the map. Where no map can be made they are read into a buffer.
class Sources {
  public:
    Sources(const OsFile& table, std::uint64_t headerLength, std::uint64_t recordLength,
            std::uint64_t records)
        : table_(table), headerLength_(headerLength), recordLength_(recordLength) {
        length_ = headerLength + records * recordLength;
        void* p = length_ > 0 ? ::mmap(nullptr, length_, PROT_READ, MAP_SHARED, table.fd(), 0)
                              : MAP_FAILED;
        if (p != MAP_FAILED)
            base_ = static_cast<std::uint8_t*>(p);
    }
    ~Sources() {
        if (base_ != nullptr)
            ::munmap(base_, length_);
    }
    Sources(const Sources&) = delete;
    Sources& operator=(const Sources&) = delete;

    bool mapped() const { return base_ != nullptr; }
    // Records first .. first + n - 1, until the next call.
    const std::uint8_t* records(std::uint32_t first, std::uint64_t n) {
        const std::uint64_t from = headerLength_ + std::uint64_t{first - 1} * recordLength_;
        const std::uint64_t size = n * recordLength_;
        if (base_ == nullptr) {
            copy_.resize(size);
            table_.readExact(from, copy_.data(), size);
            return copy_.data();
        }
        // The stretch before is let go (it stays in the file cache), so the
        // table never becomes resident in this process.
        const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        const std::uint64_t start = from / page * page;
        const std::uint64_t end = std::min((from + size + page - 1) / page * page, length_);
        if (heldEnd_ > heldStart_)
            ::madvise(base_ + heldStart_, heldEnd_ - heldStart_, MADV_DONTNEED);
        ::madvise(base_ + start, (end - start) / page * page, kPopulateRead);
        heldStart_ = start;
        heldEnd_ = end;
        return base_ + from;
    }

  private:
#ifdef MADV_POPULATE_READ
    static constexpr int kPopulateRead = MADV_POPULATE_READ;
#else
    static constexpr int kPopulateRead = MADV_WILLNEED;
#endif
    const OsFile& table_;
    std::uint64_t headerLength_, recordLength_;
    std::uint8_t* base_ = nullptr;
    std::uint64_t length_ = 0;
    std::uint64_t heldStart_ = 0, heldEnd_ = 0;
    std::vector<std::uint8_t> copy_;
};

}  // namespace

void InPlacePack::moveAll(const std::function<void(const std::uint8_t*)>& kept,
                          const std::function<void()>& moved) {
    if (moved_)
        return;
    const std::uint64_t len = recordLength_;
    const std::uint64_t directMost = std::max<std::uint64_t>(1, packChunkSizes.directBytes / len);
    const std::uint64_t directLeast =
        std::max<std::uint64_t>(1, packChunkSizes.minDirectBytes / len);
    const std::uint64_t journalMost = std::max<std::uint64_t>(1, dataCapacity_ / len);
    std::vector<std::uint8_t> buffer;   // the records of a move, packed
    std::vector<OsFile::Piece> pieces;  // ... or where they lie in the map
    {
        Sources sources(*table_, headerLength_, recordLength_, oldCount_);
        while (r_ <= oldCount_) {
            const std::uint64_t remaining = std::uint64_t{oldCount_} + 1 - r_;
            // Positions below the checkpoint's r may be written freely: a redo
            // from the checkpoint writes them again.
            const std::uint64_t room = ckR_ - w_;
            const bool direct = room >= remaining || room >= directLeast;
            if (!direct && (w_ != ckW_ || r_ != ckR_)) {
                checkpoint();
                continue;
            }
            const std::uint64_t n =
                direct ? std::min({remaining, room, directMost}) : std::min(remaining, journalMost);
            const std::uint8_t* from = sources.records(r_, n);
            // A move straight to its place is written from the map (its
            // destinations lie below its sources); one through the journal
            // needs its records together.
            const bool fromMap = direct && sources.mapped();
            buffer.clear();
            pieces.clear();
            std::uint64_t live = 0;
            for (std::uint64_t i = 0; i < n; ++i) {
                const std::uint8_t* rec = from + i * len;
                if (rec[0] == static_cast<std::uint8_t>(dbf::kDeleted))
                    continue;
                if (kept)
                    kept(rec);
                ++live;
                if (!fromMap) {
                    buffer.insert(buffer.end(), rec, rec + len);
                } else if (!pieces.empty() && static_cast<const std::uint8_t*>(pieces.back().data) +
                                                      pieces.back().size ==
                                                  rec) {
                    pieces.back().size += len;
                } else {
                    pieces.push_back({rec, len});
                }
            }
            if (!fromMap)
                pieces.push_back({buffer.data(), buffer.size()});
            const auto w2 = static_cast<std::uint32_t>(w_ + live);
            const auto r2 = static_cast<std::uint32_t>(r_ + n);
            if (!direct) {
                // The records go to positions the redo would read: they are in
                // the journal, on disk, before the table is written. The slot
                // replaces the one before it, so what that one's redo would
                // write goes on disk first.
                // The records go to the journal while the table's writes
                // reach the disk.
                writeSlotData(buffer.data(), buffer.size());
                if (tableDirty_)
                    table_->sync();
                tableDirty_ = false;
                writeSlot(kMoving, w2, r2, buffer.data(), buffer.size(), true);
                journal_.sync();
                ckW_ = w2;
                ckR_ = r2;
            }
            if (live > 0) {
                table_->writeGather(offsetOf(w_), pieces.data(), pieces.size());
                table_->startWriteback(offsetOf(w_), live * len);
                tableDirty_ = true;
            }
            w_ = w2;
            r_ = r2;
            if (moved)
                moved();
        }
    }
    table_->sync();
    writeSlot(kTableDone, w_, r_, nullptr, 0);
    journal_.sync();
    ckW_ = w_;
    ckR_ = r_;
    moved_ = true;
}

void InPlacePack::finishTable(std::optional<std::uint8_t> indexFlag, bool stampDate) {
    if (!moved_)
        throw Error(Error::Kind::State, "The pack has not moved every record yet.", journalPath_);
    std::uint8_t head[dbf::kTableHeaderSize];
    table_->readExact(0, head, sizeof head);
    writeU32(head + dbf::kRecordCount, keptCount());
    if (indexFlag)
        head[dbf::kProductionIndex] = *indexFlag;
    if (stampDate)
        stampUpdateDate(head);
    table_->writeAt(0, head, sizeof head);
    const std::uint64_t end = offsetOf(w_);
    const std::uint8_t mark = dbf::kEndOfFile;
    table_->writeAt(end, &mark, 1);
    table_->truncate(end + 1);
    table_->sync();
}

void InPlacePack::removeJournal() {
    journal_.release();
    OsFile::remove(journalPath_);
}

}  // namespace dbase
