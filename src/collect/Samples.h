#pragma once
#include "collect/History.h"

#include <array>
#include <cstdint>
#include <optional>
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

// The sensor data dictionary: one history per sampled module plus the VNC marker.
// Copyable and cheap to copy (histories are shared); the pass builds the next value and
// the UI thread takes it whole.
struct SensorData {
    std::optional<History<CpuSample>> cpu;
    std::optional<History<MemorySample>> memory;
    // Bytes per page the memory samples count and the installed memory (MemTotal) read with
    // the newest of them, so both always match the history; 0 until a sample was taken.
    uint64_t memoryPageSize = 0;
    uint64_t memoryTotlSize = 0;
    bool vnc = false;
};

} // namespace orb
