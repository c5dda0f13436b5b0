#pragma once
#include "collect/MountTable.h"
#include "collect/UDisksFilesystems.h"
#include "collect/VolumeBase.h"
#include "platform/Sysroot.h"

#include <optional>
#include <vector>

namespace orb {

struct DiskBase;

// Builds the volume base from the mount table of a tree, sysfs (whether a drive is
// removable) and, when given, udisks2's file systems (labels, unmount objects). The disk base,
// when there is one, names the drive of each partition.
class VolumeDescriber {
public:
    static VolumeBase describe(const Sysroot &root, const std::vector<MountEntry> &volumes,
                               const std::optional<std::vector<UDisksFilesystem>> &udisks = std::nullopt,
                               const DiskBase *disks = nullptr);
    // Reads <root>/proc/self/mountinfo and describes its volumes; an unreadable table gives
    // an empty base (logged).
    static VolumeBase describeTree(const Sysroot &root,
                                   const std::optional<std::vector<UDisksFilesystem>> &udisks = std::nullopt,
                                   const DiskBase *disks = nullptr);

    // The network volume's name for a mount source: percent-escapes decoded, every "//" and
    // ";AUTH=" removed.
    static QString networkSourceName(const QString &source);
    // The whole disk of a partition by the kernel's naming ("sda2" → "sda", "nvme0n1p3" →
    // "nvme0n1", "mmcblk0p1" → "mmcblk0"); the name itself when it has no partition number.
    static QString driveNameOf(const QString &partition);
};

} // namespace orb
