#pragma once
#include "settings/ModuleCatalog.h"

namespace orb {

// Each module's row of the module table, defined in its own folder (modules/<name>/).
extern const ModuleInfo kGeneralModule;
extern const ModuleInfo kCpuModule;
extern const ModuleInfo kMemoryModule;
extern const ModuleInfo kNetworkModule;
extern const ModuleInfo kDiskModule;
extern const ModuleInfo kVolumeModule;
extern const ModuleInfo kTempModule;
extern const ModuleInfo kFanModule;
extern const ModuleInfo kVncModule;
extern const ModuleInfo kGpuModule;

} // namespace orb
