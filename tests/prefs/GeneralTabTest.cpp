#include "PrefsTestSupport.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/PreferencePropagation.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "prefs/ElementOrderRow.h"
#include "prefs/ModuleSwitches.h"
#include "prefs/ModuleTabViewController.h"
#include "prefs/PreferenceWindow.h"
#include "prefs/TopTabViewController.h"
#include "prefs/TopWrapView.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

using namespace orb;

namespace {

constexpr int kTickMs = 1000;

// A host that also keeps the tray styles it was asked for.
class StyleRecordingHost : public OffscreenHost {
public:
    void setTrayStyle(TrayStyle style) override { styles.push_back(style); }
    std::vector<TrayStyle> styles;
};

class GeneralTabTest : public ::testing::Test {
protected:
    void SetUp() override { SettingsStore::resetSharedInstances(); }
    void start(std::vector<QString> roots = {QStringLiteral("bench-a"), QStringLiteral("bench-b")},
               const std::function<void(SettingsStore &)> &before = {})
    {
        AppOptions options{.startTimer = false, .probeHardware = false};
        for (const QString &r : roots)
            options.sysroots.emplace_back(QFile::encodeName(test::fixturePath(r)).toStdString());
        if (before) {
            auto store = SettingsStore::open();
            before(*store);
            store->synchronize();
        }
        app = std::make_unique<AppDelegate>(host, std::move(options));
        app->startUpMe();
        ASSERT_TRUE(app->runPassSynchronously());
        ASSERT_TRUE(app->runPassSynchronously());
    }
    void TearDown() override
    {
        app.reset();
        SettingsStore::resetSharedInstances();
    }
    PreferencePropagation &prefs() { return app->preferences(); }
    PreferenceWindow &open(int tabIndex)
    {
        prefs().openPreferenceTab(tabIndex);
        return *prefs().window();
    }
    TopTabViewController &general() { return *open(0).generalTab(); }
    QStringList shownKeys() const
    {
        QStringList keys;
        for (StatusItemHost *item : host.itemsInOrder())
            keys << item->moduleKey();
        return keys;
    }
    bool handledAll(QSignalSpy &spy, int count, int ms = 2 * kTickMs)
    {
        return QTest::qWaitFor([&] { return spy.count() >= count && !prefs().hasPending(); }, ms);
    }

    test::ScopedHome home;
    StyleRecordingHost host;
    std::unique_ptr<AppDelegate> app;
};

} // namespace

// Each module's overview switch takes its status item away, and brings it back in its own
// place with the display elements the user had on.
TEST_F(GeneralTabTest, OverviewSwitchRemovesTheItemAndBringsItBackInItsPlace)
{
    start();
    TopTabViewController &tab = general();
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    const struct {
        ModuleId id;
        const char *key;
    } rows[] = {{ModuleId::Cpu, "cpu"},   {ModuleId::Gpu, "gpu"},   {ModuleId::Memory, "memory"},
                {ModuleId::Network, "network"}, {ModuleId::Disk, "disk"}, {ModuleId::Temp, "temp"},
                {ModuleId::Fan, "fan"},   {ModuleId::Vnc, "vnc"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.key);
        QCheckBox *box = tab.box(row.id)->switchBox();
        if (!box->isChecked()) {
            box->click();
            ASSERT_TRUE(handledAll(done, done.count() + 1));
        }
        ASSERT_TRUE(shownKeys().contains(row.key));
        const QStringList before = shownKeys();
        QStringList wasOn;
        for (const QString &k : ModuleSwitches::keys(row.id))
            if (app->settings().boolForKey(k))
                wasOn << k;
        ASSERT_FALSE(wasOn.isEmpty());

        box->click();
        ASSERT_TRUE(handledAll(done, done.count() + 1));
        QStringList without = before;
        without.removeAll(row.key);
        EXPECT_EQ(shownKeys(), without);
        EXPECT_EQ(app->statusModule(row.id), nullptr);
        EXPECT_DOUBLE_EQ(tab.box(row.id)->opacity(), 0.3);

        box->click();
        ASSERT_TRUE(handledAll(done, done.count() + 1));
        EXPECT_EQ(shownKeys(), before);
        QStringList nowOn;
        for (const QString &k : ModuleSwitches::keys(row.id))
            if (app->settings().boolForKey(k))
                nowOn << k;
        EXPECT_EQ(nowOn, wasOn);
        EXPECT_DOUBLE_EQ(tab.box(row.id)->opacity(), 1.0);
    }
}

// Switching on a module whose switches were never remembered gives its first-run choice,
// or its first element when that chose none; a remembered list read from the file keeps
// only the module's own switches.
TEST(ModuleSwitchesTest, SwitchingOnWithoutMemory)
{
    test::ScopedHome home;
    SettingsStore store(QStringLiteral("t"), home.configDir());
    const struct {
        ModuleId id;
        QVariantMap remembered;
        QStringList expectOn;
    } rows[] = {
        {ModuleId::Cpu, {}, {}},
        {ModuleId::Vnc, {}, {"Vnc_ShowMenu"}},
        {ModuleId::Cpu, {{"LaunchCpus", QVariantList{"Cpu_Display_Text", "Memory_Display_Graph", "../x"}}},
         {"Cpu_Display_Text"}},
    };
    for (const auto &row : rows) {
        for (const QString &k : ModuleSwitches::keys(row.id))
            store.setBool(k, false);
        store.setDictionary(QLatin1String(ModuleSwitches::kRememberedKey), row.remembered);
        store.setBool("Memory_Display_Graph", false);
        ModuleSwitches::switchOn(row.id, store);
        QStringList on;
        for (const QString &k : ModuleSwitches::keys(row.id))
            if (store.boolForKey(k))
                on << k;
        EXPECT_FALSE(on.isEmpty());
        if (!row.expectOn.isEmpty()) {
            EXPECT_EQ(on, row.expectOn);
        }
        EXPECT_FALSE(store.boolForKey("Memory_Display_Graph")) << "another module's switch was turned on";
        EXPECT_TRUE(ModuleCatalog::info(row.id).wantsItem(store));
        ModuleSwitches::switchOff(row.id, store);
        EXPECT_FALSE(ModuleCatalog::info(row.id).wantsItem(store));
    }
}

// The module previews follow the refresh cycle while their tab is shown, and stand still
// while the window is hidden or another tab is in front.
TEST_F(GeneralTabTest, PreviewsFollowNewSamplesOnlyWhileVisible)
{
    start({QStringLiteral("cpu-2core-a"), QStringLiteral("cpu-2core-b")});
    PreferenceWindow &window = open(ModuleCatalog::info(ModuleId::Cpu).tabIndex);
    ModuleTabViewController &cpu = *window.moduleTab(ModuleId::Cpu);
    auto graph = [&] { return cpu.elementRow()->view(1)->preview().toImage(); };
    ASSERT_FALSE(graph().isNull()) << "the graph element shows a preview, not its name";
    for (int code = 1; code <= 4; ++code)
        EXPECT_FALSE(cpu.elementRow()->view(code)->preview().isNull()) << code;

    struct Step {
        const char *what;
        std::function<void()> arrange;
        bool follows;
    };
    const Step steps[] = {
        {"shown", [] {}, true},
        {"hidden", [&] { window.hide(); }, false},
        {"shown again", [&] { prefs().openPreferenceTab(ModuleCatalog::info(ModuleId::Cpu).tabIndex); }, true},
        {"another tab in front", [&] { window.selectTab(ModuleCatalog::info(ModuleId::Memory).tabIndex); }, false},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        step.arrange();
        const QImage before = graph();
        const int renders = cpu.previewRenders();
        ASSERT_TRUE(app->runPassSynchronously());
        EXPECT_EQ(cpu.previewRenders() > renders, step.follows);
        EXPECT_EQ(graph() != before, step.follows);
    }
}

// The overview draws the live graphs only with "Display histgram" on, and only while the
// General tab is shown.
TEST_F(GeneralTabTest, OverviewGraphsFollowTheCycleWithTheHistogramSwitch)
{
    start({QStringLiteral("cpu-2core-a"), QStringLiteral("cpu-2core-b")});
    TopTabViewController &tab = general();
    QCheckBox *histogram = tab.findChild<QCheckBox *>("TopHistgramPreview");
    ASSERT_NE(histogram, nullptr);
    if (histogram->isChecked())
        histogram->click();
    ASSERT_TRUE(app->runPassSynchronously());
    EXPECT_TRUE(tab.box(ModuleId::Cpu)->graph().isNull());
    EXPECT_TRUE(tab.box(ModuleId::Cpu)->disabledFrame());

    histogram->click();
    EXPECT_TRUE(app->settings().boolForKey("TopHistgramPreview"));
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    ASSERT_TRUE(handledAll(done, 1));
    ASSERT_TRUE(app->runPassSynchronously());
    EXPECT_FALSE(tab.box(ModuleId::Cpu)->graph().isNull());
    EXPECT_FALSE(tab.box(ModuleId::Cpu)->disabledFrame());
    // VNC has no history: its caption alone.
    EXPECT_TRUE(tab.box(ModuleId::Vnc)->graph().isNull());

    const int renders = tab.overviewRenders();
    prefs().window()->selectTab(ModuleCatalog::info(ModuleId::Cpu).tabIndex);
    ASSERT_TRUE(app->runPassSynchronously());
    EXPECT_EQ(tab.overviewRenders(), renders);
}

// Modules whose hardware the machine lacks cannot be switched on in the overview.
TEST_F(GeneralTabTest, ModulesWithoutHardwareCannotBeSwitchedOn)
{
    AppOptions options{.sysroots = {Sysroot(QFile::encodeName(test::fixturePath("gpu-none")).toStdString())},
                       .startTimer = false};
    app = std::make_unique<AppDelegate>(host, std::move(options));
    app->startUpMe();
    TopTabViewController &tab = general();
    // The greyed switch says what is missing, where the pointer rests on it.
    const struct {
        ModuleId id;
        bool available;
        const char *why;
    } rows[] = {{ModuleId::Gpu, false, "No graphics card found on this machine"},
                {ModuleId::Temp, false, "No temperature sensor found on this machine"},
                {ModuleId::Fan, false, "No fan found on this machine"},
                {ModuleId::Cpu, true, ""},
                {ModuleId::Memory, true, ""},
                {ModuleId::Vnc, true, ""}};
    for (const auto &row : rows) {
        SCOPED_TRACE(ModuleCatalog::info(row.id).prefName);
        QCheckBox *on = tab.box(row.id)->switchBox();
        EXPECT_EQ(on->isEnabled(), row.available);
        EXPECT_EQ(on->toolTip(), QString::fromLatin1(row.why));
        EXPECT_EQ(tab.box(row.id)->toolTip(), QString::fromLatin1(row.why));
    }
}

// With every module off and no General item, opening the tab brings the General item
// back; without an internal battery the menu offers two choices.
TEST_F(GeneralTabTest, NoModuleShownKeepsTheGeneralItem)
{
    start({QStringLiteral("bench-a")}, [](SettingsStore &s) {
        s.setString("AppVersion", "0");
        s.setInteger("DisplayOrbIcon", 0);
    });
    for (const TopTabViewController::Box &b : TopTabViewController::boxes())
        ModuleSwitches::switchOff(b.module, app->settings());
    app->settings().setInteger("DisplayOrbIcon", 0);
    app->moduleLaunchCheck(true);
    ASSERT_FALSE(shownKeys().contains("general"));
    TopTabViewController &tab = general();
    QComboBox *icon = tab.findChild<QComboBox *>("DisplayOrbIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->count(), 2);
    EXPECT_EQ(icon->currentIndex(), 1);
    EXPECT_FALSE(icon->isEnabled());
    EXPECT_EQ(app->settings().integerForKey("DisplayOrbIcon"), 1);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    ASSERT_TRUE(handledAll(done, 1));
    EXPECT_EQ(shownKeys(), QStringList{"general"});
}

// Each control of the tab stores its key and announces the change with the flags the
// application acts on.
TEST_F(GeneralTabTest, ControlsStoreTheirKeysAndAnnounceThem)
{
    start();
    TopTabViewController &tab = general();
    test::NotificationRecorder notes(prefs().center());
    const struct {
        const char *key;
        std::function<void()> act;
        QVariant stored;
        bool allocNow, reload, themeChanged;
    } rows[] = {
        {"RebootRegularlyDays", [&] { tab.findChild<QSpinBox *>("RebootRegularlyDays")->setValue(7); }, qint64(7),
         false, true, false},
        {"BidDisconnectNotify", [&] { tab.findChild<QCheckBox *>("BidDisconnectNotify")->click(); },
         !app->settings().boolForKey("BidDisconnectNotify"), false, false, false},
        {"kBidBatteryNotify", [&] { tab.findChild<QCheckBox *>("kBidBatteryNotify")->click(); },
         !app->settings().boolForKey("kBidBatteryNotify"), true, false, false},
        {"DisplayOrbIcon", [&] { tab.findChild<QComboBox *>("DisplayOrbIcon")->activated(0); }, qint64(0), true, true,
         false},
        {"TrayStyle", [&] { tab.findChild<QComboBox *>("TrayStyle")->activated(2); }, QString("compact"), false,
         false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.key);
        const size_t posted = notes.posted.size();
        row.act();
        EXPECT_EQ(app->settings().objectForKey(row.key), row.stored);
        if (QLatin1String(row.key) == QLatin1String("TrayStyle")) {
            ASSERT_EQ(host.styles.size(), 1u);
            EXPECT_EQ(host.styles.front(), TrayStyle::Compact);
            EXPECT_EQ(notes.posted.size(), posted);
            continue;
        }
        ASSERT_EQ(notes.posted.size(), posted + 1);
        EXPECT_EQ(notes.last().name, "GeneralModuleNotif");
        EXPECT_EQ(notes.last().info.value(PrefNotice::kModuleAllocNow).toBool(), row.allocNow);
        EXPECT_EQ(notes.last().info.value(PrefNotice::kModuleDefaultReload).toBool(), row.reload);
        EXPECT_EQ(notes.last().info.value(PrefNotice::kModuleThemeChanged).toBool(), row.themeChanged);
    }
    // "Show Nothing" takes the General item away once handled.
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    ASSERT_TRUE(handledAll(done, 1));
    EXPECT_FALSE(shownKeys().contains("general"));
}

// Saving the theme and picking themes: a saved theme is offered at once and comes back
// whole when picked; picking the current theme leaves its file as it is.
TEST_F(GeneralTabTest, ThemeSaveAndPickRoundTrip)
{
    start();
    TopTabViewController &tab = general();
    QComboBox *menu = tab.findChild<QComboBox *>("Theme");
    ASSERT_NE(menu, nullptr);
    const QString dir = ThemeStore::checkAndRetMyApplicationSupportDir();
    const QString now = QDir(dir).filePath(ThemeStore::kNowThemeFile);
    // A colour of the user's own, to find again.
    QVariantMap mine = ThemeStore::readNowTheme();
    mine.insert("A01", QVariantList{0.25, 0.5, 0.75, 1.0});
    ASSERT_TRUE(ThemeStore::saveNowTheme(mine));

    ASSERT_TRUE(tab.saveThemeTo(QDir(dir).filePath("Mine")));
    ASSERT_FALSE(tab.saveThemeTo(now)) << "the current theme's own file is not a save target";
    // The menu lists the themes in the order the store gives them.
    auto indexOf = [&](const QString &file) {
        const QList<QVariantMap> themes = ThemeStore::themeList();
        for (int i = 0; i < themes.size(); ++i)
            if (themes[i].value("_FileName").toString() == file)
                return i;
        return -1;
    };
    ASSERT_GE(indexOf("Mine.plist"), 1);
    EXPECT_EQ(menu->count(), ThemeStore::themeList().size());
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);

    const struct {
        const char *file;
        bool dark;
        bool mineColour;
    } picks[] = {{"_dark_theme.plist", true, false}, {"Mine.plist", false, true}};
    for (const auto &p : picks) {
        SCOPED_TRACE(p.file);
        const int index = indexOf(p.file);
        ASSERT_GE(index, 1);
        const int before = done.count();
        menu->activated(index);
        ASSERT_TRUE(handledAll(done, before + 1));
        const QVariantMap current = ThemeStore::readNowTheme();
        EXPECT_EQ(current.value("_ForDarkAppearance").toBool(), p.dark);
        EXPECT_EQ(current.value("A01").toList() == (QVariantList{0.25, 0.5, 0.75, 1.0}), p.mineColour);
        EXPECT_EQ(app->themeColorDict().value("_ForDarkAppearance").toBool(), p.dark);
    }
    const QByteArray bytes = test::readFile(now);
    const int before = done.count();
    menu->activated(0);
    QTest::qWait(2 * PreferencePropagation::kHandleDelayMs);
    EXPECT_EQ(done.count(), before) << "picking the current theme changes nothing";
    EXPECT_EQ(test::readFile(now), bytes);
}

namespace {

// A plain HTTP server on 127.0.0.1 answering an address for /ip and "status=0" for the
// update path; keeps the request lines.
class LocalHttp : public QObject {
public:
    LocalHttp()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray request = s->readAll();
                    const QByteArray path = request.split(' ').value(1);
                    paths << QString::fromUtf8(path);
                    const QByteArray body = path.startsWith("/ip") ? "203.0.113.9\n" : "status=0\n";
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                             + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url(const char *path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path); }
    QTcpServer server;
    QStringList paths;
};

} // namespace

// "Exec now" runs one forced check against the configured services; the work list, which
// holds a password, never reaches a log line; an empty list leaves the button off.
TEST_F(GeneralTabTest, ExecNowRunsOneCheckAndNeverLogsThePassword)
{
    LocalHttp server;
    qputenv("ORBMETER_IP_ECHO_URLS", server.url("/ip").toUtf8());
    qputenv("ORBMETER_DDNS_URL", server.url("/cgi-bin/dyn.fcg").toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("orbmeter.*.debug=true"));
    test::LogCapture log;
    start({QStringLiteral("bench-a")});
    TopTabViewController &tab = general();
    auto *text = tab.findChild<QPlainTextEdit *>("DdnsPropertyString");
    auto *exec = tab.findChild<QPushButton *>("ExecNow");
    ASSERT_TRUE(text && exec);

    const struct {
        const char *typed;
        bool enabled;
    } states[] = {{"", false}, {"# only a comment", true}, {"", false}};
    for (const auto &s : states) {
        text->clear();
        QTest::keyClicks(text, s.typed);
        EXPECT_EQ(exec->isEnabled(), s.enabled) << s.typed;
        EXPECT_EQ(app->settings().stringForKey("DdnsPropertyString"), QString(s.typed));
    }

    QTest::keyClicks(text, "valuedomain&home&example.com&Sekr1tPw");
    ASSERT_TRUE(exec->isEnabled());
    exec->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->settings().stringForKey("NowGlobalIpAddr") == "203.0.113.9"; }, 20000));
    QTest::qWait(300);
    ASSERT_EQ(server.paths.size(), 2) << server.paths.join(' ').toStdString();
    EXPECT_EQ(server.paths[0], "/ip");
    EXPECT_TRUE(server.paths[1].startsWith("/cgi-bin/dyn.fcg?")) << server.paths[1].toStdString();
    for (const QString &line : log.lines())
        EXPECT_FALSE(line.contains("Sekr1tPw")) << line.toStdString();
    QLoggingCategory::setFilterRules(QString());
    qunsetenv("ORBMETER_IP_ECHO_URLS");
    qunsetenv("ORBMETER_DDNS_URL");
}
