#include "dbase/mdx_key.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dbase/date.h"

namespace dbase {

namespace {

constexpr unsigned char kZeroExponent = 52;  // digit-position byte of a value below 1
constexpr int kMaxDigits = 20;

// The Julian Day Number of a proleptic-Gregorian date (2000-01-01 = 2451545).
long julianDay(int y, int m, int d) {
    // Count years from March so that the leap day is the last day of a year.
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 2440588;
}

bool digitsOnly(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

double readDouble(std::string_view key) {
    double v = 0;
    if (key.size() >= sizeof v)
        std::memcpy(&v, key.data(), sizeof v);
    return v;
}

bool isZeroNumeric(std::string_view k) {
    for (size_t i = 2; i < k.size(); ++i)
        if (k[i] != 0)
            return false;
    return true;
}

}  // namespace

void appendNumericKey(double value, std::string& out) {
    unsigned char key[kNumericKeyLength] = {};
    if (!std::isfinite(value) || value == 0) {
        key[0] = kZeroExponent;
        key[1] = 0x01;
        out.append(reinterpret_cast<const char*>(key), sizeof key);
        return;
    }
    // 15 significant digits: what a double holds exactly for any number a
    // numeric field can store.
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(value));
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text + 2, 14);
    const int exponent = std::atoi(std::strchr(text, 'e') + 1);
    const int intDigits = exponent + 1;
    // Zeros at the end of the fraction are dropped; those of the integer part stay.
    size_t keep = digits.find_last_not_of('0') + 1;
    if (intDigits > 0 && static_cast<size_t>(intDigits) > keep)
        keep = static_cast<size_t>(std::min(intDigits, kMaxDigits));
    if (keep > digits.size())
        digits.append(keep - digits.size(), '0');
    digits.resize(keep);
    key[0] = static_cast<unsigned char>(kZeroExponent + intDigits);
    key[1] = static_cast<unsigned char>((digits.size() << 2) | 0x01 | (value < 0 ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        const int digit = digits[i] - '0';
        key[2 + i / 2] |= static_cast<unsigned char>(i % 2 == 0 ? digit << 4 : digit);
    }
    out.append(reinterpret_cast<const char*>(key), sizeof key);
}

double numericKeyValue(std::string_view k) {
    if (k.size() < kNumericKeyLength || isZeroNumeric(k))
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(k.data());
    const int count = std::min((b[1] >> 2) & 0x1F, kMaxDigits);
    double mantissa = 0;
    for (int i = 0; i < count; ++i) {
        const int digit = i % 2 == 0 ? b[2 + i / 2] >> 4 : b[2 + i / 2] & 0x0F;
        mantissa = mantissa * 10 + digit;
    }
    const int intDigits = b[0] - kZeroExponent;
    const double v = mantissa * std::pow(10.0, intDigits - count);
    return (b[1] & 0x80) ? -v : v;
}

void appendDateKey(std::string_view s, std::string& out) {
    double day = 0;
    if (s.size() == 8 && digitsOnly(s)) {
        const Date d{std::atoi(std::string(s.substr(0, 4)).c_str()),
                     std::atoi(std::string(s.substr(4, 2)).c_str()),
                     std::atoi(std::string(s.substr(6, 2)).c_str())};
        if (d.isValid())
            day = static_cast<double>(julianDay(d.year, d.month, d.day));
    }
    char bytes[sizeof day];
    std::memcpy(bytes, &day, sizeof day);
    out.append(bytes, sizeof bytes);
}

double dateKeyValue(std::string_view key) {
    return readDouble(key);
}

int compareKeys(KeyType type, std::string_view a, std::string_view b, bool descending) {
    int c = 0;
    switch (type) {
        case KeyType::Character: {
            const size_t n = std::min(a.size(), b.size());
            c = std::memcmp(a.data(), b.data(), n);
            if (c == 0)
                c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
            break;
        }
        case KeyType::Date: {
            const double x = readDouble(a), y = readDouble(b);
            c = x < y ? -1 : (x > y ? 1 : 0);
            break;
        }
        case KeyType::Numeric: {
            if (a.size() < kNumericKeyLength || b.size() < kNumericKeyLength) {
                c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
                break;
            }
            const auto* x = reinterpret_cast<const unsigned char*>(a.data());
            const auto* y = reinterpret_cast<const unsigned char*>(b.data());
            const int sx = isZeroNumeric(a) ? 0 : ((x[1] & 0x80) ? -1 : 1);
            const int sy = isZeroNumeric(b) ? 0 : ((y[1] & 0x80) ? -1 : 1);
            if (sx != sy) {
                c = sx < sy ? -1 : 1;
            } else if (sx != 0) {
                // Same sign: more integer digits is larger, then the digits in order.
                c = x[0] != y[0] ? (x[0] < y[0] ? -1 : 1) : std::memcmp(x + 2, y + 2, 10);
                c = c < 0 ? -1 : (c > 0 ? 1 : 0);
                if (sx < 0)
                    c = -c;
            }
            break;
        }
    }
    return descending ? -c : c;
}

}  // namespace dbase
