#include "collect/LoadSystemInformation.h"

#include "collect/ProcessScanner.h"

namespace orb {

LoadSystemInformation::LoadSystemInformation() : processes_(std::make_unique<ProcessScanner>())
{
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (m->createSampler)
            samplers_[static_cast<size_t>(m->id)] = m->createSampler();
}

LoadSystemInformation::~LoadSystemInformation() = default;

SensorData LoadSystemInformation::loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root,
                                                   double now, bool scanProcesses)
{
    const PassContext context{root, now};
    for (const ModuleInfo *m : ModuleCatalog::sampleOrder()) {
        const auto i = static_cast<size_t>(m->id);
        if (flags[i] && samplers_[i])
            samplers_[i]->sample(context, info);
    }
    if (scanProcesses)
        processes_->sample(context, info);
    info.vnc = true;
    return info;
}

} // namespace orb
