#pragma once
#include "collect/NetlinkSubscription.h"

#include <string_view>

namespace orb {

// Tells whether a block device (a disk, a partition, a loop or device-mapper device) was
// added, removed or renamed since the last call, from the kernel's device events (a
// non-blocking NETLINK_KOBJECT_UEVENT socket), so the disk step need not list every block
// device each second. Events of other devices (batteries, input, network) are read and
// dropped. On the collection thread the socket is read only after its event loop saw it
// readable. Only meaningful for the running machine.
class BlockDeviceWatcher {
public:
    BlockDeviceWatcher();

    // True when a block device event arrived (or events were lost); false when nothing of
    // the kind arrived or no socket could be opened.
    bool changed();
    bool isValid() const { return events_.isValid(); }

    // Whether one kernel event message ("ACTION@DEVPATH", then KEY=VALUE fields, each ended
    // by a NUL) is about a block device.
    static bool isBlockEvent(std::string_view message);

private:
    NetlinkSubscription events_;
};

} // namespace orb
