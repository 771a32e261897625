#include "data/error_text.h"

#include <QRegularExpression>

#include "fields/book_fields.h"
#include "settings/settings.h"

namespace books {

Error::Error(Kind kind, const QString& message, const QString& file)
    : dbase::Error(kind, message.toStdString(), file.toStdString()) {}

Error Error::followedBy(const dbase::Error& first, const std::string& second) {
    return Error(first.kind(), std::string(first.what()) + "\n\n" + second);
}

QString displayName(int number, const settings::Settings& settings) {
    return settings.fieldNames[number];
}

QString withDisplayNames(const QString& engineText, const settings::Settings& settings) {
    static const QRegularExpression fieldWord(QStringLiteral("\\bfield ([A-Za-z0-9_]+)\\b"));
    QString out;
    qsizetype from = 0;
    for (auto it = fieldWord.globalMatch(engineText); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const int number = fields::bookFieldNumber(m.captured(1).toStdString());
        if (number == 0)
            continue;
        out += engineText.mid(from, m.capturedStart(1) - from);
        out += QLatin1Char('"') + displayName(number, settings) + QLatin1Char('"');
        from = m.capturedEnd(1);
    }
    return out + engineText.mid(from);
}

QString errorText(const std::exception& e, const settings::Settings& settings) {
    return withDisplayNames(QString::fromUtf8(e.what()), settings);
}

}  // namespace books
