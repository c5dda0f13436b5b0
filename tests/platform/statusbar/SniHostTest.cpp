// The StatusNotifierItem host against a private bus and a small watcher of our own, which
// lists items the way trays do: in the order they registered, dropping names that vanish.
#include "MockBus.h"
#include "SniTestBus.h"
#include "TestEnvironment.h"

#include "platform/statusbar/CompactIcon.h"
#include "platform/statusbar/SniHost.h"
#include "platform/statusbar/SniItem.h"
#include "platform/statusbar/SniPixmap.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

using test::TestWatcher;
using test::spin;
using test::waitUntil;

// Counts an item's signals as a tray sees them.
class SignalCounter : public QObject {
    Q_OBJECT
public:
    int icon = 0, toolTip = 0;
    int label = 0;
    QStringList labels;
    QStringList statuses;
public Q_SLOTS:
    void onNewStatus(const QString &status) { statuses << status; }
    void onNewIcon() { ++icon; }
    void onNewToolTip() { ++toolTip; }
    void onNewLabel(const QString &text, const QString &) { ++label; labels << text; }
};

class SniHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus_.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(client_.bus().isConnected());
        registerSniTypes();
    }

    QDBusMessage callItem(const QString &service, const QString &interface, const QString &method,
                          const QVariantList &args)
    {
        return client_.callItem(service, interface, method, args);
    }
    QVariant property(const QString &service, const QString &name) { return client_.property(service, name); }
    void activate(const QString &service, int x, int y)
    {
        callItem(service, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {x, y});
    }
    static QString service(const std::unique_ptr<StatusItemHost> &item)
    {
        return static_cast<SniItem *>(item.get())->serviceName();
    }
    static QImage solid(int pixelWidth, int pixelHeight, const QColor &c)
    {
        QImage image(pixelWidth, pixelHeight, QImage::Format_ARGB32);
        image.fill(c);
        image.setDevicePixelRatio(2.0);
        return image;
    }
    // Gives an item something to show in either style: an image, and a gauge where it has one.
    static void show(const std::unique_ptr<StatusItemHost> &item)
    {
        item->setImage(solid(60, 44, Qt::darkCyan), false);
        TrayHeadline h;
        h.fraction = 0.4;
        h.label = item->moduleKey() + QStringLiteral(" 40%");
        item->setHeadline(h);
    }
    static TrayHeadline reading(double fraction)
    {
        TrayHeadline h;
        h.fraction = fraction;
        return h;
    }
    QString statusOf(const QString &svc) { return property(svc, QStringLiteral("Status")).toString(); }
    // Delivers the item's signal `member` to `slot` of `counter`, as a tray hears it.
    bool listen(const QString &svc, const char *member, SignalCounter &counter, const char *slot)
    {
        return client_.bus().connect(svc, kItemPath, kItemInterface, QLatin1String(member), &counter, slot);
    }
    inline static const QString kItemPath = QStringLiteral("/StatusNotifierItem");
    inline static const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

    test::ScopedHome home_;
    test::MockBus bus_;
    test::TrayClient client_{bus_.address(), QStringLiteral("sni-test-client")};
};

TEST_F(SniHostTest, ItemsRegisterInTheFixedOrderAndMoveRightWhenOneIsInsertedLeftOfThem)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-1"));
    ASSERT_TRUE(watcher.ok());
    SniHost host(bus_.address());
    ASSERT_TRUE(host.isWatcherPresent());
    // Created out of order within one turn: registered in order at once.
    auto network = host.createItem(QStringLiteral("network"));
    auto cpu = host.createItem(QStringLiteral("cpu"));
    show(network);
    show(cpu);
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 2; }));
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(network)}));
    EXPECT_TRUE(service(cpu).startsWith(QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid())));

    // Memory goes between them later: network must come back after it, general just appends.
    auto memory = host.createItem(QStringLiteral("memory"));
    show(memory);
    const QString oldNetwork = service(network);
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 3 && !watcher.items().contains(oldNetwork); }));
    EXPECT_NE(service(network), oldNetwork);
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(memory), service(network)}));
    auto general = host.createItem(QStringLiteral("general"));
    show(general);
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 4; }));
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(memory), service(network), service(general)}));
    EXPECT_EQ(watcher.registrations(), 5); // cpu, network, memory, network again, general

    // A removed item leaves the tray.
    memory.reset();
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 3; }));
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(network), service(general)}));
}

TEST_F(SniHostTest, ARestartedWatcherGetsEveryItemAgainInOrder)
{
    auto watcher = std::make_unique<TestWatcher>(bus_.address(), QStringLiteral("watcher-2"));
    SniHost host(bus_.address());
    auto fan = host.createItem(QStringLiteral("fan"));
    auto gpu = host.createItem(QStringLiteral("gpu"));
    show(fan);
    show(gpu);
    ASSERT_TRUE(waitUntil([&] { return watcher->items().size() == 2; }));

    watcher.reset();
    ASSERT_TRUE(waitUntil([&] { return !host.isWatcherPresent(); }));
    watcher = std::make_unique<TestWatcher>(bus_.address(), QStringLiteral("watcher-3"));
    ASSERT_TRUE(waitUntil([&] { return watcher->items().size() == 2; }));
    EXPECT_EQ(watcher->items(), QStringList({service(gpu), service(fan)}));
}

TEST_F(SniHostTest, ItemsWaitForAWatcherThatStartsLater)
{
    SniHost host(bus_.address());
    EXPECT_FALSE(host.isWatcherPresent());
    auto temp = host.createItem(QStringLiteral("temp"));
    show(temp);
    spin(50);
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-4"));
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 1; }));
    EXPECT_EQ(watcher.items().first(), service(temp));
}

TEST_F(SniHostTest, PropertiesDescribeTheItemAndItsCurrentImage)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-5"));
    SniHost host(bus_.address(), TrayStyle::Wide);
    auto cpu = host.createItem(QStringLiteral("cpu"));
    const QString svc = service(cpu);
    SignalCounter counter;
    for (const char *signal : {"NewIcon", "NewToolTip"})
        ASSERT_TRUE(listen(svc, signal, counter, qstrcmp(signal, "NewIcon") == 0 ? SLOT(onNewIcon()) : SLOT(onNewToolTip())));

    // A wide image, 75 x 22 points: 150 x 44 pixels. Two images and a tool tip in one refresh
    // give one NewIcon and one NewToolTip.
    QImage image = solid(150, 44, QColor(10, 20, 30, 255));
    image.setPixelColor(0, 0, QColor(200, 100, 50, 128));
    cpu->setImage(solid(150, 44, Qt::red), false);
    cpu->setImage(image, false);
    cpu->setToolTip(QStringLiteral("CPU"), QStringLiteral("User 12%"));
    ASSERT_TRUE(waitUntil([&] { return counter.icon >= 1 && counter.toolTip >= 1; }));
    spin(100);
    EXPECT_EQ(counter.icon, 1);
    EXPECT_EQ(counter.toolTip, 1);

    EXPECT_EQ(property(svc, QStringLiteral("Category")).toString(), QStringLiteral("Hardware"));
    EXPECT_EQ(property(svc, QStringLiteral("Id")).toString(), QStringLiteral("orbmeter-cpu"));
    EXPECT_EQ(property(svc, QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    EXPECT_EQ(property(svc, QStringLiteral("Title")).toString(), QStringLiteral("CPU"));
    EXPECT_EQ(property(svc, QStringLiteral("ItemIsMenu")), QVariant(false));
    EXPECT_EQ(property(svc, QStringLiteral("Menu")).value<QDBusObjectPath>().path(), QStringLiteral("/MenuBar"));

    const QString iconName = property(svc, QStringLiteral("IconName")).toString();
    EXPECT_TRUE(QFileInfo(iconName).isAbsolute());
    EXPECT_TRUE(iconName.startsWith(home_.home() + QStringLiteral("/run/orbmeter/")));
    const QImage png(iconName);
    ASSERT_FALSE(png.isNull()) << qPrintable(iconName);
    EXPECT_EQ(png.size(), QSize(150, 44));
    EXPECT_EQ(png.pixelColor(5, 5), QColor(10, 20, 30));

    const auto pixmaps = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].width, 150);
    EXPECT_EQ(pixmaps[0].height, 44);
    ASSERT_EQ(pixmaps[0].data.size(), 150 * 44 * 4);
    // Network byte order: alpha, red, green, blue.
    EXPECT_EQ(QByteArray(pixmaps[0].data.constData(), 4), QByteArray("\x80\xc8\x64\x32", 4));
    EXPECT_EQ(QByteArray(pixmaps[0].data.constData() + 4, 4), QByteArray("\xff\x0a\x14\x1e", 4));

    const auto tip = qdbus_cast<SniToolTip>(property(svc, QStringLiteral("ToolTip")).value<QDBusArgument>());
    EXPECT_EQ(tip.title, QStringLiteral("CPU"));
    EXPECT_EQ(tip.text, QStringLiteral("User 12%"));

    // The next image goes to the other file name, the one after that back to the first.
    cpu->setImage(solid(100, 44, Qt::blue), false);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 2; }));
    const QString second = property(svc, QStringLiteral("IconName")).toString();
    EXPECT_NE(second, iconName);
    EXPECT_EQ(QImage(second).size(), QSize(100, 44));
    // The same image again changes nothing and signals nothing.
    cpu->setImage(solid(100, 44, Qt::blue), false);
    spin(50);
    EXPECT_EQ(counter.icon, 2);
    cpu->setImage(solid(120, 44, Qt::green), false);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 3; }));
    EXPECT_EQ(property(svc, QStringLiteral("IconName")).toString(), iconName);

    // Template images take the text colour, keeping their alpha.
    QImage shape = solid(40, 44, QColor(0, 0, 0, 255));
    shape.setPixelColor(1, 1, QColor(0, 0, 0, 0));
    cpu->setImage(shape, true);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 4; }));
    const QImage tinted(property(svc, QStringLiteral("IconName")).toString());
    const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
    EXPECT_EQ(tinted.pixelColor(10, 10).rgb(), text.rgb());
    EXPECT_EQ(tinted.pixelColor(1, 1).alpha(), 0);

    // Files go with the item.
    cpu.reset();
    EXPECT_FALSE(QFileInfo::exists(iconName));
    EXPECT_FALSE(QFileInfo::exists(second));
}

TEST_F(SniHostTest, ActivateOpensTheMenuThereAndASecondClickClosesIt)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-6"));
    SniHost host(bus_.address());
    auto disk = host.createItem(QStringLiteral("disk"));
    // The item's clock moves only when the test moves it, so the bus's round trips take no time.
    qint64 clockMs = 1000;
    static_cast<SniItem *>(disk.get())->setClock([&clockMs] { return clockMs; });
    QMenu menu;
    menu.addAction(QStringLiteral("Disk Utility"));
    disk->setMenu(&menu);
    const QString svc = service(disk);

    activate(svc, 120, 300);
    ASSERT_TRUE(waitUntil([&] { return menu.isVisible(); }));
    EXPECT_EQ(menu.pos(), QPoint(120, 300));
    activate(svc, 120, 300);
    ASSERT_TRUE(waitUntil([&] { return !menu.isVisible(); }));
    // The click that closed the menu may arrive once more right after: no reopening. The
    // call returns once the item has handled it.
    clockMs += 249;
    activate(svc, 120, 300);
    spin(20);
    EXPECT_FALSE(menu.isVisible()) << "opened again 249 ms after it closed";
    // A quarter of a second after closing, a click is a new one. A bar along the bottom
    // edge: the menu opens above the bar, on the screen.
    clockMs += 1;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    activate(svc, screen.center().x(), screen.bottom() - 12);
    ASSERT_TRUE(waitUntil([&] { return menu.isVisible(); })) << "not opened 250 ms after it closed";
    EXPECT_LE(menu.geometry().bottom(), screen.bottom() - 25);
    EXPECT_LE(menu.geometry().right(), screen.right());
    EXPECT_GE(menu.geometry().top(), screen.top());
    menu.hide();
    clockMs += 300;
    activate(svc, 0, 0); // no position: under the cursor
    EXPECT_TRUE(waitUntil([&] { return menu.isVisible(); }));
    menu.hide();

    // A disabled item opens nothing.
    clockMs += 300;
    disk->setEnabled(false);
    activate(svc, 10, 10);
    spin(20);
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(SniHostTest, IconFilesOfEndedRunsAreRemovedAtStart)
{
    // A process id that is surely gone: a child that has finished.
    QProcess child;
    child.start(QStringLiteral("true"), {});
    ASSERT_TRUE(child.waitForStarted(5000));
    const qint64 gone = child.processId();
    ASSERT_TRUE(child.waitForFinished(5000));
    const QString dir = SniItem::iconDirectory();
    const QString stale = dir + QStringLiteral("/%1-3-cpu-0.png").arg(gone);
    const QString ours = dir + QStringLiteral("/%1-3-cpu-1.png").arg(QCoreApplication::applicationPid());
    const QString other = dir + QStringLiteral("/notes.png");
    for (const QString &f : {stale, ours, other})
        test::writeFile(f, "png");
    SniHost host(bus_.address());
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(ours));
    EXPECT_TRUE(QFileInfo::exists(other));
}

TEST_F(SniHostTest, CompactItemsSendSquareIconsTheLabelAndTheFullFigures)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-7"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto cpu = host.createItem(QStringLiteral("cpu"));
    const QString svc = service(cpu);
    SignalCounter counter;
    ASSERT_TRUE(listen(svc, "NewIcon", counter, SLOT(onNewIcon())));
    ASSERT_TRUE(listen(svc, "XAyatanaNewLabel", counter, SLOT(onNewLabel(QString, QString))));

    TrayHeadline h{0.23, QStringLiteral("CPU 23%"), QColor(0, 200, 0), TrayHeadline::Gauge::Bar,
                   QStringLiteral("User 20%\nSystem 3%")};
    cpu->setImage(solid(150, 44, Qt::red), false);
    cpu->setToolTip(QStringLiteral("CPU"), QStringLiteral("23%"));
    cpu->setHeadline(h);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 1 && counter.label == 1; }));

    // Pixels only, so no tray prefers a file it may fail to load or cache by name.
    EXPECT_EQ(property(svc, QStringLiteral("IconName")).toString(), QString());
    EXPECT_TRUE(QDir(SniItem::iconDirectory()).entryList({QStringLiteral("*-cpu-*.png")}).isEmpty());
    const auto pixmaps = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
    ASSERT_EQ(pixmaps.size(), 5);
    const int sizes[] = {16, 22, 24, 32, 48};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(sizes[i]);
        EXPECT_EQ(pixmaps[i].width, sizes[i]);
        EXPECT_EQ(pixmaps[i].height, sizes[i]);
        ASSERT_EQ(pixmaps[i].data.size(), sizes[i] * sizes[i] * 4);
        // The tile fills its cell: the middle of every edge is opaque (alpha first).
        const int s = sizes[i], m = s / 2;
        for (const auto &[x, y] : {std::pair{m, 0}, std::pair{m, s - 1}, std::pair{0, m}, std::pair{s - 1, m}})
            EXPECT_EQ(static_cast<uchar>(pixmaps[i].data[(y * s + x) * 4]), 255) << x << "," << y;
    }
    EXPECT_EQ(property(svc, QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("CPU 23%"));
    EXPECT_EQ(property(svc, QStringLiteral("XAyatanaLabelGuide")).toString(), QStringLiteral("CPU 888%"));
    EXPECT_EQ(counter.labels, QStringList{QStringLiteral("CPU 23%")});
    const auto tip = qdbus_cast<SniToolTip>(property(svc, QStringLiteral("ToolTip")).value<QDBusArgument>());
    EXPECT_EQ(tip.title, QStringLiteral("CPU"));
    EXPECT_EQ(tip.text, QStringLiteral("User 20%\nSystem 3%"));

    // A reading that draws the same pixels sends nothing; neither does a new wide image.
    h.fraction = 0.2304;
    cpu->setHeadline(h);
    cpu->setImage(solid(160, 44, Qt::blue), false);
    spin(100);
    EXPECT_EQ(counter.icon, 1);
    EXPECT_EQ(counter.label, 1);

    // A new figure: new pixels, new label.
    h.fraction = 0.91;
    h.label = QStringLiteral("CPU 91%");
    cpu->setHeadline(h);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 2 && counter.label == 2; }));
    const auto after = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
    ASSERT_EQ(after.size(), 5);
    EXPECT_NE(after[4].data, pixmaps[4].data);
    EXPECT_EQ(counter.labels.last(), QStringLiteral("CPU 91%"));

    // Switched to wide: the full image as a file and pixels, and no label.
    static_cast<SniItem *>(cpu.get())->setStyle(TrayStyle::Wide);
    ASSERT_TRUE(waitUntil([&] { return counter.icon == 3 && counter.label == 3; }));
    EXPECT_EQ(QImage(property(svc, QStringLiteral("IconName")).toString()).size(), QSize(160, 44));
    EXPECT_EQ(property(svc, QStringLiteral("XAyatanaLabel")).toString(), QString());
}

TEST_F(SniHostTest, CompactItemWithoutAGaugeShowsItsImageFittedIntoTheSquare)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-8"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto fan = host.createItem(QStringLiteral("fan"));
    const QString svc = service(fan);
    fan->setImage(solid(80, 40, QColor(30, 90, 200)), false); // 2:1
    TrayHeadline noGauge;
    noGauge.label = QStringLiteral("Fan 1200 rpm");
    fan->setHeadline(noGauge);
    QList<SniPixmap> pixmaps;
    ASSERT_TRUE(waitUntil([&] {
        pixmaps = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
        return pixmaps.size() == 5;
    }));
    // 48 x 48: the image 48 x 24 in the middle, transparent above and below.
    const SniPixmap &big = pixmaps[4];
    ASSERT_EQ(big.width, 48);
    const auto argb = [&](int x, int y) { return QByteArray(big.data.constData() + (y * 48 + x) * 4, 4); };
    EXPECT_EQ(argb(24, 24), QByteArray("\xff\x1e\x5a\xc8", 4));
    EXPECT_EQ(argb(24, 5)[0], '\0');
    EXPECT_EQ(argb(24, 42)[0], '\0');
    EXPECT_EQ(property(svc, QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("Fan 1200 rpm"));
}

TEST_F(SniHostTest, AnItemWhoseMenuTheTrayNeverReadsIsRegisteredAgainAFewTimes)
{
    test::LogCapture log;
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-retry"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    // Long enough for the tray's read below to arrive before the first check on a loaded
    // machine; the checks that follow are waited for, not timed.
    host.setTakenCheckInterval(2500);
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto memory = host.createItem(QStringLiteral("memory"));
    show(cpu);
    show(memory);
    ASSERT_TRUE(waitUntil([&] { return watcher.registrations() == 2; }));
    // The tray reads the memory item's menu, as trays do once an item is set up; not the CPU's.
    client_.call(service(memory), QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                 QStringLiteral("GetLayout"), {0, -1, QStringList()});
    const QString memoryName = service(memory);
    // CPU: registered three times in all under fresh names, then left alone.
    ASSERT_TRUE(waitUntil([&] { return log.has({"never read the menu of", "cpu"}); }, 30000))
        << log.lines().join('\n').toStdString();
    spin(100);
    EXPECT_EQ(watcher.registrations(), 4) << "the CPU item three times, the memory item once";
    EXPECT_EQ(service(memory), memoryName);
    EXPECT_FALSE(log.has({"never read the menu of", "memory"}));
    EXPECT_EQ(watcher.items().size(), 2);
    EXPECT_TRUE(watcher.items().contains(service(cpu)));
}

// GNOME Shell's extension takes items by path, from each item's own connection.
TEST_F(SniHostTest, ItemsRegisterByPathWithATrayThatTakesPaths)
{
    QTemporaryDir root;
    test::writeFile(root.path() + QStringLiteral("/proc/%1/comm").arg(QCoreApplication::applicationPid()),
                    "gnome-shell\n");
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-path"));
    SniHost host(bus_.address(), TrayStyle::Auto, Sysroot(root.path().toStdString()));
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto memory = host.createItem(QStringLiteral("memory"));
    show(cpu);
    show(memory);
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 2; }));
    EXPECT_EQ(host.trayName(), QStringLiteral("gnome-shell"));
    const auto pathOf = [](const std::unique_ptr<StatusItemHost> &item) {
        return static_cast<SniItem *>(item.get())->connection().baseService() + QStringLiteral("/StatusNotifierItem");
    };
    EXPECT_TRUE(watcher.items().contains(pathOf(cpu)));
    EXPECT_TRUE(watcher.items().contains(pathOf(memory)));
    // Gone with its connection.
    cpu.reset();
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 1; }));
    EXPECT_EQ(watcher.items().first(), pathOf(memory));
    EXPECT_FALSE(SniHost::registersByPath(QStringLiteral("xfce4-panel")));
}

// The tray's process is read from a made-up /proc: the watcher here is this test process.
TEST_F(SniHostTest, AutoStyleFollowsTheProcessThatOwnsTheWatcher)
{
    struct Case {
        QByteArray comm;    // empty: no comm file
        QByteArray cmdline; // empty: no cmdline file
        TrayStyle requested;
        TrayStyle expected;
        const char *identified; // nullptr: no identification expected
    };
    const Case cases[] = {
        {"waybar\n", {}, TrayStyle::Auto, TrayStyle::Wide, "waybar"},
        {"xfce4-panel\n", {}, TrayStyle::Auto, TrayStyle::Compact, "xfce4-panel"},
        {"gnome-shell", {}, TrayStyle::Auto, TrayStyle::Compact, "gnome-shell"},
        {{}, QByteArrayLiteral("/usr/bin/waybar\0-c\0/etc/xdg/waybar/config\0"), TrayStyle::Auto, TrayStyle::Wide,
         "waybar"},
        {{}, {}, TrayStyle::Auto, TrayStyle::Compact, ""},
        // Asked for explicitly: the tray is not looked at.
        {"waybar\n", {}, TrayStyle::Compact, TrayStyle::Compact, nullptr},
        {"lxqt-panel\n", {}, TrayStyle::Wide, TrayStyle::Wide, nullptr},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(n);
        QTemporaryDir root;
        const QString proc = root.path() + QStringLiteral("/proc/%1/").arg(QCoreApplication::applicationPid());
        if (!c.comm.isEmpty())
            test::writeFile(proc + QStringLiteral("comm"), c.comm);
        if (!c.cmdline.isEmpty())
            test::writeFile(proc + QStringLiteral("cmdline"), c.cmdline);
        TestWatcher watcher(bus_.address(), QStringLiteral("watcher-auto-%1").arg(n++));
        SniHost host(bus_.address(), c.requested, Sysroot(root.path().toStdString()));
        QSignalSpy identified(&host, &SniHost::trayIdentified);
        auto memory = host.createItem(QStringLiteral("memory"));
        memory->setImage(solid(60, 44, Qt::gray), false);
        TrayHeadline half;
        half.fraction = 0.5;
        half.label = QStringLiteral("MEM 50%");
        memory->setHeadline(half);
        if (c.identified) {
            ASSERT_TRUE(waitUntil([&] { return identified.count() == 1; }));
            EXPECT_EQ(identified.at(0).at(0).toString(), QString::fromLatin1(c.identified));
        } else {
            spin(100);
            EXPECT_EQ(identified.count(), 0);
        }
        EXPECT_EQ(host.style(), c.expected);
        const QString svc = service(memory);
        ASSERT_TRUE(waitUntil([&] { return property(svc, QStringLiteral("IconPixmap")).isValid(); }));
        spin(50);
        const bool wide = c.expected == TrayStyle::Wide;
        EXPECT_EQ(property(svc, QStringLiteral("IconName")).toString().isEmpty(), !wide);
        EXPECT_EQ(property(svc, QStringLiteral("XAyatanaLabel")).toString(), wide ? QString() : QStringLiteral("MEM 50%"));
    }
}

} // namespace

#include "SniHostTest.moc"

TEST_F(SniHostTest, ToolTipTextGoesOutAsTextNotMarkup)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-tips"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto general = host.createItem(QStringLiteral("general"));
    const QString svc = service(general);
    struct Case {
        const char *name;
        QString title;
        QString text;     // the item's own tool tip
        QString headline; // the headline's, empty for none
        QString sent;
    };
    const Case cases[] = {
        {"a device named like markup", QStringLiteral("Orbmeter"), QStringLiteral("<b>Mouse</b> 40%"), {},
         QStringLiteral("&lt;b&gt;Mouse&lt;/b&gt; 40%")},
        {"ampersands and quotes", QStringLiteral("Net"), QStringLiteral("a & b \"c\"\nd's"), {},
         QStringLiteral("a &amp; b &quot;c&quot;\nd's")},
        {"an entity stays as typed", QStringLiteral("Net"), QStringLiteral("&amp;"), {}, QStringLiteral("&amp;amp;")},
        {"the headline's figures too", QStringLiteral("Fan"), QStringLiteral("2400rpm"),
         QStringLiteral("<i>CPU</i> & case: 2400rpm"), QStringLiteral("&lt;i&gt;CPU&lt;/i&gt; &amp; case: 2400rpm")},
        {"plain text unchanged", QStringLiteral("CPU"), QStringLiteral("User 12%\nSystem 3%"), {},
         QStringLiteral("User 12%\nSystem 3%")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TrayHeadline h;
        h.toolTip = c.headline;
        general->setHeadline(h);
        general->setToolTip(c.title, c.text);
        spin(50);
        const auto tip = qdbus_cast<SniToolTip>(property(svc, QStringLiteral("ToolTip")).value<QDBusArgument>());
        EXPECT_EQ(tip.text, c.sent);
        // The title is plain text in the protocol and goes out as it is.
        EXPECT_EQ(tip.title, c.title);
        // The item itself keeps the text as given.
        EXPECT_EQ(general->toolTipText(), c.text);
    }
}

TEST_F(SniHostTest, AGaugeWithItsOwnFigureIsRedrawnWhenOnlyTheLevelMoves)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-figure"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto network = host.createItem(QStringLiteral("network"));
    const QString svc = service(network);
    const auto pixels = [&] {
        const auto p = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
        return p.size() == 5 ? p[4].data : QByteArray();
    };
    TrayHeadline h;
    h.fraction = 0.9;
    h.figure = QStringLiteral("1.2M");
    h.label = QStringLiteral("\u21931.2M \u21910");
    network->setHeadline(h);
    QByteArray first;
    ASSERT_TRUE(waitUntil([&] { return !(first = pixels()).isEmpty(); }));
    struct Step {
        double fraction;
        bool redrawn;
    };
    // Same figure and label throughout; only the level moves.
    for (const Step &s : {Step{0.3, true}, Step{0.3004, false}, Step{1.4, true}, Step{1.0, false}}) {
        SCOPED_TRACE(s.fraction);
        const QByteArray before = pixels();
        h.fraction = s.fraction;
        network->setHeadline(h);
        if (s.redrawn) {
            EXPECT_TRUE(waitUntil([&] { return pixels() != before; }));
        } else {
            spin(100);
            EXPECT_EQ(pixels(), before);
        }
    }
}

// Each size of a gauge icon is drawn again only when what it shows moves by a step of its
// own (a pixel of its bar, a sixteenth of a degree, another figure or colour); after every
// reading, whatever was kept, every size is the icon a fresh drawing gives.
TEST_F(SniHostTest, EverySizeOfAGaugeIconIsTheOneDrawnAfresh)
{
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto item = host.createItem(QStringLiteral("cpu"));
    auto *sni = static_cast<SniItem *>(item.get());
    QRandomGenerator random(7);
    const QString figures[] = {QString(), QStringLiteral("1.2M")};
    TrayHeadline h = reading(0.4);
    const auto check = [&](int step) {
        const QList<SniPixmap> shown = sni->iconPixmaps();
        if (!h.hasGauge()) { // no reading: nothing, or the image fitted
            EXPECT_EQ(shown.isEmpty(), step < 60) << "step " << step;
            return;
        }
        ASSERT_EQ(shown.size(), qsizetype(CompactIcon::kSizes.size())) << "step " << step;
        for (std::size_t i = 0; i < CompactIcon::kSizes.size(); ++i) {
            const SniPixmap fresh = SniPixmap::fromImage(CompactIcon::render(h, CompactIcon::kSizes[i]));
            ASSERT_EQ(shown[qsizetype(i)].data, fresh.data)
                << "step " << step << " size " << CompactIcon::kSizes[i] << " fraction " << h.fraction;
        }
    };
    for (int step = 0; step < 120; ++step) {
        if (step == 60) {
            // A while in the wide style, whose one pixmap is the wide image, and back.
            h = reading(0.4);
            item->setHeadline(h);
            QCoreApplication::processEvents();
            QImage wide(150, 44, QImage::Format_ARGB32_Premultiplied);
            wide.fill(Qt::red);
            item->setImage(wide, false);
            sni->setStyle(TrayStyle::Wide);
            QCoreApplication::processEvents();
            ASSERT_EQ(sni->iconPixmaps().size(), 1);
            sni->setStyle(TrayStyle::Compact);
            QCoreApplication::processEvents();
            ASSERT_NO_FATAL_FAILURE(check(step));
        }
        // Mostly moves of a few percent (the item redraws on whole percents), now and then a
        // jump, another gauge, figure or colour.
        const int kind = random.bounded(20);
        if (kind == 0)
            h.gauge = h.gauge == TrayHeadline::Gauge::Bar ? TrayHeadline::Gauge::Pie : TrayHeadline::Gauge::Bar;
        else if (kind == 1)
            h.figure = figures[random.bounded(2)];
        else if (kind == 2)
            h.colour = QColor::fromRgb(random.bounded(256), 200, 0);
        else if (kind == 3)
            h.fraction = random.bounded(2) ? -1.0 : random.bounded(101) / 100.0;
        else
            h.fraction = std::clamp(std::round(std::max(h.fraction, 0.0) * 100.0 + random.bounded(7) - 3) / 100.0, 0.0, 1.0);
        item->setHeadline(h);
        QCoreApplication::processEvents();
        ASSERT_NO_FATAL_FAILURE(check(step));
    }
    // A tiny move keeps the small sizes' looks: the skip is there to be taken.
    TrayHeadline a = reading(0.40), b = reading(0.404);
    EXPECT_EQ(CompactIcon::look(a, 16), CompactIcon::look(b, 16));
    EXPECT_NE(CompactIcon::look(a, 48).filled, CompactIcon::look(reading(0.5), 48).filled);
}

// What counts as something to show, per style: the tray hears of an item only then, and its
// Status says "Active"; before that it is "Passive" and left out of the tray.
TEST_F(SniHostTest, AnItemIsPutBeforeTheTrayOnlyWithSomethingToShowInItsStyle)
{
    struct Case {
        const char *name;
        TrayStyle style;
        bool gaugeIcon;
        bool image;
        double fraction; // below 0: no reading
        QString label;
        bool shown;
    };
    const Case cases[] = {
        {"wide, an image", TrayStyle::Wide, true, true, -1.0, {}, true},
        {"wide, a reading but no image yet", TrayStyle::Wide, true, false, 0.3, QStringLiteral("NET 1K"), false},
        {"compact gauge with a reading", TrayStyle::Compact, true, false, 0.3, QStringLiteral("NET 1K"), true},
        // Its wide image squeezed into the square would be an unreadable sliver.
        {"compact gauge before its first reading", TrayStyle::Compact, true, true, -1.0, {}, false},
        {"compact gauge with only a label", TrayStyle::Compact, true, true, -1.0, QStringLiteral("NET --"), false},
        {"compact, the program's icon", TrayStyle::Compact, false, true, -1.0, {}, true},
        {"compact, nothing at all", TrayStyle::Compact, false, false, -1.0, QStringLiteral("FAN --"), false},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestWatcher watcher(bus_.address(), QStringLiteral("watcher-shown-%1").arg(n++));
        SniHost host(bus_.address(), c.style);
        // A neighbour that always has something, so the registrations are known to have run.
        auto general = host.createItem(QStringLiteral("general"));
        general->setImage(solid(40, 40, Qt::gray), false);
        auto item = host.createItem(QStringLiteral("network"));
        item->setGaugeIcon(c.gaugeIcon);
        if (c.image)
            item->setImage(solid(150, 44, Qt::red), false);
        TrayHeadline h = reading(c.fraction);
        h.label = c.label;
        item->setHeadline(h);
        ASSERT_TRUE(waitUntil([&] { return watcher.items().contains(service(general)); }));
        spin(50);
        EXPECT_EQ(watcher.items().contains(service(item)), c.shown);
        EXPECT_EQ(statusOf(service(item)), c.shown ? QStringLiteral("Active") : QStringLiteral("Passive"));
        if (c.shown) {
            const auto pixmaps =
                qdbus_cast<QList<SniPixmap>>(property(service(item), QStringLiteral("IconPixmap")).value<QDBusArgument>());
            EXPECT_FALSE(pixmaps.isEmpty());
        }
    }
}

TEST_F(SniHostTest, AnItemThatGetsSomethingToShowLaterJoinsTheTrayInItsPlace)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-later"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto network = host.createItem(QStringLiteral("network"));
    auto general = host.createItem(QStringLiteral("general"));
    for (auto *gauge : {cpu.get(), network.get()})
        gauge->setGaugeIcon(true);
    cpu->setHeadline(reading(0.2));
    general->setImage(solid(40, 40, Qt::gray), false);
    network->setImage(solid(150, 44, Qt::red), false); // no reading yet: nothing to show
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 2; }));
    spin(50);
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(general)}));
    const QString svc = service(network);
    EXPECT_EQ(statusOf(svc), QStringLiteral("Passive"));
    SignalCounter counter;
    ASSERT_TRUE(listen(svc, "NewStatus", counter, SLOT(onNewStatus(QString))));

    // Its first reading: the tray hears of it, between CPU and General as always.
    const QString oldGeneral = service(general);
    network->setHeadline(reading(0.5));
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 3 && !watcher.items().contains(oldGeneral); }));
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(network), service(general)}));
    ASSERT_TRUE(waitUntil([&] { return counter.statuses.size() == 1; }));
    EXPECT_EQ(counter.statuses, QStringList{QStringLiteral("Active")});
    EXPECT_EQ(statusOf(svc), QStringLiteral("Active"));
    const int registrations = watcher.registrations();

    // Readings stop: "Passive" again, for the tray to hide; the item keeps its place and
    // shows an empty tile, never a broken icon, where a tray still draws it.
    network->setHeadline(reading(-1.0));
    ASSERT_TRUE(waitUntil([&] { return counter.statuses.size() == 2; }));
    EXPECT_EQ(counter.statuses.last(), QStringLiteral("Passive"));
    EXPECT_EQ(statusOf(svc), QStringLiteral("Passive"));
    const auto tile = qdbus_cast<QList<SniPixmap>>(property(svc, QStringLiteral("IconPixmap")).value<QDBusArgument>());
    ASSERT_EQ(tile.size(), 5);
    EXPECT_EQ(static_cast<uchar>(tile[4].data[(24 * 48 + 24) * 4]), 255) << "the tile's middle is transparent";
    // And back: "Active", without registering anything again.
    network->setHeadline(reading(0.7));
    ASSERT_TRUE(waitUntil([&] { return counter.statuses.size() == 3; }));
    EXPECT_EQ(counter.statuses.last(), QStringLiteral("Active"));
    spin(50);
    EXPECT_EQ(watcher.registrations(), registrations);
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(network), service(general)}));
}

// A tray's reads are answered by the bus connection's own thread: a read made while the UI
// thread is blocked (here: blocked in the read itself) gets its answer, and it is the state
// of the item's last completed update, never a half-made one.
TEST_F(SniHostTest, ATrayReadIsAnsweredWhileTheUiThreadIsBusyWithTheLastPublishedState)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-busy"));
    SniHost host(bus_.address(), TrayStyle::Compact);
    auto cpu = host.createItem(QStringLiteral("cpu"));
    const QString svc = service(cpu);
    SignalCounter counter;
    ASSERT_TRUE(listen(svc, "NewToolTip", counter, SLOT(onNewToolTip())));
    TrayHeadline h{0.23, QStringLiteral("CPU 23%"), QColor(0, 200, 0), TrayHeadline::Gauge::Bar,
                   QStringLiteral("User 20%\nSystem 3%")};
    cpu->setImage(solid(150, 44, Qt::red), false);
    cpu->setHeadline(h);
    ASSERT_TRUE(waitUntil([&] { return counter.toolTip >= 1; }));

    // Blocking calls from this (the item's UI) thread: only another thread can answer them.
    const auto blockingGet = [&](const QString &name) {
        QDBusMessage get = QDBusMessage::createMethodCall(svc, kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << kItemInterface << name;
        const QDBusMessage reply = client_.bus().call(get, QDBus::Block, 5000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    };
    const auto tipText = [&] {
        return qdbus_cast<SniToolTip>(blockingGet(QStringLiteral("ToolTip")).value<QDBusArgument>()).text;
    };
    EXPECT_EQ(blockingGet(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("CPU 23%"));
    EXPECT_EQ(tipText(), QStringLiteral("User 20%\nSystem 3%"));
    const auto pixmaps = qdbus_cast<QList<SniPixmap>>(blockingGet(QStringLiteral("IconPixmap")).value<QDBusArgument>());
    EXPECT_EQ(pixmaps.size(), 5);

    // A new reading is sent as one update: until it is, the tray reads the previous one whole.
    h.fraction = 0.71;
    h.label = QStringLiteral("CPU 71%");
    h.toolTip = QStringLiteral("User 60%\nSystem 11%");
    cpu->setHeadline(h);
    EXPECT_EQ(blockingGet(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("CPU 23%"));
    EXPECT_EQ(tipText(), QStringLiteral("User 20%\nSystem 3%"));
    ASSERT_TRUE(waitUntil([&] { return counter.toolTip >= 2; }));
    EXPECT_EQ(blockingGet(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("CPU 71%"));
    EXPECT_EQ(tipText(), QStringLiteral("User 60%\nSystem 11%"));
}

// At the end of a session the bus goes away with everything else, often before the items do:
// items whose connections have already dropped are taken down without touching what the
// connection's thread frees behind them.
TEST_F(SniHostTest, ItemsOutlivingTheirBusAreTakenDownCleanly)
{
    auto watcher = std::make_unique<TestWatcher>(bus_.address(), QStringLiteral("watcher-end"));
    auto host = std::make_unique<SniHost>(bus_.address(), TrayStyle::Compact);
    std::vector<std::unique_ptr<StatusItemHost>> items;
    for (const char *key : {"cpu", "memory", "disk"}) {
        items.push_back(host->createItem(QLatin1String(key)));
        show(items.back());
    }
    ASSERT_TRUE(waitUntil([&] { return watcher->items().size() == 3; }));

    bus_.stopDaemon();
    ASSERT_TRUE(waitUntil([&] {
        return std::none_of(items.begin(), items.end(), [](const auto &item) {
            return static_cast<SniItem *>(item.get())->connection().isConnected();
        });
    }));
    items.clear();
    host.reset();
    watcher.reset();
    // The connections are freed on their own thread; give it the time to do so.
    spin(500);
}
