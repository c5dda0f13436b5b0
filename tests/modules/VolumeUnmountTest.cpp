#include "MockBus.h"
#include "TestEnvironment.h"
#include "collect/MountWatcher.h"
#include "collect/UDisksFilesystems.h"
#include "collect/VolumeBase.h"
#include "modules/volume/VolumeUnmounter.h"
#include "modules/volume/Volume_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// Three file systems as udisks2 publishes them: one unmounts, one is busy, one needs an
// administrator the user cannot become.
const char *kAddObjects = R"PY(
import dbus
bus = dbus.SystemBus()
NAME = 'org.freedesktop.UDisks2'
def mock(path):
    return dbus.Interface(bus.get_object(NAME, path), 'org.freedesktop.DBus.Mock')
root = mock('/org/freedesktop/UDisks2')
B = '/org/freedesktop/UDisks2/block_devices/'
D = '/org/freedesktop/UDisks2/drives/Stick'
root.AddObject(D, 'org.freedesktop.UDisks2.Drive', {'ConnectionBus': 'usb', 'Removable': True}, [])
def filesystem(name, label, mount, code):
    path = B + name
    root.AddObject(path, 'org.freedesktop.UDisks2.Block',
                   {'Device': dbus.ByteArray(('/dev/' + name).encode() + b'\0'), 'IdLabel': label,
                    'HintSystem': False, 'Drive': dbus.ObjectPath(D)}, [])
    m = mock(path)
    m.AddProperties('org.freedesktop.UDisks2.Filesystem',
                    {'MountPoints': dbus.Array([dbus.ByteArray(mount.encode() + b'\0')], signature='ay')})
    m.AddMethod('org.freedesktop.UDisks2.Filesystem', 'Unmount', 'a{sv}', '', code)
filesystem('sdb1', 'My Stick', '/media/anna/My Stick', '')
filesystem('sdc1', 'Busy', '/media/anna/Busy',
           "raise dbus.exceptions.DBusException('Error unmounting /dev/sdc1: target is busy', name='org.freedesktop.UDisks2.Error.DeviceBusy')")
filesystem('sdd1', 'Locked', '/media/anna/Locked',
           "raise dbus.exceptions.DBusException('Not authorized to perform operation', name='org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain')")
)PY";

class VolumeUnmountTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus_.isUp());
        ASSERT_TRUE(bus_.startMock("org.freedesktop.UDisks2", "/org/freedesktop/UDisks2",
                                   "org.freedesktop.UDisks2.Manager", true, true))
            << "the udisks2 stand-in did not come up";
        ASSERT_TRUE(bus_.runPython(kAddObjects));
    }

    test::MockBus bus_;
};

const QString B = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");

} // namespace

TEST_F(VolumeUnmountTest, udisksGivesLabelsMountPointsAndRemovableDrives)
{
    const auto fs = UDisksFilesystems::query(bus_.connection(), 5000);
    ASSERT_TRUE(fs.has_value());
    ASSERT_EQ(fs->size(), 3u);
    const UDisksFilesystem *stick = nullptr;
    for (const UDisksFilesystem &f : *fs)
        if (f.device == "/dev/sdb1")
            stick = &f;
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(stick->label, "My Stick");
    EXPECT_EQ(stick->objectPath, B + "sdb1");
    EXPECT_EQ(stick->mountPoints, (std::vector<QString>{"/media/anna/My Stick"}));
    EXPECT_TRUE(stick->removable) << "its drive is on USB";
    EXPECT_FALSE(stick->hintSystem);
}

TEST_F(VolumeUnmountTest, unmountReportsSuccessBusyAndNotAuthorised)
{
    const struct {
        const char *device;
        bool ok;
        QString errorName;
        QString message;
    } cases[] = {
        {"sdb1", true, "", ""},
        {"sdc1", false, "org.freedesktop.UDisks2.Error.DeviceBusy", "Error unmounting /dev/sdc1: target is busy"},
        {"sdd1", false, "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain", "Not authorized to perform operation"},
        {"", false, "", "The disk service does not manage this volume."},
    };
    VolumeUnmounter unmounter(bus_.connection(), nullptr, 5000);
    for (const auto &c : cases) {
        QSignalSpy spy(&unmounter, &VolumeUnmounter::finished);
        const QString path = *c.device ? B + c.device : QString();
        unmounter.unmount(path, QStringLiteral("/media/x"));
        ASSERT_TRUE(spy.wait(10000)) << c.device;
        const QList<QVariant> args = spy.takeFirst();
        EXPECT_EQ(args[0].toString(), "/media/x");
        EXPECT_EQ(args[1].toBool(), c.ok) << c.device;
        EXPECT_EQ(args[2].toString(), c.errorName) << c.device;
        EXPECT_EQ(args[3].toString(), c.message) << c.device;
    }
}

TEST_F(VolumeUnmountTest, theMenuConfirmsThenTellsTheUserWhyItFailed)
{
    test::ScopedHome home;
    OffscreenHost host;
    Volume_MenuModule m(nullptr);
    m.initDrawStatusBar(host);
    auto base = std::make_shared<VolumeBase>();
    for (const char *name : {"sdb1", "sdc1"}) {
        VolumeEntry v;
        v.mountPath = QStringLiteral("/media/anna/") + name;
        v.volumeName = name;
        v.udisksPath = B + name;
        v.isUnmountable = true;
        base->volumes.push_back(v);
    }
    VolumeEntry root;
    root.mountPath = "/";
    base->volumes.push_back(root);
    SensorData data;
    data.volumeBase = base;
    m.setSensorData(data);
    auto *unmounter = new VolumeUnmounter(bus_.connection(), &m, 5000);
    m.setUnmounter(unmounter);

    QStringList asked, failures;
    bool answer = false;
    m.confirmUnmount = [&](const VolumeEntry &e, std::function<void()> proceed) {
        asked << e.volumeName;
        if (answer)
            proceed();
    };
    m.reportFailure = [&](const VolumeEntry &e, const QString &message) { failures << e.volumeName + ": " + message; };

    QSignalSpy spy(unmounter, &VolumeUnmounter::finished);
    m.unmountDisk("/media/anna/sdc1"); // declined
    m.unmountDisk("/");                // cannot be unmounted: not even asked
    EXPECT_EQ(asked, (QStringList{"sdc1"}));
    EXPECT_FALSE(spy.wait(300)) << "a declined unmount asks nothing of udisks2";

    answer = true;
    m.unmountDisk("/media/anna/sdc1");
    ASSERT_TRUE(spy.wait(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(failures, (QStringList{"sdc1: Error unmounting /dev/sdc1: target is busy"}));

    m.unmountDisk("/media/anna/sdb1");
    ASSERT_TRUE(spy.wait(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(failures.size(), 1) << "a successful unmount is not reported as a failure";
}

TEST_F(VolumeUnmountTest, aNewLabelFromUdisksAsksForTheVolumesAgain)
{
    test::ScopedHome home;
    Volume_MenuModule m(nullptr);
    ASSERT_TRUE(m.watchUDisks(bus_.connection()));
    QTemporaryDir dir;
    const Sysroot root(dir.path().toStdString());
    MountWatcher watcher;
    watcher.changed(root);
    ASSERT_FALSE(watcher.changed(root));

    const auto emitChange = [&](const char *interface, const char *property) {
        ASSERT_TRUE(bus_.runPython(
            QStringLiteral("import dbus\n"
                           "bus = dbus.SystemBus()\n"
                           "o = bus.get_object('org.freedesktop.UDisks2', '/org/freedesktop/UDisks2/block_devices/sdb1')\n"
                           "dbus.Interface(o, 'org.freedesktop.DBus.Mock').EmitSignal('org.freedesktop.DBus.Properties', "
                           "'PropertiesChanged', 'sa{sv}as', ['%1', dbus.Dictionary({'%2': dbus.String('x')}, "
                           "signature='sv'), dbus.Array([], signature='s')])\n")
                .arg(interface, property)));
        test::spin(300); // lets the signal arrive
    };
    const struct {
        const char *interface, *property;
        bool rebuild;
    } cases[] = {
        {"org.freedesktop.UDisks2.Block", "IdLabel", true},
        {"org.freedesktop.UDisks2.Filesystem", "MountPoints", true},
        {"org.freedesktop.UDisks2.Block", "IdUUID", false},
        {"org.freedesktop.UDisks2.Drive", "IdLabel", false},
    };
    for (const auto &c : cases) {
        emitChange(c.interface, c.property);
        EXPECT_EQ(watcher.changed(root), c.rebuild) << c.interface << " " << c.property;
    }
}
