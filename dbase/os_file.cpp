#include "dbase/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "dbase/error.h"
#include "dbase/file_system.h"

namespace dbase {

namespace {

std::string systemText(int err) {
    return std::strerror(err);
}

[[noreturn]] void throwIo(const std::string& what, const std::string& path, int err) {
    throw Error(err == ENOSPC ? Error::Kind::DiskFull : Error::Kind::Io,
                what + ": " + systemText(err), path);
}

[[noreturn]] void throwWriteFailed(const std::string& path, int err) {
    if (err == ENOSPC)
        throw Error(Error::Kind::DiskFull, "The disk is full.", path);
    throwIo("Writing failed", path, err);
}

struct flock lockRecord(std::int64_t byte, short type) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte);
    fl.l_len = 1;
    fl.l_pid = 0;  // required for open-file-description locks
    return fl;
}

short lockKind(OsFile::LockType type) {
    return type == OsFile::LockType::Shared ? short{F_RDLCK} : short{F_WRLCK};
}

}  // namespace

OsFile::~OsFile() {
    release();
}

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), access_(other.access_), path_(std::move(other.path_)) {}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        access_ = other.access_;
        path_ = std::move(other.path_);
    }
    return *this;
}

OsFile OsFile::open(const std::string& path, Access access) {
    OsFile f;
    f.path_ = path;
    f.access_ = access;
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    f.fd_ = FileSystem::current().open(path, flags, 0);
    if (f.fd_ < 0) {
        const int err = errno;
        if (err == ENOENT)
            throw Error(Error::Kind::NotFound, "The table file does not exist.", path);
        throw Error(Error::Kind::NotFound, "The table file cannot be opened: " + systemText(err),
                    path);
    }
    struct stat st;
    if (::fstat(f.fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
        throw Error(Error::Kind::NotDBase, "This is not a regular file.", path);
    }
    return f;
}

OsFile OsFile::create(const std::string& path, unsigned mode) {
    OsFile f;
    f.path_ = path;
    f.access_ = Access::ReadWrite;
    f.fd_ = FileSystem::current().open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (f.fd_ < 0)
        throwIo("The file cannot be created", path, errno);
    return f;
}

void OsFile::close() {
    if (fd_ < 0)
        return;
    // The descriptor is gone whatever close() says: it is never retried.
    const int rc = FileSystem::current().close(std::exchange(fd_, -1));
    if (rc != 0 && errno != EINTR && access_ == Access::ReadWrite)
        throwIo("The file could not be closed", path_, errno);
}

void OsFile::release() noexcept {
    if (fd_ >= 0)
        FileSystem::current().close(std::exchange(fd_, -1));
}

std::uint64_t OsFile::size() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        throwIo("The file size cannot be read", path_, errno);
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t OsFile::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = FileSystem::current().pread(fd_, out + done, n - done,
                                                        static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throwIo("Reading failed", path_, errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void OsFile::readExact(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (readAt(offset, buffer, n) != n) {
        throw Error(Error::Kind::Damaged, "The file is shorter than its header says.", path_);
    }
}

void OsFile::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = FileSystem::current().pwrite(fd_, in + done, n - done,
                                                         static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throwWriteFailed(path_, errno);
        }
        if (put == 0)
            throw Error(Error::Kind::DiskFull, "The disk is full.", path_);
        done += static_cast<std::size_t>(put);
    }
}

void OsFile::writeGather(std::uint64_t offset, const Piece* pieces, std::size_t count) {
    constexpr std::size_t kMostPieces = 1024;  // IOV_MAX on Linux
    iovec batch[kMostPieces];
    std::size_t next = 0;     // the first piece not wholly written
    std::size_t skipped = 0;  // bytes of it written already
    while (next < count) {
        int n = 0;
        std::uint64_t want = 0;
        for (std::size_t i = next; i < count && n < static_cast<int>(kMostPieces); ++i, ++n) {
            const std::size_t from = i == next ? skipped : 0;
            batch[n].iov_base =
                const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(pieces[i].data) + from);
            batch[n].iov_len = pieces[i].size - from;
            want += batch[n].iov_len;
        }
        const ssize_t put =
            FileSystem::current().pwritev(fd_, batch, n, static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throwWriteFailed(path_, errno);
        }
        if (put == 0 && want > 0)
            throw Error(Error::Kind::DiskFull, "The disk is full.", path_);
        offset += static_cast<std::uint64_t>(put);
        auto left = static_cast<std::size_t>(put);
        while (next < count && left >= pieces[next].size - skipped) {
            left -= pieces[next].size - skipped;
            skipped = 0;
            ++next;
        }
        skipped += left;
    }
}

void OsFile::startWriteback(std::uint64_t offset, std::uint64_t n) const {
    (void)::sync_file_range(fd_, static_cast<off64_t>(offset), static_cast<off64_t>(n),
                            SYNC_FILE_RANGE_WRITE);
}

void OsFile::truncate(std::uint64_t size) {
    if (FileSystem::current().ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throwIo("The file cannot be cut", path_, errno);
}

void OsFile::sync() {
    if (FileSystem::current().sync(fd_) != 0)
        throwIo("The file cannot be written to disk", path_, errno);
}

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void OsFile::syncDirectoryOf(const std::string& path) {
    if (FileSystem::current().syncDirectory(folderOf(path)) != 0)
        throwIo("The folder cannot be written to disk", folderOf(path), errno);
}

bool OsFile::isAt(const std::string& path) const {
    struct stat mine {};
    struct stat named {};
    if (::fstat(fd_, &mine) != 0 || ::stat(path.c_str(), &named) != 0)
        return false;
    return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void OsFile::rename(const std::string& from, const std::string& to) {
    if (FileSystem::current().rename(from, to) != 0)
        throwIo("The file cannot be replaced", to, errno);
}

void OsFile::replace(const std::string& from, const std::string& to) {
    rename(from, to);
    syncDirectoryOf(to);
}

void OsFile::remove(const std::string& path) {
    if (FileSystem::current().unlink(path) != 0) {
        if (errno == ENOENT)
            return;
        throwIo("The file cannot be removed", path, errno);
    }
    syncDirectoryOf(path);
}

void OsFile::discard(const std::string& path) noexcept {
    const int err = errno;
    FileSystem::current().unlink(path);
    errno = err;
}

bool OsFile::tryLock(std::int64_t byte, LockType type) {
    struct flock fl = lockRecord(byte, lockKind(type));
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throwIo("The file cannot be locked", path_, errno);
}

void OsFile::lockWait(std::int64_t byte, LockType type) {
    struct flock fl = lockRecord(byte, lockKind(type));
    while (::fcntl(fd_, F_OFD_SETLKW, &fl) != 0) {
        if (errno == EINTR)
            continue;
        throwIo("The file cannot be locked", path_, errno);
    }
}

void OsFile::unlock(std::int64_t byte) {
    struct flock fl = lockRecord(byte, F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &fl);
}

bool OsFile::wouldConflict(std::int64_t byte, LockType type) const {
    struct flock fl = lockRecord(byte, lockKind(type));
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0)
        throwIo("The file lock cannot be tested", path_, errno);
    return fl.l_type != F_UNLCK;
}

}  // namespace dbase
