#pragma once
#include "collect/DiskBase.h"
#include "collect/UDisksDrives.h"
#include "platform/Sysroot.h"

#include <optional>
#include <string>
#include <vector>

namespace orb {

// One drive's temperature, for the temperature sampler.
struct DriveTemperature {
    QString name;   // kernel name ("nvme0n1")
    QString model;  // the drive's model, the label a temperature list shows
    int celsius = 0;
};

// Builds the disk base from sysfs (/sys/block/<name>: size, removable, queue/rotational,
// queue/logical_block_size, device/model, vendor, rev, NVMe serial and firmware_rev), the
// udev database (/run/udev/data/b<major>:<minor>: bus, full model, serial, revision, rotation
// rate) and, when given, udisks2's drives, which win for the texts they have.
class DiskDescriber {
public:
    static DiskBase describe(const Sysroot &root, const std::vector<QString> &names,
                             const std::optional<std::vector<UDisksDrive>> &udisks = std::nullopt);
    static DiskDrive describeDrive(const Sysroot &root, const QString &name);
    // Lays udisks2's description over a drive described from sysfs.
    static void merge(DiskDrive &drive, const UDisksDrive &udisks);

    // The drive temperature input found under a disk's device (NVMe "Composite", drivetemp),
    // as a machine path, or empty.
    static std::string findHwmonTemperature(const Sysroot &root, const std::string &deviceDir);
    // Whole degrees Celsius (truncated) of a millidegree tempN_input; nothing when the file
    // is missing, garbled or outside −60..200 °C.
    static std::optional<int> readMilliCelsius(const Sysroot &root, const std::string &path);
    // Decodes udev's \xNN escapes (ID_MODEL_ENC) and trims the padding.
    static QString decodeUdevText(const QByteArray &encoded);
};

// Current temperatures of the drives of `base` that have a temperature input (NVMe
// Composite, SATA drivetemp), read from sysfs only: cheap enough for every temperature
// sample. Drives with no input keep out of the list.
std::vector<DriveTemperature> drivesTemperatures(const Sysroot &root, const DiskBase &base);

} // namespace orb
