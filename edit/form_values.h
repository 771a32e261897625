// What the book edit form holds, without its widgets: the text of every
// entry and the state of the check-out box, how a record fills them, how
// they are compared, checked and written back.
//
// Dates are shown in a masked box of ten places: two digits, the date
// separator, two digits, the separator, four digits, with day and month in
// the order of the date format; the functions that show or read a date take
// the formats to use. An empty box holds blanks
// in the digit places ("  /  /    "); without the blanks around it that is
// one of the three blank forms "/  /", "-  -" and ".  .".
//
// Amounts are read in plain decimal notation with a decimal point: an
// optional sign, digits with an optional point (a digit on at least one
// side of it), an optional exponent. Nothing else: no blanks inside, no
// grouping, no currency sign, no decimal comma.
#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string>

#include "dbase/date.h"
#include "settings/formats.h"

namespace dbase {
class Table;
}

namespace edit {

struct FormValues {
    // Indexed by book field number 1 to 36 (index 0 and the check-out
    // field's text are unused).
    std::array<QString, 37> text;
    bool checkOut = false;

    QString& operator[](int field) { return text.at(static_cast<std::size_t>(field)); }
    const QString& operator[](int field) const { return text.at(static_cast<std::size_t>(field)); }
};

// The values "C&lear" leaves: every entry empty, the amounts "0", both date
// boxes blank (with the separator of `formats`), the box unchecked.
FormValues clearedValues(const settings::Formats& formats);

// The current record of `table` (a collection of the book layout) as the
// form shows it: each text cut to its field's width, numbers as stored,
// dates in the box form, the box checked when CHECKOUT reads "Yes".
FormValues recordValues(const dbase::Table& table, const settings::Formats& formats);

// True when anything differs from `saved`: texts exactly, the two date
// boxes after removing the blanks around them, and the box's state.
bool valuesChanged(const FormValues& now, const FormValues& saved);

// Date boxes.
// "  /  /    " with the separator of `formats`.
QString blankDateText(const settings::Formats& formats);
// Blank text for a null date.
QString dateBoxText(const dbase::Date& date, const settings::Formats& formats);
bool isBlankDate(const QString& text);  // any of the three blank forms

// A date box's text as the date format of `formats` reads it: a null Date
// for a blank box, nothing when it is no date.
std::optional<dbase::Date> readDateBox(const QString& text, const settings::Formats& formats);

// An amount's text as a number; nothing when it is not one (empty text
// included).
std::optional<double> readAmount(const QString& text);

// The first thing the update refuses, in the order the form checks: the
// check-out date, the purchase date, cost, value, low market, high market.
struct Problem {
    QString message;
    int page = 0;
    int field = 0;  // the entry to focus
};
std::optional<Problem> firstProblem(const FormValues& values, const settings::Formats& formats);

// Writes the values into the table's edit buffer (insert or edit state):
// texts as typed, the user fields without the blanks around them, dates
// from the boxes (no date for a blank one), amounts as read, CHECKOUT "Yes"
// or "No". Throws dbase::Error when the table refuses a value.
void storeValues(dbase::Table& table, const FormValues& values, const settings::Formats& formats);

// Every field of the current record as stored, to see whether another user
// changed it since it was read.
struct StoredRecord {
    std::uint32_t recNo = 0;
    std::array<std::string, 36> fields;
    friend bool operator==(const StoredRecord&, const StoredRecord&) = default;
};
StoredRecord storedRecord(const dbase::Table& table);

}  // namespace edit
