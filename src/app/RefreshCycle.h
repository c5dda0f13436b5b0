#pragma once
#include "collect/LoadSystemInformation.h"
#include "settings/ModuleCatalog.h"

#include <array>

namespace orb {

// Interval counter and load flag of one module. The UI thread advances them at each tick
// and hands the pass the resulting flags by value.
struct ModuleCycleState {
    qint64 counter = 0; // 0 = absent (before the module's first pass)
    bool load = false;
};

// What the UI thread hands to one pass: the launch keys, the modules' update intervals and
// whether each item's menu is open, all captured at tick time.
struct PassInput {
    std::array<bool, kModuleCount> launched{};
    std::array<qint64, kModuleCount> interval{};
    std::array<bool, kModuleCount> menuOpened{};
    // Monotonic seconds at the tick.
    double now = 0.0;
};

// The per-module interval counters of the refresh cycle.
class RefreshCycle {
public:
    // Advances one module's counter: with the module launched, a counter inside 1..n−1 steps
    // on and the flag follows the menu; otherwise it restarts at 1 with the flag up.
    static void loadCounterUp(bool launched, qint64 interval, bool menuOpened, ModuleCycleState &state);

    // Clears the load flags and advances every sampled module's counter in the fixed order;
    // CPU is also due while it has no history yet.
    void advance(const PassInput &input, bool cpuHistoryMissing);

    // Ticks from now to the next one on which something is due, as long as the input stays
    // the same (no menu opened, no interval changed): 1 when the next tick is, at most
    // kMaxIdleTicks. The timer sleeps through the ticks between.
    int ticksUntilDue(const PassInput &input, bool cpuHistoryMissing) const;
    static constexpr int kMaxIdleTicks = 60;

    LoadFlags loadFlags() const;
    // Whether this pass scans the process list. The scan costs more than the modules
    // together (on a desktop with hundreds of processes several times more), and only the
    // CPU and Memory menus show it, so it runs on every pass only while one of them is
    // open, and otherwise on the first two passes (a processor share needs two scans) and
    // then on every kProcessScanInterval-th, keeping the histories there for when a menu
    // opens. The menu's first rows then cover at most that many seconds.
    bool processesDue() const { return processScan_.load; }
    static constexpr qint64 kProcessScanInterval = 10;
    bool due(ModuleId id) const { return states_[static_cast<size_t>(id)].load; }
    const ModuleCycleState &state(ModuleId id) const { return states_[static_cast<size_t>(id)]; }

private:
    // Calls visit(launched, interval, opened, state) for every counter in the fixed order: the
    // sampled modules (CPU counted as opened while it has no history), then the process scan.
    // `self` is this cycle, const or not, so the visit may step the counters.
    template <typename Self, typename Visit>
    static void forEachCounter(Self &self, const PassInput &input, bool cpuHistoryMissing, Visit &&visit);

    std::array<ModuleCycleState, kModuleCount> states_{};
    ModuleCycleState processScan_;
    int processScans_ = 0;
};

} // namespace orb
