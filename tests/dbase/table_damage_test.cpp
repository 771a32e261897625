// Missing, foreign and damaged files are refused with the right kind of
// error, without a crash and without a byte of the file changing.
#include <gtest/gtest.h>

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

TEST_F(DamagedTable, TruncatedFilesAreRefusedAtEveryLength) {
    // Cutting off the EOF mark alone is harmless; anything more is damage.
    for (size_t len = 0; len + 1 < good.size(); len += (len < 200 ? 1 : 29)) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(len));
        const auto kind = openChanged(cut);
        ASSERT_TRUE(kind.has_value()) << "opened a file cut to " << len;
        EXPECT_TRUE(*kind == Error::Kind::Damaged || *kind == Error::Kind::NotDBase) << len;
    }
    EXPECT_FALSE(openChanged(std::vector<std::uint8_t>(good.begin(), good.end() - 1)).has_value());
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
    EXPECT_EQ(openChanged(with(o::kRecordCount, {6, 0, 0, 0})),
              Error::Kind::Damaged);  // beyond the file
    EXPECT_EQ(openChanged(with(o::kRecordCount, {0xFF, 0xFF, 0xFF, 0xFF})), Error::Kind::Damaged);
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
