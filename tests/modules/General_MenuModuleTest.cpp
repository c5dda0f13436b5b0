#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "modules/BaseMenuItems.h"
#include "modules/general/BatteryIcon.h"
#include "modules/general/General_BlueToothDevice.h"
#include "modules/general/General_MenuModule.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace orb;

namespace {

enum class Tint { Clear, Green, Red, Orange, White, Blue, Other };

Tint tintAt(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    if (c.alpha() < 40)
        return Tint::Clear;
    const int r = c.red(), g = c.green(), b = c.blue();
    if (r > 200 && g > 200 && b > 200)
        return Tint::White;
    if (g > r + 60 && g > b + 60)
        return Tint::Green;
    if (b > r + 60 && b > g + 60)
        return Tint::Blue;
    if (r > g + 100 && r > b + 100)
        return Tint::Red;
    if (r > 200 && g > 100 && g < 200 && b < 100)
        return Tint::Orange;
    return Tint::Other;
}

bool anyGreen(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (tintAt(image, x, y) == Tint::Green)
                return true;
    return false;
}

InternalBattery battery(double percent, bool external = false, bool charging = false)
{
    InternalBattery b;
    b.name = "Built-in Battery";
    b.percent = percent;
    b.externalPower = external;
    b.charging = charging;
    b.unit = "Wh";
    b.remaining = 30.0;
    b.full = 50.0;
    b.design = 60.0;
    b.minutesToEmpty = 130;
    return b;
}

PeripheralDevice device(const char *address, const char *name, std::optional<int> percent)
{
    PeripheralDevice d;
    d.address = QString::fromLatin1(address);
    d.name = QString::fromUtf8(name);
    d.transport = "Bluetooth";
    d.percent = percent;
    return d;
}

class GeneralItem : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsStore::resetSharedInstances();
        store = SettingsStore::open();
        AppLauncher::setSearchPath({bin.path()});
    }
    void TearDown() override
    {
        item.reset();
        AppLauncher::setSearchPath({});
        SettingsStore::resetSharedInstances();
    }

    // A solid blue application image stands for the theme's, so it is told from batteries.
    static QVariantMap defaults(qint64 displayOrbIcon)
    {
        QImage app(120, 120, QImage::Format_ARGB32_Premultiplied);
        app.fill(QColor(20, 40, 230));
        return {{"DisplayOrbIcon", displayOrbIcon}, {"N01", app}, {"PrefName", "Orbmeter v9.0.0"}};
    }

    void show(qint64 displayOrbIcon, PowerState state)
    {
        item = std::make_unique<General_MenuModule>(&delegate);
        item->setMyDefaults(defaults(displayOrbIcon));
        item->initDrawStatusBar(host);
        pass(std::move(state));
    }
    // What the controller does on every pass.
    void pass(PowerState state)
    {
        SensorData data;
        data.power = std::make_shared<const PowerState>(std::move(state));
        item->setSensorData(data);
        item->cycleStatusMenu();
    }
    QImage statusImage() const { return item->statusItem()->image(); }

    struct Entry {
        QString title;
        int tag;
        bool separator;
    };
    std::vector<Entry> entries() const
    {
        std::vector<Entry> out;
        for (QAction *a : item->statusMenu()->actions()) {
            QString t = a->text();
            out.push_back({t.replace("&&", "&"), BaseMenuItems::tag(a), a->isSeparator()});
        }
        return out;
    }
    QAction *actionTagged(int tag) const
    {
        for (QAction *a : item->statusMenu()->actions())
            if (BaseMenuItems::tag(a) == tag)
                return a;
        return nullptr;
    }
    General_BlueToothDevice *rowFor(const QString &key) const
    {
        for (General_BlueToothDevice *r : item->rows())
            if (r->key() == key)
                return r;
        return nullptr;
    }

    test::ScopedHome home;
    QTemporaryDir bin;
    std::shared_ptr<SettingsStore> store;
    test::NullDelegate delegate;
    OffscreenHost host;
    std::unique_ptr<General_MenuModule> item;
};

} // namespace

TEST(BatteryIcon, imageChoiceByCharge)
{
    const struct {
        int percent;
        const char *name;
        int x;      // a pixel on the middle line of the 120-pixel image
        Tint tint;  // what it shows there
    } cases[] = {
        {0, "batt00", 19, Tint::Red},      {0, "batt00", 30, Tint::Clear},     // a red sliver only
        {5, "batt00", 19, Tint::Red},      {15, "batt01", 22, Tint::Red},
        {25, "batt02", 25, Tint::Orange},  {57, "batt05", 30, Tint::Green},    // half the cell
        {57, "batt05", 75, Tint::Clear},   {100, "batt10", 90, Tint::Green},   // all of it
        {150, "batt10", 90, Tint::Green},  {-1, "battnn", 30, Tint::Clear},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(BatteryIcon::baseName(c.percent), QLatin1String(c.name));
        const QImage image = BatteryIcon::orbRetBatteryIcon(c.percent, BatteryIcon::NoOverlay, 0, 1.0);
        ASSERT_EQ(image.size(), QSize(120, 120));
        EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
        EXPECT_EQ(tintAt(image, c.x, 60), c.tint);
    }
    EXPECT_FALSE(anyGreen(BatteryIcon::orbRetBatteryIcon(-1, BatteryIcon::Charging, 4, 1.0)))
        << "no reading: neither fill nor overlay";
}

TEST(BatteryIcon, overlaysAndMissingFrames)
{
    // The bolt's middle lies over the fill: white while charging, green without overlay.
    EXPECT_EQ(tintAt(BatteryIcon::orbRetBatteryIcon(57, BatteryIcon::Charging, 4, 1.0), 48, 62), Tint::White);
    EXPECT_EQ(tintAt(BatteryIcon::orbRetBatteryIcon(57, BatteryIcon::NoOverlay, 4, 1.0), 48, 62), Tint::Green);
    EXPECT_EQ(BatteryIcon::overlayName(BatteryIcon::OnCharger, 2), "battc2");
    EXPECT_EQ(BatteryIcon::overlayName(BatteryIcon::Charging, 0), "battb0");
    // Frame 4 of the charger pulse does not exist: the base image is shown unchanged.
    const QImage base = BatteryIcon::orbRetBatteryIcon(57, BatteryIcon::NoOverlay, 0, 1.0);
    EXPECT_EQ(BatteryIcon::orbRetBatteryIcon(57, BatteryIcon::OnCharger, 4, 1.0), base);
    EXPECT_NE(BatteryIcon::orbRetBatteryIcon(57, BatteryIcon::OnCharger, 3, 1.0), base);
}

TEST_F(GeneralItem, statusImageIsTheAppIconOrTheBatteryCharge)
{
    PowerState s;
    s.battery = battery(57);
    show(2, s);
    QImage image = statusImage();
    ASSERT_EQ(image.size(), QSize(36, 36)) << "18 points at two pixels per point";
    EXPECT_EQ(tintAt(image, 10, 18), Tint::Green) << "half-full cell";
    EXPECT_EQ(tintAt(image, 24, 18), Tint::Clear);
    EXPECT_FALSE(item->showOrbIcon());

    // Setting 1, and setting 2 on a machine without battery, show the application icon.
    show(1, s);
    EXPECT_EQ(tintAt(statusImage(), 18, 18), Tint::Blue);
    show(2, PowerState{});
    EXPECT_EQ(tintAt(statusImage(), 18, 18), Tint::Blue);
    EXPECT_TRUE(item->showOrbIcon());

    // A charge that is not reported shows the no-reading cell, never a full one.
    s.battery->percent.reset();
    show(2, s);
    EXPECT_FALSE(anyGreen(statusImage()));
    EXPECT_EQ(item->statusItem()->toolTipText(), "Battery ---, 2h10m left");
}

TEST_F(GeneralItem, chargingAnimationFrames)
{
    const struct {
        const char *what;
        bool external, charging;
        std::vector<qint64> frames;
    } cases[] = {
        {"charging", true, true, {0, 1, 2, 3, 4, 0, 1}},
        {"on the charger, full", true, false, {0, 1, 2, 3, 0, 1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        PowerState s;
        s.battery = battery(80, c.external, c.charging);
        show(2, s);
        std::vector<qint64> seen{item->showBatteryLevel()};
        for (size_t i = 1; i < c.frames.size(); ++i) {
            pass(s);
            seen.push_back(item->showBatteryLevel());
        }
        EXPECT_EQ(seen, c.frames);
    }
    // On battery the image stays the same from pass to pass.
    PowerState s;
    s.battery = battery(80);
    show(2, s);
    const QImage first = statusImage();
    pass(s);
    pass(s);
    EXPECT_EQ(statusImage(), first);
}

TEST_F(GeneralItem, lowDeviceSymbolBlinks)
{
    PowerState s;
    s.devices = {device("AA:AA:AA:AA:AA:01", "Mouse", 12), device("AA:AA:AA:AA:AA:02", "Keyboard", 60)};
    show(1, s);
    item->setShowBatteryIcon(true);
    std::vector<bool> blink;
    std::vector<Tint> seen;
    for (int i = 0; i < 4; ++i) {
        pass(s);
        blink.push_back(item->blinkIconBool());
        seen.push_back(tintAt(statusImage(), 6, 18));
    }
    EXPECT_EQ(blink, (std::vector<bool>{true, false, true, false}));
    // The lowest device (12 %: one red tenth) alternates with the application icon.
    EXPECT_EQ(seen, (std::vector<Tint>{Tint::Red, Tint::Blue, Tint::Red, Tint::Blue}));

    item->setShowBatteryIcon(false);
    pass(s);
    EXPECT_FALSE(item->blinkIconBool());
    EXPECT_EQ(tintAt(statusImage(), 6, 18), Tint::Blue);
    // Without any device there is nothing to blink for.
    item->setShowBatteryIcon(true);
    pass(PowerState{});
    pass(PowerState{});
    EXPECT_FALSE(item->blinkIconBool());
}

TEST_F(GeneralItem, menuListsRowsThenFoldersThenQuit)
{
    PowerState s;
    s.battery = battery(57);
    s.devices = {device("DC:2C:26:0A:1B:3C", "MX Master 3", 12), device("11:22:33:44:55:66", "K380 & <b>Co</b>", {})};
    show(1, s);
    const std::vector<Entry> e = entries();
    ASSERT_GE(e.size(), 9u);
    EXPECT_EQ(e.front().tag, BaseMenuItems::kPreferenceTag);
    std::vector<std::pair<QString, int>> tail;
    for (const Entry &x : e)
        if (x.tag >= 400)
            tail.emplace_back(x.separator ? QString("-") : x.title, x.tag);
    const std::vector<std::pair<QString, int>> expected = {
        {"-", 400}, {"Built-in Battery", 401}, {"MX Master 3", 402}, {"K380 & <b>Co</b>", 403}, {"-", 500},
        {"Open Application Support Folder...", 502}, {"Open Folder that Contained Orbmeter", 503}, {"-", 504},
        {"Quit Orbmeter", 505}};
    EXPECT_EQ(tail, expected);

    // Nothing to show: no row separator, the links follow the base items.
    show(1, PowerState{});
    for (const Entry &x : entries())
        EXPECT_TRUE(x.tag < 400 || x.tag >= 500) << x.tag;
    EXPECT_EQ(entries().back().title, "Quit Orbmeter");
}

TEST_F(GeneralItem, rowsFollowTheirDeviceByAddress)
{
    // Two devices share a name; each row keeps showing its own.
    PowerState s;
    s.devices = {device("00:00:00:00:00:01", "Magic Mouse", 80), device("00:00:00:00:00:02", "Magic Mouse", 20)};
    show(1, s);
    item->menuWillOpen();
    ASSERT_EQ(item->rows().size(), 2u);
    EXPECT_EQ(rowFor("00:00:00:00:00:01")->batteryText(), "80%");
    EXPECT_EQ(rowFor("00:00:00:00:00:02")->batteryText(), "20%");

    // The list comes back in another order with new figures; one device then disconnects.
    std::swap(s.devices[0], s.devices[1]);
    s.devices[0].percent = 15;
    pass(s);
    EXPECT_EQ(rowFor("00:00:00:00:00:01")->batteryText(), "80%");
    EXPECT_EQ(rowFor("00:00:00:00:00:02")->batteryText(), "15%");
    s.devices.erase(s.devices.begin());
    pass(s);
    EXPECT_EQ(rowFor("00:00:00:00:00:02")->batteryText(), "---") << "gone while the menu is open";
    EXPECT_EQ(rowFor("00:00:00:00:00:02")->linkText(), "---");
    EXPECT_EQ(item->rows().size(), 2u);

    // Closed, the menu drops the row.
    item->menuDidClose();
    ASSERT_EQ(item->rows().size(), 1u);
    EXPECT_EQ(item->rows()[0]->key(), "00:00:00:00:00:01");
}

TEST_F(GeneralItem, batteryRowTexts)
{
    store->setString("MacRealName", "MacBook Pro (16-inch,2019)");
    PowerState s;
    s.battery = battery(57);
    s.battery->cycles = 312;
    s.devices = {device("DC:2C:26:0A:1B:3C", "MX Master 3", {})};
    s.devices[0].rssi = -60;
    show(1, s);
    General_BlueToothDevice *row = rowFor(General_BlueToothDevice::kBatteryKey);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->deviceLabelText(), "MacBook Pro Built-in Battery");
    EXPECT_EQ(row->batteryText(), "57%");
    EXPECT_EQ(row->chargeText(), "57% (60%) 2h10m"); // 30 of 50 Wh
    EXPECT_EQ(row->capacityText(), "83% (312 cycles)"); // 50 of 60 Wh
    EXPECT_EQ(row->valueTexts(), "30.0 Wh|50.0 Wh|60.0 Wh");
    EXPECT_EQ(row->chargerText(), "");
    General_BlueToothDevice *mouse = rowFor("DC:2C:26:0A:1B:3C");
    ASSERT_TRUE(mouse);
    EXPECT_EQ(mouse->batteryText(), "---");
    EXPECT_EQ(mouse->linkText(), "-60dBm");
    EXPECT_EQ(mouse->height(), General_BlueToothDevice::kDeviceRowHeight);

    // On the charger: adapter lines (current with two decimals, volts truncated), charging.
    s.battery = battery(57, true, true);
    s.battery->adapterWatts = 46.125;
    s.battery->adapterAmps = 2.25;
    s.battery->adapterVolts = 20.5;
    s.battery->minutesToFull = 60;
    s.battery->unit = "mAh";
    s.battery->remaining = 4000;
    s.battery->full = 5200;
    s.battery->design = 5000;
    pass(s);
    item->menuWillOpen();
    row = rowFor(General_BlueToothDevice::kBatteryKey);
    EXPECT_EQ(row->chargerText(), "AC Charger\n46W\n2.25A\n20V\nCharging NOW!\nUntil to Full\n1h0m");
    EXPECT_EQ(row->chargeText(), "57% (76%)") << "no time left shown while on the charger";
    EXPECT_EQ(row->capacityText(), "100%") << "5200 of 5000 mAh is limited to 100";
    EXPECT_EQ(row->valueTexts(), "4000 mAh|5200 mAh|5000 mAh");

    // Figures that are not reported are shown as missing.
    s.battery = InternalBattery{};
    s.battery->name = "Built-in Battery";
    pass(s);
    EXPECT_EQ(row->batteryText(), "---");
    EXPECT_EQ(row->chargeText(), "--- (---)");
    EXPECT_EQ(row->valueTexts(), "---|---|---");
}

TEST_F(GeneralItem, foldersAndQuit)
{
    PowerState s;
    show(1, s);
    std::vector<QUrl> opened;
    int quits = 0;
    item->setUrlOpener([&](const QUrl &u) {
        opened.push_back(u);
        return true;
    });
    item->setQuitter([&] { ++quits; });

    ASSERT_TRUE(actionTagged(General_MenuModule::kSupportFolderTag));
    actionTagged(General_MenuModule::kSupportFolderTag)->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile(), home.dataDir());
    EXPECT_TRUE(QDir(home.dataDir()).exists()) << "created when missing";
    actionTagged(General_MenuModule::kExecutableFolderTag)->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].toLocalFile(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(actionTagged(General_MenuModule::kWebSiteTag) != nullptr, !General_MenuModule::homePage().isEmpty());

    // Quit writes pending settings before asking the application to end.
    store->setString("QuitMarker", "kept");
    actionTagged(General_MenuModule::kQuitTag)->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(test::readFile(store->filePath()).contains("QuitMarker"));
}

TEST_F(GeneralItem, rowClickOpensTheMatchingSettings)
{
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const QString record = bin.path() + "/args";
    test::writeExecutable(bin.path() + "/gnome-control-center",
                          QString("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(record).toUtf8());
    PowerState s;
    s.battery = battery(57);
    s.devices = {device("DC:2C:26:0A:1B:3C", "MX Master 3", 12)};
    show(1, s);
    item->statusMenu()->popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    ASSERT_TRUE(item->statusMenu()->isVisible());

    // With Alt held the menu stays open.
    General_BlueToothDevice *mouse = rowFor("DC:2C:26:0A:1B:3C");
    QTest::mouseClick(mouse, Qt::LeftButton, Qt::AltModifier, QPoint(10, 10));
    EXPECT_TRUE(item->statusMenu()->isVisible());
    QTest::mouseClick(rowFor(General_BlueToothDevice::kBatteryKey), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(item->statusMenu()->isVisible());

    const QDeadlineTimer deadline(5000);
    while (test::readFile(record).count('\n') < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Both were started detached; either may write first.
    QList<QByteArray> lines = test::readFile(record).split('\n');
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (QList<QByteArray>{"", "bluetooth", "power"}));
    qunsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(GeneralItem, compactHeadlineIsTheBatteryChargeWhenTheItemShowsIt)
{
    const QColor green(0x4c, 0xc2, 0x6e), amber(0xf5, 0xb0, 0x2e), red(0xf0, 0x4a, 0x3c), blue(0x4a, 0x9d, 0xf0);
    InternalBattery missing = battery(50);
    missing.percent.reset();
    struct Case {
        const char *name;
        qint64 displayOrbIcon;
        std::optional<InternalBattery> battery;
        double fraction; // below 0: no gauge
        const char *label;
        QColor colour;
    };
    const Case cases[] = {
        {"on battery", 2, battery(57), 0.57, "BAT 57%", green},
        {"charging", 2, battery(57, true, true), 0.57, "CHG 57%", blue},
        {"on the charger, not charging", 2, battery(100, true, false), 1.0, "AC 100%", green},
        {"low", 2, battery(20), 0.20, "BAT 20%", amber},
        {"very low", 2, battery(4), 0.04, "BAT 4%", red},
        {"charging while very low", 2, battery(4, true, true), 0.04, "CHG 4%", blue},
        // A charge that is not reported is no reading, never an empty battery.
        {"charge not reported", 2, missing, -1.0, "BAT --", QColor()},
        {"no battery: the application icon alone", 2, std::nullopt, -1.0, "", QColor()},
        {"the application icon chosen", 1, battery(57), -1.0, "", QColor()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PowerState s;
        s.battery = c.battery;
        show(c.displayOrbIcon, s);
        const TrayHeadline &h = item->statusItem()->headline();
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0.0);
        if (c.fraction < 0.0)
            continue;
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.colour, c.colour);
        // The full figures stay in the item's own tool tip.
        EXPECT_TRUE(h.toolTip.isEmpty());
    }
    // Choosing the application icon later drops the gauge at the next refresh.
    PowerState s;
    s.battery = battery(57);
    show(2, s);
    ASSERT_TRUE(item->statusItem()->headline().hasGauge());
    item->setMyDefaults(defaults(1));
    item->refreshBar();
    EXPECT_EQ(item->statusItem()->headline(), TrayHeadline{});
}
