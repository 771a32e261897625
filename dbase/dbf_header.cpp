#include "dbase/dbf_header.h"

#include <cstring>
#include <ctime>

#include "dbase/code_page.h"
#include "dbase/error.h"

namespace dbase {

std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

void writeU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

namespace {

bool knownVersion(std::uint8_t v) {
    switch (v) {
        case dbf::kDBase3:
        case dbf::kDBase3Memo:
        case dbf::kDBase4Memo:
        case dbf::kFoxPro30:
        case dbf::kFoxPro31:
        case dbf::kFoxPro2Memo:
            return true;
        default:
            return false;
    }
}

// Versions that are dBase-family tables of a kind the engine does not read.
bool foreignDBaseVersion(std::uint8_t v) {
    switch (v) {
        case 0x04:  // level 7
        case 0x8C:
        case 0x32:  // varchar tables
        case 0x43:  // SQL tables
        case 0x63:
        case 0xCB:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void damaged(const std::string& what, const std::string& path) {
    throw Error(Error::Kind::Damaged, "The table header is damaged: " + what, path);
}

std::string fieldLabel(int index, const std::string& name) {
    return "field " + std::to_string(index + 1) +
           (name.empty() ? std::string() : " (" + name + ")");
}

void checkFieldShape(const Field& f, int index, const std::string& path) {
    const std::string label = fieldLabel(index, f.name);
    auto bad = [&](const std::string& why) { damaged(label + " " + why + ".", path); };
    if (f.width < 1)
        bad("has no width");
    switch (f.type) {
        case FieldType::Character:
            break;
        case FieldType::Numeric:
        case FieldType::Float:
            if (f.decimals >= f.width && f.decimals != 0)
                bad("has more decimals than its width allows");
            break;
        case FieldType::Date:
            if (f.width != 8)
                bad("is a date field that is not 8 wide");
            break;
        case FieldType::Logical:
            if (f.width != 1)
                bad("is a logical field that is not 1 wide");
            break;
        case FieldType::Memo:
            if (f.width != 10 && f.width != 4)
                bad("is a memo field of an unknown width");
            break;
    }
}

}  // namespace

bool DbfHeader::writableVersion() const {
    return version == dbf::kDBase3 || version == dbf::kDBase3Memo || version == dbf::kDBase4Memo;
}

bool DbfHeader::hasMemoFields() const {
    for (const Field& f : fields) {
        if (f.type == FieldType::Memo)
            return true;
    }
    return false;
}

std::uint16_t announcedHeaderLength(const std::uint8_t* first32, std::uint64_t fileSize,
                                    const std::string& path) {
    if (fileSize == 0)
        throw Error(Error::Kind::NotDBase, "The file is empty; it is not a dBase table.", path);
    const std::uint8_t version = first32[dbf::kVersion];
    if (foreignDBaseVersion(version)) {
        throw Error(Error::Kind::Unsupported,
                    "This kind of dBase table (version byte " + std::to_string(version) +
                        ") is not supported.",
                    path);
    }
    if (!knownVersion(version))
        throw Error(Error::Kind::NotDBase, "The file is not a dBase table.", path);
    if (fileSize < dbf::kTableHeaderSize)
        damaged("the file is shorter than a table header.", path);
    if (first32[dbf::kEncrypted] != 0) {
        throw Error(Error::Kind::Unsupported,
                    "The table is encrypted; encrypted tables are not supported.", path);
    }
    const std::uint16_t headerLength = readU16(first32 + dbf::kHeaderLength);
    if (headerLength < dbf::kTableHeaderSize + dbf::kDescriptorSize + 1) {
        damaged(
            "the header length " + std::to_string(headerLength) + " is too small to hold a field.",
            path);
    }
    if (headerLength > fileSize) {
        damaged(
            "the header length " + std::to_string(headerLength) + " is beyond the end of the file.",
            path);
    }
    return headerLength;
}

DbfHeader parseTableHeader(const std::uint8_t* bytes, std::size_t available, std::uint64_t fileSize,
                           const std::string& path) {
    const std::uint16_t headerLength = announcedHeaderLength(bytes, fileSize, path);
    if (available < headerLength)
        damaged("the header could not be read in full.", path);

    DbfHeader h;
    h.version = bytes[dbf::kVersion];
    h.recordCount = readU32(bytes + dbf::kRecordCount);
    h.headerLength = headerLength;
    h.recordLength = readU16(bytes + dbf::kRecordLength);
    h.productionIndex = bytes[dbf::kProductionIndex];
    h.languageDriver = bytes[dbf::kLanguageDriver];

    const CodePage& page = CodePage::forLanguageDriver(h.languageDriver);
    std::size_t pos = dbf::kTableHeaderSize;
    int offset = 1;  // byte 0 of a record is the deleted flag
    bool terminated = false;
    while (pos < headerLength) {
        if (bytes[pos] == dbf::kHeaderEnd) {
            terminated = true;
            break;
        }
        if (pos + dbf::kDescriptorSize > headerLength)
            damaged("the field list runs past the header length.", path);
        const int index = static_cast<int>(h.fields.size());
        if (index >= dbf::kMaxFields)
            damaged("it lists too many fields.", path);
        const std::uint8_t* d = bytes + pos;
        Field f;
        // Other programs write names with blanks and with letters of the
        // table's code page; control characters are damage.
        std::string name;
        for (int i = 0; i < 11 && d[dbf::kDescName + i] != 0; ++i) {
            const std::uint8_t c = d[dbf::kDescName + i];
            if (c < 0x20 || c == 0x7F)
                damaged(fieldLabel(index, {}) + " has an invalid name.", path);
            name.push_back(static_cast<char>(c));
        }
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (name.empty())
            damaged(fieldLabel(index, {}) + " has no name.", path);
        page.decode(name, f.name);
        const std::uint8_t type = d[dbf::kDescType];
        if (type <= 0x20 || type >= 0x7F)
            damaged(fieldLabel(index, f.name) + " has an invalid type.", path);
        f.type = static_cast<FieldType>(type);
        f.width = d[dbf::kDescWidth];
        f.decimals = d[dbf::kDescDecimals];
        if (f.type == FieldType::Character) {
            // A character field wider than 254 keeps its width's high byte
            // where other fields keep their decimals.
            f.width |= f.decimals << 8;
            f.decimals = 0;
        }
        f.offset = offset;
        checkFieldShape(f, index, path);
        offset += f.width;
        h.fields.push_back(std::move(f));
        pos += dbf::kDescriptorSize;
    }
    if (!terminated)
        damaged("the field list has no end mark.", path);
    if (h.fields.empty())
        damaged("the table has no fields.", path);
    if (h.recordLength != offset) {
        damaged("the record length " + std::to_string(h.recordLength) +
                    " does not match the fields (" + std::to_string(offset) + ").",
                path);
    }
    const std::uint64_t needed =
        std::uint64_t{headerLength} + std::uint64_t{h.recordCount} * h.recordLength;
    if (needed > fileSize) {
        // Records are written before the count, so this is not what an
        // interrupted append leaves; but a power loss can lose the end of
        // the file while keeping the header. The whole records are used.
        h.announcedCount = h.recordCount;
        h.recordCount = static_cast<std::uint32_t>((fileSize - headerLength) / h.recordLength);
    }
    return h;
}

std::vector<std::uint8_t> buildTableHeader(std::vector<Field>& fields, std::uint32_t recordCount) {
    const std::size_t length = dbf::kTableHeaderSize + fields.size() * dbf::kDescriptorSize + 1;
    std::vector<std::uint8_t> out(length, 0);
    int offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Field& f = fields[i];
        f.offset = offset;
        offset += f.width;
        std::uint8_t* d = out.data() + dbf::kTableHeaderSize + i * dbf::kDescriptorSize;
        std::memcpy(d + dbf::kDescName, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
        d[dbf::kDescType] = static_cast<std::uint8_t>(f.type);
        d[dbf::kDescWidth] = static_cast<std::uint8_t>(f.width);
        d[dbf::kDescDecimals] = static_cast<std::uint8_t>(f.decimals);
    }
    out[length - 1] = dbf::kHeaderEnd;
    out[dbf::kVersion] = dbf::kDBase3;
    stampUpdateDate(out.data());
    writeU32(out.data() + dbf::kRecordCount, recordCount);
    writeU16(out.data() + dbf::kHeaderLength, static_cast<std::uint16_t>(length));
    writeU16(out.data() + dbf::kRecordLength, static_cast<std::uint16_t>(offset));
    out[dbf::kLanguageDriver] = dbf::kWriteLanguageDriver;
    return out;
}

void stampUpdateDate(std::uint8_t* header32) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    header32[dbf::kUpdateYear] = static_cast<std::uint8_t>(local.tm_year);  // years since 1900
    header32[dbf::kUpdateMonth] = static_cast<std::uint8_t>(local.tm_mon + 1);
    header32[dbf::kUpdateDay] = static_cast<std::uint8_t>(local.tm_mday);
}

}  // namespace dbase
