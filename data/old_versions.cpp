#include "data/old_versions.h"

#include <QFileInfo>

#include <array>

#include "data/collection.h"
#include "data/database_files.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "settings/formats.h"

namespace books {

namespace {

constexpr std::array<const char*, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The date format with "/" and "m/d/y", in which version 1's dates are read.
constexpr int kMonthDayYearSlash = 1;

// Opens the old file read-only and closes it again however the conversion
// ends; a record being built in the collection is dropped on the way out.
class ConversionScope {
  public:
    ConversionScope(dbase::Table& old, const QString& path, dbase::Table& target)
        : old_(old), target_(target) {
        pointTable(old_, path);
        old_.setMode(dbase::OpenMode::Shared);
        old_.setReadOnly(true);
        old_.open();
    }
    ~ConversionScope() {
        if (target_.state() == dbase::TableState::Insert)
            target_.cancel();
        old_.close();
    }
    ConversionScope(const ConversionScope&) = delete;
    ConversionScope& operator=(const ConversionScope&) = delete;

  private:
    dbase::Table& old_;
    dbase::Table& target_;
};

int bookIndex(const dbase::Table& target, int number) {
    return target.fieldIndex(fields::bookField(number).name);
}

std::string oldName(std::string_view name) {
    return std::string(name);
}

}  // namespace

QString monthNumberText(const QString& month) {
    for (std::size_t k = 0; k < kMonthNames.size(); ++k)
        if (month == QLatin1String(kMonthNames[k]))
            return QString::number(k + 1);
    return month;
}

int convertV2(dbase::Table& old, const QString& path, dbase::Table& target) {
    ConversionScope scope(old, path, target);
    std::array<int, kVersion2FieldNames.size()> from{};
    std::array<int, kVersion2FieldNames.size()> to{};
    for (std::size_t k = 0; k < from.size(); ++k) {
        from[k] = old.fieldIndex(oldName(kVersion2FieldNames[k]));
        to[k] = bookIndex(target, static_cast<int>(k) + 1);  // "CheckPerso" lands in "CheckName"
    }
    int count = 0;
    std::string value;
    for (old.first(); !old.isEmpty() && !old.eof(); old.next()) {
        target.append();
        for (std::size_t k = 0; k < from.size(); ++k) {
            old.readString(from[k], value);
            target.setString(to[k], value);
        }
        target.post();
        ++count;
    }
    return count;
}

int convertV1(dbase::Table& old, const QString& path, dbase::Table& target) {
    // The purchase date is read as "m/d/y" whatever the user's date format.
    settings::Formats dates;
    dates.setDateFormat(kMonthDayYearSlash);
    ConversionScope scope(old, path, target);
    // The first eleven version-1 fields carry today's names.
    constexpr std::size_t kCopied = 11;
    std::array<int, kCopied> from{};
    std::array<int, kCopied> to{};
    for (std::size_t k = 0; k < kCopied; ++k) {
        from[k] = old.fieldIndex(oldName(kVersion1FieldNames[k]));
        to[k] = target.fieldIndex(oldName(kVersion1FieldNames[k]));
    }
    const int day = old.fieldIndex("PurchDay");
    const int month = old.fieldIndex("PurchMonth");
    const int year = old.fieldIndex("PurchYear");
    const int purchDate = target.fieldIndex("PurchDate");

    int count = 0;
    std::string value;
    for (old.first(); !old.isEmpty() && !old.eof(); old.next()) {
        target.append();
        for (std::size_t k = 0; k < kCopied; ++k) {
            old.readString(from[k], value);
            target.setString(to[k], value);
        }
        const QString d = QString::fromStdString(old.asString(day)).left(4);
        const QString m = QString::fromStdString(old.asString(month)).left(4);
        const QString y = QString::fromStdString(old.asString(year)).left(4);
        // A book without a purchase date keeps an empty one rather than
        // stopping the whole conversion.
        if (!(d.trimmed().isEmpty() && m.trimmed().isEmpty() && y.trimmed().isEmpty())) {
            const QString text = monthNumberText(m) + QLatin1Char('/') + d + QLatin1Char('/') + y;
            const auto date = dates.textToEngineDate(text);
            if (!date || date->isNull()) {
                throw ConversionError(
                    QStringLiteral(
                        "The purchase date \"%1\" of record %2 of %3 is not a valid date.  "
                        "The conversion has stopped; the old file has been kept.")
                        .arg(text, QString::number(old.recNo()), QFileInfo(path).fileName())
                        .toStdString());
            }
            target.setDate(purchDate, *date);
        }
        target.post();
        ++count;
    }
    return count;
}

}  // namespace books
