// Field definitions of a dBase table.
#pragma once

#include <string>

namespace dbase {

// The dBase type letters the engine knows. Character, Numeric, Float and Date
// are read and written; Logical and Memo are read only.
enum class FieldType : char {
    Character = 'C',
    Numeric = 'N',
    Float = 'F',
    Date = 'D',
    Logical = 'L',
    Memo = 'M',
};

// What a caller asks for when creating a table. Names are stored upper-cased
// and cut to 10 characters; a Date field is always 8 wide.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::Character;
    int width = 10;
    int decimals = 0;
};

// A field as found in an open table.
struct Field {
    std::string name;  // as stored in the file (upper case for files the engine writes)
    FieldType type = FieldType::Character;
    int width = 0;  // bytes in the record
    int decimals = 0;
    int offset = 0;  // byte offset inside the record (the deleted flag is byte 0)
};

}  // namespace dbase
