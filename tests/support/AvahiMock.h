#pragma once
#include "MockBus.h"

#include <QString>
#include <QVariantList>
#include <functional>

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

// Runs the event loop until `done` holds; false when `timeoutMs` passed first.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000);

} // namespace orb::test
