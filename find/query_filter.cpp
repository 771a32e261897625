#include "find/query_filter.h"

#include <QString>

#include "fields/book_fields.h"

namespace find {

QueryFilter::QueryFilter(const std::vector<SearchItem>& items, const dbase::Table& table) {
    Level level;
    for (const SearchItem& item : items) {
        Test t;
        if (item.fieldNo >= 1 && item.fieldNo <= fields::kFieldCount)
            t.field = table.findField(fields::bookField(item.fieldNo).name);
        t.kind = item.kind;
        t.isDate = item.isDate;
        t.value = item.isDate ? item.dateValue : item.numberValue;
        if (item.kind == ItemKind::Contains) {
            t.needle = item.text.toUpper().toStdString();
        } else if (item.kind == ItemKind::AnyWord) {
            // Split at every single blank: two blanks in a row give an empty
            // word, which never matches.
            for (const QString& w : item.text.toUpper().split(QLatin1Char(' ')))
                t.words.push_back(w.toStdString());
        }
        level.push_back(std::move(t));
        if (item.endOfLevel) {
            levels_.push_back(std::move(level));
            level.clear();
        }
    }
    // Items after the last end of level never decide anything.
}

const std::string& QueryFilter::upperText(const dbase::Table& table, int field) const {
    table.readString(field, text_);
    toUpperInPlace(text_);
    return text_;
}

bool QueryFilter::holds(const Test& t, const dbase::Table& table) const {
    if (t.field < 0)
        return false;
    switch (t.kind) {
        case ItemKind::Equal:
        case ItemKind::Greater:
        case ItemKind::Less: {
            // A blank number reads as 0 and a blank date as day 0.
            const double v = t.isDate ? dayNumber(table.asDate(t.field)) : table.asFloat(t.field);
            if (t.kind == ItemKind::Equal)
                return v == t.value;
            return t.kind == ItemKind::Greater ? v > t.value : v < t.value;
        }
        case ItemKind::Contains:
            return upperText(table, t.field).find(t.needle) != std::string::npos;
        case ItemKind::AnyWord: {
            const std::string& text = upperText(table, t.field);
            for (const std::string& w : t.words) {
                if (!w.empty() && text.find(w) != std::string::npos)
                    return true;
            }
            return false;
        }
    }
    return false;
}

bool QueryFilter::accepts(const dbase::Table& table) const {
    for (const Level& level : levels_) {
        bool all = true;
        for (const Test& t : level) {
            if (!holds(t, table)) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

dbase::Table::Filter QueryFilter::asRecordFilter(std::shared_ptr<const QueryFilter> filter) {
    return [filter = std::move(filter)](const dbase::Table& t) { return filter->accepts(t); };
}

void toUpperInPlace(std::string& text) {
    bool ascii = true;
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
    }
    if (!ascii)
        text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                   .toUpper()
                   .toStdString();
}

double dayNumber(const dbase::Date& date) {
    if (date.isNull())
        return 0;
    const QDate d(date.year, date.month, date.day);
    return d.isValid() ? dayNumber(d) : 0;
}

}  // namespace find
