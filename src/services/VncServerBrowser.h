#pragma once
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace orb {

// A screen-sharing server announced on the local network and resolved to an IPv4 address.
struct VncService {
    QString name;  // the announced name, as sent (shown as plain text)
    QString ipar;  // IPv4 address text
    int port = 0;
    QString host;  // the host name the announcement gave ("alpha.local")
    bool operator==(const VncService &o) const
    {
        return name == o.name && ipar == o.ipar && port == o.port && host == o.host;
    }
};
using VncServiceList = QList<VncService>;

// Browses the local network for "_rfb._tcp" servers through avahi-daemon on the system bus
// and resolves each to an IPv4 address and port. Every call is asynchronous with a
// time-out; nothing here waits. A resolve that fails is tried again later for as long as
// the service is announced. Without avahi-daemon there are no servers (logged once); when
// the daemon comes (back) onto the bus, browsing starts again.
class VncServerBrowser : public QObject {
    Q_OBJECT
public:
    explicit VncServerBrowser(const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~VncServerBrowser() override;

    // Starts watching for the daemon and browsing.
    void start();
    // The resolved servers, sorted by name.
    const VncServiceList &services() const { return services_; }
    // True once the first browse has answered (or there is no daemon to ask) and no
    // resolve is waiting for its reply.
    bool isSettled() const;

    static constexpr int kCallTimeoutMs = 3000;
    // At most this many announced names are followed (a flooded network stays bounded).
    static constexpr int kMaxServices = 256;
    // Delays before a failed resolve or browse is tried again: the first, doubled after
    // each failure up to the last.
    void setRetryDelays(int firstMs, int maxMs);

Q_SIGNALS:
    void servicesChanged(const orb::VncServiceList &services);
    void settled();

private Q_SLOTS:
    void itemNew(int interface, int protocol, const QString &name, const QString &type, const QString &domain,
                 uint flags);
    void itemRemove(int interface, int protocol, const QString &name, const QString &type, const QString &domain,
                    uint flags);
    void allForNow();
    void browserFailure(const QString &error);

private:
    struct Instance {
        int interface;
        int protocol;
        QString type;
        QString domain;
        bool operator<(const Instance &o) const;
    };
    struct Found {
        std::vector<Instance> instances;
        bool resolving = false;
        bool resolved = false;
        int failures = 0;
        quint64 token = 0; // tells a reply or retry meant for this announcement
    };

    void daemonAppeared();
    void daemonVanished();
    void prepareBrowser();
    void startBrowser(const QString &path, const QString &owner);
    void stopBrowser(bool freeIt = true);
    void scheduleBrowserRetry();
    void resolve(const QString &name);
    void resolveFinished(const QString &name, quint64 token, QDBusPendingCallWatcher *call);
    void publish();
    void checkSettled();
    int retryDelay(int failures) const;

    QDBusConnection bus_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    QString browserPath_;
    QString browserOwner_;
    quint64 epoch_ = 0;      // bumped whenever the daemon goes or comes; older replies are dropped
    quint64 nextToken_ = 0;
    std::map<QString, Found> found_;
    std::map<QString, VncService> resolved_;
    VncServiceList services_;
    bool browseAnswered_ = false;
    bool daemonMissingLogged_ = false;
    bool floodLogged_ = false;
    int browserFailures_ = 0;
    int firstRetryMs_ = 5000;
    int maxRetryMs_ = 60000;
    bool wasSettled_ = false;
};

} // namespace orb

Q_DECLARE_METATYPE(orb::VncServiceList)
