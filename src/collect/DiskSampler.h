#pragma once
#include "collect/Samples.h"
#include "platform/OpenProcFile.h"
#include "platform/Sysroot.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

class BlockDeviceWatcher;

// Cumulative bytes read and written per whole physical disk, from <sysroot>/proc/diskstats.
//
// Whole physical disks are the names listed in /sys/block that have a `device` link, except
// loop*, ram* and zram*; partitions, device-mapper and md devices are left out, so no byte
// is counted twice. Counts are the kernel's 512-byte sectors × 512 whatever the block size.
// Used by the collection pass only; keeps its buffers and the disk classification between
// calls (re-done only when the list of block devices or the tree changes).
//
// Where the block devices are watched (the running machine, through the kernel's device
// events), a pass reads only each whole disk's own /sys/block/<name>/stat, which holds the
// same counters as its diskstats line, and lists diskstats again only when a block device
// came or went, a disk's file fails, or kMaxPassesWithoutListing passes went by. A machine
// with dozens of loop devices and partitions then pays for its disks alone.
class DiskSampler {
public:
    DiskSampler();
    ~DiskSampler();
    DiskSampler(const DiskSampler &) = delete;
    DiskSampler &operator=(const DiskSampler &) = delete;

    // Whether block devices came or went since it was last asked. Given, it stands in for the
    // kernel's device events on any tree (tests); without it only the running machine is
    // watched.
    using DeviceChanges = std::function<bool()>;
    void setDeviceChanges(DeviceChanges changes) { changes_ = std::move(changes); }
    static constexpr uint32_t kMaxPassesWithoutListing = 60;
    // How many samples listed /proc/diskstats (the others read the disks' own files).
    uint32_t listings() const { return listings_; }

    // One sample at monotonic time `now` (seconds): the disks in diskstats order, keyed
    // "/dev/<name>", and the whole seconds since the previous sample (at least 1).
    // Nothing when diskstats cannot be read; a readable file without whole disks gives a
    // sample holding only the interval.
    std::optional<DiskSample> retDiskRW(const Sysroot &root, double now);

    // Kernel names of the whole disks of the last sample, in diskstats order.
    const std::vector<QString> &diskNames() const { return names_; }
    // Changes whenever the set of whole disks changes (or the tree read does); the owner
    // rebuilds the disk descriptions then.
    uint64_t generation() const { return generation_; }

    // Whether a kernel name may be a physical disk at all (loop, ram and zram devices never are).
    static bool isCandidateName(std::string_view name);
    // Whole seconds between two samples, rounded to the nearest second and at least 1, so
    // a timer firing a few milliseconds early does not halve the interval. 1 without a
    // previous sample.
    static double elapsedSeconds(std::optional<double> previous, double now);

private:
    struct Line {
        std::string name; // as diskstats lists it
        bool whole = false;
        QString key;      // "/dev/" + name for whole disks
    };
    bool classify(const Sysroot &root, const std::vector<std::string_view> &names);
    void reportOnce(const std::string &what);
    // Whether this pass may read the disks' own files: the devices are watched, none came or
    // went, and the last listing of this tree is recent. Asks the watch every time.
    bool eachDiskWillDo(const Sysroot &root);
    // The whole disks' counters from their own files; false when one cannot be read or
    // parsed (then the pass lists diskstats, which also logs what is wrong).
    bool readEachDisk(const Sysroot &root, DiskSample &sample);

    OpenProcFile diskstats_{"/proc/diskstats", OpenProcFile::Text::ShortLines};
    std::string buffer_;
    std::vector<Line> lines_;
    // This read's device names and the statistics after each, into buffer_.
    std::vector<std::string_view> scratch_;
    std::vector<std::string_view> counterTexts_;
    std::vector<QString> names_;
    std::string classifiedRoot_;
    std::optional<double> lastTime_;
    uint64_t generation_ = 0;
    std::vector<std::string> reported_; // problems already logged (bounded)

    struct DiskFile {
        QString key; // "/dev/<name>"
        OpenProcFile stat;
    };
    std::vector<DiskFile> diskFiles_; // the whole disks of the last listing, in its order
    DeviceChanges changes_;
    std::unique_ptr<BlockDeviceWatcher> watcher_; // running machine only
    bool eachDiskReady_ = false;                  // diskFiles_ belong to the last listing
    uint32_t passesSinceListing_ = 0;
    uint32_t listings_ = 0;
    char statText_[512];
};

} // namespace orb
