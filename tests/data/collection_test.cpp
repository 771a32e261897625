// Collections on disk: the 36-field layout and pointing tables at paths.
#include "data/collection.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "data/run_state.h"
#include "dbase/table.h"
#include "fields/book_fields.h"

TEST(Collection, NewCollectionHasTheBookFieldsInOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath("NEW.DBF");
    books::createCollection(path);
    dbase::Table t;
    books::pointTable(t, path);
    t.open();
    ASSERT_EQ(t.fieldCount(), 36);
    for (int i = 0; i < 36; ++i) {
        const auto& f = t.field(i);
        const auto& b = fields::bookField(i + 1);
        EXPECT_EQ(fields::bookFieldNumber(f.name), i + 1) << f.name;
        switch (b.kind) {
            case fields::FieldKind::String:
                EXPECT_EQ(f.type, dbase::FieldType::Character);
                EXPECT_EQ(f.width, b.width);
                break;
            // Numbers are stored N(11,0) and N(15,2), wider than the book
            // widths they are shown and printed in.
            case fields::FieldKind::Integer:
                EXPECT_EQ(f.type, dbase::FieldType::Numeric);
                EXPECT_EQ(f.width, 11) << f.name;
                EXPECT_EQ(f.decimals, 0);
                break;
            case fields::FieldKind::Float:
                EXPECT_EQ(f.type, dbase::FieldType::Numeric);
                EXPECT_EQ(f.width, 15) << f.name;
                EXPECT_EQ(f.decimals, 2);
                break;
            case fields::FieldKind::Date:
                EXPECT_EQ(f.type, dbase::FieldType::Date);
                break;
        }
    }
    EXPECT_EQ(t.recordCount(), 0u);
    EXPECT_FALSE(t.hasIndexFile());
    // A title longer than its field is cut to the width.
    t.append();
    t.setString(0, std::string(120, 'x'));
    t.post();
    EXPECT_EQ(t.asString(0).size(), 90u);
}

TEST(Collection, TablePathKeepsTheWholeFileNameButNamesTheTableByItsFirstPart) {
    const auto p = books::splitTablePath("/data/books/my.books.dbf");
    EXPECT_EQ(p.fileName, "/data/books/my.books.dbf");
    EXPECT_EQ(p.directory, "/data/books");
    EXPECT_EQ(p.tableName, "my");
    EXPECT_EQ(p.indexFile, "/data/books/my.MDX");
    EXPECT_EQ(books::splitTablePath("/x/MASTER.DBF").tableName, "MASTER");
    EXPECT_EQ(books::splitTablePath("/x/../y/A.DBF").directory, "/y");
}

TEST(Collection, PointingAtADottedNameOpensThatFile) {
    QTemporaryDir dir;
    const QString dotted = dir.filePath("my.books.dbf");
    books::createCollection(dotted);
    dbase::Table t;
    books::pointTable(t, dotted);
    EXPECT_NO_THROW(t.open());
    EXPECT_EQ(t.fieldCount(), 36);
}

TEST(RunState, BrowseArgumentInAnyCase) {
    EXPECT_TRUE(books::isBrowseArgument("/BROWSE"));
    EXPECT_TRUE(books::isBrowseArgument("/browse"));
    EXPECT_TRUE(books::isBrowseArgument("/Browse"));
    EXPECT_TRUE(books::isBrowseArgument("--browse"));
    EXPECT_FALSE(books::isBrowseArgument("/BROWSER"));
    EXPECT_FALSE(books::isBrowseArgument("BROWSE"));
    EXPECT_FALSE(books::isBrowseArgument(""));
    EXPECT_FALSE(books::isBrowseArgument("/BROWSE" + QString(40, ' ') + "x"));
}
