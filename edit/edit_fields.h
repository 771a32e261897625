// The entries of the book edit form: which control edits which book field,
// on which notebook page, as what kind of control, fed by which pick list.
//
// The table is in the order of the Enter chain (Title ... Location on the
// first two pages, the amounts, the check-out entries, then Condition,
// Description and the six user fields), which is also the order of the
// controls on each page. Every one of the 36 book fields has one entry.
#pragma once

#include <QString>

#include <array>

#include "fields/book_fields.h"

namespace edit {

enum class EntryKind { Text, Combo, Date, Check };

struct Entry {
    const char* control;  // the control's objectName
    int field;            // book field number 1 to 36
    int page;             // notebook page 0 to 4
    EntryKind kind;
    int list;  // pick list 1 to 9 (combo boxes), else 0
};

inline constexpr int kPageCount = 5;
inline constexpr int kEntryCount = fields::kFieldCount;

// In the order of the Enter chain.
const std::array<Entry, kEntryCount>& entries();

// The entry of book field `field` (1 to 36).
const Entry& entryOfField(int field);

// The position of the control named `control` in the Enter chain, or -1.
int chainPosition(const QString& control);

// The length limit of an entry: its field's width.
int lengthLimit(const Entry& entry);

// The four amounts, whose texts must read as numbers.
bool isAmount(int field);

// Field numbers of the entries most used by name.
namespace field {
inline constexpr int Title = 1, Author = 2, YearPub = 3, Publisher = 4, Category = 5,
                     WherePurch = 6, Cost = 7, Value = 8, Description = 9, ISBN = 10, Rating = 11,
                     PurchDate = 12, BookType = 13, CheckOut = 17, CheckDate = 18, CheckName = 19,
                     Pages = 24, Location = 25, Condition = 26, LowMarket = 29, HighMarket = 30,
                     UserDef1 = 31, UserDef6 = 36;
}

}  // namespace edit
