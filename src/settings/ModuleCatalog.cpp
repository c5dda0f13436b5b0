#include "settings/ModuleCatalog.h"

namespace orb {

const std::array<ModuleInfo, kModuleCount> &ModuleCatalog::all()
{
    static const std::array<ModuleInfo, kModuleCount> table{{
        {ModuleId::General, 0, 0, "General", "general", "", "", "", ""},
        {ModuleId::Cpu, 1, 1, "CPU", "cpu", "LaunchCpus", "Cpu_UpdateInterval", "CpuInnerLoadCounterInt", "CpuInnerLoadData"},
        {ModuleId::Memory, 2, 3, "Memory", "memory", "LaunchMemo", "Memory_UpdateInterval", "MemoryInnerLoadCounterInt",
         "MemoryInnerLoadData"},
        {ModuleId::Network, 3, 4, "Network", "network", "LaunchNetw", "Network_UpdateInterval",
         "NetworkInnerLoadCounterInt", "NetworkInnerLoadData"},
        {ModuleId::Disk, 4, 5, "Disk", "disk", "LaunchDisk", "Disk_UpdateInterval", "DiskInnerLoadCounterInt",
         "DiskInnerLoadData"},
        {ModuleId::Volume, 7, 6, "Volume", "volume", "LaunchVolume", "Vlms_UpdateInterval", "VlmsInnerLoadCounterInt",
         "VlmsInnerLoadData"},
        {ModuleId::Temp, 5, 7, "Temp", "temp", "LaunchTemp", "Temp_UpdateInterval", "TempInnerLoadCounterInt",
         "TempInnerLoadData"},
        {ModuleId::Fan, 6, 8, "Fan", "fan", "LaunchFans", "Fan_UpdateInterval", "FanInnerLoadCounterInt", "FanInnerLoadData"},
        {ModuleId::Vnc, 8, 9, "VNC", "vnc", "LaunchVNC", "", "", ""},
        {ModuleId::Gpu, 9, 2, "GPU", "gpu", "LaunchGpus", "Gpu_UpdateInterval", "GpuInnerLoadCounterInt", "GpuInnerLoadData"},
    }};
    return table;
}

const ModuleInfo &ModuleCatalog::info(ModuleId id) { return all()[static_cast<size_t>(id)]; }

const ModuleInfo *ModuleCatalog::byNumber(int number)
{
    if (number < 1)
        return nullptr;
    for (const ModuleInfo &m : all())
        if (m.number == number)
            return &m;
    return nullptr;
}

const ModuleInfo *ModuleCatalog::byKey(const QString &key)
{
    for (const ModuleInfo &m : all())
        if (key == QLatin1String(m.key))
            return &m;
    return nullptr;
}

} // namespace orb
