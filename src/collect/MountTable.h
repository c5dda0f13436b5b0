#pragma once
#include <QString>
#include <string_view>
#include <vector>

namespace orb {

// One line of /proc/<pid>/mountinfo, with the octal escapes (\040 for a blank, \011, \012,
// \134) decoded.
struct MountEntry {
    int mountId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    QString root;        // the part of the file system seen at the mount point ("/" for all of it)
    QString mountPoint;
    QString fsType;      // "ext4", "nfs4", "fuse.sshfs"
    QString source;      // "/dev/nvme0n1p2", "nas:/export", "//nas/share"
    QString mountOptions; // per-mount options ("rw,relatime")
    QString superOptions; // per-file-system options
    bool operator==(const MountEntry &) const = default;

    // Mounted read-only (per mount or for the whole file system).
    bool readOnly() const;
};

// The mount table and the rules that pick the volumes a user cares about out of it.
class MountTable {
public:
    // Parses mountinfo text. A line that does not have the documented fields is logged and
    // skipped; the other lines are kept.
    static std::vector<MountEntry> parse(std::string_view text);

    // Undoes the kernel's octal escapes ("\040" → " "); a backslash not followed by three
    // octal digits is kept as it stands.
    static QString decodeEscapes(std::string_view field);

    // File systems that live on another machine (nfs, cifs, sshfs, 9p ...).
    static bool isNetworkType(const QString &fsType);
    // Kernel and container file systems that never hold a user's files.
    static bool isPseudoType(const QString &fsType);

    // The volumes among `mounts`, in mount order: the root file system, and every mount of a
    // block device or a network file system, except disk images (squashfs), mounts at or
    // under /boot, /snap, /var/lib/docker and /var/lib/snapd, mounts hidden by a later mount
    // on the same point, and bind mounts showing part of a file system already listed.
    static std::vector<MountEntry> volumes(const std::vector<MountEntry> &mounts);
};

} // namespace orb
