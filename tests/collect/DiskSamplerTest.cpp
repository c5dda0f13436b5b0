#include "TestEnvironment.h"
#include "collect/DiskSampler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <utility>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// Sectors as diskstats counts them, turned into bytes by hand.
constexpr int64_t sectors(int64_t n) { return n * 512; }

using Disks = std::vector<std::pair<QString, DiskCounters>>;

struct TreeCase {
    const char *tree;
    Disks expected; // whole physical disks in diskstats order
};

const TreeCase kTrees[] = {
    // Partitions, the LUKS mapping dm-0, loop and zram devices are all left out.
    {"disk-laptop-nvme-a", {{"/dev/nvme0n1", {sectors(51829934), sectors(83421110)}}}},
    {"disk-laptop-nvme-b", {{"/dev/nvme0n1", {sectors(51829934 + 4096), sectors(83421110 + 1000)}}}},
    // Two SATA disks and a USB stick; loop0 and the partitions are not counted.
    {"disk-desktop-sata-a",
     {{"/dev/sda", {sectors(1204800), sectors(880000)}},
      {"/dev/sdb", {sectors(9604012), sectors(7310044)}},
      {"/dev/sdc", {sectors(440000), sectors(120000)}}}},
    {"disk-desktop-sata-gone",
     {{"/dev/sda", {sectors(1204900), sectors(880000)}}, {"/dev/sdb", {sectors(9604012), sectors(7312092)}}}},
    // md0 and md127 mirror the SATA disks: counting them would count every byte twice.
    {"disk-server-md-a",
     {{"/dev/sda", {sectors(88000000), sectors(51000000)}},
      {"/dev/sdb", {sectors(88001000), sectors(51003000)}},
      {"/dev/sdc", {sectors(88002000), sectors(51006000)}},
      {"/dev/sdd", {sectors(88003000), sectors(51009000)}},
      {"/dev/nvme0n1", {sectors(300000000), sectors(200000000)}},
      {"/dev/nvme1n1", {sectors(300000011), sectors(200000013)}}}},
    // Only sda's line is sound: a non-number, a short line, a count beyond 64 bits in
    // bytes, a negative count and a line of garbage are all refused.
    {"disk-garbled", {{"/dev/sda", {sectors(2000), sectors(4000)}}}},
};

// A tree written by the test: diskstats plus /sys/block entries, each with or without a
// device link.
struct Tree {
    QTemporaryDir dir;
    explicit Tree(const QByteArray &diskstats) { test::writeFile(dir.path() + "/proc/diskstats", diskstats); }
    void block(const QString &sysName, bool withDevice)
    {
        const QString d = dir.path() + "/sys/block/" + sysName;
        QDir().mkpath(d);
        if (withDevice)
            QDir().mkpath(d + "/device");
    }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

QByteArray line(const char *name, int read, int written)
{
    return QByteArray("   8 0 ") + name + " 1 0 " + QByteArray::number(read) + " 1 1 0 " + QByteArray::number(written)
        + " 1 0 1 1 0 0 0 0 0 0\n";
}

} // namespace

TEST(DiskSampler, countsExactlyTheWholePhysicalDisks)
{
    for (const TreeCase &c : kTrees) {
        SCOPED_TRACE(c.tree);
        DiskSampler sampler;
        const auto sample = sampler.retDiskRW(fixture(c.tree), 10.0);
        ASSERT_TRUE(sample.has_value());
        EXPECT_EQ(sample->disks, c.expected);
        EXPECT_EQ(sample->interval, 1.0) << "a first sample has no previous one";
    }
}

TEST(DiskSampler, onlyNamedDisksWithADeviceLinkCount)
{
    Tree t(line("sda", 10, 20) + line("loop0", 1, 1) + line("ram0", 1, 1) + line("zram0", 1, 1) + line("md0", 5, 5)
           + line("dm-1", 5, 5) + line("cciss/c0d0", 30, 40) + line("sdz", 7, 7) + line("..", 9, 9));
    for (const char *name : {"sda", "loop0", "ram0", "zram0", "cciss!c0d0"})
        t.block(name, true); // even a loop device with a device link is no physical disk
    t.block("md0", false);
    t.block("dm-1", false);
    // sdz is in diskstats but has no /sys/block entry; ".." must never reach a path.
    DiskSampler sampler;
    const auto sample = sampler.retDiskRW(t.root(), 0.0);
    ASSERT_TRUE(sample);
    const Disks expected{{"/dev/sda", {sectors(10), sectors(20)}}, {"/dev/cciss/c0d0", {sectors(30), sectors(40)}}};
    EXPECT_EQ(sample->disks, expected);
    EXPECT_EQ(sampler.diskNames(), (std::vector<QString>{"sda", "cciss/c0d0"}));
}

TEST(DiskSampler, candidateNames)
{
    const struct {
        const char *name;
        bool candidate;
    } cases[] = {{"sda", true},        {"nvme0n1", true}, {"mmcblk0", true}, {"loop7", false},
                 {"ram15", false},     {"zram0", false},  {"", false},       {"..", false},
                 {"a/../b", false},    {"sd\x01", false}, {"cciss/c0d0", true}};
    for (const auto &c : cases)
        EXPECT_EQ(DiskSampler::isCandidateName(c.name), c.candidate) << c.name;
}

TEST(DiskSampler, intervalIsTheWholeSecondsThatReallyPassed)
{
    const struct {
        std::optional<double> previous;
        double now;
        double expected;
    } cases[] = {
        {std::nullopt, 50.0, 1.0}, // nothing to measure from
        {10.0, 12.0, 2.0},
        {10.0, 11.97, 2.0},        // a timer a little early is still two seconds
        {10.0, 13.4, 3.0},         // a dropped tick counts
        {10.0, 10.2, 1.0},         // never below one second
        {10.0, 9.0, 1.0},          // nor for a clock that went back
        {10.0, std::nan(""), 1.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DiskSampler::elapsedSeconds(c.previous, c.now), c.expected)
            << (c.previous ? *c.previous : -1) << " -> " << c.now;

    DiskSampler sampler;
    const Sysroot root = fixture("disk-laptop-nvme-a");
    std::vector<double> intervals;
    for (double now : {100.0, 102.0, 102.4, 110.0})
        intervals.push_back(sampler.retDiskRW(root, now)->interval);
    EXPECT_EQ(intervals, (std::vector<double>{1.0, 2.0, 1.0, 8.0}));
}

TEST(DiskSampler, generationFollowsTheSetOfDisks)
{
    DiskSampler sampler;
    const auto pass = [&](const char *tree) {
        const auto s = sampler.retDiskRW(fixture(tree), 0.0);
        EXPECT_TRUE(s) << tree;
        return sampler.generation();
    };
    const uint64_t first = pass("disk-desktop-sata-a");
    EXPECT_EQ(pass("disk-desktop-sata-a"), first) << "nothing changed";
    const uint64_t gone = pass("disk-desktop-sata-gone");
    EXPECT_NE(gone, first) << "the USB stick was pulled";
    EXPECT_EQ(sampler.diskNames(), (std::vector<QString>{"sda", "sdb"}));
    EXPECT_NE(pass("disk-desktop-sata-b"), gone) << "and plugged in again";
    EXPECT_EQ(sampler.diskNames(), (std::vector<QString>{"sda", "sdb", "sdc"}));
}

TEST(DiskSampler, unreadableOrEmptyDiskstats)
{
    QTemporaryDir empty;
    DiskSampler sampler;
    EXPECT_FALSE(sampler.retDiskRW(Sysroot(empty.path().toStdString()), 0.0)) << "no file: no sample";

    Tree t{QByteArray()};
    const auto sample = sampler.retDiskRW(t.root(), 3.0);
    ASSERT_TRUE(sample) << "a readable file without disks still gives the interval";
    EXPECT_TRUE(sample->disks.empty());
    EXPECT_TRUE(sampler.diskNames().empty());
}

TEST(DiskSampler, aWatchedMachineReadsItsDisksOwnFilesUntilABlockDeviceComesOrGoes)
{
    // Each disk's own stat file holds the counters of its diskstats line without the name.
    // They differ here from the diskstats lines, so each sample tells which was read.
    const auto stat = [](int read, int written) {
        return QByteArray("   1 0 ") + QByteArray::number(read) + " 1 1 0 " + QByteArray::number(written)
            + " 1 0 1 1 0 0 0 0 0 0\n";
    };
    Tree t(line("sda", 10, 20) + line("sda1", 5, 5) + line("loop0", 1, 1));
    t.block("sda", true);
    t.block("loop0", true);
    test::writeFile(t.dir.path() + "/sys/block/sda/stat", stat(110, 120));
    bool changed = false;
    DiskSampler sampler;
    sampler.setDeviceChanges([&changed] { return std::exchange(changed, false); });
    const auto pass = [&] {
        const auto s = sampler.retDiskRW(t.root(), 0.0);
        return s ? s->disks : Disks{{"no sample", {}}};
    };

    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(10), sectors(20)}}})) << "the first pass lists";
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(110), sectors(120)}}}));
    EXPECT_EQ(sampler.listings(), 1u);

    // A disk plugged in: the kernel's event brings a listing, which finds it.
    test::writeFile(t.dir.path() + "/proc/diskstats", line("sda", 11, 21) + line("sdb", 30, 40) + line("loop0", 1, 1));
    t.block("sdb", true);
    test::writeFile(t.dir.path() + "/sys/block/sdb/stat", stat(130, 140));
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(110), sectors(120)}}})) << "no event yet";
    changed = true;
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(11), sectors(21)}}, {"/dev/sdb", {sectors(30), sectors(40)}}}));
    EXPECT_EQ(sampler.diskNames(), (std::vector<QString>{"sda", "sdb"}));
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(110), sectors(120)}}, {"/dev/sdb", {sectors(130), sectors(140)}}}));
    EXPECT_EQ(sampler.listings(), 2u);

    // A disk file that cannot be read, or reads garbled, is never a sample with a disk left
    // out: the pass lists instead.
    QFile::remove(t.dir.path() + "/sys/block/sdb/stat");
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(11), sectors(21)}}, {"/dev/sdb", {sectors(30), sectors(40)}}}));
    test::writeFile(t.dir.path() + "/sys/block/sdb/stat", "garbage\n");
    EXPECT_EQ(pass(), (Disks{{"/dev/sda", {sectors(11), sectors(21)}}, {"/dev/sdb", {sectors(30), sectors(40)}}}));
    EXPECT_EQ(sampler.listings(), 4u);

    // Without events a listing still comes every so many passes.
    test::writeFile(t.dir.path() + "/sys/block/sdb/stat", stat(130, 140));
    pass();
    const uint32_t listed = sampler.listings();
    for (uint32_t i = 0; i < DiskSampler::kMaxPassesWithoutListing; ++i)
        pass();
    EXPECT_EQ(sampler.listings(), listed + 1);
}

TEST(DiskSampler, anUnwatchedTreeIsListedEveryPass)
{
    DiskSampler sampler;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(sampler.retDiskRW(fixture("disk-desktop-sata-a"), i));
    EXPECT_EQ(sampler.listings(), 3u);
}
