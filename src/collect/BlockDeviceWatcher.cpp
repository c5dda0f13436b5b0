#include "collect/BlockDeviceWatcher.h"

#include "platform/Logging.h"

#include <linux/netlink.h>

namespace orb {
namespace {
// The kernel's own multicast group of device events (udev's re-sent ones are group 2).
constexpr unsigned kKernelEvents = 1;
} // namespace

BlockDeviceWatcher::BlockDeviceWatcher()
    : events_(NETLINK_KOBJECT_UEVENT, kKernelEvents)
{
    if (!events_.isValid())
        qCInfo(lcCollect, "no device events (%s); the disk statistics are listed whole every pass", events_.error());
}

bool BlockDeviceWatcher::isBlockEvent(std::string_view message)
{
    while (!message.empty()) {
        const size_t end = message.find('\0');
        const std::string_view field = message.substr(0, end);
        if (field == "SUBSYSTEM=block")
            return true;
        if (end == std::string_view::npos)
            break;
        message.remove_prefix(end + 1);
    }
    return false;
}

bool BlockDeviceWatcher::changed()
{
    return events_.drain(&BlockDeviceWatcher::isBlockEvent);
}

} // namespace orb
