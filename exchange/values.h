// The values that cross between book records and exchange files.
//
// Outward every field becomes its edit text: character fields as stored,
// numbers in general format (up to 15 significant digits, no thousands
// separators, the regional decimal separator), dates in the short date
// format, and empty text for an empty field.
//
// Inward a text is stored by the book field's kind: character text cut to the
// field's width; numbers read as far as they are a number (empty text is 0);
// dates only when the text carries the date separator and no letter, and then
// it must be a real date.
//
// The date format and the regional decimal separator are those of the
// Formats each function is given (the program passes its own).
#pragma once

#include <QString>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fields/book_fields.h"
#include "settings/formats.h"

namespace dbase {
class Table;
struct Date;
struct Field;
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
QString fieldText(const dbase::Table& table, int index, const settings::Formats& formats);
// The same as UTF-8 into `out`, whose storage is reused (for long walks).
void fieldUtf8(const dbase::Table& table, int index, std::string& out,
               const settings::Formats& formats);

// The date's edit text (Formats::dateToText) as UTF-8 appended to `out`,
// without a string object per date: an export writes millions.
void appendDateText(std::string& out, const dbase::Date& date, const settings::Formats& formats);

// The edit texts of a table's fields quoted for a delimited line, made
// straight from the stored bytes with the formats read once: what
// appendQuotedField(fieldUtf8(...)) gives, without a string per field (an
// export writes tens of millions of fields).
class QuotedFieldText {
  public:
    // Takes the number and date formats of `formats` once.
    explicit QuotedFieldText(const settings::Formats& formats);
    // Appends field `index` of the table's current record to `line`.
    void append(std::string& line, const dbase::Table& table, int index);
    // The same with the field's definition and its bytes (from
    // recordBytes()) at hand, for a walk that takes the record once.
    void append(std::string& line, const dbase::Table& table, int index, const dbase::Field& field,
                std::string_view raw);

  private:
    settings::Formats formats_;
    std::string separator_;  // the decimal separator as UTF-8
    bool dayFirst_ = false, fourDigitYear_ = true;
    char dateSeparator_ = 0;  // 0: not ASCII, dates through dateToText
    std::string scratch_;
};

// A number's text as a numeric field stores it ("-12.50"), in general
// format with `separator` as the decimal separator, appended to `out`: as
// appendGeneralNumber() would write the value it reads as.
void appendGeneralNumberText(std::string& out, std::string_view text, std::string_view separator);

// `value` in general format with the regional decimal separator.
QString generalNumber(double value, const settings::Formats& formats);
// The same as UTF-8 appended to `out`.
void appendGeneralNumber(std::string& out, double value, const settings::Formats& formats);

// The number at the start of `text` in decimal notation: leading blanks, a
// sign, digits and (unless `integer`) the regional decimal separator and
// more digits; reading stops at the first character that does not fit.
// Empty text, or text that does not start with a number, gives 0.
double leadingNumber(const QString& text, bool integer, const settings::Formats& formats);
double leadingNumber(std::string_view utf8, bool integer, const settings::Formats& formats);

// Whether a date field takes `text` at all: it holds the date separator and
// no letter A to Z.
bool looksLikeDate(const QString& text, const settings::Formats& formats);

// Stores `text` into field `index` of the table's edit buffer by the kind of
// book field `number`. Throws BadDate for a date text that is no date, and
// dbase::Error when the engine refuses the value. A two-digit year is placed
// round `currentYear` (0: the clock's year, asked for each date).
void storeText(dbase::Table& table, int index, int number, const QString& text,
               const settings::Formats& formats, int currentYear = 0);

// The same for UTF-8 text.
void storeUtf8(dbase::Table& table, int index, int number, std::string_view utf8,
               const settings::Formats& formats, int currentYear);

// Copies field `index` of the current record of `source` into field `to` of
// the edit buffer of `target`, as book field `number`: by value when both
// are numbers (an integer field takes the whole part), both dates (a blank
// date stays blank) or both text; through the edit text (storeText, cut to
// 255 characters) otherwise. `scratch` is reused storage. Throws as
// storeText.
void copyField(const dbase::Table& source, int index, dbase::Table& target, int to, int number,
               const settings::Formats& formats, int currentYear, std::string& scratch);

// copyField for every field of a record, with what can go across as bytes
// found once: text of one width and code page on both sides (no decoding
// and encoding again, so also bytes the code page leaves without a
// character arrive as they were), numbers of one width and decimals
// already in the form the target would store, and real dates.
class RecordCopier {
  public:
    // `from[k]`: the field of `source` going into field `to[k]` of `target`
    // as book field `numbers[k]` (-1 in `from` or `to`: none). With
    // `skipBlank` a blank source field is left blank in the new record of
    // `target`, as an export does; otherwise it is stored as copyField
    // stores it (a blank number as 0).
    RecordCopier(const dbase::Table& source, std::vector<int> from, const dbase::Table& target,
                 std::vector<int> to, std::vector<int> numbers, const settings::Formats& formats,
                 int currentYear, bool skipBlank);
    // Copies the fields of the current record of `source` into the edit
    // buffer of `target`. Throws as copyField; `stored` is then the book
    // field number being copied.
    void copy(const dbase::Table& source, dbase::Table& target, int& storing);

  private:
    enum class Way { Convert, Bytes, Number, Date };
    // Fields copied as their bytes that lie one after the other in both
    // tables (positions `first` to `last` of from_ and to_) go across in
    // one piece when every number and date among them is in stored form.
    struct Run {
        std::size_t first, last;
        std::size_t offset, length;  // in the source record
    };
    void copyOne(std::size_t k, const dbase::Table& source, dbase::Table& target);

    std::vector<int> from_, to_, numbers_;
    std::vector<Way> ways_;
    std::vector<Run> runs_;
    std::vector<std::size_t> convert_;  // positions copied one at a time
    std::vector<std::size_t> offsets_;  // of each source field in its record
    std::vector<std::size_t> widths_;
    std::vector<int> decimals_;
    settings::Formats formats_;
    int year_;
    bool skipBlank_;
    std::string scratch_;
};

// Whether the bytes of a numeric field are what a field of their width
// with `decimals` decimals stores for their value: right-aligned, a minus
// sign for a negative number, no leading zero, exactly `decimals` digits
// after the point.
bool storedNumberForm(std::string_view raw, int decimals);

}  // namespace exchange
