#include "collect/AddressWatcher.h"

#include "platform/Logging.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orb {

AddressWatcher::AddressWatcher(Kind kind)
{
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0) {
        qCInfo(lcCollect, "no routing notifications (%s); %s", std::strerror(errno),
               kind == Kind::Links ? "interfaces are listed every few seconds"
                                   : "addresses are read on interface changes only");
        return;
    }
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = kind == Kind::Links ? RTMGRP_LINK : RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (::bind(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        qCInfo(lcCollect, "cannot listen for %s changes (%s)", kind == Kind::Links ? "interface" : "address",
               std::strerror(errno));
        ::close(fd_);
        fd_ = -1;
        return;
    }
    watch_ = std::make_unique<LoopWatch>(fd_, LoopWatch::Wait::Readable);
}

AddressWatcher::~AddressWatcher()
{
    watch_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

bool AddressWatcher::changed()
{
    if (fd_ < 0 || watch_->check() == LoopWatch::State::Quiet)
        return false;
    bool any = false;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // ENOBUFS: notifications were lost, so something changed.
        if (n < 0 && errno == ENOBUFS) {
            any = true;
            continue;
        }
        break;
    }
    return any;
}

} // namespace orb
