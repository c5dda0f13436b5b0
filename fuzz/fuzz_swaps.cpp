// /proc/swaps through the swap area list and what is derived from it.
#include "FuzzSupport.h"
#include "collect/MemoryInformation.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    orb::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    orb::fuzz::putFile("/proc/swaps", std::string_view(reinterpret_cast<const char *>(data), size));
    const orb::Sysroot root(orb::fuzz::scratchRoot());
    for (const auto &area : orb::MemoryInformation::loadSwapAreas(root)) {
        if (area.path.empty())
            __builtin_trap(); // an area always names its file or device
    }
    orb::MemoryInformation::loadMemoryOptionDelayData(root);
    return 0;
}
