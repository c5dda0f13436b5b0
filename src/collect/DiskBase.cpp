#include "collect/DiskBase.h"

#include <QCoreApplication>

namespace orb {

QString diskBusName(DiskBus bus)
{
    switch (bus) {
    case DiskBus::Ata: return QStringLiteral("SATA");
    case DiskBus::Nvme: return QStringLiteral("NVMe");
    case DiskBus::Usb: return QStringLiteral("USB");
    case DiskBus::Scsi: return QStringLiteral("SCSI");
    case DiskBus::Sd: return QStringLiteral("SD/MMC");
    case DiskBus::Virtio: return QStringLiteral("VirtIO");
    case DiskBus::Xen: return QStringLiteral("Xen");
    case DiskBus::Other: return QCoreApplication::translate("OrbStrings", "Other");
    case DiskBus::Unknown: break;
    }
    return {};
}

QString DiskDrive::mediumType() const
{
    if (!rotational)
        return {};
    return *rotational ? QStringLiteral("HDD") : QStringLiteral("SSD");
}

QString DiskDrive::iconName() const
{
    if (bus == DiskBus::Sd)
        return QStringLiteral("media-flash");
    if (bus == DiskBus::Usb || removable)
        return QStringLiteral("drive-removable-media");
    if (rotational && !*rotational)
        return QStringLiteral("drive-harddisk-solidstate");
    return QStringLiteral("drive-harddisk");
}

const DiskDrive *DiskBase::find(const QString &nameOrPath) const
{
    for (const DiskDrive &d : drives)
        if (d.name == nameOrPath || d.devicePath == nameOrPath)
            return &d;
    return nullptr;
}

QString DiskBase::driveOfPartition(const QString &partitionName) const
{
    for (const DiskDrive &d : drives)
        if (d.name == partitionName || d.partitions.contains(partitionName))
            return d.name;
    return {};
}

} // namespace orb
