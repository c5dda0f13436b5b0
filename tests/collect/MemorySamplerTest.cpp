#include "TestEnvironment.h"
#include "collect/MemorySampler.h"

#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// A private tree holding just the given meminfo (and vmstat when not null).
struct Tree {
    QTemporaryDir dir;
    Tree(const QByteArray &meminfo, const char *vmstat = nullptr)
    {
        test::writeFile(dir.path() + "/proc/meminfo", meminfo);
        if (vmstat)
            test::writeFile(dir.path() + "/proc/vmstat", vmstat);
    }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

struct FixtureCase {
    const char *tree;
    uint64_t pageSize;
    MemorySample expected; // worked out by hand from the fixture's meminfo/vmstat/mm_stat
};

// wired, active, inactive, free, page-ins, page-outs, speculative, compressed, app, cached
const FixtureCase kFixtureCases[] = {
    // wired = (98304 + 214072 + 19856 + 54872) kB / 4; compressed = Zswap 84512 kB / 4
    {"memory-zswap-laptop", 4096,
     {96776, 1557762, 1605220, 460803, 12053367, 5469133, 0, 21128, 1179899, 1983083}},
    // the same machine counted in 16 KiB pages: every figure is kB / 16, rounded down
    {"memory-zswap-laptop", 16384,
     {24194, 389440, 401305, 115200, 3013341, 1367283, 0, 5282, 294974, 495770}},
    // compressed = zram0 mem_used_total 301658112 bytes / 4096; zram1 holds nothing
    {"memory-zram-desktop", 4096,
     {49196, 851660, 776277, 128090, 2469136, 1280864, 0, 73647, 855997, 771940}},
    // 2 TiB, no zswap or zram; paging counters beyond 32 bits
    {"memory-server-2tib", 4096,
     {4166400, 75311479, 62177505, 379858052, 24691358027469, 3086419725308, 0, 0, 70345465, 67143519}},
};

} // namespace

TEST(MemorySampler, mapsEachFixture)
{
    for (const FixtureCase &c : kFixtureCases) {
        SCOPED_TRACE(std::string(c.tree) + " pages of " + std::to_string(c.pageSize));
        MemorySampler sampler(c.pageSize);
        const auto sample = sampler.loadMemoryData(fixture(c.tree));
        ASSERT_TRUE(sample.has_value());
        EXPECT_EQ(*sample, c.expected);
        // On a consistent capture the two breakdowns cover the same pages (16 KiB pages
        // round each term down separately, so only 4 KiB pages add up exactly here).
        if (c.pageSize == 4096) {
            EXPECT_EQ((*sample)[1] + (*sample)[2], (*sample)[8] + (*sample)[9]);
        }
    }
}

TEST(MemorySampler, followsTheSysrootOfEachCall)
{
    MemorySampler sampler(4096);
    const auto laptop = sampler.loadMemoryData(fixture("memory-zswap-laptop"));
    const auto desktop = sampler.loadMemoryData(fixture("memory-zram-desktop"));
    const auto again = sampler.loadMemoryData(fixture("memory-zswap-laptop"));
    ASSERT_TRUE(laptop && desktop && again);
    EXPECT_EQ((*laptop)[7], 21128);
    EXPECT_EQ((*desktop)[7], 73647);
    EXPECT_EQ(*again, *laptop);
}

TEST(MemorySampler, rejectsUnusableMeminfo)
{
    struct Case {
        const char *what;
        QByteArray meminfo;
    };
    const Case cases[] = {
        {"letters in a number", "MemTotal: 8000000 kB\nMemFree: 12x4 kB\n"},
        {"no colon", "MemTotal: 8000000 kB\nMemFree 1234 kB\n"},
        {"no number", "MemTotal: 8000000 kB\nActive:  kB\n"},
        {"trailing junk", "MemTotal: 8000000 kB\nActive: 1234 kB extra\n"},
        {"negative", "MemTotal: 8000000 kB\nActive: -5 kB\n"},
        {"beyond 64 bits", "MemTotal: 18446744073709551616 kB\n"},
        {"empty file", ""},
        {"no MemTotal", "MemFree: 1234 kB\nActive: 10 kB\n"},
        {"binary", QByteArray("\x7f" "ELF\x02\x01\x01\x00", 8)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree(c.meminfo, "pgpgin 1\npgpgout 2\n");
        MemorySampler sampler(4096);
        EXPECT_FALSE(sampler.loadMemoryData(tree.root()).has_value());
    }
}

TEST(MemorySampler, noSampleFromGarbledOrIncompleteCaptures)
{
    MemorySampler sampler(4096);
    EXPECT_FALSE(sampler.loadMemoryData(fixture("memory-garbled")).has_value());
    EXPECT_FALSE(sampler.loadMemoryData(fixture("memory-no-memtotal")).has_value());
    EXPECT_FALSE(sampler.loadMemoryData(Sysroot("/nonexistent/orbmeter-tree")).has_value());
    // and a good capture afterwards is sampled again
    EXPECT_TRUE(sampler.loadMemoryData(fixture("memory-zswap-laptop")).has_value());
}

TEST(MemorySampler, zeroPageSizeGivesNoSample)
{
    MemorySampler sampler(0);
    EXPECT_FALSE(sampler.loadMemoryData(fixture("memory-zswap-laptop")).has_value());
}

TEST(MemorySampler, missingOrOddVmstatGivesNoPaging)
{
    // Also lines a newer kernel may add (a longer name, a tab, blank lines, no last newline).
    const QByteArray meminfo = "MemTotal: 8192 kB\n\nAFieldNameLongerThanAnyOfTheFieldsWeRead: 7 kB\n"
                               "MemFree:\t4096 kB\nHugePages_Total:       0";
    for (const char *vmstat : {static_cast<const char *>(nullptr), "pgpgin x\npgpgout\n", "nr_free_pages 3\n"}) {
        SCOPED_TRACE(vmstat ? vmstat : "(no vmstat)");
        Tree tree(meminfo, vmstat);
        MemorySampler sampler(4096);
        const auto sample = sampler.loadMemoryData(tree.root());
        ASSERT_TRUE(sample.has_value());
        EXPECT_EQ(*sample, (MemorySample{0, 0, 0, 1024, 0, 0, 0, 0, 0, 0}));
    }
}

TEST(MemorySampler, hugeValuesSaturateInsteadOfWrapping)
{
    // Each value is 2^64 - 1 kB; a 32- or 64-bit sum would wrap to a small number.
    Tree tree("MemTotal: 18446744073709551615 kB\n"
              "Active(anon): 18446744073709551615 kB\n"
              "Inactive(anon): 18446744073709551615 kB\n"
              "Active: 18446744073709551615 kB\n"
              "Unevictable: 18446744073709551615 kB\n"
              "SUnreclaim: 18446744073709551615 kB\n"
              "KernelStack: 18446744073709551615 kB\n"
              "PageTables: 18446744073709551615 kB\n",
              "pgpgin 18446744073709551615\n");
    MemorySampler sampler(4096);
    const auto sample = sampler.loadMemoryData(tree.root());
    ASSERT_TRUE(sample.has_value());
    const int64_t max = std::numeric_limits<int64_t>::max();
    EXPECT_EQ((*sample)[0], max);                  // 4 × (2^64 − 1) / 4 does not fit
    EXPECT_EQ((*sample)[1], 4611686018427387903);  // (2^64 − 1) / 4
    EXPECT_EQ((*sample)[4], 4611686018427387903);
    EXPECT_EQ((*sample)[8], max);                  // (2^65 − 2) / 4 = 2^63 − 1 exactly
}

TEST(MemorySampler, zramDevicesThatComeAndGoAreFoundWithinTheListingPeriod)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::filesystem::copy(test::fixturePath("memory-zram-desktop").toStdString(), dir.path().toStdString(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
    const Sysroot root(dir.path().toStdString());
    MemorySampler sampler(4096);
    // Calls until the compressed figure is `pages`, at most one listing period; how many it took.
    const auto callsUntil = [&](int64_t pages) {
        for (int call = 1; call <= MemorySampler::kZramListEvery; ++call) {
            const auto s = sampler.loadMemoryData(root);
            if (s && (*s)[7] == pages)
                return call;
        }
        return -1;
    };
    ASSERT_EQ(callsUntil(73647), 1); // zram0's 301658112 bytes

    // A new device holding 4096000 bytes: 1000 pages more.
    test::writeFile(dir.path() + "/sys/block/zram2/mm_stat", "8192000 2048000 4096000 0 4096000 0 0 0 0\n");
    EXPECT_GT(callsUntil(73647 + 1000), 0);
    // zram0 removed: only the new one is left.
    std::filesystem::remove_all((dir.path() + "/sys/block/zram0").toStdString());
    EXPECT_GT(callsUntil(1000), 0);
}

// Meminfo is read on every call; the paging totals within their period, and at once in
// another tree.
TEST(MemorySampler, pagingTotalsAreReadAgainWithinTheirPeriod)
{
    Tree tree("MemTotal: 8192 kB\nMemFree: 4096 kB\n", "pgpgin 4\npgpgout 8\n");
    const Sysroot root = tree.root();
    MemorySampler sampler(4096);
    auto sample = sampler.loadMemoryData(root);
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ((*sample)[4], 1);
    EXPECT_EQ((*sample)[5], 2);

    test::writeFile(tree.dir.path() + "/proc/vmstat", "pgpgin 40\npgpgout 80\n");
    test::writeFile(tree.dir.path() + "/proc/meminfo", "MemTotal: 8192 kB\nMemFree: 2048 kB\n");
    sample = sampler.loadMemoryData(root);
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ((*sample)[3], 512) << "free memory of this very call";
    int calls = 1;
    while ((*sample)[4] != 10 && calls < MemorySampler::kPagingEvery) {
        sample = sampler.loadMemoryData(root);
        ASSERT_TRUE(sample.has_value());
        ++calls;
    }
    EXPECT_EQ((*sample)[4], 10);
    EXPECT_EQ((*sample)[5], 20);

    Tree other("MemTotal: 8192 kB\nMemFree: 4096 kB\n", "pgpgin 400\npgpgout 800\n");
    sample = sampler.loadMemoryData(other.root());
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ((*sample)[4], 100);
}
