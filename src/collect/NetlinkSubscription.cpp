#include "collect/NetlinkSubscription.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orb {

NetlinkSubscription::NetlinkSubscription(int protocol, unsigned groups)
{
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = groups;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        errno_ = errno;
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return;
    }
    watch_ = std::make_unique<LoopWatch>(fd_, LoopWatch::Wait::Readable);
}

const char *NetlinkSubscription::error() const
{
    return errno_ != 0 ? std::strerror(errno_) : "";
}

NetlinkSubscription::~NetlinkSubscription()
{
    watch_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

bool NetlinkSubscription::drain(bool (*wanted)(std::string_view message))
{
    if (fd_ < 0 || watch_->check() == LoopWatch::State::Quiet)
        return false;
    bool any = false;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            any = any || wanted(std::string_view(buf, static_cast<size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // ENOBUFS: messages were lost, and any of them may have been one that counts.
        if (n < 0 && errno == ENOBUFS) {
            any = true;
            continue;
        }
        break;
    }
    return any;
}

} // namespace orb
