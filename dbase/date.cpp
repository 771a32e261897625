#include "dbase/date.h"

namespace dbase {

bool Date::isValid() const {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int limit = kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
    return day <= limit;
}

}  // namespace dbase
