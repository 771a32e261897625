// The work of the command line without a window, on real collections in a
// temporary folder: a report to PDF and to text, export and import, and what
// each refuses; then the same through the program itself, as a script runs
// it.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "batch/batch.h"
#include "data/collection.h"
#include "data/sort_expression.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"
#include "tests/reports/engine_support.h"
#include "tests/support/book_samples.h"

namespace {

using batch::batchExport;
using batch::batchImport;
using batch::batchReport;

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The titles of a collection in the order of its sort tag.
QStringList sortedTitles(const QString& path) {
    return filestest::titles(path, books::kSortTagName);
}

int fieldNumber(std::string_view name) {
    for (const fields::BookField& f : fields::bookFields())
        if (f.name == name)
            return f.number;
    return 0;
}

// A fresh program and settings folder for each test, and twelve books in
// BOOKS.DBF: "Book i" by "Author (i mod 3)", sorted by author.
class Batch : public ::testing::Test {
  protected:
    void SetUp() override {
        QDir(settings::programDirectory()).removeRecursively();
        QFile::remove(settings::settingsFile());
        QDir().mkpath(QFileInfo(settings::settingsFile()).absolutePath());
        ASSERT_TRUE(dir.isValid());
        books = path("BOOKS.DBF");
        testsupport::writeSampleCollection(books, 12);
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // The files of the folder, temporary ones included.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    QString books;
};

TEST_F(Batch, ReportPrintsEveryBookInSortOrderToPdfAndText) {
    // Text: the list grouped by author, authors in order, every book once.
    const QString text = path("list.TXT");
    const auto written = batchReport(books, QStringLiteral("Location Report"), text);
    ASSERT_TRUE(written.ok) << written.message.toStdString();
    const QString report = QString::fromUtf8(contentsOf(text));
    qsizetype at = 0;
    for (const char* step : {"Author 0", "Book 0", "Book 3", "Book 9", "Author 1", "Book 1",
                             "Book 10", "Author 2", "Book 2", "Book 11"}) {
        const qsizetype found = report.indexOf(QLatin1String(step), at);
        ASSERT_GE(found, at) << step << "\n" << report.toStdString();
        at = found;
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(report.count(QStringLiteral("Book %1 ").arg(i)), 1) << i;

    // PDF, the name in another letter case: the same books on real pages.
    const QString pdf = path("list.pdf");
    const auto printed = batchReport(books, QStringLiteral("location REPORT"), pdf);
    ASSERT_TRUE(printed.ok) << printed.message.toStdString();
    EXPECT_TRUE(contentsOf(pdf).startsWith("%PDF"));
    if (testsupport::havePdfTools()) {
        EXPECT_EQ(testsupport::pdfPageCount(pdf), 1);
        const QString shown = testsupport::pdfText(pdf);
        EXPECT_TRUE(shown.contains(QStringLiteral("Author 2"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("Book 11"))) << shown.toStdString();
    }
    // Nothing temporary stays behind.
    EXPECT_EQ(files(), QStringList({"BOOKS.DBF", "BOOKS.MDX", "list.TXT", "list.pdf"}));
}

TEST_F(Batch, AReportThatCannotRunSaysWhyAndLeavesAnEarlierFileAlone) {
    const QString out = path("out.pdf");
    writeFile(out, "earlier");
    const auto unknown = batchReport(books, QStringLiteral("Nope"), out);
    EXPECT_FALSE(unknown.ok);
    EXPECT_TRUE(unknown.message.contains(QStringLiteral("no report named \"Nope\"")));
    EXPECT_TRUE(unknown.message.contains(QStringLiteral("\"Location Report\"")));

    const auto extension = batchReport(books, QStringLiteral("Full Report"), path("out.doc"));
    EXPECT_FALSE(extension.ok);
    EXPECT_TRUE(extension.message.contains(QStringLiteral(".pdf")))
        << extension.message.toStdString();

    const auto missing = batchReport(path("NONE.DBF"), QStringLiteral("Full Report"), out);
    EXPECT_TRUE(missing.message.contains(QStringLiteral("does not exist")));

    const QString other = path("OTHER.DBF");
    dbase::Table::create(other.toStdString(), {{"NAME", dbase::FieldType::Character, 10, 0}});
    const auto foreign = batchReport(other, QStringLiteral("Full Report"), out);
    EXPECT_TRUE(foreign.message.contains(QStringLiteral("not a book collection")))
        << foreign.message.toStdString();

    const auto folder =
        batchReport(books, QStringLiteral("Full Report"), path("no/such/folder/out.txt"));
    EXPECT_FALSE(folder.ok);
    EXPECT_TRUE(folder.message.contains(QStringLiteral("could not be written")))
        << folder.message.toStdString();

    {
        // Another program holds the collection for itself.
        filestest::Holder holder(books, "exclusive");
        ASSERT_TRUE(holder.ready());
        const auto held = batchReport(books, QStringLiteral("Full Report"), out);
        EXPECT_FALSE(held.ok);
        EXPECT_FALSE(held.message.isEmpty());
    }
    EXPECT_EQ(contentsOf(out), "earlier");
    EXPECT_EQ(files(), QStringList({"BOOKS.DBF", "BOOKS.MDX", "OTHER.DBF", "out.pdf"}));
}

TEST_F(Batch, ExportWritesTheFieldPlanOfTheSettingsInSortOrder) {
    // Author before Title, nothing else, with the header line.
    settings::Settings s;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        s.exportFields[k] = false;
    const int title = fieldNumber("Title"), author = fieldNumber("Author");
    s.exportFields[title] = s.exportFields[author] = true;
    s.exportOrder[title] = author;
    s.exportOrder[author] = title;
    s.exportFirstRow = true;
    ASSERT_TRUE(s.save(settings::settingsFile()));  // the run reads the file

    const QString csv = path("out.csv");
    const auto text = batchExport(books, csv);
    ASSERT_TRUE(text.ok) << text.message.toStdString();
    const QList<QByteArray> lines = contentsOf(csv).split('\n');
    ASSERT_EQ(lines.size(), 14);  // header, 12 books, nothing after the last CR LF
    EXPECT_EQ(lines[0], "\"Author\",\"Title\"\r");
    EXPECT_EQ(lines[1], "\"Author 0\",\"Book 0\"\r");
    EXPECT_EQ(lines[5], "\"Author 1\",\"Book 1\"\r");
    EXPECT_EQ(lines[12], "\"Author 2\",\"Book 11\"\r");

    const QString table = path("OUT.DBF");
    const auto dbf = batchExport(books, table);
    ASSERT_TRUE(dbf.ok) << dbf.message.toStdString();
    dbase::Table t;
    t.setFileName(table.toStdString());
    t.open();
    ASSERT_EQ(t.fieldCount(), 2);
    EXPECT_EQ(t.recordCount(), 12u);
    t.first();
    EXPECT_EQ(t.asString(0), "Author 0");
    EXPECT_EQ(t.asString(1), "Book 0");
}

// The run takes the date format and the captions of the settings file into
// settings of its own; the program's stay as they were.
TEST_F(Batch, ARunReadsTheSettingsFileIntoSettingsOfItsOwn) {
    settings::Settings s;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        s.exportFields[k] = false;
    s.exportFields[fieldNumber("Title")] = s.exportFields[fieldNumber("PurchDate")] = true;
    s.exportFirstRow = true;
    s.dateFormat = 12;  // dd.mm.yyyy
    s.fieldNames[fieldNumber("Title")] = QStringLiteral("Name of Book");
    ASSERT_TRUE(s.save(settings::settingsFile()));
    const settings::Settings& program = settings::settings();
    const int programFormat = program.formats.dateFormat();
    const QString programCaption = program.fieldNames[fieldNumber("Title")];

    const QString csv = path("dates.csv");
    const auto text = batchExport(books, csv);
    ASSERT_TRUE(text.ok) << text.message.toStdString();
    const QList<QByteArray> lines = contentsOf(csv).split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "\"Name of Book\",\"Purchase Date\"\r");
    EXPECT_EQ(lines[1], "\"Book 0\",\"1.3.1996\"\r");
    EXPECT_EQ(program.formats.dateFormat(), programFormat);
    EXPECT_EQ(program.fieldNames[fieldNumber("Title")], programCaption);
}

TEST_F(Batch, ExportRefusesTheCollectionItselfAndAnUnknownKind) {
    const auto self = batchExport(books, books);
    EXPECT_FALSE(self.ok);
    EXPECT_TRUE(self.message.contains(QStringLiteral("cannot be overwritten")))
        << self.message.toStdString();
    EXPECT_EQ(testsupport::titlesOf(books).size(), 12);

    const auto kind = batchExport(books, path("out.xls"));
    EXPECT_FALSE(kind.ok);
    EXPECT_TRUE(kind.message.contains(QStringLiteral(".dbf")));
    EXPECT_FALSE(QFile::exists(path("out.xls")));
}

// Export and import know the same three kinds, in any case of the
// extension, and each names itself when it refuses another.
TEST_F(Batch, ExportAndImportTakeTheSameFileKinds) {
    const QString sheet = path("books.xls");
    writeFile(sheet, "\"Title\"\r\n\"Sheet\"\r\n");
    const auto exportRefused = batchExport(books, path("out.xls"));
    EXPECT_EQ(exportRefused.message,
              QStringLiteral("The export file \"%1\" must end in .txt or .csv (delimited text) "
                             "or .dbf (a dBase table).")
                  .arg(QDir::toNativeSeparators(path("out.xls"))));
    const auto importRefused = batchImport(books, sheet);
    EXPECT_EQ(importRefused.message,
              QStringLiteral("The import file \"%1\" must end in .txt or .csv (delimited text) "
                             "or .dbf (a dBase table).")
                  .arg(QDir::toNativeSeparators(sheet)));
    EXPECT_EQ(testsupport::titlesOf(books).size(), 12);

    // Upper-case extensions: a text file and a table, out and back in.
    ASSERT_TRUE(batchExport(books, path("ALL.CSV")).ok);
    ASSERT_TRUE(batchExport(books, path("ALL.DBF")).ok);
    const QString fromText = path("FROMTEXT.DBF");
    const QString fromTable = path("FROMTABLE.DBF");
    books::createCollection(fromText);
    books::createCollection(fromTable);
    ASSERT_TRUE(batchImport(fromText, path("ALL.CSV")).ok);
    ASSERT_TRUE(batchImport(fromTable, path("ALL.DBF")).ok);
    EXPECT_EQ(sortedTitles(fromText), sortedTitles(books));
    EXPECT_EQ(sortedTitles(fromTable), sortedTitles(books));
}

TEST_F(Batch, ImportTakesTheColumnsNamedAfterBookFieldsAndKeepsTheSortTag) {
    // A field name in another case, a display name, a column that is no
    // book field (skipped), and a second Title column (the first decides).
    const QString year = settings::Settings().fieldNames[fieldNumber("YearPub")];
    const QString csv = path("new.csv");
    writeFile(csv, "\"Title\",\"AUTHOR\",\"Shelf\",\"" + year.toUtf8() +
                       "\",\"title\"\r\n"
                       "\"New A\",\"Aaron\",\"x\",\"2001\",\"other\"\r\n"
                       "\"New Z\",\"Zed\",\"y\",\"1999\",\"other\"\r\n");
    const auto result = batchImport(books, csv);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    const QStringList titles = sortedTitles(books);
    ASSERT_EQ(titles.size(), 14);
    EXPECT_EQ(titles.first(), QStringLiteral("New A"));
    EXPECT_EQ(titles.last(), QStringLiteral("New Z"));
    EXPECT_EQ(testsupport::fieldOf(books, QStringLiteral("New A"), "YearPub"),
              QStringLiteral("2001"));
    EXPECT_EQ(testsupport::fieldOf(books, QStringLiteral("New Z"), "Author"),
              QStringLiteral("Zed"));

    // A dBase table's fields by their names: an export read back elsewhere.
    ASSERT_TRUE(batchExport(books, path("ALL.DBF")).ok);
    const QString second = path("SECOND.DBF");
    books::createCollection(second);
    const auto table = batchImport(second, path("ALL.DBF"));
    ASSERT_TRUE(table.ok) << table.message.toStdString();
    EXPECT_EQ(sortedTitles(second), titles);
}

TEST_F(Batch, ImportRefusesAFileWithoutBookFieldsAndSaysWhereABadValueStopped) {
    const QString none = path("none.txt");
    writeFile(none, "\"Name\",\"Shelf\"\r\n\"a\",\"b\"\r\n");
    const auto refused = batchImport(books, none);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("None of the fields")))
        << refused.message.toStdString();
    EXPECT_EQ(testsupport::titlesOf(books).size(), 12);

    const QString purchase = settings::Settings().fieldNames[fieldNumber("PurchDate")];
    const QString dates = path("dates.txt");
    writeFile(dates,
              "\"Title\",\"PurchDate\"\r\n\"Fine\",\"\"\r\n\"Bad\",\"13/45/96\"\r\n"
              "\"Never\",\"\"\r\n");
    const auto stopped = batchImport(books, dates);
    EXPECT_FALSE(stopped.ok);
    const std::string why = stopped.message.toStdString();
    EXPECT_TRUE(stopped.message.contains(QStringLiteral("line 3"))) << why;
    EXPECT_TRUE(stopped.message.contains(QStringLiteral("\"%1\"").arg(purchase))) << why;
    EXPECT_TRUE(stopped.message.contains(QStringLiteral("13/45/96"))) << why;
    EXPECT_TRUE(stopped.message.contains(QStringLiteral("The 1 records before it"))) << why;
    // The book before the bad line stays, and the sort tag lists it.
    EXPECT_TRUE(sortedTitles(books).contains(QStringLiteral("Fine")));
    EXPECT_FALSE(sortedTitles(books).contains(QStringLiteral("Never")));

    const auto missing = batchImport(books, path("absent.csv"));
    EXPECT_TRUE(missing.message.contains(QStringLiteral("does not exist")));
}

TEST(BatchNames, ABookFieldIsFoundByItsFieldNameOrItsDisplayName) {
    settings::Settings s;
    s.fieldNames[1] = QStringLiteral("Book Title");
    EXPECT_EQ(batch::bookFieldNamed(QStringLiteral("TITLE"), s), 1);
    EXPECT_EQ(batch::bookFieldNamed(QStringLiteral(" book title "), s), 1);
    EXPECT_EQ(batch::bookFieldNamed(QStringLiteral("purchdate"), s), fieldNumber("PurchDate"));
    EXPECT_EQ(batch::bookFieldNamed(QStringLiteral("<BLANK FIELD>"), s), 0);
    EXPECT_EQ(batch::bookFieldNamed(QString(), s), 0);
}

// ---- The progress line ----------------------------------------------------

QString written(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, static_cast<qsizetype>(n));
    return QString::fromUtf8(bytes);
}

TEST(BatchProgress, ALogGetsALineEveryHundredThousandRecords) {
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    {
        batch::ProgressLine line(log, false, QStringLiteral("Exported"));
        for (std::uint64_t k = 0; k <= 250000; ++k)
            line.update(k, 250000);
        line.finish();
    }
    EXPECT_EQ(written(log), QStringLiteral("Exported 100,000 of 250,000 records\n"
                                           "Exported 200,000 of 250,000 records\n"));
    std::fclose(log);
}

TEST(BatchProgress, ATerminalLineIsRewrittenOnceASecondAndEndedAtTheEnd) {
    double clock = 0;
    std::FILE* quick = std::tmpfile();
    {
        // A run within the first second says nothing.
        batch::ProgressLine line(quick, true, QStringLiteral("Added"), [&] { return clock; });
        for (std::uint64_t k = 1; k <= 5000; ++k)
            line.update(k, 0);
        line.finish();
    }
    EXPECT_EQ(written(quick), QString());
    std::fclose(quick);

    std::FILE* tty = std::tmpfile();
    {
        batch::ProgressLine line(tty, true, QStringLiteral("Added"), [&] { return clock; });
        for (std::uint64_t k = 1; k <= 5000; ++k) {
            clock = double(k) / 2048;  // two seconds and a bit in all
            line.update(k, 0);
        }
        line.finish();
    }
    EXPECT_EQ(written(tty), QStringLiteral("\rAdded 2,048 records\rAdded 4,096 records"
                                           "\rAdded 5,000 records\n"));
    std::fclose(tty);
}

// ---- The program itself ---------------------------------------------------

struct ProgramRun {
    int status = -1;
    QString errors;
};

ProgramRun runProgram(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(TK_PROGRAM), arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST_F(Batch, TheProgramPrintsAReportWithoutAWindowAndFailsWithAStatus) {
    const QString pdf = path("report.pdf");
    const ProgramRun printed =
        runProgram({QStringLiteral("--collection"), books, QStringLiteral("--report"),
                    QStringLiteral("Full Report"), QStringLiteral("--output"), pdf});
    ASSERT_EQ(printed.status, 0) << printed.errors.toStdString();
    if (testsupport::havePdfTools()) {
        EXPECT_GE(testsupport::pdfPageCount(pdf), 1);
        EXPECT_TRUE(testsupport::pdfText(pdf).contains(QStringLiteral("Book 7")));
    }
    const QString txt = path("report.txt");
    const ProgramRun text =
        runProgram({QStringLiteral("--report=Location Report"), QStringLiteral("--output=") + txt,
                    QStringLiteral("--collection=") + books});
    ASSERT_EQ(text.status, 0) << text.errors.toStdString();
    EXPECT_TRUE(contentsOf(txt).contains("Book 11"));

    const ProgramRun unknown =
        runProgram({QStringLiteral("--collection"), books, QStringLiteral("--report"),
                    QStringLiteral("Nope"), QStringLiteral("--output"), path("x.pdf")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.errors.contains(QStringLiteral("tomekeep: There is no report named")))
        << unknown.errors.toStdString();
    EXPECT_FALSE(QFile::exists(path("x.pdf")));

    const ProgramRun usage =
        runProgram({QStringLiteral("--report"), QStringLiteral("Full Report")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.errors.contains(QStringLiteral("--report needs --output")));
}

TEST_F(Batch, TheProgramExportsAndImportsWithoutAWindowAndFailsWithAStatus) {
    const QString csv = path("all.csv");
    const ProgramRun exported =
        runProgram({QStringLiteral("--export"), csv, QStringLiteral("--collection"), books});
    ASSERT_EQ(exported.status, 0) << exported.errors.toStdString();
    EXPECT_EQ(contentsOf(csv).count("\r\n"), 13);  // the header line and 12 books

    const QString second = path("SECOND.DBF");
    books::createCollection(second);
    const ProgramRun imported =
        runProgram({QStringLiteral("--import"), csv, QStringLiteral("--collection"), second});
    ASSERT_EQ(imported.status, 0) << imported.errors.toStdString();
    EXPECT_EQ(sortedTitles(second), sortedTitles(books));

    const ProgramRun badExport = runProgram(
        {QStringLiteral("--export"), path("all.xls"), QStringLiteral("--collection"), books});
    EXPECT_EQ(badExport.status, 1);
    EXPECT_TRUE(badExport.errors.contains(QStringLiteral("must end in .txt or .csv")))
        << badExport.errors.toStdString();

    const ProgramRun badImport = runProgram(
        {QStringLiteral("--import"), path("absent.csv"), QStringLiteral("--collection"), second});
    EXPECT_EQ(badImport.status, 1);
    EXPECT_TRUE(badImport.errors.contains(QStringLiteral("does not exist")))
        << badImport.errors.toStdString();
}

}  // namespace
