#include "collect/GpuSampler.h"
#include "collect/SensorDataJson.h"

#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// The sample's own keys of an entry, as the JSON output shows them.
struct Figures {
    const char *id;
    QString name;
    const char *mem;
    const char *per;
    int64_t total, used, free;
};

void expectEntries(const GpuSample &sample, const std::vector<Figures> &expected)
{
    ASSERT_EQ(sample.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const GpuEntry &e = sample[i];
        const Figures &f = expected[i];
        EXPECT_EQ(e.id, QLatin1String(f.id));
        EXPECT_EQ(e.name, f.name);
        EXPECT_EQ(e.mem, QLatin1String(f.mem));
        EXPECT_EQ(e.per, QLatin1String(f.per));
        EXPECT_EQ(e.total, f.total);
        EXPECT_EQ(e.used, f.used);
        EXPECT_EQ(e.free, f.free);
    }
}

constexpr int64_t GiB = int64_t(1) << 30;

// A private tree holding display devices written by the test.
struct Tree {
    QTemporaryDir dir;
    void device(const QString &address, const QByteArray &driver, const QMap<QString, QByteArray> &files = {})
    {
        const QString base = dir.path() + "/sys/bus/pci/devices/" + address;
        test::writeFile(base + "/class", "0x030000\n");
        test::writeFile(base + "/uevent", "DRIVER=" + driver + "\nPCI_ID=1002:73FF\nPCI_SLOT_NAME=" + address.toLatin1() + "\n");
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            test::writeFile(base + "/" + it.key(), it.value());
    }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

} // namespace

TEST(GpuSampler, EachFixtureGivesItsDisplayDevicesInAddressOrder)
{
    struct Case {
        const char *tree;
        std::vector<Figures> entries;
    };
    const std::vector<Case> cases{
        {"gpu-intel-laptop", {{"_1", "TigerLake-LP GT2 [Iris Xe Graphics]", "--", "--", -1, -1, -1}}},
        // Intel first (00:02.0), the AMD card (03:00.0, class 0x0380) second: 3 GiB of 4 in use.
        {"gpu-hybrid-laptop",
         {{"_1", "CometLake-H GT2 [UHD Graphics]", "--", "--", -1, -1, -1},
          {"_2", "Navi 24 [Radeon RX 6400/6500 XT/6500M]", "4096MB", "75%", 4 * GiB, 3 * GiB, 1 * GiB}}},
        // A captured tree never reaches the machine's own NVIDIA library.
        {"gpu-nvidia-desktop", {{"_1", "GA104 [GeForce RTX 3070]", "--", "--", -1, -1, -1}}},
        {"gpu-virtio-vm", {{"_1", "Virtio 1.0 GPU", "--", "--", -1, -1, -1}}},
        {"gpu-none", {}},
        {"gpu-amd-odd",
         {// size "17163091968 bytes" is no number: nothing known
          {"_1", "Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]", "--", "--", -1, -1, -1},
          // empty model name; size without a use figure
          {"_2", "Unknown Device", "32752MB", "--", -1, -1, -1},
          // tab, escape and NUL dropped from the name; more in use than there is: none free
          {"_3", "RadeonPro <b>W6800</b> & [31mXY", "12272MB", "100%", 99999999999999, 99999999999999, 0},
          // no hardware database entry; a negative use figure is garbled
          {"_4", "Unknown Device", "8176MB", "--", -1, -1, -1}}},
        {"no-such-tree", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tree);
        GpuSampler sampler;
        expectEntries(sampler.loadPciGpuData(fixture(c.tree)), c.entries);
    }
}

TEST(GpuSampler, DevicesCarryVendorDriverAndAddressForTheMenu)
{
    struct Case {
        const char *tree;
        std::size_t index;
        const char *vendor, *driver, *address;
    };
    const Case cases[] = {
        {"gpu-hybrid-laptop", 1, "Advanced Micro Devices, Inc. [AMD/ATI]", "amdgpu", "0000:03:00.0"},
        {"gpu-nvidia-desktop", 0, "NVIDIA Corporation", "nvidia", "0000:01:00.0"},
        {"gpu-virtio-vm", 0, "Red Hat, Inc.", "virtio-pci", "0000:00:01.0"},
        // without a hardware database entry the vendor comes from the PCI id
        {"gpu-amd-odd", 3, "AMD", "amdgpu", "0000:0d:00.0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tree);
        const GpuSample s = GpuSampler().loadPciGpuData(fixture(c.tree));
        ASSERT_GT(s.size(), c.index);
        EXPECT_EQ(s[c.index].vendor, QLatin1String(c.vendor));
        EXPECT_EQ(s[c.index].driver, QLatin1String(c.driver));
        EXPECT_EQ(s[c.index].address, QLatin1String(c.address));
    }
}

TEST(GpuSampler, ProbeCountsDisplayClassDevices)
{
    const std::pair<const char *, int> cases[] = {
        {"gpu-intel-laptop", 1}, {"gpu-hybrid-laptop", 2}, {"gpu-nvidia-desktop", 1}, {"gpu-virtio-vm", 1},
        {"gpu-none", 0},         {"gpu-amd-odd", 4},       {"no-such-tree", 0},
    };
    for (const auto &[tree, count] : cases)
        EXPECT_EQ(GpuSampler::countDisplayDevices(fixture(tree)), count) << tree;
}

TEST(GpuSampler, MemoryUseArithmetic)
{
    constexpr int64_t max = std::numeric_limits<int64_t>::max();
    struct Case {
        int64_t used, free;
        const char *per;
        int64_t total;
    };
    const Case cases[] = {
        {3 * GiB, 1 * GiB, "75%", 4 * GiB},
        {10, 100000, "--", 100010}, // below one percent
        {1, 99, "1%", 100},
        {99, 1, "99%", 100},
        {100, 0, "100%", 100},
        {0, 0, "--", 0},
        {-1, 0, "--", -1}, // used unreported, free 0
        {5, -1, "--", -1},
        {-1, -1, "--", -1},
        {max, max, "50%", max}, // the sum saturates instead of wrapping
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.used) + " used, " + std::to_string(c.free) + " free");
        GpuEntry e;
        e.per = "stale";
        GpuSampler::setMemoryUse(e, c.used, c.free);
        EXPECT_EQ(e.per, QLatin1String(c.per));
        EXPECT_EQ(e.total, c.total);
        EXPECT_EQ(e.used, c.used);
        EXPECT_EQ(e.free, c.free);
    }
}

TEST(GpuSampler, AmdgpuFilesToFigures)
{
    struct Case {
        QByteArray total, used; // file contents; "<none>" leaves the file out
        const char *mem, *per;
        int64_t t, u, f;
    };
    const Case cases[] = {
        {"100010\n", "10\n", "0MB", "--", 100010, 10, 100000}, // 10 bytes of 100,010: under 1 %
        {"4294967296\n", "0\n", "4096MB", "--", 4 * GiB, 0, 4 * GiB},
        {"1073741824\n", "1073741824\n", "1024MB", "100%", GiB, GiB, 0},
        {" 2097152 \n", "1048576", "2MB", "50%", 2097152, 1048576, 1048576}, // blanks, no line end
        {"0\n", "0\n", "0MB", "--", 0, 0, 0},
        {"", "", "--", "--", -1, -1, -1},
        {"4294967296\n", "<none>", "4096MB", "--", -1, -1, -1},
        {"0x1000\n", "16\n", "--", "--", -1, -1, -1},
        {"99999999999999999999999\n", "1\n", "--", "--", -1, -1, -1}, // beyond 64 bits
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.total.toStdString() + " / " + c.used.toStdString());
        Tree tree;
        QMap<QString, QByteArray> files{{"mem_info_vram_total", c.total}};
        if (c.used != "<none>")
            files.insert("mem_info_vram_used", c.used);
        tree.device("0000:03:00.0", "amdgpu", files);
        GpuSampler sampler;
        expectEntries(sampler.loadPciGpuData(tree.root()), {{"_1", "Unknown Device", c.mem, c.per, c.t, c.u, c.f}});
    }
}

TEST(GpuSampler, UseIsReReadEachCallAndDevicesFoundAgainLater)
{
    Tree tree;
    tree.device("0000:03:00.0", "amdgpu", {{"mem_info_vram_total", "1048576000\n"}, {"mem_info_vram_used", "0\n"}});
    GpuSampler sampler;
    const Sysroot root = tree.root();
    EXPECT_EQ(sampler.loadPciGpuData(root).at(0).per, "--");
    test::writeFile(tree.dir.path() + "/sys/bus/pci/devices/0000:03:00.0/mem_info_vram_used", "524288000\n");
    EXPECT_EQ(sampler.loadPciGpuData(root).at(0).per, "50%");

    // A card that appears later (an external GPU, a driver bound late) is found by a later look.
    tree.device("0000:07:00.0", "amdgpu", {{"mem_info_vram_total", "2097152\n"}, {"mem_info_vram_used", "1048576\n"}});
    std::size_t calls = 0;
    while (sampler.loadPciGpuData(root).size() == 1 && calls < 2 * GpuSampler::kRediscoverEvery)
        ++calls;
    EXPECT_LT(calls, std::size_t(GpuSampler::kRediscoverEvery));
    const GpuSample both = sampler.loadPciGpuData(root);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1].id, "_2");
    EXPECT_EQ(both[1].per, "50%");
}

TEST(GpuSampler, FollowsTheSysrootOfEachCall)
{
    GpuSampler sampler;
    EXPECT_EQ(sampler.loadPciGpuData(fixture("gpu-hybrid-laptop")).size(), 2u);
    EXPECT_EQ(sampler.loadPciGpuData(fixture("gpu-virtio-vm")).at(0).name, "Virtio 1.0 GPU");
    EXPECT_TRUE(sampler.loadPciGpuData(fixture("gpu-none")).empty());
    EXPECT_EQ(sampler.loadPciGpuData(fixture("gpu-hybrid-laptop")).at(1).per, "75%");
}

TEST(GpuSampler, DeviceNamesAreCleaned)
{
    const std::pair<std::string, QString> cases[] = {
        {"GA104 [GeForce RTX 3070]", "GA104 [GeForce RTX 3070]"},
        {"", "Unknown Device"},
        {"\t\r\n", "Unknown Device"},
        {"  ", "Unknown Device"},
        {std::string("Navi\0 21", 8), "Navi 21"},
        {"A\x1b[2JB\x7f", "A[2JB"},
        {"Radeon\xe2\x84\xa2 780M", QString::fromUtf8("Radeon\xe2\x84\xa2 780M")},
        {"<b>&amp;</b>", "<b>&amp;</b>"}, // shown as plain text, so kept as it is
    };
    for (const auto &[raw, expected] : cases)
        EXPECT_EQ(GpuSampler::deviceName(raw), expected) << raw;
}

TEST(GpuSampler, JsonHasTheSevenKeysPerEntry)
{
    SensorData data;
    GpuEntry amd{"_1", "Navi 24", "4096MB", "75%", 4 * GiB, 3 * GiB, 1 * GiB, "0000:03:00.0", "AMD", "amdgpu"};
    GpuEntry intel{"_2", "UHD", "--", "--", -1, -1, -1, "0000:00:02.0", "Intel", "i915"};
    data.gpu = History<GpuSample>().appended({amd, intel}).appended({amd});
    const QJsonArray gpu = SensorDataJson::toJson(data).value("GPU").toArray();
    ASSERT_EQ(gpu.size(), 2);
    EXPECT_EQ(gpu[0].toArray().size(), 2);
    EXPECT_EQ(gpu[1].toArray().size(), 1);
    const QJsonObject first = gpu[0].toArray()[0].toObject();
    EXPECT_EQ(first, (QJsonObject{{"GpuKeyId", "_1"},
                                  {"GpuKeyName", "Navi 24"},
                                  {"GpuKeyMem", "4096MB"},
                                  {"GpuKeyPer", "75%"},
                                  {"GpuKeyTotal", qint64(4294967296)},
                                  {"GpuKeyUsed", qint64(3221225472)},
                                  {"GpuKeyFree", qint64(1073741824)}}));
    EXPECT_EQ(gpu[0].toArray()[1].toObject().value("GpuKeyUsed").toInteger(), -1);
    EXPECT_FALSE(SensorDataJson::toJson(SensorData{}).contains("GPU"));
}

// The NVIDIA figures, answered by the stand-in library through the same dlopen path.
class GpuSamplerNvml : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle = ::dlopen(ORB_FAKE_NVML, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        reset = reinterpret_cast<void (*)()>(::dlsym(handle, "fakeNvmlReset"));
        setResults = reinterpret_cast<void (*)(int, int)>(::dlsym(handle, "fakeNvmlSetResults"));
        addDevice = reinterpret_cast<void (*)(const char *, unsigned long long, unsigned long long,
                                              unsigned long long)>(::dlsym(handle, "fakeNvmlAddDevice"));
        countsFn = reinterpret_cast<void (*)(int *)>(::dlsym(handle, "fakeNvmlCounts"));
        ASSERT_TRUE(reset && setResults && addDevice && countsFn);
        reset();
    }
    void TearDown() override
    {
        if (handle)
            ::dlclose(handle);
    }
    struct Counts {
        int inits, shutdowns, lookups, queries;
        bool operator==(const Counts &) const = default;
    };
    Counts counts() const
    {
        int c[4];
        countsFn(c);
        return {c[0], c[1], c[2], c[3]};
    }
    static GpuSampler::Options fake() { return {ORB_FAKE_NVML}; }

    void *handle = nullptr;
    void (*reset)() = nullptr;
    void (*setResults)(int, int) = nullptr;
    void (*addDevice)(const char *, unsigned long long, unsigned long long, unsigned long long) = nullptr;
    void (*countsFn)(int *) = nullptr;
};

TEST_F(GpuSamplerNvml, AnswersByBusIdStartsOnceAndShutsDown)
{
    addDevice("0000:01:00.0", 8 * GiB, 2 * GiB, 6 * GiB);
    {
        GpuSampler sampler(fake());
        const Figures rtx{"_1", "GA104 [GeForce RTX 3070]", "8192MB", "25%", 8 * GiB, 2 * GiB, 6 * GiB};
        expectEntries(sampler.loadPciGpuData(fixture("gpu-nvidia-desktop")), {rtx});
        expectEntries(sampler.loadPciGpuData(fixture("gpu-nvidia-desktop")), {rtx});
        // Started once, the device looked up once, asked every sample.
        EXPECT_EQ(counts(), (Counts{1, 0, 1, 2}));
    }
    EXPECT_EQ(counts().shutdowns, 1);
}

TEST_F(GpuSamplerNvml, FailuresLeaveTheFiguresUnknown)
{
    const Figures unknown{"_1", "GA104 [GeForce RTX 3070]", "--", "--", -1, -1, -1};
    struct Case {
        const char *name;
        int initResult, memoryResult;
        bool known; // the card is in the library's table
        Counts after3; // after three samples
    };
    const Case cases[] = {
        {"library does not start", 9, 0, true, {1, 0, 0, 0}}, // tried once, not every pass
        {"memory query fails", 0, 15, true, {1, 0, 1, 3}},
        {"card unknown to the library", 0, 0, false, {1, 0, 1, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        setResults(c.initResult, c.memoryResult);
        if (c.known)
            addDevice("0000:01:00.0", 8 * GiB, 2 * GiB, 6 * GiB);
        GpuSampler sampler(fake());
        for (int i = 0; i < 3; ++i)
            expectEntries(sampler.loadPciGpuData(fixture("gpu-nvidia-desktop")), {unknown});
        EXPECT_EQ(counts(), c.after3);
    }
}

TEST_F(GpuSamplerNvml, MissingLibraryLeavesTheFiguresUnknown)
{
    GpuSampler sampler({"/nonexistent/libnvidia-ml.so.1"});
    expectEntries(sampler.loadPciGpuData(fixture("gpu-nvidia-desktop")),
                  {{"_1", "GA104 [GeForce RTX 3070]", "--", "--", -1, -1, -1}});
}

TEST_F(GpuSamplerNvml, SleepingCardIsNotWoken)
{
    addDevice("0000:01:00.0", 8 * GiB, 2 * GiB, 6 * GiB);
    Tree tree;
    tree.device("0000:01:00.0", "nvidia", {{"power/runtime_status", "suspended\n"}});
    const QString status = tree.dir.path() + "/sys/bus/pci/devices/0000:01:00.0/power/runtime_status";
    GpuSampler sampler(fake());
    expectEntries(sampler.loadPciGpuData(tree.root()), {{"_1", "Unknown Device", "--", "--", -1, -1, -1}});
    EXPECT_EQ(counts(), (Counts{0, 0, 0, 0})) << "the library is not even started for a sleeping card";

    test::writeFile(status, "active\n");
    expectEntries(sampler.loadPciGpuData(tree.root()),
                  {{"_1", "Unknown Device", "8192MB", "25%", 8 * GiB, 2 * GiB, 6 * GiB}});
    // Asleep again: use unknown, the size it reported stays.
    test::writeFile(status, "suspended\n");
    expectEntries(sampler.loadPciGpuData(tree.root()), {{"_1", "Unknown Device", "8192MB", "--", -1, -1, -1}});
    EXPECT_EQ(counts().queries, 1);
}
