#include "exchange/values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "dbase/date.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "settings/formats.h"

namespace exchange {

BadDate::BadDate(const QString& text)
    : std::runtime_error(QStringLiteral("\"%1\" is not a valid date.").arg(text).toStdString()),
      text_(text) {}

void appendDateText(std::string& out, const dbase::Date& date) {
    if (!date.isValid())
        return;  // as settings::dateToText: a null or damaged date has no text
    const settings::DateFormat& f =
        settings::dateFormats().at(static_cast<std::size_t>(settings::currentDateFormat() - 1));
    if (f.separator.unicode() >= 0x80) {
        out += settings::dateToText(date).toStdString();
        return;
    }
    const std::string_view shortFormat(f.shortFormat);
    const bool dayFirst = shortFormat.starts_with('d');
    const int first = dayFirst ? date.day : date.month;
    const int second = dayFirst ? date.month : date.day;
    const char separator = static_cast<char>(f.separator.unicode());
    char text[24];
    const int length = shortFormat.ends_with("yyyy")
                           ? std::snprintf(text, sizeof text, "%d%c%d%c%04d", first, separator,
                                           second, separator, date.year)
                           : std::snprintf(text, sizeof text, "%d%c%d%c%02d", first, separator,
                                           second, separator, date.year % 100);
    out.append(text, static_cast<std::size_t>(length));
}

void appendGeneralNumber(std::string& out, double value) {
    // Up to 15 significant digits, in exponent form only when the exponent
    // is below -4 or not below 15; a negative zero is shown as 0.
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value == 0 ? 0.0 : value,
                                   std::chars_format::general, 15)
                         .ptr;
    const QChar sep = settings::regionalFormat().decimalSeparator;
    for (const char* p = digits; p != end; ++p) {
        if (*p == '.' && sep != QLatin1Char('.'))
            out += QString(sep).toStdString();
        else
            out += *p;
    }
}

QString generalNumber(double value) {
    std::string text;
    appendGeneralNumber(text, value);
    return QString::fromStdString(text);
}

void fieldUtf8(const dbase::Table& table, int index, std::string& out) {
    switch (table.field(index).type) {
        case dbase::FieldType::Numeric:
        case dbase::FieldType::Float:
            out.clear();
            if (!table.isBlank(index))
                appendGeneralNumber(out, table.asFloat(index));
            return;
        case dbase::FieldType::Date:
            out.clear();
            appendDateText(out, table.asDate(index));
            return;
        default:
            table.readString(index, out);
            return;
    }
}

QString fieldText(const dbase::Table& table, int index) {
    std::string text;
    fieldUtf8(table, index, text);
    return QString::fromStdString(text);
}

double leadingNumber(std::string_view utf8, bool integer) {
    const QByteArray sep = QString(settings::regionalFormat().decimalSeparator).toUtf8();
    const std::string_view separator(sep.constData(), static_cast<std::size_t>(sep.size()));
    std::string number;
    std::size_t i = 0;
    while (i < utf8.size() && utf8[i] == ' ')
        ++i;
    if (i < utf8.size() && (utf8[i] == '-' || utf8[i] == '+'))
        number += utf8[i++];
    bool digits = false;
    bool point = false;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
            ++i;
        } else if (!integer && !point && utf8.substr(i).starts_with(separator)) {
            number += '.';
            point = true;
            i += separator.size();
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // Locale-independent; a number too long for a double reads as infinity,
    // which the engine refuses as too wide for the field.
    const char* first = number.data() + (number.front() == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    return value;
}

double leadingNumber(const QString& text, bool integer) {
    const QByteArray utf8 = text.toUtf8();
    return leadingNumber(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                         integer);
}

bool looksLikeDate(const QString& text) {
    if (!text.contains(settings::dateSeparator()))
        return false;
    for (const QChar c : text) {
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    }
    return true;
}

void storeText(dbase::Table& table, int index, int number, const QString& text, int currentYear) {
    const fields::BookField& f = fields::bookField(number);
    switch (f.kind) {
        case fields::FieldKind::String:
            table.setString(index, text.left(f.width).toStdString());
            break;
        case fields::FieldKind::Integer:
        case fields::FieldKind::Float:
            table.setFloat(index, leadingNumber(text, f.kind == fields::FieldKind::Integer));
            break;
        case fields::FieldKind::Date: {
            if (!looksLikeDate(text))
                return;
            const auto date =
                settings::textToDate(text, settings::currentDateFormat(),
                                     currentYear > 0 ? currentYear : QDate::currentDate().year());
            if (!date || !date->isValid())
                throw BadDate(text);
            table.setDate(index, dbase::Date{date->year(), date->month(), date->day()});
            break;
        }
    }
}

void storeUtf8(dbase::Table& table, int index, int number, std::string_view utf8, int currentYear) {
    const fields::BookField& f = fields::bookField(number);
    switch (f.kind) {
        case fields::FieldKind::String: {
            std::size_t cut = 0;
            for (int chars = 0; cut < utf8.size(); ++cut) {
                if ((static_cast<unsigned char>(utf8[cut]) & 0xC0) != 0x80 && chars++ == f.width)
                    break;
            }
            table.setString(index, utf8.substr(0, cut));
            return;
        }
        case fields::FieldKind::Integer:
        case fields::FieldKind::Float:
            table.setFloat(index, leadingNumber(utf8, f.kind == fields::FieldKind::Integer));
            return;
        case fields::FieldKind::Date:
            storeText(table, index, number,
                      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())),
                      currentYear);
            return;
    }
}

void copyField(const dbase::Table& source, int index, dbase::Table& target, int to, int number,
               int currentYear, std::string& scratch) {
    const dbase::FieldType type = source.field(index).type;
    const bool numeric = type == dbase::FieldType::Numeric || type == dbase::FieldType::Float;
    switch (fields::bookField(number).kind) {
        case fields::FieldKind::Date:
            if (type == dbase::FieldType::Date) {
                if (!source.isBlank(index))
                    target.setDate(to, source.asDate(index));
                return;
            }
            break;
        case fields::FieldKind::Integer:
            if (numeric) {
                target.setFloat(to, std::trunc(source.asFloat(index)));
                return;
            }
            break;
        case fields::FieldKind::Float:
            if (numeric) {
                target.setFloat(to, source.asFloat(index));
                return;
            }
            break;
        case fields::FieldKind::String:
            if (type == dbase::FieldType::Character) {
                source.readString(index, scratch);
                target.setString(to, scratch);
                return;
            }
            break;
    }
    const QString text = fieldText(source, index);
    storeText(target, to, number, text.left(characterCut(text, kMaxFieldLength)), currentYear);
}

}  // namespace exchange
