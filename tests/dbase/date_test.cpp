#include "dbase/date.h"

#include <gtest/gtest.h>

namespace {

TEST(DateTest, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE((dbase::Date{2000, 2, 29}.isValid()));
    EXPECT_TRUE((dbase::Date{2024, 2, 29}.isValid()));
    EXPECT_FALSE((dbase::Date{1900, 2, 29}.isValid()));
    EXPECT_FALSE((dbase::Date{2023, 2, 29}.isValid()));
}

TEST(DateTest, OutOfRangePartsAreInvalidAndZeroIsNull) {
    EXPECT_FALSE((dbase::Date{2024, 13, 1}.isValid()));
    EXPECT_FALSE((dbase::Date{2024, 4, 31}.isValid()));
    EXPECT_FALSE((dbase::Date{0, 1, 1}.isValid()));
    EXPECT_TRUE(dbase::Date{}.isNull());
    EXPECT_FALSE(dbase::Date{}.isValid());
}

}  // namespace
