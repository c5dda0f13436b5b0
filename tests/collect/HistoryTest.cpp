#include "collect/History.h"

#include <gtest/gtest.h>

using orb::History;

TEST(History, FullHistorySlidesByOne)
{
    History<int> h;
    for (int i = 0; i < 512; ++i)
        h = h.appended(i);
    ASSERT_EQ(h.size(), 512u);
    ASSERT_EQ(h.front(), 0);
    h = h.appended(512);
    EXPECT_EQ(h.size(), 512u);
    EXPECT_EQ(h.front(), 1); // the former second element
    EXPECT_EQ(h.back(), 512);
    EXPECT_EQ(h[510], 511);
}

TEST(History, AppendLeavesOldSnapshotUntouched)
{
    History<int> h;
    EXPECT_TRUE(h.empty());
    for (int i = 0; i < 512; ++i)
        h = h.appended(i);
    const History<int> snapshot = h;
    const void *identity = snapshot.identity();
    const History<int> next = h.appended(1000);
    EXPECT_EQ(snapshot.identity(), identity);
    EXPECT_NE(next.identity(), identity);
    EXPECT_EQ(snapshot.size(), 512u);
    EXPECT_EQ(snapshot.front(), 0);
    EXPECT_EQ(snapshot.back(), 511);
    EXPECT_EQ(next.back(), 1000);
}
