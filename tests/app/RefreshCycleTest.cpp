#include "app/RefreshCycle.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace orb;

namespace {

// Passes (1-based) on which a module with `interval` is sampled over `passes` passes,
// with its menu open on the passes in `menuOpen`.
std::vector<int> sampledPasses(qint64 interval, int passes, std::set<int> menuOpen = {})
{
    ModuleCycleState state;
    std::vector<int> sampled;
    for (int pass = 1; pass <= passes; ++pass) {
        state.load = false;
        RefreshCycle::loadCounterUp(true, interval, menuOpen.count(pass) > 0, state);
        if (state.load)
            sampled.push_back(pass);
    }
    return sampled;
}

} // namespace

TEST(RefreshCycle, CounterRule)
{
    EXPECT_EQ(sampledPasses(5, 12), (std::vector<int>{1, 6, 11}));
    EXPECT_EQ(sampledPasses(5, 7, {3, 4}), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(sampledPasses(0, 4), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(sampledPasses(1, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(sampledPasses(-3, 3), (std::vector<int>{1, 2, 3}));
}

TEST(RefreshCycle, CounterValuesRunOneToInterval)
{
    ModuleCycleState state;
    std::vector<qint64> counters;
    for (int i = 0; i < 7; ++i) {
        RefreshCycle::loadCounterUp(true, 5, false, state);
        counters.push_back(state.counter);
    }
    EXPECT_EQ(counters, (std::vector<qint64>{1, 2, 3, 4, 5, 1, 2}));
}

TEST(RefreshCycle, SwitchedOffModuleKeepsItsCounter)
{
    ModuleCycleState state;
    RefreshCycle::loadCounterUp(true, 5, false, state);
    RefreshCycle::loadCounterUp(true, 5, false, state);
    state.load = false;
    RefreshCycle::loadCounterUp(false, 5, true, state);
    EXPECT_EQ(state.counter, 2);
    EXPECT_FALSE(state.load);
    RefreshCycle::loadCounterUp(true, 5, false, state);
    EXPECT_EQ(state.counter, 3);
}

TEST(RefreshCycle, AdvanceClearsFlagsAndSamplesCpuUntilItHasHistory)
{
    RefreshCycle cycle;
    PassInput in;
    in.launched[ModuleCatalog::index(ModuleId::Cpu)] = true;
    in.interval[ModuleCatalog::index(ModuleId::Cpu)] = 3;
    in.launched[ModuleCatalog::index(ModuleId::Memory)] = true;
    in.interval[ModuleCatalog::index(ModuleId::Memory)] = 2;

    cycle.advance(in, true);
    EXPECT_TRUE(cycle.due(ModuleId::Cpu));
    EXPECT_TRUE(cycle.due(ModuleId::Memory));
    // No CPU history yet: sampled again although its interval is 3.
    cycle.advance(in, true);
    EXPECT_TRUE(cycle.due(ModuleId::Cpu));
    EXPECT_FALSE(cycle.due(ModuleId::Memory));
    cycle.advance(in, false);
    EXPECT_FALSE(cycle.due(ModuleId::Cpu));
    EXPECT_TRUE(cycle.due(ModuleId::Memory));
    EXPECT_FALSE(cycle.due(ModuleId::Gpu));
}
