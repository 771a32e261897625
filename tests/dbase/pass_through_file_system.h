// A file system for tests that is the system's own, put in place for its
// lifetime: a test's file system derives from it and overrides only the
// calls it changes.
#pragma once

#include <string>

#include "dbase/file_system.h"

namespace tktest {

class PassThroughFileSystem : public dbase::FileSystem {
  public:
    PassThroughFileSystem() : previous_(replace(this)) {}
    ~PassThroughFileSystem() override { replace(previous_); }
    PassThroughFileSystem(const PassThroughFileSystem&) = delete;
    PassThroughFileSystem& operator=(const PassThroughFileSystem&) = delete;

    int open(const std::string& path, int flags, unsigned mode) override {
        return system().open(path, flags, mode);
    }
    int close(int fd) override { return system().close(fd); }
    ssize_t pread(int fd, void* buffer, std::size_t n, off_t offset) override {
        return system().pread(fd, buffer, n, offset);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        return system().pwrite(fd, data, n, offset);
    }
    int ftruncate(int fd, off_t size) override { return system().ftruncate(fd, size); }
    int sync(int fd) override { return system().sync(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return system().rename(from, to);
    }
    int unlink(const std::string& path) override { return system().unlink(path); }
    int syncDirectory(const std::string& directory) override {
        return system().syncDirectory(directory);
    }

  private:
    dbase::FileSystem* previous_;
};

}  // namespace tktest
