// Long runs written past the file cache read exactly as ordinary writes
// would leave them, whether the file system takes direct writes or not, and
// a failing disk is reported, never taken for success.
#include "dbase/direct_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "dbase/error.h"
#include "dbase/file_system.h"
#include "dbase/os_file.h"
#include "dbase/table.h"
#include "fault_file_system.h"
#include "table_test_util.h"

namespace {

using dbase::DirectWriter;
using dbase::Error;
using dbase::FileSystem;
using dbase::OsFile;
using tktest::FaultFileSystem;

// The system's file system, except that it refuses direct writes: at open
// (as tmpfs and others do), or only when the first direct write comes.
class NoDirectFileSystem : public FileSystem {
  public:
    enum class Refuse { AtOpen, AtWrite };
    explicit NoDirectFileSystem(Refuse how) : how_(how), previous_(FileSystem::replace(this)) {}
    ~NoDirectFileSystem() override { FileSystem::replace(previous_); }
    NoDirectFileSystem(const NoDirectFileSystem&) = delete;
    NoDirectFileSystem& operator=(const NoDirectFileSystem&) = delete;

    int directOpens = 0;

    int open(const std::string& path, int flags, unsigned mode) override {
        if ((flags & O_DIRECT) != 0) {
            ++directOpens;
            if (how_ == Refuse::AtOpen) {
                errno = EINVAL;
                return -1;
            }
        }
        const int fd = sys().open(path, flags, mode);
        if (fd >= 0 && (flags & O_DIRECT) != 0)
            direct_.insert(fd);
        return fd;
    }
    int close(int fd) override {
        direct_.erase(fd);
        return sys().close(fd);
    }
    ssize_t pread(int fd, void* buffer, std::size_t n, off_t offset) override {
        return sys().pread(fd, buffer, n, offset);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        if (direct_.count(fd) != 0) {
            errno = EINVAL;
            return -1;
        }
        return sys().pwrite(fd, data, n, offset);
    }
    int ftruncate(int fd, off_t size) override { return sys().ftruncate(fd, size); }
    int sync(int fd) override { return sys().sync(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return sys().rename(from, to);
    }
    int unlink(const std::string& path) override { return sys().unlink(path); }
    int syncDirectory(const std::string& directory) override {
        return sys().syncDirectory(directory);
    }

  private:
    static FileSystem& sys() { return FileSystem::system(); }
    Refuse how_;
    FileSystem* previous_;
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

// Runs at offsets inside, at and between blocks, past the end (a hole),
// smaller than a block and longer than the buffer (three blocks here),
// each given in three pieces; the file must equal the same bytes written
// the ordinary way, checked after every run.
void writeRunsAndCompare(const std::string& path, bool* wentDirect) {
    const std::string start = pattern(10000, 1);
    std::string expected = start;
    {
        OsFile f = OsFile::create(path);
        f.writeAt(0, start.data(), start.size());
    }
    OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
    DirectWriter w(f, 3 * 4096);
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

TEST(DirectWriter, RunsReadExactlyAsOrdinaryWritesWouldLeaveThem) {
    tktest::TempDir dir;
    bool direct = false;
    writeRunsAndCompare(dir.file("runs.bin"), &direct);
    if (!direct)
        std::printf("note: this file system takes no direct writes; ordinary writes checked\n");
}

TEST(DirectWriter, FileSystemsRefusingDirectWritesGetTheSameBytes) {
    for (const auto how :
         {NoDirectFileSystem::Refuse::AtOpen, NoDirectFileSystem::Refuse::AtWrite}) {
        tktest::TempDir dir;
        NoDirectFileSystem fs(how);
        bool direct = true;
        writeRunsAndCompare(dir.file("runs.bin"), &direct);
        EXPECT_EQ(fs.directOpens, 1);
        if (how == NoDirectFileSystem::Refuse::AtOpen) {
            EXPECT_FALSE(direct);
        }
    }
}

TEST(DirectWriter, AFailingOrFullDiskIsReported) {
    const std::string bytes = pattern(5 * 4096 + 123, 9);
    for (const auto fault : {FaultFileSystem::Fault::FailWrite, FaultFileSystem::Fault::DiskFull}) {
        tktest::TempDir dir;
        const std::string path = dir.file("full.bin");
        OsFile::create(path).close();
        FaultFileSystem fs;
        fs.watch(dir.path());
        OsFile f = OsFile::open(path, OsFile::Access::ReadWrite);
        DirectWriter w(f, 2 * 4096);
        fs.arm(fault, 2);  // the second write: a block run past the first
        try {
            w.writeAt(100, bytes.data(), bytes.size());
            ADD_FAILURE() << "a failed write was taken for success";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), fault == FaultFileSystem::Fault::DiskFull ? Error::Kind::DiskFull
                                                                          : Error::Kind::Io);
            EXPECT_EQ(e.file(), path);
        }
        EXPECT_TRUE(fs.fired());
        fs.disarm();
    }
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

}  // namespace
