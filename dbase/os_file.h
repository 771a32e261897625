// A file descriptor owned by the engine, with the few operations tables,
// memo files and index files need: whole reads and writes at an offset, the
// size, syncing, and advisory locks. Reads and writes go through the file
// system in use (file_system.h).
//
// Locks are open-file-description locks: they belong to this open file, so
// two File objects on the same path conflict even inside one process, and
// the kernel drops them when the file is closed or the process dies. The
// lock bytes lie far beyond any real table size, so they never overlap data
// that other programs might lock.
//
// Every failure throws dbase::Error naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dbase {

class OsFile {
  public:
    enum class Access { Read, ReadWrite };
    enum class LockType { Shared, Exclusive };

    // Byte offsets of the lock ranges.
    static constexpr std::int64_t kOpenLockByte = std::int64_t{1}
                                                  << 62;  // held while a table is open
    static constexpr std::int64_t kHeaderLockByte =
        kOpenLockByte + 1;  // held briefly while the header changes

    OsFile() = default;
    ~OsFile();
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;
    OsFile(OsFile&& other) noexcept;
    OsFile& operator=(OsFile&& other) noexcept;

    // Opens an existing file. Throws Error::Kind::NotFound when it is missing
    // or cannot be opened.
    static OsFile open(const std::string& path, Access access);
    // Creates (or truncates) a file for writing, with the given permissions.
    static OsFile create(const std::string& path, unsigned mode = 0666);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool writable() const { return access_ == Access::ReadWrite; }
    // Closes the file; a failure (data the system could not write after all)
    // throws Error::Kind::Io once the descriptor is gone.
    void close();
    // Closes the file without a word: for files only read, and for leaving a
    // file after another failure.
    void release() noexcept;

    std::uint64_t size() const;
    // Reads up to n bytes; returns how many were read (short only at the end of the file).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    // Reads exactly n bytes or throws Error::Kind::Damaged ("the file is shorter than its header
    // says").
    void readExact(std::uint64_t offset, void* buffer, std::size_t n) const;
    void writeAt(std::uint64_t offset, const void* data, std::size_t n);
    // Writes the pieces, one after the other, from `offset` on.
    struct Piece {
        const void* data;
        std::size_t size;
    };
    void writeGather(std::uint64_t offset, const Piece* pieces, std::size_t count);
    // Asks the system to start writing these bytes to disk, without waiting:
    // a later sync() has less to wait for. Promises nothing about the disk.
    void startWriteback(std::uint64_t offset, std::uint64_t n) const;
    void truncate(std::uint64_t size);
    // Puts what was written on disk; throws Error::Kind::Io when the system
    // cannot.
    void sync();
    // Makes the renames and removals of files in the folder of `path` durable.
    static void syncDirectoryOf(const std::string& path);
    // True when the open file is still the one the path names (no one has
    // renamed another file over it since it was opened).
    bool isAt(const std::string& path) const;

    // Renames a file over another (Error::Kind::Io when it cannot).
    static void rename(const std::string& from, const std::string& to);
    // Renames a file over another and puts the folder's new entry on disk.
    static void replace(const std::string& from, const std::string& to);
    // Removes a file (quietly when it is not there) and puts the folder on disk.
    static void remove(const std::string& path);
    // Removes a file left part-way, without a word.
    static void discard(const std::string& path) noexcept;

    // Tries to take a lock on one lock byte without waiting. Returns false when
    // another open file holds a conflicting lock.
    bool tryLock(std::int64_t byte, LockType type);
    // Takes a lock, waiting for other holders to let go.
    void lockWait(std::int64_t byte, LockType type);
    void unlock(std::int64_t byte);
    // True when another open file holds a lock on the byte that conflicts
    // with the given type (for a file opened read-only, which cannot hold an
    // exclusive lock itself).
    bool wouldConflict(std::int64_t byte, LockType type) const;

  private:
    int fd_ = -1;
    Access access_ = Access::Read;
    std::string path_;
};

// Scoped hold of a lock byte, released when it goes out of scope.
class LockGuard {
  public:
    LockGuard(OsFile& file, std::int64_t byte, OsFile::LockType type) : file_(file), byte_(byte) {
        file_.lockWait(byte_, type);
    }
    ~LockGuard() { file_.unlock(byte_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

  private:
    OsFile& file_;
    std::int64_t byte_;
};

}  // namespace dbase
