#pragma once
#include "collect/Samples.h"
#include "platform/OpenProcFile.h"
#include "platform/Sysroot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orb {

// Memory pages from <sysroot>/proc/meminfo, /proc/vmstat and zram statistics.
// Used by the collection pass only; keeps its files open and its read buffers between
// calls. The zram devices are looked for in /sys/block on the first call for a tree and
// every kZramListEvery calls after it: with cold caches a listing of /sys/block costs more
// than the rest of a sample (about 130 us against 60), and zram devices are made at boot.
// The paging counters (totals since boot, shown only in the menu) are read on the first
// call for a tree and every kPagingEvery calls after it: the kernel sums and prints the whole
// of /proc/vmstat (some 170 counters) for the two, which costs more than all of meminfo.
class MemorySampler {
public:
    static constexpr int kZramListEvery = 30;
    static constexpr int kPagingEvery = 5;

    // `pageSize` is the size of the pages the sample counts (bytes); by default the
    // running kernel's. A page size of 0 makes every sample fail.
    explicit MemorySampler(uint64_t pageSize = systemPageSize());

    // Nothing when meminfo is unreadable, garbled or lacks MemTotal.
    std::optional<MemorySample> loadMemoryData(const Sysroot &root);

    uint64_t pageSize() const { return pageSize_; }
    // MemTotal in bytes of the last sample taken (0 before the first).
    uint64_t memTotalBytes() const { return memTotalBytes_; }
    // sysconf(_SC_PAGESIZE), or 0 when the system does not say.
    static uint64_t systemPageSize();

private:
    int64_t toPages(unsigned __int128 bytes) const;
    bool parseMeminfo(uint64_t *values, bool &hasTotal);
    void readVmstat(const Sysroot &root);
    unsigned __int128 zramBytes(const Sysroot &root);
    void listZram(const Sysroot &root);
    void reportOnce(const char *message, const std::string &path);

    uint64_t pageSize_;
    uint64_t memTotalBytes_ = 0;
    OpenProcFile meminfo_{"/proc/meminfo", OpenProcFile::Text::Whole};
    OpenProcFile vmstat_{"/proc/vmstat", OpenProcFile::Text::ShortLines};
    std::vector<OpenProcFile> zram_; // mm_stat of each zram device
    std::string zramRoot_;           // the tree zram_ was listed in; none before the first call
    int callsSinceZramList_ = 0;
    uint64_t pageInKiB_ = 0;
    uint64_t pageOutKiB_ = 0;
    std::string pagingRoot_; // the tree the paging counters were read in; none before the first call
    int callsSincePaging_ = 0;
    std::string buffer_;
    bool reported_ = false; // a bad input is logged once until a good read
};

} // namespace orb
