// The header of a dBase table file: the 32-byte table header and the field
// descriptors that follow it. Parsing checks the header against the file
// it came from and refuses anything inconsistent before a single record is
// read; building produces the bytes the engine writes for a new table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/field.h"

namespace dbase {

namespace dbf {
// Byte offsets in the 32-byte table header.
inline constexpr int kVersion = 0;
inline constexpr int kUpdateYear = 1;  // year - 1900
inline constexpr int kUpdateMonth = 2;
inline constexpr int kUpdateDay = 3;
inline constexpr int kRecordCount = 4;    // u32
inline constexpr int kHeaderLength = 8;   // u16
inline constexpr int kRecordLength = 10;  // u16
inline constexpr int kEncrypted = 15;
inline constexpr int kProductionIndex = 28;
inline constexpr int kLanguageDriver = 29;
inline constexpr int kTableHeaderSize = 32;

// Field descriptors: 32 bytes each after the table header, ended by 0x0D.
inline constexpr int kDescriptorSize = 32;
inline constexpr int kDescName = 0;  // 11 bytes, NUL padded
inline constexpr int kDescType = 11;
inline constexpr int kDescWidth = 16;
inline constexpr int kDescDecimals = 17;
inline constexpr int kDescProductionTag = 31;

inline constexpr std::uint8_t kHeaderEnd = 0x0D;
inline constexpr std::uint8_t kEndOfFile = 0x1A;
inline constexpr char kLive = ' ';
inline constexpr char kDeleted = '*';

// Version bytes.
inline constexpr std::uint8_t kDBase3 = 0x03;
inline constexpr std::uint8_t kDBase3Memo = 0x83;
inline constexpr std::uint8_t kDBase4Memo = 0x8B;
inline constexpr std::uint8_t kFoxPro30 = 0x30;
inline constexpr std::uint8_t kFoxPro31 = 0x31;
inline constexpr std::uint8_t kFoxPro2Memo = 0xF5;

// The language driver of tables the engine creates: Windows-1252. 0x03 is
// the byte every reader maps to Windows-1252; 0x57 (which some read as
// ISO-8859-1, losing the letters and signs in 0x80..0x9F) is still read as
// Windows-1252.
inline constexpr std::uint8_t kWriteLanguageDriver = 0x03;

inline constexpr int kMaxFields = 255;
inline constexpr int kMaxCharWidth = 254;  // of the tables the engine creates
inline constexpr int kMaxNumericWidth = 20;
}  // namespace dbf

std::uint16_t readU16(const std::uint8_t* p);
std::uint32_t readU32(const std::uint8_t* p);
void writeU16(std::uint8_t* p, std::uint16_t v);
void writeU32(std::uint8_t* p, std::uint32_t v);

struct DbfHeader {
    std::uint8_t version = dbf::kDBase3;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t productionIndex = 0;
    std::uint8_t languageDriver = 0;
    std::vector<Field> fields;
    // The record count the header announces, when it runs past the records
    // the file holds (recordCount is then the number of whole records there).
    std::uint32_t announcedCount = 0;
    bool countAhead() const { return announcedCount > recordCount; }

    // True for the versions the engine may write to.
    bool writableVersion() const;
    bool hasMemoFields() const;
    // Byte offset of a record (1-based).
    std::uint64_t recordOffset(std::uint32_t recNo) const {
        return headerLength + std::uint64_t{recNo - 1} * recordLength;
    }
};

// Parses and checks the header bytes of a file of fileSize bytes. `bytes`
// holds at least the first min(fileSize, headerLength) bytes of the file (the
// caller reads 32 bytes, then headerLength). Throws Error::Kind::NotDBase,
// Damaged or Unsupported naming `path`.
//
// Field names are taken as the other program wrote them (blanks and letters
// of the table's code page included; trailing blanks dropped) and returned
// as UTF-8. A character field's width may exceed 254: its high byte is then
// in the decimals byte. A record count that runs past the end of the file
// (what an append cut short by a power loss leaves) is not refused: the
// header then counts the whole records the file holds (see countAhead()).
DbfHeader parseTableHeader(const std::uint8_t* bytes, std::size_t available, std::uint64_t fileSize,
                           const std::string& path);
// The header length the 32 fixed bytes announce, after checking that they
// look like a dBase table at all.
std::uint16_t announcedHeaderLength(const std::uint8_t* first32, std::uint64_t fileSize,
                                    const std::string& path);

// The complete header (table header, descriptors, terminator) for a new
// table; field offsets and the record length are computed here.
std::vector<std::uint8_t> buildTableHeader(std::vector<Field>& fields, std::uint32_t recordCount);

// Writes today's date into the three date bytes.
void stampUpdateDate(std::uint8_t* header32);

}  // namespace dbase
