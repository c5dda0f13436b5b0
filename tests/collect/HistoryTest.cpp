#include "collect/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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
    const auto identity = snapshot.identity();
    const History<int> next = h.appended(1000);
    EXPECT_EQ(snapshot.identity(), identity);
    EXPECT_NE(next.identity(), identity);
    EXPECT_EQ(snapshot.size(), 512u);
    EXPECT_EQ(snapshot.front(), 0);
    EXPECT_EQ(snapshot.back(), 511);
    EXPECT_EQ(next.back(), 1000);
}

// Many more appends than the shared block holds: every view, old or new, keeps its readings.
TEST(History, ViewsStayWholeAcrossManyAppendsAndBranches)
{
    History<int> h;
    std::vector<std::pair<History<int>, int>> kept; // a view and the last value it must end with
    for (int i = 0; i < 5000; ++i) {
        h = h.appended(i);
        if (i % 97 == 0)
            kept.emplace_back(h, i);
    }
    for (const auto &[view, last] : kept) {
        const int expectedSize = std::min(last + 1, 512);
        ASSERT_EQ(view.size(), static_cast<std::size_t>(expectedSize));
        EXPECT_EQ(view.back(), last);
        EXPECT_EQ(view.front(), last + 1 - expectedSize);
        int next = view.front();
        for (const int v : view)
            ASSERT_EQ(v, next++);
    }
    // Appending to an older view branches off; neither branch sees the other's readings.
    const History<int> old = kept[10].first;
    const History<int> branch = old.appended(-1);
    const History<int> main = h.appended(-2);
    EXPECT_EQ(branch.back(), -1);
    EXPECT_EQ(branch[branch.size() - 2], kept[10].second);
    EXPECT_EQ(main.back(), -2);
    EXPECT_EQ(main[main.size() - 2], 4999);
    EXPECT_EQ(old.back(), kept[10].second);
    EXPECT_NE(branch.identity(), main.identity());
}
