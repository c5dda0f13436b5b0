#include "app/RefreshCycle.h"

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

void RefreshCycle::advance(const PassInput &input, bool cpuHistoryMissing)
{
    for (auto &s : states_)
        s.load = false;
    for (const ModuleInfo *m : ModuleCatalog::cycleOrder()) {
        if (!m->hasInterval())
            continue;
        const auto i = static_cast<size_t>(m->id);
        bool opened = input.menuOpened[i];
        if (m->id == ModuleId::Cpu)
            opened = opened || cpuHistoryMissing;
        loadCounterUp(input.launched[i], input.interval[i], opened, states_[i]);
    }
    // The process scan counts like a module of its own, read by the CPU and Memory menus.
    const auto cpu = static_cast<size_t>(ModuleId::Cpu);
    const auto memory = static_cast<size_t>(ModuleId::Memory);
    processScan_.load = false;
    loadCounterUp(input.launched[cpu] || input.launched[memory], kProcessScanInterval,
                  input.menuOpened[cpu] || input.menuOpened[memory] || processScans_ < 2, processScan_);
    if (processScan_.load && processScans_ < 2)
        ++processScans_;
}

LoadFlags RefreshCycle::loadFlags() const
{
    LoadFlags flags{};
    for (size_t i = 0; i < flags.size(); ++i)
        flags[i] = states_[i].load;
    return flags;
}

} // namespace orb
