#include "collect/MemoryInformation.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <charconv>
#include <map>
#include <string_view>
#include <unistd.h>

namespace orb {

using namespace proctext;

namespace {

constexpr size_t kSmallFileCap = 1u << 20;

std::vector<std::string_view> splitBlanks(std::string_view line)
{
    std::vector<std::string_view> pieces;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        if (end > pos)
            pieces.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return pieces;
}

// A kibibyte field of meminfo ("Name:   123 kB"); nothing when absent or unreadable.
std::optional<uint64_t> meminfoKiB(std::string_view text, std::string_view name)
{
    std::optional<uint64_t> result;
    forEachLine(text, [&](std::string_view line) {
        if (result || line.size() <= name.size() || line.substr(0, name.size()) != name
            || line[name.size()] != ':')
            return;
        std::string_view rest = trimmed(line.substr(name.size() + 1));
        if (rest.ends_with("kB"))
            rest = trimmed(rest.substr(0, rest.size() - 2));
        uint64_t v = 0;
        if (parseUnsigned(rest, v))
            result = v;
    });
    return result;
}

uint64_t kibToBytes(uint64_t kib)
{
    return kib > UINT64_MAX / 1024 ? MemoryInformation::kUnknown : kib * 1024;
}

// Undoes the octal escapes (\040 for a space, ...) the kernel puts into paths it lists.
std::string decodeOctalEscapes(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
            const int v = (s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0');
            if (v > 0 && v < 256) {
                out.push_back(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

// The chosen entry of a sysfs choice list ("s2idle [deep]" gives "deep").
QString chosenEntry(const std::string &text)
{
    const auto open = text.find('[');
    const auto close = text.find(']', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        return QString::fromUtf8(text.data() + open + 1, static_cast<qsizetype>(close - open - 1));
    const std::string_view whole = trimmed(text);
    return QString::fromUtf8(whole.data(), static_cast<qsizetype>(whole.size()));
}

QString hibernateDescription(long mode)
{
    switch (mode) {
    case 0:
        return QCoreApplication::translate("MemoryInformation", "Suspend to RAM");
    case 3:
        return QCoreApplication::translate("MemoryInformation", "Suspend to Disk");
    case 25:
        return QCoreApplication::translate("MemoryInformation", "Suspend to Disk and Memory off");
    default:
        return QCoreApplication::translate("MemoryInformation", "(Unknown Setting)");
    }
}

// "8GB" for whole gibibytes, else "512MB", else kibibytes.
QString slotSizeText(uint64_t bytes)
{
    constexpr uint64_t MiB = 1024ull * 1024;
    constexpr uint64_t GiB = MiB * 1024;
    if (bytes % GiB == 0)
        return QString::number(bytes / GiB) + QStringLiteral("GB");
    if (bytes % MiB == 0)
        return QString::number(bytes / MiB) + QStringLiteral("MB");
    return QString::number(bytes / 1024) + QStringLiteral("KB");
}

} // namespace

uint64_t MemoryInformation::pageSize(const Sysroot &)
{
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<uint64_t>(size) : kUnknown;
}

uint64_t MemoryInformation::installedMemory(const Sysroot &root)
{
    std::string text;
    if (!root.readFile("/proc/meminfo", text, kSmallFileCap)) {
        qCWarning(lcCollect, "cannot read %s", root.path("/proc/meminfo").c_str());
        return kUnknown;
    }
    const auto total = meminfoKiB(text, "MemTotal");
    if (!total) {
        qCWarning(lcCollect, "no MemTotal in %s", root.path("/proc/meminfo").c_str());
        return kUnknown;
    }
    return kibToBytes(*total);
}

std::optional<std::array<uint64_t, 3>> MemoryInformation::loadSwapUsage(const Sysroot &root)
{
    std::string text;
    if (!root.readFile("/proc/meminfo", text, kSmallFileCap))
        return std::nullopt;
    const auto total = meminfoKiB(text, "SwapTotal");
    const auto free = meminfoKiB(text, "SwapFree");
    if (!total || !free) {
        qCDebug(lcCollect, "no swap figures in %s", root.path("/proc/meminfo").c_str());
        return std::nullopt;
    }
    const uint64_t totalBytes = kibToBytes(*total);
    // Free above total only comes from a broken file; never report negative use.
    const uint64_t freeBytes = std::min(kibToBytes(*free), totalBytes);
    return std::array<uint64_t, 3>{totalBytes, freeBytes, totalBytes - freeBytes};
}

std::vector<MemoryInformation::SwapArea> MemoryInformation::loadSwapAreas(const Sysroot &root)
{
    std::vector<SwapArea> areas;
    std::string text;
    if (!root.readFile("/proc/swaps", text, kSmallFileCap))
        return areas;
    bool header = true;
    forEachLine(text, [&](std::string_view line) {
        if (header) { // "Filename  Type  Size  Used  Priority"
            header = false;
            return;
        }
        const auto pieces = splitBlanks(line);
        if (pieces.empty())
            return;
        // The last four columns are fixed; a deleted swap file carries " (deleted)" between.
        const size_t n = pieces.size();
        SwapArea area;
        uint64_t sizeKiB = 0, usedKiB = 0;
        if (n < 5 || !parseUnsigned(pieces[n - 3], sizeKiB) || !parseUnsigned(pieces[n - 2], usedKiB)) {
            qCWarning(lcCollect, "unreadable line in %s ignored", root.path("/proc/swaps").c_str());
            return;
        }
        area.path = decodeOctalEscapes(pieces[0]);
        area.isFile = pieces[n - 4] == "file";
        area.sizeBytes = kibToBytes(sizeKiB);
        area.usedBytes = kibToBytes(usedKiB);
        areas.push_back(std::move(area));
    });
    return areas;
}

void MemoryInformation::loadDynamicPagerPath(SettingsStore &store, const Sysroot &root)
{
    // The label shows where swap lives: for swap files that is their directory; a
    // partition has no directory, so its device stands in.
    const auto areas = loadSwapAreas(root);
    QString where;
    for (const SwapArea &area : areas) {
        if (area.isFile) {
            const auto slash = area.path.rfind('/');
            const std::string dir = slash == std::string::npos ? std::string()
                                    : slash == 0               ? std::string("/")
                                                               : area.path.substr(0, slash);
            where = QString::fromStdString(dir);
            break;
        }
    }
    if (where.isEmpty() && !areas.empty())
        where = QString::fromStdString(areas.front().path);
    store.setString(QStringLiteral("DynamicPagerPath"), where);
    store.synchronize();
}

QString MemoryInformation::resolveBlockDevice(const Sysroot &root, const QString &majorMinor)
{
    const QString text = majorMinor.trimmed();
    const auto colon = text.indexOf(QLatin1Char(':'));
    bool okMajor = false, okMinor = false;
    const uint major = text.left(colon).toUInt(&okMajor);
    const uint minor = text.mid(colon + 1).toUInt(&okMinor);
    if (colon <= 0 || !okMajor || !okMinor) {
        if (!text.isEmpty())
            qCWarning(lcCollect, "not a device number: %s", qPrintable(text));
        return {};
    }
    if (major == 0 && minor == 0)
        return {};
    const std::string node = "/sys/dev/block/" + std::to_string(major) + ':' + std::to_string(minor);
    std::string uevent;
    if (root.readFile(node + "/uevent", uevent, 64 * 1024)) {
        QString name;
        forEachLine(uevent, [&](std::string_view line) {
            if (line.starts_with("DEVNAME="))
                name = QString::fromUtf8(line.data() + 8, static_cast<qsizetype>(line.size() - 8)).trimmed();
        });
        if (!name.isEmpty() && !name.contains(QLatin1String("..")) && !name.startsWith(QLatin1Char('/')))
            return QStringLiteral("/dev/") + name;
    }
    // udev keeps this link for every block device.
    return QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor);
}

std::optional<QMap<QString, QString>> MemoryInformation::loadHibernate(const Sysroot &root)
{
    const auto state = root.readLine("/sys/power/state");
    if (!state)
        return std::nullopt;
    QMap<QString, QString> settings;
    settings.insert(QStringLiteral("state"), QString::fromStdString(*state));
    if (const auto disk = root.readLine("/sys/power/disk"))
        settings.insert(QStringLiteral("disk"), chosenEntry(*disk));
    if (const auto memSleep = root.readLine("/sys/power/mem_sleep"))
        settings.insert(QStringLiteral("mem_sleep"), chosenEntry(*memSleep));
    for (const char *name : {"resume", "resume_offset", "image_size"}) {
        if (const auto value = root.readLine(std::string("/sys/power/") + name))
            settings.insert(QString::fromLatin1(name), QString::fromStdString(*value));
    }
    const QString device = resolveBlockDevice(root, settings.value(QStringLiteral("resume")));
    if (!device.isEmpty())
        settings.insert(QStringLiteral("hibernatefile"), device);

    // Without a resume device a sleeping machine only keeps its memory powered. With one,
    // hibernation writes the image to it and then either powers off ("platform",
    // "shutdown", ...) or also stays suspended to memory ("suspend").
    const QString diskMode = settings.value(QStringLiteral("disk"));
    int mode = 0;
    if (!device.isEmpty() && !diskMode.isEmpty() && diskMode != QLatin1String("disabled"))
        mode = diskMode == QLatin1String("suspend") ? 3 : 25;
    settings.insert(QStringLiteral("hibernatemode"), QString::number(mode));
    return settings;
}

QString MemoryInformation::loadloadHibernateMode(const Sysroot &root)
{
    long mode = -1;
    if (const auto settings = loadHibernate(root)) {
        bool ok = false;
        const long m = settings->value(QStringLiteral("hibernatemode")).toLong(&ok);
        if (ok)
            mode = m;
    }
    return QString::asprintf("%ld : ", mode) + hibernateDescription(mode);
}

void MemoryInformation::loadHibernateFilePath(SettingsStore &store, const Sysroot &root)
{
    QString device;
    if (const auto resume = root.readLine("/sys/power/resume"))
        device = resolveBlockDevice(root, QString::fromStdString(*resume));
    store.setString(QStringLiteral("VmSleepImagePath"), device);
    store.synchronize();
}

QVariantMap MemoryInformation::loadMemoryOptionDelayData(const Sysroot &root)
{
    QVariantMap facts;
    facts.insert(QStringLiteral("swapFileCount"), static_cast<qint64>(loadSwapAreas(root).size()));
    facts.insert(QStringLiteral("sleepImageSize"), qint64(0));
    return facts;
}

std::vector<MemoryInformation::MemorySlot> MemoryInformation::loadMemorySlots(const Sysroot &root)
{
    struct Raw {
        MemorySlot slot;
        bool present = true;
        bool hasSize = false;
        uint64_t configuredSpeed = 0;
    };
    std::map<int, Raw> raws;
    std::string text;
    if (!root.readFile("/run/udev/data/+dmi:id", text, kSmallFileCap))
        return {};
    constexpr std::string_view prefix = "MEMORY_DEVICE_";
    constexpr int kMaxSlots = 4096; // a bound on what a garbled file can make us hold
    forEachLine(text, [&](std::string_view line) {
        if (!line.starts_with("E:"))
            return;
        line = trimmed(line.substr(2));
        if (!line.starts_with(prefix))
            return;
        line.remove_prefix(prefix.size());
        int index = -1;
        auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), index);
        if (ec != std::errc() || index < 0 || index >= kMaxSlots || ptr == line.data()
            || ptr == line.data() + line.size() || *ptr != '_')
            return;
        line.remove_prefix(static_cast<size_t>(ptr - line.data()) + 1);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            return;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = trimmed(line.substr(eq + 1));
        const QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
        Raw &raw = raws[index];
        raw.slot.index = index;
        uint64_t number = 0;
        if (key == "SIZE") {
            raw.hasSize = parseUnsigned(value, number);
            raw.slot.sizeBytes = raw.hasSize ? number : 0;
            if (!raw.hasSize)
                qCWarning(lcCollect, "unreadable size of memory device %d", index);
        } else if (key == "PRESENT") {
            raw.present = value != "0";
        } else if (key == "SPEED_MTS") {
            raw.slot.speedMTs = parseUnsigned(value, number) ? number : 0;
        } else if (key == "CONFIGURED_SPEED_MTS") {
            raw.configuredSpeed = parseUnsigned(value, number) ? number : 0;
        } else if (key == "TYPE") {
            raw.slot.type = text;
        } else if (key == "LOCATOR") {
            raw.slot.locator = text;
        } else if (key == "MANUFACTURER") {
            raw.slot.manufacturer = text;
        }
    });
    std::vector<MemorySlot> slots;
    for (auto &[index, raw] : raws) {
        if (!raw.present || !raw.hasSize || raw.slot.sizeBytes == 0)
            continue;
        if (raw.slot.speedMTs == 0)
            raw.slot.speedMTs = raw.configuredSpeed;
        slots.push_back(std::move(raw.slot));
    }
    return slots;
}

QString MemoryInformation::collectMemSlot(const Sysroot &root)
{
    QStringList lines;
    for (const MemorySlot &slot : loadMemorySlots(root)) {
        QStringList pieces;
        if (slot.speedMTs > 0)
            pieces << QString::number(slot.speedMTs) + QStringLiteral("MT/s");
        if (!slot.type.isEmpty())
            pieces << slot.type;
        pieces << slotSizeText(slot.sizeBytes);
        lines << pieces.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace orb
