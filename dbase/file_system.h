// The system calls every engine file goes through: tables, memo files and
// index files all use OsFile, and OsFile calls the file system in use, which
// is the operating system's own unless a test has put another in its place
// (to fail a chosen write, fill the disk or cut the power).
//
// The calls mirror their POSIX namesakes: a result of -1 means failure with
// the reason in errno. One virtual call per read or write, never per byte.
// Locks, sizes and memory maps go to the system directly: they do not
// change what reaches the disk.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>
#include <string>

namespace dbase {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual int open(const std::string& path, int flags, unsigned mode) = 0;
    virtual int close(int fd) = 0;
    virtual ssize_t pread(int fd, void* buffer, std::size_t n, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) = 0;
    // Writes pieces from several places to consecutive bytes of the file;
    // may write less, like pwrite. Unless overridden, the first piece only,
    // as one pwrite (so a test's file system sees each piece as a write).
    virtual ssize_t pwritev(int fd, const iovec* pieces, int count, off_t offset) {
        return count > 0 ? pwrite(fd, pieces[0].iov_base, pieces[0].iov_len, offset) : 0;
    }
    virtual int ftruncate(int fd, off_t size) = 0;
    // Puts the file's data (and its size) on disk.
    virtual int sync(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int unlink(const std::string& path) = 0;
    // Puts the folder's entries (files created, renamed or removed) on disk.
    virtual int syncDirectory(const std::string& directory) = 0;

    // The file system in use.
    static FileSystem& current() { return *current_; }
    // Puts another file system in place (nullptr: the system's own again);
    // returns the one it replaces. Only while no engine file is open.
    static FileSystem* replace(FileSystem* fs);
    // The operating system's own.
    static FileSystem& system();

  private:
    static FileSystem* current_;
};

}  // namespace dbase
