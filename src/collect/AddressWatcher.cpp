#include "collect/AddressWatcher.h"

#include "platform/Logging.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace orb {

AddressWatcher::AddressWatcher(Kind kind)
    : notifications_(NETLINK_ROUTE, kind == Kind::Links ? RTMGRP_LINK : RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR)
{
    if (!notifications_.isValid())
        qCInfo(lcCollect, "no routing notifications (%s); %s", notifications_.error(),
               kind == Kind::Links ? "interfaces are listed every few seconds"
                                   : "addresses are read on interface changes only");
}

bool AddressWatcher::changed()
{
    // Any notification of the groups subscribed to is a change.
    return notifications_.drain([](std::string_view) { return true; });
}

} // namespace orb
