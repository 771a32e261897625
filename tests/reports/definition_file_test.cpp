// The report definition records and their file: byte offsets, the built-in
// reports as written, changes of the file, and the conversion of the
// earlier version's file.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstring>

#include "reports/definition_file.h"
#include "reports/report_definition.h"
#include "settings/text_file.h"

namespace {

using reports::DefinitionFile;
using reports::kDefinitionSize;
using reports::ReportDefinition;

int u8(const QByteArray& b, int at) {
    return static_cast<unsigned char>(b[at]);
}
int i16(const QByteArray& b, int at) {
    return qFromLittleEndian<qint16>(b.constData() + at);
}
qint32 i32(const QByteArray& b, int at) {
    return qFromLittleEndian<qint32>(b.constData() + at);
}
double f64(const QByteArray& b, int at) {
    const quint64 bits = qFromLittleEndian<quint64>(b.constData() + at);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
// A length-prefixed string at `at`.
QByteArray str(const QByteArray& b, int at) {
    return b.mid(at + 1, u8(b, at));
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A definition in which every field holds a value of its own.
ReportDefinition distinctive() {
    ReportDefinition d = reports::builtInBase();
    d.name = QStringLiteral("Café list");
    d.widthChars = 150;
    d.titleFont = {QStringLiteral("Title Face"), 14, true, false, true, false, 0x00112233};
    d.columnHeaderFont = {QStringLiteral("Header Face"), 9, false, true, false, true, 255};
    d.bodyFont = {QStringLiteral("Body Face"), 11, false, false, false, false, -2};
    d.spareFont = {QStringLiteral("Spare Face"), 7, true, true, true, true, 65280};
    d.footnoteFont = {QStringLiteral("Foot Face"), 6, false, false, false, false, 16711680};
    d.columnHeaders = false;
    d.pageNumbers = true;
    d.landscape = true;
    d.dateOnPages = false;
    d.useTotals = true;
    d.lineCount = 7;
    d.totalsLine.items[0] = {reports::kLabelName, 0, 33, QStringLiteral("Sum €:")};
    d.totalsLine.items[1] = {QStringLiteral("Value"), 2, 12, {}};
    d.marginTop = 0.25;
    d.marginBottom = 1.5;
    d.marginLeft = 0.75;
    d.marginRight = 2.125;
    d.verticalLines = true;
    d.horizontalLines = false;
    d.title1 = QStringLiteral("First title");
    d.title2 = QStringLiteral("Second title");
    d.title3 = QStringLiteral("Third title");
    d.lines[0].items[0] = {QStringLiteral("Title"), 1, 40, {}};
    d.lines[11].items[19] = {reports::kLabelName, 0, 5, QStringLiteral("Last")};
    d.groupLevel1 = false;
    d.groupLevel2 = true;
    d.reserved[0] = 'R';
    d.reserved[497] = 'Z';
    return d;
}

TEST(ReportRecord, EveryFieldLiesAtItsOffset) {
    const QByteArray b = reports::encodeDefinition(distinctive());
    ASSERT_EQ(b.size(), 20622);
    EXPECT_EQ(str(b, 0), QByteArray("Caf\xE9 list"));  // Windows-1252
    EXPECT_EQ(i16(b, 31), 150);
    // The five fonts at 33, 94, 155, 216, 277; within each: name, size at
    // 51, bold 53, italic 54, underline 55, strikeout 56, colour 57.
    EXPECT_EQ(str(b, 33), QByteArray("Title Face"));
    EXPECT_EQ(i16(b, 33 + 51), 14);
    EXPECT_EQ(u8(b, 33 + 53), 1);
    EXPECT_EQ(u8(b, 33 + 54), 0);
    EXPECT_EQ(u8(b, 33 + 55), 1);
    EXPECT_EQ(u8(b, 33 + 56), 0);
    EXPECT_EQ(i32(b, 33 + 57), 0x00112233);
    EXPECT_EQ(str(b, 94), QByteArray("Header Face"));
    EXPECT_EQ(u8(b, 94 + 54), 1);
    EXPECT_EQ(u8(b, 94 + 56), 1);
    EXPECT_EQ(i32(b, 94 + 57), 255);
    EXPECT_EQ(str(b, 155), QByteArray("Body Face"));
    EXPECT_EQ(i16(b, 155 + 51), 11);
    EXPECT_EQ(i32(b, 155 + 57), -2);
    EXPECT_EQ(str(b, 216), QByteArray("Spare Face"));
    EXPECT_EQ(i32(b, 216 + 57), 65280);
    EXPECT_EQ(str(b, 277), QByteArray("Foot Face"));
    EXPECT_EQ(i16(b, 277 + 51), 6);
    EXPECT_EQ(i32(b, 277 + 57), 16711680);
    // Options.
    EXPECT_EQ(u8(b, 338), 0);
    EXPECT_EQ(u8(b, 339), 1);
    EXPECT_EQ(u8(b, 340), 1);
    EXPECT_EQ(u8(b, 341), 0);
    EXPECT_EQ(u8(b, 342), 1);
    EXPECT_EQ(i16(b, 343), 7);
    // Totals line at 345: item 1 label, item 2 a total; 75 bytes an item
    // (name, field number at 31, width at 32, label at 34).
    EXPECT_EQ(str(b, 345), QByteArray("<LABEL>"));
    EXPECT_EQ(i16(b, 345 + 32), 33);
    EXPECT_EQ(str(b, 345 + 34), QByteArray("Sum \x80:"));
    EXPECT_EQ(str(b, 420), QByteArray("Value"));
    EXPECT_EQ(u8(b, 420 + 31), 2);
    EXPECT_EQ(i16(b, 420 + 32), 12);
    EXPECT_EQ(str(b, 495), QByteArray("<FILLER>"));
    EXPECT_EQ(i16(b, 495 + 32), 0);
    // Margins, box lines, titles.
    EXPECT_EQ(f64(b, 1845), 0.25);
    EXPECT_EQ(f64(b, 1853), 1.5);
    EXPECT_EQ(f64(b, 1861), 0.75);
    EXPECT_EQ(f64(b, 1869), 2.125);
    EXPECT_EQ(u8(b, 1877), 1);
    EXPECT_EQ(u8(b, 1878), 0);
    EXPECT_EQ(str(b, 1879), QByteArray("First title"));
    EXPECT_EQ(str(b, 1960), QByteArray("Second title"));
    EXPECT_EQ(str(b, 2041), QByteArray("Third title"));
    // Record lines at 2122, 1500 bytes each.
    EXPECT_EQ(str(b, 2122), QByteArray("Title"));
    EXPECT_EQ(u8(b, 2122 + 31), 1);
    EXPECT_EQ(i16(b, 2122 + 32), 40);
    const int last = 2122 + 11 * 1500 + 19 * 75;
    EXPECT_EQ(last, 20047);
    EXPECT_EQ(str(b, last), QByteArray("<LABEL>"));
    EXPECT_EQ(i16(b, last + 32), 5);
    EXPECT_EQ(str(b, last + 34), QByteArray("Last"));
    EXPECT_EQ(u8(b, 20122), 0);
    EXPECT_EQ(u8(b, 20123), 1);
    EXPECT_EQ(b[20124], 'R');
    EXPECT_EQ(b[20621], 'Z');
}

TEST(ReportRecord, RoundTripsAndCutsLongText) {
    const ReportDefinition d = distinctive();
    const QByteArray bytes = reports::encodeDefinition(d);
    EXPECT_EQ(reports::decodeDefinition(bytes.constData()), d);

    ReportDefinition longer = d;
    longer.name = QString(40, QLatin1Char('n'));
    longer.title1 = QString(100, QLatin1Char('t'));
    const ReportDefinition back =
        reports::decodeDefinition(reports::encodeDefinition(longer).constData());
    EXPECT_EQ(back.name, QString(30, QLatin1Char('n')));
    EXPECT_EQ(back.title1, QString(80, QLatin1Char('t')));
}

TEST(ReportRecord, RefusesTextTheCodePageCannotHoldAndNamesTheField) {
    ReportDefinition d = distinctive();
    d.title2 = QStringLiteral("Ω books");
    QString error;
    EXPECT_TRUE(reports::encodeDefinition(d, &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("Title line 2 holds a character that the report file "
                                    "cannot keep."));
    d = distinctive();
    d.lines[2].items[4].labelText = QStringLiteral("→");
    EXPECT_TRUE(reports::encodeDefinition(d, &error).isEmpty());
    EXPECT_TRUE(error.startsWith(QStringLiteral("Line 3, item 5,"))) << error.toStdString();
}

TEST(ReportRecord, LengthBytesBeyondCapacityReadTheCapacity) {
    QByteArray b = reports::encodeDefinition(reports::builtInBase());
    b[0] = char(200);  // name: capacity 30
    std::memset(b.data() + 1, 'x', 30);
    b[1879] = char(255);  // title 1: capacity 80
    const ReportDefinition d = reports::decodeDefinition(b.constData());
    EXPECT_EQ(d.name, QString(30, QLatin1Char('x')));
    EXPECT_EQ(d.title1.size(), 80);
}

TEST(ReportLine, UsedItemsEndAtTheFirstNarrowItem) {
    reports::ReportLine l = reports::blankLine();
    EXPECT_EQ(l.usedCount(), 1);
    l.items[0].width = 0;
    l.items[1].width = 20;  // ignored: the line ended before it
    EXPECT_EQ(l.usedCount(), 0);
    l.items[0].width = 3;
    l.items[2].width = -1;
    EXPECT_EQ(l.usedCount(), 2);
}

class DefinitionFileTest : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString directory() const { return dir_.path(); }
    QTemporaryDir dir_;
};

TEST_F(DefinitionFileTest, AFreshStartWritesTheEightBuiltInsOnce) {
    auto result = reports::initialiseDefinitions(directory());
    EXPECT_TRUE(result.createdBuiltIns);
    EXPECT_TRUE(result.problems.isEmpty());
    const QString file = path(QStringLiteral("TMKBOOK.URP"));
    EXPECT_EQ(QFileInfo(file).size(), 8 * 20622);
    const QStringList expected = {
        QStringLiteral("Short Narrow Report"), QStringLiteral("2 Line 120 Column Report"),
        QStringLiteral("4 Line Report"),       QStringLiteral("Full Report"),
        QStringLiteral("Location Report"),     QStringLiteral("Library Checkout Report"),
        QStringLiteral("Value Report"),        QStringLiteral("Statistic/Summary Report"),
    };
    EXPECT_EQ(DefinitionFile(file).names(), expected);

    result = reports::initialiseDefinitions(directory());
    EXPECT_FALSE(result.createdBuiltIns);
    EXPECT_EQ(DefinitionFile(file).names(), expected);
}

TEST_F(DefinitionFileTest, BuiltInsAreWrittenFieldByField) {
    reports::initialiseDefinitions(directory());
    const QByteArray all = readFile(path(QStringLiteral("TMKBOOK.URP")));
    const auto record = [&](int n) { return all.mid((n - 1) * 20622, 20622); };
    // Per report: width, font size (all five), spare font, column headers,
    // totals, line count, box lines, grouping.
    struct Row {
        int width, size;
        const char* spare;
        int headers, totals, lineCount, box, group;
    };
    const Row rows[] = {{90, 10, "Arial", 1, 1, 1, 1, 1},   {120, 8, "Courier", 0, 1, 2, 0, 1},
                        {120, 8, "Courier", 0, 1, 4, 0, 1}, {120, 8, "Courier", 0, 1, 10, 0, 1},
                        {90, 10, "Arial", 1, 0, 1, 1, 1},   {120, 8, "Arial", 1, 0, 1, 1, 0},
                        {90, 10, "Arial", 1, 1, 1, 1, 1},   {90, 10, "Arial", 0, 1, 0, 0, 1}};
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        const QByteArray b = record(n);
        const Row& r = rows[n - 1];
        EXPECT_EQ(i16(b, 31), r.width);
        for (const int font : {33, 94, 155, 277}) {
            EXPECT_EQ(str(b, font), QByteArray("Arial"));
            EXPECT_EQ(i16(b, font + 51), r.size);
            EXPECT_EQ(b.mid(font + 53, 4), QByteArray(4, '\0'));  // no style
            EXPECT_EQ(i32(b, font + 57), 0);
        }
        EXPECT_EQ(str(b, 216), QByteArray(r.spare));
        EXPECT_EQ(i16(b, 216 + 51), r.size);
        EXPECT_EQ(u8(b, 338), r.headers);
        EXPECT_EQ(u8(b, 339), 1);  // page numbers
        EXPECT_EQ(u8(b, 340), 0);  // portrait
        EXPECT_EQ(u8(b, 341), 1);  // date on pages
        EXPECT_EQ(u8(b, 342), r.totals);
        EXPECT_EQ(i16(b, 343), r.lineCount);
        for (const int margin : {1845, 1853, 1861, 1869})
            EXPECT_EQ(f64(b, margin), 0.5);
        EXPECT_EQ(u8(b, 1877), r.box);
        EXPECT_EQ(u8(b, 1878), r.box);
        EXPECT_EQ(u8(b, 1879), 0);
        EXPECT_EQ(u8(b, 1960), 0);
        EXPECT_EQ(u8(b, 2041), 0);
        EXPECT_EQ(u8(b, 20122), r.group);
        EXPECT_EQ(u8(b, 20123), 0);
        EXPECT_EQ(b.mid(20124), QByteArray(498, '\0'));
        // The common totals line: widths 10 1 12 8 1 12 13 1 12 14 1 12 60.
        const int widths[] = {10, 1, 12, 8, 1, 12, 13, 1, 12, 14, 1, 12, 60, 0};
        for (int j = 0; j < 14; ++j)
            EXPECT_EQ(i16(b, 345 + j * 75 + 32), widths[j]) << "totals item " << j + 1;
        EXPECT_EQ(str(b, 345 + 34), QByteArray("Cost:"));
        EXPECT_EQ(str(b, 345 + 2 * 75), QByteArray("Cost"));
        EXPECT_EQ(u8(b, 345 + 2 * 75 + 31), 1);
        EXPECT_EQ(str(b, 345 + 11 * 75), QByteArray("High Market"));
        EXPECT_EQ(u8(b, 345 + 11 * 75 + 31), 4);
        EXPECT_EQ(str(b, 345 + 9 * 75 + 34), QByteArray("High Market:"));
        EXPECT_EQ(str(b, 345 + 12 * 75), QByteArray("<FILLER>"));
    }

    const auto defs = DefinitionFile(path(QStringLiteral("TMKBOOK.URP"))).readAll();
    ASSERT_TRUE(defs && defs->size() == 8);
    // Field items carry their book field numbers; lines not listed are blank.
    const auto items = [&](int report, int line) {
        std::vector<std::tuple<QString, int, int, QString>> out;
        const auto& l = (*defs)[std::size_t(report - 1)].lines[std::size_t(line - 1)];
        for (int j = 0; j < l.usedCount(); ++j) {
            const auto& it = l.items[std::size_t(j)];
            out.emplace_back(it.name, it.fieldNumber, it.width, it.labelText);
        }
        return out;
    };
    using T = std::tuple<QString, int, int, QString>;
    const QString F = reports::kFillerName, L = reports::kLabelName;
    EXPECT_EQ(items(1, 1),
              (std::vector<T>{{"Title", 1, 59, ""}, {"YearPub", 3, 5, ""}, {"Author", 2, 27, ""}}));
    EXPECT_EQ(items(1, 2), (std::vector<T>{{F, 0, 150, ""}}));
    EXPECT_EQ(items(2, 2), (std::vector<T>{{L, 0, 7, "Author:"},
                                           {F, 0, 1, ""},
                                           {"Author", 2, 60, ""},
                                           {L, 0, 11, "Year Pub:"},
                                           {F, 0, 1, ""},
                                           {"YearPub", 3, 5, ""},
                                           {L, 0, 9, "Rating:"},
                                           {F, 0, 1, ""},
                                           {"Rating", 11, 15, ""}}));
    EXPECT_EQ(std::get<2>(items(3, 2)[2]), 59);
    EXPECT_EQ(std::get<0>(items(3, 1)[5]), QStringLiteral("BookType"));
    EXPECT_EQ(std::get<2>(items(3, 3)[3]), 9);   // "Catalog:" is 9 wide here ...
    EXPECT_EQ(std::get<2>(items(4, 5)[3]), 10);  // ... and 10 in the full report
    EXPECT_EQ(items(4, 9),
              (std::vector<T>{{L, 0, 6, "Desc:"}, {F, 0, 1, ""}, {"Descriptio", 9, 110, ""}}));
    EXPECT_EQ(items(4, 10), (std::vector<T>{{F, 0, 150, ""}}));
    EXPECT_EQ(items(4, 8).back(), (T{"KeyWords", 23, 77, ""}));
    EXPECT_EQ(items(6, 1), (std::vector<T>{{"Title", 1, 60, ""},
                                           {"CheckOut", 17, 3, ""},
                                           {"CheckDate", 18, 12, ""},
                                           {"CheckName", 19, 30, ""}}));
    EXPECT_EQ(items(7, 1).size(), 5u);
    EXPECT_EQ(std::get<1>(items(7, 1)[4]), 30);
    EXPECT_EQ(items(8, 1), (std::vector<T>{{F, 0, 150, ""}}));
}

TEST_F(DefinitionFileTest, WriteAppendAndDeleteMoveRecords) {
    DefinitionFile file(path(QStringLiteral("TMKBOOK.URP")));
    EXPECT_TRUE(file.names().isEmpty());
    EXPECT_FALSE(file.read(0));
    std::vector<ReportDefinition> defs;
    for (const char* name : {"A", "B", "C"}) {
        ReportDefinition d = reports::newReportDefinition();
        d.name = QString::fromLatin1(name);
        defs.push_back(d);
        ASSERT_TRUE(file.append(d));
    }
    EXPECT_EQ(file.names(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(*file.read(1), defs[1]);

    ReportDefinition changed = defs[1];
    changed.name = QStringLiteral("B2");
    ASSERT_TRUE(file.write(1, changed));
    ASSERT_TRUE(file.write(3, defs[0]));  // at the count: appends
    EXPECT_FALSE(file.write(5, defs[0]));
    EXPECT_EQ(file.names(), (QStringList{"A", "B2", "C", "A"}));

    ASSERT_TRUE(file.remove(3));  // the last: the file shrinks by one record
    EXPECT_EQ(QFileInfo(file.path()).size(), 3 * 20622);
    ASSERT_TRUE(file.remove(0));  // the first: the others move up
    EXPECT_EQ(file.names(), (QStringList{"B2", "C"}));
    EXPECT_EQ(*file.read(1), defs[2]);
    EXPECT_FALSE(file.remove(2));
}

TEST_F(DefinitionFileTest, ADamagedTailIsIgnoredAndDroppedByTheNextRewrite) {
    DefinitionFile file(path(QStringLiteral("TMKBOOK.URP")));
    ASSERT_TRUE(file.replaceAll(reports::builtInReports()));
    QFile f(file.path());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(100, 'x'));
    f.close();
    EXPECT_EQ(file.count(), 8);
    EXPECT_EQ(file.names().size(), 8);
    ASSERT_TRUE(file.append(reports::newReportDefinition()));
    EXPECT_EQ(QFileInfo(file.path()).size(), 9 * 20622);
}

TEST_F(DefinitionFileTest, AFailedRewriteLeavesTheOldFile) {
    DefinitionFile file(path(QStringLiteral("TMKBOOK.URP")));
    ASSERT_TRUE(file.replaceAll(reports::builtInReports()));
    const QByteArray before = readFile(file.path());
    {
        settings::WriteFaultForTesting full(30000);
        QString error;
        EXPECT_FALSE(file.remove(0, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readFile(file.path()), before);
}

// ---- The earlier version's file ---------------------------------------------

// An old record with a name, a user layout and titles, at the old offsets.
QByteArray oldRecord(const QByteArray& name, int widthChars = 120) {
    QByteArray b(reports::kOldDefinitionSize, '\0');
    const auto putString = [&](int at, const QByteArray& s) {
        b[at] = char(s.size());
        std::memcpy(b.data() + at + 1, s.constData(), std::size_t(s.size()));
    };
    const auto put16 = [&](int at, int v) { qToLittleEndian<qint16>(qint16(v), b.data() + at); };
    putString(0, name);
    put16(31, widthChars);
    b[95] = 1;  // column headers
    b[96] = 0;  // page numbers
    b[97] = 1;  // totals
    put16(98, 2);
    putString(1642, "Old title one");
    putString(1723, "Old title two");
    putString(1804, "Old title three");
    // Line i, item j at 1540 i + 77 j + 268 (name), + 32 width, + 36 label.
    const auto item = [&](int at, const QByteArray& n, int w, const QByteArray& label) {
        putString(at, n);
        put16(at + 32, w);
        putString(at + 36, label);
    };
    item(1540 * 1 + 77 * 1 + 268, "<LABEL>", 7, "Name:");
    item(1540 * 1 + 77 * 2 + 268, "Title", 50, "");
    item(1540 * 2 + 77 * 1 + 268, "Location", 30, "");
    item(1540 * 12 + 77 * 20 + 268, "<FILLER>", 4, "");
    // Totals item j at 77 j + 25.
    item(77 * 1 + 25, "Value", 12, "");
    item(77 * 2 + 25, "<LABEL>", 8, "Total:");
    return b;
}

TEST_F(DefinitionFileTest, OldReportsAreConvertedAppendedAndTheOldFileDeleted) {
    writeFile(path(QStringLiteral("book.urp")),
              oldRecord("Full Report") + oldRecord("My List", 90) +
                  oldRecord("120 Column 4 Line Report") + oldRecord("Shelf \xE9tag\xE8re"));
    const auto result = reports::initialiseDefinitions(directory());
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
    EXPECT_EQ(result.converted, 2);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("book.urp"))));

    const auto defs = DefinitionFile::inDirectory(directory()).readAll();
    ASSERT_TRUE(defs);
    ASSERT_EQ(defs->size(), 10u);
    const ReportDefinition& d = (*defs)[8];
    EXPECT_EQ(d.name, QStringLiteral("My List"));
    EXPECT_EQ((*defs)[9].name, QStringLiteral("Shelf étagère"));
    EXPECT_EQ(d.widthChars, 90);
    EXPECT_TRUE(d.columnHeaders);
    EXPECT_FALSE(d.pageNumbers);
    EXPECT_TRUE(d.useTotals);
    EXPECT_FALSE(d.landscape);
    EXPECT_TRUE(d.dateOnPages);
    EXPECT_EQ(d.lineCount, 2);
    EXPECT_EQ(d.marginLeft, 0.5);
    EXPECT_FALSE(d.verticalLines);
    EXPECT_TRUE(d.groupLevel1);
    EXPECT_FALSE(d.groupLevel2);
    EXPECT_EQ(d.title1, QStringLiteral("Old title one"));
    EXPECT_EQ(d.title3, QStringLiteral("Old title three"));
    EXPECT_EQ(d.titleFont, (reports::ReportFontSpec{"Arial", 10, true, false, false, false, 0}));
    EXPECT_EQ(d.bodyFont, (reports::ReportFontSpec{"Arial", 10, false, false, false, false, 0}));
    EXPECT_EQ(d.spareFont.name, QStringLiteral("Courier New"));
    EXPECT_EQ((*defs)[9].bodyFont.size, 8);  // width 120
    EXPECT_EQ(d.lines[0].items[0], (reports::ReportItem{"<LABEL>", 0, 7, "Name:"}));
    EXPECT_EQ(d.lines[0].items[1], (reports::ReportItem{"Title", 1, 50, ""}));
    EXPECT_EQ(d.lines[1].items[0], (reports::ReportItem{"Location", 25, 30, ""}));
    EXPECT_EQ(d.lines[11].items[19].width, 4);
    EXPECT_EQ(d.totalsLine.items[0], (reports::ReportItem{"Value", 2, 12, ""}));
    EXPECT_EQ(d.totalsLine.items[1], (reports::ReportItem{"<LABEL>", 0, 8, "Total:"}));

    // Nothing is converted twice.
    EXPECT_EQ(reports::initialiseDefinitions(directory()).converted, 0);
    EXPECT_EQ(DefinitionFile::inDirectory(directory()).count(), 10);
}

TEST_F(DefinitionFileTest, AnOldFileOfOldBuiltInsOnlyAddsNothingAndGoes) {
    writeFile(path(QStringLiteral("BOOK.URP")),
              oldRecord("1 Line 90 Column Report") + oldRecord("1 Line Location Report"));
    const auto result = reports::initialiseDefinitions(directory());
    EXPECT_EQ(result.converted, 0);
    EXPECT_TRUE(result.problems.isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("BOOK.URP"))));
    EXPECT_EQ(DefinitionFile::inDirectory(directory()).count(), 8);
}

TEST_F(DefinitionFileTest, ADamagedOldFileStaysAndNothingIsAppended) {
    reports::initialiseDefinitions(directory());
    const QByteArray damaged = oldRecord("Mine") + oldRecord("Yours").left(5000);
    writeFile(path(QStringLiteral("BOOK.URP")), damaged);
    const auto result = reports::initialiseDefinitions(directory());
    EXPECT_EQ(result.converted, 0);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("its last record is incomplete")))
        << result.problems[0].toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("BOOK.URP"))), damaged);
    EXPECT_EQ(DefinitionFile::inDirectory(directory()).count(), 8);
}

TEST_F(DefinitionFileTest, AnOldFileThatCannotBeAppendedStays) {
    reports::initialiseDefinitions(directory());
    const QByteArray old = oldRecord("Mine");
    writeFile(path(QStringLiteral("BOOK.URP")), old);
    {
        settings::WriteFaultForTesting full(100);
        const auto result = reports::initialiseDefinitions(directory());
        EXPECT_EQ(result.converted, 0);
        EXPECT_EQ(result.problems.size(), 1);
    }
    EXPECT_EQ(readFile(path(QStringLiteral("BOOK.URP"))), old);
    EXPECT_EQ(DefinitionFile::inDirectory(directory()).count(), 8);
    // Once the disk has room it converts.
    EXPECT_EQ(reports::initialiseDefinitions(directory()).converted, 1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("BOOK.URP"))));
}

}  // namespace
