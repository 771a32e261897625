// Writes long runs of a file past the file cache. Bulk work that writes a
// large file front to back (a pack's new table, the batches of a bulk
// append) would otherwise have every byte copied into new pages of the
// file cache, which costs more than the disk itself; here whole aligned
// blocks go to the disk directly (O_DIRECT) from an aligned buffer, and the
// bytes of a last block only part filled go the ordinary way. Afterwards
// the file reads exactly as if the run had been written with
// OsFile::writeAt; it is on disk after the file's sync, as ordinary writes
// are.
//
// Where the file system takes no direct writes (refused at open, or a
// direct write refused as EINVAL), the runs are written the ordinary way,
// with the same result. Every write goes through the file system in use.
//
// A run is begin(offset), any number of append(), then finish(). A run
// starting inside a block first reads the block's bytes before it, so no
// one else may write to the file during a run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dbase/os_file.h"

namespace dbase {

class DirectWriter {
  public:
    static constexpr std::size_t kDefaultBuffer = std::size_t{8} << 20;

    // Writes into `file`, open for writing, which must outlive the writer.
    // `bufferSize` is rounded up to whole blocks.
    explicit DirectWriter(OsFile& file, std::size_t bufferSize = kDefaultBuffer);
    ~DirectWriter();
    DirectWriter(const DirectWriter&) = delete;
    DirectWriter& operator=(const DirectWriter&) = delete;

    // True while whole blocks go past the file cache.
    bool direct() const { return directFd_ >= 0; }

    void begin(std::uint64_t offset);
    void append(const void* data, std::size_t n);
    // Writes what the run still holds. A failure throws as
    // OsFile::writeAt does; the file then holds an unknown part of the run.
    void finish();
    // A whole run: begin(offset), append(data, n), finish().
    void writeAt(std::uint64_t offset, const void* data, std::size_t n);

  private:
    void writeHeld(std::size_t n);
    void writeDirect(std::size_t n);
    void stopDirect() noexcept;

    OsFile& file_;
    int directFd_ = -1;
    std::size_t block_ = 4096;  // the alignment of offsets, lengths and memory
    unsigned char* buf_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;        // bytes held in buf_
    std::uint64_t bufStart_ = 0;  // the file offset of buf_[0]
};

}  // namespace dbase
