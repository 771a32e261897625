#include "settings/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace settings {

namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252; 0 where the code
// page defines none (the byte then stands for itself).
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

qint64 g_failAfter = -1;  // bytes before an injected write failure; -1 none

}  // namespace

QString fromWindows1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0 && kHigh1252[b - 0x80] != 0) {
            text.append(QChar(kHigh1252[b - 0x80]));
        } else {
            text.append(QChar(static_cast<char16_t>(b)));
        }
    }
    return text;
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return fromWindows1252(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool readText(const QString& path, QString* text, QString* error) {
    text->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    *text = decodeText(bytes);
    return true;
}

bool writeAtomically(const QString& path, const QByteArray& data, QString* error) {
    // The configuration folder may not exist yet on a new account.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Never fall back to writing the old file in place: that is what would
    // leave it half written.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QByteArray toWrite = data;
    const bool injected = g_failAfter >= 0 && g_failAfter < data.size();
    if (injected)
        toWrite.truncate(static_cast<qsizetype>(g_failAfter));
    if (file.write(toWrite) != toWrite.size() || injected) {
        if (error)
            *error = injected ? QStringLiteral("No space left on device") : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

WriteFaultForTesting::WriteFaultForTesting(qint64 bytes) {
    g_failAfter = bytes;
}
WriteFaultForTesting::~WriteFaultForTesting() {
    g_failAfter = -1;
}

}  // namespace settings
