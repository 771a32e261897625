#include "dbase/field_value.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace dbase::value {

namespace {
bool isPad(char c) {
    return c == ' ' || c == '\0';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

std::string_view trimRight(std::string_view raw) {
    // Character fields are mostly padding: skip it eight bytes at a time.
    static constexpr char kBlanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    size_t n = raw.size();
    while (n >= 8 && std::memcmp(raw.data() + n - 8, kBlanks, 8) == 0)
        n -= 8;
    while (n > 0 && isPad(raw[n - 1]))
        --n;
    return raw.substr(0, n);
}

std::string_view trim(std::string_view raw) {
    raw = trimRight(raw);
    size_t i = 0;
    while (i < raw.size() && isPad(raw[i]))
        ++i;
    return raw.substr(i);
}

std::string_view numberText(std::string_view raw) {
    const std::string_view t = trim(raw);
    if (t.find_first_not_of('*') == std::string_view::npos)
        return {};
    return t;
}

double parseNumber(std::string_view raw) {
    std::string_view t = trim(raw);
    if (t.empty())
        return 0.0;
    if (t.front() == '+')
        t.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size())
        return 0.0;
    return v;
}

NumberResult formatNumberText(std::string_view text, int width, int decimals, std::string& out) {
    std::string_view t = trim(text);
    if (t.empty()) {
        out.assign(static_cast<size_t>(width), ' ');
        return NumberResult::Blank;
    }
    bool negative = false;
    if (t.front() == '-' || t.front() == '+') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    const size_t point = t.find('.');
    std::string_view intPart = t.substr(0, point);
    std::string_view fracPart =
        point == std::string_view::npos ? std::string_view() : t.substr(point + 1);
    if (intPart.empty() && fracPart.empty())
        return NumberResult::NotANumber;
    for (char c : intPart)
        if (!isDigit(c))
            return NumberResult::NotANumber;
    for (char c : fracPart)
        if (!isDigit(c))
            return NumberResult::NotANumber;

    // The digits kept, as one decimal string: integer digits then `decimals` fraction digits.
    std::string digits(intPart);
    const auto dec = static_cast<size_t>(decimals);
    digits.append(fracPart.substr(0, std::min(dec, fracPart.size())));
    digits.append(dec - std::min(dec, fracPart.size()), '0');
    if (fracPart.size() > dec && fracPart[dec] >= '5') {
        bool carry = true;
        for (size_t i = digits.size(); carry && i > 0;) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                carry = false;
            }
        }
        if (carry)
            digits.insert(digits.begin(), '1');
    }
    size_t intDigits = digits.size() - dec;
    // Leading zeros of the integer part go; at least one digit stays.
    size_t lead = 0;
    while (lead + 1 < intDigits && digits[lead] == '0')
        ++lead;
    digits.erase(0, lead);
    intDigits -= lead;
    std::string body;  // short numbers stay within the string itself
    if (intDigits == 0)
        body.push_back('0');
    body.append(digits, 0, intDigits);
    if (dec > 0) {
        body.push_back('.');
        body.append(digits, intDigits, dec);
    }
    const bool allZero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero)
        body.insert(body.begin(), '-');
    if (body.size() > static_cast<size_t>(width))
        return NumberResult::TooWide;
    out.assign(static_cast<size_t>(width) - body.size(), ' ');
    out.append(body);
    return NumberResult::Ok;
}

NumberResult formatNumber(double v, int width, int decimals, std::string& out) {
    if (v != v || v - v != 0.0)
        return NumberResult::NotANumber;  // NaN or infinite
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (res.ec != std::errc())
        return NumberResult::TooWide;
    return formatNumberText(std::string_view(buf, static_cast<size_t>(res.ptr - buf)), width,
                            decimals, out);
}

Date parseDate(std::string_view raw) {
    if (raw.size() < 8)
        return {};
    int parts[3] = {0, 0, 0};
    const int lengths[3] = {4, 2, 2};
    size_t pos = 0;
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < lengths[p]; ++k, ++pos) {
            if (!isDigit(raw[pos]))
                return {};
            parts[p] = parts[p] * 10 + (raw[pos] - '0');
        }
    }
    Date d{parts[0], parts[1], parts[2]};
    return d.isValid() ? d : Date{};
}

std::string formatDate(Date d) {
    if (d.isNull())
        return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
    return std::string(buf, 8);
}

bool parseDateText(std::string_view text, Date& out) {
    text = trim(text);
    if (text.empty()) {
        out = Date{};
        return true;
    }
    std::string digits;
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        digits.append(text.substr(0, 4)).append(text.substr(5, 2)).append(text.substr(8, 2));
    } else if (text.size() == 8) {
        digits.assign(text);
    } else {
        return false;
    }
    for (char c : digits)
        if (!isDigit(c))
            return false;
    Date d = parseDate(digits);
    if (d.isNull())
        return false;
    out = d;
    return true;
}

bool parseLogical(std::string_view raw) {
    if (raw.empty())
        return false;
    const char c = raw.front();
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

}  // namespace dbase::value
