// A file system for tests that goes wrong on purpose. It passes every call
// to the system's own, counting the writes and syncs, and at a chosen one of
// them it can:
//   - fail that write (EIO), or that sync (EIO);
//   - fill the disk (ENOSPC): from that write on, nothing that would make a
//     file longer is written (what fits in the file's present size is);
//   - kill the process: from then on every write and sync fails, as if the
//     program had died there; what it wrote before stays;
//   - cut the power: likewise, and powerCut() later puts back what was on
//     disk: the files as they were at their last sync, in the folder as it
//     was at its last sync. A torn write is a power cut during a write, which
//     reaches the disk half way.
//
// What reaches the disk is tracked for the files of one folder, taken as on
// disk (synced) when watch() is called. Calls from several threads (the
// overlapped writes of the engine) are taken one at a time, and counted in
// the order they come.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "dbase/file_system.h"

namespace tktest {

class FaultFileSystem : public dbase::FileSystem {
  public:
    enum class Fault { None, FailWrite, FailSync, DiskFull, Killed, PowerCut, TornWrite };

    FaultFileSystem();
    ~FaultFileSystem() override;
    FaultFileSystem(const FaultFileSystem&) = delete;
    FaultFileSystem& operator=(const FaultFileSystem&) = delete;

    // Starts tracking the folder; its files count as on disk as they are now.
    void watch(const std::string& folder);
    // Arms a fault at the n-th write (FailWrite, DiskFull, Killed, PowerCut,
    // TornWrite) or sync (FailSync), counted from 1 from now on.
    void arm(Fault fault, std::uint64_t n);
    // Lets the disk work again (a full disk stays full until then).
    void disarm();
    // The power goes now: nothing more reaches the disk.
    void powerOff() {
        const std::lock_guard<std::mutex> lock(mutex_);
        powerOff_ = true;
    }
    // While set, every close reports EIO (after closing the file).
    void failCloses(bool on) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failCloses_ = on;
    }

    std::uint64_t writes() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    std::uint64_t syncs() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return syncs_;
    }
    bool fired() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return fired_;
    }
    bool powerIsOff() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return powerOff_;
    }

    // After every engine file was closed: the folder as the disk kept it
    // when the power goes now (a killed process: as it is). Everything then
    // counts as on disk and the disk works again.
    void powerCut();

    int open(const std::string& path, int flags, unsigned mode) override;
    int close(int fd) override;
    ssize_t pread(int fd, void* buffer, std::size_t n, off_t offset) override;
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override;
    int ftruncate(int fd, off_t size) override;
    int sync(int fd) override;
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;
    int syncDirectory(const std::string& directory) override;

  private:
    using Inode = std::pair<std::uint64_t, std::uint64_t>;  // device, number
    struct Durable {
        bool known = false;  // synced at least once (or there when watching began)
        std::string bytes;
    };
    std::uint64_t idOf(int fd);  // the file behind the descriptor
    std::string contents(int fd) const;
    void snapshotFolder();

    mutable std::mutex mutex_;
    dbase::FileSystem& system_;
    dbase::FileSystem* previous_ = nullptr;
    std::string folder_;
    Fault fault_ = Fault::None;
    std::uint64_t at_ = 0;
    std::uint64_t writes_ = 0;
    std::uint64_t syncs_ = 0;
    bool fired_ = false;
    bool diskFull_ = false;
    bool failCloses_ = false;
    bool powerOff_ = false;  // nothing more reaches the disk
    bool killed_ = false;    // ... because the process died, not the power
    // Files by an id of their own (inode numbers come back after a removal).
    std::uint64_t nextId_ = 1;
    std::map<Inode, std::uint64_t> ids_;
    std::map<std::uint64_t, Durable> durable_;           // file contents on disk
    std::map<std::string, std::uint64_t> durableNames_;  // the folder's entries on disk
    std::map<std::uint64_t, std::vector<std::pair<off_t, std::string>>> torn_;  // half writes
};

}  // namespace tktest
