#include "data/sort_expression.h"

#include "fields/book_fields.h"

namespace books {

std::string buildSortString(const SortLevels& levels) {
    std::string expression;
    for (const int level : levels) {
        if (level < 1 || level > fields::kFieldCount)
            continue;
        const fields::BookField& f = fields::bookField(level);
        const std::string name(f.name);
        switch (f.kind) {
            case fields::FieldKind::String:
                expression += "Upper(Left(" + name + ",20))+";
                break;
            case fields::FieldKind::Integer:
                expression += "STR(" + name + ",8,0)+";
                break;
            case fields::FieldKind::Float:
                expression += "STR(" + name + ",12,2)+";
                break;
            case fields::FieldKind::Date:
                expression += "DTOS(" + name + ")+";
                break;
        }
    }
    if (!expression.empty())
        expression.pop_back();  // the trailing "+"
    return expression;
}

}  // namespace books
