#include "find/search_items.h"

#include <QRegularExpression>

#include <cmath>

#include "settings/formats.h"

namespace find {

namespace {

using Status = LevelResult::Status;

enum class RowType { Character, Numeric, Date };

RowType rowType(int fieldNo) {
    switch (fields::bookField(fieldNo).letter) {
        case 'N':
            return RowType::Numeric;
        case 'D':
            return RowType::Date;
        default:
            return RowType::Character;
    }
}

// Removes the first occurrence of `c`, if any.
QString withoutFirst(QString text, QChar c) {
    const qsizetype at = text.indexOf(c);
    if (at >= 0)
        text.remove(at, 1);
    return text;
}

QChar operatorOf(Comparison c) {
    switch (c) {
        case Comparison::Greater:
            return QLatin1Char('>');
        case Comparison::Less:
            return QLatin1Char('<');
        default:
            return QLatin1Char('=');
    }
}

// The two bounds of a range cell ("> 10 AND < 20"), trimmed.
struct Bounds {
    QString lower, upper;
};

Bounds splitRange(const QString& cell) {
    const QString text =
        settings::trimBlanks(withoutFirst(withoutFirst(cell, QLatin1Char('<')), QLatin1Char('>')));
    const qsizetype at = text.indexOf(QLatin1String("AND"));
    if (at < 0)
        return {text, {}};
    return {settings::trimBlanks(text.left(at)), settings::trimBlanks(text.mid(at + 3))};
}

std::optional<double> parseDate(const QString& text, const settings::Formats& formats) {
    const auto date = formats.textToDate(text);
    if (!date || date->isNull())
        return std::nullopt;
    return dayNumber(*date);
}

// Collects the items of one level; any failure leaves the list as it was
// before the level (or empty, for too many items).
class LevelBuilder {
  public:
    explicit LevelBuilder(std::vector<SearchItem>& items) : items_(items), start_(items.size()) {}

    // False when the limit was passed.
    bool add(SearchItem item) {
        items_.push_back(std::move(item));
        entered_ = true;
        return static_cast<int>(items_.size()) <= kMaxItems;
    }
    bool addNumber(int fieldNo, const QString& text, double value, ItemKind kind) {
        SearchItem item;
        item.text = text;
        item.numberValue = value;
        item.fieldNo = fieldNo;
        item.kind = kind;
        return add(std::move(item));
    }
    bool addDate(int fieldNo, double day, ItemKind kind) {
        SearchItem item;
        item.text = QString::number(static_cast<qint64>(day));
        item.dateValue = day;
        item.fieldNo = fieldNo;
        item.kind = kind;
        item.isDate = true;
        return add(std::move(item));
    }
    void dropLevel() { items_.resize(start_); }
    bool entered() const { return entered_; }

  private:
    std::vector<SearchItem>& items_;
    std::size_t start_;
    bool entered_ = false;
};

}  // namespace

int SearchItems::levels() const {
    int n = 0;
    for (const SearchItem& item : items_)
        n += item.endOfLevel ? 1 : 0;
    return n;
}

LevelResult SearchItems::addLevel(const LevelCells& cells, const Comparisons& comparisons,
                                  const settings::Formats& formats) {
    LevelBuilder level(items_);
    const auto invalid = [&](int fieldNo) {
        level.dropLevel();
        return LevelResult{Status::Invalid, fieldNo};
    };
    const auto tooMany = [&] {
        items_.clear();
        return LevelResult{Status::TooMany, 0};
    };
    for (int fieldNo = 1; fieldNo <= fields::kFieldCount; ++fieldNo) {
        const QString& cell = cells[static_cast<std::size_t>(fieldNo - 1)];
        const Comparison comparison = comparisons[static_cast<std::size_t>(fieldNo - 1)];
        const auto kind = static_cast<ItemKind>(comparison);
        switch (rowType(fieldNo)) {
            case RowType::Numeric: {
                if (comparison != Comparison::Between) {
                    const QString text =
                        settings::trimBlanks(withoutFirst(cell, operatorOf(comparison)));
                    if (text.isEmpty())
                        break;
                    const auto value = parseDecimal(text);
                    if (!value)
                        return invalid(fieldNo);
                    if (!level.addNumber(fieldNo, text, *value, kind))
                        return tooMany();
                    break;
                }
                const Bounds b = splitRange(cell);
                if (b.lower.isEmpty() && b.upper.isEmpty())
                    break;
                const auto lower = parseDecimal(b.lower);
                const auto upper = parseDecimal(b.upper);
                if (!lower || !upper)
                    return invalid(fieldNo);
                if (!level.addNumber(fieldNo, b.lower, *lower, ItemKind::Greater) ||
                    !level.addNumber(fieldNo, b.upper, *upper, ItemKind::Less))
                    return tooMany();
                break;
            }
            case RowType::Date: {
                if (comparison != Comparison::Between) {
                    const QString text =
                        settings::trimBlanks(withoutFirst(cell, operatorOf(comparison)));
                    if (isEmptyDate(text))
                        break;
                    const auto day = parseDate(text, formats);
                    if (!day)
                        return invalid(fieldNo);
                    if (!level.addDate(fieldNo, *day, kind))
                        return tooMany();
                    break;
                }
                const Bounds b = splitRange(cell);
                const bool noLower = isEmptyDate(b.lower);
                const bool noUpper = isEmptyDate(b.upper);
                if (noLower && noUpper)
                    break;
                const auto lower = noLower ? std::nullopt : parseDate(b.lower, formats);
                const auto upper = noUpper ? std::nullopt : parseDate(b.upper, formats);
                if (!lower || !upper)
                    return invalid(fieldNo);
                if (!level.addDate(fieldNo, *lower, ItemKind::Greater) ||
                    !level.addDate(fieldNo, *upper, ItemKind::Less))
                    return tooMany();
                break;
            }
            case RowType::Character: {
                const QString text = settings::trimBlanks(cell).toUpper();
                if (text.isEmpty())
                    break;
                SearchItem item;
                item.text = text.left(kMaxItemText);
                item.fieldNo = fieldNo;
                item.kind = fieldNo == kKeyWordsField ? ItemKind::AnyWord : ItemKind::Contains;
                if (!level.add(std::move(item)))
                    return tooMany();
                break;
            }
        }
    }
    if (!level.entered())
        return {Status::NoCriteria, 0};
    items_.back().endOfLevel = true;
    return {Status::Saved, 0};
}

double dayNumber(const QDate& date) {
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    return static_cast<double>(date.toJulianDay() - epoch);
}

std::optional<double> parseDecimal(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(\A[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\z)"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isEmptyDate(const QString& text) {
    for (const QChar c : text) {
        if (c != u' ' && c != u'/' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

QString invalidCriteriaMessage() {
    return QStringLiteral("Invalid search criteria entered.  Please correct.");
}
QString noCriteriaMessage() {
    return QStringLiteral("No search criteria entered.");
}
QString tooManyItemsMessage() {
    return QStringLiteral("More than ") + QString::number(kMaxItems) +
           QStringLiteral(" search items have been entered.  ") +
           QStringLiteral("This exceeds the maximum allowable.  Search criteria will be cleared.");
}
QString noMatchesMessage() {
    return QStringLiteral("No valid matches found.  Search Criteria will be cleared.");
}

QString criterionMask(int fieldNo, Comparison comparison, QChar separator) {
    const RowType type = rowType(fieldNo);
    if (type == RowType::Character)
        return {};
    // '>' and '<' switch letter case in the toolkit's masks, and A, N and D
    // are placeholders: all are escaped to stand for themselves. An optional
    // character of any kind is "x" (no blank), an optional digit "0". The
    // year's digits are optional to the toolkit too: the grid's cell editor
    // will not give up a cell whose mask still wants digits, so Tab could
    // not leave an empty date cell and a button would drop half a date;
    // what was typed is checked when the level is saved.
    const QString number = QStringLiteral("xxxxxxxxx");
    const QString date = QStringLiteral("00") + separator + QStringLiteral("00") + separator +
                         QStringLiteral("0000");
    const QString value = type == RowType::Numeric ? number : date;
    switch (comparison) {
        case Comparison::Equal:
            return QStringLiteral("= ") + value;
        case Comparison::Greater:
            return QStringLiteral("\\> ") + value;
        case Comparison::Less:
            return QStringLiteral("\\< ") + value;
        case Comparison::Between:
            return QStringLiteral("\\> ") + value + QStringLiteral(" \\A\\N\\D \\< ") +
                   (type == RowType::Numeric ? QStringLiteral("xxxxxxxx") : date);
    }
    return {};
}

const std::array<QString, 4>& comparisonTexts() {
    static const std::array<QString, 4> texts{QStringLiteral(" = "), QStringLiteral(" > "),
                                              QStringLiteral(" < "), QStringLiteral(" > X < ")};
    return texts;
}

}  // namespace find
