#include "app/DeviceWatch.h"

#include "collect/NetworkBase.h"
#include "collect/PowerState.h"
#include "collect/Samples.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace orb {
namespace {

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

// Mice, keyboards, tablets, game pads: the devices whose loss or low charge the user
// notices only when they stop working. Headsets, phones and the like are left out.
bool isBluetoothInput(const PeripheralDevice &d)
{
    return !d.address.isEmpty() && d.icon.startsWith(QLatin1String("input-"));
}

} // namespace

void DeviceWatch::setSwitches(const QVariantMap &general, const QVariantMap &network)
{
    if (!general.isSharedWith(generalSource_)) {
        generalSource_ = general;
        bidDisconnectNotify_ = general.value(QStringLiteral("BidDisconnectNotify")).toBool();
        bidBatteryNotify_ = general.value(QStringLiteral("kBidBatteryNotify")).toBool();
    }
    if (!network.isSharedWith(networkSource_)) {
        networkSource_ = network;
        wifiDisconnectNotify_ = network.value(QStringLiteral("WifiDisconnectNotifyBool")).toBool();
    }
}

std::vector<DeviceNotice> DeviceWatch::afterPass(const SensorData &data)
{
    const QString lostDevices = checkBluetoothDevice(data.power);
    std::vector<DeviceNotice> notices = checkBluetoothBattery(lostDevices);
    const QString lostWifi = checkWifiDisconnect(data.networkBase);
    if (!lostWifi.isEmpty()) {
        if (wifiDisconnectNotify_)
            notices.push_back({localized("Wi-Fi disconnected"), lostWifi, lostWifi, 0.25});
        else // names chosen by others go to the log quoted: a line break stays visible
            qCInfo(lcApp) << "Wi-Fi network(s) lost (no notice, switched off):" << lostWifi;
    }
    return notices;
}

QMap<QString, QString> DeviceWatch::collectActiveWifi(const NetworkBase &base)
{
    QMap<QString, QString> active;
    for (const NetworkInterface &i : base.interfaces)
        if (i.wifi && !i.wifi->ssid.isEmpty())
            active.insert(i.macAddress.isEmpty() ? i.name : i.macAddress, i.wifi->ssid);
    return active;
}

QString DeviceWatch::checkWifiDisconnect(const std::shared_ptr<const NetworkBase> &base)
{
    if (!base || base == lastBase_)
        return {};
    lastBase_ = base;
    const QMap<QString, QString> current = collectActiveWifi(*base);
    if (seenInterfaceChanges_ == base->interfaceChanges) {
        // The same interfaces, described again: learn network names that appeared (the
        // network service may answer later than the link came up), forget none.
        for (auto it = current.cbegin(); it != current.cend(); ++it)
            activeWiFi_.insert(it.key(), it.value());
        return {};
    }
    const bool compare = seenInterfaceChanges_.has_value();
    seenInterfaceChanges_ = base->interfaceChanges;
    QStringList lost;
    if (compare)
        for (auto it = activeWiFi_.cbegin(); it != activeWiFi_.cend(); ++it)
            if (!current.contains(it.key()))
                lost.append(it.value());
    activeWiFi_ = current;
    return lost.join(QLatin1Char('\n'));
}

QString DeviceWatch::checkBluetoothDevice(const std::shared_ptr<const PowerState> &power)
{
    // No power state yet (the services have not answered): nothing to compare.
    if (!power || power == lastPower_)
        return {};
    lastPower_ = power;
    std::vector<Device> current;
    for (const PeripheralDevice &d : power->devices)
        if (isBluetoothInput(d))
            current.push_back({deviceKey(d), d.name, d.percent});
    // Every device that was there and is not now, whatever else arrived meanwhile.
    QStringList lost;
    if (devicesKnown_)
        for (const Device &before : bidBatteryArray_)
            if (std::none_of(current.begin(), current.end(), [&](const Device &d) { return d.key == before.key; }))
                lost.append(before.name);
    bidBatteryArray_ = std::move(current);
    devicesKnown_ = true;
    return lost.join(QLatin1Char('\n'));
}

std::vector<DeviceNotice> DeviceWatch::checkBluetoothBattery(const QString &lostDevices)
{
    std::vector<DeviceNotice> notices;
    if (!lostDevices.isEmpty()) {
        if (bidDisconnectNotify_)
            notices.push_back({localized("Bluetooth input device disconnected"), lostDevices, lostDevices, 0.25});
        else
            qCInfo(lcApp) << "Bluetooth input device(s) gone (no notice, switched off):" << lostDevices;
    }
    if (!bidBatteryNotify_ || bidBatteryArray_.empty()) {
        alreadyNotifyBidBattery_ = false;
        return notices;
    }
    const auto low = std::find_if(bidBatteryArray_.begin(), bidBatteryArray_.end(), [](const Device &d) {
        return d.percent && *d.percent >= 0 && *d.percent <= kLowBatteryPercent;
    });
    if (low == bidBatteryArray_.end()) {
        alreadyNotifyBidBattery_ = false;
        return notices;
    }
    // One notice per low period, however long it lasts.
    if (!alreadyNotifyBidBattery_) {
        alreadyNotifyBidBattery_ = true;
        qCInfo(lcApp) << "Bluetooth input device low:" << low->name << *low->percent << "%";
        notices.push_back({localized("Low Battery"), localized("Check the battery of the Bluetooth input device."),
                           QStringLiteral("kBidBatteryNotify"), 1.0});
    }
    return notices;
}

} // namespace orb
