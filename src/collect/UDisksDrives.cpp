#include "collect/UDisksDrives.h"

#include "platform/Logging.h"
#include "platform/linux/DBusManagedObjects.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>
#include <cmath>
#include <mutex>


namespace orb {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kDriveIface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kAtaIface = QStringLiteral("org.freedesktop.UDisks2.Drive.Ata");
const QString kBlockIface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kPartitionIface = QStringLiteral("org.freedesktop.UDisks2.Partition");


// Plain text from a udisks2 string: control characters dropped, padding trimmed.
QString text(const QVariantMap &props, const char *key)
{
    QString s = props.value(QLatin1String(key)).toString();
    s.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return s.trimmed();
}

int64_t integer(const QVariantMap &props, const char *key, int64_t fallback)
{
    bool ok = false;
    const qlonglong v = props.value(QLatin1String(key)).toLongLong(&ok);
    return ok ? v : fallback;
}

// Block.Device is a NUL-terminated byte string.
QString devicePath(const QVariantMap &block)
{
    QByteArray bytes = block.value(QStringLiteral("Device")).toByteArray();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromLocal8Bit(bytes);
}

} // namespace

std::optional<int> UDisksDrive::temperatureCelsius() const
{
    if (!hasAta || !(smartTemperatureK > 0.0) || !std::isfinite(smartTemperatureK))
        return std::nullopt;
    return static_cast<int>(std::trunc(smartTemperatureK - 273.15));
}

std::optional<std::vector<UDisksDrive>> UDisksDrives::query(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return std::nullopt;
    registerManagedObjectTypes();
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/UDisks2"),
                                                       QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                       QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = QDBusConnection(bus).call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcCollect, "udisks2 not available: %s", qPrintable(reply.errorMessage()));
        return std::nullopt;
    }
    const auto objects = qdbus_cast<OrbDBusManagedObjects>(reply.arguments().constFirst());

    // Whole-disk block devices by the drive they belong to.
    QMap<QString, QString> deviceOfDrive;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const OrbDBusInterfaces &ifaces = it.value();
        if (!ifaces.contains(kBlockIface) || ifaces.contains(kPartitionIface))
            continue;
        const QVariantMap &block = ifaces.value(kBlockIface);
        const QString drive = qvariant_cast<QDBusObjectPath>(block.value(QStringLiteral("Drive"))).path();
        if (drive.isEmpty() || drive == QLatin1String("/"))
            continue;
        const QString dev = devicePath(block);
        // A drive may have several whole-disk blocks (multipath); keep the first name.
        if (!dev.isEmpty() && !deviceOfDrive.contains(drive))
            deviceOfDrive.insert(drive, dev);
    }

    std::vector<UDisksDrive> drives;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const OrbDBusInterfaces &ifaces = it.value();
        if (!ifaces.contains(kDriveIface))
            continue;
        const QVariantMap &p = ifaces.value(kDriveIface);
        UDisksDrive d;
        d.objectPath = it.key().path();
        d.device = deviceOfDrive.value(d.objectPath);
        d.vendor = text(p, "Vendor");
        d.model = text(p, "Model");
        d.serial = text(p, "Serial");
        d.revision = text(p, "Revision");
        d.connectionBus = text(p, "ConnectionBus");
        d.size = std::max<int64_t>(0, integer(p, "Size", 0));
        d.rotationRate = static_cast<int>(integer(p, "RotationRate", -1));
        d.removable = p.value(QStringLiteral("Removable")).toBool();
        d.mediaRemovable = p.value(QStringLiteral("MediaRemovable")).toBool();
        if (ifaces.contains(kAtaIface)) {
            const QVariantMap &a = ifaces.value(kAtaIface);
            d.hasAta = true;
            d.smartSupported = a.value(QStringLiteral("SmartSupported")).toBool();
            d.smartEnabled = a.value(QStringLiteral("SmartEnabled")).toBool();
            d.smartFailing = a.value(QStringLiteral("SmartFailing")).toBool();
            d.smartTemperatureK = a.value(QStringLiteral("SmartTemperature")).toDouble();
            d.powerOnSeconds = std::max<int64_t>(0, integer(a, "SmartPowerOnSeconds", 0));
            d.badSectors = integer(a, "SmartNumBadSectors", -1);
            d.attributesFailing = static_cast<int>(integer(a, "SmartNumAttributesFailing", -1));
            d.selfTestStatus = text(a, "SmartSelftestStatus");
            d.smartUpdated = static_cast<uint64_t>(std::max<int64_t>(0, integer(a, "SmartUpdated", 0)));
        }
        drives.push_back(std::move(d));
    }
    return drives;
}

} // namespace orb
