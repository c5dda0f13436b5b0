#include "collect/PowerSupplyReader.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace orb {
namespace {

constexpr std::string_view kClass = "/sys/class/power_supply/";

struct Supply {
    std::string dir;
    std::string name;
    const Sysroot *root;

    std::optional<std::string> text(const char *attribute) const
    {
        auto line = root->readLine(dir + attribute);
        if (!line)
            return std::nullopt;
        std::string t(proctext::trimmed(*line));
        if (t.empty())
            return std::nullopt;
        return t;
    }
    // A signed decimal attribute; a garbled one is logged and counts as missing.
    std::optional<double> number(const char *attribute) const
    {
        const auto t = text(attribute);
        if (!t)
            return std::nullopt;
        long long v = 0;
        const char *b = t->data();
        const char *e = b + t->size();
        auto [ptr, ec] = std::from_chars(b, e, v);
        if (ec != std::errc() || ptr != e) {
            qCWarning(lcCollect).noquote() << "power supply" << QString::fromStdString(name) << attribute
                                           << "is not a number:" << QString::fromStdString(*t).left(40);
            return std::nullopt;
        }
        return static_cast<double>(v);
    }
    // A capacity or energy: the kernel writes micro-units; 0 means "not known".
    std::optional<double> micro(const char *attribute) const
    {
        const auto v = number(attribute);
        if (!v || *v <= 0.0)
            return std::nullopt;
        return *v / 1e6;
    }
};

std::optional<double> sum(std::optional<double> a, std::optional<double> b)
{
    if (!a || !b)
        return std::nullopt;
    return *a + *b;
}

struct Pack {
    std::optional<double> now, full, design;
    QString unit;
    std::optional<double> capacity; // percent
    std::optional<double> powerNow; // W or A, in the pack's unit per hour
    QString status;
    std::optional<int64_t> cycles;
    std::optional<int64_t> toEmpty, toFull; // minutes
    std::optional<double> temperature;
    QString model, vendor, serial;
};

Pack readPack(const Supply &s)
{
    Pack p;
    // Energy counters (µWh) when the firmware gives them, else charge counters (µAh).
    if (s.number("energy_now") || s.number("energy_full")) {
        p.now = s.micro("energy_now");
        p.full = s.micro("energy_full");
        p.design = s.micro("energy_full_design");
        p.powerNow = s.micro("power_now");
        p.unit = QStringLiteral("Wh");
    } else if (s.number("charge_now") || s.number("charge_full")) {
        auto mAh = [](std::optional<double> ah) { return ah ? std::optional<double>(*ah * 1000.0) : std::nullopt; };
        p.now = mAh(s.micro("charge_now"));
        p.full = mAh(s.micro("charge_full"));
        p.design = mAh(s.micro("charge_full_design"));
        p.powerNow = mAh(s.micro("current_now"));
        p.unit = QStringLiteral("mAh");
    }
    if (const auto c = s.number("capacity"); c && *c >= 0.0 && *c <= 100.0)
        p.capacity = c;
    else if (c)
        qCWarning(lcCollect).noquote() << "power supply" << QString::fromStdString(s.name) << "capacity out of range:" << *c;
    p.status = QString::fromStdString(s.text("status").value_or(std::string()));
    if (const auto c = s.number("cycle_count"); c && *c > 0)
        p.cycles = static_cast<int64_t>(*c);
    if (const auto t = s.number("time_to_empty_now"); t && *t > 0)
        p.toEmpty = static_cast<int64_t>(*t) / 60;
    if (const auto t = s.number("time_to_full_now"); t && *t > 0)
        p.toFull = static_cast<int64_t>(*t) / 60;
    if (const auto t = s.number("temp"); t && *t != 0)
        p.temperature = *t / 10.0;
    p.model = QString::fromStdString(s.text("model_name").value_or(std::string()));
    p.vendor = QString::fromStdString(s.text("manufacturer").value_or(std::string()));
    p.serial = QString::fromStdString(s.text("serial_number").value_or(std::string()));
    return p;
}

} // namespace

QString PowerSupplyReader::addressIn(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]"
                                                      "([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    QStringList parts;
    for (int i = 1; i <= 6; ++i)
        parts << m.captured(i).toUpper();
    return parts.join(QLatin1Char(':'));
}

std::vector<std::string> PowerSupplyReader::supplies(const Sysroot &root) { return root.listDirectory(kClass); }

PowerState PowerSupplyReader::read(const Sysroot &root) { return read(root, supplies(root)); }

bool PowerSupplyReader::anyBattery(const Sysroot &root, const std::vector<std::string> &names)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string &name) {
        return Supply{std::string(kClass) + name + "/", name, &root}.text("type") == "Battery";
    });
}

PowerState PowerSupplyReader::read(const Sysroot &root, const std::vector<std::string> &names)
{
    PowerState state;
    std::vector<Pack> packs;
    bool sawCharger = false;
    bool chargerOnline = false;
    std::optional<double> adapterVolts, adapterAmps;

    for (const std::string &name : names) {
        Supply s{std::string(kClass) + name + "/", name, &root};
        const std::string type = s.text("type").value_or(std::string());
        const std::string scope = s.text("scope").value_or(std::string());
        if (type == "Mains" || type == "USB" || type == "Wireless") {
            if (scope == "Device")
                continue;
            sawCharger = true;
            if (s.number("online").value_or(0) > 0) {
                chargerOnline = true;
                if (!adapterVolts)
                    adapterVolts = s.micro("voltage_now");
                if (!adapterAmps)
                    adapterAmps = s.micro("current_max");
            }
            continue;
        }
        if (type != "Battery")
            continue; // a UPS or anything else is never the machine's battery
        if (s.number("present").value_or(1) == 0)
            continue;
        if (scope == "Device") {
            PeripheralDevice d;
            d.address = addressIn(QString::fromStdString(name));
            const Pack p = readPack(s);
            d.name = p.model.isEmpty() ? QString::fromStdString(name) : p.model;
            d.transport = d.address.isEmpty() ? QStringLiteral("USB") : QStringLiteral("Bluetooth");
            if (p.capacity)
                d.percent = static_cast<int>(std::lround(*p.capacity));
            d.charging = p.status == QLatin1String("Charging");
            d.upowerPath = QString::fromStdString(std::string(kClass) + name);
            state.devices.push_back(std::move(d));
            continue;
        }
        packs.push_back(readPack(s));
    }

    if (!packs.empty()) {
        InternalBattery b;
        b.name = QCoreApplication::translate("OrbStrings", "Built-in Battery");
        const Pack &first = packs.front();
        b.model = first.model;
        b.vendor = first.vendor;
        b.serial = first.serial;
        b.unit = first.unit;
        b.remaining = first.now;
        b.full = first.full;
        b.design = first.design;
        b.cycles = first.cycles;
        b.temperature = first.temperature;
        std::optional<double> rate = first.powerNow;
        bool anyCharging = first.status == QLatin1String("Charging");
        bool anyDischarging = first.status == QLatin1String("Discharging");
        for (size_t i = 1; i < packs.size(); ++i) {
            const Pack &p = packs[i];
            // Packs counted in different units cannot be added up.
            if (p.unit != b.unit) {
                b.remaining = b.full = b.design = rate = std::nullopt;
            } else {
                b.remaining = sum(b.remaining, p.now);
                b.full = sum(b.full, p.full);
                b.design = sum(b.design, p.design);
                rate = sum(rate, p.powerNow);
            }
            anyCharging = anyCharging || p.status == QLatin1String("Charging");
            anyDischarging = anyDischarging || p.status == QLatin1String("Discharging");
        }
        if (packs.size() == 1) {
            if (first.capacity)
                b.percent = first.capacity;
            else if (const auto r = b.rawPercent())
                b.percent = *r;
            b.minutesToEmpty = first.toEmpty;
            b.minutesToFull = first.toFull;
        } else if (b.remaining && b.full && *b.full > 0.0) {
            b.percent = std::min(100.0, *b.remaining * 100.0 / *b.full);
        }
        b.charging = anyCharging;
        // Without a charger entry the battery's own status tells whether power is connected.
        b.externalPower = sawCharger ? chargerOnline : (anyCharging || (!anyDischarging && !first.status.isEmpty()
                                                                         && first.status != QLatin1String("Unknown")));
        // The kernel's own estimate is missing on many machines: work it out from the
        // present drain, as the power service would.
        if (rate && *rate > 0.0) {
            if (!b.minutesToEmpty && anyDischarging && b.remaining)
                b.minutesToEmpty = static_cast<int64_t>(*b.remaining / *rate * 60.0);
            if (!b.minutesToFull && anyCharging && b.remaining && b.full && *b.full > *b.remaining)
                b.minutesToFull = static_cast<int64_t>((*b.full - *b.remaining) / *rate * 60.0);
        }
        if (b.externalPower) {
            b.adapterVolts = adapterVolts;
            b.adapterAmps = adapterAmps;
            if (adapterVolts && adapterAmps)
                b.adapterWatts = *adapterVolts * *adapterAmps;
        }
        state.battery = std::move(b);
    }
    state.source = PowerSource::Sysfs;
    return state;
}

} // namespace orb
