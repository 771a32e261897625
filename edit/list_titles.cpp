#include "edit/list_titles.h"

#include <array>

namespace edit {

namespace {

struct ListText {
    const char* title;
    int limit;
};

constexpr std::array<ListText, books::kPickListCount> kLists{{
    {"Author", 90},
    {"Location", 30},
    {"Purchased From", 30},
    {"Category", 20},
    {"Publisher", 90},
    {"Rating", 15},
    {"Book Type", 30},
    {"Check Out Person", 30},
    {"Condition", 20},
}};

const ListText& of(books::PickList list) {
    return kLists.at(static_cast<std::size_t>(list) - 1);
}

}  // namespace

QString listTitle(books::PickList list) {
    return QString::fromLatin1(of(list).title);
}

int entryLimit(books::PickList list) {
    return of(list).limit;
}

QString maintenanceCaption(books::PickList list) {
    return QStringLiteral("Edit \"%1\" List").arg(listTitle(list));
}

}  // namespace edit
