#include "collect/NetworkSampler.h"

#include "TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot tree(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// A writable copy of a fixture tree, to change between passes.
void copyTree(const char *name, const QTemporaryDir &dir)
{
    ASSERT_TRUE(dir.isValid());
    namespace fs = std::filesystem;
    fs::copy(test::fixturePath(QString::fromLatin1(name)).toStdString(), dir.path().toStdString(),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

struct Expected {
    int64_t up, down, signal, noise;
};

void expectSample(const std::optional<NetworkSample> &s, const Expected &e)
{
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->up, e.up);
    EXPECT_EQ(s->down, e.down);
    EXPECT_EQ(s->signal, e.signal);
    EXPECT_EQ(s->noise, e.noise);
}

// Totals worked out by hand from the counters written by make-network-fixtures.py; only
// eth0 and wlan0 are backed by a device in the laptop trees.
struct SequenceCase {
    const char *what;
    std::vector<const char *> trees;
    std::vector<Expected> expected;
};

const SequenceCase kSequences[] = {
    {"two passes: lo, docker0, the veth pair and wg0 are left out",
     {"net-laptop-a", "net-laptop-b"},
     {{1'000'000 + 2'000'000, 50'000'000 + 80'000'000, 50, 1},
      {3'000'000 + 1'500 + 2'500, 130'000'000 + 30'000 + 40'000, 75, 1}}},
    {"eth0's counters reset: that sample adds nothing for eth0, later ones count from the new base",
     {"net-laptop-a", "net-laptop-reset", "net-laptop-b"},
     {{3'000'000, 130'000'000, 50, 1},
      {3'000'000 + 1'000, 130'000'000 + 2'000, 50, 1},
      {3'001'000 + (1'001'500 - 1'200) + (2'002'500 - 2'001'000),
       130'002'000 + (50'030'000 - 9'000) + (80'040'000 - 80'002'000), 75, 1}}},
    {"wlan0 vanishes (totals keep its bytes, no Wi-Fi), then returns as a new interface",
     {"net-laptop-a", "net-laptop-vanished", "net-laptop-back"},
     {{3'000'000, 130'000'000, 50, 1},
      {3'000'000 + 100, 130'000'000 + 200, 0, 0},
      // −70 dBm gives quality 33, a noise of −90 dBm gives 0.
      {3'000'100 + 200 + 5'000, 130'000'200 + 500 + 7'000, 33, 0}}},
    {"garbled rx_bytes and Wi-Fi line: baselines kept, the next good read catches up",
     {"net-laptop-a", "net-garbled", "net-laptop-b"},
     {{3'000'000, 130'000'000, 50, 1},
      {3'000'000 + 700 + 900, 130'000'000 + 900, 1, 1},
      {3'004'000, 130'070'000, 75, 1}}},
    {"an unreadable tree gives no sample and keeps the baselines",
     {"net-laptop-a", "no-such-tree", "net-laptop-b"},
     {{3'000'000, 130'000'000, 50, 1}, {-1, -1, -1, -1}, {3'004'000, 130'070'000, 75, 1}}},
    {"two Wi-Fi adapters: signal (50 + 75) / 2, noise (10 + 1) / 2",
     {"net-two-wifi"},
     {{10 + 30, 20 + 40, 62, 5}}},
    {"only loopback: nothing counted, no Wi-Fi",
     {"net-only-lo"},
     {{0, 0, 0, 0}}},
};

} // namespace

TEST(NetworkSampler, TotalsFollowTheCountedInterfaces)
{
    for (const SequenceCase &c : kSequences) {
        SCOPED_TRACE(c.what);
        NetworkSampler sampler;
        for (size_t i = 0; i < c.trees.size(); ++i) {
            SCOPED_TRACE(c.trees[i]);
            const auto s = sampler.loadNetworkData(tree(c.trees[i]), double(i));
            if (c.expected[i].up < 0)
                EXPECT_FALSE(s.has_value());
            else
                expectSample(s, c.expected[i]);
        }
    }
}

TEST(NetworkSampler, IntervalIsWholeSecondsSinceThePreviousSample)
{
    struct Step {
        double now;
        double interval;
    };
    const Step steps[] = {
        {100.0, 1.0}, // first sample: nothing before it
        {100.4, 1.0}, // less than a second: at least one
        {103.7, 3.0}, // 3.3 s floored
        {109.7, 6.0}, // a dropped tick or a long interval
        {105.0, 1.0}, // a clock going back never gives 0 or less
    };
    NetworkSampler sampler;
    for (const Step &st : steps) {
        const auto s = sampler.loadNetworkData(tree("net-laptop-a"), st.now);
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->interval, st.interval) << "at " << st.now;
    }
}

TEST(NetworkSampler, QualityFormula)
{
    const std::pair<int64_t, int64_t> cases[] = {
        {-60, 50}, {-95, 1}, {-20, 1}, {0, 1}, {-90, 0}, {-30, 100}, {-31, 98}, {-45, 75}, {-84, 10}, {-256, 1},
    };
    for (auto [dBm, q] : cases)
        EXPECT_EQ(NetworkSampler::quality(dBm), q) << dBm << " dBm";
}

TEST(NetworkSampler, WirelessLines)
{
    struct Case {
        const char *line;
        bool ok;
        const char *name;
        int level, noise;
    };
    const Case cases[] = {
        {" wlan0: 0000   50.  -60.  -256        0      0      0      0     12        0", true, "wlan0", -60, 0},
        {"wlp3s0: 0000   70.  -40.  -95.        0      0      0      0      0        0", true, "wlp3s0", -40, -95},
        {" wlan0: 0000    0   -256  -256        0      0      0      0      0        0", true, "wlan0", 0, 0},
        {" wlan0: 0000   5x", false, "", 0, 0},
        {" wlan0: 0000   50.  abc.  -256", false, "", 0, 0},
        {"Inter-| sta-|   Quality        |", false, "", 0, 0},
        {"no colon at all", false, "", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        std::string_view name;
        int level = 0, noise = 0;
        ASSERT_EQ(NetworkSampler::parseWirelessLine(c.line, name, level, noise), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(noise, c.noise);
    }
}

TEST(NetworkSampler, StatusCheckComparesNamesAndLinkStates)
{
    NetworkSampler sampler;
    const std::pair<const char *, bool> steps[] = {
        {"net-laptop-a", false},        // first call
        {"net-laptop-a", true},         // nothing changed
        {"net-laptop-b", true},         // only counters changed
        {"net-laptop-vanished", false}, // wlan0 gone
        {"net-laptop-vanished", true},
        {"net-laptop-back", false},     // wlan0 back
    };
    for (auto [t, unchanged] : steps) {
        ASSERT_TRUE(sampler.loadNetworkData(tree(t), 0).has_value());
        EXPECT_EQ(sampler.checkInterfaceStatusChange(), unchanged) << t;
    }
    sampler.clearInterfaceStatusChange();
    ASSERT_TRUE(sampler.loadNetworkData(tree("net-laptop-back"), 0).has_value());
    EXPECT_FALSE(sampler.checkInterfaceStatusChange()) << "after clear";
}

TEST(NetworkSampler, OpenFilesAreReadAgainInPlace)
{
    // A writable copy whose files change between passes the way sysfs attributes do.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    namespace fs = std::filesystem;
    fs::copy(test::fixturePath("net-laptop-a").toStdString(), dir.path().toStdString(),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const Sysroot root(dir.path().toStdString());
    const auto rewrite = [&](const char *file, const char *value) {
        QFile f(dir.path() + QLatin1String(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(value);
    };
    NetworkSampler sampler;
    expectSample(sampler.loadNetworkData(root, 0), {3'000'000, 130'000'000, 50, 1});
    EXPECT_FALSE(sampler.checkInterfaceStatusChange());
    rewrite("/sys/devices/pci0000:00/0000:00:1f.6/net/eth0/statistics/tx_bytes", "1000064\n");
    rewrite("/sys/devices/virtual/net/lo/statistics/tx_bytes", "99999999\n");
    rewrite("/proc/net/wireless",
            "Inter-| sta-|   Quality        |\n face | tus | link level noise |\n"
            " wlan0: 0000   40.  -66.  -256        0      0      0      0      0        0\n");
    expectSample(sampler.loadNetworkData(root, 1), {3'000'064, 130'000'000, 40, 1});
    EXPECT_TRUE(sampler.checkInterfaceStatusChange()) << "only counters and levels changed";
    // Tunnels count by name only; a hardware link going down is a change.
    rewrite("/sys/devices/virtual/net/wg0/operstate", "down\n");
    ASSERT_TRUE(sampler.loadNetworkData(root, 2).has_value());
    EXPECT_TRUE(sampler.checkInterfaceStatusChange()) << "wg0 went down";
    rewrite("/sys/devices/pci0000:00/0000:00:1f.6/net/eth0/operstate", "down\n");
    ASSERT_TRUE(sampler.loadNetworkData(root, 3).has_value());
    EXPECT_FALSE(sampler.checkInterfaceStatusChange()) << "eth0 went down";
}

TEST(NetworkSampler, InterfacesThatComeAndGoAreFoundWithinTheListingPeriod)
{
    QTemporaryDir dir;
    copyTree("net-laptop-a", dir);
    namespace fs = std::filesystem;
    const std::string base = dir.path().toStdString();
    const Sysroot root(base);
    NetworkSampler sampler;
    double now = 0.0;
    // Passes one second apart until the sample matches, at most one listing period.
    const auto passesUntil = [&](const Expected &e) {
        for (int pass = 0; pass <= int(NetworkSampler::kListSeconds); ++pass) {
            const auto s = sampler.loadNetworkData(root, now);
            now += 1.0;
            if (s && s->up == e.up && s->down == e.down && s->signal == e.signal && s->noise == e.noise)
                return pass;
        }
        return -1;
    };
    ASSERT_EQ(passesUntil({3'000'000, 130'000'000, 50, 1}), 0);
    EXPECT_FALSE(sampler.checkInterfaceStatusChange());

    // A USB Ethernet adapter is plugged in: its counters join the totals.
    const std::string usb = base + "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0";
    fs::create_directories(usb + "/net/eth1/statistics");
    test::writeFile(QString::fromStdString(usb + "/net/eth1/statistics/tx_bytes"), "500\n");
    test::writeFile(QString::fromStdString(usb + "/net/eth1/statistics/rx_bytes"), "700\n");
    test::writeFile(QString::fromStdString(usb + "/net/eth1/operstate"), "up\n");
    fs::create_directory_symlink("../../../2-1:1.0", usb + "/net/eth1/device");
    fs::create_directory_symlink("../../devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/net/eth1",
                                 base + "/sys/class/net/eth1");
    EXPECT_GE(passesUntil({3'000'500, 130'000'700, 50, 1}), 0);
    EXPECT_FALSE(sampler.checkInterfaceStatusChange()) << "eth1 is new";
    EXPECT_TRUE(sampler.checkInterfaceStatusChange());

    // The Wi-Fi adapter is taken out: its bytes stay counted, no Wi-Fi reading is left.
    fs::remove(base + "/sys/class/net/wlan0");
    fs::remove_all(base + "/sys/devices/pci0000:00/0000:00:14.3/net/wlan0");
    EXPECT_GE(passesUntil({3'000'500, 130'000'700, 0, 0}), 0);
    EXPECT_TRUE(sampler.wifiLevels().empty());
    EXPECT_FALSE(sampler.checkInterfaceStatusChange()) << "wlan0 is gone";
}
