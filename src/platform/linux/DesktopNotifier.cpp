#include "platform/linux/DesktopNotifier.h"

#include "platform/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

namespace orb {
namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 5000;
} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent) : QObject(parent), bus_(bus) {}

QString DesktopNotifier::bodyFor(const QString &body, bool serviceReadsMarkup)
{
    return serviceReadsMarkup ? body.toHtmlEscaped() : body;
}

void DesktopNotifier::fireNotification(const QString &title, const QString &body, const QString &identifier,
                                       double delaySeconds)
{
    const int ms = delaySeconds > 0 ? static_cast<int>(delaySeconds * 1000.0) : 0;
    QTimer::singleShot(ms, this, [this, title, body, identifier] {
        if (markup_ || !bus_.isConnected()) {
            send(title, body, identifier);
            return;
        }
        // Ask once whether bodies are read as markup; until the answer, assume they are.
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
        auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, body, identifier] {
            watcher->deleteLater();
            const QDBusPendingReply<QStringList> reply = *watcher;
            if (!markup_)
                markup_ = reply.isError() || reply.value().contains(QStringLiteral("body-markup"));
            send(title, body, identifier);
        });
    });
}

void DesktopNotifier::send(const QString &title, const QString &body, const QString &identifier)
{
    if (!bus_.isConnected()) {
        qCInfo(lcPlatform).noquote() << "notice (no notification service):" << title << "-" << body;
        Q_EMIT delivered(identifier, 0);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Orbmeter") << ids_.value(identifier, 0u) << QStringLiteral("org.orbmeter.Orbmeter9")
         << title << bodyFor(body, markup_.value_or(true)) << QStringList() << QVariantMap() << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, body, identifier] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            qCInfo(lcPlatform).noquote() << "notice (notification service unavailable:" << reply.error().name()
                                         << "):" << title << "-" << body;
            Q_EMIT delivered(identifier, 0);
            return;
        }
        ids_.insert(identifier, reply.value());
        Q_EMIT delivered(identifier, reply.value());
    });
}

} // namespace orb
