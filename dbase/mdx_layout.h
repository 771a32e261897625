// Byte offsets of the production index file, in one place. All integers are
// little-endian; every pointer is a 512-byte page number; tag headers and tree
// nodes take one 1024-byte block (two pages) each.
#pragma once

#include <cstdint>
#include <cstring>

namespace dbase::mdx {

constexpr int kPage = 512;
constexpr int kBlock = 1024;
constexpr int kPagesPerBlock = kBlock / kPage;
constexpr std::uint32_t kFirstBlockPage = 4;  // pages 0..3: file header and tag table

// File header (page 0).
namespace header {
constexpr int kVersion = 0;    // 2
constexpr int kCreated = 1;    // YY MM DD, YY = year - 1900
constexpr int kTableName = 4;  // 16 bytes, NUL padded
constexpr int kTableNameLength = 16;
constexpr int kBlockPages = 20;  // u16
constexpr int kBlockBytes = 22;  // u16
constexpr int kProduction = 24;  // 1
constexpr int kSlots = 25;       // 48
constexpr int kSlotLength = 26;  // 32
constexpr int kTagsInUse = 28;   // u16
constexpr int kNextTag = 30;
constexpr int kMarker31 = 31;   // 0x1B
constexpr int kPageCount = 32;  // u32, pages in the file
constexpr int kFreeList = 36;   // u32, 0 = none
constexpr int kUpdated = 44;    // YY MM DD
// Reserved in the format; this engine writes kCaseFoldedByCodePage there: the
// UPPER and LOWER of its character keys change the letters of the table's
// code page, not only ASCII ones as its earlier versions did.
constexpr int kKeyRule = 47;
constexpr std::uint8_t kCaseFoldedByCodePage = 1;
// Unused in the format (zero); this engine counts there (u16) the users
// changing the file in place: each adds one, on disk, before its first change
// of a block, and takes it away when it closes with every change on disk. A
// count left above zero when nobody has the table open is what a program that
// stopped part-way through a change leaves: the next user who has the table
// to itself rebuilds the index.
constexpr int kChangers = 48;
}  // namespace header

// Tag table: slot 0 at 512 anchors the tree of tag names; tag k (1-based) at
// 544 + 32 (k - 1).
namespace slot {
constexpr int kAnchor = 512;
constexpr int kFirst = 544;
constexpr int kLength = 32;
constexpr int kHeaderPage = 0;  // u32
constexpr int kName = 4;        // 11 bytes
constexpr int kKeyFormat = 15;  // 0x10
constexpr int kLeft = 16;       // slot of the left child in the name tree
constexpr int kRight = 17;
constexpr int kParent = 18;
constexpr int kMarker19 = 19;  // 0x02
constexpr int kKeyType = 20;
}  // namespace slot

// Tag header block.
namespace tag {
constexpr int kRoot = 0;            // u32 page
constexpr int kPages = 4;           // u32, pages of the tag's nodes
constexpr int kFormat = 8;          // 0x10 | 0x08 descending | 0x40 unique
constexpr int kKeyType = 9;         // 'C' 'N' 'D'
constexpr int kMarker11 = 11;       // 0x1B
constexpr int kKeyLength = 12;      // u16
constexpr int kMaxKeys = 14;        // u16
constexpr int kSecondaryType = 16;  // u16, 1 for date keys
constexpr int kItemLength = 18;     // u16
constexpr int kCounter = 20;        // changes count
constexpr int kUnique = 23;
constexpr int kExpression = 24;  // NUL terminated
constexpr int kExpressionLength = 221;
constexpr int kHasFilter = 245;
constexpr int kHasKeys = 246;
constexpr int kFirstLeaf = 248;         // u32
constexpr int kLastLeaf = 252;          // u32
constexpr int kDate = 257;              // YY MM DD
constexpr int kFilterExpression = 762;  // NUL terminated, when kHasFilter is 1
constexpr std::uint8_t kFormatField = 0x10;
constexpr std::uint8_t kFormatDescending = 0x08;
constexpr std::uint8_t kFormatUnique = 0x40;
}  // namespace tag

// Tree node block: a count, an unused word, then items of (pointer, key); the
// word after the last item is 0 in a leaf and the rightmost child in an
// interior node.
namespace node {
constexpr int kCount = 0;
constexpr int kItems = 8;
}  // namespace node

inline std::uint16_t get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Bytes of one item: a 4-byte pointer and the key, rounded up to 4.
inline int itemLength(int keyLength) {
    return (keyLength + 4 + 3) / 4 * 4;
}
// Items that fit one block with the trailing pointer word.
inline int maxKeys(int keyLength) {
    return (kBlock - 12) / itemLength(keyLength);
}

}  // namespace dbase::mdx
