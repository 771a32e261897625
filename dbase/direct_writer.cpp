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

DirectWriter::DirectWriter(OsFile& file, std::size_t bufferSize) : file_(file) {
    const std::size_t align = directAlignment(file_.fd());
    if (align != 0) {
        block_ = align;
        const int fd = FileSystem::current().open(file_.path(), O_WRONLY | O_DIRECT | O_CLOEXEC, 0);
        if (fd >= 0 && sameFile(fd, file_.fd()))
            directFd_ = fd;
        else if (fd >= 0)
            FileSystem::current().close(fd);
    }
    capacity_ = std::max(block_, (bufferSize + block_ - 1) / block_ * block_);
    void* p = nullptr;
    if (::posix_memalign(&p, block_, capacity_) != 0) {
        stopDirect();
        throw std::bad_alloc();
    }
    buf_ = static_cast<unsigned char*>(p);
}

DirectWriter::~DirectWriter() {
    stopDirect();
    std::free(buf_);
}

void DirectWriter::stopDirect() noexcept {
    if (directFd_ >= 0)
        FileSystem::current().close(directFd_);
    directFd_ = -1;
}

void DirectWriter::begin(std::uint64_t offset) {
    used_ = 0;
    bufStart_ = offset;
    if (!direct())
        return;
    // The run starts at its block's start: the bytes before it are the
    // file's (zeros where the file ends before them, as a write past the
    // end leaves them).
    bufStart_ = offset / block_ * block_;
    used_ = static_cast<std::size_t>(offset - bufStart_);
    if (used_ > 0) {
        const std::size_t got = file_.readAt(bufStart_, buf_, used_);
        std::memset(buf_ + got, 0, used_ - got);
    }
}

void DirectWriter::append(const void* data, std::size_t n) {
    const auto* in = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const std::size_t take = std::min(n, capacity_ - used_);
        std::memcpy(buf_ + used_, in, take);
        used_ += take;
        in += take;
        n -= take;
        if (used_ == capacity_)
            writeHeld(capacity_);
    }
}

void DirectWriter::finish() {
    if (direct())
        writeHeld(used_ / block_ * block_);
    if (used_ > 0) {
        file_.writeAt(bufStart_, buf_, used_);
        bufStart_ += used_;
        used_ = 0;
    }
}

void DirectWriter::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
    begin(offset);
    append(data, n);
    finish();
}

// Writes the first n bytes held (whole blocks when direct) and keeps the rest.
void DirectWriter::writeHeld(std::size_t n) {
    if (n == 0)
        return;
    if (direct())
        writeDirect(n);
    else
        file_.writeAt(bufStart_, buf_, n);
    std::memmove(buf_, buf_ + n, used_ - n);
    used_ -= n;
    bufStart_ += n;
}

void DirectWriter::writeDirect(std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = FileSystem::current().pwrite(directFd_, buf_ + done, n - done,
                                                         static_cast<off_t>(bufStart_ + done));
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
        file_.writeAt(bufStart_ + done, buf_ + done, n - done);
        return;
    }
}

}  // namespace dbase
