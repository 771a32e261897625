// A window of consecutive records read from the table file into one
// page-aligned buffer. Sequential reads cost one system call per window,
// and a record is handed out as a pointer into the window, so reading a
// table does not allocate per record.
//
// A pointer returned by record() stays valid until the next call that
// moves the window (record() for a record outside it, or invalidate()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dbase {

class OsFile;

class RecordCache {
  public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

    RecordCache() = default;
    explicit RecordCache(std::size_t capacity);

    // Points the cache at a file of records; drops what it held.
    void reset(const OsFile* file, std::uint64_t headerLength, std::uint32_t recordLength);

    // The bytes of record recNo (1-based; the caller checks the range). When
    // the record is not in the window, the window is reloaded so that it
    // starts at the record, or ends at it when `backward` (for walking towards
    // the first record). Throws Error::Kind::Damaged when the file ends early.
    const std::uint8_t* record(std::uint32_t recNo, bool backward = false);

    // A record written by the engine: keeps the window current. A record
    // appended right after the window joins it if there is room.
    void patch(std::uint32_t recNo, const std::uint8_t* bytes);
    void invalidate() { first_ = 0, count_ = 0; }

  private:
    struct FreeAligned {
        void operator()(std::uint8_t* p) const;
    };
    void load(std::uint32_t firstRecNo);

    const OsFile* file_ = nullptr;
    std::uint64_t headerLength_ = 0;
    std::uint32_t recordLength_ = 1;
    std::size_t capacity_ = kDefaultCapacity;
    std::unique_ptr<std::uint8_t, FreeAligned> buffer_;
    std::uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    std::uint32_t first_ = 0;         // first whole record in the window
    std::uint32_t count_ = 0;         // whole records in the window
};

}  // namespace dbase
