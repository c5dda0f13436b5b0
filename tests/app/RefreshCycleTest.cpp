#include "app/RefreshCycle.h"

#include <algorithm>
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

namespace {

bool anythingDue(const RefreshCycle &cycle)
{
    const LoadFlags flags = cycle.loadFlags();
    return cycle.processesDue() || std::any_of(flags.begin(), flags.end(), [](bool due) { return due; });
}

} // namespace

// The timer sleeps for ticksUntilDue() ticks: the tick it wakes on must be the first one on
// which anything is due, never later (a sample lost) and never earlier (a wake for nothing).
TEST(RefreshCycle, TheTimerWakesExactlyOnTheNextTickWithSomethingDue)
{
    struct Case {
        const char *name;
        std::vector<std::pair<ModuleId, qint64>> modules;
        std::vector<int> expectedWaits; // the first waits, in ticks
    };
    const std::vector<Case> cases{
        // CPU on ticks 1, 3, 5...; Memory and the process scan on 1, 6, 11... (the scan also
        // on 2, its second of two at start).
        {"two and five", {{ModuleId::Cpu, 2}, {ModuleId::Memory, 5}}, {1, 1, 2, 1, 1, 2, 2, 2, 2}},
        // Network on 1, 4, 7, 10, 13, 16; Temp on 1, 8, 15.
        {"three and seven", {{ModuleId::Network, 3}, {ModuleId::Temp, 7}}, {3, 3, 1, 2, 3, 2, 1}},
        {"a one-second module", {{ModuleId::Disk, 1}, {ModuleId::Fan, 9}}, {1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RefreshCycle cycle;
        PassInput in;
        for (const auto &[id, interval] : c.modules) {
            in.launched[ModuleCatalog::index(id)] = true;
            in.interval[ModuleCatalog::index(id)] = interval;
        }
        cycle.advance(in, false); // the first tick samples everything
        ASSERT_TRUE(anythingDue(cycle));
        std::vector<int> waits;
        for (int wake = 0; wake < 40; ++wake) {
            const int predicted = cycle.ticksUntilDue(in, false);
            int ticks = 0;
            do {
                cycle.advance(in, false);
                ++ticks;
            } while (!anythingDue(cycle) && ticks < 100);
            ASSERT_EQ(ticks, predicted) << "after wake " << wake;
            waits.push_back(predicted);
        }
        waits.resize(c.expectedWaits.size());
        EXPECT_EQ(waits, c.expectedWaits);
    }
}

TEST(RefreshCycle, AnOpenMenuOrMissingHistoryWantsEveryTickAndNothingLaunchedSleepsLongest)
{
    RefreshCycle cycle;
    PassInput in;
    const size_t cpu = ModuleCatalog::index(ModuleId::Cpu);
    const size_t disk = ModuleCatalog::index(ModuleId::Disk);
    EXPECT_EQ(cycle.ticksUntilDue(in, false), RefreshCycle::kMaxIdleTicks);

    in.launched[disk] = true;
    in.interval[disk] = 30;
    in.launched[cpu] = true;
    in.interval[cpu] = 20;
    for (int i = 0; i < 3; ++i)
        cycle.advance(in, false); // past the first two process scans
    EXPECT_EQ(cycle.ticksUntilDue(in, false), RefreshCycle::kProcessScanInterval - 2); // the process scan's next turn
    EXPECT_EQ(cycle.ticksUntilDue(in, true), 1); // the CPU item still has no history
    in.menuOpened[disk] = true;
    EXPECT_EQ(cycle.ticksUntilDue(in, false), 1);
}
