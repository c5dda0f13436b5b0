#pragma once
#include <QString>
#include <vector>

namespace orb {

// One mounted volume as the Volume module describes it. Texts come from the mount table or
// udisks2 and are plain text chosen by other people (labels, share names).
struct VolumeEntry {
    QString mountPath;   // "/", "/media/anna/My Stick"
    QString volumeName;  // the file system's label, else the mount point's last part; "/" → label or "System"
    QString bsdName;     // local: device name without "/dev/" ("nvme0n1p2"); network: the cleaned-up source
    QString bsdPath;     // local: the mount source ("/dev/nvme0n1p2"); empty for network volumes
    QString fileType;    // "ext4", "nfs4"
    QString driveName;   // whole disk holding a local volume ("nvme0n1"), empty when unknown
    bool isNetworkVol = false;
    bool isRemovable = false;
    bool isWritable = true;
    bool isUnmountable = false;
    QString udisksPath;  // udisks2 object with the Filesystem interface, empty when none
    unsigned devMajor = 0; // the mount's device number, standing in for a missing file-system id
    unsigned devMinor = 0;
    bool operator==(const VolumeEntry &) const = default;
};

// The volume base: every volume in mount order. Built when the mount table changes and
// shared read-only; a change replaces the whole object.
struct VolumeBase {
    std::vector<VolumeEntry> volumes;
    // Built from the running machine ("/").
    bool hostMachine = false;

    const VolumeEntry *find(const QString &mountPath) const;
    bool operator==(const VolumeBase &) const = default;
};

} // namespace orb
