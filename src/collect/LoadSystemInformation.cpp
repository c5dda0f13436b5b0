#include "collect/LoadSystemInformation.h"

namespace orb {

LoadSystemInformation::LoadSystemInformation()
{
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (m->createSampler)
            samplers_[static_cast<size_t>(m->id)] = m->createSampler();
}

LoadSystemInformation::~LoadSystemInformation() = default;

SensorData LoadSystemInformation::loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root,
                                                   double now)
{
    const PassContext context{root, now};
    for (const ModuleInfo *m : ModuleCatalog::sampleOrder()) {
        const auto i = static_cast<size_t>(m->id);
        if (flags[i] && samplers_[i])
            samplers_[i]->sample(context, info);
    }
    info.vnc = true;
    return info;
}

} // namespace orb
