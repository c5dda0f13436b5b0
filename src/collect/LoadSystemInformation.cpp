#include "collect/LoadSystemInformation.h"

namespace orb {

SensorData LoadSystemInformation::loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root)
{
    if (flags.cpu) {
        CpuSample sample = cpu_.loadCpuData(root);
        if (!sample.empty())
            info.cpu = info.cpu.value_or(History<CpuSample>()).appended(std::move(sample));
    }
    if (flags.memory) {
        if (auto sample = memory_.loadMemoryData(root)) {
            info.memory = info.memory.value_or(History<MemorySample>()).appended(*sample);
            info.memoryPageSize = memory_.pageSize();
            info.memoryTotlSize = memory_.memTotalBytes();
        }
    }
    info.vnc = true;
    return info;
}

} // namespace orb
