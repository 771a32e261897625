#include "data/collection.h"

#include <QDir>
#include <QFileInfo>

#include "dbase/table.h"
#include "fields/book_fields.h"

namespace books {

TablePath splitTablePath(const QString& path) {
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    TablePath p;
    p.fileName = info.absoluteFilePath();
    p.directory = info.absolutePath();
    const QString name = info.fileName();
    const auto dot = name.indexOf(QLatin1Char('.'));
    p.tableName = dot < 0 ? name : name.left(dot);
    QString dir = p.directory;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    p.indexFile = dir + p.tableName + QStringLiteral(".MDX");
    return p;
}

void pointTable(dbase::Table& table, const QString& path) {
    if (table.isOpen())
        table.close();
    table.setFileName(splitTablePath(path).fileName.toStdString());
}

dbase::FieldDef bookFieldDef(int number) {
    const fields::BookField& f = fields::bookField(number);
    dbase::FieldDef d;
    d.name = std::string(f.name);
    switch (f.kind) {
        case fields::FieldKind::String:
            d.type = dbase::FieldType::Character;
            d.width = f.width;
            break;
        case fields::FieldKind::Integer:
            d.type = dbase::FieldType::Numeric;
            d.width = 11;
            d.decimals = fields::kIntegerDecimals;
            break;
        case fields::FieldKind::Float:
            d.type = dbase::FieldType::Numeric;
            d.width = 15;
            d.decimals = fields::kFloatDecimals;
            break;
        case fields::FieldKind::Date:
            d.type = dbase::FieldType::Date;
            d.width = 8;
            break;
    }
    return d;
}

std::vector<dbase::FieldDef> bookFieldDefs() {
    std::vector<dbase::FieldDef> defs;
    defs.reserve(fields::kFieldCount);
    for (int number = 1; number <= fields::kFieldCount; ++number)
        defs.push_back(bookFieldDef(number));
    return defs;
}

void createCollection(const QString& path) {
    dbase::Table::create(splitTablePath(path).fileName.toStdString(), bookFieldDefs());
}

}  // namespace books
