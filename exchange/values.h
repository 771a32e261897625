// The values that cross between book records and exchange files.
//
// Outward every field becomes its edit text: character fields as stored,
// numbers in general format (up to 15 significant digits, no thousands
// separators, the regional decimal separator), dates in the current short
// date format, and empty text for an empty field.
//
// Inward a text is stored by the book field's kind: character text cut to the
// field's width; numbers read as far as they are a number (empty text is 0);
// dates only when the text carries the current date separator and no letter,
// and then it must be a real date.
#pragma once

#include <QString>

#include <stdexcept>
#include <string>
#include <string_view>

#include "fields/book_fields.h"

namespace dbase {
class Table;
struct Date;
}  // namespace dbase

namespace exchange {

// A date text that passes the separator and letter tests but is no date.
class BadDate : public std::runtime_error {
  public:
    explicit BadDate(const QString& text);
    const QString& text() const { return text_; }

  private:
    QString text_;
};

// The edit text of field `index` of the table's current record.
QString fieldText(const dbase::Table& table, int index);
// The same as UTF-8 into `out`, whose storage is reused (for long walks).
void fieldUtf8(const dbase::Table& table, int index, std::string& out);

// The date's edit text (settings::dateToText) as UTF-8 appended to `out`,
// without a string object per date: an export writes millions.
void appendDateText(std::string& out, const dbase::Date& date);

// `value` in general format with the regional decimal separator.
QString generalNumber(double value);
// The same as UTF-8 appended to `out`.
void appendGeneralNumber(std::string& out, double value);

// The number at the start of `text` in decimal notation: leading blanks, a
// sign, digits and (unless `integer`) the regional decimal separator and
// more digits; reading stops at the first character that does not fit.
// Empty text, or text that does not start with a number, gives 0.
double leadingNumber(const QString& text, bool integer);
double leadingNumber(std::string_view utf8, bool integer);

// Whether a date field takes `text` at all: it holds the current date
// separator and no letter A to Z.
bool looksLikeDate(const QString& text);

// Stores `text` into field `index` of the table's edit buffer by the kind of
// book field `number`. Throws BadDate for a date text that is no date, and
// dbase::Error when the engine refuses the value. A two-digit year is placed
// round `currentYear` (0: the clock's year, asked for each date).
void storeText(dbase::Table& table, int index, int number, const QString& text,
               int currentYear = 0);

// The same for UTF-8 text.
void storeUtf8(dbase::Table& table, int index, int number, std::string_view utf8, int currentYear);

// Copies field `index` of the current record of `source` into field `to` of
// the edit buffer of `target`, as book field `number`: by value when both
// are numbers (an integer field takes the whole part), both dates (a blank
// date stays blank) or both text; through the edit text (storeText, cut to
// 255 characters) otherwise. `scratch` is reused storage. Throws as
// storeText.
void copyField(const dbase::Table& source, int index, dbase::Table& target, int to, int number,
               int currentYear, std::string& scratch);

}  // namespace exchange
