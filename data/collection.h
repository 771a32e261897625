// Collections on disk: pointing a table object at a collection file and
// creating a new, empty collection with the 36 book fields.
//
// A table object is pointed at a file by its full path; the "table name"
// (the file name cut before its first ".") names the collection in the
// window caption and the index file path is directory + table name + ".MDX".
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "dbase/field.h"

namespace dbase {
class Table;
}

namespace books {

// The parts of a collection path, expanded to a full path.
struct TablePath {
    QString fileName;   // full path of the table file
    QString directory;  // full path without the file name, no trailing "/"
    QString tableName;  // the file name cut before its first "."
    QString indexFile;  // directory + "/" + table name + ".MDX"
};
TablePath splitTablePath(const QString& path);

// Closes `table` and points it at the file of `path` (the whole file name is
// kept, so "my.books.dbf" opens that file, not "my.DBF").
void pointTable(dbase::Table& table, const QString& path);

// How book field `number` (1 to 36) is stored in a table, in a collection
// and in a dBase export alike: strings C(width), integers N(11,0), floats
// N(15,2), dates D.
dbase::FieldDef bookFieldDef(int number);

// The storage of the 36 book fields in a new table, in field-number order.
std::vector<dbase::FieldDef> bookFieldDefs();

// Creates an empty collection at `path` (replacing a file of that name), with
// no index. Throws dbase::Error when the engine refuses.
void createCollection(const QString& path);

}  // namespace books
