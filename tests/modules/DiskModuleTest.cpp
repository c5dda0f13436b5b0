#include "TestEnvironment.h"
#include "collect/DiskBase.h"
#include "collect/ModuleSampler.h"
#include "collect/SensorDataJson.h"
#include "platform/Sysroot.h"
#include "settings/ModuleCatalog.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// Runs the disk row's sampler over trees, one pass each at the given monotonic times.
SensorData passes(std::initializer_list<std::pair<const char *, double>> trees)
{
    const ModuleInfo &row = ModuleCatalog::info(ModuleId::Disk);
    auto step = row.createSampler();
    SensorData data;
    for (const auto &[tree, now] : trees) {
        const Sysroot root = fixture(tree);
        step->sample(PassContext{root, now}, data);
    }
    return data;
}

} // namespace

TEST(DiskModule, sampleJsonHoldsTheWholeDisksAndTheSecondsPassed)
{
    const SensorData data = passes({{"disk-desktop-sata-a", 40.0}, {"disk-desktop-sata-b", 42.01}});
    const QJsonArray history = SensorDataJson::toJson(data).value("Disk").toArray();
    ASSERT_EQ(history.size(), 2);
    const QJsonObject second = history[1].toObject();
    EXPECT_EQ(second.keys(), (QStringList{"/dev/sda", "/dev/sdb", "/dev/sdc", "int"}));
    EXPECT_EQ(second.value("/dev/sda").toArray(), (QJsonArray{qint64(1204900) * 512, qint64(880000) * 512}));
    EXPECT_EQ(second.value("/dev/sdc").toArray(), (QJsonArray{qint64(460000) * 512, qint64(124000) * 512}));
    EXPECT_EQ(second.value("int").toDouble(), 2.0);
    EXPECT_EQ(history[0].toObject().value("int").toDouble(), 1.0);
}

TEST(DiskModule, baseIsReplacedOnlyWhenTheDisksChange)
{
    const ModuleInfo &row = ModuleCatalog::info(ModuleId::Disk);
    auto step = row.createSampler();
    SensorData data;
    const auto pass = [&](const char *tree) {
        const Sysroot root = fixture(tree);
        step->sample(PassContext{root, 0.0}, data);
        return data.diskBase;
    };
    const auto first = pass("disk-desktop-sata-a");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->drives.size(), 3u);
    EXPECT_EQ(pass("disk-desktop-sata-a"), first) << "same disks: the readers keep the same description";
    const auto gone = pass("disk-desktop-sata-gone");
    ASSERT_NE(gone, first);
    EXPECT_EQ(gone->drives.size(), 2u);
    EXPECT_EQ(first->drives.size(), 3u) << "a reader holding the old base still sees it whole";
    EXPECT_NE(pass("disk-laptop-nvme-a"), gone) << "another tree is described anew";
    EXPECT_EQ(data.diskBase->drives.at(0).name, "nvme0n1");
    EXPECT_EQ(data.disk->size(), 4u);
}

TEST(DiskModule, unreadableTreeLeavesTheHistoryAlone)
{
    SensorData data = passes({{"disk-laptop-nvme-a", 1.0}, {"cpu-2core-a", 2.0}});
    ASSERT_TRUE(data.disk);
    EXPECT_EQ(data.disk->size(), 1u) << "a tree without diskstats adds nothing";
}
