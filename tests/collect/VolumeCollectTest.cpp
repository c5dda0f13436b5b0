#include "TestEnvironment.h"
#include "collect/FileSystemStats.h"
#include "collect/MountTable.h"
#include "collect/MountWatcher.h"
#include "collect/VolumeDescriber.h"
#include "collect/VolumeSampler.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace orb;
using namespace std::chrono_literals;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

QStringList mountPaths(const VolumeBase &base)
{
    QStringList out;
    for (const VolumeEntry &v : base.volumes)
        out << v.mountPath;
    return out;
}

} // namespace

TEST(MountTable, decodesTheKernelsOctalEscapes)
{
    const struct {
        const char *raw;
        QString decoded;
    } cases[] = {
        {"/media/anna/My\\040Stick", "/media/anna/My Stick"},
        {"/mnt/tab\\011and\\012line", "/mnt/tab\tand\nline"},
        {"/mnt/back\\134slash", "/mnt/back\\slash"},
        {"/mnt/no\\escape", "/mnt/no\\escape"},     // not three octal digits: kept
        {"/mnt/short\\04", "/mnt/short\\04"},       // cut off at the end
        {"/mnt/nine\\089", "/mnt/nine\\089"},       // 8 and 9 are not octal
        {"/mnt/caf\\303\\251", QString::fromUtf8("/mnt/caf\xc3\xa9")}, // UTF-8 bytes escaped one by one
    };
    for (const auto &c : cases)
        EXPECT_EQ(MountTable::decodeEscapes(c.raw), c.decoded) << c.raw;
}

TEST(MountTable, parsesFieldsAroundTheOptionalOnesAndSkipsGarbledLines)
{
    const char *text = "28 1 259:2 / / rw,relatime shared:1 master:4 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro\n"
                       "garbage\n"
                       "29 1 25x:2 / /x rw - ext4 /dev/sda1 rw\n"       // bad device number
                       "30 1 8:1 / relative rw - ext4 /dev/sda1 rw\n"  // mount point not absolute
                       "31 1 8:1 / /nodash rw shared:1 ext4 /dev/sda1 rw\n"
                       "\n"
                       "121 28 0:61 /sub /mnt/office ro,relatime - cifs //fileserver/Team%20Share rw,vers=3.1.1\n";
    const std::vector<MountEntry> m = MountTable::parse(text);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].mountId, 28);
    EXPECT_EQ(m[0].major, 259u);
    EXPECT_EQ(m[0].minor, 2u);
    EXPECT_EQ(m[0].fsType, "ext4");
    EXPECT_EQ(m[0].source, "/dev/nvme0n1p2");
    EXPECT_FALSE(m[0].readOnly());
    EXPECT_EQ(m[1].root, "/sub");
    EXPECT_EQ(m[1].mountPoint, "/mnt/office");
    EXPECT_EQ(m[1].source, "//fileserver/Team%20Share");
    EXPECT_TRUE(m[1].readOnly()) << "read-only for this mount though the file system is writable";
}

TEST(VolumeDescriber, picksTheVolumesOfEachTree)
{
    const struct {
        const char *tree;
        QStringList paths;
    } cases[] = {
        // /boot/efi, three snaps, a docker overlay, gvfs, a bind mount of /home and the pseudo
        // file systems are left out.
        {"volume-laptop", {"/", "/home", "/media/anna/My Stick", "/mnt/nas", "/mnt/office"}},
        // Two btrfs subvolumes of one disk, /data mounted twice (the later mount wins), a cut
        // line, sshfs, a read-only LVM volume, lxd storage under /var/snap, a 9p share.
        {"volume-btrfs-desktop", {"/", "/home", "/data", "/home/ben/remote", "/mnt/archive", "/mnt/host"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mountPaths(VolumeDescriber::describeTree(fixture(c.tree))), c.paths) << c.tree;
}

TEST(VolumeDescriber, describesLocalAndNetworkVolumes)
{
    const VolumeBase laptop = VolumeDescriber::describeTree(fixture("volume-laptop"));
    const VolumeBase desktop = VolumeDescriber::describeTree(fixture("volume-btrfs-desktop"));
    const struct {
        const VolumeBase *base;
        QString path, name, bsdName, bsdPath, type, drive;
        bool network, removable, writable;
    } cases[] = {
        {&laptop, "/", "System", "nvme0n1p2", "/dev/nvme0n1p2", "ext4", "nvme0n1", false, false, true},
        {&laptop, "/home", "home", "nvme0n1p3", "/dev/nvme0n1p3", "ext4", "nvme0n1", false, false, true},
        {&laptop, "/media/anna/My Stick", "My Stick", "sdb1", "/dev/sdb1", "vfat", "sdb", false, true, true},
        {&laptop, "/mnt/nas", "nas", "nas.local:/export/media", "", "nfs4", "", true, false, true},
        {&laptop, "/mnt/office", "office", "fileserver/Team Share", "", "cifs", "", true, false, false},
        {&desktop, "/mnt/archive", "archive", "mapper/vg0-archive", "/dev/mapper/vg0-archive", "ext4", "", false, false,
         false},
        {&desktop, "/home/ben/remote", "remote", "ben@build.example.org:/srv", "", "fuse.sshfs", "", true, false, true},
        {&desktop, "/mnt/host", "host", "hostshare", "", "9p", "", true, false, true},
    };
    for (const auto &c : cases) {
        const VolumeEntry *v = c.base->find(c.path);
        ASSERT_NE(v, nullptr) << qPrintable(c.path);
        EXPECT_EQ(v->volumeName, c.name) << qPrintable(c.path);
        EXPECT_EQ(v->bsdName, c.bsdName) << qPrintable(c.path);
        EXPECT_EQ(v->bsdPath, c.bsdPath) << qPrintable(c.path);
        EXPECT_EQ(v->fileType, c.type) << qPrintable(c.path);
        EXPECT_EQ(v->driveName, c.drive) << qPrintable(c.path);
        EXPECT_EQ(v->isNetworkVol, c.network) << qPrintable(c.path);
        EXPECT_EQ(v->isRemovable, c.removable) << qPrintable(c.path);
        EXPECT_EQ(v->isWritable, c.writable) << qPrintable(c.path);
        EXPECT_FALSE(v->isUnmountable) << "without udisks2 nothing can be unmounted: " << qPrintable(c.path);
    }
}

TEST(VolumeDescriber, udisksGivesLabelsAndUnmountObjects)
{
    std::vector<UDisksFilesystem> udisks(2);
    udisks[0].objectPath = "/org/freedesktop/UDisks2/block_devices/sdb1";
    udisks[0].device = "/dev/sdb1";
    udisks[0].label = "Holiday <b>&</b> Photos";
    udisks[1].objectPath = "/org/freedesktop/UDisks2/block_devices/nvme0n1p2";
    udisks[1].device = "/dev/nvme0n1p2";
    udisks[1].label = "Fedora";
    const VolumeBase base = VolumeDescriber::describeTree(fixture("volume-laptop"), udisks);
    const VolumeEntry *stick = base.find("/media/anna/My Stick");
    const VolumeEntry *root = base.find("/");
    const VolumeEntry *home = base.find("/home");
    ASSERT_TRUE(stick && root && home);
    EXPECT_EQ(stick->volumeName, "Holiday <b>&</b> Photos") << "labels are kept as plain text";
    EXPECT_TRUE(stick->isUnmountable);
    EXPECT_EQ(stick->udisksPath, udisks[0].objectPath);
    EXPECT_EQ(root->volumeName, "Fedora") << "the root file system is named by its label";
    EXPECT_FALSE(root->isUnmountable) << "the root file system is never offered for unmounting";
    EXPECT_EQ(home->volumeName, "home") << "no udisks2 object: the mount point's last part";
    EXPECT_TRUE(home->udisksPath.isEmpty());
}

TEST(VolumeDescriber, namesFromSourcesAndPartitions)
{
    const struct {
        QString source, name;
    } network[] = {
        {"//fileserver/Team%20Share", "fileserver/Team Share"},
        {"//anna;AUTH=secret@nas/home", "annasecret@nas/home"},
        {"nas.local:/export/media", "nas.local:/export/media"},
        {"%2F%2Fodd", "odd"}, // escapes are decoded first, so escaped slashes go too
    };
    for (const auto &c : network)
        EXPECT_EQ(VolumeDescriber::networkSourceName(c.source), c.name) << qPrintable(c.source);
    const struct {
        QString partition, drive;
    } drives[] = {{"sda2", "sda"},         {"sdaa10", "sdaa"},   {"nvme0n1p3", "nvme0n1"}, {"nvme0n1", "nvme0n1"},
                  {"mmcblk0p1", "mmcblk0"}, {"mmcblk0", "mmcblk0"}, {"vda", "vda"},        {"xvdb1", "xvdb"}};
    for (const auto &c : drives)
        EXPECT_EQ(VolumeDescriber::driveNameOf(c.partition), c.drive) << qPrintable(c.partition);
}

namespace {

// File systems of a test: fixed answers, a failing one, and one that hangs until released.
class FakeStats : public FileSystemStats {
public:
    std::optional<FsStat> stat(const QString &mountPath) const override
    {
        calls.fetch_add(1);
        if (mountPath == hanging) {
            std::unique_lock lock(mutex);
            released.wait(lock, [&] { return release; });
            return FsStat{1000, 100, 77};
        }
        const auto it = answers.find(mountPath);
        if (it == answers.end())
            return std::nullopt;
        return it.value();
    }
    void releaseHang()
    {
        std::lock_guard lock(mutex);
        release = true;
        released.notify_all();
    }
    QMap<QString, FsStat> answers;
    QString hanging;
    mutable std::atomic<int> calls{0};

private:
    mutable std::mutex mutex;
    mutable std::condition_variable released;
    bool release = false;
};

VolumeEntry volume(const QString &path, bool network = false, unsigned minor = 0)
{
    VolumeEntry v;
    v.mountPath = path;
    v.isNetworkVol = network;
    v.devMinor = minor;
    return v;
}

VolumeUsage usageOf(const VolumeSample &s, const QString &path)
{
    for (const auto &[p, u] : s.volumes)
        if (p == path)
            return u;
    ADD_FAILURE() << "no entry for " << qPrintable(path);
    return {};
}

} // namespace

TEST(VolumeSampler, sizesPerVolumeAndEachFileSystemOnceInAll)
{
    auto stats = std::make_shared<FakeStats>();
    stats->answers = {{"/a", {100, 40, 1}},  {"/b", {300, 60, 2}}, {"/empty", {0, 0, 3}},
                      {"/a-again", {100, 40, 1}}, // the same file system id as /a
                      {"/sub1", {500, 100, 0}}, {"/sub2", {500, 100, 0}}}; // no id, one device
    const struct {
        const char *what;
        std::vector<VolumeEntry> volumes;
        std::vector<std::pair<QString, VolumeUsage>> expected;
        VolumeUsage all;
    } cases[] = {
        {"two volumes", {volume("/a"), volume("/b")}, {{"/a", {100, 60, 40}}, {"/b", {300, 240, 60}}}, {400, 300, 100}},
        {"size 0 and an error give zeros outside all",
         {volume("/a"), volume("/empty"), volume("/missing")},
         {{"/a", {100, 60, 40}}, {"/empty", {}}, {"/missing", {}}},
         {100, 60, 40}},
        {"one file system id counted once", {volume("/a"), volume("/a-again")},
         {{"/a", {100, 60, 40}}, {"/a-again", {100, 60, 40}}}, {100, 60, 40}},
        {"one device counted once", {volume("/sub1", false, 7), volume("/sub2", false, 7)},
         {{"/sub1", {500, 400, 100}}, {"/sub2", {500, 400, 100}}}, {500, 400, 100}},
        {"no volumes", {}, {}, {}},
    };
    VolumeSampler sampler(stats);
    for (const auto &c : cases) {
        VolumeBase base;
        base.volumes = c.volumes;
        const VolumeSample s = sampler.retDiskUsage(base);
        EXPECT_EQ(s.volumes, c.expected) << c.what;
        EXPECT_EQ(s.all, c.all) << c.what;
    }
}

TEST(VolumeSampler, availableAboveTotalIsClampedSoUsedNeverGoesNegative)
{
    auto stats = std::make_shared<FakeStats>();
    stats->answers = {{"/odd", {100, 250, 9}}};
    VolumeBase base;
    base.volumes = {volume("/odd")};
    const VolumeSample s = VolumeSampler(stats).retDiskUsage(base);
    EXPECT_EQ(usageOf(s, "/odd"), (VolumeUsage{100, 0, 100}));
}

TEST(VolumeSampler, aHangingNetworkVolumeCostsOnePassItsTimeoutOnceAndIsNotAskedAgainUntilItReturns)
{
    auto stats = std::make_shared<FakeStats>();
    stats->answers = {{"/", {1000, 500, 1}}, {"/mnt/ok", {2000, 1000, 2}}};
    stats->hanging = "/mnt/dead";
    VolumeBase base;
    base.volumes = {volume("/"), volume("/mnt/dead", true, 1), volume("/mnt/ok", true, 2)};
    VolumeSampler sampler(stats, 300ms);

    const auto timed = [&] {
        const auto start = std::chrono::steady_clock::now();
        VolumeSample s = sampler.retDiskUsage(base);
        return std::pair{s, std::chrono::steady_clock::now() - start};
    };
    const auto [first, firstTook] = timed();
    EXPECT_GE(firstTook, 300ms) << "the pass waits for the network volume up to the timeout";
    EXPECT_LT(firstTook, 2000ms);
    EXPECT_EQ(usageOf(first, "/mnt/dead"), VolumeUsage{});
    EXPECT_EQ(usageOf(first, "/mnt/ok"), (VolumeUsage{2000, 1000, 1000})) << "the other share still answers";
    EXPECT_EQ(usageOf(first, "/"), (VolumeUsage{1000, 500, 500}));
    EXPECT_EQ(first.all, (VolumeUsage{3000, 1500, 1500}));
    EXPECT_EQ(sampler.outstandingCalls(), 1u);

    const int callsBefore = stats->calls.load();
    const auto [second, secondTook] = timed();
    EXPECT_LT(secondTook, 250ms) << "a volume whose call is still out is not waited for again";
    EXPECT_EQ(usageOf(second, "/mnt/dead"), VolumeUsage{});
    EXPECT_EQ(stats->calls.load() - callsBefore, 2) << "only / and /mnt/ok were asked";

    stats->releaseHang();
    // The call returns on its own thread; the next pass finds it done and asks afresh.
    for (int i = 0; i < 200 && sampler.outstandingCalls() > 0; ++i) {
        const auto [s, took] = timed();
        (void)s;
        (void)took;
        if (sampler.outstandingCalls() > 0)
            std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(sampler.outstandingCalls(), 0u);
    const VolumeSample after = sampler.retDiskUsage(base);
    EXPECT_EQ(usageOf(after, "/mnt/dead"), (VolumeUsage{1000, 900, 100}));
}

TEST(RecordedStats, readsRecordedAnswersAndSkipsGarbledLines)
{
    const char *text = "# comment\n"
                       "/ 4096 100 25 7\n"
                       "/media/My\\040Stick 512 10 10 0\n"
                       "/broken 4096 x 1 1\n"
                       "/short 4096 1\n"
                       "relative 4096 1 1 1\n"
                       "/huge 4294967296 4294967296 1 1\n";
    const QHash<QString, FsStat> a = RecordedStats::parse(text);
    EXPECT_EQ(a.size(), 3);
    EXPECT_EQ(a.value("/"), (FsStat{409600, 102400, 7}));
    EXPECT_EQ(a.value("/media/My Stick"), (FsStat{5120, 5120, 0}));
    EXPECT_EQ(a.value("/huge").total, std::numeric_limits<int64_t>::max()) << "saturates instead of wrapping";
}

TEST(VolumeSampler, fixtureTreeGivesTheRecordedSizes)
{
    const Sysroot root = fixture("volume-btrfs-desktop");
    const VolumeBase base = VolumeDescriber::describeTree(root);
    const VolumeSample s = VolumeSampler(FileSystemStats::forTree(root)).retDiskUsage(base);
    EXPECT_EQ(usageOf(s, "/"), (VolumeUsage{1000204886016, 250051223552, 750153662464}));
    EXPECT_EQ(usageOf(s, "/home"), (VolumeUsage{1000204886016, 250051223552, 750153662464}));
    EXPECT_EQ(usageOf(s, "/home/ben/remote"), VolumeUsage{}) << "a size of 0";
    EXPECT_EQ(usageOf(s, "/mnt/host"), VolumeUsage{}) << "a garbled record";
    // /home is a subvolume of the root's btrfs: counted once.
    EXPECT_EQ(s.all, (VolumeUsage{1000204886016 + 2000398934016 + 8001563222016,
                                  250051223552 + 1000199467008 + 7601485062144,
                                  750153662464 + 1000199467008 + 400078159872}));
}

TEST(MountWatcher, seesAChangedMountTableAndRebuildRequests)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("proc/self"));
    const QString table = dir.path() + "/proc/self/mountinfo";
    const auto write = [&](const QByteArray &text) {
        QFile f(table + ".new");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        QFile::remove(table);
        ASSERT_TRUE(QFile::rename(table + ".new", table));
    };
    write("28 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n");
    const Sysroot root(dir.path().toStdString());
    MountWatcher watcher;
    EXPECT_TRUE(watcher.changed(root)) << "the first look describes the volumes";
    EXPECT_FALSE(watcher.changed(root));
    write("28 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n110 28 8:17 / /media/x rw - vfat /dev/sdb1 rw\n");
    EXPECT_TRUE(watcher.changed(root)) << "a mount";
    EXPECT_FALSE(watcher.changed(root));
    EXPECT_EQ(mountPaths(VolumeDescriber::describeTree(root)), (QStringList{"/", "/media/x"}));
    MountWatcher::requestRebuild();
    EXPECT_TRUE(watcher.changed(root)) << "a rename asks for the volumes again";
    EXPECT_FALSE(watcher.changed(root));
    QFile::remove(table);
    EXPECT_TRUE(watcher.changed(root)) << "the table went away";
    EXPECT_TRUE(VolumeDescriber::describeTree(root).volumes.empty());
}
