// A collection in a temporary folder with books made to measure, for the
// query, locate and replace tests.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <utility>

#include "data/collection.h"
#include "dbase/table.h"

namespace findtest {

using Values = std::initializer_list<std::pair<const char*, QString>>;

// Appends one book with the given fields (dates as "yyyy-mm-dd").
inline void appendBook(dbase::Table& t, Values values) {
    t.append();
    for (const auto& [name, value] : values) {
        const int f = t.fieldIndex(name);
        if (t.field(f).type == dbase::FieldType::Date) {
            const QStringList p = value.split(QLatin1Char('-'));
            t.setDate(f, dbase::Date{p[0].toInt(), p[1].toInt(), p[2].toInt()});
        } else {
            t.setString(f, value.toStdString());
        }
    }
    t.post();
}

class CollectionFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("BOOKS.DBF"));
        books::createCollection(path);
        table.setFileName(path.toStdString());
        table.open();
    }
    void add(Values values) { appendBook(table, values); }
    QString title() const {
        return QString::fromStdString(table.asString(table.fieldIndex("Title")));
    }

    QTemporaryDir dir;
    QString path;
    dbase::Table table;
};

}  // namespace findtest
