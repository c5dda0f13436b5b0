#pragma once
#include "MockBus.h"
#include "TestEnvironment.h"

#include <QString>
#include <QVariantList>

namespace orb::test {

// avahi-daemon's stand-in (tests/services/tools/avahi_mock.py) on a private bus of its own.
class AvahiMock {
public:
    // Starts the stand-in with `services`, a JSON array of [name, IPv4 address, port, host
    // name, resolves that fail first].
    bool start(const QString &services = QStringLiteral("[]"));
    // Ends it, as a daemon that stops or restarts.
    bool stop();
    // Calls one of its control methods: AddService(name, address, port, host),
    // RemoveService(name), FailResolves(name, count).
    bool control(const char *method, const QVariantList &args);
    // How many ResolveService calls for `name` it has answered.
    int resolves(const QString &name);

    MockBus bus;
};

} // namespace orb::test
