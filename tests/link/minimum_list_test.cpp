#include "link/minimum_list.h"

#include <gtest/gtest.h>

TEST(MinimumList, HandsOutLowestFreeSlotAndReusesIt) {
    MinimumList list;
    EXPECT_EQ(list.GetMaxSubscripts(), 0);
    EXPECT_TRUE(list.UseCheck(0)); // the listener's slot
    EXPECT_EQ(list.GetNewSubscripts(), 1);
    EXPECT_EQ(list.GetNewSubscripts(), 2);
    EXPECT_EQ(list.GetNewSubscripts(), 3);

    EXPECT_FALSE(list.ReleaseSubscripts(2));
    EXPECT_FALSE(list.UseCheck(2));
    EXPECT_EQ(list.GetMaxSubscripts(), 3);
    EXPECT_EQ(list.GetNewSubscripts(), 2);
    EXPECT_EQ(list.GetNewSubscripts(), 4);
}

TEST(MinimumList, ReleasingHighestDropsFreeSlotsBelowIt) {
    MinimumList list;
    for (int i = 0; i < 5; ++i)
        list.GetNewSubscripts();
    list.ReleaseSubscripts(2);
    list.ReleaseSubscripts(4);
    EXPECT_EQ(list.GetMaxSubscripts(), 5);

    EXPECT_FALSE(list.ReleaseSubscripts(5));
    EXPECT_EQ(list.GetMaxSubscripts(), 3);
    EXPECT_FALSE(list.UseCheck(4));
    EXPECT_FALSE(list.UseCheck(5));

    EXPECT_FALSE(list.ReleaseSubscripts(3));
    EXPECT_EQ(list.GetMaxSubscripts(), 1);
    EXPECT_EQ(list.GetNewSubscripts(), 2);

    list.ReleaseSubscripts(2);
    list.ReleaseSubscripts(1);
    EXPECT_EQ(list.GetMaxSubscripts(), 0); // stops at the listener's slot
    EXPECT_TRUE(list.UseCheck(0));
}

TEST(MinimumList, RefusesBadReleasesWithoutChange) {
    MinimumList list;
    list.GetNewSubscripts();
    list.GetNewSubscripts();
    list.ReleaseSubscripts(1);

    EXPECT_TRUE(list.ReleaseSubscripts(0));
    EXPECT_TRUE(list.ReleaseSubscripts(-1));
    EXPECT_TRUE(list.ReleaseSubscripts(3));
    EXPECT_TRUE(list.ReleaseSubscripts(1)); // already free
    EXPECT_EQ(list.GetMaxSubscripts(), 2);
    EXPECT_TRUE(list.UseCheck(0));
    EXPECT_TRUE(list.UseCheck(2));

    EXPECT_FALSE(list.UseCheck(-1));
    EXPECT_FALSE(list.UseCheck(99));

    list.AllClear();
    EXPECT_EQ(list.GetMaxSubscripts(), 0);
    EXPECT_FALSE(list.UseCheck(2));
    EXPECT_EQ(list.GetNewSubscripts(), 1);
}
