#pragma once
#include "collect/PowerState.h"

#include <QVariantMap>
#include <vector>

namespace orb {

// One device object of the power service with its properties as the bus delivered them.
struct UPowerDevice {
    QString path;
    QVariantMap properties;
};

// One device of the Bluetooth service (its Device1 properties and Battery1 level).
struct BluezDevice {
    QString path;
    QString address; // upper-case with colons
    QString name;    // the alias, else the name
    QString icon;
    bool connected = false;
    std::optional<int> rssi;
    std::optional<int> battery;
};

// Turns what the power and Bluetooth services report into the PowerState the General item
// shows. Pure functions of their inputs.
class PowerStateBuilder {
public:
    // Device kinds of the power service.
    enum Kind : uint { LinePower = 1, Battery = 2, Ups = 3, Monitor = 4, Mouse = 5, Keyboard = 6 };

    // The internal battery is the device with PowerSupply true and type Battery (several
    // packs are summed, their charge and times then taken from the display device); a UPS
    // never overwrites it. Other devices with a charge reading are listed as peripherals.
    static PowerState fromUPower(const std::vector<UPowerDevice> &devices, const QVariantMap &displayDevice);

    // Merges the Bluetooth devices into `state` by address: a device reported by both is
    // listed once (the Bluetooth alias names it, the power service's charge wins), one that
    // Bluetooth knows as disconnected is dropped, connected ones without a charge reading
    // are added. Devices with a reading come first.
    static void mergeBluez(PowerState &state, const std::vector<BluezDevice> &bluez);

    // A Bluetooth device from its Device1 and Battery1 property maps.
    static BluezDevice bluezDevice(const QString &path, const QVariantMap &device, const QVariantMap &battery);
};

} // namespace orb
