// A calendar date as the engine stores it (YYYYMMDD in a date field). A null
// date is a blank date field.
#pragma once

namespace dbase {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;

    bool isNull() const { return year == 0 && month == 0 && day == 0; }
    bool isValid() const;  // a real proleptic-Gregorian date, years 1 to 9999
    friend bool operator==(const Date&, const Date&) = default;
};

}  // namespace dbase
