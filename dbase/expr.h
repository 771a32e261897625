// Index key expressions: the small expression language of index tags.
//
// An Expression is compiled once from its text against a table's field list
// and then evaluated on raw records (the record's bytes, deleted flag first,
// laid out as the fields say). It knows:
//   - field names (without regard to letter case), string literals in '...' or
//     "...", number literals, parentheses;
//   - "+" (concatenation of strings, sum of numbers) and "-" (for strings: the
//     left operand's trailing blanks move to the end of the result);
//   - UPPER, LOWER (letters of the table's code page), LEFT, RIGHT, SUBSTR, TRIM, LTRIM, RTRIM, STR
//   (1 to 3
//     arguments), DTOS, DTOC and VAL.
// Results are character, numeric or date values. A character result has a
// width known when compiling (the key length of a tag); the lengths, widths
// and decimals given to LEFT, RIGHT, SUBSTR and STR must therefore be number
// constants.
//
// A malformed expression, an unknown field or function, a wrong argument or
// a key longer than an index key may be is refused by compile() with
// Error::Kind::InvalidExpression. Evaluation never fails: blank numbers read as
// 0, blank dates as blank.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/field.h"

namespace dbase {

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

class CodePage;

namespace expr_detail {
struct Node;
}

class Expression {
  public:
    // The longest character key an index tag holds.
    static constexpr int kMaxKeyLength = 100;

    // Throws Error(InvalidExpression) when the text cannot be compiled.
    // UPPER and LOWER change the letters of the table's code page (Windows-
    // 1252 when none is given); the page must outlive the expression.
    static Expression compile(std::string_view text, const std::vector<Field>& fields,
                              const CodePage* codePage = nullptr);
    // Whether the expression changes letter case (calls UPPER or LOWER).
    bool foldsCase() const { return foldsCase_; }

    // Whether the text calls a function that dBase programs know and this
    // engine does not (SOUNDEX, IIF, ...): a tag of another program rather
    // than a damaged one.
    static bool callsOtherProgramsFunction(std::string_view text);

    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    const std::string& text() const { return text_; }
    KeyType type() const;
    // The width of a character result (trimmed values are padded to it); 8 for
    // dates, 12 (the index key length) for numbers.
    int width() const;

    // The index key of a record: width() bytes for a character key (blank
    // padded, cut to the width); a 12-byte decimal key for numbers; an 8-byte
    // day number for dates. `out` is replaced.
    void key(const unsigned char* record, std::string& out) const;

  private:
    std::string text_;
    std::unique_ptr<expr_detail::Node> root_;
    bool foldsCase_ = false;
};

}  // namespace dbase
