#include "dbase/direct_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "dbase/error.h"
#include "dbase/file_system.h"

namespace dbase {

namespace {

constexpr std::size_t kPage = 4096;

// The alignment direct writes to the file need (offsets, lengths and
// memory), at least a page; 0 when the file system says it takes none.
std::size_t directAlignment(int fd) {
#ifdef STATX_DIOALIGN
    struct statx stx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &stx) == 0 &&
        (stx.stx_mask & STATX_DIOALIGN) != 0) {
        if (stx.stx_dio_offset_align == 0)
            return 0;
        return std::max<std::size_t>({kPage, stx.stx_dio_offset_align, stx.stx_dio_mem_align});
    }
#else
    (void)fd;
#endif
    return kPage;  // not told: tried, and given up where refused
}

bool sameFile(int a, int b) {
    struct stat sa {};
    struct stat sb {};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

void DirectWriter::FreeBuffer::operator()(unsigned char* p) const noexcept {
    std::free(p);
}

DirectWriter::Buffer DirectWriter::allocate() const {
    void* p = nullptr;
    if (::posix_memalign(&p, block_, capacity_) != 0)
        throw std::bad_alloc();
    return Buffer(static_cast<unsigned char*>(p));
}

DirectWriter::DirectWriter(OsFile& file, std::size_t bufferSize, int buffers,
                           std::size_t cachePiece)
    : file_(file) {
    const std::size_t align = cachePiece != 0 ? 0 : directAlignment(file_.fd());
    if (cachePiece != 0) {
        viaCache_ = true;
        block_ = std::max(kPage, cachePiece);
    } else if (align != 0) {
        block_ = align;
        const int fd = FileSystem::current().open(file_.path(), O_WRONLY | O_DIRECT | O_CLOEXEC, 0);
        if (fd >= 0 && sameFile(fd, file_.fd()))
            directFd_ = fd;
        else if (fd >= 0)
            FileSystem::current().close(fd);
    }
    capacity_ = std::max(block_, (bufferSize + block_ - 1) / block_ * block_);
    try {
        buf_ = allocate();
        for (int i = 1; i < buffers; ++i)
            free_.push_back(allocate());
        if (buffers > 1)
            worker_ = std::thread([this] { work(); });
    } catch (...) {
        stopDirect();
        throw;
    }
}

DirectWriter::~DirectWriter() {
    if (worker_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        toWorker_.notify_all();
        worker_.join();
    }
    stopDirect();
}

void DirectWriter::stopDirect() noexcept {
    const int fd = directFd_.exchange(-1);
    if (fd >= 0)
        FileSystem::current().close(fd);
}

void DirectWriter::begin(std::uint64_t offset) {
    if (overlapped()) {
        std::unique_lock<std::mutex> lock(mutex_);
        // What a run left unfinished is not written.
        while (queue_.size() > 1) {
            free_.push_back(std::move(queue_.back().buffer));
            queue_.pop_back();
        }
        waitIdle(lock);
        failure_ = nullptr;
        writtenTo_ = offset;
    }
    used_ = 0;
    bufStart_ = offset;
    runStart_ = offset;
    if (!direct() && !viaCache_)
        return;
    // The run starts at its block's start: the bytes before it are the
    // file's (zeros where the file ends before them, as a write past the
    // end leaves them).
    bufStart_ = offset / block_ * block_;
    used_ = static_cast<std::size_t>(offset - bufStart_);
    if (used_ > 0) {
        const std::size_t got = file_.readAt(bufStart_, buf_.get(), used_);
        std::memset(buf_.get() + got, 0, used_ - got);
    }
}

void DirectWriter::append(const void* data, std::size_t n) {
    const auto* in = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const std::size_t take = std::min(n, capacity_ - used_);
        std::memcpy(buf_.get() + used_, in, take);
        used_ += take;
        in += take;
        n -= take;
        if (used_ < capacity_)
            continue;
        if (overlapped()) {
            handOn();
        } else {
            writeHeld(capacity_);
            if (afterWrite_)
                afterWrite_(bufStart_);
        }
    }
}

void DirectWriter::finish() {
    if (overlapped()) {
        std::unique_lock<std::mutex> lock(mutex_);
        waitIdle(lock);
        throwFailure();
    }
    if (direct())
        writeHeld(used_ / block_ * block_);
    if (used_ > 0) {
        file_.writeAt(bufStart_, buf_.get(), used_);
        bufStart_ += used_;
        used_ = 0;
    }
}

void DirectWriter::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
    begin(offset);
    append(data, n);
    finish();
}

std::uint64_t DirectWriter::written() {
    if (!overlapped())
        return std::max(runStart_, bufStart_);
    const std::lock_guard<std::mutex> lock(mutex_);
    throwFailure();
    return std::max(runStart_, writtenTo_);
}

// Writes the first n bytes held (whole blocks when direct) and keeps the rest.
void DirectWriter::writeHeld(std::size_t n) {
    if (n == 0)
        return;
    writeOut(buf_.get(), n, bufStart_);
    std::memmove(buf_.get(), buf_.get() + n, used_ - n);
    used_ -= n;
    bufStart_ += n;
}

void DirectWriter::writeOut(const unsigned char* data, std::size_t n, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < n && direct()) {
        const ssize_t put = FileSystem::current().pwrite(directFd_.load(), data + done, n - done,
                                                         static_cast<off_t>(offset + done));
        if (put > 0 && static_cast<std::size_t>(put) % block_ == 0) {
            done += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno == ENOSPC)
            throw Error(Error::Kind::DiskFull, "The disk is full.", file_.path());
        if (put < 0 && errno != EINVAL && errno != EOPNOTSUPP)
            throw Error(Error::Kind::Io, std::string("Writing failed: ") + std::strerror(errno),
                        file_.path());
        // Refused as direct (EINVAL), short or part of a block: the rest goes
        // the ordinary way, which says what is wrong if anything is.
        if (put > 0)
            done += static_cast<std::size_t>(put);
        stopDirect();
    }
    if (done < n)
        file_.writeAt(offset + done, data + done, n - done);
}

// ---- overlapped writes ----------------------------------------------------

// The thread: writes the buffers handed on, in order, until the writer goes.
// After a failure the run's other buffers are not written.
void DirectWriter::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        toWorker_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_)
            return;
        const Job& job = queue_.front();  // stays in place while written
        const unsigned char* data = job.buffer.get();
        const std::size_t length = job.length;
        const std::uint64_t offset = job.offset;
        lock.unlock();
        std::exception_ptr failed;
        try {
            writeOut(data, length, offset);
            if (afterWrite_)
                afterWrite_(offset + length);
        } catch (...) {
            failed = std::current_exception();
        }
        lock.lock();
        if (failed && !failure_)
            failure_ = failed;
        if (!failure_)
            writtenTo_ = offset + length;
        free_.push_back(std::move(queue_.front().buffer));
        queue_.pop_front();
        if (failure_) {
            for (Job& left : queue_)
                free_.push_back(std::move(left.buffer));
            queue_.clear();
        }
        toCaller_.notify_all();
    }
}

// Hands the full buffer to the thread and takes a free one, waiting for
// the thread when none is.
void DirectWriter::handOn() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!failure_) {
        queue_.push_back(Job{std::move(buf_), capacity_, bufStart_});
        toWorker_.notify_one();
        toCaller_.wait(lock, [this] { return !free_.empty(); });
        buf_ = std::move(free_.back());
        free_.pop_back();
    }
    bufStart_ += capacity_;
    used_ = 0;
    throwFailure();
}

void DirectWriter::waitIdle(std::unique_lock<std::mutex>& lock) {
    toCaller_.wait(lock, [this] { return queue_.empty(); });
}

void DirectWriter::throwFailure() const {
    if (failure_)
        std::rethrow_exception(failure_);
}

}  // namespace dbase
