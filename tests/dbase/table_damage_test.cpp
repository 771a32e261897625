// Missing, foreign and damaged files are refused with the right kind of
// error, without a crash and without a byte of the file changing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "dbase/dbf_header.h"
#include "dbase/file_names.h"
#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::Table;
using tktest::TempDir;

// Opens the file; returns the kind of the error, or nullopt when it opened
// (reading every record and field then).
std::optional<Error::Kind> openKind(const std::string& path, bool readOnly = false) {
    Table t;
    t.setFileName(path);
    t.setReadOnly(readOnly);
    try {
        t.open();
    } catch (const Error& e) {
        // The message names the table, or the file beside it that is missing.
        EXPECT_NE(std::string(e.what()).find(dbase::directoryOf(path)), std::string::npos)
            << e.what();
        EXPECT_FALSE(t.isOpen());
        return e.kind();
    }
    try {
        for (t.first(); !t.eof(); t.next()) {
            for (int f = 0; f < t.fieldCount(); ++f)
                (void)t.asString(f);
        }
    } catch (const Error& e) {
        // A flipped type letter makes a field of a type the engine cannot read.
        EXPECT_EQ(e.kind(), Error::Kind::Unsupported)
            << "opened, then failed reading: " << e.what();
    }
    return std::nullopt;
}

class DamagedTable : public ::testing::Test {
  protected:
    void SetUp() override {
        path = tktest::makeSampleTable(dir, 5);
        good = tktest::readBytes(path);
    }
    // Writes a changed copy, opens it, and checks it is left byte for byte.
    std::optional<Error::Kind> openChanged(const std::vector<std::uint8_t>& bytes) {
        tktest::writeBytes(path, bytes);
        auto kind = openKind(path);
        EXPECT_EQ(tktest::readBytes(path), bytes) << "a failed open changed the file";
        return kind;
    }
    std::vector<std::uint8_t> with(size_t offset, std::vector<std::uint8_t> values) {
        auto b = good;
        for (size_t i = 0; i < values.size(); ++i)
            b[offset + i] = values[i];
        return b;
    }
    TempDir dir;
    std::string path;
    std::vector<std::uint8_t> good;
};

// Runs `work` in a child process for which `dir` may not be written, and
// returns its exit status. Run as root (for whom a folder's permissions do
// not hold), the child gives up its privileges for those of "nobody", who
// then owns the folder's files but may not add or remove any.
int inFolderThatMayNotBeWritten(const std::string& dir, const std::function<int()>& work) {
    constexpr unsigned kNobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        for (const auto& e : std::filesystem::directory_iterator(dir))
            EXPECT_EQ(::chown(e.path().c_str(), kNobody, kNobody), 0);
        EXPECT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EQ(::chmod(dir.c_str(), 0555), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(100);
        int status = 99;
        try {
            status = work();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod(dir.c_str(), 0700);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TableOpen, IndexChangesInAFolderThatMayNotBeWrittenChangeNoFile) {
    TempDir dir;
    const std::string path = tktest::makeSampleTable(dir, 3);
    {
        Table t;
        t.setFileName(path);
        t.addIndexTag("NEWINDEX", "UPPER(TITLE)");
    }
    const std::string mdx = dir.file("BOOKS.MDX");
    const auto table = tktest::readBytes(path);
    const auto index = tktest::readBytes(mdx);
    // What opening a collection with its sort tag does: the tag dropped (the
    // last one: the index file would go) and added afresh. Both fail.
    const int status = inFolderThatMayNotBeWritten(dir.path(), [&] {
        Table t;
        t.setFileName(path);
        try {
            t.deleteIndexTag("NEWINDEX");
            return 1;
        } catch (const Error&) {
        }
        try {
            t.addIndexTag("NEWINDEX", "UPPER(LEFT(TITLE, 10))");
            return 2;
        } catch (const Error&) {
        }
        // The table still opens with its index.
        t.setIndexTag("NEWINDEX");
        t.open();
        return t.recordCount() == 3 ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(tktest::readBytes(path), table) << "the table changed";
    EXPECT_EQ(tktest::readBytes(mdx), index) << "the index changed";
}

TEST(TableOpen, MissingAndForeignFilesAreRefused) {
    TempDir dir;
    EXPECT_EQ(openKind(dir.file("NONE.DBF")), Error::Kind::NotFound);
    tktest::writeBytes(dir.file("EMPTY.DBF"), {});
    EXPECT_EQ(openKind(dir.file("EMPTY.DBF")), Error::Kind::NotDBase);
    const std::string text = "Title,Author\nWar and Peace,Tolstoy\n";
    tktest::writeBytes(dir.file("CSV.DBF"), std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(openKind(dir.file("CSV.DBF")), Error::Kind::NotDBase);
    // A level-7 table is a dBase table of a kind not read here.
    auto level7 = std::vector<std::uint8_t>(600, 0);
    level7[0] = 0x04;
    tktest::writeBytes(dir.file("L7.DBF"), level7);
    EXPECT_EQ(openKind(dir.file("L7.DBF")), Error::Kind::Unsupported);
}

TEST_F(DamagedTable, TruncatedFilesOpenWithTheirWholeRecordsOrAreRefused) {
    // A file cut inside its header is damage; one cut among its records (the
    // end lost in a power failure) opens with the whole records it holds.
    const size_t headerLength = 32 + 5 * 32 + 1;
    const size_t recordLength = 1 + 30 + 4 + 12 + 8 + 3;
    for (size_t len = 0; len + 1 < good.size(); len += (len < 200 ? 1 : 29)) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(len));
        const auto kind = openChanged(cut);
        if (len < headerLength) {
            ASSERT_TRUE(kind.has_value()) << "opened a file cut to " << len;
            EXPECT_TRUE(*kind == Error::Kind::Damaged || *kind == Error::Kind::NotDBase) << len;
            continue;
        }
        ASSERT_FALSE(kind.has_value()) << "refused a file cut to " << len;
        Table t;
        t.setFileName(path);
        t.setReadOnly(true);
        t.open();
        EXPECT_EQ(t.physicalRecordCount(), (len - headerLength) / recordLength) << len;
        EXPECT_EQ(t.openWarnings().size(), 1u) << len;
    }
    EXPECT_FALSE(openChanged(std::vector<std::uint8_t>(good.begin(), good.end() - 1)).has_value());
}

TEST_F(DamagedTable, CountAheadOfTheRecordsIsReportedAndRepairedByTheNextWriter) {
    const size_t headerLength = 32 + 5 * 32 + 1;
    const size_t recordLength = 58;
    // The last record lost half its bytes; the header still counts five.
    std::vector<std::uint8_t> cut(
        good.begin(),
        good.begin() + static_cast<long>(headerLength + 4 * recordLength + recordLength / 2));
    tktest::writeBytes(path, cut);
    {
        Table t;
        t.setFileName(path);
        t.open();
        EXPECT_EQ(t.recordCount(), 4u);
        ASSERT_EQ(t.openWarnings().size(), 1u);
        const std::string& w = t.openWarnings()[0];
        EXPECT_NE(w.find("counts 5"), std::string::npos) << w;
        EXPECT_NE(w.find("only 4"), std::string::npos) << w;
        t.last();
        EXPECT_EQ(t.asString(0), "Book 4");
    }
    EXPECT_EQ(tktest::readBytes(path), cut) << "opening changed the file";

    // An append follows the last whole record and corrects the count.
    {
        Table t;
        t.setFileName(path);
        t.open();
        tktest::appendBook(t, "New", 2000, 1);
        EXPECT_EQ(t.physicalRecordCount(), 5u);
    }
    auto bytes = tktest::readBytes(path);
    EXPECT_EQ(bytes[dbase::dbf::kRecordCount], 5);
    EXPECT_EQ(bytes.size(), headerLength + 5 * recordLength + 1);
    {
        Table t;
        t.setFileName(path);
        t.open();
        EXPECT_TRUE(t.openWarnings().empty());
        EXPECT_EQ(tktest::column(t, "TITLE"),
                  (std::vector<std::string>{"Book 1", "Book 2", "Book 3", "Book 4", "New"}));
    }

    // Changing a record corrects the count as well.
    tktest::writeBytes(path, cut);
    {
        Table t;
        t.setFileName(path);
        t.open();
        t.first();
        t.edit();
        t.setString(0, "Changed");
        t.post();
    }
    bytes = tktest::readBytes(path);
    EXPECT_EQ(bytes[dbase::dbf::kRecordCount], 4);
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_TRUE(t.openWarnings().empty());
}

TEST_F(DamagedTable, InconsistentLengthsAndCountsAreDamage) {
    namespace o = dbase::dbf;
    EXPECT_EQ(openChanged(with(o::kHeaderLength, {0x20, 0x00})),
              Error::Kind::Damaged);  // too small
    EXPECT_EQ(openChanged(with(o::kHeaderLength, {0xFF, 0xFF})),
              Error::Kind::Damaged);  // past the end
    EXPECT_EQ(openChanged(with(o::kHeaderLength, {0xA1, 0x00})),
              Error::Kind::Damaged);  // inside a descriptor
    EXPECT_EQ(openChanged(with(o::kRecordLength, {59, 0})),
              Error::Kind::Damaged);  // not the fields' sum
    EXPECT_EQ(openChanged(with(o::kRecordLength, {0, 0})), Error::Kind::Damaged);
    // A count beyond the file opens with the records there (see below).
    EXPECT_FALSE(openChanged(with(o::kRecordCount, {6, 0, 0, 0})).has_value());
    EXPECT_FALSE(openChanged(with(o::kRecordCount, {0xFF, 0xFF, 0xFF, 0xFF})).has_value());
    EXPECT_EQ(openChanged(with(32 + o::kDescWidth, {0})), Error::Kind::Damaged);  // zero width
    EXPECT_EQ(openChanged(with(32 + 3 * 32 + o::kDescWidth, {9})),
              Error::Kind::Damaged);  // date not 8
    EXPECT_EQ(openChanged(with(32 + 32 + o::kDescDecimals, {7})),
              Error::Kind::Damaged);                                          // decimals > width
    EXPECT_EQ(openChanged(with(32 + 5 * 32, {0x00})), Error::Kind::Damaged);  // no end mark
    EXPECT_EQ(openChanged(with(32, {0x00})), Error::Kind::Damaged);           // nameless field
    EXPECT_EQ(openChanged(with(o::kEncrypted, {1})), Error::Kind::Unsupported);
    // Fewer records than the file holds is not damage: the rest is ignored.
    EXPECT_FALSE(openChanged(with(o::kRecordCount, {4, 0, 0, 0})).has_value());
}

TEST_F(DamagedTable, EveryBitFlipInTheHeaderOpensOrFailsCleanly) {
    const size_t headerLength = 32 + 5 * 32 + 1;
    int refused = 0;
    for (size_t byte = 0; byte < headerLength; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            auto b = good;
            b[byte] ^= static_cast<std::uint8_t>(1 << bit);
            if (openChanged(b).has_value())
                ++refused;
        }
    }
    EXPECT_GT(refused, 100);
}

TEST_F(DamagedTable, UnknownFieldTypesOpenButTheirValuesAreUnsupported) {
    auto b = with(32 + 4 * 32 + dbase::dbf::kDescType, {'Q'});
    tktest::writeBytes(path, b);
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.asString(0), "Book 1");
    try {
        (void)t.asString(4);
        ADD_FAILURE() << "read a field of unknown type";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Unsupported);
        EXPECT_NE(std::string(e.what()).find("CHECKOUT"), std::string::npos);
    }
}

}  // namespace
