#include "dbase/index_records.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace dbase {

namespace {
// Fills the page tables of a mapped range (Linux 5.14 on); older kernels
// refuse it and the pages are faulted in as they are read.
#ifdef MADV_POPULATE_READ
constexpr int kPopulateRead = MADV_POPULATE_READ;
#else
constexpr int kPopulateRead = 22;
#endif
}  // namespace

void MappedRecords::reset(int fd, std::uint64_t headerLength, std::uint32_t recordLength) {
    unmap();
    fd_ = fd;
    headerLength_ = headerLength;
    recordLength_ = recordLength == 0 ? 1 : recordLength;
    failed_ = false;
}

void MappedRecords::unmap() {
    if (base_ != nullptr)
        ::munmap(const_cast<std::uint8_t*>(base_), length_);
    base_ = nullptr;
    length_ = 0;
    mappedSize_ = 0;
    valid_ = 0;
    stretchStart_ = stretchEnd_ = 0;
}

bool MappedRecords::map() {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size <= 0)
        return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size <= length_)
        return false;  // the file has not grown
    unmap();
    // Room to grow: records appended later are read through the same map
    // (pages past the end of the file become readable as the file grows, and
    // no record past the table's count is ever read).
    const std::size_t length = size + std::max<std::size_t>(size / 4, std::size_t{16} << 20);
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd_, 0);
    if (p == MAP_FAILED) {
        failed_ = true;
        return false;
    }
    base_ = static_cast<const std::uint8_t*>(p);
    length_ = length;
    mappedSize_ = size;
    return true;
}

void MappedRecords::populate() {
    if (base_ == nullptr && !map())
        return;
    // A walk in key order touches every page, and one pass of the kernel
    // over the file is much cheaper than a fault per page.
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    ::madvise(const_cast<std::uint8_t*>(base_), mappedSize_ / page * page, kPopulateRead);
}

void MappedRecords::release() {
    if (base_ != nullptr)
        ::madvise(const_cast<std::uint8_t*>(base_), length_, MADV_DONTNEED);
    stretchStart_ = stretchEnd_ = 0;
}

const std::uint8_t* MappedRecords::inOrder(std::uint32_t recNo, std::uint32_t aheadBytes) {
    const std::uint8_t* p = record(recNo);
    if (p == nullptr)
        return nullptr;
    const std::uint64_t end = headerLength_ + std::uint64_t{recNo} * recordLength_;
    if (end <= stretchEnd_ && end > stretchStart_) {
        // A record a few places on, while this one is read: within the filled
        // stretch, where the fetch cannot be dropped for a missing page.
        if (end + std::uint64_t{kInOrderAhead} * recordLength_ <= stretchEnd_)
            prefetch(recNo + kInOrderAhead, aheadBytes);
        return p;
    }
    const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    auto* base = const_cast<std::uint8_t*>(base_);
    const std::uint64_t from = (end - recordLength_) / page * page;
    if (stretchEnd_ > stretchStart_)
        ::madvise(base + stretchStart_, stretchEnd_ - stretchStart_, MADV_DONTNEED);
    // Only whole pages the file holds are filled; the last one is faulted in.
    const std::uint64_t to = std::min(from + kStretch, valid_ / page * page);
    if (to > from)
        ::madvise(base + from, to - from, kPopulateRead);
    stretchStart_ = from;
    stretchEnd_ = std::max(to, end);
    return p;
}

const std::uint8_t* MappedRecords::record(std::uint32_t recNo) {
    if (failed_ || recNo == 0)
        return nullptr;
    const std::uint64_t end = headerLength_ + std::uint64_t{recNo} * recordLength_;
    if (end > valid_) {
        // Past what the file held when last looked at: only bytes the file
        // holds now may be read (a page past its end would fault).
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0)
            return nullptr;
        if (end > static_cast<std::uint64_t>(st.st_size))
            return nullptr;
        if (end > length_ && !map())
            return nullptr;
        valid_ = static_cast<std::uint64_t>(st.st_size);
    }
    return base_ + (end - recordLength_);
}

}  // namespace dbase
