#include "collect/DiskDescriber.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <QRegularExpression>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace orb {
namespace {

constexpr int64_t kSectorBytes = 512;

// Plain text of a sysfs attribute: control characters dropped, padding trimmed.
QString attribute(const Sysroot &root, const std::string &path)
{
    const auto line = root.readLine(path);
    if (!line)
        return {};
    QString s = QString::fromUtf8(line->data(), static_cast<qsizetype>(line->size()));
    s.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return s.trimmed();
}

std::optional<long long> integerAt(const Sysroot &root, const std::string &path) { return root.readInteger(path); }

// "E:KEY=value" properties of a device's udev database record.
QMap<QByteArray, QByteArray> udevProperties(const Sysroot &root, const QString &devNumbers)
{
    QMap<QByteArray, QByteArray> props;
    static const QRegularExpression numbers(QStringLiteral("^\\d+:\\d+$"));
    if (!numbers.match(devNumbers).hasMatch())
        return props;
    const auto text = root.readText("/run/udev/data/b" + devNumbers.toStdString(), 64 * 1024);
    if (!text)
        return props;
    proctext::forEachLine(std::string_view(*text), [&](std::string_view line) {
        if (line.substr(0, 2) != "E:")
            return;
        line.remove_prefix(2);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return;
        props.insert(QByteArray(line.data(), static_cast<qsizetype>(eq)),
                     QByteArray(line.data() + eq + 1, static_cast<qsizetype>(line.size() - eq - 1)));
    });
    return props;
}

// The relative target of a sysfs link, read through the tree; empty when it is no link.
std::string linkTarget(const Sysroot &root, const std::string &path)
{
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(root.path(path), ec);
    return ec ? std::string() : target.string();
}

DiskBus busOf(const QString &name, const QByteArray &udevBus, const QString &sysVendor, const std::string &blockLink)
{
    if (name.startsWith(QLatin1String("nvme")))
        return DiskBus::Nvme;
    if (name.startsWith(QLatin1String("mmcblk")))
        return DiskBus::Sd;
    if (name.startsWith(QLatin1String("vd")))
        return DiskBus::Virtio;
    if (name.startsWith(QLatin1String("xvd")))
        return DiskBus::Xen;
    if (udevBus == "ata")
        return DiskBus::Ata;
    if (udevBus == "usb")
        return DiskBus::Usb;
    if (udevBus == "scsi")
        return DiskBus::Scsi;
    if (blockLink.find("/usb") != std::string::npos)
        return DiskBus::Usb;
    if (sysVendor == QLatin1String("ATA") || blockLink.find("/ata") != std::string::npos)
        return DiskBus::Ata;
    if (name.startsWith(QLatin1String("sd")))
        return DiskBus::Scsi;
    return DiskBus::Other;
}

} // namespace

QString DiskDescriber::decodeUdevText(const QByteArray &encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            bool ok = false;
            const int v = encoded.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.append(encoded[i]);
    }
    QString s = QString::fromUtf8(out);
    s.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return s.trimmed();
}

std::optional<int> DiskDescriber::readMilliCelsius(const Sysroot &root, const std::string &path)
{
    if (path.empty())
        return std::nullopt;
    const auto milli = root.readInteger(path);
    if (!milli || *milli < -60000 || *milli > 200000)
        return std::nullopt;
    return static_cast<int>(*milli / 1000);
}

std::string DiskDescriber::findHwmonTemperature(const Sysroot &root, const std::string &deviceDir)
{
    // NVMe registers its sensor on the controller (device/hwmonN), drivetemp on the SCSI
    // device (device/hwmon/hwmonN).
    std::vector<std::string> dirs;
    for (const std::string &entry : root.listDirectory(deviceDir)) {
        if (entry == "hwmon") {
            for (const std::string &inner : root.listDirectory(deviceDir + "/hwmon"))
                if (inner.rfind("hwmon", 0) == 0)
                    dirs.push_back(deviceDir + "/hwmon/" + inner);
        } else if (entry.rfind("hwmon", 0) == 0) {
            dirs.push_back(deviceDir + "/" + entry);
        }
    }
    for (const std::string &dir : dirs) {
        const auto name = root.readLine(dir + "/name");
        if (!name || (*name != "nvme" && *name != "drivetemp"))
            continue;
        // The composite temperature is the drive's own; else the first input.
        std::string first;
        for (const std::string &entry : root.listDirectory(dir)) {
            if (entry.rfind("temp", 0) != 0 || entry.size() < 11 || entry.substr(entry.size() - 6) != "_input")
                continue;
            const std::string path = dir + "/" + entry;
            const std::string base = entry.substr(0, entry.size() - 6);
            const auto label = root.readLine(dir + "/" + base + "_label");
            if (label && *label == "Composite")
                return path;
            if (first.empty() || base == "temp1")
                first = path;
        }
        if (!first.empty())
            return first;
    }
    return {};
}

DiskDrive DiskDescriber::describeDrive(const Sysroot &root, const QString &name)
{
    DiskDrive d;
    d.name = name;
    d.devicePath = QStringLiteral("/dev/") + name;
    QString sysName = name;
    sysName.replace(QLatin1Char('/'), QLatin1Char('!'));
    const std::string sys = "/sys/block/" + sysName.toStdString();
    const std::string dev = sys + "/device";

    if (const auto sectors = integerAt(root, sys + "/size"); sectors && *sectors > 0
        && *sectors <= std::numeric_limits<int64_t>::max() / kSectorBytes)
        d.sizeBytes = *sectors * kSectorBytes;
    if (const auto lbs = integerAt(root, sys + "/queue/logical_block_size"); lbs && *lbs >= 512 && *lbs <= 65536)
        d.logicalBlockSize = *lbs;
    d.removable = integerAt(root, sys + "/removable").value_or(0) == 1;
    if (const auto rot = integerAt(root, sys + "/queue/rotational"); rot && (*rot == 0 || *rot == 1))
        d.rotational = *rot == 1;

    const QMap<QByteArray, QByteArray> udev = udevProperties(root, attribute(root, sys + "/dev"));
    const QString sysVendor = attribute(root, dev + "/vendor");
    d.bus = busOf(name, udev.value("ID_BUS"), sysVendor, linkTarget(root, "/sys/block/" + sysName.toStdString()));

    // Model: udev's full text (ATA models are cut to 16 characters in SCSI inquiry data).
    if (udev.contains("ID_MODEL_ENC"))
        d.model = decodeUdevText(udev.value("ID_MODEL_ENC"));
    if (d.model.isEmpty() && d.bus != DiskBus::Nvme && udev.contains("ID_MODEL"))
        d.model = decodeUdevText(udev.value("ID_MODEL")).replace(QLatin1Char('_'), QLatin1Char(' '));
    if (d.model.isEmpty())
        d.model = attribute(root, dev + "/model");
    if (d.model.isEmpty())
        d.model = attribute(root, dev + "/name"); // SD and MMC cards

    if (sysVendor != QLatin1String("ATA"))
        d.vendor = sysVendor;
    if (udev.contains("ID_VENDOR_ENC"))
        d.vendor = decodeUdevText(udev.value("ID_VENDOR_ENC"));
    else if (udev.contains("ID_VENDOR") && d.bus == DiskBus::Usb)
        d.vendor = decodeUdevText(udev.value("ID_VENDOR")).replace(QLatin1Char('_'), QLatin1Char(' '));

    if (d.bus == DiskBus::Nvme) {
        d.serial = attribute(root, dev + "/serial");
        d.firmware = attribute(root, dev + "/firmware_rev");
        static const QRegularExpression controller(QStringLiteral("^(nvme\\d+)(?:c\\d+)?n\\d+$"));
        if (const auto m = controller.match(name); m.hasMatch())
            d.nvmeController = m.captured(1);
    }
    if (d.serial.isEmpty())
        d.serial = decodeUdevText(udev.value("ID_SERIAL_SHORT"));
    if (d.serial.isEmpty())
        d.serial = attribute(root, dev + "/serial");
    if (d.firmware.isEmpty())
        d.firmware = decodeUdevText(udev.value("ID_REVISION"));
    if (d.firmware.isEmpty())
        d.firmware = attribute(root, dev + "/rev");

    // udev knows the truth for ATA drives; the kernel flags every USB stick as rotational.
    bool rpmOk = false;
    const int rpm = udev.value("ID_ATA_ROTATION_RATE_RPM").toInt(&rpmOk);
    if (rpmOk && rpm >= 0)
        d.rotational = rpm > 0;
    else if (d.bus == DiskBus::Usb || d.bus == DiskBus::Sd)
        d.rotational.reset();
    if (d.bus == DiskBus::Usb || d.bus == DiskBus::Sd)
        d.removable = true;

    for (const std::string &entry : root.listDirectory(sys)) {
        const QString part = QString::fromStdString(entry).replace(QLatin1Char('!'), QLatin1Char('/'));
        if (part.startsWith(name) && root.exists(sys + "/" + entry + "/partition"))
            d.partitions.append(part);
    }
    d.hwmonTempPath = findHwmonTemperature(root, dev);
    d.temperature = readMilliCelsius(root, d.hwmonTempPath);
    return d;
}

void DiskDescriber::merge(DiskDrive &d, const UDisksDrive &u)
{
    d.udisksPath = u.objectPath;
    if (!u.model.isEmpty())
        d.model = u.model;
    if (!u.vendor.isEmpty() && u.vendor != QLatin1String("ATA"))
        d.vendor = u.vendor;
    if (!u.serial.isEmpty())
        d.serial = u.serial;
    if (!u.revision.isEmpty())
        d.firmware = u.revision;
    if (d.sizeBytes == 0 && u.size > 0)
        d.sizeBytes = u.size;
    if (u.connectionBus == QLatin1String("usb"))
        d.bus = DiskBus::Usb;
    else if (u.connectionBus == QLatin1String("sdio"))
        d.bus = DiskBus::Sd;
    if (u.removable || u.mediaRemovable)
        d.removable = true;
    if (u.rotationRate == 0)
        d.rotational = false;
    else if (u.rotationRate > 0)
        d.rotational = true;
    if (!d.temperature)
        d.temperature = u.temperatureCelsius();
}

DiskBase DiskDescriber::describe(const Sysroot &root, const std::vector<QString> &names,
                                 const std::optional<std::vector<UDisksDrive>> &udisks)
{
    DiskBase base;
    base.hostMachine = root.isHostRoot();
    base.drives.reserve(names.size());
    for (const QString &name : names) {
        DiskDrive d = describeDrive(root, name);
        if (udisks) {
            for (const UDisksDrive &u : *udisks) {
                if (u.device == d.devicePath) {
                    merge(d, u);
                    break;
                }
            }
        }
        base.drives.push_back(std::move(d));
    }
    return base;
}

std::vector<DriveTemperature> drivesTemperatures(const Sysroot &root, const DiskBase &base)
{
    std::vector<DriveTemperature> out;
    for (const DiskDrive &d : base.drives) {
        if (const auto t = DiskDescriber::readMilliCelsius(root, d.hwmonTempPath))
            out.push_back({d.name, d.model.isEmpty() ? d.name : d.model, *t});
    }
    return out;
}

} // namespace orb
