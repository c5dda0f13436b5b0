#pragma once
#include "collect/Samples.h"

#include <QByteArray>
#include <QJsonObject>

namespace orb {

// The sensor data dictionary as JSON: histories oldest first, every sample in the shape
// the collector documents (CPU: arrays of [user, system, nice, idle]; Memory: ten integers).
class SensorDataJson {
public:
    static QJsonObject toJson(const SensorData &data);
    static QByteArray toText(const SensorData &data);
};

} // namespace orb
