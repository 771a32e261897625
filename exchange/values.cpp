#include "exchange/values.h"

#include <charconv>
#include <cmath>

#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "settings/formats.h"

namespace exchange {

BadDate::BadDate(const QString& text)
    : std::runtime_error(QStringLiteral("\"%1\" is not a valid date.").arg(text).toStdString()),
      text_(text) {}

void appendGeneralNumber(std::string& out, double value) {
    // Up to 15 significant digits, in exponent form only when the exponent
    // is below -4 or not below 15; a negative zero is shown as 0.
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value == 0 ? 0.0 : value,
                                   std::chars_format::general, 15)
                         .ptr;
    const QChar sep = formats::regionalFormat().decimalSeparator;
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
            out = formats::dateToText(table.asDate(index)).toStdString();
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

double leadingNumber(const QString& text, bool integer) {
    const QChar sep = formats::regionalFormat().decimalSeparator;
    QByteArray number;
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        number += static_cast<char>(text.at(i++).unicode());
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            number += static_cast<char>(c.unicode());
            digits = true;
        } else if (c == sep && !integer && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // Locale-independent; a number too long for a double reads as infinity,
    // which the engine refuses as too wide for the field.
    return number.toDouble();
}

bool looksLikeDate(const QString& text) {
    if (!text.contains(formats::dateSeparator()))
        return false;
    for (const QChar c : text) {
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    }
    return true;
}

void storeText(dbase::Table& table, int index, int number, const QString& text, int currentYear) {
    const books::BookField& f = books::bookField(number);
    switch (f.kind) {
        case books::FieldKind::String:
            table.setString(index, text.left(f.width).toStdString());
            break;
        case books::FieldKind::Integer:
        case books::FieldKind::Float:
            table.setFloat(index, leadingNumber(text, f.kind == books::FieldKind::Integer));
            break;
        case books::FieldKind::Date: {
            if (!looksLikeDate(text))
                return;
            const auto date =
                formats::textToDate(text, formats::currentDateFormat(),
                                    currentYear > 0 ? currentYear : QDate::currentDate().year());
            if (!date || !date->isValid())
                throw BadDate(text);
            table.setDate(index, dbase::Date{date->year(), date->month(), date->day()});
            break;
        }
    }
}

void copyField(const dbase::Table& source, int index, dbase::Table& target, int to, int number,
               int currentYear, std::string& scratch) {
    const dbase::FieldType type = source.field(index).type;
    const bool numeric = type == dbase::FieldType::Numeric || type == dbase::FieldType::Float;
    switch (books::bookField(number).kind) {
        case books::FieldKind::Date:
            if (type == dbase::FieldType::Date) {
                if (!source.isBlank(index))
                    target.setDate(to, source.asDate(index));
                return;
            }
            break;
        case books::FieldKind::Integer:
            if (numeric) {
                target.setFloat(to, std::trunc(source.asFloat(index)));
                return;
            }
            break;
        case books::FieldKind::Float:
            if (numeric) {
                target.setFloat(to, source.asFloat(index));
                return;
            }
            break;
        case books::FieldKind::String:
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
