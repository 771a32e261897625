#include "dbase/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace dbase {

namespace {

class SystemFileSystem final : public FileSystem {
  public:
    constexpr SystemFileSystem() = default;

    int open(const std::string& path, int flags, unsigned mode) override {
        return ::open(path.c_str(), flags, static_cast<mode_t>(mode));
    }
    int close(int fd) override { return ::close(fd); }
    ssize_t pread(int fd, void* buffer, std::size_t n, off_t offset) override {
        return ::pread(fd, buffer, n, offset);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        return ::pwrite(fd, data, n, offset);
    }
    ssize_t pwritev(int fd, const iovec* pieces, int count, off_t offset) override {
        return ::pwritev(fd, pieces, count, offset);
    }
    int ftruncate(int fd, off_t size) override { return ::ftruncate(fd, size); }
    // The data and the size; not the times, which no reader relies on.
    int sync(int fd) override { return ::fdatasync(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return std::rename(from.c_str(), to.c_str());
    }
    int unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int syncDirectory(const std::string& directory) override {
        const int fd =
            ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return -1;
        const int rc = ::fsync(fd);
        const int err = errno;
        ::close(fd);
        errno = err;
        // Some file systems cannot sync a folder; their entries are as safe as
        // they get.
        if (rc != 0 && (err == EINVAL || err == ENOTSUP))
            return 0;
        return rc;
    }
};

constinit SystemFileSystem systemFileSystem;

}  // namespace

FileSystem* FileSystem::current_ = &systemFileSystem;

FileSystem& FileSystem::system() {
    return systemFileSystem;
}

FileSystem* FileSystem::replace(FileSystem* fs) {
    FileSystem* old = current_;
    current_ = fs != nullptr ? fs : &systemFileSystem;
    return old;
}

}  // namespace dbase
