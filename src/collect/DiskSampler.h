#pragma once
#include "collect/Samples.h"
#include "platform/OpenProcFile.h"
#include "platform/Sysroot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// Cumulative bytes read and written per whole physical disk, from <sysroot>/proc/diskstats.
//
// Whole physical disks are the names listed in /sys/block that have a `device` link, except
// loop*, ram* and zram*; partitions, device-mapper and md devices are left out, so no byte
// is counted twice. Counts are the kernel's 512-byte sectors × 512 whatever the block size.
// Used by the collection pass only; keeps its buffers and the disk classification between
// calls (re-done only when the list of block devices or the tree changes).
class DiskSampler {
public:
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
};

} // namespace orb
