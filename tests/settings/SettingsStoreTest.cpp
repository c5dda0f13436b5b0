#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

using namespace orb;

TEST(SettingsStore, placeholder)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    s->setInteger("A", -5);
    EXPECT_TRUE(s->synchronize());
}
