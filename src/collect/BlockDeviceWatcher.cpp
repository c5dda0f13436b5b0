#include "collect/BlockDeviceWatcher.h"

#include "platform/Logging.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orb {
namespace {
// The kernel's own multicast group of device events (udev's re-sent ones are group 2).
constexpr unsigned kKernelEvents = 1;
} // namespace

BlockDeviceWatcher::BlockDeviceWatcher()
{
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = kKernelEvents;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        qCInfo(lcCollect, "no device events (%s); the disk statistics are listed whole every pass", std::strerror(errno));
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return;
    }
    watch_ = std::make_unique<LoopWatch>(fd_, LoopWatch::Wait::Readable);
}

BlockDeviceWatcher::~BlockDeviceWatcher()
{
    watch_.reset();
    if (fd_ >= 0)
        ::close(fd_);
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
    if (fd_ < 0 || watch_->check() == LoopWatch::State::Quiet)
        return false;
    bool any = false;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            any = any || isBlockEvent(std::string_view(buf, static_cast<size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // ENOBUFS: events were lost, and any of them may have been a disk's.
        if (n < 0 && errno == ENOBUFS) {
            any = true;
            continue;
        }
        break;
    }
    return any;
}

} // namespace orb
