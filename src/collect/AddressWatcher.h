#pragma once
#include "collect/NetlinkSubscription.h"

namespace orb {

// Tells whether any IPv4 or IPv6 address of the machine was added or removed since the
// last call (or with Kind::Links, whether a network interface appeared, went or changed its
// state), from the kernel's routing notifications (a non-blocking netlink socket), so the
// pass need not list the addresses or interfaces each second. On the collection thread the
// socket is read only after its event loop saw it readable. Only meaningful for the running
// machine.
class AddressWatcher {
public:
    enum class Kind { Addresses, Links };

    explicit AddressWatcher(Kind kind = Kind::Addresses);

    // True when a notification arrived (or some were lost); false when nothing arrived or
    // no socket could be opened.
    bool changed();
    bool isValid() const { return notifications_.isValid(); }

private:
    NetlinkSubscription notifications_;
};

} // namespace orb
