// Table::create: a new, empty table from field definitions.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "dbase/dbf_header.h"
#include "dbase/file_names.h"
#include "dbase/os_file.h"
#include "dbase/table.h"

namespace dbase {

namespace {

bool nameCharacter(char c, bool firstChar) {
    const bool letter = (c >= 'A' && c <= 'Z');
    if (firstChar)
        return letter;
    return letter || (c >= '0' && c <= '9') || c == '_';
}

std::vector<Field> checkedFields(const std::vector<FieldDef>& defs, const std::string& path) {
    auto bad = [&](const std::string& why) { throw Error(Error::Kind::InvalidValue, why, path); };
    if (defs.empty())
        bad("A table needs at least one field.");
    if (defs.size() > static_cast<size_t>(dbf::kMaxFields))
        bad("A table can have at most 255 fields.");
    std::vector<Field> fields;
    std::set<std::string> names;
    for (const FieldDef& def : defs) {
        Field f;
        for (char c : def.name.substr(0, 10))
            f.name.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
        const std::string label = "The field \"" + def.name + "\"";
        if (f.name.empty())
            bad("A field has no name.");
        for (size_t i = 0; i < f.name.size(); ++i) {
            if (!nameCharacter(f.name[i], i == 0)) {
                bad(label +
                    " has a name that is not a letter followed by letters, digits or \"_\".");
            }
        }
        if (!names.insert(f.name).second)
            bad(label + " is named like another field.");
        f.type = def.type;
        f.width = def.width;
        f.decimals = def.decimals;
        switch (def.type) {
            case FieldType::Character:
                if (f.width < 1 || f.width > dbf::kMaxCharWidth)
                    bad(label + " must be 1 to 254 characters wide.");
                f.decimals = 0;
                break;
            case FieldType::Numeric:
            case FieldType::Float:
                if (f.width < 1 || f.width > dbf::kMaxNumericWidth)
                    bad(label + " must be 1 to 20 characters wide.");
                if (f.decimals < 0 || f.decimals > 15 ||
                    (f.decimals > 0 && f.decimals > f.width - 2)) {
                    bad(label + " has more decimals than its width allows.");
                }
                break;
            case FieldType::Date:
                f.width = 8;
                f.decimals = 0;
                break;
            default:
                throw Error(
                    Error::Kind::Unsupported,
                    label +
                        " has a type that new tables cannot have (only character, numeric, float "
                        "and date fields).",
                    path);
        }
        fields.push_back(std::move(f));
    }
    return fields;
}

// The file at `path` opened and locked against every other user, or a
// closed file when there is none; Locked when another user holds it.
OsFile lockForReplacing(const std::string& path) {
    OsFile old;
    if (!fileExists(path))
        return old;
    try {
        old = OsFile::open(path, OsFile::Access::ReadWrite);
    } catch (const Error&) {
        old = OsFile::open(path, OsFile::Access::Read);
    }
    const bool free = old.writable()
                          ? old.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Exclusive)
                          : !old.wouldConflict(OsFile::kOpenLockByte, OsFile::LockType::Exclusive);
    if (!free)
        throw Error(Error::Kind::Locked, "The table is in use and cannot be replaced.", path);
    return old;
}

}  // namespace

void Table::checkReplaceable(const std::string& path) {
    lockForReplacing(path).release();
}

void Table::replaceFile(const std::string& built, const std::string& path) {
    OsFile old = lockForReplacing(path);
    OsFile::replace(built, path);
    old.release();
}

void Table::create(const std::string& path, const std::vector<FieldDef>& defs) {
    std::vector<Field> fields = checkedFields(defs, path);
    std::vector<std::uint8_t> bytes = buildTableHeader(fields, 0);
    if (bytes.size() > 0xFFFF)
        throw Error(Error::Kind::InvalidValue, "The table has too many fields.", path);
    int recordLength = 1;
    for (const Field& f : fields)
        recordLength += f.width;
    if (recordLength > 0xFFFF)
        throw Error(Error::Kind::InvalidValue, "The records would be too long.", path);
    bytes.push_back(dbf::kEndOfFile);

    // A table in use is not replaced under its users' feet. The old file stays
    // locked until the new one has taken its name.
    OsFile old = lockForReplacing(path);

    const std::string temp = path + ".creating";
    try {
        OsFile out = OsFile::create(temp);
        out.writeAt(0, bytes.data(), bytes.size());
        out.sync();
        out.close();
        OsFile::replace(temp, path);
    } catch (const Error& e) {
        OsFile::discard(temp);
        // The user knows the table, not the temporary name.
        const std::string what = e.what();
        throw Error(e.kind(), what.substr(0, what.find('\n')), path);
    } catch (...) {
        OsFile::discard(temp);
        throw;
    }
}

}  // namespace dbase
