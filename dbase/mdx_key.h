// The byte forms of index keys and their order.
//
// Character keys are the blank-padded text, compared byte by byte. Numeric
// keys are 12 bytes of packed decimal (a digit-position byte, a sign and
// digit-count byte, then up to 20 digits two to a byte). Date keys are the
// day number (Julian Day, 2000-01-01 = 2451545) as a little-endian IEEE
// double; a blank date is 0, before every real date.
#pragma once

#include <string>
#include <string_view>

#include "dbase/expr.h"

namespace dbase {

constexpr int kNumericKeyLength = 12;
constexpr int kDateKeyLength = 8;

// Appends the 12-byte numeric key of a value to out.
void appendNumericKey(double value, std::string& out);
// The value a numeric key stands for (for diagnostics and tests).
double numericKeyValue(std::string_view key);

// Appends the 8-byte date key of "YYYYMMDD" (anything else is a blank date).
void appendDateKey(std::string_view yyyymmdd, std::string& out);
double dateKeyValue(std::string_view key);

// Orders two keys of one tag: negative, zero or positive. Both keys are the
// tag's key length long. `descending` reverses the order.
int compareKeys(KeyType type, std::string_view a, std::string_view b, bool descending = false);

}  // namespace dbase
