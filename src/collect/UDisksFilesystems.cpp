#include "collect/UDisksFilesystems.h"

#include "platform/Logging.h"
#include "platform/linux/DBusManagedObjects.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>
#include <mutex>


namespace orb {
namespace {

const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");


// A NUL-terminated byte string (Block.Device, Filesystem.MountPoints entries).
QString bytesText(const QByteArray &raw)
{
    QByteArray bytes = raw;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

QString plain(QString s)
{
    s.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return s.trimmed();
}

std::vector<QString> mountPoints(const QVariant &value)
{
    std::vector<QString> out;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QByteArray bytes;
            arg >> bytes;
            out.push_back(bytesText(bytes));
        }
        arg.endArray();
    } else {
        for (const QVariant &v : value.toList())
            out.push_back(bytesText(v.toByteArray()));
    }
    return out;
}

} // namespace

std::optional<std::vector<UDisksFilesystem>> UDisksFilesystems::query(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return std::nullopt;
    registerManagedObjectTypes();
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.UDisks2"),
                                                       QStringLiteral("/org/freedesktop/UDisks2"),
                                                       QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                       QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = QDBusConnection(bus).call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcCollect, "udisks2 not available for volume labels: %s", qPrintable(reply.errorMessage()));
        return std::nullopt;
    }
    const auto objects = qdbus_cast<OrbDBusManagedObjects>(reply.arguments().constFirst());
    std::vector<UDisksFilesystem> out;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const OrbDBusInterfaces &ifaces = it.value();
        if (!ifaces.contains(kBlock) || !ifaces.contains(kFilesystem))
            continue;
        const QVariantMap &block = ifaces.value(kBlock);
        UDisksFilesystem f;
        f.objectPath = it.key().path();
        f.device = bytesText(block.value(QStringLiteral("Device")).toByteArray());
        f.label = plain(block.value(QStringLiteral("IdLabel")).toString());
        f.hintSystem = block.value(QStringLiteral("HintSystem"), true).toBool();
        f.mountPoints = mountPoints(ifaces.value(kFilesystem).value(QStringLiteral("MountPoints")));
        const QDBusObjectPath drive = qvariant_cast<QDBusObjectPath>(block.value(QStringLiteral("Drive")));
        const auto d = objects.constFind(drive);
        if (d != objects.cend() && d->contains(kDrive)) {
            const QVariantMap &dp = d->value(kDrive);
            const QString bus = dp.value(QStringLiteral("ConnectionBus")).toString();
            f.removable = dp.value(QStringLiteral("Removable")).toBool()
                || bus == QLatin1String("usb") || bus == QLatin1String("sdio");
        }
        out.push_back(std::move(f));
    }
    return out;
}

} // namespace orb
