#include "data/pick_lists.h"

#include <QDir>

#include "settings/formats.h"
#include "settings/text_file.h"

namespace books {

QString PickLists::fileName(PickList list) {
    switch (list) {
        case PickList::Author:
            return QStringLiteral("AUTHOR.LST");
        case PickList::Location:
            return QStringLiteral("LOCATION.LST");
        case PickList::Bought:
            return QStringLiteral("BOUGHT.LST");
        case PickList::Category:
            return QStringLiteral("CATEGORY.LST");
        case PickList::Publisher:
            return QStringLiteral("PUBLISH.LST");
        case PickList::Rating:
            return QStringLiteral("RATING.LST");
        case PickList::BookType:
            return QStringLiteral("BOOKTYPE.LST");
        case PickList::CheckOut:
            return QStringLiteral("CHECKOUT.LST");
        case PickList::Condition:
            return QStringLiteral("CONDITION.LST");
    }
    return {};
}

QString PickLists::filePath(PickList list) const {
    return directory_ + QLatin1Char('/') + fileName(list);
}

QStringList PickLists::parse(const QString& text) {
    QStringList out;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = line.left(255);
        if (!settings::trimBlanks(line).isEmpty())
            out << line;
    }
    return out;
}

void PickLists::load(PickList list) {
    QString text;
    // A missing list is an empty one.
    settings::readText(filePath(list), &text);
    items_[index(list)] = parse(text);
}

void PickLists::loadAll() {
    for (int n = 1; n <= kPickListCount; ++n)
        load(static_cast<PickList>(n));
    unsaved_ = false;
}

bool PickLists::save(PickList list, QString* error) const {
    QByteArray data;
    for (const QString& item : items(list))
        data += item.toUtf8() + "\r\n";
    return settings::writeAtomically(filePath(list), data, error);
}

QString PickLists::saveAll() const {
    QStringList problems;
    for (int n = 1; n <= kPickListCount; ++n) {
        const auto list = static_cast<PickList>(n);
        QString error;
        if (!save(list, &error))
            problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(filePath(list)),
                                                     error);
    }
    if (problems.isEmpty())
        unsaved_ = false;
    return problems.join(QLatin1Char('\n'));
}

bool PickLists::addTo(QStringList& items, const QString& text) {
    const QString entry = settings::trimBlanks(text);
    if (entry.isEmpty() || items.contains(entry, Qt::CaseSensitive))
        return false;
    items << entry;
    return true;
}

bool PickLists::add(PickList list, const QString& text) {
    if (!addTo(items_[index(list)], text))
        return false;
    unsaved_ = true;
    return true;
}

}  // namespace books
