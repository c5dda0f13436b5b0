#include "modules/volume/VolumeUnmounter.h"

#include "platform/Logging.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace orb {

VolumeUnmounter::VolumeUnmounter(const QDBusConnection &bus, QObject *parent, int timeoutMs)
    : QObject(parent), bus_(bus), timeoutMs_(timeoutMs)
{
}

void VolumeUnmounter::unmount(const QString &objectPath, const QString &mountPath)
{
    if (objectPath.isEmpty() || !bus_.isConnected()) {
        const QString message = QCoreApplication::translate("OrbStrings", "The disk service does not manage this volume.");
        QTimer::singleShot(0, this, [this, mountPath, message] { Q_EMIT finished(mountPath, false, QString(), message); });
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.UDisks2"), objectPath,
                                                       QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                                                       QStringLiteral("Unmount"));
    call << QVariantMap{{QStringLiteral("auth.no_user_interaction"), false}};
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, mountPath] {
        watcher->deleteLater();
        const QDBusPendingReply<> reply = *watcher;
        if (reply.isError()) {
            const QDBusError e = reply.error();
            qCInfo(lcModules, "unmounting %s failed: %s", qPrintable(mountPath), qPrintable(e.name()));
            Q_EMIT finished(mountPath, false, e.name(), e.message());
            return;
        }
        Q_EMIT finished(mountPath, true, QString(), QString());
    });
}

} // namespace orb
