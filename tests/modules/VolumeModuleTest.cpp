#include "TestEnvironment.h"
#include "collect/FileSystemStats.h"
#include "collect/ModuleSampler.h"
#include "collect/SensorDataJson.h"
#include "collect/VolumeBase.h"
#include "collect/VolumeSampler.h"
#include "platform/Sysroot.h"
#include "settings/ModuleCatalog.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>

using namespace orb;
using namespace std::chrono_literals;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

} // namespace

TEST(VolumeModule, sampleJsonListsTheVolumesAndTheirSum)
{
    const ModuleInfo &row = ModuleCatalog::info(ModuleId::Volume);
    auto step = row.createSampler();
    SensorData data;
    const Sysroot root = fixture("volume-btrfs-desktop");
    step->sample(PassContext{root, 1.0}, data);
    step->sample(PassContext{root, 6.0}, data);
    const QJsonArray history = SensorDataJson::toJson(data).value("Volume").toArray();
    ASSERT_EQ(history.size(), 2);
    const QJsonObject o = history[1].toObject();
    EXPECT_EQ(o.keys(), (QStringList{"/", "/data", "/home", "/home/ben/remote", "/mnt/archive", "/mnt/host", "all"}));
    EXPECT_EQ(o.value("/data").toArray(), (QJsonArray{qint64(2000398934016), qint64(1000199467008), qint64(1000199467008)}));
    EXPECT_EQ(o.value("/mnt/host").toArray(), (QJsonArray{0, 0, 0}));
    EXPECT_EQ(o.value("all").toArray(),
              (QJsonArray{qint64(1000204886016 + 2000398934016 + 8001563222016),
                          qint64(250051223552 + 1000199467008 + 7601485062144),
                          qint64(750153662464 + 1000199467008 + 400078159872)}));
    ASSERT_TRUE(data.volumeBase);
    const auto base = data.volumeBase;
    step->sample(PassContext{root, 11.0}, data);
    EXPECT_EQ(data.volumeBase, base) << "an unchanged mount table keeps the description";
}

TEST(VolumeModule, anEmptyTableGivesAnEmptySampleThatIsStillAppended)
{
    const ModuleInfo &row = ModuleCatalog::info(ModuleId::Volume);
    auto step = row.createSampler();
    SensorData data;
    const Sysroot root = fixture("cpu-2core-a"); // a tree without a mount table
    step->sample(PassContext{root, 1.0}, data);
    const QJsonArray history = SensorDataJson::toJson(data).value("Volume").toArray();
    ASSERT_EQ(history.size(), 1);
    EXPECT_TRUE(history[0].toObject().isEmpty());
}

namespace {

// A network file system whose server is gone: the call never comes back until released.
class DeadServer : public FileSystemStats {
public:
    std::optional<FsStat> stat(const QString &) const override
    {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [&] { return release_; });
        return std::nullopt;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        release_ = true;
        released_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable released_;
    bool release_ = false;
};

} // namespace

TEST(VolumeModule, aStatvfsThatNeverReturnsCostsOnePassTwoSecondsAndNeverTheUserInterface)
{
    auto server = std::make_shared<DeadServer>();
    VolumeBase base;
    VolumeEntry share;
    share.mountPath = "/mnt/nas";
    share.isNetworkVol = true;
    base.volumes.push_back(share);
    VolumeSampler sampler(server); // the real two-second timeout

    // The pass runs on its worker while the user interface keeps its event loop turning.
    const auto pass = [&] {
        return std::async(std::launch::async, [&] {
            const auto start = std::chrono::steady_clock::now();
            const VolumeSample s = sampler.retDiskUsage(base);
            return std::pair{s, std::chrono::steady_clock::now() - start};
        });
    };
    int ticks = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&] { ++ticks; });
    ui.start(20);
    auto first = pass();
    QEventLoop loop;
    while (first.wait_for(0ms) != std::future_status::ready)
        loop.processEvents(QEventLoop::AllEvents, 20);
    const auto [firstSample, firstTook] = first.get();
    EXPECT_GE(firstTook, 2000ms);
    EXPECT_LT(firstTook, 2500ms);
    EXPECT_GE(ticks, 50) << "the event loop kept running while the pass waited";
    EXPECT_EQ(firstSample.volumes.front().second, VolumeUsage{});

    for (int i = 0; i < 3; ++i) {
        auto later = pass();
        const auto [s, took] = later.get();
        EXPECT_LT(took, 100ms) << "the call still out is not waited for again";
        EXPECT_EQ(s.volumes.front().second, VolumeUsage{});
    }
    EXPECT_EQ(sampler.outstandingCalls(), 1u);
    server->release();
}
