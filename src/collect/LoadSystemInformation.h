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
    // seconds. With `scanProcesses` the process list is scanned after the modules and
    // both process histories grow by one snapshot.
    SensorData loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root, double now = 0.0,
                                bool scanProcesses = false);

private:
    std::array<std::unique_ptr<ModuleSampler>, kModuleCount> samplers_;
    std::unique_ptr<ModuleSampler> processes_;
};

} // namespace orb
