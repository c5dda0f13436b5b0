#include "TestEnvironment.h"
#include "collect/sensors/SensorProbe.h"
#include "collect/sensors/SensorTableProvider.h"
#include "platform/Sysroot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

struct Entry {
    const char *label;
    const char *path; // under the tree
};

struct ProbeCase {
    const char *tree;
    SensorSource tempSource;
    SensorSource fanSource;
    std::vector<Entry> temps;
    std::vector<Entry> fans;
    const char *battery; // path under the tree, or null
};

#define SMC "sys/devices/platform/applesmc.768/"
#define HW "sys/class/hwmon/"

const ProbeCase kCases[] = {
    // Keys sorted by label; "CPU Core 1" comes from TC0C because TC0c reads 0; TB2T reads 0
    // and TaLC is no known key; the coretemp chip beside the SMC is not used.
    {"sensors-macbookpro", SensorSource::AppleSmc, SensorSource::AppleSmc,
     {{"Airflow 1", SMC "temp1_input"}, {"Airport Proximity", SMC "temp13_input"},
      {"CPU 1 Package", SMC "temp8_input"}, {"CPU 1 Proximity", SMC "temp9_input"},
      {"CPU Core 1", SMC "temp6_input"}, {"CPU Core 2", SMC "temp7_input"},
      {"Enclosure Base1", SMC "temp2_input"}, {"Enclosure Base2", SMC "temp3_input"},
      {"GPU Diode", SMC "temp10_input"}, {"Misc Proximity", SMC "temp12_input"},
      {"Optical Drive Proximity", SMC "temp11_input"}, {"Palm Rest", SMC "temp15_input"},
      {"PECI CPU", SMC "temp16_input"}},
     {{"Leftside", SMC "fan1_input"}, {"Rightside", SMC "fan2_input"}},
     nullptr},
    // hwmon10 after hwmon2, temp10 after temp6; the drive chip is skipped; AUXTIN0 (−62 °C)
    // and PECI Agent 0 (0) give no reading at start.
    {"sensors-desktop", SensorSource::Hwmon, SensorSource::Hwmon,
     {{"ACPI 1", HW "hwmon0/temp1_input"}, {"CPU Package Id 0", HW "hwmon2/temp1_input"},
      {"CPU Core 0", HW "hwmon2/temp2_input"}, {"CPU Core 4", HW "hwmon2/temp6_input"},
      {"CPU Core 8", HW "hwmon2/temp10_input"}, {"Nct6798 SYSTIN", HW "hwmon10/temp1_input"},
      {"Nct6798 CPUTIN", HW "hwmon10/temp2_input"}},
     {{"Fan 1", HW "hwmon10/fan1_input"}, {"Fan 2", HW "hwmon10/fan2_input"}, {"Fan 3", HW "hwmon10/fan3_input"}},
     nullptr},
    // thinkpad keeps its attributes in the parent device; the mouse's battery is not the
    // machine's.
    {"sensors-laptop", SensorSource::Hwmon, SensorSource::Hwmon,
     {{"ACPI 1", HW "hwmon0/temp1_input"}, {"CPU Tctl", HW "hwmon2/temp1_input"},
      {"GPU Edge", HW "hwmon3/temp1_input"}, {"Wi-Fi 1", HW "hwmon4/temp1_input"},
      {"Thinkpad 1", HW "hwmon5/device/temp1_input"}, {"Thinkpad 3", HW "hwmon5/device/temp3_input"}},
     {{"Fan 1", HW "hwmon5/device/fan1_input"}},
     "sys/class/power_supply/BAT0/temp"},
    {"sensors-pi", SensorSource::ThermalZone, SensorSource::None,
     {{"cpu-thermal", "sys/class/thermal/thermal_zone0/temp"}}, {}, nullptr},
    {"sensors-vm", SensorSource::None, SensorSource::None, {}, {}, nullptr},
    // A temperature whose read fails or holds no number is left out; fans are all kept.
    {"sensors-io-error", SensorSource::Hwmon, SensorSource::Hwmon,
     {{"CPU Package Id 0", HW "hwmon0/temp1_input"}},
     {{"Fan 1", HW "hwmon1/fan1_input"}, {"Fan 2", HW "hwmon1/fan2_input"}, {"Fan 3", HW "hwmon1/fan3_input"}},
     nullptr},
    // Taken labels get " #2", " #3", also when they only meet after capitalising.
    {"sensors-duplicates", SensorSource::Hwmon, SensorSource::Hwmon,
     {{"CPU Package Id 0", HW "hwmon0/temp1_input"}, {"CPU Core 0", HW "hwmon0/temp2_input"},
      {"CPU Package Id 1", HW "hwmon1/temp1_input"}, {"CPU Core 0 #2", HW "hwmon1/temp2_input"},
      {"ACPI 1", HW "hwmon2/temp1_input"}, {"ACPI 1 #2", HW "hwmon3/temp1_input"},
      {"PCH 1", HW "hwmon4/temp1_input"}, {"CPU Core 0 #3", HW "hwmon5/temp1_input"},
      {"Dell_smm CPU", HW "hwmon6/temp1_input"}},
     {{"Processor Fan", HW "hwmon6/fan1_input"}, {"Processor Fan #2", HW "hwmon6/fan2_input"},
      {"Fan 3", HW "hwmon6/fan3_input"}},
     nullptr},
};

std::vector<SensorEntry> expected(const Sysroot &root, const std::vector<Entry> &entries)
{
    std::vector<SensorEntry> out;
    for (const Entry &e : entries)
        out.push_back({QString::fromUtf8(e.label), root.path(e.path)});
    return out;
}

std::string labels(const std::vector<SensorEntry> &entries)
{
    std::string s;
    for (const auto &e : entries)
        s += e.label.toStdString() + " <- " + e.source + "\n";
    return s;
}

// A private copy of a fixture tree that a test may change.
struct CopiedTree {
    QTemporaryDir dir;
    explicit CopiedTree(const char *name)
    {
        const QString from = test::fixturePath(QString::fromLatin1(name));
        QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            test::writeFile(dir.path() + file.mid(from.size()), test::readFile(file));
        }
    }
    QString path(const char *relative) const { return dir.path() + QLatin1Char('/') + QLatin1String(relative); }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

} // namespace

TEST(SensorProbe, findsTheSensorsOfEachMachine)
{
    for (const ProbeCase &c : kCases) {
        SCOPED_TRACE(c.tree);
        const Sysroot root = fixture(c.tree);
        const auto table = SensorProbe::probe(root);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->tempSource, c.tempSource);
        EXPECT_EQ(table->fanSource, c.fanSource);
        EXPECT_EQ(table->temps, expected(root, c.temps)) << labels(table->temps);
        EXPECT_EQ(table->fans, expected(root, c.fans)) << labels(table->fans);
        if (c.battery) {
            ASSERT_TRUE(table->battery.has_value());
            EXPECT_EQ(table->battery->source, root.path(c.battery));
            EXPECT_EQ(table->battery->label, QStringLiteral("Built-in Battery"));
        } else {
            EXPECT_FALSE(table->battery.has_value());
        }
        EXPECT_EQ(table->root, root.root());
    }
}

TEST(SensorProbe, chipWords)
{
    const std::pair<const char *, const char *> cases[] = {
        {"coretemp", "CPU"},     {"k10temp", "CPU"},     {"zenpower", "CPU"},  {"cpu_thermal", "CPU"},
        {"amdgpu", "GPU"},       {"radeon", "GPU"},      {"nouveau", "GPU"},   {"i915", "GPU"},
        {"xe", "GPU"},           {"acpitz", "ACPI"},     {"pch_skylake", "PCH"}, {"iwlwifi_1", "Wi-Fi"},
        {"iwlwifi", "Wi-Fi"},    {"nct6798", "nct6798"}, {"pch", "pch"},       {"xen", "xen"},
        {"coretemp2", "coretemp2"},
    };
    for (const auto &[chip, word] : cases)
        EXPECT_EQ(SensorProbe::chipWord(QString::fromLatin1(chip)), QString::fromLatin1(word)) << chip;
    EXPECT_TRUE(SensorProbe::isDriveChip(QStringLiteral("nvme")));
    EXPECT_TRUE(SensorProbe::isDriveChip(QStringLiteral("drivetemp")));
    EXPECT_FALSE(SensorProbe::isDriveChip(QStringLiteral("nvme0")));
}

TEST(SensorProbe, labelsFromTheMachineArePlainOneLineText)
{
    QTemporaryDir dir;
    const QString hw = dir.path() + "/sys/class/hwmon/hwmon0/";
    test::writeFile(hw + "name", "it87\n");
    test::writeFile(hw + "temp1_label", "  CPU\x01\tzone\r\n");
    test::writeFile(hw + "temp1_input", "40000\n");
    test::writeFile(hw + "temp2_label", QByteArray(200, 'x') + "\n");
    test::writeFile(hw + "temp2_input", "41000\n");
    test::writeFile(hw + "temp3_label", " \n");
    test::writeFile(hw + "temp3_input", "42000\n");
    test::writeFile(hw + "fan1_label", "__AverageFanKey\n");
    test::writeFile(hw + "fan1_input", "900\n");
    test::writeFile(hw + "fan2_label", "<b>&amp;</b>\n");
    test::writeFile(hw + "fan2_input", "950\n");
    const auto table = SensorProbe::probe(Sysroot(dir.path().toStdString()));
    ASSERT_EQ(table->temps.size(), 3u);
    EXPECT_EQ(table->temps[0].label, QStringLiteral("It87 CPUzone"));
    // The chip's own text is cut to 48 characters, then capitalised behind the chip word.
    EXPECT_EQ(table->temps[1].label, QStringLiteral("It87 X") + QString(47, QLatin1Char('x')));
    EXPECT_EQ(table->temps[2].label, QStringLiteral("It87 3"));
    ASSERT_EQ(table->fans.size(), 2u);
    // The names the samples keep for themselves are never a fan's.
    EXPECT_EQ(table->fans[0].label, QStringLiteral("__AverageFanKey #2"));
    EXPECT_EQ(table->fans[1].label, QStringLiteral("<b>&amp;</b>"));
}

TEST(SensorProbe, appleSmcWithoutTemperaturesLeavesThemToTheChips)
{
    CopiedTree tree("sensors-macbookpro");
    // Every key reads 0: the SMC still gives the fans, the chips the temperatures.
    QDirIterator it(tree.path("sys/devices/platform/applesmc.768"), {"temp*_input"}, QDir::Files);
    while (it.hasNext())
        test::writeFile(it.next(), "0\n");
    const auto table = SensorProbe::probe(tree.root());
    EXPECT_EQ(table->tempSource, SensorSource::Hwmon);
    EXPECT_EQ(table->fanSource, SensorSource::AppleSmc);
    ASSERT_EQ(table->temps.size(), 2u);
    EXPECT_EQ(table->temps[0].label, QStringLiteral("CPU Package Id 0"));
    EXPECT_EQ(table->fans.size(), 2u);
}

TEST(SensorTableProvider, probesOnceAndAgainWhenMonitoringDevicesChange)
{
    CopiedTree tree("sensors-pi");
    SensorTableProvider provider;
    const auto first = provider.current(tree.root());
    EXPECT_EQ(first->tempSource, SensorSource::ThermalZone);
    // The start-up check and the passes share one probe.
    EXPECT_EQ(provider.current(tree.root(), 10.0), first);
    EXPECT_EQ(provider.current(tree.root(), 20.0), first);
    EXPECT_EQ(provider.probes(), 1);

    // A monitoring chip appears: a look at the devices finds it, and its temperatures win.
    const QString hw = tree.path("sys/class/hwmon/hwmon0/");
    test::writeFile(hw + "name", "cpu_thermal\n");
    test::writeFile(hw + "temp1_input", "51540\n");
    // Passes within a few seconds of the last look keep the table as it was.
    EXPECT_EQ(provider.current(tree.root(), 20.0), first);
    EXPECT_EQ(provider.current(tree.root(), 20.0 + SensorTableProvider::kRecheckSeconds - 0.5), first);
    const auto second = provider.current(tree.root(), 20.0 + SensorTableProvider::kRecheckSeconds);
    ASSERT_NE(second, first);
    EXPECT_EQ(provider.probes(), 2);
    EXPECT_EQ(second->tempSource, SensorSource::Hwmon);
    ASSERT_EQ(second->temps.size(), 1u);
    EXPECT_EQ(second->temps[0].label, QStringLiteral("CPU 1"));
    // The old table is unchanged for whoever still holds it.
    EXPECT_EQ(first->temps[0].label, QStringLiteral("cpu-thermal"));
    EXPECT_EQ(provider.current(tree.root(), 40.0), second);
    // The start-up check always looks.
    QDir(hw).removeRecursively();
    const auto third = provider.current(tree.root());
    EXPECT_EQ(third->tempSource, SensorSource::ThermalZone);

    // Another tree is another machine, whatever the time.
    const auto other = provider.current(fixture("sensors-desktop"), 40.0);
    EXPECT_EQ(other->temps.size(), 7u);
    EXPECT_EQ(provider.probes(), 4);
}
