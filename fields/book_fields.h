// The book field table: the 36 fields of a collection, in their physical
// order. Everything that walks the fields (creating a table, validating a
// file, the grid, the sort expression, the query form, import and export,
// reports) works from this one table. Plain C++: the settings layer uses it
// for its defaults.
#pragma once

#include <array>
#include <string_view>

namespace fields {

enum class FieldKind { String = 1, Integer = 2, Float = 3, Date = 4 };

struct BookField {
    int number;             // 1 to 36
    std::string_view name;  // the dBase field name as the program writes it
    FieldKind kind;
    int width;                  // string: field width; others: display and print width
    char letter;                // 'C', 'N' or 'D'
    std::string_view caption;   // default column caption, at most 20 characters
    int list;                   // pick-list number 1 to 9, 0 for none
    std::string_view listFile;  // the pick-list file, empty for none
};

inline constexpr int kFieldCount = 36;

// Indexed by field number: bookField(1) is "Title".
const BookField& bookField(int number);
const std::array<BookField, kFieldCount>& bookFields();

// The field number (1 to 36) whose name matches without regard to case, or 0.
int bookFieldNumber(std::string_view name);

// Storage of the numeric kinds in tables the program creates.
inline constexpr int kIntegerDecimals = 0;
inline constexpr int kFloatDecimals = 2;

}  // namespace fields
