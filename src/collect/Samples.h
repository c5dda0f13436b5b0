#pragma once
#include "collect/History.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orb {

// Scheduler ticks of one processor (or the average over all) since the previous sample.
struct CpuTicks {
    int64_t user = 0;
    int64_t system = 0;
    int64_t nice = 0;
    int64_t idle = 0;
    bool operator==(const CpuTicks &) const = default;
};
// One entry per logical processor in kernel order, then the average entry.
using CpuSample = std::vector<CpuTicks>;

// Memory pages: wired, active, inactive, free, page-ins, page-outs, speculative,
// compressed, app memory, cached files.
using MemorySample = std::array<int64_t, 10>;

// One display controller's video memory ("GpuKeyId" "_1", "_2"... in PCI address order).
struct GpuEntry {
    QString id;
    QString name;
    QString mem;   // "8192MB" or "--"
    QString per;   // "41%" or "--"
    int64_t total = -1;
    int64_t used = -1;
    int64_t free = -1;
    // Not part of the sample's keys: where the device sits, for the menu.
    QString address; // PCI address "0000:03:00.0"
    QString vendor;
    QString driver;
    bool operator==(const GpuEntry &) const = default;
};
using GpuSample = std::vector<GpuEntry>;

// Cumulative bytes over the counted interfaces, the seconds since the previous network
// sample, and the mean Wi-Fi signal and noise qualities (0..100).
struct NetworkSample {
    int64_t up = 0;
    int64_t down = 0;
    double interval = 1.0;
    int64_t signal = 0;
    int64_t noise = 0;
    bool operator==(const NetworkSample &) const = default;
};

// Sizes of one volume in bytes; all zero when the file system gave none.
struct VolumeUsage {
    int64_t total = 0;
    int64_t used = 0;
    int64_t free = 0;
    bool operator==(const VolumeUsage &) const = default;
};
// Usage per mount path, in the order of the volume table, and the sum over the volumes
// that gave a size (each file system counted once).
struct VolumeSample {
    std::vector<std::pair<QString, VolumeUsage>> volumes;
    VolumeUsage all;
    bool operator==(const VolumeSample &) const = default;
};

// Cumulative bytes read and written by one whole disk.
struct DiskCounters {
    int64_t read = 0;
    int64_t written = 0;
    bool operator==(const DiskCounters &) const = default;
};
// Counters per disk ("/dev/sda"), and the seconds since the previous disk sample.
struct DiskSample {
    std::vector<std::pair<QString, DiskCounters>> disks;
    double interval = 1.0;
    bool operator==(const DiskSample &) const = default;
};

// Whole degrees Celsius per sensor label (−1 for a sensor that could not be read), drive
// temperatures under the drive's name, the internal battery's as text, and the mean of
// the valid readings when there is one.
struct TempSample {
    std::vector<std::pair<QString, int64_t>> readings;
    std::optional<QString> battery;
    std::optional<int64_t> average;
    bool empty() const { return readings.empty() && !battery; }
    bool operator==(const TempSample &) const = default;
};

// Revolutions per minute per fan, and the mean over the fans that were read.
struct FanSample {
    std::vector<std::pair<QString, int64_t>> fans;
    std::optional<int64_t> average;
    bool operator==(const FanSample &) const = default;
};

// Descriptions kept beside the histories. Each is built by its module (in the pass or on
// the UI thread) and shared read-only; a change replaces it whole.
struct NetworkBase;
struct DiskBase;
struct VolumeBase;
struct SensorTable;
struct ProcessHistories;
struct PowerState;

// The sensor data dictionary: one history per sampled module, the VNC marker, and the
// descriptions the status items and menus read. Copyable and cheap to copy (everything is
// shared); the pass builds the next value and the UI thread takes it whole.
struct SensorData {
    std::optional<History<CpuSample>> cpu;
    std::optional<History<GpuSample>> gpu;
    std::optional<History<MemorySample>> memory;
    std::optional<History<NetworkSample>> network;
    std::optional<History<VolumeSample>> volume;
    std::optional<History<DiskSample>> disk;
    std::optional<History<TempSample>> temp;
    std::optional<History<FanSample>> fan;
    // Bytes per page the memory samples count and the installed memory (MemTotal) read with
    // the newest of them, so both always match the history; 0 until a sample was taken.
    uint64_t memoryPageSize = 0;
    uint64_t memoryTotlSize = 0;
    bool vnc = false;

    std::shared_ptr<const NetworkBase> networkBase;
    std::shared_ptr<const DiskBase> diskBase;
    std::shared_ptr<const VolumeBase> volumeBase;
    std::shared_ptr<const SensorTable> sensorTable;
    std::shared_ptr<const ProcessHistories> processes;
    std::shared_ptr<const PowerState> power;
};

// Appends `sample` to the history in `slot`, creating it with the first sample.
template <typename Sample>
void appendSample(std::optional<History<Sample>> &slot, Sample sample)
{
    slot = slot.value_or(History<Sample>()).appended(std::move(sample));
}

} // namespace orb
