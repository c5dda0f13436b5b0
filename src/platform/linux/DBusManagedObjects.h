#pragma once
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariantMap>
#include <mutex>

// The reply of org.freedesktop.DBus.ObjectManager.GetManagedObjects: object path ->
// interface name -> properties.
using OrbDBusInterfaces = QMap<QString, QVariantMap>;
using OrbDBusManagedObjects = QMap<QDBusObjectPath, OrbDBusInterfaces>;
Q_DECLARE_METATYPE(OrbDBusInterfaces)
Q_DECLARE_METATYPE(OrbDBusManagedObjects)

namespace orb {

// Makes the types above known to Qt D-Bus, once per process, from any thread.
inline void registerManagedObjectTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<OrbDBusInterfaces>();
        qDBusRegisterMetaType<OrbDBusManagedObjects>();
    });
}

} // namespace orb
