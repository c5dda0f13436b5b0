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
    static constexpr ModuleId order[] = {ModuleId::Cpu,  ModuleId::Memory, ModuleId::Network, ModuleId::Disk,
                                         ModuleId::Volume, ModuleId::Temp, ModuleId::Fan,     ModuleId::Gpu};
    for (ModuleId id : order) {
        const auto i = static_cast<size_t>(id);
        bool opened = input.menuOpened[i];
        if (id == ModuleId::Cpu)
            opened = opened || cpuHistoryMissing;
        loadCounterUp(input.launched[i], input.interval[i], opened, states_[i]);
    }
}

LoadFlags RefreshCycle::loadFlags() const
{
    auto load = [this](ModuleId id) { return states_[static_cast<size_t>(id)].load; };
    LoadFlags f;
    f.cpu = load(ModuleId::Cpu);
    f.gpu = load(ModuleId::Gpu);
    f.memory = load(ModuleId::Memory);
    f.network = load(ModuleId::Network);
    f.volume = load(ModuleId::Volume);
    f.disk = load(ModuleId::Disk);
    f.temp = load(ModuleId::Temp);
    f.fan = load(ModuleId::Fan);
    return f;
}

} // namespace orb
