#include "collect/SensorDataJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace orb {

QJsonObject SensorDataJson::toJson(const SensorData &data)
{
    QJsonObject o;
    if (data.cpu) {
        QJsonArray history;
        for (const CpuSample &sample : *data.cpu) {
            QJsonArray entries;
            for (const CpuTicks &t : sample)
                entries.append(QJsonArray{qint64(t.user), qint64(t.system), qint64(t.nice), qint64(t.idle)});
            history.append(entries);
        }
        o.insert(QStringLiteral("CPU"), history);
    }
    if (data.memory) {
        QJsonArray history;
        for (const MemorySample &sample : *data.memory) {
            QJsonArray values;
            for (int64_t v : sample)
                values.append(qint64(v));
            history.append(values);
        }
        o.insert(QStringLiteral("Memory"), history);
    }
    if (data.vnc)
        o.insert(QStringLiteral("VNC"), QJsonArray{true});
    return o;
}

QByteArray SensorDataJson::toText(const SensorData &data)
{
    return QJsonDocument(toJson(data)).toJson(QJsonDocument::Compact);
}

} // namespace orb
