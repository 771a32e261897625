#include "dbase/record_cache.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "dbase/error.h"
#include "dbase/os_file.h"

namespace dbase {

namespace {
constexpr std::uint64_t kPage = 4096;
}

void RecordCache::FreeAligned::operator()(std::uint8_t* p) const {
    std::free(p);
}

RecordCache::RecordCache(std::size_t capacity) : capacity_(capacity) {}

void RecordCache::reset(const OsFile* file, std::uint64_t headerLength,
                        std::uint32_t recordLength) {
    file_ = file;
    headerLength_ = headerLength;
    recordLength_ = recordLength == 0 ? 1 : recordLength;
    // The window must hold at least two records whatever their alignment.
    std::size_t want = capacity_;
    while (want < 2 * (std::size_t{recordLength_} + kPage))
        want *= 2;
    if (!buffer_ || want != capacity_) {
        capacity_ = want;
        void* p = std::aligned_alloc(kPage, capacity_);
        if (p == nullptr)
            throw std::bad_alloc();
        buffer_.reset(static_cast<std::uint8_t*>(p));
    }
    invalidate();
}

const std::uint8_t* RecordCache::record(std::uint32_t recNo, bool backward) {
    if (recNo < first_ || recNo >= first_ + count_ || count_ == 0) {
        if (backward) {
            const std::uint32_t span =
                static_cast<std::uint32_t>((capacity_ - kPage) / recordLength_);
            load(recNo > span ? recNo - span + 1 : 1);
            if (recNo < first_ || recNo >= first_ + count_)
                load(recNo);
        } else {
            load(recNo);
        }
    }
    return buffer_.get() +
           (headerLength_ + std::uint64_t{recNo - 1} * recordLength_ - bufferOffset_);
}

void RecordCache::load(std::uint32_t firstRecNo) {
    invalidate();
    const std::uint64_t recordStart = headerLength_ + std::uint64_t{firstRecNo - 1} * recordLength_;
    bufferOffset_ = recordStart & ~(kPage - 1);
    const std::size_t got = file_->readAt(bufferOffset_, buffer_.get(), capacity_);
    const std::uint64_t end = bufferOffset_ + got;
    if (end < recordStart + recordLength_) {
        throw Error(Error::Kind::Damaged,
                    "The file ends before record " + std::to_string(firstRecNo) + ".",
                    file_->path());
    }
    first_ = firstRecNo;
    count_ = static_cast<std::uint32_t>((end - recordStart) / recordLength_);
}

void RecordCache::patch(std::uint32_t recNo, const std::uint8_t* bytes) {
    if (count_ != 0 && recNo == first_ + count_) {
        // A record appended just after the window joins it when it fits, so
        // that reading back what was just appended reads nothing.
        const std::uint64_t end = headerLength_ + std::uint64_t{recNo} * recordLength_;
        if (end - bufferOffset_ <= capacity_)
            ++count_;
    }
    if (count_ == 0 || recNo < first_ || recNo >= first_ + count_)
        return;
    std::memcpy(
        buffer_.get() + (headerLength_ + std::uint64_t{recNo - 1} * recordLength_ - bufferOffset_),
        bytes, recordLength_);
}

}  // namespace dbase
