#include "dbase/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "dbase/error.h"

namespace dbase {

namespace {

std::string systemText(int err) {
    return std::strerror(err);
}

[[noreturn]] void throwIo(const std::string& what, const std::string& path, int err) {
    throw Error(Error::Kind::Io, what + ": " + systemText(err), path);
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
    close();
}

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), access_(other.access_), path_(std::move(other.path_)) {}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        close();
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
    f.fd_ = ::open(path.c_str(), flags);
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
    f.fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
    if (f.fd_ < 0)
        throwIo("The file cannot be created", path, errno);
    return f;
}

void OsFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
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
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
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
        const ssize_t put = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throwIo("Writing failed", path_, errno);
        }
        done += static_cast<std::size_t>(put);
    }
}

void OsFile::truncate(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throwIo("The file cannot be cut", path_, errno);
}

void OsFile::sync() {
    if (::fsync(fd_) != 0)
        throwIo("The file cannot be written to disk", path_, errno);
}

void OsFile::syncDirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throwIo("The folder cannot be opened", dir, errno);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL)  // some file systems cannot sync a folder
        throwIo("The folder cannot be written to disk", dir, err);
}

bool OsFile::isAt(const std::string& path) const {
    struct stat mine {};
    struct stat named {};
    if (::fstat(fd_, &mine) != 0 || ::stat(path.c_str(), &named) != 0)
        return false;
    return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
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
