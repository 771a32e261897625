// Export and import over real collection files: what lands in the text file
// and the dBase table, the walk in the table's order and under its filter, and
// an import that stops at a bad line without losing or half-writing records.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <map>

#include "data/collection.h"
#include "dbase/field_value.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/transfer.h"
#include "exchange/values.h"
#include "fields/book_fields.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/dbase/fault_file_system.h"

namespace {

using Values = std::map<std::string, std::string>;

class Transfer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("MASTER.DBF"));
        books::createCollection(path);
        open(table, path);
    }
    static void open(dbase::Table& t, const QString& file) {
        t.setFileName(file.toStdString());
        t.open();
    }
    void add(const Values& values) { addTo(table, values); }
    static void addTo(dbase::Table& t, const Values& values) {
        t.append();
        for (const auto& [name, value] : values) {
            const int i = t.fieldIndex(name);
            if (t.field(i).type == dbase::FieldType::Date) {
                dbase::Date d;
                ASSERT_TRUE(dbase::value::parseDateText(value, d));
                t.setDate(i, d);
            } else {
                t.setString(i, value);
            }
        }
        t.post();
    }
    QByteArray read(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QString writeFile(const QByteArray& bytes) {
        const QString file = dir.filePath(QStringLiteral("in.txt"));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return file;
    }
    // A field of every record of the table, in record order.
    static std::vector<std::string> column(dbase::Table& t, const char* name) {
        std::vector<std::string> out;
        const int i = t.fieldIndex(name);
        t.refresh();
        for (t.first(); !t.eof() && !t.isEmpty(); t.next())
            out.push_back(t.asString(i));
        return out;
    }

    QTemporaryDir dir;
    QString path;
    dbase::Table table;
    // Date format 1 (m/d/y with "/"), U.S. numbers, the default captions.
    settings::Settings settings_;
};

// A number read from text is stored as its value would be: short numbers
// go into the field as text, long ones through a double, and both ways
// give the same bytes (or both refuse the number).
TEST_F(Transfer, NumbersFromTextAreStoredAsTheirValues) {
    const settings::Formats us;
    settings::Formats comma;
    settings::NumberFormat regional;
    regional.decimalSeparator = QChar(u',');
    comma.setRegional(regional);
    const char* texts[] = {"201.83",
                           "76.5",
                           "76.50",
                           "0.125",
                           "2.675",
                           "-0",
                           "-.5",
                           "5.",
                           "007",
                           "+5",
                           "12abc",
                           "",
                           "abc",
                           "-",
                           "99999",
                           "9.995",
                           "0.005",
                           "-0.004",
                           "1e5",
                           "1,5",
                           "-12,25x",
                           "123456789.123456",
                           "123456789012.345",
                           "1234567890123456",
                           "000000000000000000012"};
    for (const settings::Formats* formats : {&us, static_cast<const settings::Formats*>(&comma)}) {
        for (const int number : {3, 7, 24}) {  // integers of 4 and 5 digits, money
            const bool integer = fields::bookField(number).kind == fields::FieldKind::Integer;
            const int index = table.fieldIndex(std::string(fields::bookField(number).name));
            const dbase::Field f = table.field(index);
            for (const char* text : texts) {
                SCOPED_TRACE(std::string(text) + " into field " + std::to_string(number));
                auto stored = [&](auto store) {
                    table.append();
                    std::string bytes;
                    try {
                        store();
                        bytes = std::string(table.recordBytes().substr(
                            static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width)));
                    } catch (const dbase::Error&) {
                        bytes = "refused";
                    }
                    table.cancel();
                    return bytes;
                };
                const std::string viaText = stored(
                    [&] { exchange::storeUtf8(table, index, number, text, *formats, 2026); });
                const std::string viaValue = stored([&] {
                    table.setFloat(
                        index, exchange::leadingNumber(std::string_view(text), integer, *formats));
                });
                EXPECT_EQ(viaText, viaValue);
            }
        }
    }
}

TEST_F(Transfer, DelimitedExportWritesEditTextsInOutputOrder) {
    add({{"Title", "abc\"def"},
         {"YearPub", "1995"},
         {"Cost", "12.5"},
         {"PurchDate", "19960315"},
         {"Author", "  Padded  "}});
    add({{"Title", "Second"}});
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    std::vector<std::uint32_t> steps;
    const auto written = exchange::exportDelimited(
        table, {1, 3, 7, 12, 2}, {"Title", "Year Pub", "Cost", "Purchase Date", "Author"}, out,
        settings_.formats, [&](std::uint32_t done, std::uint32_t total) {
            EXPECT_EQ(total, 2u);
            steps.push_back(done);
        });
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(steps, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(read(out),
              "\"Title\",\"Year Pub\",\"Cost\",\"Purchase Date\",\"Author\"\r\n"
              "\"abc\"\"def\",\"1995\",\"12.5\",\"3/15/96\",\"Padded\"\r\n"
              "\"Second\",\"\",\"\",\"\",\"\"\r\n");
}

// The walks write and read in the formats and captions they are handed,
// whatever the program's own are.
TEST_F(Transfer, WalksUseTheFormatsAndCaptionsTheyAreGiven) {
    settings::Settings european;
    ASSERT_TRUE(european.formats.setDateFormat(12));  // d.m.yyyy
    settings::NumberFormat regional;
    regional.decimalSeparator = QLatin1Char(',');
    european.formats.setRegional(regional);
    european.fieldNames[12] = QStringLiteral("Bought on");
    add({{"Cost", "12.5"}, {"PurchDate", "19960315"}});
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    exchange::exportDelimited(table, {7, 12}, {}, out, european.formats);
    EXPECT_EQ(read(out), "\"12,5\",\"15.3.1996\"\r\n");
    EXPECT_EQ(exchange::importDelimited(table, out, {7, 12}, false, european).added, 1u);
    EXPECT_EQ(column(table, "Cost"), (std::vector<std::string>(2, "12.50")));
    EXPECT_EQ(column(table, "PurchDate"), (std::vector<std::string>(2, "19960315")));
    // The same text in the default formats: "12,5" is 12, "15.3.1996" no date.
    EXPECT_EQ(exchange::importDelimited(table, out, {7, 12}, false, settings_).added, 1u);
    EXPECT_EQ(column(table, "Cost"), (std::vector<std::string>{"12.50", "12.50", "12.00"}));
    EXPECT_EQ(column(table, "PurchDate"), (std::vector<std::string>{"19960315", "19960315", ""}));
    // A stop names the field by the caption of the settings given.
    const QString bad = writeFile("\"1,5\",\"31.2.1996\"\r\n");
    const auto result = exchange::importDelimited(table, bad, {7, 12}, false, european);
    EXPECT_EQ(result.added, 0u);
    EXPECT_TRUE(result.stopped.contains(QStringLiteral("field \"Bought on\"")))
        << result.stopped.toStdString();
}

TEST_F(Transfer, ExportFollowsTheOrderAndTheFilter) {
    for (const char* title : {"C", "A", "D", "B"})
        add({{"Title", title}});
    table.close();
    table.addIndexTag("NewIndex", "UPPER(TITLE)");
    table.setIndexTag("NewIndex");
    table.open();
    table.setFilter([](const dbase::Table& t) { return t.asString(0) != "B"; });
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    EXPECT_EQ(exchange::exportDelimited(table, {1}, {}, out, settings_.formats), 3u);
    EXPECT_EQ(read(out), "\"A\"\r\n\"C\"\r\n\"D\"\r\n");
}

TEST_F(Transfer, EmptyTableGivesOnlyTheHeaderAndAnEmptyDBaseTable) {
    const QString text = dir.filePath(QStringLiteral("out.txt"));
    EXPECT_EQ(exchange::exportDelimited(table, {1}, {"Title"}, text, settings_.formats), 0u);
    EXPECT_EQ(read(text), "\"Title\"\r\n");
    const QString dbf = dir.filePath(QStringLiteral("out.dbf"));
    EXPECT_EQ(exchange::exportDBase(table, {1}, dbf, settings_.formats), 0u);
    dbase::Table t;
    open(t, dbf);
    EXPECT_TRUE(t.isEmpty());
}

TEST_F(Transfer, DBaseExportHasTheChosenFieldsKindsAndValues) {
    add({{"Title", "First"}, {"YearPub", "1995"}, {"Cost", "12.5"}, {"PurchDate", "19230102"}});
    add({{"Title", "Second"}});
    const QString dbf = dir.filePath(QStringLiteral("out.dbf"));
    EXPECT_EQ(exchange::exportDBase(table, {12, 1, 3, 7}, dbf, settings_.formats), 2u);
    dbase::Table t;
    open(t, dbf);
    ASSERT_EQ(t.fieldCount(), 4);
    EXPECT_EQ(t.field(0).name, "PURCHDATE");
    EXPECT_EQ(t.field(0).type, dbase::FieldType::Date);
    EXPECT_EQ(t.field(1).type, dbase::FieldType::Character);
    EXPECT_EQ(t.field(1).width, 90);
    EXPECT_EQ(t.field(2).type, dbase::FieldType::Numeric);
    EXPECT_EQ(t.field(3).decimals, 2);
    t.first();
    // A date outside the two-digit-year window keeps its century.
    EXPECT_EQ(t.asDate(0), (dbase::Date{1923, 1, 2}));
    EXPECT_EQ(t.asString(1), "First");
    EXPECT_DOUBLE_EQ(t.asFloat(2), 1995);
    EXPECT_DOUBLE_EQ(t.asFloat(3), 12.5);
    t.next();
    EXPECT_TRUE(t.isBlank(0));
    EXPECT_TRUE(t.isBlank(2));  // an empty number stays empty
    t.close();

    // Other dBase readers read it.
    const QString py = QStringLiteral("/usr/bin/python3");
    QProcess p;
    p.start(py,
            {"-c",
             "import sys, dbfread\n"
             "for r in dbfread.DBF(sys.argv[1]): print(r['PURCHDATE'], r['TITLE'], r['YEARPUB'], "
             "r['COST'])",
             dbf});
    ASSERT_TRUE(p.waitForFinished(20000));
    if (p.exitCode() != 0 && p.readAllStandardError().contains("No module named"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(p.readAllStandardOutput(), "1923-01-02 First 1995 12.5\nNone Second None None\n");
}

TEST_F(Transfer, ExportNeverOverwritesTheOpenCollection) {
    add({{"Title", "Keep me"}});
    EXPECT_THROW(exchange::exportDelimited(table, {1}, {}, path, settings_.formats),
                 exchange::FileError);
    EXPECT_THROW(exchange::exportDBase(table, {1}, path, settings_.formats), exchange::FileError);
    EXPECT_EQ(column(table, "Title"), std::vector<std::string>{"Keep me"});
}

TEST_F(Transfer, AFailedExportLeavesTheEarlierFileAndNothingElse) {
    for (int i = 0; i < 5; ++i)
        add({{"Title", "Book " + std::to_string(i)}});
    // Both kinds stop at the third book, as a full disk would stop them.
    const exchange::Progress failing = [](std::uint32_t done, std::uint32_t) {
        if (done == 3)
            throw exchange::FileError("The file could not be written: stopped");
    };
    const QString text = dir.filePath(QStringLiteral("out.txt"));
    const QString table2 = dir.filePath(QStringLiteral("OUT.DBF"));
    for (const QString& file : {text, table2}) {
        QFile earlier(file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    try {
        exchange::exportDelimited(table, {1}, {}, text, settings_.formats, failing);
        ADD_FAILURE() << "the export did not fail";
    } catch (const exchange::FileError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(
            QStringLiteral("Nothing was written to \"%1\".").arg(text)))
            << e.what();
    }
    EXPECT_THROW(exchange::exportDBase(table, {1}, table2, settings_.formats, failing),
                 exchange::FileError);
    EXPECT_EQ(read(text), "earlier");
    EXPECT_EQ(read(table2), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"MASTER.DBF", "OUT.DBF", "out.txt"}));

    // A whole export takes the name, over the earlier file.
    EXPECT_EQ(exchange::exportDelimited(table, {1}, {}, text, settings_.formats), 5u);
    EXPECT_EQ(read(text).count("\r\n"), 5);
    EXPECT_EQ(exchange::exportDBase(table, {1}, table2, settings_.formats), 5u);
    dbase::Table out;
    open(out, table2);
    EXPECT_EQ(column(out, "Title").size(), 5u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"MASTER.DBF", "OUT.DBF", "out.txt"}));
}

// A dBase export large enough to go to the disk in overlapped writes,
// failing at one of its writes while the next records are converted: the
// failure is told, and neither the target nor anything beside it is left.
TEST_F(Transfer, ADBaseExportFailingAtAWriteLeavesNoFile) {
    table.close();
    table.setMode(dbase::OpenMode::Exclusive);
    table.open();
    table.beginBulkAppend();
    for (int i = 0; i < 20000; ++i)
        add({{"Title", "Book " + std::to_string(i)}, {"Author", "Someone"}, {"Cost", "12.5"}});
    table.endBulkAppend();
    std::vector<int> all;
    for (int n = 1; n <= fields::kFieldCount; ++n)
        all.push_back(n);
    const QString out = dir.filePath(QStringLiteral("OUT.DBF"));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    std::uint64_t writes = 0;
    {
        tktest::FaultFileSystem fs;
        fs.watch(dir.path().toStdString());
        ASSERT_EQ(exchange::exportDBase(table, all, out, settings_.formats), 20000u);
        writes = fs.writes();
    }
    ASSERT_GT(writes, 8u);  // the table went in more writes than those failed below
    ASSERT_TRUE(QFile::remove(out));
    for (const auto fault :
         {tktest::FaultFileSystem::Fault::FailWrite, tktest::FaultFileSystem::Fault::DiskFull}) {
        for (const std::uint64_t at : {2u, 4u, 6u}) {
            SCOPED_TRACE("write " + std::to_string(at) + " of " + std::to_string(writes));
            tktest::FaultFileSystem fs;
            fs.watch(dir.path().toStdString());
            fs.arm(fault, at);
            try {
                exchange::exportDBase(table, all, out, settings_.formats);
                ADD_FAILURE() << "a failed write was taken for success";
            } catch (const dbase::Error& e) {
                EXPECT_TRUE(QString::fromStdString(e.message())
                                .contains(QStringLiteral("Nothing was written to")))
                    << e.message();
            }
            fs.disarm();
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), before);
        }
    }
}

TEST_F(Transfer, ExportToAFullDiskFails) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    for (int i = 0; i < 3000; ++i)
        add({{"Title", "A title long enough to fill a buffer quickly " + std::to_string(i)}});
    EXPECT_THROW(
        exchange::exportDelimited(table, {1}, {}, QStringLiteral("/dev/full"), settings_.formats),
        exchange::FileError);
    EXPECT_FALSE(table.controlsDisabled());
}

TEST_F(Transfer, DelimitedImportStoresByKind) {
    const QString file = writeFile(
        "\"Title\",\"Year\",\"Cost\",\"Bought\",\"Checked\",\"Ignored\"\r\n"
        "\"A book with a title that is longer than ninety characters, which is the width of the "
        "field "
        "in the table\",\"1995\",\"12.50\",\"3/15/96\",\"March\",\"x\"\r\n"
        "\r\n"
        "\"Second\",\"\",\"7abc\",\"19960315\",\"\",\"y\"\r\n");
    std::vector<std::uint32_t> counts;
    const auto result =
        exchange::importDelimited(table, file, {1, 3, 7, 12, 18, 0}, true, settings_,
                                  [&](std::uint32_t n) { counts.push_back(n); });
    EXPECT_EQ(result.added, 2u);
    EXPECT_TRUE(result.stopped.isEmpty()) << result.stopped.toStdString();
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{1, 2}));
    const auto titles = column(table, "Title");
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0].size(), 90u);
    EXPECT_EQ(column(table, "YearPub"), (std::vector<std::string>{"1995", "0"}));
    EXPECT_EQ(column(table, "Cost"), (std::vector<std::string>{"12.50", "7.00"}));
    // Only text with the separator and no letters is a date.
    EXPECT_EQ(column(table, "PurchDate"), (std::vector<std::string>{"19960315", ""}));
    EXPECT_EQ(column(table, "CheckDate"), (std::vector<std::string>{"", ""}));
}

TEST_F(Transfer, BadDateStopsTheImportKeepingTheRecordsBefore) {
    add({{"Title", "Already there"}});
    const QString file = writeFile(
        "\"One\",\"1/2/96\"\r\n"
        "\"Two\",\"\"\r\n"
        "\"Bad\",\"13/45/96\"\r\n"
        "\"After\",\"1/2/96\"\r\n");
    const auto result = exchange::importDelimited(table, file, {1, 12}, false, settings_);
    EXPECT_EQ(result.added, 2u);
    EXPECT_TRUE(result.stopped.contains(QStringLiteral("line 3"))) << result.stopped.toStdString();
    EXPECT_TRUE(result.stopped.contains(QStringLiteral("13/45/96")));
    // The field by the name the user knows it by.
    EXPECT_TRUE(
        result.stopped.contains(QStringLiteral("field \"%1\"").arg(settings_.fieldNames[12])))
        << result.stopped.toStdString();
    EXPECT_EQ(table.state(), dbase::TableState::Browse);
    EXPECT_FALSE(table.controlsDisabled());
    // Nothing half-written: the bad record is not in the file, not even blank.
    dbase::Table fresh;
    open(fresh, path);
    EXPECT_EQ(column(fresh, "Title"), (std::vector<std::string>{"Already there", "One", "Two"}));
}

TEST_F(Transfer, ExportedTextImportsBackUnchanged) {
    add({{"Title", "He said \"no\", twice"},
         {"Cost", "3.25"},
         {"PurchDate", "20010704"},
         {"Pages", "12"}});
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    exchange::exportDelimited(table, {1, 7, 12, 24}, {"T", "C", "D", "P"}, out, settings_.formats);
    const auto first = exchange::readFirstLine(out);
    ASSERT_EQ(first.code, 0);
    EXPECT_EQ(exchange::importDelimited(table, out, {1, 7, 12, 24}, true, settings_).added, 1u);
    EXPECT_EQ(column(table, "Title"), (std::vector<std::string>(2, "He said \"no\", twice")));
    EXPECT_EQ(column(table, "Cost"), (std::vector<std::string>(2, "3.25")));
    EXPECT_EQ(column(table, "PurchDate"), (std::vector<std::string>(2, "20010704")));
    EXPECT_EQ(column(table, "Pages"), (std::vector<std::string>(2, "12")));
}

TEST_F(Transfer, DBaseImportTakesTheSourceFieldsByMap) {
    add({{"Title", "Old book"}, {"PurchDate", "19230102"}, {"Cost", "4.5"}});
    const QString dbf = dir.filePath(QStringLiteral("src.dbf"));
    exchange::exportDBase(table, {7, 1, 12}, dbf, settings_.formats);
    EXPECT_EQ(exchange::dbaseFieldNames(dbf), QStringList({"COST", "TITLE", "PURCHDATE"}));
    // Cost into Value, Title into Author, the date into PurchDate.
    EXPECT_EQ(exchange::importDBase(table, dbf, {8, 2, 12}, settings_).added, 1u);
    EXPECT_EQ(column(table, "Author"), (std::vector<std::string>{"", "Old book"}));
    EXPECT_EQ(column(table, "Value"), (std::vector<std::string>{"", "4.50"}));
    EXPECT_EQ(column(table, "PurchDate"), (std::vector<std::string>{"19230102", "19230102"}));
}

TEST_F(Transfer, DBaseImportConvertsBetweenKindsAndRefusesANumberTooWide) {
    const QString dbf = dir.filePath(QStringLiteral("other.dbf"));
    auto def = [](const char* name, dbase::FieldType type, int width, int decimals) {
        dbase::FieldDef d;
        d.name = name;
        d.type = type;
        d.width = width;
        d.decimals = decimals;
        return d;
    };
    dbase::Table::create(dbf.toStdString(), {def("PART", dbase::FieldType::Numeric, 12, 4),
                                             def("PAGESTXT", dbase::FieldType::Character, 10, 0),
                                             def("YEARNUM", dbase::FieldType::Numeric, 6, 0),
                                             def("BIG", dbase::FieldType::Numeric, 20, 0)});
    {
        dbase::Table other;
        open(other, dbf);
        other.append();
        other.setFloat(0, -12.75);
        other.setString(1, "345 pages");
        other.setFloat(2, 1999);
        other.setFloat(3, 1e15);
        other.post();
    }
    // A number into an integer field keeps its whole part, text into a
    // number reads its leading number, a number into text is its edit text.
    EXPECT_EQ(exchange::importDBase(table, dbf, {24, 3, 1}, settings_).added, 1u);
    EXPECT_EQ(column(table, "Pages"), (std::vector<std::string>{"-12"}));
    EXPECT_EQ(column(table, "YearPub"), (std::vector<std::string>{"345"}));
    EXPECT_EQ(column(table, "Title"), (std::vector<std::string>{"1999"}));
    // Too wide for Value: refused and said, not stored as its first digit.
    const exchange::ImportResult wide = exchange::importDBase(table, dbf, {0, 0, 0, 8}, settings_);
    EXPECT_EQ(wide.added, 0u);
    EXPECT_FALSE(wide.stopped.isEmpty());
    EXPECT_EQ(column(table, "Value").size(), 1u);
}

// Stores bytes as another program may have left them.
void putBytes(dbase::Table& t, const char* name, std::string_view bytes) {
    const int i = t.fieldIndex(name);
    std::string padded(bytes);
    padded.resize(static_cast<std::size_t>(t.field(i).width), ' ');
    t.setFieldBytes(i, padded);
}

// An export quotes each field straight from the stored bytes; what it
// writes must be the field's edit text quoted, for awkward bytes and in
// every date format.
TEST_F(Transfer, ExportQuotesEveryFieldAsItsEditText) {
    add({{"Title", "  Leading blanks"},
         {"Author", "He said \"no\""},
         {"Publisher", "Caf\xC3\xA9 \xE2\x82\xAC"},
         {"Cost", "12.5"},
         {"Value", "-3"},
         {"PurchDate", "19960307"},
         {"CheckDate", "00450607"},
         {"Pages", "1234"}});
    add({});
    table.append();
    putBytes(table, "Title", std::string_view("A\0B\0\0", 5));
    putBytes(table, "Author", "\x81\x9D odd bytes");
    putBytes(table, "Cost", "4.5");  // left-aligned
    putBytes(table, "Value", "***");
    putBytes(table, "LowMarket", "   -0.00");
    putBytes(table, "HighMarket", "  1e5");
    putBytes(table, "PurchDate", "19961340");  // no such date
    putBytes(table, "CheckDate", "2000");
    table.post();
    for (int code = 1; code <= settings::kDateFormatCount; ++code) {
        settings::Formats formats;
        ASSERT_TRUE(formats.setDateFormat(code));
        exchange::QuotedFieldText text(formats);
        for (table.first(); !table.eof(); table.next()) {
            for (int i = 0; i < table.fieldCount(); ++i) {
                std::string want, got = "x", value;
                exchange::fieldUtf8(table, i, value, formats);
                exchange::appendQuotedField(want, value);
                text.append(got, table, i);
                EXPECT_EQ(got, "x" + want) << "format " << code << ", field " << i;
                // The same from the field cut out of the whole record.
                const dbase::Field& f = table.field(i);
                std::string fromRecord;
                text.append(fromRecord, table, i, f,
                            table.recordBytes().substr(static_cast<std::size_t>(f.offset),
                                                       static_cast<std::size_t>(f.width)));
                EXPECT_EQ(fromRecord, want) << "format " << code << ", field " << i;
            }
        }
    }
}

// A dBase export copies text as its bytes only between fields of one width
// and code page, and numbers and dates only in the form the target stores;
// anything else is converted as before, also where neighbouring fields go
// across as their bytes in one piece.
TEST_F(Transfer, DBaseExportCopiesBytesOnlyWhereBothSidesAgree) {
    auto def = [](const char* name, dbase::FieldType type, int width, int decimals) {
        dbase::FieldDef d;
        d.name = name;
        d.type = type;
        d.width = width;
        d.decimals = decimals;
        return d;
    };
    for (const bool dos : {false, true}) {
        const QString src = dir.filePath(QStringLiteral("src.dbf"));
        dbase::Table::create(src.toStdString(), {def("TITLE", dbase::FieldType::Character, 90, 0),
                                                 def("AUTHOR", dbase::FieldType::Character, 40, 0),
                                                 def("COST", dbase::FieldType::Numeric, 15, 2),
                                                 def("VALUE", dbase::FieldType::Numeric, 15, 2),
                                                 def("PAGES", dbase::FieldType::Numeric, 11, 2),
                                                 def("PURCHDATE", dbase::FieldType::Date, 8, 0),
                                                 def("CHECKDATE", dbase::FieldType::Date, 8, 0)});
        if (dos) {  // a table of a DOS program: code page 437
            QFile f(src);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(29);
            f.write("\x01", 1);
        }
        dbase::Table source;
        open(source, src);
        source.append();
        putBytes(source, "TITLE", "Caf\x82 \x81");
        putBytes(source, "AUTHOR", "Caf\x82");
        putBytes(source, "COST", "4.5");               // left-aligned
        putBytes(source, "VALUE", "         -12.50");  // as stored
        putBytes(source, "PAGES", "      12.75");      // decimals into a whole number
        putBytes(source, "PURCHDATE", "19960307");
        putBytes(source, "CHECKDATE", "19961340");  // no such date
        source.post();
        // Every number and date as stored.
        source.append();
        putBytes(source, "TITLE", "Plain");
        putBytes(source, "AUTHOR", "Someone");
        putBytes(source, "COST", "           4.50");
        putBytes(source, "VALUE", "        1234.00");
        putBytes(source, "PAGES", "      12.75");
        putBytes(source, "PURCHDATE", "20010911");
        putBytes(source, "CHECKDATE", "19450508");
        source.post();
        const QString out = dir.filePath(QStringLiteral("out.dbf"));
        ASSERT_EQ(exchange::exportDBase(source, {1, 2, 7, 8, 24, 12, 18}, out, settings_.formats),
                  2u);
        dbase::Table t;
        open(t, out);
        t.first();
        // Same width and code page: the very bytes, even one without a
        // character. A DOS table's text is converted to the target's.
        EXPECT_EQ(t.fieldBytes(0).substr(0, 6), dos ? "Caf\xE9 \xFC" : "Caf\x82 \x81");
        EXPECT_EQ(t.asString(1), dos ? "Caf\xC3\xA9" : "Caf\xE2\x80\x9A");
        EXPECT_EQ(t.fieldBytes(2), "           4.50");
        EXPECT_EQ(t.fieldBytes(3), "         -12.50");
        EXPECT_EQ(t.asString(4), "12");
        EXPECT_EQ(t.fieldBytes(5), "19960307");
        EXPECT_TRUE(t.isBlank(6));
        t.next();
        EXPECT_EQ(t.asString(0), "Plain");
        EXPECT_EQ(t.asString(1), "Someone");
        EXPECT_EQ(t.fieldBytes(2), "           4.50");
        EXPECT_EQ(t.fieldBytes(3), "        1234.00");
        EXPECT_EQ(t.asString(4), "12");
        EXPECT_EQ(t.fieldBytes(5), "20010911");
        EXPECT_EQ(t.fieldBytes(6), "19450508");
        t.close();
        source.close();
    }
}

TEST_F(Transfer, ImportingTheCollectionIntoItselfReadsOnlyItsRecords) {
    add({{"Title", "Only"}});
    EXPECT_EQ(exchange::importDBase(table, path, {1}, settings_).added, 1u);
    EXPECT_EQ(column(table, "Title"), (std::vector<std::string>{"Only", "Only"}));
}

}  // namespace
