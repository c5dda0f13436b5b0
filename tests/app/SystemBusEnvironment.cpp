// The controller's modules take the system bus from QDBusConnection::systemBus(), which a
// process connects once: every test of this program shares one stand-in system bus.
#include "MockBus.h"

namespace {
[[maybe_unused]] const ::testing::Environment *const systemBus =
    ::testing::AddGlobalTestEnvironment(new orb::test::SharedSystemBus);
} // namespace
