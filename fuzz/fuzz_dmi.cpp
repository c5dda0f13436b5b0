// The udev record of the firmware's memory table (run/udev/data/+dmi:id).
#include "FuzzSupport.h"
#include "collect/MemoryInformation.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    orb::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    orb::fuzz::putFile("/run/udev/data/+dmi:id", std::string_view(reinterpret_cast<const char *>(data), size));
    const orb::Sysroot root(orb::fuzz::scratchRoot());
    orb::MemoryInformation::loadMemorySlots(root);
    orb::MemoryInformation::collectMemSlot(root);
    return 0;
}
