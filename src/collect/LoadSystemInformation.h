#pragma once
#include "collect/CpuSampler.h"
#include "collect/MemorySampler.h"
#include "collect/Samples.h"
#include "platform/Sysroot.h"

namespace orb {

// Which modules are due in this pass (the cycle's load flags).
struct LoadFlags {
    bool cpu = false;
    bool gpu = false;
    bool memory = false;
    bool network = false;
    bool volume = false;
    bool disk = false;
    bool temp = false;
    bool fan = false;
};

// The collector: samples the due modules and appends to their histories. Its samplers keep
// baselines between passes, so one instance serves every pass, one pass at a time.
class LoadSystemInformation {
public:
    // Returns `info` with a sample appended to every due module's history (those whose
    // sampler yielded one) and the VNC marker set.
    SensorData loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root);

private:
    CpuSampler cpu_;
    MemorySampler memory_;
};

} // namespace orb
