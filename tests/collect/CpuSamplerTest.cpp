#include "collect/CpuSampler.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot tree(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// Feeds the trees in order; returns every sample.
std::vector<CpuSample> run(std::initializer_list<const char *> trees)
{
    CpuSampler sampler;
    std::vector<CpuSample> out;
    for (const char *t : trees)
        out.push_back(sampler.loadCpuData(tree(t)));
    return out;
}

const CpuSample kTwoCoreAtoB = {
    {3, 3, 0, 95}, // cpu0: system 1 + irq 1 + softirq 1, idle 94 + iowait 1
    {4, 2, 1, 92}, // cpu1
    {4, 3, 1, 94}, // average: 3.5, 2.5, 0.5, 93.5 rounded half away from zero
};

} // namespace

TEST(CpuSampler, FirstCallRecordsBaselineSecondGivesDeltasAndAverage)
{
    const auto s = run({"cpu-2core-a", "cpu-2core-b", "cpu-2core-b"});
    EXPECT_TRUE(s[0].empty());
    EXPECT_EQ(s[1], kTwoCoreAtoB);
    // Nothing moved between the last two samples.
    EXPECT_EQ(s[2], CpuSample(3, CpuTicks{0, 0, 0, 0}));
}

TEST(CpuSampler, CountersGoingBackwardsCountAsZero)
{
    const auto s = run({"cpu-2core-a", "cpu-2core-backwards"});
    const CpuSample expected = {
        {0, 13, 0, 52},  // cpu0 user went back
        {0, 15, 10, 0},  // cpu1 idle went back; softirq −10 is absorbed in system (25 − 10)
        {0, 14, 5, 26},
    };
    EXPECT_EQ(s[1], expected);
}

TEST(CpuSampler, ProcessorSetChangeRestartsBaseline)
{
    const auto s = run({"cpu-2core-a", "cpu-2core-offline-a", "cpu-2core-offline-b", "cpu-2core-b", "cpu-2core-b"});
    EXPECT_TRUE(s[1].empty()) << "cpu1 went offline";
    const CpuSample oneCpu = {{12, 5, 0, 83}, {12, 5, 0, 83}};
    EXPECT_EQ(s[2], oneCpu);
    EXPECT_TRUE(s[3].empty()) << "cpu1 came back";
    ASSERT_EQ(s[4].size(), 3u);
}

TEST(CpuSampler, BadInputGivesEmptySampleAndKeepsBaseline)
{
    // Each bad tree sits between a and b; the a→b deltas must come out unchanged.
    for (const char *bad : {"cpu-2core-garbled", "cpu-2core-truncated", "cpu-2core-nocpus", "no-such-tree"}) {
        SCOPED_TRACE(bad);
        const auto s = run({"cpu-2core-a", bad, "cpu-2core-b"});
        EXPECT_TRUE(s[1].empty());
        EXPECT_EQ(s[2], kTwoCoreAtoB);
    }
}

TEST(CpuSampler, BadFirstInputSetsNoBaseline)
{
    const auto s = run({"cpu-2core-garbled", "cpu-2core-a", "cpu-2core-b"});
    EXPECT_TRUE(s[0].empty());
    EXPECT_TRUE(s[1].empty());
    EXPECT_EQ(s[2], kTwoCoreAtoB);
}

TEST(CpuSampler, SixteenProcessors)
{
    const auto s = run({"cpu-16core-a", "cpu-16core-b"});
    ASSERT_EQ(s[1].size(), 17u);
    // guest ticks are already inside user and must not be added again.
    EXPECT_EQ(s[1][0], (CpuTicks{10, 3, 0, 80}));
    EXPECT_EQ(s[1][7], (CpuTicks{17, 6, 1, 74}));
    EXPECT_EQ(s[1][15], (CpuTicks{25, 7, 0, 66}));
    // sums 280, 68, 15, 1168 over 16
    EXPECT_EQ(s[1][16], (CpuTicks{18, 4, 1, 73}));
}

TEST(CpuSampler, SixtyFourProcessors)
{
    const auto s = run({"cpu-64core-a", "cpu-64core-b"});
    ASSERT_EQ(s[1].size(), 65u);
    EXPECT_EQ(s[1][0], (CpuTicks{1, 1, 0, 90}));
    EXPECT_EQ(s[1][63], (CpuTicks{8, 1, 0, 90}));
    EXPECT_EQ(s[1][64], (CpuTicks{5, 1, 0, 90})); // user 288 / 64 = 4.5
}

TEST(CpuSampler, HandWrittenLines)
{
    // Short lines from old kernels, extra columns from new ones, CRLF, and lines the
    // parser must reject.
    struct Case {
        const char *name;
        const char *first;
        const char *second;
        CpuSample expected;
    };
    const Case cases[] = {
        {"four columns", "cpu  1 2 3 4\ncpu0 1 2 3 4\n", "cpu  2 4 6 8\ncpu0 2 4 6 8\n", {{1, 3, 2, 4}, {1, 3, 2, 4}}},
        {"eleven columns", "cpu0 1 1 1 1 1 1 1 1 1 1 99\n", "cpu0 2 2 2 2 2 2 2 2 2 2 99\n", {{1, 4, 1, 2}, {1, 4, 1, 2}}},
        {"carriage returns", "cpu0 1 1 1 1\r\n", "cpu0 5 1 1 1\r\n", {{4, 0, 0, 0}, {4, 0, 0, 0}}},
        {"huge counters", "cpu0 18446744073709551000 0 0 0\n", "cpu0 18446744073709551615 0 0 0\n",
         {{615, 0, 0, 0}, {615, 0, 0, 0}}},
        {"three columns", "cpu0 1 1 1 1\n", "cpu0 2 2 2\n", {}},
        {"negative", "cpu0 1 1 1 1\n", "cpu0 2 -2 2 2\n", {}},
        {"out of range", "cpu0 1 1 1 1\n", "cpu0 2 2 2 99999999999999999999\n", {}},
        {"duplicate id", "cpu0 1 1 1 1\ncpu1 1 1 1 1\n", "cpu0 1 1 1 1\ncpu0 1 1 1 1\n", {}},
        {"id with junk", "cpu0 1 1 1 1\n", "cpu0x 1 1 1 1\n", {}},
        {"empty", "cpu0 1 1 1 1\n", "", {}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir.path() + "/1/proc/stat", c.first);
        test::writeFile(dir.path() + "/2/proc/stat", c.second);
        CpuSampler sampler;
        EXPECT_TRUE(sampler.loadCpuData(Sysroot((dir.path() + "/1").toStdString())).empty());
        EXPECT_EQ(sampler.loadCpuData(Sysroot((dir.path() + "/2").toStdString())), c.expected);
    }
}
