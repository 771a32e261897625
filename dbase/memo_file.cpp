#include "dbase/memo_file.h"

#include <array>
#include <vector>

#include "dbase/dbf_header.h"
#include "dbase/error.h"
#include "dbase/file_names.h"

namespace dbase {

namespace {

std::uint32_t readBigU32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

bool foxPro(std::uint8_t version) {
    return version == dbf::kFoxPro30 || version == dbf::kFoxPro31 || version == dbf::kFoxPro2Memo;
}

// A memo longer than this is taken for damage rather than text.
constexpr std::uint32_t kMaxMemo = 16u << 20;

}  // namespace

std::string MemoFile::pathFor(const std::string& tablePath, std::uint8_t version) {
    return siblingWithExtension(tablePath, foxPro(version) ? "FPT" : "DBT");
}

void MemoFile::open(const std::string& tablePath, std::uint8_t version) {
    const std::string path = pathFor(tablePath, version);
    try {
        file_ = OsFile::open(path, OsFile::Access::Read);
    } catch (const Error&) {
        throw Error(Error::Kind::NotFound,
                    "The memo file of the table is missing or cannot be opened.", path);
    }
    size_ = file_.size();
    std::array<std::uint8_t, 32> head{};
    const std::size_t got = file_.readAt(0, head.data(), head.size());
    if (foxPro(version)) {
        format_ = Format::FoxPro;
        blockSize_ = got >= 8 ? static_cast<std::uint32_t>((head[6] << 8) | head[7]) : 0;
        if (blockSize_ == 0)
            blockSize_ = 64;
    } else if (version == dbf::kDBase4Memo) {
        format_ = Format::DBase4;
        blockSize_ = got >= 22 ? readU16(head.data() + 20) : 0;
        if (blockSize_ == 0)
            blockSize_ = 512;
    } else {
        format_ = Format::DBase3;
        blockSize_ = 512;
    }
}

std::string MemoFile::read(std::uint32_t block) const {
    if (block == 0)
        return {};
    const std::uint64_t offset = std::uint64_t{block} * blockSize_;
    auto damaged = [&]() {
        return Error(Error::Kind::Damaged,
                     "Memo block " + std::to_string(block) + " is damaged or missing.",
                     file_.path());
    };
    if (offset >= size_)
        throw damaged();
    std::uint8_t head[8] = {};
    const std::size_t got = file_.readAt(offset, head, sizeof head);
    std::uint64_t start = offset;
    std::uint64_t length = 0;
    bool terminated = false;  // ends at the first 0x1A instead of a stored length
    if (format_ == Format::FoxPro) {
        if (got < 8)
            throw damaged();
        start = offset + 8;
        length = readBigU32(head + 4);
    } else if (format_ == Format::DBase4 && got == 8 && head[0] == 0xFF && head[1] == 0xFF &&
               head[2] == 0x08 && head[3] == 0x00) {
        start = offset + 8;
        const std::uint32_t stored = readU32(head + 4);
        length = stored >= 8 ? stored - 8 : 0;
    } else {
        terminated = true;
        length = std::min<std::uint64_t>(size_ - offset, kMaxMemo);
    }
    if (length > kMaxMemo || start + length > size_)
        throw damaged();
    std::string out(static_cast<std::size_t>(length), '\0');
    file_.readExact(start, out.data(), out.size());
    if (terminated) {
        const std::size_t end = out.find('\x1A');
        if (end != std::string::npos)
            out.resize(end);
    }
    return out;
}

}  // namespace dbase
