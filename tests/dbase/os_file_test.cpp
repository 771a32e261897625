// Gathered writes: every piece lands in order, however little each call of
// the file system writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dbase/error.h"
#include "dbase/file_system.h"
#include "dbase/os_file.h"
#include "pass_through_file_system.h"
#include "table_test_util.h"

namespace {

// Writes at most `most` bytes a call, and of the first piece only; or fails
// with ENOSPC from the `failAt`-th call on.
class ShortWrites : public tktest::PassThroughFileSystem {
  public:
    explicit ShortWrites(std::size_t most) : most_(most) {}

    int calls = 0;
    int failAt = 0;

    ssize_t pwrite(int fd, const void* data, std::size_t n, off_t offset) override {
        if (++calls == failAt) {
            errno = ENOSPC;
            return -1;
        }
        return system().pwrite(fd, data, std::min(n, most_), offset);
    }

  private:
    std::size_t most_;
};

// The file a gather of `pieces` after a first write of "HEAD" leaves.
std::string gathered(const std::string& path, const std::vector<dbase::OsFile::Piece>& pieces) {
    {
        dbase::OsFile f = dbase::OsFile::create(path);
        f.writeAt(0, "HEAD", 4);
        f.writeGather(4, pieces.data(), pieces.size());
        f.close();
    }
    const auto bytes = tktest::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST(OsFileGather, PiecesLandInOrderWhateverEachCallWrites) {
    const std::string a = "first piece,", b, c = "x", d = std::string(3000, 'd') + "end";
    std::vector<dbase::OsFile::Piece> pieces = {
        {a.data(), a.size()}, {b.data(), 0}, {c.data(), c.size()}, {d.data(), d.size()}};
    // Many pieces, more than one system call takes.
    std::vector<std::string> many;
    for (int i = 0; i < 2500; ++i)
        many.push_back(std::to_string(i) + ";");
    for (const std::string& s : many)
        pieces.push_back({s.data(), s.size()});
    std::string expected = "HEAD" + a + b + c + d;
    for (const std::string& s : many)
        expected += s;

    for (const std::size_t most : {std::size_t{1} << 30, std::size_t{7}, std::size_t{1}}) {
        SCOPED_TRACE(most);
        tktest::TempDir dir;
        ShortWrites fs(most);
        EXPECT_EQ(gathered(dir.file("gather.bin"), pieces), expected);
    }

    // The system's own writes them with few calls.
    tktest::TempDir dir;
    EXPECT_EQ(gathered(dir.file("gather.bin"), pieces), expected);
}

TEST(OsFileGather, AFullDiskIsReported) {
    tktest::TempDir dir;
    ShortWrites fs(5);
    fs.failAt = 3;
    dbase::OsFile f = dbase::OsFile::create(dir.file("gather.bin"));
    const std::string a = "0123456789abcdef";
    const dbase::OsFile::Piece pieces[] = {{a.data(), a.size()}, {a.data(), a.size()}};
    try {
        f.writeGather(0, pieces, 2);
        ADD_FAILURE() << "no error";
    } catch (const dbase::Error& e) {
        EXPECT_EQ(e.kind(), dbase::Error::Kind::DiskFull);
    }
}

}  // namespace
