// Other dBase readers and writers of the distribution agree with the
// engine: tables it writes read back identically in python3-dbfread and
// Perl's XBase, and tables written by python3-dbf and GDAL open in it with
// the right values.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "dbase/code_page.h"
#include "dbase/table.h"
#include "table_test_util.h"

namespace {

using dbase::Date;
using dbase::Table;
using tktest::TempDir;

// Runs a shell command; returns its standard output, or fails the test.
std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, got);
    const int status = ::pclose(p);
    EXPECT_EQ(status, 0) << command << "\n" << out;
    return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    parts.push_back(cur);
    return parts;
}

std::vector<std::string> lines(const std::string& s) {
    auto v = split(s, '\n');
    if (!v.empty() && v.back().empty())
        v.pop_back();
    return v;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const char* kPython = "/usr/bin/python3";

// The visible records as the engine reads them: fields as text, tab-separated.
std::vector<std::string> engineRows(Table& t) {
    std::vector<std::string> rows;
    for (t.first(); !t.eof(); t.next()) {
        std::string row;
        for (int f = 0; f < t.fieldCount(); ++f)
            row += (f ? "\t" : "") + t.asString(f);
        rows.push_back(row);
    }
    return rows;
}

class EngineWritten : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("BOOKS.DBF");
        Table::create(path, tktest::sampleFields());
        t.setFileName(path);
        t.open();
        tktest::appendBook(t, "Café “Crème” – Ærø", 1999, 12.5, Date{2001, 2, 3}, "Yes");
        tktest::appendBook(t, "Deleted one", 1900, 1, Date{1900, 1, 1});
        tktest::appendBook(t, std::string(35, 'L'), 1869, -0.99, Date{1869, 12, 31});
        t.append();
        t.setString(0, "Blanks");
        t.post();
        tktest::appendBook(t, "War and Peace", 2024, 123456789.01, Date{2024, 2, 29}, "No");
        t.gotoRecNo(2);
        t.deleteRecord();
        expected = engineRows(t);
        ASSERT_EQ(expected.size(), 4u);
    }
    TempDir dir;
    std::string path;
    Table t;
    std::vector<std::string> expected;
};

TEST_F(EngineWritten, PythonDbfreadReadsTheSameValues) {
    const std::string script = dir.file("dump.py");
    writeText(script, R"(import sys, datetime, dbfread
t = dbfread.DBF(sys.argv[1])
for r in t:
    out = []
    for f in t.fields:
        v = r[f.name]
        if v is None: s = ''
        elif isinstance(v, datetime.date): s = v.strftime('%Y%m%d')
        elif f.type in 'NF': s = '%.*f' % (f.decimal_count, v)
        else: s = str(v)
        out.append(s)
    print('\t'.join(out))
print('deleted', len(t.deleted))
)");
    const auto got =
        lines(run(std::string("PYTHONIOENCODING=utf-8 ") + kPython + " " + script + " " + path));
    ASSERT_EQ(got.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(got[i], expected[i]) << "record " << i;
    EXPECT_EQ(got.back(), "deleted 1");
}

TEST_F(EngineWritten, PerlXBaseReadsTheSameValues) {
    const auto got = lines(run("dbf_dump --fs='\t' " + path));
    ASSERT_EQ(got.size(), expected.size());  // the deleted record is skipped
    for (size_t i = 0; i < expected.size(); ++i) {
        // dbf_dump prints the table's bytes (Windows-1252) and numbers as numbers.
        const auto theirs = split(dbase::CodePage::windows1252().decode(got[i]), '\t');
        const auto ours = split(expected[i], '\t');
        ASSERT_EQ(theirs.size(), ours.size()) << got[i];
        for (size_t f = 0; f < ours.size(); ++f) {
            const auto type = t.field(static_cast<int>(f)).type;
            if (type == dbase::FieldType::Numeric && !ours[f].empty()) {
                EXPECT_DOUBLE_EQ(std::stod(theirs[f]), std::stod(ours[f])) << i << "/" << f;
            } else {
                EXPECT_EQ(theirs[f], ours[f]) << i << "/" << f;
            }
        }
    }
}

TEST_F(EngineWritten, GdalReadsTheLettersAndSignsOfWindows1252) {
    t.last();
    t.edit();
    t.setString(0, "Œuvre — 5 € ‰");
    t.post();
    t.close();
    EXPECT_EQ(tktest::readBytes(path)[29], 0x03);
    const std::string csv = run("ogr2ogr -f CSV /vsistdout/ " + path + " 2>&1");
    EXPECT_NE(csv.find("Œuvre — 5 € ‰"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Café “Crème” – Ærø"), std::string::npos) << csv;
}

TEST(ForeignWriters, PerlXBaseCharacterFieldsWiderThan254) {
    TempDir dir;
    const std::string path = dir.file("wide.dbf");
    run("perl -MXBase -e 'my $t = XBase->create(name => $ARGV[0], field_names => [\"LONG\", "
        "\"N\"], field_types => [\"C\", \"N\"], field_lengths => [300, 3], field_decimals => "
        "[0, 0]) or die XBase->errstr; $t->set_record(0, (\"x\" x 299) . \"y\", 7) or die; "
        "$t->close;' " +
        path);
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.field(0).width, 300);
    t.first();
    EXPECT_EQ(t.asString(0), std::string(299, 'x') + "y");
    EXPECT_EQ(t.asFloat(1), 7.0);
}

TEST(ForeignWriters, GdalFieldNamesAndNullNumbersOpen) {
    TempDir dir;
    writeText(dir.file("in.csv"), "my title,année,cost\nDune,1965,\nWar,,2.5\n");
    run("ogr2ogr -f 'ESRI Shapefile' -oo AUTODETECT_TYPE=YES " + dir.file("out") + " " +
        dir.file("in.csv") + " 2>&1");
    const std::string path = dir.file("out/in.dbf");
    Table t;
    t.setFileName(path);
    t.setReadOnly(true);
    t.open();
    EXPECT_EQ(t.field(0).name, "my title");
    EXPECT_EQ(t.field(1).name, "année");
    t.first();
    EXPECT_EQ(t.asString(t.fieldIndex("MY TITLE")), "Dune");
    EXPECT_EQ(t.asString(t.fieldIndex("ANNéE")), "1965");
    EXPECT_EQ(t.asString(t.fieldIndex("cost")), "");  // GDAL's null: asterisks
    EXPECT_TRUE(t.isBlank(2));
    t.next();
    EXPECT_EQ(t.asString(1), "");
    EXPECT_DOUBLE_EQ(t.asFloat(2), 2.5);
    t.close();
    // Written back through the engine, GDAL reads the values it wrote.
    t.setReadOnly(false);
    t.open();
    for (t.first(); !t.eof(); t.next()) {
        t.edit();
        for (int f = 0; f < t.fieldCount(); ++f)
            t.setString(f, t.asString(f));
        t.post();
    }
    t.close();
    const std::string csv = run("ogr2ogr -f CSV /vsistdout/ " + path + " 2>&1");
    EXPECT_NE(csv.find("Dune,\"1965\",\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("War,,2.5"), std::string::npos) << csv;
}

TEST(ForeignWriters, PythonDbfTableOpensWithTheRightValues) {
    TempDir dir;
    const std::string path = dir.file("pyd.dbf");
    const std::string script = dir.file("make.py");
    writeText(script, R"(import sys, datetime, dbf
t = dbf.Table(sys.argv[1], 'title C(30); year N(4,0); cost N(10,2); bought D; ok L',
              codepage='cp1252', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Caf\u00e9 \u20ac', 1999, 12.5, datetime.date(2001, 2, 3), True))
t.append(('Gone', 1900, 1, None, False))
t.append(('Last', None, None, None, None))
with t[1] as r:
    dbf.delete(r)
t.close()
)");
    run(std::string(kPython) + " " + script + " " + path);
    Table t;
    t.setFileName(path);
    t.open();
    EXPECT_EQ(t.codePage(), "cp1252");
    EXPECT_EQ(t.recordCount(), 2u);
    EXPECT_EQ(t.physicalRecordCount(), 3u);
    t.first();
    EXPECT_EQ(t.asString(t.fieldIndex("Title")), "Café €");
    EXPECT_EQ(t.asFloat(t.fieldIndex("year")), 1999.0);
    EXPECT_DOUBLE_EQ(t.asFloat(t.fieldIndex("COST")), 12.5);
    EXPECT_EQ(t.asDate(t.fieldIndex("bought")), (Date{2001, 2, 3}));
    EXPECT_TRUE(t.asBool(t.fieldIndex("ok")));
    t.next();
    EXPECT_EQ(t.asString(0), "Last");
    EXPECT_TRUE(t.isBlank(1));
    EXPECT_TRUE(t.asDate(3).isNull());
    // The engine can add to it, and python3-dbf still reads it.
    t.append();
    t.setString(t.fieldIndex("title"), "Engine");
    t.setFloat(t.fieldIndex("cost"), 2.25);
    t.post();
    t.close();
    writeText(script,
              "import sys, dbf\nt = dbf.Table(sys.argv[1]); t.open()\n"
              "print(len(t), t[-1].title.strip(), t[-1].cost)\n");
    EXPECT_EQ(run(std::string(kPython) + " " + script + " " + path), "4 Engine 2.25\n");
}

TEST(ForeignWriters, GdalTableFromCsvOpensWithTheRightValues) {
    TempDir dir;
    writeText(dir.file("in.csv"),
              "title,year,cost,bought\n\"Café, "
              "Paris\",1999,12.50,2001-02-03\nWar,1869,0.99,1990-12-31\n");
    run("ogr2ogr -f 'ESRI Shapefile' -oo AUTODETECT_TYPE=YES " + dir.file("out") + " " +
        dir.file("in.csv") + " 2>&1");
    Table t;
    t.setFileName(dir.file("out/in.dbf"));
    t.open();
    EXPECT_EQ(t.field(0).name, "title");  // as GDAL wrote it; found in any case
    EXPECT_EQ(t.recordCount(), 2u);
    t.first();
    EXPECT_EQ(t.asString(t.fieldIndex("TITLE")), "Café, Paris");
    EXPECT_EQ(t.asFloat(t.fieldIndex("YEAR")), 1999.0);
    EXPECT_DOUBLE_EQ(t.asFloat(t.fieldIndex("COST")), 12.5);
    EXPECT_EQ(t.asDate(t.fieldIndex("BOUGHT")), (Date{2001, 2, 3}));
    t.next();
    EXPECT_EQ(t.asString(0), "War");
    EXPECT_DOUBLE_EQ(t.asFloat(2), 0.99);
    EXPECT_EQ(t.asDate(3), (Date{1990, 12, 31}));
}

}  // namespace
