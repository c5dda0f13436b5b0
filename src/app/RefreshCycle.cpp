#include "app/RefreshCycle.h"

#include <algorithm>

namespace orb {

void RefreshCycle::loadCounterUp(bool launched, qint64 interval, bool menuOpened, ModuleCycleState &state)
{
    if (!launched)
        return;
    const qint64 c = state.counter;
    if (c > 0 && c < interval) {
        state.counter = c + 1;
        state.load = menuOpened;
    } else {
        state.counter = 1;
        state.load = true;
    }
}

template <typename Self, typename Visit>
void RefreshCycle::forEachCounter(Self &self, const PassInput &input, bool cpuHistoryMissing, Visit &&visit)
{
    for (const ModuleInfo *m : ModuleCatalog::cycleOrder()) {
        if (!m->hasInterval())
            continue;
        const auto i = static_cast<size_t>(m->id);
        const bool opened = input.menuOpened[i] || (m->id == ModuleId::Cpu && cpuHistoryMissing);
        visit(input.launched[i], input.interval[i], opened, self.states_[i]);
    }
    // The process scan counts like a module of its own, read by the CPU and Memory menus.
    const auto cpu = static_cast<size_t>(ModuleId::Cpu);
    const auto memory = static_cast<size_t>(ModuleId::Memory);
    visit(input.launched[cpu] || input.launched[memory], kProcessScanInterval,
          input.menuOpened[cpu] || input.menuOpened[memory] || self.processScans_ < 2, self.processScan_);
}

void RefreshCycle::advance(const PassInput &input, bool cpuHistoryMissing)
{
    for (auto &s : states_)
        s.load = false;
    processScan_.load = false;
    forEachCounter(*this, input, cpuHistoryMissing, &RefreshCycle::loadCounterUp);
    if (processScan_.load && processScans_ < 2)
        ++processScans_;
}

int RefreshCycle::ticksUntilDue(const PassInput &input, bool cpuHistoryMissing) const
{
    qint64 ticks = kMaxIdleTicks;
    // Mirrors loadCounterUp: a counter c inside 1..n−1 steps on without the flag, so the
    // first tick that raises it is the (n − c + 1)-th from now.
    forEachCounter(*this, input, cpuHistoryMissing, [&ticks](bool launched, qint64 interval, bool opened, const ModuleCycleState &state) {
        if (!launched)
            return;
        const qint64 c = state.counter;
        if (opened || !(c > 0 && c < interval))
            ticks = 1;
        else
            ticks = std::min(ticks, interval - c + 1);
    });
    return static_cast<int>(std::max<qint64>(ticks, 1));
}

LoadFlags RefreshCycle::loadFlags() const
{
    LoadFlags flags{};
    for (size_t i = 0; i < flags.size(); ++i)
        flags[i] = states_[i].load;
    return flags;
}

} // namespace orb
