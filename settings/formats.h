// Display formats: the one place where dates become text and text becomes
// dates, the report number formats, and the text helpers shared by every
// subsystem.
//
// Dates: a date format code 1 to 12 selects a separator and a short date
// format ("m/d/y", "d/m/yyyy", ...). "/" in a short format stands for the
// separator, "m" and "d" are month and day without leading zeros, "y" is a
// two-digit year and "yyyy" a four-digit one. Reading uses the same order
// of day, month and year. A two-digit year is placed in the window from 80
// years before to 19 years after the current year.
#pragma once

#include <QChar>
#include <QDate>
#include <QLocale>
#include <QString>

#include <array>
#include <optional>

#include "dbase/date.h"

namespace settings {

struct DateFormat {
    int code;              // 1 to 12
    const char* menuItem;  // the menu item's name, e.g. "MenuDateMDYSlash"
    const char* caption;   // the menu item's text, e.g. "mm/dd/yy"
    QChar separator;
    const char* shortFormat;
};

inline constexpr int kDateFormatCount = 12;
const std::array<DateFormat, kDateFormatCount>& dateFormats();

// Number formats of reports. Code 1 is U.S. ("." and ","); code 2 takes the
// regional values.
struct NumberFormat {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandsSeparator = QLatin1Char(',');
    int decimals = 2;
    int currencyDecimals = 2;
};

// The regional values of `locale` (an empty separator is taken as a blank;
// what the locale lacks keeps the defaults above).
NumberFormat regionalFormatOf(const QLocale& locale);

// The formats in force: the date format and the regional values. A value:
// the settings hold the program's own (Settings::formats), and whatever must
// not depend on that one (a test, the conversion of an earlier version's
// dates) makes its own.
class Formats {
  public:
    // Date format 1 ("m/d/y" with "/"), U.S. regional values.
    Formats() = default;

    // Makes `code` the date format and returns true; a code outside 1 to 12
    // sets nothing and returns false.
    bool setDateFormat(int code);
    int dateFormat() const { return dateCode_; }
    QChar dateSeparator() const;
    QString shortDateFormat() const;

    // The date as text; a null (or damaged) date gives "".
    QString dateToText(const QDate& date) const;
    QString dateToText(const dbase::Date& date) const;
    // Reads text in the date format, a two-digit year placed round
    // `currentYear` (0: the clock's year). Blank text gives a null date; text
    // that is not a real date in the format gives nothing.
    std::optional<QDate> textToDate(const QString& text, int currentYear = 0) const;
    // The same into the engine's date (null for blank text).
    std::optional<dbase::Date> textToEngineDate(const QString& text) const;

    const NumberFormat& regional() const { return regional_; }
    void setRegional(const NumberFormat& regional) { regional_ = regional; }
    // What a report uses for a currency or numeric format code: code 1 U.S.,
    // any other the regional values.
    NumberFormat reportFormat(int code) const { return code == 1 ? NumberFormat{} : regional_; }

  private:
    int dateCode_ = 1;
    NumberFormat regional_;
};

// The same for an explicit format and reference year (for tests and for
// callers that must not depend on the clock).
QString dateToText(const QDate& date, int code);
std::optional<QDate> textToDate(const QString& text, int code, int currentYear);

// The four-digit year of a two-digit year `yy` (0 to 99).
int expandTwoDigitYear(int yy, int currentYear);

// Text helpers. Results are cut to 255 characters.
inline constexpr int kMaxText = 255;
QString trimBlanks(const QString& s);           // removes only ' ' from both ends
QString padRight(const QString& s, int width);  // blanks added on the right
QString padLeft(const QString& s, int width);   // blanks added on the left
QString repeated(QChar c, int count);
// `value` with `decimals` decimals, right-aligned in `width` (never cut to
// the width: a wider number keeps all its digits).
QString fixedPoint(double value, int width, int decimals);
// The same with a separator between groups of three digits.
QString fixedPointGrouped(double value, int width, int decimals,
                          QChar decimalSeparator = QLatin1Char('.'),
                          QChar thousandsSeparator = QLatin1Char(','));

}  // namespace settings
