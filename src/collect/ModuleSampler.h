#pragma once
#include "collect/Samples.h"

namespace orb {

class Sysroot;

// What one pass hands every due module's sampler.
struct PassContext {
    const Sysroot &root;
    // Monotonic seconds at the start of the pass; rates divide by the time that really passed.
    double now = 0.0;
};

// A module's sampler step in the refresh pass. One instance lives as long as the collector
// and keeps its baselines between passes; it is only ever called from the pass, one pass at
// a time.
class ModuleSampler {
public:
    virtual ~ModuleSampler() = default;
    // Takes one sample and appends it to the module's history in `data` (or leaves the
    // history as it was when there is nothing to add). It may also replace the module's
    // descriptions in `data`.
    virtual void sample(const PassContext &context, SensorData &data) = 0;
};

} // namespace orb
