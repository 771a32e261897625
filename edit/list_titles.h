// What the list maintenance dialog shows for each of the nine pick lists:
// the title in its caption and the length limit of its entry box.
#pragma once

#include <QString>

#include "data/pick_lists.h"

namespace edit {

// "Author", "Location", "Purchased From", ...
QString listTitle(books::PickList list);
// 90, 30, 30, 20, 90, 15, 30, 30, 20 for lists 1 to 9.
int entryLimit(books::PickList list);
// Edit "Author" List
QString maintenanceCaption(books::PickList list);

}  // namespace edit
