#include "TestEnvironment.h"
#include "collect/sensors/SensorProbe.h"
#include "collect/sensors/SensorSampler.h"
#include "platform/Sysroot.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

using Readings = std::vector<std::pair<QString, int64_t>>;

struct SampleCase {
    const char *tree;
    TempSample temp;
    FanSample fan;
};

// Worked out by hand from the fixture files (millidegrees ÷ 1000, truncated).
const SampleCase kCases[] = {
    // 38+37+61+49+56+58+31+30+52+36+40+29+60 = 577 over 13; fans (2001+1998)/2
    {"sensors-macbookpro",
     {{{"Airflow 1", 38}, {"Airport Proximity", 37}, {"CPU 1 Package", 61}, {"CPU 1 Proximity", 49},
       {"CPU Core 1", 56}, {"CPU Core 2", 58}, {"Enclosure Base1", 31}, {"Enclosure Base2", 30},
       {"GPU Diode", 52}, {"Misc Proximity", 36}, {"Optical Drive Proximity", 40}, {"Palm Rest", 29},
       {"PECI CPU", 60}},
      std::nullopt, 44},
     {{{"Leftside", 2001}, {"Rightside", 1998}}, 1999}},
    // 268 over 7; the stopped fan counts: 1992 over 3
    {"sensors-desktop",
     {{{"ACPI 1", 27}, {"CPU Package Id 0", 45}, {"CPU Core 0", 41}, {"CPU Core 4", 43}, {"CPU Core 8", 40},
       {"Nct6798 SYSTIN", 34}, {"Nct6798 CPUTIN", 38}},
      std::nullopt, 38},
     {{{"Fan 1", 812}, {"Fan 2", 1180}, {"Fan 3", 0}}, 664}},
    // 52875 truncates to 52; battery 301 tenths is 30; 268 + 30 over 7
    {"sensors-laptop",
     {{{"ACPI 1", 46}, {"CPU Tctl", 52}, {"GPU Edge", 44}, {"Wi-Fi 1", 38}, {"Thinkpad 1", 52}, {"Thinkpad 3", 36}},
      QStringLiteral("30"), 42},
     {{{"Fan 1", 2874}}, 2874}},
    {"sensors-pi", {{{"cpu-thermal", 48}}, std::nullopt, 48}, {}},
    {"sensors-vm", {}, {}},
    // The fan whose read fails is left out of the sample and the average: 2400 over 2.
    {"sensors-io-error", {{{"CPU Package Id 0", 50}}, std::nullopt, 50}, {{{"Fan 1", 1500}, {"Fan 3", 900}}, 1200}},
    // 449 over 9; 6200 over 3
    {"sensors-duplicates",
     {{{"CPU Package Id 0", 60}, {"CPU Core 0", 55}, {"CPU Package Id 1", 62}, {"CPU Core 0 #2", 57},
       {"ACPI 1", 30}, {"ACPI 1 #2", 31}, {"PCH 1", 48}, {"CPU Core 0 #3", 56}, {"Dell_smm CPU", 50}},
      std::nullopt, 49},
     {{{"Processor Fan", 2400}, {"Processor Fan #2", 2600}, {"Fan 3", 1200}}, 2066}},
};

std::string describe(const TempSample &s)
{
    std::string out;
    for (const auto &[label, v] : s.readings)
        out += label.toStdString() + "=" + std::to_string(v) + " ";
    if (s.average)
        out += "avg=" + std::to_string(*s.average);
    return out;
}

// A tree with one chip whose files the test rewrites between samples.
struct Chip {
    QTemporaryDir dir;
    QString base;
    Chip() : base(dir.path() + "/sys/class/hwmon/hwmon0/") { test::writeFile(base + "name", "coretemp\n"); }
    void set(const char *file, const QByteArray &text) { test::writeFile(base + file, text); }
    // Makes an attribute's next read come back empty, as a failed sensor read does.
    void breakFile(const char *file) { set(file, QByteArray()); }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

} // namespace

TEST(SensorSampler, readsTheProbedSensorsOfEachMachine)
{
    for (const SampleCase &c : kCases) {
        SCOPED_TRACE(c.tree);
        const auto table = SensorProbe::probe(fixture(c.tree));
        const TempSample temp = SensorSampler::getBaseTempNew(*table);
        EXPECT_EQ(temp, c.temp) << describe(temp);
        EXPECT_EQ(SensorSampler::getFanDetail(*table), c.fan);
    }
}

TEST(SensorSampler, sensorsThatFailAfterStartReadMinusOneAndLeaveTheAverage)
{
    Chip chip;
    chip.set("temp1_input", "60000\n");
    chip.set("temp2_input", "50000\n");
    chip.set("temp3_input", "40000\n");
    chip.set("fan1_input", "1000\n");
    chip.set("fan2_input", "2000\n");
    const auto table = SensorProbe::probe(chip.root());
    ASSERT_EQ(table->temps.size(), 3u);
    ASSERT_EQ(table->fans.size(), 2u);

    struct Step {
        const char *what;
        std::function<void()> change;
        Readings temps;
        std::optional<int64_t> tempAverage;
        Readings fans;
        std::optional<int64_t> fanAverage;
    };
    const Step steps[] = {
        {"all answer", [] {}, {{"CPU 1", 60}, {"CPU 2", 50}, {"CPU 3", 40}}, 50, {{"Fan 1", 1000}, {"Fan 2", 2000}}, 1500},
        {"one temperature read fails", [&] { chip.breakFile("temp2_input"); },
         {{"CPU 1", 60}, {"CPU 2", -1}, {"CPU 3", 40}}, 50, {{"Fan 1", 1000}, {"Fan 2", 2000}}, 1500},
        {"below one degree, negative, garbled", [&] {
             chip.set("temp1_input", "999\n");
             chip.set("temp3_input", "-4000\n");
             chip.set("fan1_input", "12rpm\n");
         },
         {{"CPU 1", -1}, {"CPU 2", -1}, {"CPU 3", -1}}, std::nullopt, {{"Fan 2", 2000}}, 2000},
        {"one degree, fan stopped", [&] {
             chip.set("temp3_input", "1000\n");
             chip.set("fan1_input", "0\n");
         },
         {{"CPU 1", -1}, {"CPU 2", -1}, {"CPU 3", 1}}, 1, {{"Fan 1", 0}, {"Fan 2", 2000}}, 1000},
        {"no fan answers", [&] {
             chip.breakFile("fan1_input");
             chip.breakFile("fan2_input");
         },
         {{"CPU 1", -1}, {"CPU 2", -1}, {"CPU 3", 1}}, 1, {}, std::nullopt},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        s.change();
        const TempSample temp = SensorSampler::getBaseTempNew(*table);
        EXPECT_EQ(temp.readings, s.temps) << describe(temp);
        EXPECT_EQ(temp.average, s.tempAverage);
        const FanSample fan = SensorSampler::getFanDetail(*table);
        EXPECT_EQ(fan.fans, s.fans);
        EXPECT_EQ(fan.average, s.fanAverage);
    }
}

TEST(SensorSampler, driveTemperaturesJoinTheReadingsAndTheAverage)
{
    const auto table = SensorProbe::probe(fixture("sensors-pi"));
    const DriveReading drives[] = {{QStringLiteral("Samsung SSD 980"), 41},
                                       {QStringLiteral("WDC WD40EFRX"), -273},
                                       {QStringLiteral("ST2000"), 0}};
    const TempSample s = SensorSampler::getBaseTempNew(*table, drives);
    const Readings expected{{"cpu-thermal", 48}, {"Samsung SSD 980", 41}, {"WDC WD40EFRX", -1}, {"ST2000", -1}};
    EXPECT_EQ(s.readings, expected);
    // (48 + 41) / 2: the drive that reports no temperature never enters the average.
    EXPECT_EQ(s.average, 44);
}

TEST(SensorSampler, batteryBelowOneDegreeIsLeftOut)
{
    QTemporaryDir dir;
    const QString bat = dir.path() + "/sys/class/power_supply/BAT1/";
    test::writeFile(bat + "type", "Battery\n");
    test::writeFile(bat + "temp", "9\n");
    const auto table = SensorProbe::probe(Sysroot(dir.path().toStdString()));
    ASSERT_TRUE(table->battery.has_value());
    EXPECT_TRUE(SensorSampler::getBaseTempNew(*table).empty());
    test::writeFile(bat + "temp", "355\n");
    const TempSample s = SensorSampler::getBaseTempNew(*table);
    EXPECT_EQ(s.battery, QStringLiteral("35"));
    EXPECT_EQ(s.average, 35);
}

TEST(SensorSampler, readValueAcceptsOnlyOneDecimalNumber)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray text;
        bool ok;
        int64_t value;
    };
    const Case cases[] = {
        {"45000\n", true, 45000},   {"-273000\n", true, -273000}, {"+38500\n", true, 38500},
        {" 812 \n", true, 812},      {"0", true, 0},               {"", false, 0},
        {"\n", false, 0},            {"N/A\n", false, 0},          {"45 000\n", false, 0},
        {"0x10\n", false, 0},        {"99999999999999999999\n", false, 0},
        {QByteArray(80, '1'), false, 0},
    };
    const std::string path = (dir.path() + "/value").toStdString();
    test::writeFile(dir.path() + "/value", "0\n");
    // Once through the path, once through a descriptor kept open and read from its start.
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        test::writeFile(dir.path() + "/value", c.text);
        for (int through : {-1, fd}) {
            int64_t v = -12345;
            EXPECT_EQ(SensorSampler::readValue(through, path, v), c.ok) << "descriptor " << through;
            if (c.ok) {
                EXPECT_EQ(v, c.value);
            }
        }
    }
    ::close(fd);
    int64_t v = 0;
    EXPECT_FALSE(SensorSampler::readValue(dir.path().toStdString() + "/missing", v));
    EXPECT_FALSE(SensorSampler::readValue(dir.path().toStdString(), v)); // a directory
}

TEST(SensorSampler, readsThroughThePathWhenTheTableHasNoDescriptor)
{
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/t", "51000\n");
    test::writeFile(dir.path() + "/f", "1300\n");
    SensorTable table;
    table.temps.push_back({QStringLiteral("Board"), (dir.path() + "/t").toStdString()});
    table.fans.push_back({QStringLiteral("Fan 1"), (dir.path() + "/f").toStdString()});
    EXPECT_EQ(SensorSampler::getBaseTempNew(table).readings, (Readings{{"Board", 51}}));
    EXPECT_EQ(SensorSampler::getFanDetail(table).fans, (Readings{{"Fan 1", 1300}}));
    // A file that could not be opened at start is tried again on every read.
    table.temps.push_back({QStringLiteral("Later"), (dir.path() + "/later").toStdString()});
    table.openFiles();
    EXPECT_EQ(table.tempFiles.size(), 2u);
    EXPECT_LT(table.tempFiles[1], 0);
    EXPECT_EQ(SensorSampler::getBaseTempNew(table).readings, (Readings{{"Board", 51}, {"Later", -1}}));
    test::writeFile(dir.path() + "/later", "33000\n");
    EXPECT_EQ(SensorSampler::getBaseTempNew(table).readings, (Readings{{"Board", 51}, {"Later", 33}}));
}
