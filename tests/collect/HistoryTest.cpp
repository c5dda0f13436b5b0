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

// A view knows how many readings it has beyond an older one only when it grew from it by
// appending: a branch, a copy into new storage or an unrelated history with more readings
// must send the reader back to the whole history.
TEST(History, GrownFromCountsOnlyAppendsInTheSameStorage)
{
    History<int> h;
    for (int i = 0; i < 600; ++i)
        h = h.appended(i);
    const History<int> older = h;
    const History<int> newer = h.appended(600).appended(601);
    EXPECT_EQ(newer.grownFrom(older), 2u);
    EXPECT_EQ(older.grownFrom(older), 0u);
    EXPECT_EQ(older.grownFrom(newer), std::nullopt) << "older than the view it is asked about";
    EXPECT_EQ(older.appended(-1).grownFrom(newer), std::nullopt) << "a branch";

    History<int> other;
    for (int i = 0; i < 700; ++i)
        other = other.appended(i);
    EXPECT_EQ(other.grownFrom(older), std::nullopt) << "another history, more readings";
    EXPECT_EQ(History<int>().grownFrom(History<int>()), std::nullopt);

    // Filling the storage copies the newest readings into a new block.
    History<int> copied = newer;
    std::size_t appends = 0;
    while (copied.grownFrom(newer)) {
        copied = copied.appended(0);
        ++appends;
    }
    // 602 of the block's 1,024 slots were taken: 422 appends fill it, the next one copies.
    EXPECT_EQ(appends, 2 * History<int>::kCapacity - 602 + 1);
}
