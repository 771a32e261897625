#include "edit/edit_fields.h"

namespace edit {

namespace {

using K = EntryKind;

constexpr std::array<Entry, kEntryCount> kEntries{{
    {"Title", 1, 0, K::Text, 0},       {"Author", 2, 0, K::Combo, 1},
    {"Publisher", 4, 0, K::Combo, 5},  {"Editor", 27, 0, K::Text, 0},
    {"BookType", 13, 0, K::Combo, 7},  {"Volume", 20, 0, K::Text, 0},
    {"Issue", 21, 0, K::Text, 0},      {"YearPub", 3, 0, K::Text, 0},
    {"Edition", 22, 0, K::Text, 0},    {"Pages", 24, 0, K::Text, 0},
    {"PurchDate", 12, 0, K::Date, 0},  {"WherePurch", 6, 0, K::Combo, 3},
    {"Catalog", 14, 1, K::Text, 0},    {"SubCat1", 15, 1, K::Text, 0},
    {"SubCat2", 16, 1, K::Text, 0},    {"Dewey", 28, 1, K::Text, 0},
    {"ISBN", 10, 1, K::Text, 0},       {"Category", 5, 1, K::Combo, 4},
    {"KeyWords", 23, 1, K::Text, 0},   {"PersRating", 11, 1, K::Combo, 6},
    {"Location", 25, 1, K::Combo, 2},  {"Cost", 7, 2, K::Text, 0},
    {"Value", 8, 2, K::Text, 0},       {"LowMarket", 29, 2, K::Text, 0},
    {"HighMarket", 30, 2, K::Text, 0}, {"CheckOut", 17, 3, K::Check, 0},
    {"CheckDate", 18, 3, K::Date, 0},  {"CheckName", 19, 3, K::Combo, 8},
    {"Condition", 26, 4, K::Combo, 9}, {"Description", 9, 4, K::Text, 0},
    {"UserDef1", 31, 4, K::Text, 0},   {"UserDef2", 32, 4, K::Text, 0},
    {"UserDef3", 33, 4, K::Text, 0},   {"UserDef4", 34, 4, K::Text, 0},
    {"UserDef5", 35, 4, K::Text, 0},   {"UserDef6", 36, 4, K::Text, 0},
}};

constexpr std::array<int, kEntryCount + 1> positionsByField() {
    std::array<int, kEntryCount + 1> out{};
    for (int k = 0; k < kEntryCount; ++k)
        out[static_cast<std::size_t>(kEntries[static_cast<std::size_t>(k)].field)] = k;
    return out;
}
constexpr auto kByField = positionsByField();

}  // namespace

const std::array<Entry, kEntryCount>& entries() {
    return kEntries;
}

const Entry& entryOfField(int field) {
    return kEntries.at(static_cast<std::size_t>(kByField.at(static_cast<std::size_t>(field))));
}

int chainPosition(const QString& control) {
    for (int k = 0; k < kEntryCount; ++k)
        if (control == QLatin1String(kEntries[static_cast<std::size_t>(k)].control))
            return k;
    return -1;
}

int lengthLimit(const Entry& entry) {
    return fields::bookField(entry.field).width;
}

bool isAmount(int f) {
    return f == field::Cost || f == field::Value || f == field::LowMarket || f == field::HighMarket;
}

}  // namespace edit
