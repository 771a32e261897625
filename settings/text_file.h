// Plain text files of the program (settings, pick lists, delimited text):
// decoding bytes read from disk and replacing a file atomically.
//
// Files are written as UTF-8. On reading, bytes that form valid UTF-8 are
// read as UTF-8 (a leading byte-order mark is dropped); anything else is read
// as Windows-1252, so that files made by the earlier program read correctly.
#pragma once

#include <QByteArray>
#include <QString>

namespace settings {

// UTF-8 when `bytes` is valid UTF-8, otherwise Windows-1252.
QString decodeText(const QByteArray& bytes);

// Windows-1252 to text; every byte maps to one character (the five bytes the
// code page leaves undefined map to the control character of the same value).
QString fromWindows1252(const QByteArray& bytes);

// Reads the whole file and decodes it. Returns false (and leaves `text`
// empty) when the file cannot be opened or read.
bool readText(const QString& path, QString* text, QString* error = nullptr);

// Writes `data` to a temporary file in the folder of `path` and renames it
// over `path`. On any failure the old file is left as it was, the temporary
// file is removed and false is returned with the reason in `error`.
bool writeAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// Test seam: while an instance lives, writeAtomically() fails as a full disk
// would, after `bytes` bytes of the temporary file have been written.
class WriteFaultForTesting {
  public:
    explicit WriteFaultForTesting(qint64 bytes);
    ~WriteFaultForTesting();
    WriteFaultForTesting(const WriteFaultForTesting&) = delete;
    WriteFaultForTesting& operator=(const WriteFaultForTesting&) = delete;
};

}  // namespace settings
