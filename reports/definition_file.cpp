#include "reports/definition_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fields/book_fields.h"
#include "reports/record_bytes.h"
#include "settings/paths.h"
#include "settings/text_file.h"

namespace reports {

namespace {

const QString kFileName = QStringLiteral("TMKBOOK.URP");
const QString kOldFileName = QStringLiteral("BOOK.URP");

// Where the fields of an old record lie.
namespace old {
constexpr int name = 0;
constexpr int widthChars = 31;
constexpr int columnHeaders = 95;
constexpr int pageNumbers = 96;
constexpr int useTotals = 97;
constexpr int lineCount = 98;
constexpr int title1 = 1642;
constexpr int title2 = 1723;
constexpr int title3 = 1804;
// Item j (1 to 20) of record line i (1 to 12), and of the totals line.
constexpr int lineItem(int i, int j) {
    return 1540 * i + 77 * j + 268;
}
constexpr int totalsItem(int j) {
    return 77 * j + 25;
}
// Within an item.
constexpr int itemWidth = 32;
constexpr int itemLabel = 36;
}  // namespace old

ReportItem oldItem(const char* bytes, int at, bool totals) {
    ReportItem item;
    item.name = record::string(bytes, at, kNameLength);
    item.width = record::int16(bytes, at + old::itemWidth);
    item.labelText = record::string(bytes, at + old::itemLabel, kLabelLength);
    if (item.isField()) {
        const QByteArray name = item.name.toLatin1();
        item.fieldNumber =
            totals ? totalNumber(item.name)
                   : fields::bookFieldNumber({name.constData(), std::size_t(name.size())});
    }
    return item;
}

QString reason(const QFile& file) {
    return file.errorString();
}

}  // namespace

DefinitionFile DefinitionFile::inDirectory(const QString& directory) {
    const QString found = settings::findFileNoCase(directory, kFileName);
    return DefinitionFile(found.isEmpty() ? QDir(directory).filePath(kFileName) : found);
}

bool DefinitionFile::exists() const {
    return QFileInfo::exists(path_);
}

std::optional<QByteArray> DefinitionFile::readRecords(QString* error) const {
    QFile file(path_);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = reason(file);
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = reason(file);
        return std::nullopt;
    }
    // A damaged tail is not a record.
    bytes.truncate(bytes.size() - bytes.size() % kDefinitionSize);
    return bytes;
}

std::optional<std::vector<ReportDefinition>> DefinitionFile::readAll(QString* error) const {
    const auto bytes = readRecords(error);
    if (!bytes)
        return std::nullopt;
    std::vector<ReportDefinition> all;
    for (qsizetype at = 0; at < bytes->size(); at += kDefinitionSize)
        all.push_back(decodeDefinition(bytes->constData() + at));
    return all;
}

QStringList DefinitionFile::names() const {
    QStringList names;
    if (const auto all = readAll()) {
        for (const auto& d : *all)
            names << d.name;
    }
    return names;
}

int DefinitionFile::count() const {
    const auto bytes = readRecords(nullptr);
    return bytes ? int(bytes->size() / kDefinitionSize) : 0;
}

std::optional<ReportDefinition> DefinitionFile::read(int index, QString* error) const {
    const auto bytes = readRecords(error);
    if (!bytes)
        return std::nullopt;
    if (index < 0 || qsizetype(index) * kDefinitionSize >= bytes->size()) {
        if (error)
            *error = QStringLiteral("The file holds no report %1.").arg(index + 1);
        return std::nullopt;
    }
    return decodeDefinition(bytes->constData() + qsizetype(index) * kDefinitionSize);
}

bool DefinitionFile::rewrite(const QByteArray& records, QString* error) {
    return settings::writeAtomically(path_, records, error);
}

bool DefinitionFile::write(int index, const ReportDefinition& definition, QString* error) {
    auto bytes = readRecords(error);
    if (!bytes)
        return false;
    const int n = int(bytes->size() / kDefinitionSize);
    if (index < 0 || index > n) {
        if (error)
            *error = QStringLiteral("The file holds no report %1.").arg(index + 1);
        return false;
    }
    const QByteArray record = encodeDefinition(definition, error);
    if (record.isEmpty())
        return false;
    if (index == n)
        bytes->append(record);
    else
        bytes->replace(qsizetype(index) * kDefinitionSize, kDefinitionSize, record);
    return rewrite(*bytes, error);
}

bool DefinitionFile::append(const ReportDefinition& definition, QString* error) {
    return appendAll({definition}, error);
}

bool DefinitionFile::appendAll(const std::vector<ReportDefinition>& definitions, QString* error) {
    auto bytes = readRecords(error);
    if (!bytes)
        return false;
    for (const auto& d : definitions) {
        const QByteArray record = encodeDefinition(d, error);
        if (record.isEmpty())
            return false;
        bytes->append(record);
    }
    return rewrite(*bytes, error);
}

bool DefinitionFile::remove(int index, QString* error) {
    auto bytes = readRecords(error);
    if (!bytes)
        return false;
    if (index < 0 || qsizetype(index) * kDefinitionSize >= bytes->size()) {
        if (error)
            *error = QStringLiteral("The file holds no report %1.").arg(index + 1);
        return false;
    }
    bytes->remove(qsizetype(index) * kDefinitionSize, kDefinitionSize);
    return rewrite(*bytes, error);
}

bool DefinitionFile::replaceAll(const std::vector<ReportDefinition>& definitions, QString* error) {
    QByteArray bytes;
    for (const auto& d : definitions) {
        const QByteArray record = encodeDefinition(d, error);
        if (record.isEmpty())
            return false;
        bytes.append(record);
    }
    return rewrite(bytes, error);
}

bool isOldBuiltInName(const QString& name) {
    static const QStringList kNames = {
        QStringLiteral("1 Line 90 Column Report"),
        QStringLiteral("2 Line 120 Column Report"),
        QStringLiteral("Full Report"),
        QStringLiteral("Statistic/Summary Report"),
        QStringLiteral("1 Line Location Report"),
        QStringLiteral("120 Column 4 Line Report"),
    };
    return kNames.contains(name);
}

ReportDefinition convertOldDefinition(const char* b) {
    ReportDefinition d;
    d.name = record::string(b, old::name, kNameLength);
    d.widthChars = record::int16(b, old::widthChars);
    d.columnHeaders = b[old::columnHeaders] != 0;
    d.pageNumbers = b[old::pageNumbers] != 0;
    d.useTotals = b[old::useTotals] != 0;
    d.landscape = false;
    d.dateOnPages = true;
    d.lineCount = record::int16(b, old::lineCount);
    d.marginTop = d.marginBottom = d.marginLeft = d.marginRight = 0.5;
    d.verticalLines = d.horizontalLines = false;
    d.groupLevel1 = true;
    d.groupLevel2 = false;
    d.title1 = record::string(b, old::title1, kTitleLength);
    d.title2 = record::string(b, old::title2, kTitleLength);
    d.title3 = record::string(b, old::title3, kTitleLength);
    const int size = d.widthChars == 90 ? 10 : 8;
    const QString arial = QStringLiteral("Arial");
    ReportFontSpec bold{arial, size, true, false, false, false, 0};
    d.titleFont = d.columnHeaderFont = d.footnoteFont = bold;
    d.bodyFont = {arial, size, false, false, false, false, 0};
    d.spareFont = {QStringLiteral("Courier New"), size, false, false, false, false, 0};
    for (int i = 1; i <= kRecordLines; ++i) {
        for (int j = 1; j <= kItemsPerLine; ++j)
            d.lines[std::size_t(i - 1)].items[std::size_t(j - 1)] =
                oldItem(b, old::lineItem(i, j), false);
    }
    for (int j = 1; j <= kItemsPerLine; ++j)
        d.totalsLine.items[std::size_t(j - 1)] = oldItem(b, old::totalsItem(j), true);
    return d;
}

StartResult initialiseDefinitions(const QString& directory) {
    StartResult result;
    DefinitionFile file = DefinitionFile::inDirectory(directory);
    if (!file.exists()) {
        QString error;
        if (file.replaceAll(builtInReports(), &error))
            result.createdBuiltIns = true;
        else
            result.problems << QStringLiteral(
                                   "The report definitions file \"%1\" could not be created: %2")
                                   .arg(QDir::toNativeSeparators(file.path()), error);
    }

    const QString oldPath = settings::findFileNoCase(directory, kOldFileName);
    if (oldPath.isEmpty())
        return result;
    const auto refuse = [&](const QString& why) {
        result.problems << QStringLiteral(
                               "The reports of the earlier version in \"%1\" could not be "
                               "converted: %2 The file was left as it was.")
                               .arg(QDir::toNativeSeparators(oldPath), why);
        return result;
    };
    QFile oldFile(oldPath);
    if (!oldFile.open(QIODevice::ReadOnly))
        return refuse(oldFile.errorString() + QLatin1Char('.'));
    const QByteArray bytes = oldFile.readAll();
    if (oldFile.error() != QFileDevice::NoError)
        return refuse(oldFile.errorString() + QLatin1Char('.'));
    oldFile.close();
    if (bytes.size() % kOldDefinitionSize != 0)
        return refuse(QStringLiteral("its last record is incomplete."));

    std::vector<ReportDefinition> converted;
    for (qsizetype at = 0; at < bytes.size(); at += kOldDefinitionSize) {
        ReportDefinition d = convertOldDefinition(bytes.constData() + at);
        if (!isOldBuiltInName(d.name))
            converted.push_back(std::move(d));
    }
    if (!converted.empty()) {
        QString error;
        if (!file.appendAll(converted, &error))
            return refuse(QStringLiteral("\"%1\" could not be written (%2).")
                              .arg(QDir::toNativeSeparators(file.path()), error));
    }
    result.converted = int(converted.size());
    QFile done(oldPath);
    if (!done.remove()) {
        result.problems << QStringLiteral(
                               "The reports of the earlier version were converted, but \"%1\" "
                               "could not be removed: %2")
                               .arg(QDir::toNativeSeparators(oldPath), done.errorString());
    }
    return result;
}

}  // namespace reports
