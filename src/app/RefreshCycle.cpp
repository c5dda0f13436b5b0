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
}

LoadFlags RefreshCycle::loadFlags() const
{
    LoadFlags flags{};
    for (size_t i = 0; i < flags.size(); ++i)
        flags[i] = states_[i].load;
    return flags;
}

} // namespace orb
