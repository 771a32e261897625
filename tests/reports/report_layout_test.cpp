// The page layout of reports over real collections: titles, column headers,
// groups and their totals, page breaks, the search and the sort order, the
// text file line by line, the page stream and PDF output, cancel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>

#include "data/open_collection.h"
#include "reports/definition_file.h"
#include "reports/report_layout.h"
#include "settings/settings.h"
#include "tests/reports/engine_support.h"
#include "tests/support/book_samples.h"

namespace {

using reports::LayoutSettings;
using reports::OutputMode;
using reports::ReportDefinition;
using reports::ReportLayout;

const QString kToday = QStringLiteral("12/7/26");
const QChar kFormFeed(12);

QString rule(int front, int n) {
    return QString(front, ' ') + QString(n, '-');
}

// Title 10, Cost 12 on one line; the totals line "Cost:" 6 and total 1 at 12.
ReportDefinition smallReport() {
    ReportDefinition d = reports::builtInBase();
    d.widthChars = 40;
    d.title1 = QStringLiteral("My Books");
    d.lines[0].items[0] = {QStringLiteral("Title"), 1, 10, {}};
    d.lines[0].items[1] = {QStringLiteral("Cost"), 7, 12, {}};
    d.lines[0].items[2] = {};
    d.totalsLine.items[0] = {reports::kLabelName, 0, 6, QStringLiteral("Cost:")};
    d.totalsLine.items[1] = {QStringLiteral("Cost"), 1, 12, {}};
    d.totalsLine.items[2] = {};
    d.bodyFont.size = d.titleFont.size = d.columnHeaderFont.size = d.footnoteFont.size = 10;
    return d;
}

class LayoutTest : public ::testing::Test {
  protected:
    void open(int books, const books::SortLevels& levels) {
        const QString path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, books);
        collection.setSortLevels(levels);
        collection.openWithSortTag(path);
    }
    LayoutSettings layoutSettings() const {
        LayoutSettings s;
        s.sortLevels = collection.sortLevels();
        s.captions[1] = "Title";
        s.captions[2] = "Author";
        s.captions[7] = "Cost";
        s.captions[12] = "Bought";
        s.dates = dates;
        s.today = kToday;
        return s;
    }
    // Runs `d` to a text file; the file's lines, or none when none was left.
    QStringList textReport(const ReportDefinition& d, QString* error = nullptr) {
        const QString file = dir.filePath("REPORT.TXT");
        QFile::remove(file);
        ReportLayout layout(d, collection.table(), OutputMode::TextFile, layoutSettings());
        layout.setTextFileName(file);
        reports::PageStream counting;
        counting.setKeepPages(false);
        reports::TReportFiler filer(printer.get(), &counting);
        layout.attach(filer);
        const bool ok = filer.run();
        if (error)
            *error = filer.error();
        pages = counting.pageCount();
        QFile f(file);
        if (!ok || !f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(text.endsWith('\n'));
        text.chop(1);
        return text.split('\n');
    }
    // The same report into a page stream.
    void streamReport(const ReportDefinition& d) {
        ReportLayout layout(d, collection.table(), OutputMode::View, layoutSettings());
        reports::TReportFiler filer(printer.get(), &stream);
        layout.attach(filer);
        ASSERT_TRUE(filer.run()) << filer.error().toStdString();
    }
    QStringList pageTexts(int page) const {
        testsupport::KeepingSink sink;
        stream.replay(page, sink);
        return sink.texts();
    }

    QTemporaryDir dir;
    books::OpenCollection collection;
    std::unique_ptr<QPrinter> printer = testsupport::pdfPrinter();
    reports::PageStream stream;
    settings::Formats dates;
    int pages = 0;
};

TEST_F(LayoutTest, GroupsHeadingsAndTotalsInTheTextFile) {
    open(5, {2, 0, 0, 0});  // by Author
    const QStringList lines = textReport(smallReport());
    const QString footer = "Page 1     " + QString(5, ' ') + kToday + kFormFeed;
    // Groups: Author 0 (Book 0, Book 3), Author 1 (Book 1, Book 4), Author 2
    // (Book 2); costs i.50.
    const QStringList expected = {
        "My Books",
        "Title     Cost        ",
        "",
        rule(16, 8),
        QString(16, ' ') + "Author 0",
        rule(16, 8),
        "Book 0    0.50        ",
        "Book 3    3.50        ",
        QString(17, ' ') + "TOTALS",
        " Cost:4.00        ",
        "",
        rule(16, 8),
        QString(16, ' ') + "Author 1",
        rule(16, 8),
        "Book 1    1.50        ",
        "Book 4    4.50        ",
        QString(17, ' ') + "TOTALS",
        " Cost:6.00        ",
        "",
        rule(16, 8),
        QString(16, ' ') + "Author 2",
        rule(16, 8),
        "Book 2    2.50        ",
        QString(17, ' ') + "TOTALS",
        " Cost:2.50        ",
        "",
        QString(14, ' ') + "GRAND TOTALS",
        " Cost:12.50       ",
        "",
        footer,
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(pages, 1);
}

TEST_F(LayoutTest, PagesBreakAtTheRightRecordAndTheEndTotalsMoveOn) {
    open(20, {0, 0, 0, 0});  // record order, no groups
    ReportDefinition d = smallReport();
    d.columnHeaders = false;
    d.title1.clear();
    // Body from 1.25 to 11 - 8 - 0.75 = 2.25 inches: six lines of 1/6 inch.
    d.marginBottom = 8.0;
    d.useTotals = false;
    QStringList lines = textReport(d);
    EXPECT_EQ(pages, 4);
    // Each page: its records, an empty line, the footer line.
    QStringList records;
    int page = 0;
    for (const QString& l : lines) {
        if (l.startsWith("Page ")) {
            ++page;
            EXPECT_TRUE(l.startsWith(QString("Page %1 ").arg(page)));
            EXPECT_TRUE(l.endsWith(kFormFeed));
        } else if (l.startsWith("Book")) {
            records << QString("%1:%2").arg(page + 1).arg(l.left(7).trimmed());
        }
    }
    EXPECT_EQ(records.mid(5, 2), (QStringList{"1:Book 5", "2:Book 6"}));
    EXPECT_EQ(records.mid(17, 2), (QStringList{"3:Book 17", "4:Book 18"}));

    // With totals the end totals need five lines; page 4 has four left.
    d.useTotals = true;
    d.groupLevel1 = false;
    lines = textReport(d);
    EXPECT_EQ(pages, 5);
    const qsizetype grand = lines.indexOf(QString(14, ' ') + "GRAND TOTALS");
    ASSERT_GT(grand, 0);
    EXPECT_EQ(lines[grand + 1], " Cost:200.00      ");  // 0.5 + 1.5 + ... + 19.5 = 200
    // Without groups "TOTALS" shows the same amount.
    EXPECT_EQ(lines[grand - 2], " Cost:200.00      ");
    EXPECT_TRUE(lines[grand - 4].startsWith("Page 4 "));
}

TEST_F(LayoutTest, TheSearchAndTheSortOrderAreRespected) {
    open(6, {2, 0, 0, 0});
    collection.setRecordFilter(
        [](const dbase::Table& t) { return t.asString(t.fieldIndex("CheckOut")) == "Yes"; });
    ReportDefinition d = smallReport();
    d.groupLevel1 = false;
    d.useTotals = false;
    const QStringList lines = textReport(d);
    QStringList titles;
    for (const QString& l : lines)
        if (l.startsWith("Book"))
            titles << l.left(6);
    // Even books only, by author: Author 0 (0), Author 1 (4), Author 2 (2).
    EXPECT_EQ(titles, (QStringList{"Book 0", "Book 4", "Book 2"}));
    // The table is back to the views and past its last record.
    EXPECT_FALSE(collection.table().controlsDisabled());
    EXPECT_TRUE(collection.table().eof());
}

TEST_F(LayoutTest, TheSecondGroupLevelStartsAGroupOfItsOwn) {
    open(5, {2, 17, 0, 0});  // Author, then CheckOut
    ReportDefinition d = smallReport();
    d.groupLevel2 = true;
    const QStringList lines = textReport(d);
    QStringList headings, totals;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].trimmed().startsWith("Author"))
            headings << lines[i].trimmed();
        if (lines[i].trimmed() == "TOTALS")
            totals << lines[i + 1].trimmed();
    }
    EXPECT_EQ(headings, (QStringList{"Author 0, No", "Author 0, Yes", "Author 1, No",
                                     "Author 1, Yes", "Author 2, Yes"}));
    // A subtotal before every heading but the first, and one at the end.
    EXPECT_EQ(totals,
              (QStringList{"Cost:3.50", "Cost:0.50", "Cost:1.50", "Cost:4.50", "Cost:2.50"}));
}

TEST_F(LayoutTest, TheSummaryReportPrintsHeadingsAndTotalsOnly) {
    open(5, {2, 0, 0, 0});
    const auto builtIns = reports::builtInReports();
    const QStringList lines = textReport(builtIns[7]);  // "Statistic/Summary Report"
    EXPECT_FALSE(lines.join('\n').contains("Book "));
    EXPECT_EQ(lines.filter("GRAND TOTALS").size(), 1);
    EXPECT_EQ(lines.filter(QRegularExpression("^ *TOTALS$")).size(), 3);
    EXPECT_EQ(lines.filter(QRegularExpression("^ *Author \\d$")).size(), 3);
    const qsizetype grand = lines.indexOf(QRegularExpression("^ *GRAND TOTALS$"));
    // Cost: 10 wide, right-aligned; 1 blank; the total in 12.
    EXPECT_TRUE(lines[grand + 1].startsWith("     Cost: 12.50       "))
        << lines[grand + 1].toStdString();
}

TEST_F(LayoutTest, NumbersPrintByTheirKind) {
    const settings::NumberFormat us;
    EXPECT_EQ(reports::moneyText(-1234.5, us), "-1,234.50");
    EXPECT_EQ(reports::moneyText(-123, us), "-123.00");
    EXPECT_EQ(reports::moneyText(1234567.891, us), "1,234,567.89");
    EXPECT_EQ(reports::countText(12345, us), "12,345");
    EXPECT_EQ(reports::yearText(1996), "1996");
    const settings::NumberFormat regional{QLatin1Char(','), QLatin1Char('.'), 2, 0};
    EXPECT_EQ(reports::moneyText(1234.5, regional), "1.235");
    EXPECT_EQ(reports::countText(-123456, regional), "-123.456");
}

// A date field prints in the date format the layout is given, day and
// month in that format's order; the layout takes the program's format when
// made from the settings.
TEST_F(LayoutTest, DatesPrintInTheLayoutsDateFormat) {
    open(2, {2, 0, 0, 0});
    ReportDefinition d = smallReport();
    d.lines[0].items[1] = {QStringLiteral("Bought"), 12, 12, {}};
    d.totalsLine.items[0] = {};
    d.totalsLine.items[1] = {};
    ASSERT_TRUE(dates.setDateFormat(10));  // dd/mm/yyyy
    QStringList lines = textReport(d);
    EXPECT_TRUE(lines.contains("Book 0    1/3/1996    ")) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains("Book 1    2/3/1996    ")) << lines.join('|').toStdString();
    ASSERT_TRUE(dates.setDateFormat(2));  // mm-dd-yy
    lines = textReport(d);
    EXPECT_TRUE(lines.contains("Book 0    3-1-96      ")) << lines.join('|').toStdString();

    // What the settings give a report: their date format, today in it, their
    // captions, regional money only where its code asks for it.
    settings::Settings own;
    ASSERT_TRUE(own.formats.setDateFormat(10));
    own.formats.setRegional({QLatin1Char(','), QLatin1Char('.'), 3, 1});
    own.currencyFormat = 2;
    own.fieldNames[2] = QStringLiteral("Writer");
    const LayoutSettings given = reports::layoutSettingsOf(own, {2, 0, 0, 0});
    EXPECT_EQ(given.dates.dateFormat(), 10);
    EXPECT_EQ(given.today, settings::dateToText(QDate::currentDate(), 10));
    EXPECT_EQ(given.captions[2], QStringLiteral("Writer"));
    EXPECT_EQ(given.currency.decimalSeparator, QLatin1Char(','));
    EXPECT_EQ(given.currency.currencyDecimals, 1);
    EXPECT_EQ(given.numeric.decimalSeparator, QLatin1Char('.'));
    EXPECT_EQ(given.sortLevels, (std::array<int, 4>{2, 0, 0, 0}));
}

TEST_F(LayoutTest, TheBuiltInReportIntoThePageStream) {
    open(3, {2, 0, 0, 0});
    ReportDefinition d = reports::builtInReports()[0];  // "Short Narrow Report"
    d.title1 = "Shelf";
    streamReport(d);
    ASSERT_EQ(stream.pageCount(), 1);
    const QStringList texts = pageTexts(1);
    // Title, the column captions (no caption for YearPub here: empty), a
    // heading per author, records, totals, the footer.
    EXPECT_EQ(texts.first(), "Shelf");
    EXPECT_TRUE(texts.contains("Title"));
    EXPECT_TRUE(texts.contains("Author 1"));
    EXPECT_TRUE(texts.contains("Book 2"));
    EXPECT_TRUE(texts.contains("1992"));
    EXPECT_TRUE(texts.contains("GRAND TOTALS"));
    EXPECT_TRUE(texts.contains("4.50"));  // 0.50 + 1.50 + 2.50
    EXPECT_EQ(texts[texts.size() - 2], "Page 1");
    EXPECT_EQ(texts.last(), kToday);
    // One-line reports box their columns.
    testsupport::KeepingSink sink;
    stream.replay(1, sink);
    EXPECT_FALSE(sink.of('L').empty());
}

TEST_F(LayoutTest, AReportThatCannotBeWrittenLeavesNoFile) {
    open(3, {2, 0, 0, 0});
    ReportLayout layout(smallReport(), collection.table(), OutputMode::TextFile, layoutSettings());
    const QString file = dir.filePath("no such folder/REPORT.TXT");
    layout.setTextFileName(file);
    reports::PageStream counting;
    reports::TReportFiler filer(printer.get(), &counting);
    layout.attach(filer);
    EXPECT_FALSE(filer.run());
    EXPECT_TRUE(filer.error().startsWith("The report could not be written to"))
        << filer.error().toStdString();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(collection.table().controlsDisabled());

    // A job that fails part-way leaves nothing under the chosen name either.
    ReportDefinition tooBig = smallReport();
    tooBig.lineCount = 12;
    tooBig.marginBottom = 8.0;  // six lines a page
    QString error;
    EXPECT_TRUE(textReport(tooBig, &error).isEmpty());
    EXPECT_TRUE(error.startsWith("The report does not fit on a page")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("REPORT.TXT")));
}

TEST_F(LayoutTest, CancelEndsAfterThePageInHand) {
    open(20, {0, 0, 0, 0});
    ReportDefinition d = smallReport();
    d.marginBottom = 8.0;
    d.useTotals = false;
    ReportLayout layout(d, collection.table(), OutputMode::View, layoutSettings());
    reports::TReportFiler filer(printer.get(), &stream);
    layout.attach(filer);
    QStringList statuses;
    filer.statusLabel = [&](const QString& s) {
        statuses << s;
        if (filer.currentPage() == 2)
            filer.cancelJob();
    };
    ASSERT_TRUE(filer.run());
    EXPECT_TRUE(filer.cancelled());
    EXPECT_EQ(stream.pageCount(), 2);
    EXPECT_EQ(statuses.first(), "Printing Page 1\r\r");
    EXPECT_TRUE(pageTexts(2).contains("Page 2"));
}

// A built-in report to a PDF file; set TK_REPORT_SAMPLE to a folder to keep
// it there (tests/reports/page_picture.sh turns its first page into a PNG).
TEST_F(LayoutTest, ABuiltInReportPrintsToAPdfFile) {
    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "pdftotext and pdfinfo are needed (poppler-utils)";
    open(30, {2, 0, 0, 0});
    const QString keep = qEnvironmentVariable("TK_REPORT_SAMPLE");
    const QString file = (keep.isEmpty() ? dir.path() : keep) + "/short_narrow.pdf";
    auto out = testsupport::pdfPrinter(file);
    ReportDefinition d = reports::builtInReports()[0];
    d.title1 = "Tomekeep Books";
    d.title2 = "Short Narrow Report";
    ReportLayout layout(d, collection.table(), OutputMode::Print, layoutSettings());
    reports::TReportPrinter engine(out.get());
    layout.attach(engine);
    ASSERT_TRUE(engine.run()) << engine.error().toStdString();
    EXPECT_EQ(testsupport::pdfPageCount(file), 1);
    const QString text = testsupport::pdfText(file);
    for (const char* s : {"Tomekeep Books", "Author 2", "Book 29", "GRAND TOTALS", "Page 1"})
        EXPECT_TRUE(text.contains(s)) << s << "\n" << text.toStdString();
}

}  // namespace

namespace {

// Damaged definitions (bits flipped anywhere in the record) lay out without
// harm: the job ends, completed or with a message, and never runs away.
TEST_F(LayoutTest, DamagedDefinitionsLayOutWithoutHarm) {
    open(12, {2, 0, 0, 0});
    std::uint32_t seed = 12345;
    const auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const auto builtIns = reports::builtInReports();
    for (int round = 0; round < 60; ++round) {
        QByteArray bytes = reports::encodeDefinition(builtIns[std::size_t(round % 8)]);
        for (int flips = 0; flips < 40; ++flips)
            bytes[int(next() % std::uint32_t(bytes.size()))] ^= char(1 << (next() % 8));
        // The fonts, the widths and the line count are where harm would be.
        if (round % 3 == 0)
            bytes[343] = char(next());
        const ReportDefinition d = reports::decodeDefinition(bytes.constData());
        ReportLayout layout(d, collection.table(), OutputMode::View, layoutSettings());
        reports::TReportFiler filer(printer.get(), &stream);
        layout.attach(filer);
        int pagesSeen = 0;
        filer.statusLabel = [&](const QString&) {
            if (++pagesSeen > 500)
                filer.cancelJob();
        };
        filer.run();
        EXPECT_LE(pagesSeen, 500) << "round " << round;
        // Every recorded page replays.
        for (int p = 1; p <= stream.pageCount(); ++p) {
            testsupport::KeepingSink sink;
            stream.replay(p, sink);
        }
    }
}

TEST_F(LayoutTest, FontsOfNoSizeAndAReportOfNoWidthStillPrint) {
    open(5, {2, 0, 0, 0});
    ReportDefinition d = smallReport();
    for (auto* f : {&d.titleFont, &d.columnHeaderFont, &d.bodyFont, &d.footnoteFont})
        f->size = 0;
    d.widthChars = 0;
    ReportLayout layout(d, collection.table(), OutputMode::View, layoutSettings());
    reports::TReportFiler filer(printer.get(), &stream);
    layout.attach(filer);
    EXPECT_TRUE(filer.run()) << filer.error().toStdString();
    EXPECT_TRUE(pageTexts(1).contains("Book 4"));
}

TEST_F(LayoutTest, MarginsThatAreNoNumbersAreTakenAsHalfAnInch) {
    open(5, {2, 0, 0, 0});
    ReportDefinition d = smallReport();
    d.marginTop = std::numeric_limits<double>::quiet_NaN();
    d.marginBottom = std::numeric_limits<double>::infinity();
    d.marginLeft = -3;
    d.marginRight = 1e300;
    ReportLayout layout(d, collection.table(), OutputMode::View, layoutSettings());
    reports::TReportFiler filer(printer.get(), &stream);
    layout.attach(filer);
    ASSERT_TRUE(filer.run()) << filer.error().toStdString();
    EXPECT_EQ(stream.pageCount(), 1);
    testsupport::KeepingSink sink;
    stream.replay(1, sink);
    const auto texts = sink.of('T');
    const auto book =
        std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == "Book 0"; });
    ASSERT_NE(book, texts.end());
    EXPECT_NEAR(book->a, 0.52, 1e-4);  // half an inch and the tab's margin
}

TEST(PageStreamDamage, FlippedBitsInAPageOnlyGiveTheStreamsMessage) {
    reports::PageStream stream;
    auto printer = testsupport::pdfPrinter();
    reports::TReportFiler filer(printer.get(), &stream);
    filer.onPrintPage = [](reports::TBaseReport& r, int) {
        r.addTab(reports::kAfterPrevious, reports::Justify::Left, 2, 2, reports::BoxAll, 20);
        for (int i = 0; i < 20; ++i)
            r.printTextLine(QString("\tline %1").arg(i));
        return false;
    };
    ASSERT_TRUE(filer.run());
    const QByteArray page = stream.page(1);
    std::uint32_t seed = 99;
    for (int round = 0; round < 300; ++round) {
        QByteArray bad = page;
        seed = seed * 1664525u + 1013904223u;
        bad[int((seed >> 8) % std::uint32_t(bad.size()))] ^= char(1 << (seed % 8));
        if (round % 2)
            bad.truncate(int((seed >> 4) % std::uint32_t(bad.size())));
        testsupport::KeepingSink sink;
        try {
            reports::replayCommands(bad, sink);
        } catch (const reports::ReportError& e) {
            EXPECT_EQ(e.message(), "Unexpected code found in report file.");
        }
    }
}

}  // namespace
