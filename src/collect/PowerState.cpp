#include "collect/PowerState.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

// Percentages worked out from capacities: above 100 counts as 100, below 1 as 1.
std::optional<int> limitedRatio(const std::optional<double> &part, const std::optional<double> &whole)
{
    if (!part || !whole || !(*whole > 0.0) || !std::isfinite(*part))
        return std::nullopt;
    const double r = *part * 100.0 / *whole;
    return static_cast<int>(std::clamp(r, 1.0, 100.0));
}

} // namespace

std::optional<int> InternalBattery::rawPercent() const { return limitedRatio(remaining, full); }

std::optional<int> InternalBattery::health() const { return limitedRatio(full, design); }

int InternalBattery::percentOrMissing() const
{
    if (!percent || !std::isfinite(*percent))
        return -1;
    return static_cast<int>(std::clamp(std::lround(*percent), 0L, 100L));
}

const PeripheralDevice *PowerState::findDevice(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    for (const PeripheralDevice &d : devices)
        if (deviceKey(d) == key)
            return &d;
    return nullptr;
}

QString buildBatteryRemain(std::optional<int64_t> minutes)
{
    if (!minutes || *minutes < 0)
        return {};
    const int64_t hours = *minutes / 60;
    return QCoreApplication::translate("OrbStrings", "%1h%2m").arg(hours).arg(*minutes - hours * 60);
}

} // namespace orb
