#include "platform/statusbar/DBusMenuAdaptor.h"

#include "platform/Logging.h"
#include "platform/statusbar/DBusMenuExporter.h"

namespace orb {

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenuExporter *exporter) : QDBusAbstractAdaptor(exporter), exporter_(exporter)
{
    setAutoRelaySignals(false);
    connect(exporter, &DBusMenuExporter::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                                DBusMenuLayout &layout)
{
    layout = exporter_->layout(parentId, recursionDepth, propertyNames);
    qCDebug(lcPlatform).noquote() << "tray read the menu of" << exporter_->objectName() << "from entry" << parentId;
    return exporter_->revision();
}

QList<DBusMenuItemProperties> DBusMenuAdaptor::GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames)
{
    QList<DBusMenuItemProperties> out;
    out.reserve(ids.size());
    for (int id : ids)
        out.append({id, exporter_->properties(id, propertyNames)});
    return out;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString &name)
{
    return QDBusVariant(exporter_->properties(id, {name}).value(name));
}

void DBusMenuAdaptor::Event(int id, const QString &eventId, const QDBusVariant &, uint)
{
    exporter_->handleEvent(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent> &events)
{
    QList<int> errors;
    for (const DBusMenuEvent &e : events)
        if (!exporter_->handleEvent(e.id, e.eventId))
            errors.append(e.id);
    return errors;
}

// The layout is kept current as the menu changes, so nothing needs refreshing first.
bool DBusMenuAdaptor::AboutToShow(int id)
{
    qCDebug(lcPlatform).noquote() << "tray opens the menu of" << exporter_->objectName() << "at entry" << id;
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    qCDebug(lcPlatform).noquote() << "tray opens the menu of" << exporter_->objectName() << "at" << ids.size()
                                  << "entries";
    idErrors.clear();
    return {};
}

} // namespace orb
