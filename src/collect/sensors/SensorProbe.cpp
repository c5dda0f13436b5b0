#include "collect/sensors/SensorProbe.h"

#include "collect/sensors/SensorSampler.h"
#include "collect/sensors/SmcSensorNames.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"

#include <algorithm>
#include <charconv>
#include <dirent.h>
#include <limits.h>
#include <map>
#include <optional>
#include <unistd.h>

namespace orb {
namespace {

constexpr std::string_view kAppleSmc = "/sys/devices/platform/applesmc.768";
constexpr std::string_view kHwmon = "/sys/class/hwmon";
constexpr std::string_view kThermal = "/sys/class/thermal";
constexpr std::string_view kPowerSupply = "/sys/class/power_supply";
// Labels come from drivers and firmware: keep them to a menu line.
constexpr qsizetype kMaxLabel = 48;

// N of a name made of `prefix`, a decimal number and `suffix` ("temp12_input").
std::optional<int> numberIn(std::string_view name, std::string_view prefix, std::string_view suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return std::nullopt;
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    int n = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || n < 0)
        return std::nullopt;
    return n;
}

// The numbers N of the entries "<prefix>N<suffix>" in `names`, ascending.
std::vector<int> numbered(const std::vector<std::string> &names, std::string_view prefix, std::string_view suffix)
{
    std::vector<int> out;
    for (const std::string &n : names)
        if (auto i = numberIn(n, prefix, suffix))
            out.push_back(*i);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::string join(std::string_view dir, std::string_view name)
{
    std::string p(dir);
    p.push_back('/');
    p.append(name);
    return p;
}

std::string attribute(std::string_view dir, std::string_view prefix, int n, std::string_view suffix)
{
    std::string p(dir);
    p.push_back('/');
    p.append(prefix);
    p.append(std::to_string(n));
    p.append(suffix);
    return p;
}

// A label read from the machine, as plain text on one line: control characters dropped,
// blanks trimmed, length capped.
QString cleanLabel(const std::string &raw)
{
    QString text = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!c.isNull() && c.category() != QChar::Other_Control && c != QChar::LineSeparator
            && c != QChar::ParagraphSeparator)
            out += c;
    out = out.trimmed();
    if (out.size() > kMaxLabel) {
        qCInfo(lcCollect).noquote() << "sensor label cut to" << kMaxLabel << "characters:" << out.left(kMaxLabel);
        out.truncate(kMaxLabel);
    }
    return out;
}

std::optional<QString> readLabel(const Sysroot &root, const std::string &path)
{
    if (auto line = root.readLine(path)) {
        QString label = cleanLabel(*line);
        if (!label.isEmpty())
            return label;
    }
    return std::nullopt;
}

// `label`, or "label #2", "label #3"... when already taken. The names the samples keep for
// the average and the battery count as taken.
QString unique(const QString &label, const std::vector<SensorEntry> &taken)
{
    const auto used = [&](const QString &l) {
        if (l == QLatin1String("__AverageTempKey") || l == QLatin1String("__AverageFanKey")
            || l == QLatin1String("Built-in Battery"))
            return true;
        return std::any_of(taken.begin(), taken.end(), [&](const SensorEntry &e) { return e.label == l; });
    };
    if (!used(label))
        return label;
    for (int k = 2;; ++k) {
        const QString candidate = label + QStringLiteral(" #%1").arg(k);
        if (!used(candidate))
            return candidate;
    }
}

// Whole degrees of a temperature file at probe time, when it answers with 1 degree or more.
bool answers(const std::string &path)
{
    int64_t millidegrees = 0;
    return SensorSampler::readValue(path, millidegrees) && millidegrees / 1000 >= 1;
}

void probeAppleSmc(const Sysroot &root, SensorTable &table)
{
    const std::vector<std::string> names = root.listDirectory(kAppleSmc);
    if (names.empty())
        return;
    const std::string dir = root.path(kAppleSmc);
    // SMC key → index of its tempN_label.
    std::map<std::string, int, std::less<>> keys;
    for (int n : numbered(names, "temp", "_label")) {
        auto key = root.readLine(attribute(kAppleSmc, "temp", n, "_label"));
        if (key && !key->empty())
            keys.emplace(*key, n);
    }
    for (const SmcSensorNames::Candidate &c : SmcSensorNames::candidates()) {
        for (std::string_view key : c.keys) {
            const auto it = keys.find(key);
            if (it == keys.end())
                continue;
            std::string path = attribute(dir, "temp", it->second, "_input");
            if (answers(path)) {
                table.temps.push_back({c.label, std::move(path)});
                break;
            }
        }
    }
    if (!table.temps.empty())
        table.tempSource = SensorSource::AppleSmc;

    int i = 0;
    for (int n : numbered(names, "fan", "_input")) {
        ++i;
        std::string identification;
        root.readFile(attribute(kAppleSmc, "fan", n, "_label"), identification, 256);
        const QString name = unique(SmcSensorNames::fanName(identification, i), table.fans);
        table.fans.push_back({name, attribute(dir, "fan", n, "_input")});
    }
    if (!table.fans.empty())
        table.fanSource = SensorSource::AppleSmc;
}

void probeHwmon(const Sysroot &root, SensorTable &table)
{
    const bool wantTemps = table.temps.empty();
    const bool wantFans = table.fans.empty();
    if (!wantTemps && !wantFans)
        return;
    std::vector<SensorEntry> temps;
    std::vector<SensorEntry> fans;
    for (int index : numbered(root.listDirectory(kHwmon), "hwmon", "")) {
        // Attributes live in the device's own directory, or with older drivers in its parent.
        std::string dir = attribute(kHwmon, "hwmon", index, "");
        auto name = root.readLine(join(dir, "name"));
        if (!name) {
            dir = join(dir, "device");
            name = root.readLine(join(dir, "name"));
        }
        if (!name) {
            qCDebug(lcCollect) << "hwmon" << index << "has no name; skipped";
            continue;
        }
        const QString chip = cleanLabel(*name);
        // The SMC is read through its own directory, drives with the drives.
        if (chip == QLatin1String("applesmc") || SensorProbe::isDriveChip(chip))
            continue;
        const std::vector<std::string> names = root.listDirectory(dir);
        const std::string absolute = root.path(dir);
        if (wantTemps) {
            const QString word = SensorProbe::chipWord(chip);
            for (int n : numbered(names, "temp", "_input")) {
                std::string path = attribute(absolute, "temp", n, "_input");
                if (!answers(path)) {
                    qCDebug(lcCollect).noquote() << "temperature" << QString::fromStdString(path)
                                                 << "gives no reading; left out";
                    continue;
                }
                const QString part = readLabel(root, attribute(dir, "temp", n, "_label")).value_or(QString::number(n));
                const QString label = unique(SmcSensorNames::capitalized(word + QLatin1Char(' ') + part), temps);
                temps.push_back({label, std::move(path)});
            }
        }
        if (wantFans) {
            for (int n : numbered(names, "fan", "_input")) {
                const QString label = readLabel(root, attribute(dir, "fan", n, "_label"))
                                          .value_or(QStringLiteral("Fan %1").arg(fans.size() + 1));
                fans.push_back({unique(label, fans), attribute(absolute, "fan", n, "_input")});
            }
        }
    }
    if (!temps.empty()) {
        table.temps = std::move(temps);
        table.tempSource = SensorSource::Hwmon;
    }
    if (!fans.empty()) {
        table.fans = std::move(fans);
        table.fanSource = SensorSource::Hwmon;
    }
}

void probeThermalZones(const Sysroot &root, SensorTable &table)
{
    if (!table.temps.empty())
        return;
    for (int n : numbered(root.listDirectory(kThermal), "thermal_zone", "")) {
        const std::string dir = attribute(kThermal, "thermal_zone", n, "");
        std::string path = root.path(join(dir, "temp"));
        if (!answers(path))
            continue;
        const QString type = readLabel(root, join(dir, "type")).value_or(QStringLiteral("thermal_zone%1").arg(n));
        table.temps.push_back({unique(type, table.temps), std::move(path)});
    }
    if (!table.temps.empty())
        table.tempSource = SensorSource::ThermalZone;
}

void probeBattery(const Sysroot &root, SensorTable &table)
{
    for (const std::string &supply : root.listDirectory(kPowerSupply)) {
        const std::string dir = join(kPowerSupply, supply);
        // Batteries of mice and keyboards say scope Device; the machine's own do not.
        if (root.readLine(join(dir, "type")) != "Battery" || root.readLine(join(dir, "scope")) == "Device")
            continue;
        std::string path = root.path(join(dir, "temp"));
        int64_t tenths = 0;
        if (!SensorSampler::readValue(path, tenths))
            continue;
        table.battery = SensorEntry{QStringLiteral("Built-in Battery"), std::move(path)};
        return;
    }
}

const char *sourceName(SensorSource s)
{
    switch (s) {
    case SensorSource::AppleSmc:
        return "applesmc";
    case SensorSource::Hwmon:
        return "hwmon";
    case SensorSource::ThermalZone:
        return "thermal zones";
    case SensorSource::None:
        break;
    }
    return "none";
}

} // namespace

QString SensorProbe::chipWord(const QString &chip)
{
    static const std::pair<const char *, const char *> kWords[] = {
        {"coretemp", "CPU"}, {"k10temp", "CPU"}, {"zenpower", "CPU"}, {"cpu_thermal", "CPU"},
        {"amdgpu", "GPU"},   {"radeon", "GPU"},  {"nouveau", "GPU"},  {"i915", "GPU"},
        {"xe", "GPU"},       {"acpitz", "ACPI"},
    };
    for (const auto &[name, word] : kWords)
        if (chip == QLatin1String(name))
            return QLatin1String(word);
    if (chip.startsWith(QLatin1String("pch_")))
        return QStringLiteral("PCH");
    if (chip.startsWith(QLatin1String("iwlwifi")))
        return QStringLiteral("Wi-Fi");
    return chip;
}

bool SensorProbe::isDriveChip(const QString &chip)
{
    return chip == QLatin1String("nvme") || chip == QLatin1String("drivetemp");
}

std::shared_ptr<const SensorTable> SensorProbe::probe(const Sysroot &root)
{
    auto table = std::make_shared<SensorTable>();
    table->root = root.root();
    hwmonDevices(root, table->hwmonDevices);
    probeAppleSmc(root, *table);
    probeHwmon(root, *table);
    probeThermalZones(root, *table);
    probeBattery(root, *table);
    table->openFiles();
    qCInfo(lcCollect).nospace() << "sensors: " << table->temps.size() << " temperatures from "
                                << sourceName(table->tempSource) << ", " << table->fans.size() << " fans from "
                                << sourceName(table->fanSource) << (table->battery ? ", battery temperature" : "");
    return table;
}

void SensorProbe::hwmonDevices(const Sysroot &root, std::string &out)
{
    out.clear();
    std::string path = root.path(kHwmon);
    DIR *dir = ::opendir(path.c_str());
    if (!dir)
        return;
    path.push_back('/');
    const size_t base = path.size();
    char target[PATH_MAX];
    while (dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        out.append(entry->d_name);
        path.resize(base);
        path.append(entry->d_name);
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n > 0) {
            out.push_back('=');
            out.append(target, static_cast<size_t>(n));
        }
        out.push_back('\n');
    }
    ::closedir(dir);
}

} // namespace orb
