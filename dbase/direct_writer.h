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
//
// With more than one buffer, a thread of the writer's own writes each full
// buffer while the caller fills the next, so that the caller's work and the
// disk's overlap; append() waits only when every buffer is full. A write
// that fails there is reported by the next append() that hands on a
// buffer, by written(), or at the latest by finish(), and again by each of
// those later in the run: a failed run never ends in success. Buffers
// handed on are written in order. Beginning another run or destroying the
// writer abandons a run not finished: the write under way is completed,
// the buffers waiting are not written (and on destruction the thread ends).
//
// Given a `cachePiece`, the runs go through the file cache instead, in the
// same way, with the piece's size as the block: a run starts at the start of
// its piece, and every write but a run's last covers whole pieces of the
// file, which the cache then keeps as pieces of that size. So a bulk append
// read again soon has the copying into the cache done by the thread while
// the caller makes the next records.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dbase/os_file.h"

namespace dbase {

class DirectWriter {
  public:
    static constexpr std::size_t kDefaultBuffer = std::size_t{8} << 20;

    // Writes into `file`, open for writing, which must outlive the writer.
    // `bufferSize` is rounded up to whole blocks; `buffers` of that size
    // are kept, more than one meaning overlapped writes (see above). A
    // `cachePiece` (a power of two, at least a page) means through the cache.
    explicit DirectWriter(OsFile& file, std::size_t bufferSize = kDefaultBuffer, int buffers = 1,
                          std::size_t cachePiece = 0);
    ~DirectWriter();
    DirectWriter(const DirectWriter&) = delete;
    DirectWriter& operator=(const DirectWriter&) = delete;

    // True while whole blocks go past the file cache (decided anew by a
    // direct write refused; settled between runs).
    bool direct() const { return directFd_.load() >= 0; }
    bool overlapped() const { return worker_.joinable(); }

    // Starts a run; a run still in progress is abandoned first.
    void begin(std::uint64_t offset);
    void append(const void* data, std::size_t n);
    // Writes what the run still holds and waits for the writes handed on. A
    // failure throws as OsFile::writeAt does; the file then holds an
    // unknown part of the run.
    void finish();
    // A whole run: begin(offset), append(data, n), finish().
    void writeAt(std::uint64_t offset, const void* data, std::size_t n);
    // The n bytes of the run at `offset` while they are all in the buffer
    // being filled (until the next append() or finish()); null otherwise.
    const unsigned char* held(std::uint64_t offset, std::size_t n) const {
        if (offset < bufStart_ || offset + n > bufStart_ + used_)
            return nullptr;
        return buf_.get() + (offset - bufStart_);
    }
    // The file offset before which the run's bytes are in the file; where a
    // run began inside a block, at least the run's start. Throws the
    // failure of a write handed on.
    std::uint64_t written();
    // Called after each full buffer of a run is written (by the thread when
    // overlapped), with written()'s value then: work that must follow the
    // buffer into the file without the caller waiting for the file. What it
    // throws fails the run as a failed write does. Set between runs.
    void setAfterWrite(std::function<void(std::uint64_t)> afterWrite) {
        afterWrite_ = std::move(afterWrite);
    }

  private:
    struct FreeBuffer {
        void operator()(unsigned char* p) const noexcept;
    };
    using Buffer = std::unique_ptr<unsigned char, FreeBuffer>;
    struct Job {
        Buffer buffer;
        std::size_t length;
        std::uint64_t offset;
    };

    Buffer allocate() const;
    void writeHeld(std::size_t n);
    // Writes n bytes at offset, whole blocks from an aligned buffer when
    // direct, the ordinary way otherwise or once a direct write is refused.
    void writeOut(const unsigned char* data, std::size_t n, std::uint64_t offset);
    void stopDirect() noexcept;
    // Overlapped writes.
    void work();
    void handOn();
    void waitIdle(std::unique_lock<std::mutex>& lock);
    void throwFailure() const;

    OsFile& file_;
    std::atomic<int> directFd_{-1};
    std::size_t block_ = 4096;  // the alignment of offsets, lengths and memory
    bool viaCache_ = false;     // runs of whole pieces through the cache
    Buffer buf_;                // the buffer being filled
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;        // bytes held in buf_
    std::uint64_t bufStart_ = 0;  // the file offset of buf_[0]
    std::uint64_t runStart_ = 0;
    std::function<void(std::uint64_t)> afterWrite_;

    // Shared with the thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable toWorker_;
    std::condition_variable toCaller_;
    std::deque<Job> queue_;     // handed on; the front is written first, and
                                // leaves the queue when it is written
    std::vector<Buffer> free_;  // buffers to fill
    bool stop_ = false;
    std::exception_ptr failure_;  // of this run
    std::uint64_t writtenTo_ = 0;
    std::thread worker_;
};

}  // namespace dbase
