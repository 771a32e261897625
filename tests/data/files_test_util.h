// Helpers for the collection-file tests: small collections and old-version
// tables written by the engine, field names rewritten in the file's header,
// and a second process that holds a table open.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/collection.h"
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
    if (!tag.empty()) t.setIndexTag(tag);
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
    if (!f.open(QIODevice::ReadOnly)) return '?';
    return f.readAll().at(offset);
}

// A second process holding `path` open (shared or exclusive) until destroyed.
class Holder {
public:
    Holder(const QString& path, const char* mode) {
        process_.start(QStringLiteral(TK_DBASE_HELPER), {QStringLiteral("hold"), path, QLatin1String(mode)});
        if (!process_.waitForStarted(5000)) return;
        while (!output_.contains("ready") && !output_.contains("error") && process_.waitForReadyRead(5000))
            output_ += process_.readAllStandardOutput();
    }
    ~Holder() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) process_.kill();
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
