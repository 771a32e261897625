// Conversions between field bytes and values: the fixed-width text forms
// of numeric, date and logical fields. Locale-independent (the decimal
// point is always "."), and free of allocation where a scan calls them.
#pragma once

#include <string>
#include <string_view>

#include "dbase/date.h"

namespace dbase::value {

// The field's bytes without trailing blanks and NULs.
std::string_view trimRight(std::string_view raw);
// Without leading and trailing blanks and NULs.
std::string_view trim(std::string_view raw);

// The text of a numeric field without blanks; empty for a blank field and
// for one filled with asterisks (what other programs write for no value,
// and for a number too wide for the field).
std::string_view numberText(std::string_view raw);

// Reads a numeric field. Blank reads as 0; text that is not a number (an
// overflow mark such as "***") reads as 0 as well.
double parseNumber(std::string_view raw);

enum class NumberResult { Ok, Blank, NotANumber, TooWide };

// Formats the text of a number for a numeric field: right-aligned, exactly
// `decimals` digits after the point, rounded half away from zero on the
// decimal digits (so "2.675" with 2 decimals is "2.68"). Blank text gives
// Blank and a field of blanks. `out` receives `width` bytes on Ok or Blank.
NumberResult formatNumberText(std::string_view text, int width, int decimals, std::string& out);
// The same for a binary value, through its shortest exact decimal form.
NumberResult formatNumber(double v, int width, int decimals, std::string& out);

// Date fields: "YYYYMMDD". Blank, "00000000" or anything unreadable is a
// null date.
Date parseDate(std::string_view raw);
// A date as its 8 stored digits; a null date as 8 blanks.
std::string formatDate(Date d);
// Reads text meant for a date field: "YYYYMMDD" or "YYYY-MM-DD", or blank
// for a null date. Returns false when the text is neither or not a real date.
bool parseDateText(std::string_view text, Date& out);

// Logical fields: T, t, Y, y are true.
bool parseLogical(std::string_view raw);

}  // namespace dbase::value
