#include "find/locate.h"

#include <QRegularExpression>

#include "fields/book_fields.h"
#include "find/query_filter.h"
#include "settings/formats.h"

namespace find {

namespace {

// Digits and points with an optional leading minus: the values compared as
// numbers on a numeric field under an exact match.
std::optional<double> exactNumber(const QString& value) {
    static const QRegularExpression pattern(QStringLiteral(R"(\A-?[0-9.]+\z)"));
    if (!pattern.match(value).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

bool isNumeric(dbase::FieldType type) {
    return type == dbase::FieldType::Numeric || type == dbase::FieldType::Float;
}

}  // namespace

LocateMatcher::LocateMatcher(const QString& value, MatchType type, bool caseSensitive, bool numeric)
    : type_(type), caseSensitive_(caseSensitive), numeric_(numeric) {
    value_ = value.toStdString();
    if (!caseSensitive_)
        toUpperInPlace(value_);
    if (comparesNumbers()) {
        if (const auto n = exactNumber(value)) {
            numberValid_ = true;
            number_ = *n;
        }
    }
}

bool LocateMatcher::matches(std::string& text, double number) const {
    if (comparesNumbers())
        return numberValid_ && number == number_;
    if (type_ != MatchType::Exact && value_.empty())
        return false;
    if (!caseSensitive_)
        toUpperInPlace(text);
    switch (type_) {
        case MatchType::Exact:
            return text == value_;
        case MatchType::PartialStart:
            return text.compare(0, value_.size(), value_) == 0 && text.size() >= value_.size();
        case MatchType::PartialAny:
            return text.find(value_) != std::string::npos;
    }
    return false;
}

LocateResult locateRecord(dbase::Table& table, bool fromFirst, const QString& fieldName,
                          bool caseSensitive, MatchType type, const QString& value,
                          const settings::Formats& formats) {
    if (table.state() == dbase::TableState::Edit || table.state() == dbase::TableState::Insert)
        table.post();
    const int field = fieldName.isEmpty() ? -1 : table.findField(fieldName.toStdString());
    if (field < 0)
        return LocateResult::NoField;
    const dbase::FieldType ftype = table.field(field).type;
    const LocateMatcher matcher(value, type, caseSensitive, isNumeric(ftype));
    const bool numbers = matcher.comparesNumbers();
    const bool date = ftype == dbase::FieldType::Date;
    std::string text;
    const auto test = [&] {
        if (numbers)
            return matcher.matches(text, table.asFloat(field));
        if (date)
            text = formats.dateToText(table.asDate(field)).toStdString();
        else
            table.readString(field, text);
        return matcher.matches(text, 0);
    };
    const std::uint32_t start = table.recNo();
    if (fromFirst) {
        table.first();
        if (!table.eof() && test())
            return LocateResult::Found;
    }
    if (table.recNo() != 0) {
        for (;;) {
            table.next();
            if (table.eof())
                break;
            if (test())
                return LocateResult::Found;
        }
    }
    if (start != 0)
        table.gotoRecNo(start);
    return LocateResult::NotFound;
}

QString noActiveDataSetMessage() {
    return QStringLiteral("DataSource does not reference an active DataSet");
}
QString noActiveTableMessage() {
    return QStringLiteral("DataSource does not refer to an active table!");
}
QString noMatchesMessage(bool fromFirst) {
    return fromFirst ? QStringLiteral("No matches found") : QStringLiteral("No more matches found");
}
QString fieldNotFoundMessage(const QString& fieldName) {
    return QStringLiteral("Field ") + fieldName + QStringLiteral(" not found.");
}

namespace {
QString shownLabel(const QString& label) {
    QString l = label;
    return l.replace(QLatin1Char('~'), QLatin1Char(' '));
}
}  // namespace

QStringList fieldList(const QStringList& labels, const QList<bool>& shown, FieldOrder order,
                      FieldSelection selection) {
    QStringList list;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (selection == FieldSelection::VisibleFields && i < shown.size() && !shown[i])
            continue;
        list.append(shownLabel(labels[i]));
    }
    if (order == FieldOrder::ByFieldName)
        list.sort(Qt::CaseInsensitive);
    return list;
}

QString fieldNameOfLabel(const QStringList& labels, const QString& text) {
    for (qsizetype i = 0; i < labels.size() && i < fields::kFieldCount; ++i) {
        if (shownLabel(labels[i]) == text)
            return QString::fromUtf8(fields::bookField(static_cast<int>(i) + 1).name);
    }
    return {};
}

QString labelOfField(const QStringList& labels, const QString& fieldName) {
    const int no = fields::bookFieldNumber(fieldName.toStdString());
    if (no < 1 || no > labels.size())
        return {};
    return shownLabel(labels[no - 1]);
}

}  // namespace find
