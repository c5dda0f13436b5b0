#include "app/AppDelegate.h"

#include "app/GeneralFunctions.h"
#include "app/PreferencePropagation.h"
#include "collect/CpuInformation.h"
#include "collect/MachineIdentity.h"
#include "collect/MemoryInformation.h"
#include "toolkit/OrbStrings.h"
#include "modules/ModuleFactory.h"
#include "modules/general/General_MenuModule.h"
#include "modules/vnc/VNC_MenuModule.h"
#include "platform/Logging.h"
#include "platform/linux/PowerMonitor.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/linux/DesktopNotifier.h"
#include "services/DdnsUpdater.h"
#include "services/GlobalIpLookup.h"
#include "services/VncServerBrowser.h"
#include "settings/AppearanceMonitor.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMetaMethod>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <QTemporaryDir>
#include <algorithm>

namespace orb {

// Lives on the collection thread and runs the pass the controller left for it.
class CollectWorker : public QObject {
    Q_OBJECT
public:
    explicit CollectWorker(AppDelegate *app) : app_(app) {}
public Q_SLOTS:
    // The wake-up is made here, on the collection thread, whose loop is to deliver it.
    void announceLoop()
    {
        auto *wake = new ThreadWake(this);
        connect(wake, &ThreadWake::woken, this, [this] { app_->runPendingPass(); });
        app_->collectLoopRunning(wake);
    }

private:
    AppDelegate *app_;
};

AppDelegate::AppDelegate(StatusBarHost &host, AppOptions options)
    : host_(host), options_(std::move(options)), store_(SettingsStore::open()), hostRoot_(Sysroot::fromEnvironment())
{
    bootedTime_.start();
    monotonic_.start();
    collectWorker_ = new CollectWorker(this);
    collectWorker_->moveToThread(&collectThread_);
    collectThread_.setObjectName(QStringLiteral("orbmeter-collect"));
    collectThread_.start();
    // Returns once the thread runs its event loop: the loop is made from the environment as
    // the thread starts (see EventLoopChoice), which may change once this constructor is done.
    static const int announce = CollectWorker::staticMetaObject.indexOfSlot("announceLoop()");
    queueSlotCall(collectWorker_, CollectWorker::staticMetaObject, announce);
    collectLooping_.wait(false, std::memory_order_acquire);
    rebootTimer_.setTimerType(Qt::VeryCoarseTimer);
    connect(&rebootTimer_, &QTimer::timeout, this, &AppDelegate::rebootMe);
    timer_.setInterval(1000);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &AppDelegate::loadSysInfoTimer);
    connect(&passCollected_, &ThreadWake::woken, this, &AppDelegate::finishPendingPass);
}

AppDelegate::~AppDelegate()
{
    prefs_.reset();
    timer_.stop();
    power_.reset();
    // Let a pass in flight finish before the state it works on goes away.
    collectThread_.quit();
    collectThread_.wait();
    // The worker's last hand-overs, seen through their locks (the thread's end is not).
    pendingPass_.take();
    finishedPass_.take();
    delete collectWorker_;
    for (auto &item : items_)
        item.reset();
    store_->synchronize();
}

void AppDelegate::applicationDidFinishLaunching()
{
    bootedTime_.restart();
    // Holding Shift at start makes the machine identity be worked out anew. Wayland
    // compositors may not report modifiers; then nothing is cleared.
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) {
        qCInfo(lcApp) << "Shift held at start: clearing the cached machine identity";
        for (const char *key : {"MacRawName", "MacRealName", "MacImage"})
            store_->removeObjectForKey(QLatin1String(key));
        store_->synchronize();
    }
    startUpMe();
}

void AppDelegate::startUpMe()
{
    busy_ = false;

    // First run, or an upgrade from settings written before some modules existed: each
    // module whose own keys are missing gets its first-run values; present keys stay.
    if (store_->stringForKey(QStringLiteral("AppVersion")).isEmpty()) {
        qCInfo(lcApp) << "first run: writing default settings";
        for (const ModuleInfo *m : ModuleCatalog::all())
            PrefFunctions::initializeModulePreference(m->id, *store_);
    } else {
        upgradeModuleSettings();
    }
    store_->setString(QStringLiteral("AppVersion"), PrefFunctions::applicationVersion());
    store_->synchronize();
    protectSettingsFile();

    if (store_->boolForKey(QStringLiteral("DisplayTopWindowAtStartupTmp"))) {
        store_->removeObjectForKey(QStringLiteral("DisplayTopWindowAtStartupTmp"));
        store_->setBool(QStringLiteral("DisplayTopWindowAtStartup"), true);
        store_->synchronize();
    }

    GeneralFunctions::checkDefaultsBoolFind(QStringLiteral("com.apple.finder"), QStringLiteral("_FXShowPosixPathInTitle"),
                                            false);
    GeneralFunctions::checkDefaultsBoolFind(QStringLiteral("NSGlobalDomain"),
                                            QStringLiteral("NSWindowSupportsAutomaticInlineTitle"), true);

    ThemeStore::checkAndRetMyApplicationSupportDir();
    MemoryInformation::loadDynamicPagerPath(*store_, sysrootForPass(0));
    MemoryInformation::loadHibernateFilePath(*store_, sysrootForPass(0));

    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
    // The desktop's light or dark look decides the text colours; followed while running.
    // Listen first, then read, so neither a change at start nor a desktop that is already
    // dark (no change to report) leaves the other theme in place.
    if (options_.startTimer || options_.appearanceBus) {
        appearance_ = std::make_unique<AppearanceMonitor>(store_, options_.appearanceBus.value_or(QDBusConnection::sessionBus()));
        connect(appearance_.get(), &AppearanceMonitor::appearanceChanged, this, [this] { changeAppearanceMode(); });
        appearance_->start();
        switchThemeForAppearance(appearance_->isDark());
    }
    probeHardware();
    if (options_.watchPower)
        startPowerMonitor();
    reloadAllModuleDefaults();

    checkDrawMenu();

    if (options_.startTimer) {
        rebootMeSetting();
        loadSysInfoTimer();
        timer_.start();
        if (chkGeneBool(QStringLiteral("DisplayTopWindowAtStartup")))
            QTimer::singleShot(1000, this, [this] { openPreferenceTab(ModuleCatalog::info(ModuleId::General).tabIndex); });
    }
}

void AppDelegate::upgradeModuleSettings()
{
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        if (!m->initialize || !*m->sortArrayKey || store_->contains(QLatin1String(m->sortArrayKey)))
            continue;
        qCInfo(lcApp) << "settings from an earlier version: writing the defaults of" << m->prefName;
        // Label switches belong to the general first-run values; a store older than the
        // module may lack its one.
        if (*m->labelKey && !store_->contains(QLatin1String(m->labelKey)))
            store_->setBool(QLatin1String(m->labelKey), true);
        // The first-run values are written into a scratch store and only the keys the
        // user's store lacks are copied over: whatever the user set stays, even for a moment.
        QTemporaryDir scratchDir;
        if (!scratchDir.isValid()) {
            qCWarning(lcApp) << "no scratch directory for the" << m->prefName << "defaults:" << scratchDir.errorString();
            continue;
        }
        SettingsStore scratch(QStringLiteral("defaults"), scratchDir.path());
        PrefFunctions::initializeModulePreference(m->id, scratch);
        const QVariantMap values = scratch.snapshot();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            if (!store_->contains(it.key()))
                store_->setObject(it.key(), it.value());
        store_->synchronize();
    }
}

void AppDelegate::probeHardware()
{
    const Sysroot &root = sysrootForPass(0);
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        const auto i = static_cast<size_t>(m->id);
        hardwarePresent_[i] = !options_.probeHardware || !m->probeHardware || m->probeHardware(root) > 0;
        if (!hardwarePresent_[i])
            qCInfo(lcApp) << "no hardware for the" << m->prefName << "item on this machine; it is not shown";
    }
}

void AppDelegate::startPowerMonitor()
{
    MachineIdentity::collectMyMacDetail(*store_, sysrootForPass(0));
    // Batteries and devices arrive on this thread from the buses' signals; the pass never
    // touches them. The newest state goes into the sensor data at once and after every pass.
    power_ = std::make_unique<PowerMonitor>(sysrootForPass(0), PowerMonitor::systemBusFor(sysrootForPass(0)));
    connect(power_.get(), &PowerMonitor::stateChanged, this, [this] {
        infoDict_.power = power_->state();
        // A charger plugged in starts the battery icon's animation.
        cycleInputChanged();
    });
    power_->start();
    // Without the timer the first passes come at once: give the services a bounded moment.
    if (!options_.startTimer)
        power_->waitForFirstState(3000);
    infoDict_.power = power_->state();
}

void AppDelegate::switchThemeForAppearance(bool dark)
{
    const QString alternative = ThemeStore::retAlternativeThemeFile(themeColorDict_, dark);
    if (alternative.isEmpty() || !ThemeStore::pickTheme(alternative))
        return;
    qCInfo(lcApp).noquote() << "desktop is" << (dark ? "dark" : "light") << "; theme switched to" << alternative;
    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
}

void AppDelegate::reloadAllModuleDefaults()
{
    reloadGeneralDefaults(false);
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        const auto i = static_cast<size_t>(m->id);
        if (m->id != ModuleId::General)
            defaults_[i] = PrefFunctions::loadModuleDefaults(m->id, *store_, themeColorDict_);
        // The cycle reads the interval as a typed value, never through the dictionary.
        interval_[i] = m->hasInterval() ? defaults_[i].value(QLatin1String(m->intervalKey)).toLongLong() : 0;
    }
}

void AppDelegate::reloadGeneralDefaults(bool skip)
{
    if (skip)
        return;
    QVariantMap general = PrefFunctions::loadGeneralDefaults(*store_, themeColorDict_);
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        if (!*m->launchKey)
            continue;
        const QString key = QLatin1String(m->launchKey);
        if (options_.allModules)
            general.insert(key, true);
        launched_[static_cast<size_t>(m->id)] = general.value(key).toBool();
    }
    defaults_[ModuleCatalog::index(ModuleId::General)] = general;
}

QVariantMap AppDelegate::retAllMyDefault() const
{
    QVariantMap all;
    for (const ModuleInfo *m : ModuleCatalog::all())
        all.insert(QLatin1String(m->prefName), defaults_[ModuleCatalog::index(m->id)]);
    return all;
}

bool AppDelegate::chkGeneBool(const QString &key) const
{
    return moduleDefaults(ModuleId::General).value(key).toBool();
}

qint64 AppDelegate::chkGeneInteger(const QString &key) const
{
    return moduleDefaults(ModuleId::General).value(key).toLongLong();
}

bool AppDelegate::launched(ModuleId id) const
{
    const auto i = static_cast<size_t>(id);
    return launched_[i] && hardwarePresent_[i];
}

void AppDelegate::checkDrawMenu()
{
    // Hold the cycle off while items are made; keep whatever state it was in.
    const bool wasBusy = busy_.exchange(true);
    if (store_->integerForKey(QStringLiteral("DisplayOrbIcon")) < 1)
        moduleRelease(ModuleId::General);
    else
        moduleAlloc(ModuleId::General);
    const auto order = ModuleCatalog::leftToRight();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const ModuleInfo *m = *it;
        if (m->id == ModuleId::General)
            continue;
        if (launched(m->id))
            moduleAlloc(m->id);
        else
            moduleRelease(m->id);
    }
    if (chkGeneBool(QStringLiteral("DisplayTopWindowAtStartup")))
        qCDebug(lcApp) << "preferences window requested at start";
    busy_ = wasBusy;
}

void AppDelegate::moduleLaunchCheck(bool allocNow)
{
    if (allocNow)
        allModulesDisable();
    reloadGeneralDefaults(false);
    checkDrawMenu();
}

void AppDelegate::allModulesDisable()
{
    for (const ModuleInfo *m : ModuleCatalog::all())
        moduleRelease(m->id);
}

void AppDelegate::moduleAlloc(ModuleId id)
{
    auto &slot = items_[ModuleCatalog::index(id)];
    if (slot)
        return;
    std::unique_ptr<MenuModule> item = ModuleFactory::create(id, this);
    if (!item) {
        qCDebug(lcApp) << "no status item for" << ModuleCatalog::info(id).prefName;
        return;
    }
    item->setMyDefaults(defaults_[ModuleCatalog::index(id)]);
    item->initDrawStatusBar(host_);
    slot = std::move(item);
    if (id == ModuleId::Vnc) {
        // Browsing starts with the first VNC item and goes on for the run, so an item made
        // anew starts with the servers already found.
        if (!vncBrowser_ && (options_.systemBus || options_.startTimer)) {
            vncBrowser_ = new VncServerBrowser(options_.systemBus.value_or(QDBusConnection::systemBus()), this);
            connect(vncBrowser_, &VncServerBrowser::servicesChanged, this, [this] { changeNetServices(); });
            vncBrowser_->start();
        }
        changeNetServices();
    }
    if (id != ModuleId::General)
        reDrawModule(id, false);
    // A new item is sampled on the next tick.
    cycleInputChanged();
}

void AppDelegate::changeNetServices()
{
    auto *vnc = qobject_cast<VNC_MenuModule *>(statusModule(ModuleId::Vnc));
    if (vnc && vncBrowser_)
        vnc->changeNsBrowser(vncBrowser_->services());
}

bool AppDelegate::waitForNetServices(int timeoutMs)
{
    if (!vncBrowser_ || vncBrowser_->isSettled())
        return true;
    QEventLoop loop;
    connect(vncBrowser_, &VncServerBrowser::settled, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return vncBrowser_->isSettled();
}

void AppDelegate::moduleRelease(ModuleId id)
{
    const char *key = ModuleCatalog::info(id).launchKey;
    if (*key) {
        defaults_[ModuleCatalog::index(ModuleId::General)].insert(QLatin1String(key), false);
        launched_[static_cast<size_t>(id)] = false;
    }
    items_[ModuleCatalog::index(id)].reset();
}

PassInput AppDelegate::capturePassInput() const
{
    PassInput in;
    for (size_t i = 0; i < in.launched.size(); ++i) {
        in.launched[i] = launched(static_cast<ModuleId>(i));
        in.interval[i] = interval_[i];
        in.menuOpened[i] = items_[i] && items_[i]->menuOpened();
    }
    in.now = static_cast<double>(monotonic_.nsecsElapsed()) / 1e9;
    return in;
}

const Sysroot &AppDelegate::sysrootForPass(int pass) const
{
    if (options_.sysroots.empty())
        return hostRoot_;
    const size_t i = std::min(static_cast<size_t>(pass), options_.sysroots.size() - 1);
    return options_.sysroots[i];
}

AppDelegate::PassOutput AppDelegate::collectPass(const PendingPass &job)
{
    if (passHook_)
        passHook_();
    PassOutput out;
    out.flags = job.flags;
    out.data = loadInfo_.loadCycleSysInfo(job.current, job.flags, job.root, job.input.now, job.scanProcesses);
    return out;
}

std::optional<AppDelegate::PendingPass> AppDelegate::startPass(int ticks)
{
    // The counters advance on this thread; the pass receives the flags by value. Ticks the
    // timer slept through advance them too; whatever one of them made due is sampled now.
    PendingPass job{capturePassInput(), {}, false, infoDict_, sysrootForPass(passesStarted_++)};
    for (int t = 0; t < ticks; ++t) {
        cycle_.advance(job.input, !infoDict_.cpu.has_value());
        const LoadFlags flags = cycle_.loadFlags();
        for (size_t i = 0; i < flags.size(); ++i)
            job.flags[i] = job.flags[i] || flags[i];
        job.scanProcesses = job.scanProcesses || cycle_.processesDue();
    }
    if (job.scanProcesses || std::any_of(job.flags.begin(), job.flags.end(), [](bool due) { return due; }))
        return job;
    // Nothing to sample on this tick: the items without an interval are redrawn at once,
    // without waking the collection thread.
    PassOutput out;
    out.flags = job.flags;
    out.data = std::move(job.current);
    out.data.vnc = true;
    finishPass(out);
    return std::nullopt;
}

void AppDelegate::loadSysInfoTimer()
{
    // Formatting the running time costs more than the rest of a quiet tick; only for a listener.
    if (runningTimeWatched())
        Q_EMIT runningTimeChanged(OrbStrings::text("Start-up Time") + QLatin1Char(' ')
                                  + CpuInformation::buildUpTime(runningSeconds()));
    // The ticks this wake stands for: more than one when the timer slept through ticks on
    // which nothing was due. Counted from what the timer was set to, not from the clock, so a
    // late wake (a busy or sleeping machine) is one tick as before.
    const int ticks = std::clamp(ticksPending_, 1, RefreshCycle::kMaxIdleTicks);
    ticksPending_ = 1;
    lastTickMs_ = monotonic_.elapsed();
    if (busy_.load()) {
        ++ticksDropped_;
        scheduleNextTick();
        return;
    }
    busy_ = true;
    // The global-address check counts ticks, slept through or not.
    chkNowGlobalIpAddrCount_ += static_cast<quint32>(ticks - 1);
    std::optional<PendingPass> job = startPass(ticks);
    scheduleNextTick();
    if (!job)
        return;
    pendingPass_.put(std::move(*job));
    passPending_->wake();
}

bool AppDelegate::everyTickWanted() const
{
    if (runningTimeWatched())
        return true;
    return std::any_of(items_.begin(), items_.end(), [](const auto &item) { return item && item->wantsEveryTick(); });
}

bool AppDelegate::runningTimeWatched() const
{
    // Looking the signal up by its address walks the meta-object: once per run, not per tick.
    static const QMetaMethod signal = QMetaMethod::fromSignal(&AppDelegate::runningTimeChanged);
    return isSignalConnected(signal);
}

void AppDelegate::scheduleNextTick()
{
    if (!options_.startTimer)
        return;
    // A tick wakes the whole program; one on which nothing is sampled or drawn is skipped.
    const int ticks = everyTickWanted() ? 1 : cycle_.ticksUntilDue(capturePassInput(), !infoDict_.cpu.has_value());
    ticksPending_ = ticks;
    // Called as the timer fires: a timer already beating at this interval keeps its phase,
    // and restarting it would only cost a timer's removal and registration per tick.
    if (!timer_.isActive() || timer_.interval() != ticks * 1000)
        timer_.start(ticks * 1000);
}

void AppDelegate::cycleInputChanged()
{
    if (!timer_.isActive() || lastTickMs_ < 0 || timer_.interval() <= 1000)
        return;
    // Back to the one-second beat, from the next whole tick on.
    const qint64 sinceLast = std::max<qint64>(0, monotonic_.elapsed() - lastTickMs_);
    ticksPending_ = static_cast<int>(std::min<qint64>(sinceLast / 1000 + 1, ticksPending_));
    timer_.start(static_cast<int>(1000 - sinceLast % 1000));
}

void AppDelegate::collectLoopRunning(ThreadWake *passPending)
{
    passPending_ = passPending;
    collectLooping_.store(true, std::memory_order_release);
    collectLooping_.notify_one();
}

void AppDelegate::runPendingPass()
{
    std::optional<PendingPass> job = pendingPass_.take();
    if (!job)
        return;
    finishedPass_.put(collectPass(*job));
    // Woken after the lock is let go: the UI thread may take this core at once and would
    // otherwise wait on the lock for this thread to run again.
    passCollected_.wake();
}

void AppDelegate::finishPendingPass()
{
    std::optional<PassOutput> out = finishedPass_.take();
    if (out)
        finishPass(*out);
}

bool AppDelegate::runPassSynchronously()
{
    if (busy_.exchange(true))
        return false;
    if (std::optional<PendingPass> job = startPass(1))
        finishPass(collectPass(*job));
    return true;
}

void AppDelegate::finishPass(const PassOutput &out)
{
    infoDict_ = out.data;
    // The pass started from an older copy: keep the power state that arrived meanwhile.
    if (power_)
        infoDict_.power = power_->state();
    // Sampled modules are redrawn in the cycle's order; modules without an interval (VNC,
    // General) on every pass.
    for (const ModuleInfo *m : ModuleCatalog::cycleOrder()) {
        const bool due = m->hasInterval() ? out.flags[static_cast<size_t>(m->id)] : true;
        if (due && (m->id == ModuleId::General || launched(m->id)))
            reDrawModule(m->id, false);
    }
    busy_ = false;
    ++passesFinished_;
    // An item that started animating with this pass's data gets the ticks it needs.
    if (everyTickWanted())
        cycleInputChanged();
    if (prefs_)
        prefs_->cycleRedraw();
    checkDdns(false);
    deviceWatch_.setSwitches(defaults_[ModuleCatalog::index(ModuleId::General)],
                             defaults_[ModuleCatalog::index(ModuleId::Network)]);
    for (const DeviceNotice &n : deviceWatch_.afterPass(infoDict_))
        notifier().fireNotification(n.title, n.body, n.identifier, n.delaySeconds);
    Q_EMIT passFinished();
}

void AppDelegate::checkDdns(bool forced)
{
    // About every ten minutes (600 passes), and at once when forced.
    if (!forced && ++chkNowGlobalIpAddrCount_ % 600 != 0)
        return;
    chkNowGlobalIpAddrCount_ = 0;
    if (store_->stringForKey(QStringLiteral("DdnsPropertyString")).isEmpty())
        return;
    if (!ipLookup_) {
        ipLookup_ = new GlobalIpLookup(this);
        ddns_ = new DdnsUpdater(store_, this);
        connect(ipLookup_, &GlobalIpLookup::finished, this, [this](quint64 request, const QString &ip, const QString &) {
            // An answer to an older lookup is stale.
            if (request != ipRequest_ || ip.isEmpty())
                return;
            ddns_->checkGlobalIpAddressForDdns(ip, ddnsForced_);
        });
        connect(ddns_, &DdnsUpdater::notice, this, [this](const UserNotice &n) {
            notifier().fireNotification(n.title, n.body, n.identifier, n.delaySeconds);
        });
    }
    ddnsForced_ = forced;
    ipLookup_->start(++ipRequest_);
}

DesktopNotifier &AppDelegate::notifier()
{
    if (!notifier_)
        notifier_ = new DesktopNotifier(options_.notificationBus.value_or(QDBusConnection::sessionBus()), this);
    return *notifier_;
}

void AppDelegate::rebootMeSetting()
{
    rebootTimer_.stop();
    rebootDaysTimerInt_ = 0;
    rebootDaysInt_ = store_->integerForKey(QStringLiteral("RebootRegularlyDays"));
    if (rebootDaysInt_ <= 0)
        return;
    // Tests shorten the 600-second period.
    const int period = qEnvironmentVariableIntValue("ORBMETER_RESTART_PERIOD_MS");
    rebootTimer_.setInterval(period > 0 ? period : 600 * 1000);
    rebootTimer_.start();
}

void AppDelegate::rebootMe()
{
    // 144 periods of ten minutes make a day.
    if (rebootDaysInt_ <= 0 || ++rebootDaysTimerInt_ < static_cast<quint64>(rebootDaysInt_) * 144)
        return;
    rebootDaysTimerInt_ = 0;
    qCInfo(lcApp) << "restarting after" << rebootDaysInt_ << "day(s), as set";
    store_->synchronize();
    Q_EMIT restartRequested();
}

void AppDelegate::setTrayStyle(TrayStyle style)
{
    host_.setTrayStyle(style);
}

void AppDelegate::forcedExecutionDdns()
{
    store_->removeObjectForKey(QStringLiteral("NowGlobalIpAddr"));
    store_->synchronize();
    checkDdns(true);
}

void AppDelegate::protectSettingsFile()
{
    // The file may hold dynamic-DNS passwords: readable by its owner only.
    const QByteArray path = QFile::encodeName(store_->filePath());
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !(st.st_mode & 077))
        return;
    if (::chmod(path.constData(), st.st_mode & 0700) == 0)
        qCInfo(lcApp).noquote() << "settings file was readable by others; now by its owner only:" << store_->filePath();
    else
        qCWarning(lcApp).noquote() << "cannot restrict the settings file" << store_->filePath() << ":" << strerror(errno);
}

void AppDelegate::reDrawModule(ModuleId id, bool fullRefresh)
{
    MenuModule *item = statusModule(id);
    if (!item)
        return;
    if (id != ModuleId::General && !launched(id))
        return;
    if (id == ModuleId::Vnc && !infoDict_.vnc)
        return;
    item->setMyDefaults(defaults_[ModuleCatalog::index(id)]);
    item->setSensorData(infoDict_);
    if (auto *general = qobject_cast<General_MenuModule *>(item))
        general->setShowBatteryIcon(deviceWatch_.alreadyNotifyBidBattery());
    if (fullRefresh)
        item->refreshBar();
    else
        item->cycleStatusMenu();
}

void AppDelegate::openPreferenceTab(int tabIndex)
{
    preferences().openPreferenceTab(tabIndex);
}

PreferencePropagation &AppDelegate::preferences()
{
    if (!prefs_)
        prefs_ = std::make_unique<PreferencePropagation>(*this);
    return *prefs_;
}

void AppDelegate::reloadTheme()
{
    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
}

void AppDelegate::rebuildModuleDefaults(ModuleId id)
{
    const ModuleInfo &m = ModuleCatalog::info(id);
    const auto i = static_cast<size_t>(id);
    if (id == ModuleId::General)
        reloadGeneralDefaults(false);
    else
        defaults_[i] = PrefFunctions::loadModuleDefaults(id, *store_, themeColorDict_);
    interval_[i] = m.hasInterval() ? defaults_[i].value(QLatin1String(m.intervalKey)).toLongLong() : 0;
    cycleInputChanged();
}

void AppDelegate::changeAppearanceMode()
{
    preferences().changeAppearanceMode();
}

void AppDelegate::applyAppearanceMode()
{
    // Switch to the theme's counterpart for the new look when it names one.
    switchThemeForAppearance(AppearanceMonitor::retApperanceDarkMode(*store_));
    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
    reloadAllModuleDefaults();
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        if (MenuModule *item = statusModule(m->id))
            item->setMenuItemRefresh(true);
        reDrawModule(m->id, true);
    }
}

double AppDelegate::runningSeconds() const { return static_cast<double>(bootedTime_.elapsed()) / 1000.0; }

} // namespace orb

#include "AppDelegate.moc"
