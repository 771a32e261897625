#include "exchange/values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "dbase/date.h"
#include "dbase/field_value.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "settings/formats.h"

namespace exchange {

BadDate::BadDate(const QString& text)
    : std::runtime_error(QStringLiteral("\"%1\" is not a valid date.").arg(text).toStdString()),
      text_(text) {}

void appendDateText(std::string& out, const dbase::Date& date, const settings::Formats& formats) {
    if (!date.isValid())
        return;  // as Formats::dateToText: a null or damaged date has no text
    const settings::DateFormat& f =
        settings::dateFormats().at(static_cast<std::size_t>(formats.dateFormat() - 1));
    if (f.separator.unicode() >= 0x80) {
        out += formats.dateToText(date).toStdString();
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

namespace {

// Text that stays in a buffer of its own while it is short.
class SmallText {
  public:
    void operator+=(char c) {
        if (size_ < sizeof small_)
            small_[size_] = c;
        else {
            if (size_ == sizeof small_)
                large_.assign(small_, sizeof small_);
            large_ += c;
        }
        ++size_;
    }
    char* data() { return size_ <= sizeof small_ ? small_ : large_.data(); }
    std::size_t size() const { return size_; }
    char front() { return data()[0]; }

  private:
    char small_[64];
    std::string large_;
    std::size_t size_ = 0;
};

std::string decimalSeparator(const settings::Formats& formats) {
    return QString(formats.regional().decimalSeparator).toStdString();
}

void appendGeneral(std::string& out, double value, std::string_view separator) {
    // Up to 15 significant digits, in exponent form only when the exponent
    // is below -4 or not below 15; a negative zero is shown as 0.
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value == 0 ? 0.0 : value,
                                   std::chars_format::general, 15)
                         .ptr;
    for (const char* p = digits; p != end; ++p) {
        if (*p == '.')
            out += separator;
        else
            out += *p;
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Up to four digits of a date part, without leading zeros unless `width`
// asks for them.
void appendDatePart(std::string& out, int value, int width) {
    char digits[4];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 4);
    for (int k = n; k < width; ++k)
        out += '0';
    while (n > 0)
        out += digits[--n];
}

}  // namespace

void appendGeneralNumber(std::string& out, double value, const settings::Formats& formats) {
    appendGeneral(out, value, decimalSeparator(formats));
}

void appendGeneralNumberText(std::string& out, std::string_view text, std::string_view separator) {
    // A plain decimal text of at most 15 significant digits, with no
    // leading zero and a value of at least 1, is already in general format
    // once the trailing zeros of its fraction are gone: the double it reads
    // as prints back as the same digits. Anything else is read and written.
    std::size_t i = text.starts_with('-') ? 1 : 0;
    const std::size_t intStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracEnd = i;
    bool plain = intEnd > intStart && text[intStart] != '0';
    if (plain && i < text.size()) {
        plain = text[i] == '.' && i + 1 < text.size();
        for (++i; plain && i < text.size(); ++i)
            plain = isDigit(text[i]);
        fracEnd = text.size();
        while (fracEnd > intEnd + 1 && text[fracEnd - 1] == '0')
            --fracEnd;
        if (fracEnd == intEnd + 1)
            fracEnd = intEnd;  // nothing left after the point
    }
    const std::size_t significant =
        (intEnd - intStart) + (fracEnd > intEnd ? fracEnd - intEnd - 1 : 0);
    if (plain && significant <= 15) {
        out.append(text.data(), intEnd);
        if (fracEnd > intEnd) {
            out += separator;
            out.append(text.data() + intEnd + 1, fracEnd - intEnd - 1);
        }
        return;
    }
    appendGeneral(out, dbase::value::parseNumber(text), separator);
}

QuotedFieldText::QuotedFieldText(const settings::Formats& formats)
    : formats_(formats), separator_(decimalSeparator(formats)) {
    const settings::DateFormat& f =
        settings::dateFormats().at(static_cast<std::size_t>(formats.dateFormat() - 1));
    const std::string_view shortFormat(f.shortFormat);
    dayFirst_ = shortFormat.starts_with('d');
    fourDigitYear_ = shortFormat.ends_with("yyyy");
    if (f.separator.unicode() < 0x80)
        dateSeparator_ = static_cast<char>(f.separator.unicode());
}

void QuotedFieldText::append(std::string& line, const dbase::Table& table, int index) {
    append(line, table, index, table.field(index), table.fieldBytes(index));
}

void QuotedFieldText::append(std::string& line, const dbase::Table& table, int index,
                             const dbase::Field& field, std::string_view raw) {
    switch (field.type) {
        case dbase::FieldType::Character: {
            // The code page has one byte a character, so a field of at most
            // 255 bytes needs no cut; plain ASCII without a double quote
            // needs no conversion either.
            std::string_view text = dbase::value::trimRight(raw);
            bool plain = raw.size() <= static_cast<std::size_t>(kMaxFieldLength);
            for (std::size_t i = 0; plain && i < text.size(); ++i)
                plain = static_cast<unsigned char>(text[i]) < 0x80 && text[i] != '"';
            if (!plain)
                break;
            while (!text.empty() && text.front() == ' ')
                text.remove_prefix(1);
            line += '"';
            line += text;
            line += '"';
            return;
        }
        case dbase::FieldType::Numeric:
        case dbase::FieldType::Float: {
            line += '"';
            const std::string_view text = dbase::value::numberText(raw);
            if (!text.empty())
                appendGeneralNumberText(line, text, separator_);
            line += '"';
            return;
        }
        case dbase::FieldType::Date: {
            line += '"';
            const dbase::Date date = dbase::value::parseDate(raw);
            if (date.isValid() && dateSeparator_ != 0) {
                appendDatePart(line, dayFirst_ ? date.day : date.month, 1);
                line += dateSeparator_;
                appendDatePart(line, dayFirst_ ? date.month : date.day, 1);
                line += dateSeparator_;
                if (fourDigitYear_)
                    appendDatePart(line, date.year, 4);
                else
                    appendDatePart(line, date.year % 100, 2);
            } else if (date.isValid()) {
                line += formats_.dateToText(date).toStdString();
            }
            line += '"';
            return;
        }
        default:
            break;
    }
    fieldUtf8(table, index, scratch_, formats_);
    appendQuotedField(line, scratch_);
}

QString generalNumber(double value, const settings::Formats& formats) {
    std::string text;
    appendGeneralNumber(text, value, formats);
    return QString::fromStdString(text);
}

void fieldUtf8(const dbase::Table& table, int index, std::string& out,
               const settings::Formats& formats) {
    switch (table.field(index).type) {
        case dbase::FieldType::Numeric:
        case dbase::FieldType::Float:
            out.clear();
            if (!table.isBlank(index))
                appendGeneralNumber(out, table.asFloat(index), formats);
            return;
        case dbase::FieldType::Date:
            out.clear();
            appendDateText(out, table.asDate(index), formats);
            return;
        default:
            table.readString(index, out);
            return;
    }
}

QString fieldText(const dbase::Table& table, int index, const settings::Formats& formats) {
    std::string text;
    fieldUtf8(table, index, text, formats);
    return QString::fromStdString(text);
}

namespace {

// The number at the start of `utf8` as leadingNumber() reads it, written
// into `number` with a point for the separator and without a plus sign;
// returns the count of its digits (0: no number).
int leadingNumberText(std::string_view utf8, bool integer, const settings::Formats& formats,
                      SmallText& number) {
    // The separator as UTF-8 without a string object (an import reads
    // millions of numbers), and the number in a buffer of its own unless
    // it is very long.
    const char16_t sepChar = formats.regional().decimalSeparator.unicode();
    char sep[4];
    std::size_t sepLength = 1;
    if (sepChar < 0x80) {
        sep[0] = static_cast<char>(sepChar);
    } else if (sepChar < 0x800) {
        sep[0] = static_cast<char>(0xC0 | (sepChar >> 6));
        sep[1] = static_cast<char>(0x80 | (sepChar & 0x3F));
        sepLength = 2;
    } else {
        sep[0] = static_cast<char>(0xE0 | (sepChar >> 12));
        sep[1] = static_cast<char>(0x80 | ((sepChar >> 6) & 0x3F));
        sep[2] = static_cast<char>(0x80 | (sepChar & 0x3F));
        sepLength = 3;
    }
    const std::string_view separator(sep, sepLength);
    std::size_t i = 0;
    while (i < utf8.size() && utf8[i] == ' ')
        ++i;
    if (i < utf8.size() && (utf8[i] == '-' || utf8[i] == '+')) {
        if (utf8[i] == '-')
            number += '-';
        ++i;
    }
    int digits = 0;
    bool point = false;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if (c >= '0' && c <= '9') {
            number += c;
            ++digits;
            ++i;
        } else if (!integer && !point && utf8.substr(i).starts_with(separator)) {
            number += '.';
            point = true;
            i += separator.size();
        } else {
            break;
        }
    }
    return digits;
}

}  // namespace

double leadingNumber(std::string_view utf8, bool integer, const settings::Formats& formats) {
    SmallText number;
    if (leadingNumberText(utf8, integer, formats, number) == 0)
        return 0.0;
    // Locale-independent; a number too long for a double reads as infinity,
    // which the engine refuses as too wide for the field.
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    return value;
}

double leadingNumber(const QString& text, bool integer, const settings::Formats& formats) {
    const QByteArray utf8 = text.toUtf8();
    return leadingNumber(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                         integer, formats);
}

bool looksLikeDate(const QString& text, const settings::Formats& formats) {
    if (!text.contains(formats.dateSeparator()))
        return false;
    for (const QChar c : text) {
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    }
    return true;
}

void storeText(dbase::Table& table, int index, int number, const QString& text,
               const settings::Formats& formats, int currentYear) {
    const fields::BookField& f = fields::bookField(number);
    switch (f.kind) {
        case fields::FieldKind::String:
            table.setString(index, text.left(f.width).toStdString());
            break;
        case fields::FieldKind::Integer:
        case fields::FieldKind::Float:
            table.setFloat(index,
                           leadingNumber(text, f.kind == fields::FieldKind::Integer, formats));
            break;
        case fields::FieldKind::Date: {
            if (!looksLikeDate(text, formats))
                return;
            const auto date = formats.textToDate(
                text, currentYear > 0 ? currentYear : QDate::currentDate().year());
            if (!date || !date->isValid())
                throw BadDate(text);
            table.setDate(index, dbase::Date{date->year(), date->month(), date->day()});
            break;
        }
    }
}

void storeUtf8(dbase::Table& table, int index, int number, std::string_view utf8,
               const settings::Formats& formats, int currentYear) {
    const fields::BookField& f = fields::bookField(number);
    switch (f.kind) {
        case fields::FieldKind::String: {
            // No more bytes than the width: no more characters either.
            std::size_t cut = utf8.size() <= static_cast<std::size_t>(f.width) ? utf8.size() : 0;
            for (int chars = 0; cut < utf8.size(); ++cut) {
                if ((static_cast<unsigned char>(utf8[cut]) & 0xC0) != 0x80 && chars++ == f.width)
                    break;
            }
            table.setString(index, utf8.substr(0, cut));
            return;
        }
        case fields::FieldKind::Integer:
        case fields::FieldKind::Float: {
            // A double holds a number of up to 15 digits exactly as written,
            // so such a number goes into the field as text, which it would
            // become again through the double; longer ones go through it.
            const bool integer = f.kind == fields::FieldKind::Integer;
            SmallText text;
            const int digits = leadingNumberText(utf8, integer, formats, text);
            const dbase::FieldType type = table.field(index).type;
            if (digits > 0 && digits <= 15 &&
                (type == dbase::FieldType::Numeric || type == dbase::FieldType::Float))
                table.setString(index, std::string_view(text.data(), text.size()));
            else
                table.setFloat(index, leadingNumber(utf8, integer, formats));
            return;
        }
        case fields::FieldKind::Date:
            storeText(table, index, number,
                      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), formats,
                      currentYear);
            return;
    }
}

void copyField(const dbase::Table& source, int index, dbase::Table& target, int to, int number,
               const settings::Formats& formats, int currentYear, std::string& scratch) {
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
    const QString text = fieldText(source, index, formats);
    storeText(target, to, number, text.left(characterCut(text, kMaxFieldLength)), formats,
              currentYear);
}

bool storedNumberForm(std::string_view raw, int decimals) {
    std::size_t i = 0;
    while (i < raw.size() && raw[i] == ' ')
        ++i;
    const bool negative = i < raw.size() && raw[i] == '-';
    if (negative)
        ++i;
    const std::size_t digits = i;
    while (i < raw.size() && isDigit(raw[i]))
        ++i;
    const std::size_t intDigits = i - digits;
    if (intDigits == 0 || (intDigits > 1 && raw[digits] == '0'))
        return false;
    bool zero = intDigits == 1 && raw[digits] == '0';
    if (decimals > 0) {
        if (i >= raw.size() || raw[i] != '.' ||
            raw.size() - i - 1 != static_cast<std::size_t>(decimals))
            return false;
        for (++i; i < raw.size(); ++i) {
            if (!isDigit(raw[i]))
                return false;
            zero = zero && raw[i] == '0';
        }
    }
    return i == raw.size() && !(negative && zero);
}

RecordCopier::RecordCopier(const dbase::Table& source, std::vector<int> from,
                           const dbase::Table& target, std::vector<int> to,
                           std::vector<int> numbers, const settings::Formats& formats,
                           int currentYear, bool skipBlank)
    : from_(std::move(from)),
      to_(std::move(to)),
      numbers_(std::move(numbers)),
      ways_(from_.size(), Way::Convert),
      offsets_(from_.size(), 0),
      widths_(from_.size(), 0),
      decimals_(from_.size(), 0),
      formats_(formats),
      year_(currentYear),
      skipBlank_(skipBlank) {
    using dbase::FieldType;
    for (std::size_t k = 0; k < from_.size(); ++k) {
        if (from_[k] < 0 || to_[k] < 0 || numbers_[k] <= 0)
            continue;
        const dbase::Field& a = source.field(from_[k]);
        const dbase::Field& b = target.field(to_[k]);
        offsets_[k] = static_cast<std::size_t>(a.offset);
        widths_[k] = static_cast<std::size_t>(a.width);
        decimals_[k] = a.decimals;
        const fields::FieldKind kind = fields::bookField(numbers_[k]).kind;
        const auto numeric = [](FieldType t) {
            return t == FieldType::Numeric || t == FieldType::Float;
        };
        if (a.type == FieldType::Character && b.type == FieldType::Character &&
            kind == fields::FieldKind::String && a.width == b.width &&
            source.codePage() == target.codePage())
            ways_[k] = Way::Bytes;
        else if (numeric(a.type) && numeric(b.type) && a.width == b.width &&
                 a.decimals == b.decimals &&
                 (kind == fields::FieldKind::Float ||
                  (kind == fields::FieldKind::Integer && a.decimals == 0)))
            ways_[k] = Way::Number;
        else if (a.type == FieldType::Date && b.type == FieldType::Date &&
                 kind == fields::FieldKind::Date)
            ways_[k] = Way::Date;
        if (ways_[k] == Way::Convert) {
            convert_.push_back(k);
            continue;
        }
        // Next to the previous field in both tables: the same run.
        if (!runs_.empty() && runs_.back().last + 1 == k && from_[k - 1] + 1 == from_[k] &&
            to_[k - 1] + 1 == to_[k] && runs_.back().offset + runs_.back().length == offsets_[k] &&
            target.field(to_[k - 1]).offset + target.field(to_[k - 1]).width == b.offset) {
            runs_.back().last = k;
            runs_.back().length += widths_[k];
        } else {
            runs_.push_back(Run{k, k, offsets_[k], widths_[k]});
        }
    }
}

void RecordCopier::copy(const dbase::Table& source, dbase::Table& target, int& storing) {
    for (const Run& run : runs_) {
        const std::string_view record = source.recordBytes();
        bool asStored = true;
        for (std::size_t k = run.first; k <= run.last && asStored; ++k) {
            if (ways_[k] == Way::Bytes)
                continue;
            const std::string_view raw = record.substr(offsets_[k], widths_[k]);
            // A blank field left blank is its blanks.
            if (skipBlank_ && raw.find_first_not_of(' ') == std::string_view::npos)
                continue;
            if (ways_[k] == Way::Number)
                asStored = storedNumberForm(raw, decimals_[k]);
            else
                asStored = dbase::value::parseDate(raw).isValid();
        }
        if (asStored) {
            storing = numbers_[run.first];
            target.setFieldsBytes(to_[run.first], to_[run.last],
                                  record.substr(run.offset, run.length));
            continue;
        }
        for (std::size_t k = run.first; k <= run.last; ++k) {
            storing = numbers_[k];
            copyOne(k, source, target);
        }
    }
    for (const std::size_t k : convert_) {
        storing = numbers_[k];
        copyOne(k, source, target);
    }
    storing = 0;
}

// One field, as its bytes where both sides agree and the source holds it in
// stored form, converted otherwise.
void RecordCopier::copyOne(std::size_t k, const dbase::Table& source, dbase::Table& target) {
    switch (ways_[k]) {
        case Way::Bytes:
            target.setFieldBytes(to_[k], source.fieldBytes(from_[k]));
            return;
        case Way::Number: {
            const std::string_view raw = source.fieldBytes(from_[k]);
            if (storedNumberForm(raw, decimals_[k])) {
                target.setFieldBytes(to_[k], raw);
                return;
            }
            break;
        }
        case Way::Date: {
            const std::string_view raw = source.fieldBytes(from_[k]);
            if (dbase::value::parseDate(raw).isValid()) {
                target.setFieldBytes(to_[k], raw);
                return;
            }
            break;
        }
        case Way::Convert:
            break;
    }
    if (!skipBlank_ || !source.isBlank(from_[k]))
        copyField(source, from_[k], target, to_[k], numbers_[k], formats_, year_, scratch_);
}

}  // namespace exchange
