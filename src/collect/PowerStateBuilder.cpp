#include "collect/PowerStateBuilder.h"

#include "collect/PowerSupplyReader.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <map>

namespace orb {
namespace {

// Device states of the power service.
enum State : uint { Unknown = 0, Charging = 1, Discharging = 2, Empty = 3, FullyCharged = 4, PendingCharge = 5,
                    PendingDischarge = 6 };

struct Props {
    const QVariantMap &m;

    bool has(const char *key) const { return m.contains(QLatin1String(key)); }
    uint kind() const { return m.value(QStringLiteral("Type")).toUInt(); }
    uint state() const { return m.value(QStringLiteral("State")).toUInt(); }
    bool flag(const char *key, bool absent) const
    {
        const QVariant v = m.value(QLatin1String(key));
        return v.isValid() ? v.toBool() : absent;
    }
    QString text(const char *key) const { return m.value(QLatin1String(key)).toString().trimmed(); }
    // A real-valued property; the service writes 0 for what it does not know.
    std::optional<double> positive(const char *key) const
    {
        bool ok = false;
        const double v = m.value(QLatin1String(key)).toDouble(&ok);
        if (!ok || !std::isfinite(v) || v <= 0.0)
            return std::nullopt;
        return v;
    }
    std::optional<int64_t> minutes(const char *key) const
    {
        const auto s = positive(key);
        if (!s)
            return std::nullopt;
        return static_cast<int64_t>(*s) / 60;
    }
    // The charge, when reported: a device that states nothing at all (unknown state, no
    // energy, 0 %) has no reading.
    std::optional<double> percent() const
    {
        bool ok = false;
        const double p = m.value(QStringLiteral("Percentage")).toDouble(&ok);
        if (!ok || !std::isfinite(p))
            return std::nullopt;
        if (p <= 0.0 && state() == Unknown && !positive("Energy"))
            return std::nullopt;
        return std::clamp(p, 0.0, 100.0);
    }
};

bool isInternalBattery(const Props &p) { return p.kind() == PowerStateBuilder::Battery && p.flag("PowerSupply", false); }

QString iconForKind(uint kind)
{
    switch (kind) {
    case 5: return QStringLiteral("input-mouse");
    case 6: return QStringLiteral("input-keyboard");
    case 8: return QStringLiteral("phone");
    case 9: return QStringLiteral("multimedia-player");
    case 10: case 13: return QStringLiteral("input-tablet");
    case 12: return QStringLiteral("input-gaming");
    case 14: return QStringLiteral("input-touchpad");
    case 17: return QStringLiteral("audio-headset");
    case 18: return QStringLiteral("audio-speakers");
    case 19: return QStringLiteral("audio-headphones");
    default: return QStringLiteral("bluetooth");
    }
}

} // namespace

PowerState PowerStateBuilder::fromUPower(const std::vector<UPowerDevice> &devices, const QVariantMap &displayDevice)
{
    PowerState state;
    state.source = PowerSource::UPower;

    // Object paths sort the devices so the same machine always gives the same order.
    std::vector<const UPowerDevice *> sorted;
    for (const UPowerDevice &d : devices)
        sorted.push_back(&d);
    std::sort(sorted.begin(), sorted.end(), [](auto *a, auto *b) { return a->path < b->path; });

    bool sawLinePower = false;
    bool lineOnline = false;
    std::vector<const UPowerDevice *> packs;
    for (const UPowerDevice *d : sorted) {
        const Props p{d->properties};
        const bool powerSupply = p.flag("PowerSupply", false);
        // A charger of unknown kind still tells by its Online property.
        if ((p.kind() == LinePower || (p.kind() == 0 && p.has("Online"))) && (powerSupply || !p.has("PowerSupply"))) {
            sawLinePower = true;
            lineOnline = lineOnline || p.flag("Online", false);
        } else if (isInternalBattery(p)) {
            if (p.flag("IsPresent", true))
                packs.push_back(d);
        } else if (powerSupply || p.kind() == Ups || p.kind() == LinePower || p.kind() == Monitor) {
            // A UPS or anything else powering the machine from outside is neither the
            // battery nor a device of the user's.
        } else if (p.flag("IsPresent", true)) {
            PeripheralDevice dev;
            dev.upowerPath = d->path;
            dev.address = PowerSupplyReader::addressIn(p.text("Serial"));
            if (dev.address.isEmpty())
                dev.address = PowerSupplyReader::addressIn(p.text("NativePath"));
            const QString vendor = p.text("Vendor");
            const QString model = p.text("Model");
            dev.name = model.isEmpty() ? vendor : model;
            if (dev.name.isEmpty())
                dev.name = QCoreApplication::translate("OrbStrings", "Wireless Device");
            dev.icon = iconForKind(p.kind());
            dev.transport = dev.address.isEmpty() ? QStringLiteral("USB") : QStringLiteral("Bluetooth");
            if (const auto pc = p.percent())
                dev.percent = static_cast<int>(std::lround(*pc));
            dev.charging = p.state() == Charging;
            state.devices.push_back(std::move(dev));
        }
    }

    if (!packs.empty()) {
        InternalBattery b;
        b.name = QCoreApplication::translate("OrbStrings", "Built-in Battery");
        b.unit = QStringLiteral("Wh");
        const Props first{packs.front()->properties};
        b.model = first.text("Model");
        b.vendor = first.text("Vendor");
        b.serial = first.text("Serial");
        b.remaining = first.positive("Energy");
        b.full = first.positive("EnergyFull");
        b.design = first.positive("EnergyFullDesign");
        b.temperature = first.positive("Temperature");
        if (const QVariant c = first.m.value(QStringLiteral("ChargeCycles")); c.isValid() && c.toLongLong() > 0)
            b.cycles = c.toLongLong();
        // Several packs: add the capacities up and take charge, state and times from the
        // display device, which the service composes from all of them.
        const Props display{displayDevice};
        const bool composite = packs.size() > 1 && display.flag("IsPresent", false);
        for (size_t i = 1; i < packs.size(); ++i) {
            const Props p{packs[i]->properties};
            auto add = [](std::optional<double> &a, std::optional<double> v) {
                a = a && v ? std::optional<double>(*a + *v) : std::nullopt;
            };
            add(b.remaining, p.positive("Energy"));
            add(b.full, p.positive("EnergyFull"));
            add(b.design, p.positive("EnergyFullDesign"));
            b.cycles.reset();
        }
        const Props &source = composite ? display : first;
        b.percent = source.percent();
        if (!b.percent && packs.size() > 1 && b.remaining && b.full)
            b.percent = std::min(100.0, *b.remaining * 100.0 / *b.full);
        const uint s = source.state();
        b.charging = s == Charging;
        b.minutesToEmpty = source.minutes("TimeToEmpty");
        b.minutesToFull = source.minutes("TimeToFull");
        b.externalPower = sawLinePower ? lineOnline : (s == Charging || s == FullyCharged || s == PendingCharge);
        state.battery = std::move(b);
    }
    return state;
}

BluezDevice PowerStateBuilder::bluezDevice(const QString &path, const QVariantMap &device, const QVariantMap &battery)
{
    BluezDevice d;
    d.path = path;
    d.address = PowerSupplyReader::addressIn(device.value(QStringLiteral("Address")).toString());
    d.name = device.value(QStringLiteral("Alias")).toString().trimmed();
    if (d.name.isEmpty())
        d.name = device.value(QStringLiteral("Name")).toString().trimmed();
    if (d.name.isEmpty())
        d.name = d.address;
    d.icon = device.value(QStringLiteral("Icon")).toString();
    d.connected = device.value(QStringLiteral("Connected")).toBool();
    if (const QVariant r = device.value(QStringLiteral("RSSI")); r.isValid())
        d.rssi = r.toInt();
    if (const QVariant b = battery.value(QStringLiteral("Percentage")); b.isValid())
        d.battery = std::clamp(b.toInt(), 0, 100);
    return d;
}

void PowerStateBuilder::mergeBluez(PowerState &state, const std::vector<BluezDevice> &bluez)
{
    std::map<QString, const BluezDevice *> byAddress;
    for (const BluezDevice &b : bluez)
        if (!b.address.isEmpty())
            byAddress.emplace(b.address, &b);

    std::vector<PeripheralDevice> merged;
    std::map<QString, bool> listed;
    for (PeripheralDevice &d : state.devices) {
        if (!d.address.isEmpty() && listed.count(d.address))
            continue; // reported twice by the power service
        if (const auto it = byAddress.find(d.address); !d.address.isEmpty() && it != byAddress.end()) {
            const BluezDevice &b = *it->second;
            if (!b.connected)
                continue;
            if (!b.name.isEmpty())
                d.name = b.name;
            if (!b.icon.isEmpty())
                d.icon = b.icon;
            d.rssi = b.rssi;
            if (!d.percent)
                d.percent = b.battery;
            d.transport = QStringLiteral("Bluetooth");
        }
        if (!d.address.isEmpty())
            listed[d.address] = true;
        merged.push_back(std::move(d));
    }
    for (const BluezDevice &b : bluez) {
        if (!b.connected || b.address.isEmpty() || listed.count(b.address))
            continue;
        listed[b.address] = true;
        PeripheralDevice d;
        d.address = b.address;
        d.name = b.name;
        d.icon = b.icon;
        d.transport = QStringLiteral("Bluetooth");
        d.rssi = b.rssi;
        d.percent = b.battery;
        merged.push_back(std::move(d));
    }
    for (PeripheralDevice &d : merged)
        if (d.percent)
            d.percent = std::clamp(*d.percent, 0, 100);
    std::stable_partition(merged.begin(), merged.end(), [](const PeripheralDevice &d) { return d.percent.has_value(); });
    state.devices = std::move(merged);
}

} // namespace orb
