#include "fields/book_fields.h"

#include <cctype>
#include <stdexcept>

namespace fields {

namespace {

using K = FieldKind;

constexpr std::array<BookField, kFieldCount> kFields{{
    {1, "Title", K::String, 90, 'C', "Title", 0, ""},
    {2, "Author", K::String, 90, 'C', "Author", 1, "AUTHOR.LST"},
    {3, "YearPub", K::Integer, 4, 'N', "Year Pub", 0, ""},
    {4, "Publisher", K::String, 60, 'C', "Publisher", 5, "PUBLISH.LST"},
    {5, "Category", K::String, 20, 'C', "Category", 4, "CATEGORY.LST"},
    {6, "WherePurch", K::String, 30, 'C', "Where Purchased", 3, "BOUGHT.LST"},
    {7, "Cost", K::Float, 12, 'N', "Cost", 0, ""},
    {8, "Value", K::Float, 12, 'N', "Value", 0, ""},
    {9, "Descriptio", K::String, 110, 'C', "Description", 0, ""},
    {10, "ISBN", K::String, 20, 'C', "ISBN", 0, ""},
    {11, "Rating", K::String, 15, 'C', "Rating", 6, "RATING.LST"},
    {12, "PurchDate", K::Date, 10, 'D', "Purchase Date", 0, ""},
    {13, "BookType", K::String, 15, 'C', "Book Type", 7, "BOOKTYPE.LST"},
    {14, "CatalogNum", K::String, 15, 'C', "Cat Num", 0, ""},
    {15, "Sub1", K::String, 6, 'C', "Sub Cat1", 0, ""},
    {16, "Sub2", K::String, 6, 'C', "Sub Cat2", 0, ""},
    {17, "CheckOut", K::String, 3, 'C', "Checked Out", 0, ""},
    {18, "CheckDate", K::Date, 10, 'D', "Check Out Date", 0, ""},
    {19, "CheckName", K::String, 30, 'C', "Check Out Person", 8, "CHECKOUT.LST"},
    {20, "Volume", K::String, 8, 'C', "Volume", 0, ""},
    {21, "Issue", K::String, 8, 'C', "Issue", 0, ""},
    {22, "Edition", K::String, 10, 'C', "Edition", 0, ""},
    {23, "KeyWords", K::String, 80, 'C', "Key Words", 0, ""},
    {24, "Pages", K::Integer, 5, 'N', "Pages", 0, ""},
    {25, "Location", K::String, 30, 'C', "Location", 2, "LOCATION.LST"},
    {26, "Condition", K::String, 20, 'C', "Condition", 9, "CONDITION.LST"},
    {27, "Editor", K::String, 30, 'C', "Editor", 0, ""},
    {28, "Dewey", K::String, 20, 'C', "Dewey Decimal", 0, ""},
    {29, "LowMarket", K::Float, 12, 'N', "Low Market", 0, ""},
    {30, "HighMarket", K::Float, 12, 'N', "High Market", 0, ""},
    {31, "UserDef1", K::String, 40, 'C', "User Defined 1", 0, ""},
    {32, "UserDef2", K::String, 40, 'C', "User Defined 2", 0, ""},
    {33, "UserDef3", K::String, 40, 'C', "User Defined 3", 0, ""},
    {34, "UserDef4", K::String, 40, 'C', "User Defined 4", 0, ""},
    {35, "UserDef5", K::String, 40, 'C', "User Defined 5", 0, ""},
    {36, "UserDef6", K::String, 40, 'C', "User Defined 6", 0, ""},
}};

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

const std::array<BookField, kFieldCount>& bookFields() {
    return kFields;
}

const BookField& bookField(int number) {
    if (number < 1 || number > kFieldCount)
        throw std::out_of_range("book field number");
    return kFields[static_cast<size_t>(number - 1)];
}

int bookFieldNumber(std::string_view name) {
    for (const auto& f : kFields) {
        if (equalNoCase(f.name, name))
            return f.number;
    }
    return 0;
}

}  // namespace fields
