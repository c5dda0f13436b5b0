#include "TestEnvironment.h"
#include "collect/MemoryInformation.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// A private tree built from (machine path, contents) pairs.
struct Tree {
    QTemporaryDir dir;
    Tree(std::initializer_list<std::pair<const char *, QByteArray>> files)
    {
        for (const auto &[path, contents] : files)
            test::writeFile(dir.path() + QString::fromLatin1(path), contents);
    }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

constexpr uint64_t kUnknown = MemoryInformation::kUnknown;

} // namespace

TEST(MemoryInformation, installedMemoryIsMemTotalInBytes)
{
    const struct {
        const char *tree;
        uint64_t bytes;
    } cases[] = {
        {"memory-zswap-laptop", 16492638208ull},  // 16106092 kB
        {"memory-zram-desktop", 8231428096ull},   // 8038504 kB
        {"memory-server-2tib", 2164369936384ull}, // 2113642516 kB
        {"memory-no-memtotal", kUnknown},
        {"memory-missing", kUnknown},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tree);
        EXPECT_EQ(MemoryInformation::installedMemory(fixture(c.tree)), c.bytes);
    }
    Tree huge({{"/proc/meminfo", "MemTotal: 18446744073709551615 kB\n"}});
    EXPECT_EQ(MemoryInformation::installedMemory(huge.root()), kUnknown);
}

TEST(MemoryInformation, swapUsageIsTotalFreeUsed)
{
    using Usage = std::array<uint64_t, 3>;
    EXPECT_EQ(MemoryInformation::loadSwapUsage(fixture("memory-zswap-laptop")),
              (Usage{17179860992ull, 16624136192ull, 555724800ull})); // 16777208, 16234508 kB
    EXPECT_EQ(MemoryInformation::loadSwapUsage(fixture("memory-zram-desktop")),
              (Usage{4115714048ull, 2904117248ull, 1211596800ull})); // used = zram0 orig_data_size
    EXPECT_EQ(MemoryInformation::loadSwapUsage(fixture("memory-server-2tib")), (Usage{0, 0, 0}));
    EXPECT_FALSE(MemoryInformation::loadSwapUsage(fixture("memory-missing")).has_value());

    Tree noFree({{"/proc/meminfo", "MemTotal: 100 kB\nSwapTotal: 100 kB\n"}});
    EXPECT_FALSE(MemoryInformation::loadSwapUsage(noFree.root()).has_value());
    Tree freeAboveTotal({{"/proc/meminfo", "SwapTotal: 100 kB\nSwapFree: 300 kB\n"}});
    EXPECT_EQ(MemoryInformation::loadSwapUsage(freeAboveTotal.root()), (Usage{102400, 102400, 0}));
}

TEST(MemoryInformation, swapAreasFromProcSwaps)
{
    const auto areas = MemoryInformation::loadSwapAreas(fixture("memory-zswap-laptop"));
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].path, "/dev/nvme0n1p3");
    EXPECT_FALSE(areas[0].isFile);
    EXPECT_EQ(areas[0].sizeBytes, 8589930496ull); // 8388604 kB
    EXPECT_EQ(areas[0].usedBytes, 236171264ull);  // 230636 kB
    EXPECT_EQ(areas[1].path, "/swap/swapfile");
    EXPECT_TRUE(areas[1].isFile);
    EXPECT_EQ(areas[1].usedBytes, 319553536ull); // 312064 kB

    // Escaped blanks, a deleted swap file and a torn line.
    Tree odd({{"/proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n"
                              "/var/swap\\040space/swapfile file 1024 0 -2\n"
                              "/old/swapfile (deleted) file 2048 4 -3\n"
                              "/dev/sdb2 partition 40\n"}});
    const auto oddAreas = MemoryInformation::loadSwapAreas(odd.root());
    ASSERT_EQ(oddAreas.size(), 2u);
    EXPECT_EQ(oddAreas[0].path, "/var/swap space/swapfile");
    EXPECT_EQ(oddAreas[1].path, "/old/swapfile");
    EXPECT_TRUE(oddAreas[1].isFile);
    EXPECT_EQ(oddAreas[1].usedBytes, 4096u);
}

TEST(MemoryInformation, dynamicPagerPathAndSwapCount)
{
    const struct {
        const char *tree;
        const char *pagerPath;
        qint64 swapCount;
    } cases[] = {
        {"memory-zswap-laptop", "/swap", 2},      // the file's directory wins over the partition before it
        {"memory-zram-desktop", "/dev/zram0", 1}, // partitions only: the first device
        {"memory-server-2tib", "", 0},            // no swap at all
        {"memory-missing", "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tree);
        test::ScopedHome home;
        auto store = SettingsStore::open();
        store->setString("DynamicPagerPath", "stale");
        MemoryInformation::loadDynamicPagerPath(*store, fixture(c.tree));
        EXPECT_EQ(store->stringForKey("DynamicPagerPath"), QString::fromLatin1(c.pagerPath));
        // written to disk, not only kept in memory
        SettingsStore reread(store->domain(), QFileInfo(store->filePath()).absolutePath());
        EXPECT_EQ(reread.stringForKey("DynamicPagerPath"), QString::fromLatin1(c.pagerPath));

        const QVariantMap facts = MemoryInformation::loadMemoryOptionDelayData(fixture(c.tree));
        EXPECT_EQ(facts.value("swapFileCount").toLongLong(), c.swapCount);
        EXPECT_EQ(facts.value("sleepImageSize").toLongLong(), 0);
    }

    Tree rootFile({{"/proc/swaps", "Filename Type Size Used Priority\n/swapfile file 1024 0 -2\n"}});
    test::ScopedHome home;
    auto store = SettingsStore::open();
    MemoryInformation::loadDynamicPagerPath(*store, rootFile.root());
    EXPECT_EQ(store->stringForKey("DynamicPagerPath"), "/");
}

TEST(MemoryInformation, hibernationSettings)
{
    const auto laptop = MemoryInformation::loadHibernate(fixture("memory-zswap-laptop"));
    ASSERT_TRUE(laptop.has_value());
    EXPECT_EQ(laptop->value("disk"), "platform");
    EXPECT_EQ(laptop->value("mem_sleep"), "deep");
    EXPECT_EQ(laptop->value("resume"), "259:3");
    EXPECT_EQ(laptop->value("hibernatefile"), "/dev/nvme0n1p3");
    EXPECT_EQ(laptop->value("hibernatemode"), "25");

    const auto server = MemoryInformation::loadHibernate(fixture("memory-server-2tib"));
    ASSERT_TRUE(server.has_value());
    EXPECT_FALSE(server->contains("disk"));
    EXPECT_FALSE(server->contains("hibernatefile"));
    EXPECT_EQ(server->value("hibernatemode"), "0");

    EXPECT_FALSE(MemoryInformation::loadHibernate(fixture("memory-missing")).has_value());
}

TEST(MemoryInformation, hibernationModeText)
{
    const QByteArray uevent = "MAJOR=8\nMINOR=3\nDEVNAME=sda3\nDEVTYPE=partition\n";
    Tree hybrid({{"/sys/power/state", "freeze mem disk\n"},
                 {"/sys/power/disk", "platform shutdown reboot [suspend] test_resume\n"},
                 {"/sys/power/resume", "8:3\n"},
                 {"/sys/dev/block/8:3/uevent", uevent}});
    Tree lockedDown({{"/sys/power/state", "freeze mem\n"},
                     {"/sys/power/disk", "[disabled]\n"},
                     {"/sys/power/resume", "8:3\n"},
                     {"/sys/dev/block/8:3/uevent", uevent}});
    Tree noState({{"/sys/power/disk", "[platform]\n"}});
    const struct {
        const char *what;
        Sysroot root;
        const char *text;
    } cases[] = {
        {"resume device, powers off", fixture("memory-zswap-laptop"), "25 : Suspend to Disk and Memory off"},
        {"resume 0:0", fixture("memory-zram-desktop"), "0 : Suspend to RAM"},
        {"no hibernation in kernel", fixture("memory-server-2tib"), "0 : Suspend to RAM"},
        {"hybrid sleep", hybrid.root(), "3 : Suspend to Disk"},
        {"hibernation disabled", lockedDown.root(), "0 : Suspend to RAM"},
        {"no /sys/power", noState.root(), "-1 : (Unknown Setting)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MemoryInformation::loadloadHibernateMode(c.root), QString::fromLatin1(c.text));
    }
}

TEST(MemoryInformation, resumeDeviceResolution)
{
    Tree tree({{"/sys/dev/block/8:3/uevent", "MAJOR=8\nMINOR=3\nDEVNAME=sda3\nDEVTYPE=partition\n"},
               {"/sys/dev/block/8:5/uevent", "MAJOR=8\nMINOR=5\nDEVNAME=../../etc/passwd\n"}});
    const struct {
        const char *text;
        const char *device;
    } cases[] = {
        {"8:3", "/dev/sda3"},
        {" 8:3\n", "/dev/sda3"},
        {"8:4", "/dev/block/8:4"}, // no uevent: udev's by-number link
        {"8:5", "/dev/block/8:5"}, // a name that leaves /dev is not used
        {"0:0", ""},
        {"", ""},
        {"sda3", ""},
        {"8:", ""},
        {":3", ""},
        {"8:3:1", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MemoryInformation::resolveBlockDevice(tree.root(), QString::fromLatin1(c.text)),
                  QString::fromLatin1(c.device));
    }
}

TEST(MemoryInformation, hibernateFilePathIsTheResumeDevice)
{
    Tree sda({{"/sys/power/resume", "8:3\n"},
              {"/sys/dev/block/8:3/uevent", "MAJOR=8\nMINOR=3\nDEVNAME=sda3\n"}});
    const struct {
        const char *what;
        Sysroot root;
        const char *path;
    } cases[] = {
        {"nvme", fixture("memory-zswap-laptop"), "/dev/nvme0n1p3"},
        {"sda", sda.root(), "/dev/sda3"},
        {"no resume device", fixture("memory-zram-desktop"), ""},
        {"no resume file", fixture("memory-server-2tib"), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        test::ScopedHome home;
        auto store = SettingsStore::open();
        MemoryInformation::loadHibernateFilePath(*store, c.root);
        EXPECT_TRUE(store->contains("VmSleepImagePath"));
        EXPECT_EQ(store->stringForKey("VmSleepImagePath"), QString::fromLatin1(c.path));
    }
}

TEST(MemoryInformation, memorySlotText)
{
    const struct {
        const char *tree;
        const char *text;
    } cases[] = {
        {"memory-zswap-laptop", "3200MT/s DDR4 8GB\n3200MT/s DDR4 8GB"},
        // two empty slots skipped; the second module only has a configured speed
        {"memory-zram-desktop", "1600MT/s DDR3 4GB\n1600MT/s DDR3 4GB"},
        {"memory-server-2tib", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tree);
        EXPECT_EQ(MemoryInformation::collectMemSlot(fixture(c.tree)), QString::fromUtf8(c.text));
    }

    const auto slots = MemoryInformation::loadMemorySlots(fixture("memory-zswap-laptop"));
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[1].index, 1);
    EXPECT_EQ(slots[1].locator, "DIMM B");
    EXPECT_EQ(slots[1].manufacturer, "Micron Technology");
    EXPECT_EQ(slots[1].sizeBytes, 8589934592ull);
}

TEST(MemoryInformation, memorySlotsFromOddUdevData)
{
    Tree tree({{"/run/udev/data/+dmi:id",
                "E:MEMORY_DEVICE_10_SIZE=536870912\n"     // sorted by number, not text
                "E:MEMORY_DEVICE_10_TYPE=DDR2\n"
                "E:MEMORY_DEVICE_2_SIZE=17179869184\n"    // no speed, no type
                "E:MEMORY_DEVICE_3_SIZE=garbage\n"
                "E:MEMORY_DEVICE_3_TYPE=DDR4\n"
                "E:MEMORY_DEVICE_4_SIZE=0\n"
                "E:MEMORY_DEVICE_99999999_SIZE=8589934592\n"
                "E:MEMORY_DEVICE_X_SIZE=8589934592\n"
                "E:MEMORY_DEVICE_5SIZE=8589934592\n"
                "MEMORY_DEVICE_6_SIZE=8589934592\n"       // not an E: line
                "E:MEMORY_DEVICE_7_SIZE=1610612736\n"
                "E:MEMORY_DEVICE_7_SPEED_MTS=Unknown\n"}});
    EXPECT_EQ(MemoryInformation::collectMemSlot(tree.root()), "16GB\n1536MB\nDDR2 512MB");
}
