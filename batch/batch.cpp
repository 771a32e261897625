#include "batch/batch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPrinter>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "data/collection.h"
#include "data/database_files.h"
#include "data/error_text.h"
#include "data/fast_append.h"
#include "data/open_collection.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/field_plan.h"
#include "exchange/transfer.h"
#include "fields/book_fields.h"
#include "reports/definition_file.h"
#include "reports/page_stream.h"
#include "reports/print_engine.h"
#include "reports/report_layout.h"
#include "settings/formats.h"
#include "settings/paths.h"
#include "settings/settings.h"

namespace batch {

namespace {

QString quoted(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

// What an export or import file is, by its extension: delimited text (.txt,
// .csv) or a dBase table (.dbf). Any other extension is refused with a
// message naming `direction` ("export" or "import").
struct TransferFile {
    bool text = false;
    QString refusal;  // empty when the extension is one of the three
};
TransferFile transferFileOf(const QString& file, const char* direction) {
    const QString kind = extensionOf(file);
    TransferFile result;
    result.text = kind == QLatin1String("txt") || kind == QLatin1String("csv");
    if (!result.text && kind != QLatin1String("dbf"))
        result.refusal = QStringLiteral(
                             "The %1 file %2 must end in .txt or .csv (delimited "
                             "text) or .dbf (a dBase table).")
                             .arg(QLatin1String(direction), quoted(file));
    return result;
}

// The settings a run reads: the file's values, with their date format in
// force. Each run reads its own; the program's are left alone.
settings::Settings runSettings() {
    settings::Settings s;
    s.load(settings::settingsFile());
    s.formats.setDateFormat(s.dateFormat);
    return s;
}

// Opens the collection at `path` shared, in its sort order (the sort tag is
// added when the index lacks it, as at start-up). Empty on success,
// otherwise why not.
QString openCollection(books::OpenCollection& collection, const QString& path,
                       const settings::Settings& s) {
    if (!QFileInfo(path).isFile())
        return QStringLiteral("The collection %1 does not exist.").arg(quoted(path));
    try {
        if (!books::hasLayout(collection.checkTable(), path, books::Layout::Book))
            return QStringLiteral(
                       "%1 is not a book collection: its fields are not those of a "
                       "collection.  Its books can be added to one with --import.")
                .arg(quoted(path));
        const auto& levels = s.sortOrder;
        collection.setSortLevels({levels[0], levels[1], levels[2], levels[3]});
        collection.openWithSortTag(path);
    } catch (const dbase::Error& e) {
        return books::errorText(e, s);
    }
    return {};
}

// Gives a finished file its name: atomically, over an earlier file of that
// name. Empty on success, otherwise why not (the finished file is removed).
QString moveIntoPlace(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), error);
    if (!error)
        return {};
    QFile::remove(from);
    return QStringLiteral("The report could not be written to %1: %2")
        .arg(quoted(to), QString::fromStdString(error.message()));
}

}  // namespace

QString batchCollectionPath(const QString& given, const settings::Settings& s, QString* error) {
    if (!given.isEmpty())
        return QFileInfo(given).absoluteFilePath();
    const QString last = s.lastDatabase;
    if (!last.isEmpty() && QFileInfo(last).isFile())
        return last;
    const QString dir = settings::programDirectory();
    const QString found = settings::findFileNoCase(dir, QStringLiteral("MASTER.DBF"));
    if (!found.isEmpty())
        return found;
    if (error)
        *error = QStringLiteral(
                     "There is no collection to work on: the last collection of the settings "
                     "file is missing and %1 holds no MASTER.DBF.  Name one with --collection "
                     "PATH.")
                     .arg(quoted(dir));
    return {};
}

namespace {

// Opens the collection a run works on (see batchCollectionPath). Empty on
// success, otherwise why not.
QString openBatchCollection(books::OpenCollection& collection, const QString& given,
                            const settings::Settings& s) {
    QString error;
    const QString path = batchCollectionPath(given, s, &error);
    if (path.isEmpty())
        return error;
    return openCollection(collection, path, s);
}

}  // namespace

// ---- The report -------------------------------------------------------------

BatchResult batchReport(const QString& collectionPath, const QString& name, const QString& output) {
    const QString kind = extensionOf(output);
    if (kind != QLatin1String("pdf") && kind != QLatin1String("txt"))
        return BatchResult::failed(
            QStringLiteral("The report file %1 must end in .pdf (a PDF file) or .txt (a text "
                           "file).")
                .arg(quoted(output)));
    const settings::Settings s = runSettings();

    // The report list's file, made with the built-in reports when missing.
    const QString directory = settings::programDirectory();
    if (QFileInfo(directory).isDir())
        reports::initialiseDefinitions(directory);
    const reports::DefinitionFile file = reports::DefinitionFile::inDirectory(directory);
    const QStringList names = file.names();
    qsizetype index = names.indexOf(name);
    if (index < 0) {
        for (qsizetype k = 0; k < names.size() && index < 0; ++k)
            if (names[k].trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
                index = k;
    }
    if (index < 0)
        return BatchResult::failed(
            QStringLiteral("There is no report named \"%1\".  The reports are: %2.")
                .arg(name, names.isEmpty()
                               ? QStringLiteral("none")
                               : QLatin1Char('"') + names.join(QStringLiteral("\", \"")) +
                                     QLatin1Char('"')));
    QString error;
    const auto definition = file.read(static_cast<int>(index), &error);
    if (!definition)
        return BatchResult::failed(
            QStringLiteral("The report \"%1\" could not be read: %2").arg(name, error));

    books::OpenCollection collection;
    error = openBatchCollection(collection, collectionPath, s);
    if (!error.isEmpty())
        return BatchResult::failed(error);

    // The printer the main window starts with, writing PDF as the "PDF file"
    // printer does; the text file is laid out on its metrics too.
    QPrinter printer;
    reports::ReportLayout layout(
        *definition, collection.table(),
        kind == QLatin1String("pdf") ? reports::OutputMode::Print : reports::OutputMode::TextFile,
        reports::layoutSettingsOf(s, collection.sortLevels()));
    if (kind == QLatin1String("txt")) {
        // The layout writes the file beside its name and renames it at the end.
        layout.setTextFileName(QFileInfo(output).absoluteFilePath());
        reports::PageStream counting;
        counting.setKeepPages(false);
        reports::TReportFiler filer(&printer, &counting);
        filer.title = definition->name;
        layout.attach(filer);
        if (!filer.run())
            return BatchResult::failed(filer.error());
        return {};
    }

    // The PDF goes to a file beside its name, which it takes when complete.
    const QString target = QFileInfo(output).absoluteFilePath();
    const QString temporary = target + QStringLiteral(".printing");
    {
        QFile probe(temporary);
        if (!probe.open(QIODevice::WriteOnly))
            return BatchResult::failed(QStringLiteral("The report could not be written to %1: %2")
                                           .arg(quoted(target), probe.errorString()));
    }
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temporary);
    reports::TReportPrinter engine(&printer);
    engine.title = definition->name;
    layout.attach(engine);
    if (!engine.run()) {
        QFile::remove(temporary);
        return BatchResult::failed(QString(engine.error()).replace(temporary, target));
    }
    error = moveIntoPlace(temporary, target);
    if (!error.isEmpty())
        return BatchResult::failed(error);
    return {};
}

// ---- Export and import ------------------------------------------------------

BatchResult batchExport(const QString& collectionPath, const QString& file,
                        const BatchProgress& progress) {
    const TransferFile kind = transferFileOf(file, "export");
    if (!kind.refusal.isEmpty())
        return BatchResult::failed(kind.refusal);
    const bool text = kind.text;
    const settings::Settings s = runSettings();
    const std::vector<int> fields = exchange::exportFields(s.exportOrder, s.exportFields);
    if (fields.empty())
        return BatchResult::failed(QStringLiteral("No fields selected for export."));

    books::OpenCollection collection;
    if (const QString error = openBatchCollection(collection, collectionPath, s); !error.isEmpty())
        return BatchResult::failed(error);

    const exchange::Progress walked = [&](std::uint32_t done, std::uint32_t total) {
        if (progress)
            progress(done, total);
    };
    const QString target = QFileInfo(file).absoluteFilePath();
    try {
        if (text) {
            QStringList header;
            if (s.exportFirstRow)
                for (const int k : fields)
                    header.append(s.fieldNames[k]);
            exchange::exportDelimited(collection.table(), fields, header, target, s.formats,
                                      walked);
        } else {
            exchange::exportDBase(collection.table(), fields, target, s.formats, walked);
        }
    } catch (const exchange::FileError& e) {
        return BatchResult::failed(QString::fromStdString(e.what()));
    } catch (const dbase::Error& e) {
        return BatchResult::failed(books::errorText(e, s));
    }
    return {};
}

int bookFieldNamed(const QString& sourceName, const settings::Settings& s) {
    const QString name = sourceName.trimmed();
    if (name.isEmpty())
        return 0;
    for (int k = 1; k <= fields::kFieldCount; ++k) {
        const QString fieldName = QString::fromUtf8(fields::bookField(k).name);
        if (name.compare(fieldName, Qt::CaseInsensitive) == 0 ||
            name.compare(fieldName.left(10), Qt::CaseInsensitive) == 0 ||
            name.compare(s.fieldNames[k].trimmed(), Qt::CaseInsensitive) == 0)
            return k;
    }
    return 0;
}

BatchResult batchImport(const QString& collectionPath, const QString& file,
                        const BatchProgress& progress) {
    const TransferFile kind = transferFileOf(file, "import");
    if (!kind.refusal.isEmpty())
        return BatchResult::failed(kind.refusal);
    const bool text = kind.text;
    if (!QFileInfo(file).isFile())
        return BatchResult::failed(
            QStringLiteral("The import file %1 does not exist.").arg(quoted(file)));
    const settings::Settings s = runSettings();

    // The source's field names: the first line of a text file, the fields of
    // a table.
    QStringList names;
    try {
        if (text) {
            const exchange::FirstLine first = exchange::readFirstLine(file);
            if (first.code != 0)
                return BatchResult::failed(exchange::firstLineMessage(first.code));
            names = first.names;
        } else {
            names = exchange::dbaseFieldNames(file);
        }
    } catch (const exchange::FileError& e) {
        return BatchResult::failed(QString::fromStdString(e.what()));
    } catch (const dbase::Error& e) {
        return BatchResult::failed(books::errorText(e, s));
    }
    std::vector<int> map;
    std::vector<bool> taken(fields::kFieldCount + 1, false);
    bool any = false;
    for (const QString& name : names) {
        int k = bookFieldNamed(name, s);
        if (k > 0 && taken[static_cast<std::size_t>(k)])
            k = 0;  // the first source field of a book field decides
        if (k > 0)
            taken[static_cast<std::size_t>(k)] = any = true;
        map.push_back(k);
    }
    if (!any)
        return BatchResult::failed(
            QStringLiteral("None of the fields of %1 is a book field, so nothing was imported.  "
                           "%2 must name the fields by their field names or display names "
                           "(TITLE or \"%3\", for example).")
                .arg(quoted(file),
                     text ? QStringLiteral("The file's first line")
                          : QStringLiteral("The table's fields"),
                     s.fieldNames[1]));

    books::OpenCollection collection;
    if (const QString error = openBatchCollection(collection, collectionPath, s); !error.isEmpty())
        return BatchResult::failed(error);

    exchange::ImportResult result;
    const auto counted = [&](std::uint32_t added) {
        if (progress)
            progress(added, 0);
    };
    // As the import window estimates it: a line or record rarely takes less.
    const std::uint64_t expected = static_cast<std::uint64_t>(QFileInfo(file).size()) / 64;
    try {
        books::appendToCollection(collection, expected, [&](dbase::Table& books) {
            if (text)
                result = exchange::importDelimited(books, file, map, true, s, counted);
            else
                result = exchange::importDBase(books, file, map, s, counted);
        });
    } catch (const exchange::FileError& e) {
        return BatchResult::failed(QString::fromStdString(e.what()));
    } catch (const dbase::Error& e) {
        return BatchResult::failed(books::errorText(e, s));
    }
    if (!result.stopped.isEmpty())
        return BatchResult::failed(result.stopped);
    return {};
}

// ---- The progress line ------------------------------------------------------

ProgressLine::ProgressLine(std::FILE* out, bool terminal, QString verb, std::function<double()> now)
    : out_(out), terminal_(terminal), verb_(std::move(verb)), now_(std::move(now)) {
    if (!now_) {
        now_ = [] {
            return std::chrono::duration<double>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    last_ = now_();
}

void ProgressLine::write(std::uint64_t done, std::uint64_t total) {
    QLocale c = QLocale::c();
    c.setNumberOptions({});  // with thousands separators
    QString line = QStringLiteral("%1 %2").arg(verb_, c.toString(qulonglong(done)));
    if (total > 0)
        line += QStringLiteral(" of %1").arg(c.toString(qulonglong(total)));
    line += QStringLiteral(" records");
    const QByteArray bytes = line.toUtf8();
    if (terminal_)
        std::fprintf(out_, "\r%s", bytes.constData());
    else
        std::fprintf(out_, "%s\n", bytes.constData());
    std::fflush(out_);
    written_ = true;
}

void ProgressLine::update(std::uint64_t done, std::uint64_t total) {
    lastDone_ = done;
    lastTotal_ = total;
    if (terminal_) {
        // Asking the clock at every record would cost more than the record.
        if (done % 1024 != 0)
            return;
        const double now = now_();
        if (now - last_ < 1.0)
            return;
        last_ = now;
        write(done, total);
    } else if (done >= nextLine_) {
        nextLine_ = (done / 100000 + 1) * 100000;
        write(done, total);
    }
}

void ProgressLine::finish() {
    if (!written_ || !terminal_)
        return;
    write(lastDone_, lastTotal_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace batch
