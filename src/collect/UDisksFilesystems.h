#pragma once
#include <QDBusConnection>
#include <QString>
#include <optional>
#include <vector>

namespace orb {

// What udisks2 says about one block device that carries a file system.
struct UDisksFilesystem {
    QString objectPath; // /org/freedesktop/UDisks2/block_devices/sdb1
    QString device;     // "/dev/sdb1"
    QString label;      // Block.IdLabel, plain text, may be empty
    bool removable = false;  // its drive is removable or on USB / SD
    bool hintSystem = true;  // udisks2 counts it as part of the system
    std::vector<QString> mountPoints;
};

// Reads the file systems udisks2 knows with one GetManagedObjects call, at most `timeoutMs`
// long: call it off the UI thread. Nothing when udisks2 does not answer.
class UDisksFilesystems {
public:
    static std::optional<std::vector<UDisksFilesystem>> query(const QDBusConnection &bus, int timeoutMs = 1000);
};

} // namespace orb
