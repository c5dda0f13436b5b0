#pragma once
#include "platform/Sysroot.h"

#include <QMap>
#include <QString>
#include <QVariantMap>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orb {

class SettingsStore;

// Slowly changing memory facts shown beside the memory sample: sizes, swap, hibernation
// and the installed memory modules. Class operations only; every read goes through the
// given sysroot, and none runs a child process.
class MemoryInformation {
public:
    // The value of page size and installed memory when the system does not tell.
    static constexpr uint64_t kUnknown = UINT64_MAX;

    // One active swap area of /proc/swaps.
    struct SwapArea {
        std::string path; // file path or device node, escapes decoded
        bool isFile = false;
        uint64_t sizeBytes = 0;
        uint64_t usedBytes = 0;
    };

    // One populated memory slot of the firmware's table, as udev recorded it.
    struct MemorySlot {
        int index = 0;
        uint64_t sizeBytes = 0;
        uint64_t speedMTs = 0; // 0 when unknown
        QString type;          // "DDR4", ...
        QString locator;
        QString manufacturer;
    };

    // Bytes per page of the running kernel (a capture does not record it), or kUnknown.
    static uint64_t pageSize(const Sysroot &root);
    // MemTotal in bytes, or kUnknown when meminfo does not give it.
    static uint64_t installedMemory(const Sysroot &root);
    // [total, available, used] swap bytes from SwapTotal and SwapFree; nothing when absent.
    static std::optional<std::array<uint64_t, 3>> loadSwapUsage(const Sysroot &root);
    // The swap areas in kernel order; empty when none or unreadable.
    static std::vector<SwapArea> loadSwapAreas(const Sysroot &root);
    // Stores "DynamicPagerPath": the directory of the first swap file, else the device
    // of the first swap partition, else an empty text; then saves the settings.
    static void loadDynamicPagerPath(SettingsStore &store, const Sysroot &root);

    // Hibernation settings from /sys/power: "state", "disk" and "mem_sleep" (the chosen
    // entry of each list), "resume", "resume_offset", "image_size" as far as present,
    // plus "hibernatemode" and, with a resume device, "hibernatefile" (its /dev path).
    // Nothing when /sys/power is missing.
    static std::optional<QMap<QString, QString>> loadHibernate(const Sysroot &root);
    // "<mode> : <description>" for the "hibernatemode" of loadHibernate.
    static QString loadloadHibernateMode(const Sysroot &root);
    // Stores "VmSleepImagePath": the resume device ("/dev/sda3"), empty without one.
    static void loadHibernateFilePath(SettingsStore &store, const Sysroot &root);
    // {"swapFileCount": number of swap areas, "sleepImageSize": 0 (Linux writes its
    // hibernation image into swap, never into a file of its own)}.
    static QVariantMap loadMemoryOptionDelayData(const Sysroot &root);

    // Populated slots from <sysroot>/run/udev/data/+dmi:id, by slot number.
    static std::vector<MemorySlot> loadMemorySlots(const Sysroot &root);
    // One line per populated slot: "<speed>MT/s <type> <size>", for example
    // "3200MT/s DDR4 8GB"; empty when udev recorded no memory devices.
    static QString collectMemSlot(const Sysroot &root);

    // The /dev path of block device "major:minor", resolved through /sys/dev/block;
    // empty for "0:0" or text that is not a device number.
    static QString resolveBlockDevice(const Sysroot &root, const QString &majorMinor);
};

} // namespace orb
