#include "collect/UDisksDrives.h"

#include "MockBus.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using orb::UDisksDrive;
using orb::UDisksDrives;

namespace {

// The objects udisks2 would publish for a SATA disk with one partition, an NVMe disk, a USB
// stick whose drive predicts its failure... added to python3-dbusmock by the test itself.
const char *kAddObjects = R"PY(
import dbus
bus = dbus.SystemBus()
NAME = 'org.freedesktop.UDisks2'
def mock(path):
    return dbus.Interface(bus.get_object(NAME, path), 'org.freedesktop.DBus.Mock')
root = mock('/org/freedesktop/UDisks2')
def drive(path, props):
    base = {'Vendor': '', 'Model': '', 'Serial': '', 'Revision': '', 'ConnectionBus': '',
            'Size': dbus.UInt64(0), 'RotationRate': dbus.Int32(-1), 'Removable': False, 'MediaRemovable': False}
    base.update(props)
    root.AddObject(path, 'org.freedesktop.UDisks2.Drive', base, [])
def block(name, drive_path, partition=False):
    path = '/org/freedesktop/UDisks2/block_devices/' + name
    root.AddObject(path, 'org.freedesktop.UDisks2.Block',
                   {'Device': dbus.ByteArray(('/dev/' + name).encode() + b'\0'), 'Drive': dbus.ObjectPath(drive_path)}, [])
    if partition:
        mock(path).AddProperties('org.freedesktop.UDisks2.Partition', {'Number': dbus.UInt32(1)})

D = '/org/freedesktop/UDisks2/drives/'
drive(D + 'WDC', {'Model': 'WDC WD20EZRZ-00Z5HB0', 'Serial': 'WD-WCC4M1KZ8XYZ', 'Revision': '80.00A80',
                  'Size': dbus.UInt64(2000398934016), 'RotationRate': dbus.Int32(5400)})
mock(D + 'WDC').AddProperties('org.freedesktop.UDisks2.Drive.Ata', {
    'SmartSupported': True, 'SmartEnabled': True, 'SmartFailing': False,
    'SmartTemperature': dbus.Double(311.65), 'SmartPowerOnSeconds': dbus.UInt64(36000000),
    'SmartNumBadSectors': dbus.Int64(3), 'SmartNumAttributesFailing': dbus.Int32(0),
    'SmartSelftestStatus': 'success', 'SmartUpdated': dbus.UInt64(1700000000)})
block('sda1', D + 'WDC', partition=True)
block('sda', D + 'WDC')
drive(D + 'Samsung', {'Model': 'Samsung SSD 980 PRO 1TB\n', 'Serial': '  S5GXNF0R123456A  ', 'RotationRate': dbus.Int32(0)})
block('nvme0n1', D + 'Samsung')
drive(D + 'Stick', {'Vendor': 'SanDisk', 'Model': 'Ultra Fit', 'ConnectionBus': 'usb', 'Removable': True,
                    'MediaRemovable': True})
mock(D + 'Stick').AddProperties('org.freedesktop.UDisks2.Drive.Ata', {
    'SmartSupported': True, 'SmartEnabled': True, 'SmartFailing': True, 'SmartTemperature': dbus.Double(0.0)})
block('loop0', '/')
)PY";

// A private bus standing in for the system bus, with a mock udisks2 on it.
class PrivateSystemBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.isUp()); }
    bool startUDisks()
    {
        return bus_.startMock("org.freedesktop.UDisks2", "/org/freedesktop/UDisks2", "org.freedesktop.UDisks2.Manager",
                              true, true)
            && bus_.runPython(kAddObjects);
    }

    orb::test::MockBus bus_;
};

const UDisksDrive *byModel(const std::vector<UDisksDrive> &drives, const QString &model)
{
    for (const UDisksDrive &d : drives)
        if (d.model == model)
            return &d;
    return nullptr;
}

} // namespace

TEST_F(PrivateSystemBus, drivesWithTheirWholeDiskDevicesAndAtaHealth)
{
    ASSERT_TRUE(startUDisks());
    const auto drives = UDisksDrives::query(bus_.connection(), 5000);
    ASSERT_TRUE(drives.has_value());
    ASSERT_EQ(drives->size(), 3u);

    const UDisksDrive *wdc = byModel(*drives, "WDC WD20EZRZ-00Z5HB0");
    ASSERT_NE(wdc, nullptr);
    EXPECT_EQ(wdc->device, "/dev/sda") << "the partition's block is not the drive's device";
    EXPECT_EQ(wdc->size, 2000398934016);
    EXPECT_EQ(wdc->rotationRate, 5400);
    EXPECT_TRUE(wdc->hasAta);
    EXPECT_TRUE(wdc->smartEnabled);
    EXPECT_FALSE(wdc->smartFailing);
    EXPECT_EQ(wdc->temperatureCelsius(), 38) << "311.65 K is 38.5 °C, truncated";
    EXPECT_EQ(wdc->powerOnSeconds, 36000000);
    EXPECT_EQ(wdc->badSectors, 3);
    EXPECT_EQ(wdc->selfTestStatus, "success");

    const UDisksDrive *nvme = byModel(*drives, "Samsung SSD 980 PRO 1TB");
    ASSERT_NE(nvme, nullptr) << "texts come trimmed of padding and line ends";
    EXPECT_EQ(nvme->serial, "S5GXNF0R123456A");
    EXPECT_EQ(nvme->device, "/dev/nvme0n1");
    EXPECT_FALSE(nvme->hasAta);
    EXPECT_EQ(nvme->temperatureCelsius(), std::nullopt);

    const UDisksDrive *stick = byModel(*drives, "Ultra Fit");
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(stick->connectionBus, "usb");
    EXPECT_TRUE(stick->removable);
    EXPECT_TRUE(stick->smartFailing);
    EXPECT_EQ(stick->temperatureCelsius(), std::nullopt) << "0 K means no reading";
    EXPECT_EQ(stick->device, "") << "no block device points at it";
}

TEST_F(PrivateSystemBus, withoutUDisksThereIsNoAnswerAndNoWait)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(UDisksDrives::query(bus_.connection(), 5000).has_value());
    EXPECT_LT(timer.elapsed(), 2500) << "a missing service answers at once";
    EXPECT_FALSE(UDisksDrives::query(QDBusConnection(QStringLiteral("not-connected")), 100).has_value());
}
