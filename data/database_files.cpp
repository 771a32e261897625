#include "data/database_files.h"

#include <QFile>
#include <QFileInfo>

#include "data/collection.h"
#include "dbase/dbf_header.h"
#include "dbase/table.h"
#include "fields/book_fields.h"

namespace books {

const std::array<std::string_view, 25> kVersion2FieldNames{
    "Title",   "Author",     "YearPub",  "Publisher", "Category",   "WherePurch", "Cost",
    "Value",   "Descriptio", "ISBN",     "Rating",    "PurchDate",  "BookType",   "CatalogNum",
    "Sub1",    "Sub2",       "CheckOut", "CheckDate", "CheckPerso", "Volume",     "Issue",
    "Edition", "KeyWords",   "Pages",    "Location"};

const std::array<std::string_view, 14> kVersion1FieldNames{
    "Title", "Author",     "YearPub", "Publisher", "Category", "WherePurch", "Cost",
    "Value", "Descriptio", "ISBN",    "Rating",    "PurchDay", "PurchMonth", "PurchYear"};

namespace {

// The byte of the dBase header that says a production index belongs to the
// table; a reader that finds it set looks for the index file.
constexpr qint64 kProductionIndexFlagOffset = 28;
constexpr qint64 kHeaderPrefixSize = 32;

bool sameName(const std::string& stored, std::string_view expected) {
    return QString::fromStdString(stored).compare(
               QString::fromUtf8(expected.data(), static_cast<qsizetype>(expected.size())),
               Qt::CaseInsensitive) == 0;
}

// Field names from position `first` (0-based) on must be `names` in order.
template <std::size_t N>
bool namesFrom(const dbase::Table& t, int first, const std::array<std::string_view, N>& names) {
    if (t.fieldCount() != first + static_cast<int>(N))
        return false;
    for (std::size_t k = 0; k < N; ++k)
        if (!sameName(t.field(first + static_cast<int>(k)).name, names[k]))
            return false;
    return true;
}

bool bookNames(const dbase::Table& t) {
    if (t.fieldCount() != fields::kFieldCount)
        return false;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        if (!sameName(t.field(k - 1).name, fields::bookField(k).name))
            return false;
    return true;
}

// Restores the table object's open settings however the check ends.
class CheckTableGuard {
  public:
    explicit CheckTableGuard(dbase::Table& t) : t_(t), readOnly_(t.readOnly()) {}
    ~CheckTableGuard() {
        t_.close();
        t_.setMode(dbase::OpenMode::Shared);
        t_.setReadOnly(readOnly_);
    }
    CheckTableGuard(const CheckTableGuard&) = delete;
    CheckTableGuard& operator=(const CheckTableGuard&) = delete;

  private:
    dbase::Table& t_;
    bool readOnly_;
};

}  // namespace

bool hasLayout(dbase::Table& check, const QString& path, Layout layout, FlagRepair repair) {
    pointTable(check, path);
    CheckTableGuard guard(check);
    check.setMode(dbase::OpenMode::Shared);
    check.setReadOnly(true);
    // Read only, the table opens without a missing index; nothing is written
    // to a file before it has shown itself a table of the layout sought.
    check.open();
    bool match = false;
    switch (layout) {
        case Layout::Book:
            match = bookNames(check);
            break;
        case Layout::Version2:
            match = namesFrom(check, 1, kVersion2FieldNames);
            break;
        case Layout::Version1:
            match = namesFrom(check, 1, kVersion1FieldNames);
            break;
    }
    // A collection is opened for writing next, which needs its index or no
    // flag; an earlier version's file is only read.
    if (match && layout == Layout::Book && repair == FlagRepair::WhenIndexMissing &&
        !check.hasIndexFile()) {
        const QString file = QString::fromStdString(check.fileName());
        check.close();
        removeMdxByte(file);
    }
    return match;
}

void removeMdxByte(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return;
    // Only a file whose whole header reads as a dBase table's is written:
    // byte 28 of anything else is somebody's data.
    const QByteArray first = f.read(kHeaderPrefixSize);
    if (first.size() < kHeaderPrefixSize)
        return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(first.constData());
    try {
        const std::string name = path.toStdString();
        const std::uint64_t size = static_cast<std::uint64_t>(f.size());
        const std::uint16_t length = dbase::announcedHeaderLength(bytes, size, name);
        if (!f.seek(0))
            return;
        const QByteArray header = f.read(length);
        (void)dbase::parseTableHeader(reinterpret_cast<const std::uint8_t*>(header.constData()),
                                      static_cast<std::size_t>(header.size()), size, name);
    } catch (const dbase::Error&) {
        return;
    }
    // Only a set flag is cleared: a file is never written for nothing.
    if (bytes[kProductionIndexFlagOffset] == 0 || !f.seek(kProductionIndexFlagOffset))
        return;
    const char zero = 0;
    f.write(&zero, 1);
}

bool dbaseInUse(dbase::Table& check, const QString& path) {
    pointTable(check, path);
    CheckTableGuard guard(check);
    // A read-only exclusive open takes only a shared lock: test with a
    // writable one.
    check.setReadOnly(false);
    check.setMode(dbase::OpenMode::Exclusive);
    try {
        check.open();
    } catch (const dbase::Error& e) {
        return e.kind() == dbase::Error::Kind::Locked;
    }
    return false;
}

void doLastFiles(LastFiles& list, const QString& previous, const QString& newPath) {
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (list[k] != newPath)
            continue;
        for (std::size_t j = k; j + 1 < list.size(); ++j)
            list[j] = list[j + 1];
        list.back().clear();
        break;
    }
    for (std::size_t k = list.size() - 1; k > 0; --k)
        list[k] = list[k - 1];
    list[0] = previous;
}

QString lastFileCaption(int k, const QString& entry) {
    return QStringLiteral("&") + QString::number(k) + QStringLiteral("   ") + entry;
}

}  // namespace books
