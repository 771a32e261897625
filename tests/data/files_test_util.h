// Helpers for the collection-file tests: small collections and old-version
// tables written by the engine, field names rewritten in the file's header,
// and a second process that holds a table open.
#pragma once

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "data/collection.h"
#include "data/database_files.h"
#include "dbase/table.h"

namespace filestest {

// A collection at `path` holding one book per title (Author "A <title>").
inline void writeBooks(const QString& path, const QStringList& titles) {
    books::createCollection(path);
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    for (const QString& title : titles) {
        t.append();
        t.setString(t.fieldIndex("Title"), title.toStdString());
        t.setString(t.fieldIndex("Author"), ("A " + title).toStdString());
        t.post();
    }
}

// Titles in the table's current order, as it opens with no tag selected or
// with `tag`.
inline QStringList titles(const QString& path, const std::string& tag = {}) {
    dbase::Table t;
    t.setFileName(path.toStdString());
    if (!tag.empty())
        t.setIndexTag(tag);
    t.open();
    QStringList out;
    for (t.first(); !t.isEmpty() && !t.eof(); t.next())
        out << QString::fromStdString(t.asString(t.fieldIndex("Title")));
    return out;
}

// Rewrites the name of field `index` (0-based) in the header of a dBase file,
// as another program might have written it (mixed case, another name).
inline void renameField(const QString& path, int index, const QByteArray& name) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(32 + 32 * index));
    QByteArray bytes = name.left(10);
    bytes.append(QByteArray(11 - bytes.size(), '\0'));
    ASSERT_EQ(f.write(bytes), 11);
}

inline char headerByte(const QString& path, int offset) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return '?';
    return f.readAll().at(offset);
}

// A version-2 table: a record number first, then the 25 old fields with the
// types that version wrote.
inline void writeVersion2(const QString& path) {
    std::vector<dbase::FieldDef> defs{{"RECNUM", dbase::FieldType::Numeric, 6, 0}};
    for (std::string_view n : books::kVersion2FieldNames) {
        const std::string name(n);
        if (name == "YearPub" || name == "Pages")
            defs.push_back({name, dbase::FieldType::Numeric, 5, 0});
        else if (name == "Cost" || name == "Value")
            defs.push_back({name, dbase::FieldType::Numeric, 10, 2});
        else if (name == "PurchDate" || name == "CheckDate")
            defs.push_back({name, dbase::FieldType::Date, 8, 0});
        else
            defs.push_back({name, dbase::FieldType::Character, 30, 0});
    }
    dbase::Table::create(path.toStdString(), defs);
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    for (int i = 1; i <= 2; ++i) {
        t.append();
        t.setString(t.fieldIndex("Title"), "Old " + std::to_string(i));
        t.setString(t.fieldIndex("YearPub"), std::to_string(1980 + i));
        t.setString(t.fieldIndex("Cost"), "12.5");
        t.setDate(t.fieldIndex("PurchDate"), dbase::Date{1994, 11, 20 + i});
        t.setString(t.fieldIndex("CheckPerso"), "Neighbour");
        t.setString(t.fieldIndex("Location"), "Shelf " + std::to_string(i));
        t.post();
    }
}

struct V1Row {
    const char* title;
    const char* day;
    const char* month;
    const char* year;
};

inline void writeVersion1(const QString& path, const std::vector<V1Row>& rows) {
    std::vector<dbase::FieldDef> defs{{"ID", dbase::FieldType::Character, 4, 0}};
    for (std::string_view n : books::kVersion1FieldNames) {
        const std::string name(n);
        if (name == "Cost" || name == "Value")
            defs.push_back({name, dbase::FieldType::Numeric, 10, 2});
        else
            defs.push_back(
                {name, dbase::FieldType::Character, name.starts_with("Purch") ? 4 : 30, 0});
    }
    dbase::Table::create(path.toStdString(), defs);
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    for (const V1Row& r : rows) {
        t.append();
        t.setString(t.fieldIndex("Title"), r.title);
        t.setString(t.fieldIndex("WherePurch"), "Fair");
        t.setString(t.fieldIndex("Value"), "3.25");
        t.setString(t.fieldIndex("PurchDay"), r.day);
        t.setString(t.fieldIndex("PurchMonth"), r.month);
        t.setString(t.fieldIndex("PurchYear"), r.year);
        t.post();
    }
}

// A second process holding `path` open (shared or exclusive) until destroyed.
class Holder {
  public:
    Holder(const QString& path, const char* mode) {
        process_.start(QStringLiteral(TK_DBASE_HELPER),
                       {QStringLiteral("hold"), path, QLatin1String(mode)});
        if (!process_.waitForStarted(5000))
            return;
        while (!output_.contains("ready") && !output_.contains("error") &&
               process_.waitForReadyRead(5000))
            output_ += process_.readAllStandardOutput();
    }
    ~Holder() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(1000);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool ready() const { return output_.contains("ready"); }

  private:
    QProcess process_;
    QByteArray output_;
};

}  // namespace filestest
