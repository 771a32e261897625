#include "backup/file_copy.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace backup {

namespace {

// Bytes moved between two progress reports: large enough that the kernel
// copies at full speed, small enough that the window repaints often.
constexpr qint64 kChunk = 8 << 20;
constexpr std::size_t kBufferSize = 1 << 20;

std::function<qint64(const QString&)>& probeSlot() {
    static std::function<qint64(const QString&)> probe;
    return probe;
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes a descriptor on every way out.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Closes and reports whether closing failed (a write the system
    // deferred may fail only now).
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

  private:
    int fd_;
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Writes all of `size` bytes; an errno value on failure.
int writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Copies the whole source into `out`; 0, an errno value, or -1 when stopped.
int copyContents(int in, int out, qint64 total, const Progress& progress) {
    qint64 done = 0;
    bool kernelCopy = true;
    std::unique_ptr<char, FreeDeleter> buffer;
    for (;;) {
        qint64 moved = 0;
        if (kernelCopy) {
            const ssize_t n =
                ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(kChunk), 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                // Not offered between these file systems: copy through a buffer.
                if ((errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) &&
                    done == 0) {
                    kernelCopy = false;
                    continue;
                }
                return errno;
            }
            moved = n;
        } else {
            if (!buffer) {
                void* p = nullptr;
                if (::posix_memalign(&p, 4096, kBufferSize) != 0)
                    return ENOMEM;
                buffer.reset(static_cast<char*>(p));
            }
            while (moved < kChunk) {
                const ssize_t n = ::read(in, buffer.get(), kBufferSize);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                if (n == 0)
                    break;
                if (const int e = writeAll(out, buffer.get(), static_cast<std::size_t>(n)))
                    return e;
                moved += n;
            }
        }
        if (moved == 0)
            return 0;
        done += moved;
        if (progress && !progress(done, std::max(total, done)))
            return -1;
    }
}

}  // namespace

QString inFolder(const QString& directory, const QString& name) {
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void setFreeSpaceProbe(std::function<qint64(const QString&)> probe) {
    probeSlot() = std::move(probe);
}

qint64 freeSpace(const QString& directory) {
    if (probeSlot())
        return probeSlot()(directory);
    QStorageInfo storage(directory);
    if (!storage.isValid() || !storage.isReady())
        return -1;
    return storage.bytesAvailable();
}

bool hasRoom(const QString& source, const QString& target) {
    const QFileInfo target_info(target);
    const qint64 free = freeSpace(target_info.absolutePath());
    if (free < 0)
        return true;
    const qint64 replaced = target_info.isFile() ? target_info.size() : 0;
    return free + replaced >= QFileInfo(source).size();
}

CopyResult copyFile(const QString& source, const QString& target, const Progress& progress) {
    if (sameFile(source, target))
        return {CopyStatus::SameFile, {}};
    Fd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return {CopyStatus::SourceUnreadable, systemReason(errno)};
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {CopyStatus::SourceUnreadable, systemReason(errno ? errno : EISDIR)};
    const qint64 total = st.st_size;

    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    QByteArray temp =
        QFile::encodeName(inFolder(folder, QLatin1Char('.') + info.fileName())) + ".XXXXXX";
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return {CopyStatus::Failed, systemReason(errno)};
    auto fail = [&](CopyStatus status, int error) {
        out.reset();
        ::unlink(temp.constData());
        return CopyResult{status, error > 0 ? systemReason(error) : QString()};
    };
    ::fchmod(out.get(), st.st_mode & 0666);
    if (const int e = copyContents(in.get(), out.get(), total, progress))
        return fail(e < 0 ? CopyStatus::Stopped : CopyStatus::Failed, e);
    // The copy must be the whole source: a source that shrank while it was
    // read, or a write the system took short, is no backup.
    struct stat written {};
    if (::fstat(out.get(), &written) != 0)
        return fail(CopyStatus::Failed, errno);
    struct stat now {};
    if (::fstat(in.get(), &now) != 0 || written.st_size != now.st_size)
        return fail(CopyStatus::Failed, EIO);
    if (::fsync(out.get()) != 0)
        return fail(CopyStatus::Failed, errno);
    if (const int e = out.close())
        return fail(CopyStatus::Failed, e);
    if (::rename(temp.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0)
        return fail(CopyStatus::Failed, errno);
    // The new name is on disk once the folder is.
    Fd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return {CopyStatus::Copied, {}};
}

}  // namespace backup
