// Reading the fields of a fixed-size record of the definitions file (and of
// the earlier version's file): strings as a length byte followed by their
// capacity of Windows-1252 bytes, and little-endian integers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>

#include "settings/text_file.h"

namespace reports::record {

// The string at `at` whose capacity is `capacity` bytes; a length byte
// beyond the capacity reads the full capacity.
inline QString string(const char* bytes, int at, int capacity) {
    const int length = std::min(int(static_cast<unsigned char>(bytes[at])), capacity);
    return settings::fromWindows1252(QByteArray(bytes + at + 1, length));
}

inline int int16(const char* bytes, int at) {
    return qFromLittleEndian<qint16>(bytes + at);
}

}  // namespace reports::record
