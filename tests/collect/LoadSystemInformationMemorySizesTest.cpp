#include "TestEnvironment.h"
#include "collect/LoadSystemInformation.h"

#include <gtest/gtest.h>

using namespace orb;

// The memory item divides by these two, so they must come from the same read as the sample.
TEST(LoadSystemInformation, memorySizesTravelWithTheSample)
{
    LoadSystemInformation info;
    LoadFlags flags{};
    flags[ModuleCatalog::index(ModuleId::Memory)] = true;
    SensorData data = info.loadCycleSysInfo({}, flags, Sysroot(test::fixturePath("memory-zswap-laptop").toStdString()));
    ASSERT_TRUE(data.memory);
    EXPECT_EQ(data.memoryTotlSize, 16106092ull * 1024);
    EXPECT_GT(data.memoryPageSize, 0u);

    // A meminfo without MemTotal yields no sample and keeps the sizes of the last one.
    data = info.loadCycleSysInfo(data, flags, Sysroot(test::fixturePath("memory-no-memtotal").toStdString()));
    EXPECT_EQ(data.memory->size(), 1u);
    EXPECT_EQ(data.memoryTotlSize, 16106092ull * 1024);
}
