#include "edit/form_values.h"

#include "dbase/table.h"
#include "edit/edit_fields.h"
#include "fields/book_fields.h"
#include "settings/formats.h"

namespace edit {

namespace {

int indexOf(const dbase::Table& table, int field) {
    return table.fieldIndex(fields::bookField(field).name);
}

bool dayFirst(const settings::Formats& formats) {
    return formats.shortDateFormat().startsWith(QLatin1Char('d'));
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

QString blankDateText(const settings::Formats& formats) {
    const QChar sep = formats.dateSeparator();
    return QStringLiteral("  ") + sep + QStringLiteral("  ") + sep + QStringLiteral("    ");
}

QString dateBoxText(const dbase::Date& date, const settings::Formats& formats) {
    if (date.isNull())
        return blankDateText(formats);
    const QChar sep = formats.dateSeparator();
    const bool day = dayFirst(formats);
    const int first = day ? date.day : date.month;
    const int second = day ? date.month : date.day;
    return twoDigits(first) + sep + twoDigits(second) + sep +
           QStringLiteral("%1").arg(date.year, 4, 10, QLatin1Char('0'));
}

bool isBlankDate(const QString& text) {
    const QString t = settings::trimBlanks(text);
    return t == QLatin1String("/  /") || t == QLatin1String("-  -") || t == QLatin1String(".  .") ||
           t.isEmpty();
}

std::optional<dbase::Date> readDateBox(const QString& text, const settings::Formats& formats) {
    if (isBlankDate(text))
        return dbase::Date{};
    const QString t = settings::trimBlanks(text);
    // Blanks left inside are places not filled in.
    if (t.contains(QLatin1Char(' ')))
        return std::nullopt;
    return formats.textToEngineDate(t);
}

std::optional<double> readAmount(const QString& text) {
    const QString t = settings::trimBlanks(text);
    qsizetype i = 0;
    const auto n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(t[i]))
        ++i, ++digits;
    if (i < n && t[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            ++i;
        qsizetype exponent = 0;
        while (i < n && isDigit(t[i]))
            ++i, ++exponent;
        if (exponent == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);  // the C locale: a point, never a comma
    if (!ok)
        return std::nullopt;
    return v;
}

FormValues clearedValues(const settings::Formats& formats) {
    FormValues v;
    for (const int f : {field::Cost, field::Value, field::LowMarket, field::HighMarket})
        v[f] = QStringLiteral("0");
    v[field::PurchDate] = blankDateText(formats);
    v[field::CheckDate] = blankDateText(formats);
    return v;
}

FormValues recordValues(const dbase::Table& table, const settings::Formats& formats) {
    FormValues v;
    for (const Entry& e : entries()) {
        const int idx = indexOf(table, e.field);
        switch (e.kind) {
            case EntryKind::Date:
                v[e.field] = dateBoxText(table.asDate(idx), formats);
                break;
            case EntryKind::Check:
                v.checkOut = settings::trimBlanks(QString::fromStdString(table.asString(idx)))
                                 .compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0;
                break;
            default: {
                QString text = QString::fromStdString(table.asString(idx));
                if (fields::bookField(e.field).kind != fields::FieldKind::String)
                    text = settings::trimBlanks(text);
                // A blank amount (another program's record) reads as the 0
                // of a new record, so that the record can be updated as it is.
                if (isAmount(e.field) && text.isEmpty())
                    text = QStringLiteral("0");
                v[e.field] = text.left(lengthLimit(e));
                break;
            }
        }
    }
    return v;
}

bool valuesChanged(const FormValues& now, const FormValues& saved) {
    for (int f = 1; f <= fields::kFieldCount; ++f) {
        const EntryKind kind = entryOfField(f).kind;
        if (kind == EntryKind::Check) {
            if (now.checkOut != saved.checkOut)
                return true;
        } else if (kind == EntryKind::Date) {
            if (settings::trimBlanks(now[f]) != settings::trimBlanks(saved[f]))
                return true;
        } else if (now[f] != saved[f]) {
            return true;
        }
    }
    return false;
}

std::optional<Problem> firstProblem(const FormValues& v, const settings::Formats& formats) {
    if (!readDateBox(v[field::CheckDate], formats))
        return Problem{QStringLiteral("Invalid check out date specified.  Please correct."), 3,
                       field::CheckDate};
    if (!readDateBox(v[field::PurchDate], formats))
        return Problem{QStringLiteral("Invalid purchase date specified.  Please correct."), 0,
                       field::PurchDate};
    const std::pair<int, const char*> amounts[] = {
        {field::Cost, "Invalid cost specified.  Please correct."},
        {field::Value, "Invalid value specified.  Please correct."},
        {field::LowMarket, "Invalid low market value specified.  Please correct."},
        {field::HighMarket, "Invalid high market value specified.  Please correct."},
    };
    for (const auto& [f, message] : amounts)
        if (!readAmount(v[f]))
            return Problem{QString::fromLatin1(message), 2, f};
    return std::nullopt;
}

void storeValues(dbase::Table& table, const FormValues& v, const settings::Formats& formats) {
    for (int f = 1; f <= fields::kFieldCount; ++f) {
        const int idx = indexOf(table, f);
        const Entry& e = entryOfField(f);
        if (e.kind == EntryKind::Check) {
            table.setString(idx, v.checkOut ? "Yes" : "No");
        } else if (e.kind == EntryKind::Date) {
            const auto date = readDateBox(v[f], formats);
            if (!date || date->isNull())
                table.clearField(idx);
            else
                table.setDate(idx, *date);
        } else if (isAmount(f)) {
            // Read as the check read them, exponents included.
            table.setFloat(idx, readAmount(v[f]).value_or(0.0));
        } else if (f >= field::UserDef1 && f <= field::UserDef6) {
            table.setString(idx, settings::trimBlanks(v[f]).toStdString());
        } else {
            table.setString(idx, v[f].toStdString());
        }
    }
}

StoredRecord storedRecord(const dbase::Table& table) {
    StoredRecord r;
    r.recNo = table.recNo();
    for (int f = 1; f <= fields::kFieldCount; ++f)
        r.fields[static_cast<std::size_t>(f - 1)] = table.asString(indexOf(table, f));
    return r;
}

}  // namespace edit
