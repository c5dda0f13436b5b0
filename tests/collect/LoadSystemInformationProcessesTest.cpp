#include "collect/LoadSystemInformation.h"
#include "collect/ProcessHistories.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace orb;

TEST(LoadSystemInformation, ProcessStepRunsOnlyWhenAsked)
{
    LoadSystemInformation info;
    const LoadFlags none{};
    const Sysroot a(test::fixturePath("procs-desktop-a").toStdString());
    const Sysroot b(test::fixturePath("procs-desktop-b").toStdString());

    SensorData data = info.loadCycleSysInfo({}, none, a, 10.0, false);
    EXPECT_EQ(data.processes, nullptr);

    data = info.loadCycleSysInfo(data, none, a, 11.0, true);
    ASSERT_NE(data.processes, nullptr);
    EXPECT_EQ(data.processes->memory.size(), 1u);
    EXPECT_TRUE(data.processes->cpu.empty()) << "a share needs two scans";

    const auto held = data.processes;
    data = info.loadCycleSysInfo(data, none, b, 12.0, false);
    EXPECT_EQ(data.processes, held) << "a pass without the step leaves the histories alone";

    data = info.loadCycleSysInfo(data, none, b, 13.0, true);
    ASSERT_EQ(data.processes->cpu.size(), 1u);
    ASSERT_EQ(data.processes->memory.size(), 2u);
    // Two seconds since the previous scan: the two compilers' 99 + 98 ticks are 98.5 per cent.
    EXPECT_DOUBLE_EQ(data.processes->cpu.back()->value("cc1plus"), 98.5);
    EXPECT_EQ(data.processes->cpu.back()->entries.front().name, QStringLiteral("cc1plus"));
}
