#pragma once
#include "collect/Samples.h"
#include "platform/OpenProcFile.h"
#include "platform/Sysroot.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// Per-processor scheduler ticks from <sysroot>/proc/stat turned into CPU samples.
// Keeps the previous counters as its baseline; used only by the collection pass.
class CpuSampler {
public:
    // Empty on the first call, on unreadable input and when the processor set changed.
    CpuSample loadCpuData(const Sysroot &root);

private:
    struct Counters {
        int id = 0;
        uint64_t user = 0, system = 0, nice = 0, idle = 0;
    };
    // Fills current_ from buffer_; false when a cpuN line is malformed or none is there.
    bool parseStat();
    static bool parseCpuLine(std::string_view line, Counters &out);

    std::vector<Counters> previous_;
    std::vector<Counters> current_;
    OpenProcFile stat_{"/proc/stat", OpenProcFile::Text::Whole};
    std::string buffer_;
    bool hasBaseline_ = false;
    bool reportedFailure_ = false; // log a persistent failure once, not every tick
};

} // namespace orb
