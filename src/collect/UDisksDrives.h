#pragma once
#include <QDBusConnection>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace orb {

// What udisks2 says about one drive (org.freedesktop.UDisks2.Drive and, for ATA drives,
// Drive.Ata), matched to its whole-disk block device.
struct UDisksDrive {
    QString objectPath;    // /org/freedesktop/UDisks2/drives/...
    QString device;        // "/dev/sda" of the whole-disk Block object; empty when none
    QString vendor;
    QString model;
    QString serial;
    QString revision;
    QString connectionBus; // "usb", "sdio", "ieee1394" or empty
    int64_t size = 0;
    int rotationRate = -1; // rpm; 0 not rotating, -1 rotating at an unknown rate
    bool removable = false;
    bool mediaRemovable = false;

    // Drive.Ata (present only for ATA drives).
    bool hasAta = false;
    bool smartSupported = false;
    bool smartEnabled = false;
    bool smartFailing = false;       // the drive predicts its own failure
    double smartTemperatureK = 0.0;  // 0 when unknown
    int64_t powerOnSeconds = 0;      // 0 when unknown
    int64_t badSectors = -1;         // -1 when unknown
    int attributesFailing = -1;      // -1 when unknown
    QString selfTestStatus;          // last self-test result as udisks2 names it
    uint64_t smartUpdated = 0;       // seconds since the epoch of udisks2's last reading

    // SmartTemperature in whole degrees Celsius (truncated), when known.
    std::optional<int> temperatureCelsius() const;
};

// Reads drives from udisks2 on the given bus with one GetManagedObjects call. Blocks for
// at most `timeoutMs`: call it off the UI thread. Nothing when udisks2 is not running or
// does not answer in time.
class UDisksDrives {
public:
    static constexpr int kDefaultTimeoutMs = 1000;
    static std::optional<std::vector<UDisksDrive>> query(const QDBusConnection &bus,
                                                         int timeoutMs = kDefaultTimeoutMs);
};

} // namespace orb
