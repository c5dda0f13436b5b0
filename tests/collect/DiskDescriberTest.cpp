#include "TestEnvironment.h"
#include "collect/DiskDescriber.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

struct DriveCase {
    const char *tree;
    const char *name;
    const char *model;
    const char *vendor;
    const char *serial;
    const char *firmware;
    int64_t sizeBytes;
    DiskBus bus;
    bool removable;
    std::optional<bool> rotational;
    QStringList partitions;
    std::optional<int> temperature;
    const char *icon;
};

const DriveCase kDrives[] = {
    // NVMe: texts from /sys/class/nvme, padding gone; Composite 38.850 °C.
    {"disk-laptop-nvme-a", "nvme0n1", "Samsung SSD 980 PRO 1TB", "", "S5GXNF0R123456A", "5B2QGXA7",
     1953525168LL * 512, DiskBus::Nvme, false, false, {"nvme0n1p1", "nvme0n1p2", "nvme0n1p3"}, 38,
     "drive-harddisk-solidstate"},
    // SATA hard disk: udev's full model instead of the 16-character inquiry text, no "ATA"
    // vendor, spinning (5400 rpm), drivetemp sensor.
    {"disk-desktop-sata-a", "sda", "WDC WD20EZRZ-00Z5HB0", "", "WD-WCC4M1KZ8XYZ", "80.00A80", 3907029168LL * 512,
     DiskBus::Ata, false, true, {"sda1"}, 34, "drive-harddisk"},
    // SATA SSD: udev says 0 rpm; no temperature source without udisks2.
    {"disk-desktop-sata-a", "sdb", "Samsung SSD 870 EVO 500GB", "", "S6PXNM0T402345B", "SVT02B6Q",
     976773168LL * 512, DiskBus::Ata, false, false, {"sdb1", "sdb2"}, std::nullopt, "drive-harddisk-solidstate"},
    // USB stick: the kernel's "rotational" means nothing for it.
    {"disk-desktop-sata-a", "sdc", "Ultra Fit", "SanDisk", "4C530001230917112345", "1.00", 60062500LL * 512,
     DiskBus::Usb, true, std::nullopt, {"sdc1"}, std::nullopt, "drive-removable-media"},
};

} // namespace

TEST(DiskDescriber, describesEachDriveFromSysfsAndUdev)
{
    for (const DriveCase &c : kDrives) {
        SCOPED_TRACE(std::string(c.tree) + " " + c.name);
        const DiskDrive d = DiskDescriber::describeDrive(fixture(c.tree), QString::fromLatin1(c.name));
        EXPECT_EQ(d.devicePath, QStringLiteral("/dev/") + c.name);
        EXPECT_EQ(d.model, QString::fromLatin1(c.model));
        EXPECT_EQ(d.vendor, QString::fromLatin1(c.vendor));
        EXPECT_EQ(d.serial, QString::fromLatin1(c.serial));
        EXPECT_EQ(d.firmware, QString::fromLatin1(c.firmware));
        EXPECT_EQ(d.sizeBytes, c.sizeBytes);
        EXPECT_EQ(d.bus, c.bus);
        EXPECT_EQ(d.removable, c.removable);
        EXPECT_EQ(d.rotational, c.rotational);
        EXPECT_EQ(d.partitions, c.partitions);
        EXPECT_EQ(d.temperature, c.temperature);
        EXPECT_EQ(d.iconName(), QString::fromLatin1(c.icon));
        EXPECT_EQ(d.udisksPath, QString());
    }
}

TEST(DiskDescriber, baseListsTheGivenDisksAndMapsPartitions)
{
    const DiskBase base = DiskDescriber::describe(fixture("disk-laptop-nvme-a"), {"nvme0n1"});
    EXPECT_FALSE(base.hostMachine) << "a captured tree is not the running machine";
    ASSERT_EQ(base.drives.size(), 1u);
    EXPECT_EQ(base.drives[0].nvmeController, "nvme0");
    EXPECT_EQ(base.find("/dev/nvme0n1"), &base.drives[0]);
    EXPECT_EQ(base.find("nvme0n1"), &base.drives[0]);
    EXPECT_EQ(base.find("dm-0"), nullptr);
    const struct {
        const char *partition;
        const char *drive;
    } cases[] = {{"nvme0n1p3", "nvme0n1"}, {"nvme0n1", "nvme0n1"}, {"nvme0n1p9", ""}, {"dm-0", ""}};
    for (const auto &c : cases)
        EXPECT_EQ(base.driveOfPartition(c.partition), QString::fromLatin1(c.drive)) << c.partition;
}

TEST(DiskDescriber, udisksFillsWhatSysfsLacks)
{
    UDisksDrive u;
    u.objectPath = "/org/freedesktop/UDisks2/drives/Samsung_SSD_870";
    u.device = "/dev/sdb";
    u.model = "Samsung SSD 870 EVO 500GB";
    u.vendor = "ATA"; // libata's placeholder is no maker
    u.serial = "S6PXNM0T402345B";
    u.revision = "SVT02B6Q";
    u.rotationRate = 0;
    u.hasAta = true;
    u.smartTemperatureK = 309.65; // 36.5 °C
    UDisksDrive other = u;
    other.device = "/dev/sda";
    other.model = "Wrong Drive";

    const DiskBase base = DiskDescriber::describe(fixture("disk-desktop-sata-a"), {"sda", "sdb"},
                                                  std::vector<UDisksDrive>{other, u});
    ASSERT_EQ(base.drives.size(), 2u);
    const DiskDrive &sdb = base.drives[1];
    EXPECT_EQ(sdb.udisksPath, u.objectPath);
    EXPECT_EQ(sdb.vendor, "");
    EXPECT_EQ(sdb.temperature, 36) << "kelvin to whole degrees, truncated";
    EXPECT_EQ(base.drives[0].model, "Wrong Drive") << "matched by device path";
    EXPECT_EQ(base.drives[0].temperature, 34) << "the drive's own sensor wins over udisks2's copy";

    // A USB bridge that udisks2 knows is removable, whatever sysfs said.
    DiskDrive plain = DiskDescriber::describeDrive(fixture("disk-desktop-sata-a"), "sdb");
    UDisksDrive usb;
    usb.connectionBus = "usb";
    usb.removable = true;
    usb.rotationRate = 7200;
    DiskDescriber::merge(plain, usb);
    EXPECT_EQ(plain.bus, DiskBus::Usb);
    EXPECT_TRUE(plain.removable);
    EXPECT_EQ(plain.rotational, true);
    EXPECT_EQ(plain.model, "Samsung SSD 870 EVO 500GB") << "an empty udisks2 text keeps the sysfs one";
}

TEST(DiskDescriber, temperaturesPerDrive)
{
    const Sysroot server = fixture("disk-server-md-a");
    const DiskBase base =
        DiskDescriber::describe(server, {"sda", "sdb", "sdc", "sdd", "nvme0n1", "nvme1n1"});
    const auto temps = drivesTemperatures(server, base);
    ASSERT_EQ(temps.size(), 2u) << "only the NVMe drives have a sensor in this tree";
    EXPECT_EQ(temps[0].name, "nvme0n1");
    EXPECT_EQ(temps[0].model, "INTEL SSDPE2KX020T8");
    EXPECT_EQ(temps[0].celsius, 31);
    EXPECT_EQ(temps[1].celsius, 32);

    // The path found once is read again: the next tree's reading comes back.
    const DiskBase laptop = DiskDescriber::describe(fixture("disk-laptop-nvme-a"), {"nvme0n1"});
    const auto later = drivesTemperatures(fixture("disk-laptop-nvme-b"), laptop);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].celsius, 39);
}

TEST(DiskDescriber, readingsOutsideReasonAreRefused)
{
    const struct {
        const char *text;
        std::optional<int> celsius;
    } cases[] = {{"38850\n", 38}, {"-5500\n", -5}, {"250000\n", std::nullopt}, {"abc\n", std::nullopt},
                 {"", std::nullopt}};
    for (const auto &c : cases) {
        QTemporaryDir dir;
        test::writeFile(dir.path() + "/t/temp1_input", c.text);
        EXPECT_EQ(DiskDescriber::readMilliCelsius(Sysroot(dir.path().toStdString()), "/t/temp1_input"), c.celsius)
            << c.text;
    }
}

TEST(DiskDescriber, udevTextDecoding)
{
    const struct {
        const char *encoded;
        const char *decoded;
    } cases[] = {{"Samsung\\x20SSD\\x20870\\x20\\x20", "Samsung SSD 870"},
                 {"plain", "plain"},
                 {"bad\\xZZescape", "bad\\xZZescape"},
                 {"ctrl\\x07bell", "ctrlbell"},
                 {"cut\\x2", "cut\\x2"}};
    for (const auto &c : cases)
        EXPECT_EQ(DiskDescriber::decodeUdevText(c.encoded), QString::fromLatin1(c.decoded)) << c.encoded;
}
