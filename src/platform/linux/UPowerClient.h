#pragma once
#include "collect/PowerStateBuilder.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QVariantMap>
#include <vector>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace orb {

// The power service (org.freedesktop.UPower) on the system bus: its devices and their
// properties, kept current from DeviceAdded / DeviceRemoved and PropertiesChanged. Every
// call is asynchronous with a timeout; nothing here blocks the thread it lives on.
class UPowerClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 3000;

    explicit UPowerClient(const QDBusConnection &bus, QObject *parent = nullptr);
    ~UPowerClient() override;

    // Subscribes to the signals and asks for the device list.
    void start();

    // The service answered (it is running and its devices are known).
    bool present() const { return present_; }
    // The first attempt ended, with or without the service.
    bool settled() const { return settled_; }
    std::vector<UPowerDevice> devices() const;
    QVariantMap displayDevice() const { return display_; }

Q_SIGNALS:
    // Devices or properties changed, or the service came or went.
    void changed();

private Q_SLOTS:
    void onDeviceAdded(const QDBusMessage &message);
    void onDeviceRemoved(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);

private:
    void enumerate();
    void fetch(const QString &path);
    void serviceGone();
    void finishOne();
    void watch(QDBusPendingCallWatcher *watcher, std::function<void(QDBusPendingCallWatcher &)> done);

    QDBusConnection bus_;
    QDBusServiceWatcher *serviceWatcher_ = nullptr;
    QMap<QString, QVariantMap> devices_;
    QVariantMap display_;
    // Replies to calls made before the service went away are dropped.
    quint64 generation_ = 0;
    int pending_ = 0;
    bool present_ = false;
    bool settled_ = false;
};

} // namespace orb
