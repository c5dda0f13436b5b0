#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace orb {

// The machine's own battery (several packs are shown as one). Every figure the power
// service or the kernel did not give stays empty: it is shown as missing, never guessed.
struct InternalBattery {
    // Label of the battery row ("Built-in Battery").
    QString name;
    QString model;
    QString vendor;
    QString serial;
    // On mains or a charger; charging is the battery taking charge right now.
    bool externalPower = false;
    bool charging = false;
    // Charge as the power service reports it, 0..100.
    std::optional<double> percent;
    // Remaining, full-charge and design capacities in `unit` ("Wh" or "mAh").
    std::optional<double> remaining;
    std::optional<double> full;
    std::optional<double> design;
    QString unit;
    std::optional<int64_t> cycles;
    std::optional<int64_t> minutesToEmpty;
    std::optional<int64_t> minutesToFull;
    std::optional<double> temperature; // °C
    // Charger figures, when the kernel exposes them.
    std::optional<double> adapterWatts;
    std::optional<double> adapterAmps;
    std::optional<double> adapterVolts;

    // remaining × 100 ÷ full, limited to 1..100; empty without both or with full 0.
    std::optional<int> rawPercent() const;
    // full × 100 ÷ design, limited to 1..100; empty without both or with design 0.
    std::optional<int> health() const;
    // The charge as a whole percentage 0..100, −1 when not reported.
    int percentOrMissing() const;
    bool operator==(const InternalBattery &) const = default;
};

// A wireless (or receiver-connected) device with or without a battery reading.
struct PeripheralDevice {
    // Upper-case "AA:BB:CC:DD:EE:FF"; empty when neither service gave one.
    QString address;
    QString name;
    // Freedesktop icon name ("input-mouse"), empty when unknown.
    QString icon;
    // "Bluetooth" when the device has an address, "USB" for a receiver-connected one.
    QString transport;
    std::optional<int> rssi; // dBm
    std::optional<int> percent; // 0..100
    bool charging = false;
    // The power service's object path, when it reports the device (matches rows to it
    // when there is no address).
    QString upowerPath;
    bool operator==(const PeripheralDevice &) const = default;
};

// Where the power figures came from.
enum class PowerSource { None, UPower, Sysfs };

// Batteries and devices as the General item and its menu show them. Built on the UI
// thread and shared read-only; a change replaces it whole.
struct PowerState {
    std::optional<InternalBattery> battery;
    // Devices with a battery reading first, each device once.
    std::vector<PeripheralDevice> devices;
    PowerSource source = PowerSource::None;

    // The device with that address (or, without an address, that power-service path).
    const PeripheralDevice *findDevice(const QString &key) const;
    bool operator==(const PowerState &) const = default;
};

// "2h15m" for 135 minutes; empty for a missing or negative time.
QString buildBatteryRemain(std::optional<int64_t> minutes);

// A device's key for matching menu rows: its address, else its power-service path.
inline QString deviceKey(const PeripheralDevice &d) { return d.address.isEmpty() ? d.upowerPath : d.address; }

} // namespace orb
