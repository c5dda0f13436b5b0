// The StatusNotifierItem host against a private bus and a small watcher of our own, which
// lists items the way trays do: in the order they registered, dropping names that vanish.
#include "TestEnvironment.h"

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
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A dbus-daemon of the test's own, gone when the test ends.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

class TestWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    TestWatcher(const QString &address, const QString &connectionName)
        : name_(connectionName), bus_(QDBusConnection::connectToBus(address, connectionName)),
          vanish_(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration)
    {
        connect(&vanish_, &QDBusServiceWatcher::serviceUnregistered, this,
                [this](const QString &s) { items_.removeAll(s); });
        bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this, QDBusConnection::ExportAllSlots);
        ok_ = bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~TestWatcher() override { stop(); }
    void stop()
    {
        if (!bus_.isConnected())
            return;
        bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        QDBusConnection::disconnectFromBus(name_);
        bus_ = QDBusConnection(QString());
    }
    bool ok() const { return ok_; }
    QStringList items() const { return items_; }
    int registrations() const { return registrations_; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        ++registrations_;
        vanish_.addWatchedService(service);
        if (!items_.contains(service))
            items_.append(service);
    }

private:
    QString name_;
    QDBusConnection bus_;
    QDBusServiceWatcher vanish_;
    QStringList items_;
    int registrations_ = 0;
    bool ok_ = false;
};

// Counts an item's signals as a tray sees them.
class SignalCounter : public QObject {
    Q_OBJECT
public:
    int icon = 0, toolTip = 0;
public Q_SLOTS:
    void onNewIcon() { ++icon; }
    void onNewToolTip() { ++toolTip; }
};

class SniHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus_.address().isEmpty()) << "dbus-daemon did not start";
        client_ = QDBusConnection::connectToBus(bus_.address(), QStringLiteral("sni-test-client"));
        ASSERT_TRUE(client_.isConnected());
        registerSniTypes();
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("sni-test-client")); }

    // Asynchronous on purpose: the item answers from this very thread.
    QDBusMessage callItem(const QString &service, const QString &interface, const QString &method,
                          const QVariantList &args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"), interface, method);
        m.setArguments(args);
        QDBusPendingCall call = client_.asyncCall(m);
        waitUntil([&] { return call.isFinished(); });
        return call.reply();
    }
    QVariant property(const QString &service, const QString &name)
    {
        const QDBusMessage reply = callItem(service, QStringLiteral("org.freedesktop.DBus.Properties"),
                                            QStringLiteral("Get"),
                                            {QStringLiteral("org.kde.StatusNotifierItem"), name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
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

    test::ScopedHome home_;
    PrivateBus bus_;
    QDBusConnection client_{QString()};
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
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 2; }));
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(network)}));
    EXPECT_TRUE(service(cpu).startsWith(QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid())));

    // Memory goes between them later: network must come back after it, general just appends.
    auto memory = host.createItem(QStringLiteral("memory"));
    const QString oldNetwork = service(network);
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 3 && !watcher.items().contains(oldNetwork); }));
    EXPECT_NE(service(network), oldNetwork);
    EXPECT_EQ(watcher.items(), QStringList({service(cpu), service(memory), service(network)}));
    auto general = host.createItem(QStringLiteral("general"));
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
    spin(50);
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-4"));
    ASSERT_TRUE(waitUntil([&] { return watcher.items().size() == 1; }));
    EXPECT_EQ(watcher.items().first(), service(temp));
}

TEST_F(SniHostTest, PropertiesDescribeTheItemAndItsCurrentImage)
{
    TestWatcher watcher(bus_.address(), QStringLiteral("watcher-5"));
    SniHost host(bus_.address());
    auto cpu = host.createItem(QStringLiteral("cpu"));
    const QString svc = service(cpu);
    SignalCounter counter;
    for (const char *signal : {"NewIcon", "NewToolTip"})
        ASSERT_TRUE(client_.connect(svc, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"),
                                    QLatin1String(signal), &counter,
                                    qstrcmp(signal, "NewIcon") == 0 ? SLOT(onNewIcon()) : SLOT(onNewToolTip())));

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
    EXPECT_EQ(property(svc, QStringLiteral("Menu")).value<QDBusObjectPath>().path(), QStringLiteral("/NO_DBUSMENU"));

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
    QMenu menu;
    menu.addAction(QStringLiteral("Disk Utility"));
    disk->setMenu(&menu);
    const QString svc = service(disk);

    activate(svc, 120, 30);
    ASSERT_TRUE(waitUntil([&] { return menu.isVisible(); }));
    EXPECT_EQ(menu.pos(), QPoint(120, 30));
    activate(svc, 120, 30);
    ASSERT_TRUE(waitUntil([&] { return !menu.isVisible(); }));
    // The click that closed the menu may arrive once more right after: no reopening.
    activate(svc, 120, 30);
    spin(50);
    EXPECT_FALSE(menu.isVisible());
    spin(300);
    activate(svc, 0, 0); // no position: under the cursor
    EXPECT_TRUE(waitUntil([&] { return menu.isVisible(); }));
    menu.hide();

    // A disabled item opens nothing.
    spin(300);
    disk->setEnabled(false);
    activate(svc, 10, 10);
    spin(50);
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

} // namespace

#include "SniHostTest.moc"
