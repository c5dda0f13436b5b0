#include "collect/sensors/SensorTableProvider.h"

#include "collect/sensors/SensorProbe.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"

namespace orb {

SensorTableProvider &SensorTableProvider::shared()
{
    static SensorTableProvider provider;
    return provider;
}

std::shared_ptr<const SensorTable> SensorTableProvider::current(const Sysroot &root, std::optional<double> now)
{
    std::lock_guard lock(mutex_);
    const bool sameRoot = table_ && table_->root == root.root();
    if (sameRoot && now && checkedAt_ && *now >= *checkedAt_ && *now - *checkedAt_ < kRecheckSeconds)
        return table_;
    checkedAt_ = now;
    if (sameRoot) {
        SensorProbe::hwmonDevices(root, devices_);
        if (devices_ == table_->hwmonDevices)
            return table_;
        qCInfo(lcCollect) << "monitoring devices changed; looking for sensors again";
    }
    table_ = SensorProbe::probe(root);
    ++probes_;
    return table_;
}

int SensorTableProvider::probes() const
{
    std::lock_guard lock(mutex_);
    return probes_;
}

} // namespace orb
