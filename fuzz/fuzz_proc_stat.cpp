// /proc/stat through the CPU sampler: a baseline from the first part of the input, a
// sample from the second (the first again when there is no 0x01 separator).
#include "FuzzSupport.h"
#include "collect/CpuSampler.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    orb::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto [first, second] = orb::fuzz::splitInput(data, size);
    const orb::Sysroot root(orb::fuzz::scratchRoot());
    orb::CpuSampler sampler;
    orb::fuzz::putFile("/proc/stat", first);
    sampler.loadCpuData(root);
    orb::fuzz::putFile("/proc/stat", second.empty() ? first : second);
    const orb::CpuSample sample = sampler.loadCpuData(root);
    for (const auto &t : sample) {
        if (t.user < 0 || t.system < 0 || t.nice < 0 || t.idle < 0)
            __builtin_trap(); // tick deltas are never negative
    }
    return 0;
}
