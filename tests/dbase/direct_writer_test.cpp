// Long runs written past the file cache read exactly as ordinary writes
// would leave them, whether the file system takes direct writes or not, and
// a failing disk is reported, never taken for success.
#include "dbase/direct_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dbase/error.h"
#include "dbase/file_system.h"
#include "dbase/os_file.h"
#include "dbase/table.h"
#include "fault_file_system.h"
#include "pass_through_file_system.h"
#include "table_test_util.h"

namespace {

using dbase::DirectWriter;
using dbase::Error;
using dbase::FileSystem;
using dbase::OsFile;
using tktest::FaultFileSystem;

// The system's file system, except that it refuses direct writes: at open
// (as tmpfs and others do), or only when the first direct write comes.
class NoDirectFileSystem : public tktest::PassThroughFileSystem {
  public:
    enum class Refuse { AtOpen, AtWrite };
    explicit NoDirectFileSystem(Refuse how) : how_(how) {}

    int directOpens = 0;

    int open(const std::string& path, int flags, unsigned mode) override {
        if ((flags & O_DIRECT) != 0) {
            ++directOpens;
            if (how_ == Refuse::AtOpen) {
                errno = EINVAL;
                return -1;
            }
        }
        const int fd = system().open(path, flags, mode);
        if (fd >= 0 && (flags & O_DIRECT) != 0)
            direct_.insert(fd);
        return fd;
    }
    int close(int fd) override {
        direct_.erase(fd);
        return system().close(fd);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        if (direct_.count(fd) != 0) {
            errno = EINVAL;
            return -1;
        }
        return system().pwrite(fd, data, n, offset);
    }

  private:
    Refuse how_;
    std::set<int> direct_;
};

std::string pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + seed * 17 + i / 7) & 0xff);
    return s;
}

std::string readAll(const std::string& path) {
    const std::vector<std::uint8_t> b = tktest::readBytes(path);
    return {b.begin(), b.end()};
}

// The system's file system, noting where each write of data went.
class WriteLog : public tktest::PassThroughFileSystem {
  public:
    struct Write {
        std::uint64_t offset;
        std::size_t length;
    };
    std::vector<Write> writes() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            writes_.push_back({static_cast<std::uint64_t>(offset), n});
        }
        return system().pwrite(fd, data, n, offset);
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Write> writes_;
};

// Runs at offsets inside, at and between blocks, past the end (a hole),
// smaller than a block and longer than the buffer (three blocks here),
// each given in three pieces; the file must equal the same bytes written
// the ordinary way, checked after every run. With a `cachePiece` the
// blocks are pieces of that size, written through the cache.
void writeRunsAndCompare(const std::string& path, bool* wentDirect, int buffers,
                         std::size_t cachePiece = 0) {
    const std::string start = pattern(10000, 1);
    std::string expected = start;
    {
        OsFile f = OsFile::create(path);
        f.writeAt(0, start.data(), start.size());
    }
    OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
    DirectWriter w(f, 3 * 4096, buffers, cachePiece);
    *wentDirect = w.direct();
    const struct {
        std::uint64_t offset;
        std::size_t length;
    } runs[] = {{0, 0},        {1, 1},      {4095, 2},  {4096, 4096},      {5000, 100},
                {3, 3 * 4096}, {0, 40000},  {9999, 7},  {20000, 3 * 4096}, {12345, 50001},
                {8192, 12289}, {62345, 10}, {100, 4000}};
    unsigned seed = 2;
    for (const auto& run : runs) {
        SCOPED_TRACE("run at " + std::to_string(run.offset) + " of " + std::to_string(run.length));
        const std::string bytes = pattern(run.length, seed++);
        w.begin(run.offset);
        const std::size_t third = run.length / 3;
        w.append(bytes.data(), third);
        w.append(bytes.data() + third, third);
        w.append(bytes.data() + 2 * third, run.length - 2 * third);
        w.finish();
        if (expected.size() < run.offset + run.length)
            expected.resize(run.offset + run.length, '\0');
        expected.replace(run.offset, run.length, bytes);
        ASSERT_EQ(f.size(), expected.size());
        ASSERT_TRUE(readAll(path) == expected);
        // What the writer put there reads back through the file too.
        std::string back(run.length, '\0');
        f.readExact(run.offset, back.data(), back.size());
        ASSERT_TRUE(back == bytes);
    }
    // An ordinary write after a direct one lands on top of it.
    f.writeAt(2, "xy", 2);
    expected.replace(2, 2, "xy");
    EXPECT_TRUE(readAll(path) == expected);
}

// One buffer (written by the caller) and three (written by the writer's
// thread while the next fills).
constexpr int kBufferCounts[] = {1, 3};

TEST(DirectWriter, RunsReadExactlyAsOrdinaryWritesWouldLeaveThem) {
    for (const int buffers : kBufferCounts) {
        SCOPED_TRACE(std::to_string(buffers) + " buffers");
        tktest::TempDir dir;
        bool direct = false;
        writeRunsAndCompare(dir.file("runs.bin"), &direct, buffers);
        if (!direct)
            std::printf("note: this file system takes no direct writes; ordinary writes checked\n");
    }
}

// Through the cache the runs read the same, and every write starts on a
// piece of the file; all but a run's last cover whole pieces.
TEST(DirectWriter, RunsThroughTheCacheAreWrittenInWholePieces) {
    constexpr std::size_t kPiece = 8192;
    for (const int buffers : kBufferCounts) {
        SCOPED_TRACE(std::to_string(buffers) + " buffers");
        tktest::TempDir dir;
        WriteLog log;
        bool direct = true;
        writeRunsAndCompare(dir.file("runs.bin"), &direct, buffers, kPiece);
        EXPECT_FALSE(direct);
        // The file's first bytes and the ordinary write at the end are not
        // the writer's.
        std::vector<WriteLog::Write> writes = log.writes();
        ASSERT_GT(writes.size(), 2u);
        writes.pop_back();
        writes.erase(writes.begin());
        int partPieces = 0;
        for (const WriteLog::Write& w : writes) {
            EXPECT_EQ(w.offset % kPiece, 0u) << "a write at " << w.offset;
            if (w.length % kPiece != 0)
                ++partPieces;
        }
        EXPECT_LE(partPieces, 13);  // one per run at most
    }
}

TEST(DirectWriter, FileSystemsRefusingDirectWritesGetTheSameBytes) {
    for (const int buffers : kBufferCounts) {
        for (const auto how :
             {NoDirectFileSystem::Refuse::AtOpen, NoDirectFileSystem::Refuse::AtWrite}) {
            SCOPED_TRACE(std::to_string(buffers) + " buffers");
            tktest::TempDir dir;
            NoDirectFileSystem fs(how);
            bool direct = true;
            writeRunsAndCompare(dir.file("runs.bin"), &direct, buffers);
            EXPECT_EQ(fs.directOpens, 1);
            if (how == NoDirectFileSystem::Refuse::AtOpen) {
                EXPECT_FALSE(direct);
            }
        }
    }
}

TEST(DirectWriter, AFailingOrFullDiskIsReported) {
    const std::string bytes = pattern(5 * 4096 + 123, 9);
    for (const int buffers : kBufferCounts) {
        for (const auto fault :
             {FaultFileSystem::Fault::FailWrite, FaultFileSystem::Fault::DiskFull}) {
            SCOPED_TRACE(std::to_string(buffers) + " buffers");
            tktest::TempDir dir;
            const std::string path = dir.file("full.bin");
            OsFile::create(path).close();
            FaultFileSystem fs;
            fs.watch(dir.path());
            OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
            DirectWriter w(f, 2 * 4096, buffers);
            fs.arm(fault, 2);  // the second write: a block run past the first
            try {
                w.writeAt(100, bytes.data(), bytes.size());
                ADD_FAILURE() << "a failed write was taken for success";
            } catch (const Error& e) {
                EXPECT_EQ(e.kind(), fault == FaultFileSystem::Fault::DiskFull
                                        ? Error::Kind::DiskFull
                                        : Error::Kind::Io);
                EXPECT_EQ(e.file(), path);
            }
            EXPECT_TRUE(fs.fired());
            // An overlapped run stays failed: finishing it again is no
            // success either.
            if (buffers > 1) {
                EXPECT_THROW(w.finish(), Error);
            }
            fs.disarm();
            // A new run after the failure writes as it should.
            w.writeAt(0, bytes.data(), bytes.size());
            EXPECT_TRUE(readAll(path).substr(0, bytes.size()) == bytes);
        }
    }
}

// The system's file system, except that one chosen write waits at a gate
// until the test opens it, and then succeeds or fails (EIO).
class GatedFileSystem : public tktest::PassThroughFileSystem {
  public:
    explicit GatedFileSystem(int gateAt) : gateAt_(gateAt) {}
    using PassThroughFileSystem::open;

    void waitAtGate() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return atGate_; });
    }
    void open(bool fail) {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        fail_ = fail;
        changed_.notify_all();
    }
    int writes() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }

    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (++writes_ == gateAt_) {
                atGate_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return open_; });
                if (fail_) {
                    errno = EIO;
                    return -1;
                }
            }
        }
        return system().pwrite(fd, data, n, offset);
    }

  private:
    int gateAt_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int writes_ = 0;
    bool atGate_ = false;
    bool open_ = false;
    bool fail_ = false;
};

int threadsOfProcess() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// The first buffer's write fails while the caller fills the next ones: the
// caller hears of it when it next hands on a buffer and at finish, the
// buffers waiting are not written, and the writer takes a new run after.
TEST(DirectWriter, AWriteFailingWhileTheNextBufferFillsIsReported) {
    tktest::TempDir dir;
    const std::string path = dir.file("gated.bin");
    OsFile::create(path).close();
    OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
    GatedFileSystem fs(1);
    DirectWriter w(f, 4096, 3);
    ASSERT_TRUE(w.overlapped());
    const std::string block = pattern(4096, 3);
    w.begin(0);
    w.append(block.data(), block.size());  // handed on: written by the thread
    fs.waitAtGate();
    w.append(block.data(), block.size());  // handed on: waits its turn
    w.append(block.data(), 100);           // the third buffer fills
    EXPECT_EQ(w.written(), 0u);
    fs.open(true);
    try {
        w.append(block.data(), block.size());
        ADD_FAILURE() << "a failed write was taken for success";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Io);
    }
    EXPECT_THROW(w.finish(), Error);
    EXPECT_THROW((void)w.written(), Error);
    EXPECT_EQ(fs.writes(), 1);  // the buffer waiting behind the failure was not written
    EXPECT_EQ(f.size(), 0u);

    const std::string bytes = pattern(3 * 4096 + 5, 4);
    w.writeAt(0, bytes.data(), bytes.size());
    EXPECT_TRUE(readAll(path) == bytes);
}

// Destroying the writer in the middle of a run waits for the write under
// way, leaves the buffers waiting unwritten and ends the thread.
TEST(DirectWriter, DestroyingTheWriterMidRunStopsItsThread) {
    tktest::TempDir dir;
    const std::string path = dir.file("abandoned.bin");
    OsFile::create(path).close();
    OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
    const int before = threadsOfProcess();
    GatedFileSystem fs(1);
    std::thread opener;
    {
        DirectWriter w(f, 4096, 3);
        EXPECT_EQ(threadsOfProcess(), before + 1);
        const std::string blocks = pattern(2 * 4096 + 10, 5);
        w.begin(0);
        w.append(blocks.data(), blocks.size());
        fs.waitAtGate();
        opener = std::thread([&fs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            fs.open(false);
        });
    }
    opener.join();
    EXPECT_EQ(threadsOfProcess(), before);
    EXPECT_EQ(fs.writes(), 1);
    EXPECT_EQ(f.size(), 4096u);
}

// A pack and a bulk append of more than a batch (past the cache when
// `pastCache`) write the same files whether direct writes are taken or
// refused.
std::string packedAndAppended(const tktest::TempDir& dir, bool pastCache = true) {
    const std::string path = tktest::makeSampleTable(dir, 3000, "BOOKS.DBF");
    dbase::Table t;
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.addIndexTag("TITLE", "UPPER(TITLE)");
    t.disableControls();
    t.beginBulk();
    for (std::uint32_t r = 1; r <= 3000; r += 7) {
        if (t.gotoRecNo(r))
            t.deleteRecord();
    }
    t.endBulk();
    t.pack();
    t.setWritePastCache(pastCache);
    t.beginBulkAppend();
    for (int i = 0; i < 40000; ++i)
        tktest::appendBook(t, "Added " + std::to_string(i), 1950 + i % 50, i);
    t.endBulkAppend();
    t.close();
    return readAll(path);
}

TEST(DirectWriter, PackAndBulkAppendWriteTheSameTableEitherWay) {
    tktest::TempDir direct;
    const std::string viaDirect = packedAndAppended(direct);
    tktest::TempDir ordinary;
    NoDirectFileSystem fs(NoDirectFileSystem::Refuse::AtOpen);
    const std::string viaOrdinary = packedAndAppended(ordinary);
    EXPECT_EQ(fs.directOpens, 1);  // the bulk append's; the pack goes through the cache
    ASSERT_EQ(viaDirect.size(), viaOrdinary.size());
    EXPECT_TRUE(viaDirect == viaOrdinary);

    dbase::Table t;
    t.setFileName(direct.file("BOOKS.DBF"));
    t.open();
    EXPECT_EQ(t.physicalRecordCount(), 3000u - 429u + 40000u);
    ASSERT_TRUE(t.gotoRecNo(1));
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Book 2");
    ASSERT_TRUE(t.gotoRecNo(2571));
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Book 3000");
    ASSERT_TRUE(t.gotoRecNo(3000u - 429u + 40000u));
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Added 39999");
}

// Tables read again soon (a packed table, an import into the collection)
// are written through the file cache unless asked otherwise.
TEST(DirectWriter, OnlyABulkAppendAskedToGoesPastTheCache) {
    tktest::TempDir dir;
    NoDirectFileSystem fs(NoDirectFileSystem::Refuse::AtWrite);
    packedAndAppended(dir, false);
    EXPECT_EQ(fs.directOpens, 0);
    dbase::Table t;
    t.setFileName(dir.file("BOOKS.DBF"));
    t.open();
    EXPECT_EQ(t.physicalRecordCount(), 3000u - 429u + 40000u);
}

// What the file says while a bulk append goes on: its record count, and the
// title of the record it counts last (empty when it counts none).
struct OnDisk {
    std::uint32_t count = 0;
    std::uint64_t size = 0;
    std::string lastTitle;
};

OnDisk onDisk(const std::string& path) {
    const std::vector<std::uint8_t> b = tktest::readBytes(path);
    OnDisk d;
    d.size = b.size();
    if (b.size() < 12)
        return d;
    d.count = static_cast<std::uint32_t>(b[4] | b[5] << 8 | b[6] << 16) |
              static_cast<std::uint32_t>(b[7]) << 24;
    const std::size_t headerLength = b[8] | b[9] << 8;
    const std::size_t recordLength = b[10] | b[11] << 8;
    const std::size_t end = headerLength + std::size_t{d.count} * recordLength;
    if (d.count > 0 && end <= b.size()) {
        d.lastTitle.assign(reinterpret_cast<const char*>(b.data()) + end - recordLength + 1, 30);
        d.lastTitle.erase(d.lastTitle.find_last_not_of(' ') + 1);
    }
    return d;
}

constexpr int kStreamed = 250000;  // about 14.5 MB: more than three buffers of the stream

// Opens a new table for exclusive use and begins a bulk append.
void beginAppending(dbase::Table& t, const std::string& path, bool pastCache) {
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.setWritePastCache(pastCache);
    t.open();
    t.beginBulkAppend();
}

// A bulk append without an index (past the cache or through it), checking
// the file as it goes: the count on disk never runs ahead of the records in the file.
// Records are read in the middle (at `readAt`), which the stream must
// answer from the file.
std::string streamedAppend(const tktest::TempDir& dir, bool pastCache, int readAt,
                           std::uint32_t* countedDuring) {
    const std::string path = dir.file("S.DBF");
    dbase::Table::create(path, tktest::sampleFields());
    dbase::Table t;
    beginAppending(t, path, pastCache);
    const int title = t.fieldIndex("TITLE");
    for (int i = 1; i <= kStreamed; ++i) {
        const std::string added = "Added " + std::to_string(i);
        tktest::appendBook(t, added, 1950 + i % 50, i);
        // The record just posted reads back as posted.
        if (t.asString(title) != added) {
            ADD_FAILURE() << "record " << i << " reads \"" << t.asString(title) << "\"";
            break;
        }
        if (i % 25000 == 0) {
            const OnDisk d = onDisk(path);
            EXPECT_LE(d.count, static_cast<std::uint32_t>(i));
            if (d.count > 0) {
                EXPECT_EQ(d.lastTitle, "Added " + std::to_string(d.count)) << "after " << i;
            }
            *countedDuring = d.count;
        }
        if (i == readAt) {
            EXPECT_TRUE(t.gotoRecNo(7));
            EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Added 7");
            // Handed on to the stream, but not yet in the file.
            const int handedOn = i - 30000;
            EXPECT_TRUE(t.gotoRecNo(static_cast<std::uint32_t>(handedOn)));
            EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Added " + std::to_string(handedOn));
        }
    }
    t.endBulkAppend();
    EXPECT_EQ(onDisk(path).count, static_cast<std::uint32_t>(kStreamed));
    t.close();
    return readAll(path);
}

// The same stream past the cache and through it writes the same table;
// through the cache its long writes start on the 2 MiB pieces of the file.
TEST(DirectWriter, AStreamedBulkAppendCountsOnlyRecordsTheFileHolds) {
    tktest::TempDir streamed;
    std::uint32_t counted = 0;
    const std::string viaStream = streamedAppend(streamed, true, 180000, &counted);
    // The records were counted on disk as the stream went, not only at its end.
    EXPECT_GT(counted, 0u);
    tktest::TempDir ordinary;
    counted = 0;
    WriteLog log;
    const std::string viaCache = streamedAppend(ordinary, false, 120000, &counted);
    EXPECT_GT(counted, 0u);
    ASSERT_EQ(viaStream.size(), viaCache.size());
    EXPECT_TRUE(viaStream == viaCache);
    constexpr std::uint64_t kPiece = std::uint64_t{2} << 20;
    // The read in the middle ended the first stream: two runs, each with
    // one last write that may end inside a piece.
    int longWrites = 0;
    int partPieces = 0;
    for (const WriteLog::Write& w : log.writes()) {
        if (w.length < kPiece)
            continue;
        ++longWrites;
        EXPECT_EQ(w.offset % kPiece, 0u) << "a write at " << w.offset;
        if (w.length % kPiece != 0)
            ++partPieces;
    }
    EXPECT_GE(longWrites, 3);
    EXPECT_LE(partPieces, 2);
}

// A write of the stream that fails (or finds the disk full) is reported,
// and the table then has the records its count on disk says, each of them
// whole, open and reopened.
TEST(DirectWriter, AFailingStreamLeavesTheRecordsItCounted) {
    for (const auto fault : {FaultFileSystem::Fault::FailWrite, FaultFileSystem::Fault::DiskFull}) {
        for (const bool pastCache : {true, false}) {
            for (const std::uint64_t at : {1u, 3u}) {
                SCOPED_TRACE("write " + std::to_string(at) + (pastCache ? " past" : " through") +
                             " the cache");
                tktest::TempDir dir;
                const std::string path = dir.file("S.DBF");
                dbase::Table::create(path, tktest::sampleFields());
                FaultFileSystem fs;
                fs.watch(dir.path());
                dbase::Table t;
                beginAppending(t, path, pastCache);
                fs.arm(fault, at);
                bool failed = false;
                try {
                    for (int i = 1; i <= kStreamed; ++i)
                        tktest::appendBook(t, "Added " + std::to_string(i), 1950 + i % 50, i);
                    t.endBulkAppend();
                } catch (const Error& e) {
                    failed = true;
                    t.cancel();  // the record whose post failed is not posted again
                    EXPECT_EQ(e.kind(), fault == FaultFileSystem::Fault::DiskFull
                                            ? Error::Kind::DiskFull
                                            : Error::Kind::Io);
                }
                EXPECT_TRUE(failed) << "a failed write was taken for success";
                fs.disarm();
                const OnDisk d = onDisk(path);
                EXPECT_EQ(t.physicalRecordCount(), d.count);
                EXPECT_GE(d.size, 58u * d.count);
                if (d.count > 0) {
                    EXPECT_EQ(d.lastTitle, "Added " + std::to_string(d.count));
                    ASSERT_TRUE(t.gotoRecNo(d.count));
                    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), d.lastTitle);
                }
                try {
                    t.close();
                } catch (const Error&) {
                }
                t.setMode(dbase::OpenMode::Shared);
                t.open();
                EXPECT_EQ(t.recordCount(), d.count);
                if (d.count > 0) {
                    ASSERT_TRUE(t.gotoRecNo(d.count));
                    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), d.lastTitle);
                }
            }
        }
    }
}

}  // namespace
