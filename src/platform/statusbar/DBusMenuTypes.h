#pragma once
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QStringList>
#include <QVariantMap>

namespace orb {

// The types of the com.canonical.dbusmenu interface.

// One menu entry and, as far as asked for, its children: D-Bus (ia{sv}av), each child a
// variant holding the same structure.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// (ia{sv}): an entry's properties.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

// (ias): names of properties an entry no longer has.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument &operator<<(QDBusArgument &arg, const DBusMenuLayout &item);
const QDBusArgument &operator>>(const QDBusArgument &arg, DBusMenuLayout &item);
QDBusArgument &operator<<(QDBusArgument &arg, const DBusMenuItemProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &arg, DBusMenuItemProperties &item);
QDBusArgument &operator<<(QDBusArgument &arg, const DBusMenuItemKeys &item);
const QDBusArgument &operator>>(const QDBusArgument &arg, DBusMenuItemKeys &item);
QDBusArgument &operator<<(QDBusArgument &arg, const DBusMenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &arg, DBusMenuEvent &event);

// Registers the types with QtDBus; safe to call more than once.
void registerDBusMenuTypes();

} // namespace orb

Q_DECLARE_METATYPE(orb::DBusMenuLayout)
Q_DECLARE_METATYPE(orb::DBusMenuItemProperties)
Q_DECLARE_METATYPE(orb::DBusMenuItemKeys)
Q_DECLARE_METATYPE(orb::DBusMenuEvent)
