#include "collect/CpuInformation.h"

#include "TestEnvironment.h"

#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace orb;

namespace {

Sysroot tree(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

constexpr std::time_t kTwoCoreBootTime = 1764892800; // btime in cpu-2core-a/proc/stat

} // namespace

TEST(CpuInformation, CleanBrandName)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", "Intel Core2 Duo E8400 3.00GHz"},
        {"Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz", "Intel Core i7-8700 3.20GHz"},
        {"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz\n", "Intel Xeon E5-2680 v4 2.40GHz"},
        {"AMD Ryzen 7 5800X 8-Core Processor             ", "AMD Ryzen 7 5800X 8-Core Processor"},
        {"12th Gen Intel(R) Core(TM) i7-1260P", "12th Gen Intel Core i7-1260P"},
        {" \n ", ""},
    };
    for (const auto &[raw, clean] : cases)
        EXPECT_EQ(CpuInformation::cleanBrandName(QString::fromLatin1(raw)), QString::fromLatin1(clean)) << raw;
}

TEST(CpuInformation, BrandNameFromFixtures)
{
    const std::pair<const char *, const char *> cases[] = {
        // already ends in Hz: nothing appended although cpufreq has a clock
        {"cpu-2core-a", "Intel Core2 Duo E8400 3.00GHz"},
        // no clock in the name: intel_pstate base_frequency (2.1 GHz), not the 4.7 GHz maximum
        {"cpu-16core-a", "12th Gen Intel Core i7-1260P 2.10GHz"},
        // no base_frequency: the maximum
        {"cpu-64core-a", "AMD Ryzen Threadripper 3970X 32-Core Processor 3.70GHz"},
        {"cpu-2core-b", ""}, // no cpuinfo
    };
    for (const auto &[name, brand] : cases)
        EXPECT_EQ(CpuInformation::cpuGetBrandNameNew(tree(name)), QString::fromLatin1(brand)) << name;
}

TEST(CpuInformation, ClockAndMachineName)
{
    const std::pair<uint64_t, const char *> clocks[] = {
        {2400000000ULL, "2.40GHz"}, {1000000001ULL, "1.00GHz"}, {1000000000ULL, "1000MHz"},
        {800000000ULL, "800MHz"},   {5200000000ULL, "5.20GHz"}, // beyond 32 bits
        {2395000000ULL, "2.40GHz"}, {0, "0MHz"},
    };
    for (const auto &[hz, text] : clocks)
        EXPECT_EQ(CpuInformation::formatClock(hz), QString::fromLatin1(text)) << hz;

    EXPECT_EQ(CpuInformation::cpuGetRareNameNew(tree("cpu-2core-a")), QStringLiteral("x86_64 3.00GHz"));
    EXPECT_EQ(CpuInformation::cpuGetRareNameNew(tree("cpu-16core-a")), QStringLiteral("x86_64 4.70GHz"));
    EXPECT_EQ(CpuInformation::cpuGetRareNameNew(tree("cpu-2core-b")), std::nullopt);
}

TEST(CpuInformation, ProcessorCounts)
{
    struct Case {
        const char *tree;
        int physical;
        int logical;
    };
    const Case cases[] = {
        {"cpu-2core-a", 2, 2},
        {"cpu-16core-a", 12, 16}, // 4 two-thread cores + 8 single-thread cores
        {"cpu-64core-a", 32, 64},
        {"cpu-2core-b", 0, 2},         // no sysfs: cpuN lines of /proc/stat
        {"cpu-2core-offline-a", 0, 1}, // one processor listed
        {"no-such-tree", 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(CpuInformation::LoadNumberOfCpuPsyCores(tree(c.tree)), c.physical) << c.tree;
        EXPECT_EQ(CpuInformation::logicalProcessorCount(tree(c.tree)), c.logical) << c.tree;
    }
}

TEST(CpuInformation, OnlineListParsing)
{
    const std::pair<const char *, int> cases[] = {
        {"0-3,5,7-8\n", 7}, {"0\n", 1}, {"0-63", 64},
        // malformed lists fall back to the two cpuN lines of /proc/stat
        {"0-3,x\n", 2}, {"3-1\n", 2}, {"\n", 2}, {"0-4294967295\n", 2}, {"-1\n", 2},
    };
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/proc/stat", "cpu  2 2 2 2\ncpu0 1 1 1 1\ncpu1 1 1 1 1\n");
    const Sysroot root(dir.path().toStdString());
    for (const auto &[list, count] : cases) {
        test::writeFile(dir.path() + "/sys/devices/system/cpu/online", list);
        EXPECT_EQ(CpuInformation::logicalProcessorCount(root), count) << list;
    }
}

TEST(CpuInformation, BuildUpTime)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char *> cases[] = {
        {90061, "1 day 1:01:01"},
        {3661, "1:01:01"},
        {172800, "2 days 0:00:00"},
        {86399.99, "23:59:59"},
        {86400, "1 day 0:00:00"},
        {0, "0:00:00"},
        {59.9, "0:00:59"},
        {36 * 86400 + 10 * 3600 + 5, "36 days 10:00:05"},
        // missing readings must not look like durations
        {-1, "---"}, {-0.5, "---"}, {nan, "---"}, {inf, "---"}, {-inf, "---"}, {1e300, "---"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(CpuInformation::buildUpTime(seconds), QString::fromLatin1(text)) << seconds;
}

TEST(CpuInformation, OptionDataFromFixtures)
{
    EXPECT_EQ(CpuInformation::cpuGetOptionData(tree("cpu-2core-a"), kTwoCoreBootTime + 90061),
              (QStringList{"1 day 1:01:01", "1 day 2:03:04", "611 threads, 3 processes",
                           "1min: 0.52, 5min: 0.58, 15min: 0.59", "duo-desktop"}));
    // /proc/uptime 187254.91; btime 1764806400
    EXPECT_EQ(CpuInformation::cpuGetOptionData(tree("cpu-16core-a"), 1764806400 + 3661),
              (QStringList{"1:01:01", "2 days 4:00:54", "1342 threads, 5 processes",
                           "1min: 3.07, 5min: 2.41, 15min: 1.98", "lab-laptop"}));
}

TEST(CpuInformation, OptionDataWithMissingOrBadFiles)
{
    EXPECT_EQ(CpuInformation::cpuGetOptionData(tree("no-such-tree"), kTwoCoreBootTime),
              QStringList(5, QStringLiteral("---")));
    // Clock behind the boot time: no negative uptime.
    EXPECT_EQ(CpuInformation::cpuGetOptionData(tree("cpu-2core-a"), kTwoCoreBootTime - 10).value(0),
              QStringLiteral("---"));

    QTemporaryDir dir;
    test::writeFile(dir.path() + "/proc/stat", "cpu0 1 1 1 1\nbtime 0\n");
    test::writeFile(dir.path() + "/proc/uptime", "garbage 12\n");
    test::writeFile(dir.path() + "/proc/loadavg", "0.1 zero 0.3 1/x 5\n");
    test::writeFile(dir.path() + "/proc/sys/kernel/hostname", "\n");
    EXPECT_EQ(CpuInformation::cpuGetOptionData(Sysroot(dir.path().toStdString()), 1000),
              QStringList(5, QStringLiteral("---")));

    test::writeFile(dir.path() + "/proc/loadavg", "nan 0.2 inf 1/7 5\n");
    const QStringList facts = CpuInformation::cpuGetOptionData(Sysroot(dir.path().toStdString()), 1000);
    EXPECT_EQ(facts.value(2), QStringLiteral("7 threads, 0 processes"));
    EXPECT_EQ(facts.value(3), QStringLiteral("---"));
}

TEST(CpuInformation, NumbersIgnoreTheUserLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const QLocale savedQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The C library's decimal comma where the machine has the locale; Qt's default always.
    const bool cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    if (cLocale) {
        EXPECT_STREQ(probe, "1,5") << "the C library took the locale";
    }
    EXPECT_EQ(QLocale().toString(1.5, 'f', 1), QStringLiteral("1,5")) << "Qt took the locale";
    const QStringList facts = CpuInformation::cpuGetOptionData(tree("cpu-2core-a"), kTwoCoreBootTime + 90061);
    const QString brand = CpuInformation::cpuGetBrandNameNew(tree("cpu-16core-a"));
    std::setlocale(LC_ALL, saved.c_str());
    QLocale::setDefault(savedQt);
    EXPECT_EQ(facts.value(3), QStringLiteral("1min: 0.52, 5min: 0.58, 15min: 0.59"));
    EXPECT_EQ(brand, QStringLiteral("12th Gen Intel Core i7-1260P 2.10GHz"));
}
