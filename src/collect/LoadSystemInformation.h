#pragma once
#include "collect/ModuleSampler.h"
#include "collect/Samples.h"
#include "platform/Sysroot.h"
#include "settings/ModuleCatalog.h"

#include <array>
#include <memory>

namespace orb {

// Which modules are due in this pass (the cycle's load flags), indexed by ModuleId.
using LoadFlags = std::array<bool, kModuleCount>;

// The collector: samples the due modules and appends to their histories. Its samplers keep
// baselines between passes, so one instance serves every pass, one pass at a time.
class LoadSystemInformation {
public:
    LoadSystemInformation();
    ~LoadSystemInformation();

    // Returns `info` with a sample appended to every due module's history (those whose
    // sampler yielded one) and the VNC marker set. `now` is the pass's monotonic time in
    // seconds.
    SensorData loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root, double now = 0.0);

private:
    std::array<std::unique_ptr<ModuleSampler>, kModuleCount> samplers_;
};

} // namespace orb
