#pragma once
#include "collect/PowerStateBuilder.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <vector>

class QDBusArgument;
class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace orb {

// The Bluetooth service (org.bluez) on the system bus through its object manager: every
// device with its Device1 and Battery1 properties, kept current from InterfacesAdded,
// InterfacesRemoved and PropertiesChanged. Asynchronous calls with timeouts only.
class BluezClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 3000;

    explicit BluezClient(const QDBusConnection &bus, QObject *parent = nullptr);
    ~BluezClient() override;

    void start();
    bool settled() const { return settled_; }
    bool present() const { return present_; }
    // Every known device, in object-path order.
    std::vector<BluezDevice> devices() const;

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void onInterfacesAdded(const QDBusMessage &message);
    void onInterfacesRemoved(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);

private:
    struct Object {
        QVariantMap device;
        QVariantMap battery;
        bool hasDevice = false;
    };
    void load();
    void serviceGone();
    void addInterfaces(const QString &path, const QDBusArgument &interfaces);

    QDBusConnection bus_;
    QDBusServiceWatcher *serviceWatcher_ = nullptr;
    QMap<QString, Object> objects_;
    quint64 generation_ = 0;
    bool present_ = false;
    bool settled_ = false;
};

} // namespace orb
