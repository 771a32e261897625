// QueryFilter: the search items made ready to judge records of a collection
// (the record filter a query installs).
//
// Items of one level are joined by AND, levels by OR; an empty list accepts
// nothing. The fields are looked up in the table once, the words of a
// keyword item split once; judging a record reads only the fields the items
// name, stops a level at its first failing item and the record at its first
// holding level, and allocates nothing for text that is plain ASCII.
//
// Upper-casing: criteria were upper-cased when compiled; the field's text is
// upper-cased here the same way (ASCII in place, other text through the
// toolkit's Unicode rules).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbase/table.h"
#include "find/search_items.h"

namespace find {

class QueryFilter {
  public:
    // `table` gives the field positions; it must be the table (or a table of
    // the same layout) later passed to accepts().
    QueryFilter(const std::vector<SearchItem>& items, const dbase::Table& table);

    // Whether the current record of `table` passes.
    bool accepts(const dbase::Table& table) const;

    // A record filter for dbase::Table / books::OpenCollection that shares
    // this filter.
    static dbase::Table::Filter asRecordFilter(std::shared_ptr<const QueryFilter> filter);

  private:
    struct Test {
        int field = -1;  // -1: the field is not in the table; the test fails
        ItemKind kind = ItemKind::Contains;
        bool isDate = false;
        double value = 0;
        std::string needle;              // Contains: UTF-8, upper case
        std::vector<std::string> words;  // AnyWord: the criterion split at single blanks
    };
    using Level = std::vector<Test>;

    bool holds(const Test& test, const dbase::Table& table) const;
    const std::string& upperText(const dbase::Table& table, int field) const;

    std::vector<Level> levels_;
    mutable std::string text_;  // the field text being judged (reused)
};

// Upper-cases UTF-8 text in place as the query compares it.
void toUpperInPlace(std::string& text);

// Day number of an engine date (0 for a blank or impossible date).
double dayNumber(const dbase::Date& date);

}  // namespace find
