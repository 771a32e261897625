#include "settings/formats.h"

#include <cmath>

namespace settings {

namespace {

constexpr std::array<DateFormat, kDateFormatCount> kFormats{{
    {1, "MenuDateMDYSlash", "mm/dd/yy", QChar(u'/'), "m/d/y"},
    {2, "MenuDateMDYDash", "mm-dd-yy", QChar(u'-'), "m/d/y"},
    {3, "MenuDateMDYDot", "mm.dd.yy", QChar(u'.'), "m/d/y"},
    {4, "MenuDateDMYSlash", "dd/mm/yy", QChar(u'/'), "d/m/y"},
    {5, "MenuDateDMYDash", "dd-mm-yy", QChar(u'-'), "d/m/y"},
    {6, "MenuDateDMYDot", "dd.mm.yy", QChar(u'.'), "d/m/y"},
    {7, "MenuDateMDYSlashYr", "mm/dd/yyyy", QChar(u'/'), "m/d/yyyy"},
    {8, "MenuDateMDYDashYr", "mm-dd-yyyy", QChar(u'-'), "m/d/yyyy"},
    {9, "MenuDateMDYDotYr", "mm.dd.yyyy", QChar(u'.'), "m/d/yyyy"},
    {10, "MenuDateDMYSlashYr", "dd/mm/yyyy", QChar(u'/'), "d/m/yyyy"},
    {11, "MenuDateDMYDashYr", "dd-mm-yyyy", QChar(u'-'), "d/m/yyyy"},
    {12, "MenuDateDMYDotYr", "dd.mm.yyyy", QChar(u'.'), "d/m/yyyy"},
}};

const DateFormat& formatOf(int code) {
    return kFormats.at(static_cast<std::size_t>(code - 1));
}

bool dayFirst(const DateFormat& f) {
    return f.shortFormat[0] == 'd';
}
bool fourDigitYear(const DateFormat& f) {
    return QByteArray(f.shortFormat).endsWith("yyyy");
}

// Digits only, one to `maxDigits` of them.
std::optional<int> number(QStringView s, int maxDigits) {
    if (s.isEmpty() || s.size() > maxDigits)
        return std::nullopt;
    int n = 0;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

QString cut(QString s) {
    if (s.size() > kMaxText)
        s.truncate(kMaxText);
    return s;
}

QChar separatorOrBlank(const QString& s) {
    return s.isEmpty() ? QLatin1Char(' ') : s.at(0);
}

}  // namespace

const std::array<DateFormat, kDateFormatCount>& dateFormats() {
    return kFormats;
}

int expandTwoDigitYear(int yy, int currentYear) {
    // The window runs from currentYear - 80 to currentYear + 19.
    const int low = currentYear - 80;
    int year = low - low % 100 + yy;
    if (year < low)
        year += 100;
    return year;
}

QString dateToText(const QDate& date, int code) {
    if (!date.isValid())
        return {};
    const DateFormat& f = formatOf(code);
    // "yyyy" is always four digits: the year 987 reads back as 987, not as 1987.
    const QString year = fourDigitYear(f)
                             ? QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'))
                             : QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    const QString first = QString::number(dayFirst(f) ? date.day() : date.month());
    const QString second = QString::number(dayFirst(f) ? date.month() : date.day());
    return first + f.separator + second + f.separator + year;
}

std::optional<QDate> textToDate(const QString& text, int code, int currentYear) {
    const QString t = trimBlanks(text);
    if (t.isEmpty())
        return QDate();
    const DateFormat& f = formatOf(code);
    const QStringList parts = t.split(f.separator);
    if (parts.size() != 3)
        return std::nullopt;
    const auto first = number(parts[0], 2);
    const auto second = number(parts[1], 2);
    const auto yearText = number(parts[2], 4);
    if (!first || !second || !yearText)
        return std::nullopt;
    int year = *yearText;
    // One or two digits are a year of the window; three or four are literal.
    if (parts[2].size() <= 2)
        year = expandTwoDigitYear(year, currentYear);
    if (year < 1)
        return std::nullopt;
    const int day = dayFirst(f) ? *first : *second;
    const int month = dayFirst(f) ? *second : *first;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// ---- Formats ------------------------------------------------------------------

bool Formats::setDateFormat(int code) {
    if (code < 1 || code > kDateFormatCount)
        return false;
    dateCode_ = code;
    return true;
}

QChar Formats::dateSeparator() const {
    return formatOf(dateCode_).separator;
}

QString Formats::shortDateFormat() const {
    return QString::fromLatin1(formatOf(dateCode_).shortFormat);
}

QString Formats::dateToText(const QDate& date) const {
    return settings::dateToText(date, dateCode_);
}

QString Formats::dateToText(const dbase::Date& date) const {
    // A damaged date field gives an invalid QDate and so no text.
    return dateToText(QDate(date.year, date.month, date.day));
}

std::optional<QDate> Formats::textToDate(const QString& text, int currentYear) const {
    return settings::textToDate(text, dateCode_,
                                currentYear != 0 ? currentYear : QDate::currentDate().year());
}

std::optional<dbase::Date> Formats::textToEngineDate(const QString& text) const {
    const auto date = textToDate(text);
    if (!date)
        return std::nullopt;
    if (date->isNull())
        return dbase::Date{};
    return dbase::Date{date->year(), date->month(), date->day()};
}

NumberFormat regionalFormatOf(const QLocale& locale) {
    NumberFormat f;
    f.decimalSeparator = separatorOrBlank(locale.decimalPoint());
    f.thousandsSeparator = separatorOrBlank(locale.groupSeparator());
    // The locale names no digit count for plain numbers: two, as elsewhere.
    // The currency digits are those of the locale's own amount format.
    const QString amount = locale.toCurrencyString(1.0, QStringLiteral(""));
    const qsizetype point = amount.lastIndexOf(locale.decimalPoint());
    if (!locale.decimalPoint().isEmpty() && point >= 0) {
        int digits = 0;
        for (qsizetype i = point + locale.decimalPoint().size();
             i < amount.size() && amount[i].isDigit(); ++i)
            ++digits;
        f.currencyDecimals = digits;
    } else if (!amount.isEmpty()) {
        f.currencyDecimals = 0;
    }
    return f;
}

QString trimBlanks(const QString& s) {
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && s[start] == u' ')
        ++start;
    while (end > start && s[end - 1] == u' ')
        --end;
    return cut(s.mid(start, end - start));
}

QString padRight(const QString& s, int width) {
    return cut(s.size() >= width ? s : s + QString(width - s.size(), QLatin1Char(' ')));
}

QString padLeft(const QString& s, int width) {
    return cut(s.size() >= width ? s : QString(width - s.size(), QLatin1Char(' ')) + s);
}

QString repeated(QChar c, int count) {
    return count <= 0 ? QString() : QString(std::min(count, kMaxText), c);
}

QString fixedPoint(double value, int width, int decimals) {
    if (!std::isfinite(value))
        return padLeft(QStringLiteral("0"), width);
    return padLeft(QString::number(value, 'f', std::max(decimals, 0)), width);
}

QString fixedPointGrouped(double value, int width, int decimals, QChar decimalSeparator,
                          QChar thousandsSeparator) {
    QString plain = fixedPoint(value, 0, decimals);
    const bool negative = plain.startsWith(QLatin1Char('-'));
    if (negative)
        plain.remove(0, 1);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    QString whole = point >= 0 ? plain.left(point) : plain;
    const QString fraction = point >= 0 ? plain.mid(point + 1) : QString();
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, thousandsSeparator);
    QString text = (negative ? QStringLiteral("-") : QString()) + whole;
    if (!fraction.isEmpty())
        text += decimalSeparator + fraction;
    return padLeft(text, width);
}

}  // namespace settings
