#include "exchange/transfer.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/collection.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/values.h"
#include "fields/book_fields.h"
#include "settings/settings.h"

namespace exchange {

namespace {

// Holds back the table's views (the grid, the count) for the whole walk.
class ControlsOff {
  public:
    explicit ControlsOff(dbase::Table& t) : t_(t) { t_.disableControls(); }
    ~ControlsOff() { t_.enableControls(); }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

  private:
    dbase::Table& t_;
};

// Appends in batches for as long as it lives (with exclusive use; with
// shared use every record is written as it is posted). finish() writes the
// last batch and reports a failure; on an early exit the batch is written
// without one, since an error is already on its way.
class BulkAppend {
  public:
    explicit BulkAppend(dbase::Table& t) : t_(t) { t_.beginBulkAppend(); }
    ~BulkAppend() {
        if (open_) {
            try {
                t_.endBulkAppend();
            } catch (const dbase::Error&) {
            }
        }
    }
    BulkAppend(const BulkAppend&) = delete;
    BulkAppend& operator=(const BulkAppend&) = delete;
    void finish() {
        open_ = false;
        t_.endBulkAppend();
    }

  private:
    dbase::Table& t_;
    bool open_ = true;
};

// Writing a file over the table being read would destroy the collection.
void refuseSameFile(const dbase::Table& books, const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString source = QFileInfo(QString::fromStdString(books.fileName())).canonicalFilePath();
    if (!target.isEmpty() && target == source)
        throw FileError(
            QStringLiteral("The open collection cannot be overwritten by an export:\n%1")
                .arg(path)
                .toStdString());
}

// An export is written to a file beside its target, which takes the
// target's name only when it is complete: a failed export leaves no partial
// file under the chosen name and an earlier file of that name as it was. A
// target that exists and is no regular file (a device, a pipe) is written
// in place.
class StagedFile {
  public:
    explicit StagedFile(const QString& target) : target_(target) {
        const QFileInfo info(target);
        direct_ = info.exists() && !info.isFile();
        file_ = direct_ ? target : target + QStringLiteral(".exporting");
    }
    ~StagedFile() {
        if (!direct_ && !done_)
            QFile::remove(file_);
    }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const QString& file() const { return file_; }

    // A text file takes its name.
    void commitText() {
        if (!direct_ && std::rename(QFile::encodeName(file_).constData(),
                                    QFile::encodeName(target_).constData()) != 0)
            throw FileError(QStringLiteral("The file could not be written: %1\n%2")
                                .arg(QString::fromLocal8Bit(std::strerror(errno)),
                                     QDir::toNativeSeparators(target_))
                                .toStdString());
        done_ = true;
    }
    // A table takes its name unless another user holds one of that name.
    void commitTable() {
        if (!direct_)
            dbase::Table::replaceFile(file_.toStdString(), target_.toStdString());
        done_ = true;
    }

    // The text of a failure, naming the target and saying that nothing
    // was written.
    std::string failure(const std::string& what) const {
        return QString::fromStdString(what)
            .replace(file_, target_)
            .append(QStringLiteral("\nNothing was written to \"%1\".")
                        .arg(QDir::toNativeSeparators(target_)))
            .toStdString();
    }

    // The file a failure names: the target in place of the staged file.
    std::string fileName(const std::string& file) const {
        return QString::fromStdString(file) == file_ ? target_.toStdString() : file;
    }

  private:
    QString target_, file_;
    bool direct_ = false, done_ = false;
};

// The table's index of each book field, by name; -1 for one it lacks.
std::vector<int> indexesOf(const dbase::Table& table, const std::vector<int>& numbers) {
    std::vector<int> indexes;
    indexes.reserve(numbers.size());
    for (const int number : numbers)
        indexes.push_back(number > 0 ? table.findField(fields::bookField(number).name.substr(0, 10))
                                     : -1);
    return indexes;
}

// Visits the visible records in order, once each.
template <typename Write>
std::uint32_t walk(dbase::Table& books, const Progress& progress, Write write) {
    ControlsOff quiet(books);
    const std::uint32_t total = books.recordCount();
    std::uint32_t done = 0;
    if (progress)
        progress(0, total);
    books.first();
    while (!books.eof() && !books.isEmpty()) {
        write();
        ++done;
        if (progress)
            progress(done, total);
        books.next();
    }
    return done;
}

// `where` names the line or record of the source that was not added,
// `number` the book field whose value stopped it (0 when none did).
QString stopMessage(const settings::Settings& settings, const QString& where, int number,
                    const QString& why, std::uint32_t added) {
    const QString field =
        number > 0 ? QStringLiteral("field \"%1\": ").arg(settings.fieldNames[number]) : QString();
    return QStringLiteral(
               "The import stopped at %1 of the file, which was not added: %2%3\n"
               "The %4 records before it were added.")
        .arg(where, field, why)
        .arg(added);
}

}  // namespace

std::uint32_t exportDelimited(dbase::Table& books, const std::vector<int>& numbers,
                              const QStringList& header, const QString& path,
                              const settings::Formats& formats, const Progress& progress) {
    refuseSameFile(books, path);
    const std::vector<int> indexes = indexesOf(books, numbers);
    StagedFile staged(path);
    try {
        DelimitedWriter out(staged.file());
        if (!header.isEmpty())
            out.writeRecord(header);
        QuotedFieldText text(formats);
        std::vector<dbase::Field> fields;
        for (const int index : indexes)
            fields.push_back(index >= 0 ? books.field(index) : dbase::Field{});
        const std::uint32_t done = walk(books, progress, [&] {
            // The record is taken once and each field cut from it.
            const std::string_view record = books.recordBytes();
            for (std::size_t k = 0; k < indexes.size(); ++k) {
                std::string& line = out.nextField();
                const dbase::Field& f = fields[k];
                if (indexes[k] >= 0)
                    text.append(line, books, indexes[k], f,
                                record.substr(static_cast<std::size_t>(f.offset),
                                              static_cast<std::size_t>(f.width)));
                else
                    line += "\"\"";
            }
            out.endRecord();
        });
        out.close();
        staged.commitText();
        return done;
    } catch (const FileError& e) {
        throw FileError(staged.failure(e.what()));
    } catch (const dbase::Error& e) {
        throw dbase::Error(e.kind(), staged.failure(e.message()), staged.fileName(e.file()));
    }
}

std::uint32_t exportDBase(dbase::Table& books, const std::vector<int>& numbers, const QString& path,
                          const settings::Formats& formats, const Progress& progress) {
    refuseSameFile(books, path);
    std::vector<dbase::FieldDef> defs;
    for (const int number : numbers)
        defs.push_back(books::bookFieldDef(number));
    // A table another user holds is refused before the walk, not after it.
    dbase::Table::checkReplaceable(path.toStdString());
    StagedFile staged(path);
    try {
        dbase::Table::create(staged.file().toStdString(), defs);
        const std::vector<int> from = indexesOf(books, numbers);
        std::uint32_t done = 0;
        {
            dbase::Table out;
            out.setFileName(staged.file().toStdString());
            out.setMode(dbase::OpenMode::Exclusive);
            // Nobody reads the exported table here: it is written past the
            // file cache.
            out.setWritePastCache(true);
            out.open();
            BulkAppend bulk(out);
            // Values go across by kind, not through their text where both
            // sides agree: a date through a two-digit-year text could land in
            // the wrong century, a large number through its exponent form
            // would lose it.
            std::vector<int> to(from.size());
            for (std::size_t k = 0; k < to.size(); ++k)
                to[k] = static_cast<int>(k);
            RecordCopier copier(books, from, out, to, numbers, formats, QDate::currentDate().year(),
                                true);
            int storing = 0;
            done = walk(books, progress, [&] {
                out.append();
                copier.copy(books, out, storing);
                out.post();
            });
            bulk.finish();
            out.close();
        }
        staged.commitTable();
        return done;
    } catch (const dbase::Error& e) {
        throw dbase::Error(e.kind(), staged.failure(e.message()), staged.fileName(e.file()));
    }
}

ImportResult importDelimited(dbase::Table& books, const QString& path, const std::vector<int>& map,
                             bool skipFirst, const settings::Settings& settings,
                             const std::function<void(std::uint32_t)>& counted) {
    const int year = QDate::currentDate().year();
    DelimitedReader reader(path);
    const std::vector<int> to = indexesOf(books, map);
    const int n = static_cast<int>(map.size());
    ControlsOff quiet(books);
    BulkAppend bulk(books);
    ImportResult result;
    if (skipFirst)
        reader.skipLine();
    std::vector<DelimitedReader::Utf8Field> fields;
    int read = 0;
    while (!reader.atEnd()) {
        const qint64 line = reader.lineNumber();
        if (!reader.readRecord(n, fields, read))
            continue;
        books.append();
        int storing = 0;  // the book field being stored
        try {
            for (int i = 0; i < read; ++i) {
                const auto k = static_cast<std::size_t>(i);
                if (map[k] > 0 && to[k] >= 0) {
                    storing = map[k];
                    storeUtf8(books, to[k], map[k], fields[k].text, settings.formats, year);
                }
            }
            storing = 0;
            books.post();
        } catch (const BadDate& e) {
            books.cancel();
            result.stopped = stopMessage(settings, QStringLiteral("line %1").arg(line), storing,
                                         QString::fromUtf8(e.what()), result.added);
            bulk.finish();
            return result;
        } catch (const dbase::Error& e) {
            books.cancel();
            result.stopped = stopMessage(settings, QStringLiteral("line %1").arg(line), storing,
                                         QString::fromStdString(e.message()), result.added);
            bulk.finish();
            return result;
        }
        ++result.added;
        if (counted)
            counted(result.added);
    }
    bulk.finish();
    return result;
}

ImportResult importDBase(dbase::Table& books, const QString& path, const std::vector<int>& map,
                         const settings::Settings& settings,
                         const std::function<void(std::uint32_t)>& counted) {
    const int year = QDate::currentDate().year();
    dbase::Table source;
    source.setFileName(path.toStdString());
    source.setReadOnly(true);
    source.open();
    const int n = std::min(static_cast<int>(map.size()), source.fieldCount());
    const std::vector<int> to = indexesOf(books, map);
    ControlsOff quiet(books);
    BulkAppend bulk(books);
    ImportResult result;
    // The records there when the import began: importing a table into itself
    // must not read its own new records.
    const std::uint32_t total = source.recordCount();
    std::uint32_t read = 0;
    std::vector<int> from(map.size(), -1);
    for (int i = 0; i < n; ++i)
        from[static_cast<std::size_t>(i)] = i;
    RecordCopier copier(source, from, books, to, map, settings.formats, year, false);
    source.first();
    while (read < total && !source.eof() && !source.isEmpty()) {
        ++read;
        books.append();
        int storing = 0;  // the book field being stored
        try {
            copier.copy(source, books, storing);
            books.post();
        } catch (const BadDate& e) {
            books.cancel();
            result.stopped = stopMessage(settings, QStringLiteral("record %1").arg(read), storing,
                                         QString::fromUtf8(e.what()), result.added);
            bulk.finish();
            return result;
        } catch (const dbase::Error& e) {
            books.cancel();
            result.stopped = stopMessage(settings, QStringLiteral("record %1").arg(read), storing,
                                         QString::fromStdString(e.message()), result.added);
            bulk.finish();
            return result;
        }
        ++result.added;
        if (counted)
            counted(result.added);
        source.next();
    }
    bulk.finish();
    return result;
}

QStringList dbaseFieldNames(const QString& path) {
    dbase::Table source;
    source.setFileName(path.toStdString());
    source.setReadOnly(true);
    source.open();
    QStringList names;
    for (int i = 0; i < source.fieldCount() && i < kMaxImportFields; ++i)
        names.append(QString::fromStdString(source.field(i).name).left(kMaxSourceNameLength));
    return names;
}

}  // namespace exchange
