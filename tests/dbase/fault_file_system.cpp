#include "fault_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace tktest {

namespace {

std::string readWhole(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot read " + path);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void writeWhole(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write " + path);
    ::close(fd);
}

// The regular files of a folder by name, with their device and inode numbers.
std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> listFolder(
    const std::string& folder) {
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> out;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        throw std::runtime_error("cannot list " + folder);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        struct stat st {};
        if (::stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            out[name] = {st.st_dev, st.st_ino};
    }
    ::closedir(dir);
    return out;
}

}  // namespace

FaultFileSystem::FaultFileSystem()
    : system_(dbase::FileSystem::system()), previous_(dbase::FileSystem::replace(this)) {}

FaultFileSystem::~FaultFileSystem() {
    dbase::FileSystem::replace(previous_);
}

void FaultFileSystem::watch(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(mutex_);
    folder_ = folder;
    snapshotFolder();
}

void FaultFileSystem::snapshotFolder() {
    durable_.clear();
    ids_.clear();
    durableNames_.clear();
    torn_.clear();
    for (const auto& [name, inode] : listFolder(folder_)) {
        const std::uint64_t id = nextId_++;
        ids_[inode] = id;
        durable_[id] = Durable{true, readWhole(folder_ + "/" + name)};
        durableNames_[name] = id;
    }
}

void FaultFileSystem::arm(Fault fault, std::uint64_t n) {
    const std::lock_guard<std::mutex> lock(mutex_);
    fault_ = fault;
    at_ = n;
    writes_ = 0;
    syncs_ = 0;
    fired_ = false;
}

void FaultFileSystem::disarm() {
    const std::lock_guard<std::mutex> lock(mutex_);
    fault_ = Fault::None;
    diskFull_ = false;
}

std::uint64_t FaultFileSystem::idOf(int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    const Inode inode{st.st_dev, st.st_ino};
    auto it = ids_.find(inode);
    if (it != ids_.end())
        return it->second;
    const std::uint64_t id = nextId_++;
    ids_[inode] = id;
    return id;
}

std::string FaultFileSystem::contents(int fd) const {
    return readWhole("/proc/self/fd/" + std::to_string(fd));
}

int FaultFileSystem::open(const std::string& path, int flags, unsigned mode) {
    const std::lock_guard<std::mutex> lock(mutex_);
    struct stat st {};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    if (powerOff_ && (flags & (O_CREAT | O_TRUNC)) != 0) {
        errno = EIO;
        return -1;
    }
    const int fd = system_.open(path, flags, mode);
    if (fd >= 0 && !existed) {
        // A new file: nothing of it is on disk yet, whatever file had its
        // inode number before.
        struct stat now {};
        ::fstat(fd, &now);
        const std::uint64_t id = nextId_++;
        ids_[{now.st_dev, now.st_ino}] = id;
        durable_[id] = Durable{};
    }
    return fd;
}

int FaultFileSystem::close(int fd) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const int rc = system_.close(fd);
    if (failCloses_) {
        errno = EIO;
        return -1;
    }
    return rc;
}

ssize_t FaultFileSystem::pread(int fd, void* buffer, std::size_t n, off_t offset) {
    return system_.pread(fd, buffer, n, offset);
}

ssize_t FaultFileSystem::pwrite(int fd, const void* data, std::size_t n, off_t offset) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    ++writes_;
    if (fault_ != Fault::None && fault_ != Fault::FailSync && writes_ == at_) {
        fired_ = true;
        switch (fault_) {
            case Fault::FailWrite:
                errno = EIO;
                return -1;
            case Fault::DiskFull:
                diskFull_ = true;
                break;
            case Fault::Killed:
                killed_ = true;
                powerOff_ = true;
                errno = EIO;
                return -1;
            case Fault::PowerCut:
                powerOff_ = true;
                errno = EIO;
                return -1;
            case Fault::TornWrite: {
                // Half the bytes land, in the file and on the disk; then the power goes.
                const std::size_t half = n / 2;
                if (half > 0 && system_.pwrite(fd, data, half, offset) > 0)
                    torn_[idOf(fd)].emplace_back(offset,
                                                 std::string(static_cast<const char*>(data), half));
                powerOff_ = true;
                errno = EIO;
                return -1;
            }
            default:
                break;
        }
    }
    if (diskFull_) {
        struct stat st {};
        ::fstat(fd, &st);
        const auto end = static_cast<std::uint64_t>(offset) + n;
        if (end > static_cast<std::uint64_t>(st.st_size)) {
            if (offset >= st.st_size) {
                errno = ENOSPC;
                return -1;
            }
            n = static_cast<std::size_t>(st.st_size - offset);
        }
    }
    return system_.pwrite(fd, data, n, offset);
}

int FaultFileSystem::ftruncate(int fd, off_t size) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    struct stat st {};
    ::fstat(fd, &st);
    if (diskFull_ && size > st.st_size) {
        errno = ENOSPC;
        return -1;
    }
    return system_.ftruncate(fd, size);
}

int FaultFileSystem::sync(int fd) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    ++syncs_;
    if (fault_ == Fault::FailSync && syncs_ == at_) {
        fired_ = true;
        errno = EIO;
        return -1;
    }
    durable_[idOf(fd)] = Durable{true, contents(fd)};
    return 0;
}

int FaultFileSystem::rename(const std::string& from, const std::string& to) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    return system_.rename(from, to);
}

int FaultFileSystem::unlink(const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    return system_.unlink(path);
}

int FaultFileSystem::syncDirectory(const std::string& directory) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (powerOff_) {
        errno = EIO;
        return -1;
    }
    ++syncs_;
    if (fault_ == Fault::FailSync && syncs_ == at_) {
        fired_ = true;
        errno = EIO;
        return -1;
    }
    if (directory == folder_) {
        durableNames_.clear();
        for (const auto& [name, inode] : listFolder(folder_)) {
            auto it = ids_.find(inode);
            std::uint64_t id = 0;
            if (it != ids_.end()) {
                id = it->second;
            } else {
                id = nextId_++;
                ids_[inode] = id;
                durable_[id] = Durable{};
            }
            durableNames_[name] = id;
        }
    }
    return 0;
}

void FaultFileSystem::powerCut() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (killed_) {
        killed_ = false;
        powerOff_ = false;
        fault_ = Fault::None;
        diskFull_ = false;
        snapshotFolder();
        return;
    }
    for (const auto& entry : listFolder(folder_))
        ::unlink((folder_ + "/" + entry.first).c_str());
    for (const auto& [name, id] : durableNames_) {
        std::string bytes = durable_[id].bytes;  // empty when never synced
        for (const auto& [offset, piece] : torn_[id]) {
            const auto at = static_cast<size_t>(offset);
            if (bytes.size() < at + piece.size())
                bytes.resize(at + piece.size(), '\0');
            bytes.replace(at, piece.size(), piece);
        }
        writeWhole(folder_ + "/" + name, bytes);
    }
    powerOff_ = false;
    fault_ = Fault::None;
    diskFull_ = false;
    snapshotFolder();
}

}  // namespace tktest
