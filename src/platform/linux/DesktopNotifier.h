#pragma once
#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace orb {

// Notices to the user through the desktop's notification service (org.freedesktop.Notifications
// on the session bus). A notice with the identifier of an earlier one replaces it instead of
// piling up. Bodies are escaped when the service reads markup, since they carry names other
// people chose (networks, devices, hosts). Without a service the notice is logged and
// nothing else happens. Nothing here blocks: every call is asynchronous.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    // Shows the notice after `delaySeconds`.
    void fireNotification(const QString &title, const QString &body, const QString &identifier, double delaySeconds);

    // Body text as the service will show it: escaped when it reads markup.
    static QString bodyFor(const QString &body, bool serviceReadsMarkup);

Q_SIGNALS:
    // A notice went out (or was logged for want of a service); for tests.
    void delivered(const QString &identifier, uint notificationId);

private:
    void send(const QString &title, const QString &body, const QString &identifier);

    QDBusConnection bus_;
    std::optional<bool> markup_; // unknown until the service answered GetCapabilities
    QHash<QString, uint> ids_;   // identifier -> the service's id of its latest notice
};

} // namespace orb
