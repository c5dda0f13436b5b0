#include "collect/SensorDataJson.h"

#include "settings/ModuleCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace orb {

QJsonObject SensorDataJson::toJson(const SensorData &data)
{
    QJsonObject o;
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (m->writeJson)
            m->writeJson(data, o);
    if (data.vnc)
        o.insert(QStringLiteral("VNC"), QJsonArray{true});
    return o;
}

QByteArray SensorDataJson::toText(const SensorData &data)
{
    return QJsonDocument(toJson(data)).toJson(QJsonDocument::Compact);
}

} // namespace orb
