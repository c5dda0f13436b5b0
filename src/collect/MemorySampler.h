#pragma once
#include "collect/Samples.h"
#include "platform/Sysroot.h"

#include <optional>
#include <string>

namespace orb {

// Memory pages from <sysroot>/proc/meminfo, /proc/vmstat and zram statistics.
class MemorySampler {
public:
    // Nothing when meminfo is unreadable or lacks MemTotal.
    std::optional<MemorySample> loadMemoryData(const Sysroot &root);

private:
    std::string buffer_;
};

} // namespace orb
