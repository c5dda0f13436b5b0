#include "collect/VolumeDescriber.h"

#include "collect/DiskBase.h"
#include "platform/Logging.h"

#include <QUrl>

namespace orb {

const VolumeEntry *VolumeBase::find(const QString &mountPath) const
{
    for (const VolumeEntry &v : volumes)
        if (v.mountPath == mountPath)
            return &v;
    return nullptr;
}

QString VolumeDescriber::networkSourceName(const QString &source)
{
    QString name = QUrl::fromPercentEncoding(source.toUtf8());
    name.remove(QStringLiteral("//"));
    name.remove(QStringLiteral(";AUTH="));
    return name;
}

QString VolumeDescriber::driveNameOf(const QString &partition)
{
    qsizetype end = partition.size();
    while (end > 0 && partition.at(end - 1).isDigit())
        --end;
    if (end == partition.size() || end == 0)
        return partition;
    // nvme0n1p3, mmcblk0p1, loop0p1: a "p" after a digit separates the partition number.
    if (end >= 2 && partition.at(end - 1) == QLatin1Char('p') && partition.at(end - 2).isDigit())
        return partition.left(end - 1);
    // nvme0n1, mmcblk0 are whole disks whose names end in digits.
    if (partition.startsWith(QLatin1String("nvme")) || partition.startsWith(QLatin1String("mmcblk"))
        || partition.startsWith(QLatin1String("loop")))
        return partition;
    return partition.left(end);
}

VolumeBase VolumeDescriber::describe(const Sysroot &root, const std::vector<MountEntry> &volumes,
                                     const std::optional<std::vector<UDisksFilesystem>> &udisks, const DiskBase *disks)
{
    VolumeBase base;
    base.hostMachine = root.isHostRoot();
    for (const MountEntry &m : volumes) {
        VolumeEntry v;
        v.mountPath = m.mountPoint;
        v.fileType = m.fsType;
        v.isWritable = !m.readOnly();
        v.devMajor = m.major;
        v.devMinor = m.minor;
        v.isNetworkVol = !m.source.contains(QLatin1String("/dev/"));
        const UDisksFilesystem *fs = nullptr;
        if (v.isNetworkVol) {
            v.bsdName = networkSourceName(m.source);
        } else {
            v.bsdPath = m.source;
            v.bsdName = QString(m.source).remove(QStringLiteral("/dev/"));
            if (disks) {
                v.driveName = disks->driveOfPartition(v.bsdName);
                if (const DiskDrive *d = disks->find(v.driveName))
                    v.isRemovable = d->removable;
            }
            if (v.driveName.isEmpty() && !v.bsdName.contains(QLatin1Char('/'))) {
                const QString drive = driveNameOf(v.bsdName);
                if (root.exists("/sys/class/block/" + drive.toStdString())) {
                    v.driveName = drive;
                    v.isRemovable = root.readInteger("/sys/class/block/" + drive.toStdString() + "/removable")
                                        .value_or(0)
                        == 1;
                }
            }
            if (udisks)
                for (const UDisksFilesystem &f : *udisks)
                    if (f.device == m.source)
                        fs = &f;
        }
        if (fs) {
            v.udisksPath = fs->objectPath;
            v.isRemovable = v.isRemovable || fs->removable;
            v.isUnmountable = m.mountPoint != QLatin1String("/");
        }
        if (fs && !fs->label.isEmpty())
            v.volumeName = fs->label;
        else if (m.mountPoint == QLatin1String("/"))
            v.volumeName = QStringLiteral("System");
        else
            v.volumeName = m.mountPoint.mid(m.mountPoint.lastIndexOf(QLatin1Char('/')) + 1);
        base.volumes.push_back(std::move(v));
    }
    return base;
}

VolumeBase VolumeDescriber::describeTree(const Sysroot &root, const std::optional<std::vector<UDisksFilesystem>> &udisks,
                                         const DiskBase *disks)
{
    std::string text;
    if (!root.readFile("/proc/self/mountinfo", text)) {
        qCWarning(lcCollect, "cannot read the mount table under %s; no volumes", root.root().c_str());
        VolumeBase empty;
        empty.hostMachine = root.isHostRoot();
        return empty;
    }
    return describe(root, MountTable::volumes(MountTable::parse(text)), udisks, disks);
}

} // namespace orb
