// Conversion of collections written by the program's two earlier versions:
// every record of the old file is appended to the open collection.
//
// Version 2 kept 25 of today's fields under the same names (only the
// check-out person's field was "CheckPerso"); they are copied as text.
// Version 1 kept the purchase date as three text fields (day, month name,
// year); they are put together as month/day/year and read in the "m/d/y"
// format with "/" whatever the user's date format, which is put back
// afterwards.
//
// A value that cannot be stored (a purchase date that cannot be read, a
// number too wide for its field) stops the conversion with a ConversionError;
// the records appended before it stay in the collection, the record being
// built is dropped, and the old file is left alone.
#pragma once

#include <QString>

#include <stdexcept>

#include "data/error_text.h"

namespace dbase {
class Table;
}

namespace books {

// A value of the old file that the collection cannot take (of the kind
// InvalidValue).
class ConversionError : public Error {
  public:
    explicit ConversionError(const std::string& text) : Error(Kind::InvalidValue, text) {}
};

// `old` is the caller's inspection table object, pointed at `path` and left
// closed. `target` is the open collection. Both return the number of records
// appended and throw ConversionError or dbase::Error.
int convertV2(dbase::Table& old, const QString& path, dbase::Table& target);
int convertV1(dbase::Table& old, const QString& path, dbase::Table& target);

// Version 1's month text as a month number ("Mar" gives "3"); any text that
// is not exactly one of the twelve short month names comes back unchanged.
QString monthNumberText(const QString& month);

}  // namespace books
