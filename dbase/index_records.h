// Records of a table file read through a memory map, for walking a table in
// index order: the records come in no particular file order, and a map reads
// each one without a system call or a copy.
//
// The map covers the file as it was when mapped and is widened when a record
// beyond it is asked for (the file grew). It reads through the same file
// cache as the engine's writes, so it always sees the current bytes. When a
// map cannot be made, record() returns null and the caller reads otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbase {

class MappedRecords {
  public:
    MappedRecords() = default;
    ~MappedRecords() { unmap(); }
    MappedRecords(const MappedRecords&) = delete;
    MappedRecords& operator=(const MappedRecords&) = delete;

    // Points the map at a file descriptor (not owned); drops any old map.
    void reset(int fd, std::uint64_t headerLength, std::uint32_t recordLength);
    void unmap();

    // The bytes of record recNo, or null when it lies beyond the file.
    const std::uint8_t* record(std::uint32_t recNo);
    // Fills the page tables of the whole map in one pass (before a long walk).
    void populate();
    // record() for a pass in ascending record order: the stretch of the file
    // being read is filled in one pass and the one before it let go, so the
    // table never becomes resident in the process, however large, and is
    // read without a copy. Ends with release(). The first `aheadBytes` of a
    // record a few places on are fetched meanwhile (1 for a pass that reads
    // the deleted flag only).
    const std::uint8_t* inOrder(std::uint32_t recNo, std::uint32_t aheadBytes = kPrefetchBytes);
    // Lets go of the pages read so far (they stay in the system's file cache):
    // after a pass over the whole table, so that it does not stay counted in
    // this process's resident memory.
    void release();
    // Asks the processor to start loading a record that will be read soon
    // (its first `bytes`).
    void prefetch(std::uint32_t recNo, std::uint32_t bytes = kPrefetchBytes) const {
        const std::uint64_t end = headerLength_ + std::uint64_t{recNo} * recordLength_;
        if (recNo == 0 || end > valid_)
            return;
        const std::uint8_t* p = base_ + (end - recordLength_);
        // The front of the record only: a whole wide record would cost as much
        // memory traffic as reading the table in order.
        const std::uint32_t span = recordLength_ < bytes ? recordLength_ : bytes;
        for (std::uint32_t i = 0; i < span; i += 64)
            prefetchLine(p + i);
    }

    static constexpr std::uint32_t kPrefetchBytes = 384;

  private:
    // How many records ahead a pass in record order fetches.
    static constexpr std::uint32_t kInOrderAhead = 8;
    static void prefetchLine(const std::uint8_t* p) {
#if defined(__x86_64__)
        // The compiler drops __builtin_prefetch on addresses computed like
        // these (measured with g++ 12), so the instruction is spelt out.
        // Into the second-level cache: a fetch into the first level holds
        // one of its few fill buffers until the line arrives, and a walk
        // fetching several lines of many records ahead ran out of them
        // (900,000 records in key order, eight runs each taking turns:
        // 0.25 s of processor time in the middle run against 0.28 s).
        asm volatile("prefetcht1 %0" : : "m"(*p));
#else
        __builtin_prefetch(p, 0, 2);
#endif
    }
    bool map();

    int fd_ = -1;
    std::uint64_t headerLength_ = 0;
    std::uint32_t recordLength_ = 1;
    const std::uint8_t* base_ = nullptr;
    std::size_t length_ = 0;      // of the map, which runs past the end of the file
    std::size_t mappedSize_ = 0;  // of the file when mapped
    std::uint64_t stretchStart_ = 0, stretchEnd_ = 0;  // filled by inOrder()
    static constexpr std::uint64_t kStretch = std::uint64_t{8} << 20;
    std::uint64_t valid_ = 0;  // bytes the file was last seen to hold
    bool failed_ = false;
};

}  // namespace dbase
