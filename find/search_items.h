// The compiled form of a query by example: the search items one level of
// criteria turns into, and the rules that read the criterion cells of the
// query grid.
//
// A level is one screen of criteria (one cell per book field); every
// criterion on it must hold. The item list holds at most 75 items over at
// most 10 levels and a record is accepted when any level holds (see
// query_filter.h). Criteria are parsed and upper-cased here, once, never
// per record.
#pragma once

#include <QChar>
#include <QDate>
#include <QString>

#include <array>
#include <optional>
#include <vector>

#include "fields/book_fields.h"

namespace settings {
class Formats;
}

namespace find {

inline constexpr int kMaxItems = 75;
inline constexpr int kMaxLevels = 10;
inline constexpr int kKeyWordsField = 23;
inline constexpr int kMaxItemText = 110;

// The comparison chosen for a numeric or date field's row.
enum class Comparison { Equal = 1, Greater = 2, Less = 3, Between = 4 };

// What an item tests. There is no 4: a range is a Greater item followed by
// a Less item, both exclusive.
enum class ItemKind { Equal = 1, Greater = 2, Less = 3, Contains = 5, AnyWord = 6 };

struct SearchItem {
    // Character items: the criterion trimmed and upper-cased. Numeric items:
    // the criterion as typed (trimmed). Date items: the day number as an
    // integer.
    QString text;
    double numberValue = 0;
    double dateValue = 0;  // day number, days since 30 December 1899
    int fieldNo = 0;       // 1 to 36
    ItemKind kind = ItemKind::Contains;
    bool endOfLevel = false;
    bool isDate = false;
};

// The criterion cells of one level, index field number - 1, and the
// comparison of each row (it matters for numeric and date fields only).
using LevelCells = std::array<QString, fields::kFieldCount>;
using Comparisons = std::array<Comparison, fields::kFieldCount>;

// What saving a level came to.
struct LevelResult {
    enum class Status {
        Saved,       // the level's items were added
        Invalid,     // a criterion is not a number or date, or a range has one bound
        NoCriteria,  // every cell was empty
        TooMany,     // the items would pass the limit: the whole list was cleared
    };
    Status status = Status::Saved;
    int fieldNo = 0;  // the offending row, for Invalid
};

// The list of items a query form compiles, level after level.
class SearchItems {
  public:
    const std::vector<SearchItem>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    // The number of levels closed so far.
    int levels() const;
    void clear() { items_.clear(); }

    // Reads the cells as a new level. On Invalid and NoCriteria the items of
    // earlier levels stay; on TooMany the list is empty afterwards. Dates are
    // read in the date format of `formats`.
    LevelResult addLevel(const LevelCells& cells, const Comparisons& comparisons,
                         const settings::Formats& formats);

  private:
    std::vector<SearchItem> items_;
};

// The number of days from 30 December 1899 to `date`.
double dayNumber(const QDate& date);
// A number in the standard decimal notation: optional sign, digits, an
// optional "." and fraction, an optional exponent; nothing else.
std::optional<double> parseDecimal(const QString& text);
// An empty date bound: nothing but blanks and the separators an unfilled
// date mask leaves ("/  /", "-  -", ".  ." and the like).
bool isEmptyDate(const QString& text);

// The messages of the query form.
QString invalidCriteriaMessage();
QString noCriteriaMessage();
QString tooManyItemsMessage();
QString noMatchesMessage();

// The input mask of a criterion cell in the toolkit's notation, with the
// literal characters kept in the text; empty for a character field (whose
// cell takes at most its width). `separator` is the date separator.
QString criterionMask(int fieldNo, Comparison comparison, QChar separator);
// The list texts of the four comparisons, in order.
const std::array<QString, 4>& comparisonTexts();

}  // namespace find
