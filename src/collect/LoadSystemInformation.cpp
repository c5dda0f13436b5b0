#include "collect/LoadSystemInformation.h"

namespace orb {

SensorData LoadSystemInformation::loadCycleSysInfo(SensorData info, const LoadFlags &flags, const Sysroot &root)
{
    (void)flags;
    (void)root;
    info.vnc = true;
    return info;
}

} // namespace orb
