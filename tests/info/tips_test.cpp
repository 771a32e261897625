// The tips of the day and their cycling, without a window.
#include "info/tips.h"

#include <gtest/gtest.h>

#include <set>

TEST(Tips, TwentyFourTipsEachWithinItsRoom) {
    for (int n = 1; n <= info::kTipCount; ++n) {
        EXPECT_FALSE(info::tipText(n).isEmpty()) << n;
        EXPECT_LE(info::tipText(n).size(), info::kTipLength) << n;
    }
    EXPECT_TRUE(info::tipText(0).isEmpty());
    EXPECT_TRUE(info::tipText(25).isEmpty());
    EXPECT_EQ(info::tipText(1), QStringLiteral("You can rename database fields to your liking."));
    EXPECT_EQ(info::tipText(24),
              QStringLiteral("A \"Browse Mode\" is available where a user has access to the data, "
                             "but cannot change it."));
}

TEST(Tips, StartsOnTheDrawnTipAndWrapsFrom24To1) {
    info::TipCycle last([](int bound) { return bound - 1; });
    EXPECT_EQ(last.current(), 24);
    last.next();
    EXPECT_EQ(last.current(), 1);
    EXPECT_EQ(last.text(), info::tipText(1));
    last.next();
    EXPECT_EQ(last.current(), 2);

    info::TipCycle first([](int) { return 0; });
    EXPECT_EQ(first.current(), 1);
    for (int i = 0; i < info::kTipCount; ++i)
        first.next();
    EXPECT_EQ(first.current(), 1);

    // A draw out of range cannot leave the table.
    info::TipCycle wild([](int) { return 24; });
    EXPECT_EQ(wild.current(), 1);
    info::TipCycle negative([](int) { return -3; });
    EXPECT_EQ(negative.current(), 1);
}

TEST(Tips, RandomStartReachesEveryTip) {
    std::set<int> starts;
    for (int i = 0; i < 2000 && starts.size() < 24; ++i)
        starts.insert(info::TipCycle().current());
    EXPECT_EQ(starts.size(), 24u);
    EXPECT_EQ(*starts.begin(), 1);
    EXPECT_EQ(*starts.rbegin(), 24);
}
