// /proc/meminfo (before the 0x01 separator) and /proc/vmstat (after it) through the
// memory sampler.
#include "FuzzSupport.h"
#include "collect/MemorySampler.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    orb::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto [meminfo, vmstat] = orb::fuzz::splitInput(data, size);
    orb::fuzz::putFile("/proc/meminfo", meminfo);
    orb::fuzz::putFile("/proc/vmstat", vmstat);
    orb::MemorySampler sampler(4096);
    if (auto sample = sampler.loadMemoryData(orb::Sysroot(orb::fuzz::scratchRoot()))) {
        for (int64_t pages : *sample) {
            if (pages < 0)
                __builtin_trap(); // page counts are never negative
        }
    }
    return 0;
}
