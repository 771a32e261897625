#include "dbase/index_records.h"

#include <sys/mman.h>
#include <sys/stat.h>

namespace dbase {

void MappedRecords::reset(int fd, std::uint64_t headerLength, std::uint32_t recordLength) {
    unmap();
    fd_ = fd;
    headerLength_ = headerLength;
    recordLength_ = recordLength == 0 ? 1 : recordLength;
    failed_ = false;
}

void MappedRecords::unmap() {
    if (base_ != nullptr) ::munmap(const_cast<std::uint8_t*>(base_), length_);
    base_ = nullptr;
    length_ = 0;
}

bool MappedRecords::map() {
    struct stat st{};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size <= 0) return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size <= length_) return false;  // the file has not grown
    unmap();
    // Populated at once: a walk in key order touches every page, and one
    // pass of the kernel over the file is much cheaper than a fault per page.
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd_, 0);
    if (p == MAP_FAILED) {
        failed_ = true;
        return false;
    }
    base_ = static_cast<const std::uint8_t*>(p);
    length_ = size;
    return true;
}

void MappedRecords::release() {
    if (base_ != nullptr) ::madvise(const_cast<std::uint8_t*>(base_), length_, MADV_DONTNEED);
}

const std::uint8_t* MappedRecords::record(std::uint32_t recNo) {
    if (failed_ || recNo == 0) return nullptr;
    const std::uint64_t end = headerLength_ + std::uint64_t{recNo} * recordLength_;
    if (end > length_ && !map()) return nullptr;
    if (end > length_) return nullptr;
    return base_ + (end - recordLength_);
}

}  // namespace dbase
