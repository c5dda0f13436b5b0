#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orb {

// How a drive is attached.
enum class DiskBus { Unknown, Ata, Nvme, Usb, Scsi, Sd, Virtio, Xen, Other };

// User-visible name of a bus ("SATA", "NVMe", "USB", ...); empty for Unknown.
QString diskBusName(DiskBus bus);

// One whole physical disk as the Disk and Volume modules describe it. Built from sysfs,
// the udev database and, on the real machine, udisks2; every text is plain (trimmed of
// padding, never markup) and may be empty when no source had it.
struct DiskDrive {
    QString name;        // kernel name: "sda", "nvme0n1", "mmcblk0"
    QString devicePath;  // "/dev/" + name: the key of the disk samples
    QString model;       // "Samsung SSD 980 PRO 1TB"
    QString vendor;      // "SanDisk"; empty when the model already names the maker
    QString serial;
    QString firmware;    // firmware revision
    int64_t sizeBytes = 0;          // capacity; 0 for an empty card reader
    int64_t logicalBlockSize = 512; // bytes per logical block
    DiskBus bus = DiskBus::Unknown;
    bool removable = false;         // removable medium or hot-pluggable drive (USB, SD)
    std::optional<bool> rotational; // spinning disk; unknown when sysfs says nothing
    QStringList partitions;         // kernel names of its partitions ("sda1", "sda2")

    // Temperature sources, found once when the description is built.
    std::string hwmonTempPath;  // machine path of a tempN_input in millidegrees, or empty
    QString nvmeController;     // "nvme0" for NVMe namespaces, else empty
    QString udisksPath;         // udisks2 Drive object, empty without udisks2
    // Temperature in whole degrees Celsius when the description was built (hwmon or
    // udisks2); drivesTemperatures() reads the current one.
    std::optional<int> temperature;

    // "SSD" / "HDD" from `rotational`, empty when unknown.
    QString mediumType() const;
    // Freedesktop icon name for the drive ("drive-harddisk-solidstate", "drive-removable-media"...).
    QString iconName() const;
    bool operator==(const DiskDrive &) const = default;
};

// The disk base: every whole physical disk of the machine in kernel order. Built by the
// disk sampler whenever the set of disks changes and shared read-only; a change replaces
// the whole object.
struct DiskBase {
    std::vector<DiskDrive> drives;
    // Built from the running machine ("/"), so live health readings (udisks2, the NVMe
    // health log) belong to these drives; false for a captured tree.
    bool hostMachine = false;

    // The drive with that kernel name ("sda") or device path ("/dev/sda"), or nullptr.
    const DiskDrive *find(const QString &nameOrPath) const;
    // The whole disk that holds a partition ("sda2" → "sda", "nvme0n1p3" → "nvme0n1"),
    // the disk itself for a disk name, empty when unknown.
    QString driveOfPartition(const QString &partitionName) const;
    bool operator==(const DiskBase &) const = default;
};

} // namespace orb
