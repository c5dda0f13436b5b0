#pragma once
#include "platform/LoopWatch.h"

#include <memory>
#include <string_view>

namespace orb {

// A non-blocking netlink socket bound to multicast groups of one protocol, read on the
// collection thread only after its event loop saw it readable. What the kernel's watchers
// (addresses, links, block devices) share: they differ in which messages count.
class NetlinkSubscription {
public:
    // A socket that cannot be opened or bound leaves the subscription invalid, with the
    // reason in error().
    NetlinkSubscription(int protocol, unsigned groups);
    ~NetlinkSubscription();
    NetlinkSubscription(const NetlinkSubscription &) = delete;
    NetlinkSubscription &operator=(const NetlinkSubscription &) = delete;

    bool isValid() const { return fd_ >= 0; }
    const char *error() const;

    // Reads every message waiting and tells whether one of them was `wanted`, or whether
    // messages were lost (any of them may have been). False without a socket, or when the
    // loop saw nothing arrive.
    bool drain(bool (*wanted)(std::string_view message));

private:
    int fd_ = -1;
    int errno_ = 0;
    std::unique_ptr<LoopWatch> watch_;
};

} // namespace orb
