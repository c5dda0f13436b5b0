#pragma once
#include <QMap>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

namespace orb {

struct NetworkBase;
struct PowerState;
struct SensorData;

// A notice for the user, given `delaySeconds` after it was asked for. A later notice with
// the same identifier replaces it.
struct DeviceNotice {
    QString title;
    QString body;
    QString identifier;
    double delaySeconds = 0.0;
    bool operator==(const DeviceNotice &) const = default;
};

// Watches what every pass brings for Wi-Fi networks that went away, Bluetooth input devices
// that went away and Bluetooth input devices running low, and says which notices to give.
// Lives on the UI thread and only reads the shared, read-only descriptions of the pass.
class DeviceWatch {
public:
    static constexpr int kLowBatteryPercent = 25;

    // The switches as typed values, taken again only when a settings dictionary was
    // replaced (compared by identity, so a pass does no key lookups).
    void setSwitches(const QVariantMap &general, const QVariantMap &network);

    // The notices one finished pass gives, in order: a Bluetooth device gone, a Bluetooth
    // device low, a Wi-Fi network gone.
    std::vector<DeviceNotice> afterPass(const SensorData &data);

    // Hardware address (the interface name when it has none) to network name, for every
    // Wi-Fi interface that is on a network.
    static QMap<QString, QString> collectActiveWifi(const NetworkBase &base);

    // Names of the Wi-Fi networks lost since the previous change of the interfaces, one per
    // line; empty when the interfaces did not change, nothing was lost, or there is nothing
    // to compare with yet.
    QString checkWifiDisconnect(const std::shared_ptr<const NetworkBase> &base);
    // Names of the Bluetooth input devices gone since the previous power state, one per line.
    QString checkBluetoothDevice(const std::shared_ptr<const PowerState> &power);
    // The Bluetooth notices for the devices now known and the text of checkBluetoothDevice.
    std::vector<DeviceNotice> checkBluetoothBattery(const QString &lostDevices);

    // True from the first low-battery notice until no device is low any more (or the notice
    // is switched off); the General item shows the low device's charge meanwhile.
    bool alreadyNotifyBidBattery() const { return alreadyNotifyBidBattery_; }

private:
    struct Device {
        QString key;
        QString name;
        std::optional<int> percent;
    };

    QVariantMap generalSource_;
    QVariantMap networkSource_;
    bool wifiDisconnectNotify_ = false;
    bool bidDisconnectNotify_ = false;
    bool bidBatteryNotify_ = false;

    std::shared_ptr<const NetworkBase> lastBase_;
    std::optional<uint64_t> seenInterfaceChanges_;
    QMap<QString, QString> activeWiFi_;

    std::shared_ptr<const PowerState> lastPower_;
    bool devicesKnown_ = false;
    std::vector<Device> bidBatteryArray_;
    bool alreadyNotifyBidBattery_ = false;
};

} // namespace orb
