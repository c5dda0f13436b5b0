#include "prefs/PreferenceCenter.h"

namespace orb {

QString PreferenceCenter::notificationName(ModuleId id)
{
    switch (id) {
    case ModuleId::General: return QStringLiteral("GeneralModuleNotif");
    case ModuleId::Cpu: return QStringLiteral("CpuModuleNotif");
    case ModuleId::Memory: return QStringLiteral("MemoryModuleNotif");
    case ModuleId::Network: return QStringLiteral("NetworkModuleNotif");
    case ModuleId::Disk: return QStringLiteral("DiskModuleNotif");
    case ModuleId::Volume: return QStringLiteral("VlmsModuleNotif");
    case ModuleId::Temp: return QStringLiteral("TempModuleNotif");
    case ModuleId::Fan: return QStringLiteral("FanModuleNotif");
    case ModuleId::Vnc: return QStringLiteral("VNCModuleNotif");
    case ModuleId::Gpu: return QStringLiteral("GpuModuleNotif");
    }
    return {};
}

std::optional<ModuleId> PreferenceCenter::moduleForName(const QString &name)
{
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (notificationName(m->id) == name)
            return m->id;
    return std::nullopt;
}

} // namespace orb
