#include "app/Session.h"

#include "app/AppDelegate.h"
#include "app/PreferencePropagation.h"
#include "app/SnapshotWriter.h"
#include "collect/SensorDataJson.h"
#include "platform/Logging.h"
#include "platform/linux/EventLoopChoice.h"
#include "platform/linux/HugePageMemory.h"
#include "platform/linux/DisplayProbe.h"
#include "platform/linux/SessionEndWatcher.h"
#include "platform/linux/SingleInstance.h"
#include "platform/statusbar/StatusBarHost.h"
#include "prefs/PreferenceWindow.h"
#include "settings/ModuleCatalog.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

namespace orb {
namespace {

AppOptions optionsFor(const CommandLineOptions &cli)
{
    AppOptions o;
    for (const QString &dir : cli.sysroots)
        o.sysroots.emplace_back(QFile::encodeName(dir).toStdString());
    o.allModules = cli.allModules;
    o.startTimer = cli.command == CommandLineOptions::Command::Run;
    o.watchPower = true;
    // A snapshot shows the screen-sharing servers the local network announces.
    if (cli.command == CommandLineOptions::Command::Snapshot)
        o.systemBus = QDBusConnection::systemBus();
    return o;
}

// Hands over to a fresh copy of this program with the same arguments. The lock is given up
// first, so the new copy never finds this one holding it; if the copy cannot be started,
// this one takes the lock back and goes on.
bool restartSelf()
{
    const bool handing = SingleInstance::beginHandover();
    qint64 pid = 0;
    const bool started =
        QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1), {}, &pid);
    if (handing)
        SingleInstance::endHandover(started);
    if (started) {
        qCInfo(lcApp) << "restarted as process" << pid;
        return true;
    }
    qCWarning(lcApp) << "could not start a new copy; this one goes on";
    return false;
}

// --tray-style, else the TrayStyle setting, else auto.
TrayStyle trayStyleFor(const CommandLineOptions &cli)
{
    QString text = cli.trayStyle;
    if (text.isEmpty())
        text = SettingsStore::open()->stringForKey(QStringLiteral("TrayStyle"));
    TrayStyle style = TrayStyle::Auto;
    if (!text.isEmpty() && !parseTrayStyle(text, style))
        qCWarning(lcPlatform).noquote() << "TrayStyle setting" << text << "is not wide, compact or auto; using auto";
    return style;
}

int runPasses(AppDelegate &app, int passes)
{
    for (int i = 0; i < passes; ++i) {
        if (!app.runPassSynchronously()) {
            std::fprintf(stderr, "orbmeter: a refresh pass could not run\n");
            return 1;
        }
    }
    return 0;
}

// The modules whose preference tabs `--preferences` names: one module key or "all".
std::vector<const ModuleInfo *> preferenceTabs(const QString &which)
{
    std::vector<const ModuleInfo *> tabs;
    if (which == QLatin1String("all")) {
        for (const ModuleInfo *m : ModuleCatalog::all())
            tabs.push_back(m);
        std::sort(tabs.begin(), tabs.end(), [](auto *a, auto *b) { return a->tabIndex < b->tabIndex; });
    } else if (const ModuleInfo *m = ModuleCatalog::byKey(which)) {
        tabs.push_back(m);
    }
    return tabs;
}

// preferences-<module>.png for each tab, the window drawn as it is shown.
bool writePreferenceTabs(AppDelegate &app, const std::vector<const ModuleInfo *> &tabs, const QString &dir,
                         QString &error)
{
    for (const ModuleInfo *m : tabs) {
        app.preferences().openPreferenceTab(m->tabIndex);
        QCoreApplication::processEvents();
        PreferenceWindow *window = app.preferences().window();
        const QString path = dir + QStringLiteral("/preferences-") + QLatin1String(m->key) + QStringLiteral(".png");
        if (!window || !SnapshotWriter::writeWidget(*window, path, error))
            return false;
    }
    return true;
}

} // namespace

int Session::run(int argc, char **argv, const CommandLineOptions &options)
{
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool offscreenOnly = options.command != CommandLineOptions::Command::Run;
    if (!headless && !offscreenOnly) {
        // A display that cannot be used ends here with a message, not with an abort in Qt.
        const DisplayProbe::Decision display =
            DisplayProbe::decide(DisplayProbe::probe(options.host == QLatin1String("panel")));
        if (display.exitCode != 0) {
            std::fprintf(stderr, "orbmeter: %s\n", qPrintable(display.message));
            return display.exitCode;
        }
        if (!display.platform.isEmpty())
            qputenv("QT_QPA_PLATFORM", display.platform);
    }
    if ((headless || offscreenOnly) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!offscreenOnly)
            std::fprintf(stderr, "orbmeter: no display found; running headless (offscreen host)\n");
    }
    HugePageMemory::MovedCode onHugePages;
    bool qtLoopChosen = false;
    if (options.command == CommandLineOptions::Command::Run) {
        // Before any other thread runs: the code is moved under the running program.
        HugePageMemory::tuneAllocator();
        onHugePages = HugePageMemory::moveCode();
        qtLoopChosen = EventLoopChoice::chooseBeforeStart();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbmeter"));
    QApplication::setApplicationVersion(QStringLiteral(ORB_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    configureLogging(options.verbose);

    if (options.command == CommandLineOptions::Command::Run) {
        if (onHugePages.program + onHugePages.libraries > 0)
            qCInfo(lcPlatform).noquote() << QStringLiteral("code and heap on huge pages (%1 kB of the program's code and constants, %2 kB of its libraries' code)")
                                                .arg(onHugePages.program / 1024)
                                                .arg(onHugePages.libraries / 1024);
        if (!SingleInstance::tryAcquire()) {
            std::fprintf(stderr, "orbmeter: already running in this session\n");
            return 0;
        }
        auto host = StatusBarHost::create(headless && options.host.isEmpty() ? QStringLiteral("offscreen") : options.host,
                                          trayStyleFor(options));
        AppDelegate delegate(*host, optionsFor(options));
        // The threads with event loops exist now (this one, D-Bus's and the collector); what
        // the monitor starts from here on gets the environment it was started with.
        EventLoopChoice::restoreEnvironment(qtLoopChosen);
        qCInfo(lcPlatform).noquote() << QStringLiteral("event loop: %1's").arg(QLatin1String(EventLoopChoice::currentLoopName()));
        // A signal, a logout or a power-off ends the run like Quit: settings saved, items gone.
        SessionEndWatcher sessionEnd;
        QObject::connect(&sessionEnd, &SessionEndWatcher::endRequested, &app, [&] {
            delegate.settings().synchronize();
            sessionEnd.releaseInhibitor();
            QCoreApplication::quit();
        });
        QObject::connect(&delegate, &AppDelegate::restartRequested, &app, [&] {
            if (restartSelf())
                QCoreApplication::quit();
        });
        // The heap the passes use, on huge pages once it has settled, and again if it grows.
        QObject::connect(&delegate, &AppDelegate::passFinished, &app, [] { HugePageMemory::adviseHeap(); });
        delegate.applicationDidFinishLaunching();
        return app.exec();
    }

    const std::vector<const ModuleInfo *> tabs = preferenceTabs(options.preferencesTab);
    if (!options.preferencesTab.isEmpty() && tabs.empty()) {
        std::fprintf(stderr, "orbmeter: no preferences tab '%s' (a module name or all)\n",
                     qPrintable(options.preferencesTab));
        return 2;
    }
    OffscreenHost host;
    AppDelegate delegate(host, optionsFor(options));
    delegate.startUpMe();
    if (const int rc = runPasses(delegate, options.passes))
        return rc;

    if (options.command == CommandLineOptions::Command::Sample) {
        const QByteArray json = SensorDataJson::toText(delegate.infoDict());
        std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
        std::fputc('\n', stdout);
        return 0;
    }

    if (!delegate.waitForNetServices(4000))
        qCInfo(lcApp) << "the local network's screen-sharing servers did not all answer in time";
    if (!options.openModule.isEmpty()) {
        const ModuleInfo *info = ModuleCatalog::byKey(options.openModule);
        MenuModule *module = info ? delegate.statusModule(info->id) : nullptr;
        if (!module) {
            std::fprintf(stderr, "orbmeter: no status item for module '%s'\n", qPrintable(options.openModule));
            return 2;
        }
        module->menuWillOpen();
    }
    // Menus show their graphs and details as they would on opening.
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (MenuModule *module = delegate.statusModule(m->id))
            module->redrawStatusItem();
    QString error;
    if (!SnapshotWriter::write(host, options.outDir, error)
        || !writePreferenceTabs(delegate, tabs, options.outDir, error)) {
        std::fprintf(stderr, "orbmeter: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace orb
