#include "collect/BlockDeviceWatcher.h"

#include <gtest/gtest.h>
#include <string>

using namespace orb;

namespace {
std::string message(std::initializer_list<const char *> fields)
{
    std::string m;
    for (const char *f : fields) {
        m += f;
        m += '\0';
    }
    return m;
}
} // namespace

TEST(BlockDeviceWatcher, OnlyEventsOfBlockDevicesCount)
{
    // As the kernel sends them: the header, then one KEY=VALUE field after another.
    EXPECT_TRUE(BlockDeviceWatcher::isBlockEvent(message({"add@/devices/virtual/block/loop8", "ACTION=add",
                                                          "DEVPATH=/devices/virtual/block/loop8", "SUBSYSTEM=block",
                                                          "MAJOR=7", "MINOR=8", "DEVNAME=loop8", "DEVTYPE=disk",
                                                          "SEQNUM=4711"})));
    EXPECT_TRUE(BlockDeviceWatcher::isBlockEvent(message({"remove@/devices/pci0000:00/usb1/1-1/block/sdc/sdc1",
                                                          "ACTION=remove", "SUBSYSTEM=block", "DEVTYPE=partition"})));
    // The last field without its NUL still counts.
    const std::string cut = message({"change@/block/sda", "ACTION=change"}) + "SUBSYSTEM=block";
    EXPECT_TRUE(BlockDeviceWatcher::isBlockEvent(cut));

    // A battery's charge, a mouse, a field that only contains the words, a longer name.
    EXPECT_FALSE(BlockDeviceWatcher::isBlockEvent(message({"change@/devices/LNXSYSTM:00/power_supply/BAT0",
                                                           "ACTION=change", "SUBSYSTEM=power_supply",
                                                           "POWER_SUPPLY_CAPACITY=87"})));
    EXPECT_FALSE(BlockDeviceWatcher::isBlockEvent(message({"add@/devices/virtual/input/input9", "SUBSYSTEM=input"})));
    EXPECT_FALSE(BlockDeviceWatcher::isBlockEvent(message({"add@/x", "NAME=SUBSYSTEM=block", "SUBSYSTEM=blockx"})));
    EXPECT_FALSE(BlockDeviceWatcher::isBlockEvent(std::string()));
}
