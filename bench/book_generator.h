// Fills the 36 fields of a book table with realistic, reproducible values:
// titles of several words, a few thousand authors of skewed frequency
// (some very prolific, most with one or two books), years 1800 to 2024,
// prices with two decimals, dates, keyword lists and many empty fields.
// The same seed gives the same table on every machine.
#pragma once

#include <cstdint>
#include <string>

#include "dbase/table.h"

namespace tkbench {

class BookGenerator {
  public:
    explicit BookGenerator(std::uint64_t seed = 0x5EED1995u);

    // The field definitions of a book table, as the program creates it.
    static std::vector<dbase::FieldDef> fieldDefs();

    // Fills the edit buffer of `table` (in insert state) with the next book.
    void fill(dbase::Table& table);

  private:
    std::uint64_t next();
    int below(int n);  // 0 .. n-1
    double unit();     // [0, 1)
    template <std::size_t N>
    const char* pick(const char* const (&list)[N]) {
        return list[below(static_cast<int>(N))];
    }
    std::string words(int count);
    std::string author();

    std::uint64_t state_;
    std::string text_;
    int fieldIndex_[37] = {};
    bool resolved_ = false;
};

}  // namespace tkbench
