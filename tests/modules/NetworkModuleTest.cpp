#include "TestEnvironment.h"
#include "collect/ModuleSampler.h"
#include "collect/NetworkBase.h"
#include "platform/Sysroot.h"
#include "settings/ModuleCatalog.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

} // namespace

// Each description tells how many changes of the interfaces the sampler had seen when it
// was built, so a reader can tell a changed set of interfaces from a description built anew.
TEST(NetworkModule, DescriptionsCountTheChangesOfTheInterfaces)
{
    struct Pass {
        const char *tree;
        uint64_t changes;
        bool wlan0;
    };
    const Pass passes[] = {
        {"net-laptop-a", 1, true},         // the first look is a change
        {"net-laptop-b", 1, true},         // counters moved, interfaces the same
        {"net-laptop-vanished", 2, false}, // wlan0 pulled out
        {"net-laptop-vanished", 2, false},
        {"net-laptop-back", 3, true},      // and back
    };
    auto step = ModuleCatalog::info(ModuleId::Network).createSampler();
    SensorData data;
    double now = 10.0;
    for (const Pass &p : passes) {
        SCOPED_TRACE(p.tree);
        const Sysroot root = fixture(p.tree);
        step->sample(PassContext{root, now}, data);
        now += 1.0;
        ASSERT_TRUE(data.networkBase);
        EXPECT_EQ(data.networkBase->interfaceChanges, p.changes);
        EXPECT_EQ(data.networkBase->find("wlan0") != nullptr, p.wlan0);
    }
}
