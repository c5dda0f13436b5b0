#include "app/AppDelegate.h"

#include "app/GeneralFunctions.h"
#include "collect/CpuInformation.h"
#include "collect/MemoryInformation.h"
#include "toolkit/OrbStrings.h"
#include "modules/ModuleFactory.h"
#include "platform/Logging.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/AppearanceMonitor.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QGuiApplication>

namespace orb {

// Lives on the collection thread and runs the pass the controller left for it.
class CollectWorker : public QObject {
    Q_OBJECT
public:
    explicit CollectWorker(AppDelegate *app) : app_(app) {}
public Q_SLOTS:
    void runPendingPass() { app_->runPendingPass(); }

private:
    AppDelegate *app_;
};

namespace {
// Modules redrawn after a pass when they were sampled, in this order; VNC, GPU and General follow.
constexpr ModuleId kRedrawOrder[] = {ModuleId::Cpu,  ModuleId::Memory, ModuleId::Network, ModuleId::Disk,
                                     ModuleId::Volume, ModuleId::Temp, ModuleId::Fan};
} // namespace

AppDelegate::AppDelegate(StatusBarHost &host, AppOptions options)
    : host_(host), options_(std::move(options)), store_(SettingsStore::open()), hostRoot_(Sysroot::fromEnvironment())
{
    bootedTime_.start();
    collectWorker_ = new CollectWorker(this);
    collectWorker_->moveToThread(&collectThread_);
    collectThread_.setObjectName(QStringLiteral("orbmeter-collect"));
    collectThread_.start();
    timer_.setInterval(1000);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &AppDelegate::loadSysInfoTimer);
}

AppDelegate::~AppDelegate()
{
    timer_.stop();
    // Let a pass in flight finish before the state it works on goes away.
    collectThread_.quit();
    collectThread_.wait();
    { std::lock_guard lock(handoffMutex_); }
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

    // First run, or an upgrade from settings written before the GPU module existed.
    if (store_->stringForKey(QStringLiteral("AppVersion")).isEmpty()) {
        qCInfo(lcApp) << "first run: writing default settings";
        for (ModuleId id : {ModuleId::General, ModuleId::Cpu, ModuleId::Gpu, ModuleId::Memory, ModuleId::Network,
                            ModuleId::Disk, ModuleId::Volume, ModuleId::Temp, ModuleId::Fan, ModuleId::Vnc})
            PrefFunctions::initializeModulePreference(id, *store_);
    } else if (!store_->contains(QStringLiteral("GpuItemSortArray"))) {
        store_->setBool(QStringLiteral("Gpu_ShowMyLabel"), true);
        store_->synchronize();
        PrefFunctions::initializeModulePreference(ModuleId::Gpu, *store_);
    }
    store_->setString(QStringLiteral("AppVersion"), PrefFunctions::applicationVersion());
    store_->synchronize();

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
    MemoryInformation::loadDynamicPagerPath(*store_, hostRoot_);
    MemoryInformation::loadHibernateFilePath(*store_, hostRoot_);

    // The desktop's light or dark look decides the text colours; followed while running.
    if (options_.startTimer) {
        appearance_ = std::make_unique<AppearanceMonitor>(store_);
        appearance_->start();
        connect(appearance_.get(), &AppearanceMonitor::appearanceChanged, this, [this] { changeAppearanceMode(); });
    }
    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
    reloadAllModuleDefaults();

    checkDrawMenu();

    if (options_.startTimer) {
        loadSysInfoTimer();
        timer_.start();
    }
}

void AppDelegate::reloadAllModuleDefaults()
{
    reloadGeneralDefaults(false);
    for (ModuleId id : {ModuleId::Cpu, ModuleId::Memory, ModuleId::Network, ModuleId::Disk, ModuleId::Volume,
                        ModuleId::Temp, ModuleId::Fan, ModuleId::Vnc, ModuleId::Gpu})
        defaults_[ModuleCatalog::index(id)] = PrefFunctions::loadModuleDefaults(id, *store_, themeColorDict_);
}

void AppDelegate::reloadGeneralDefaults(bool skip)
{
    if (skip)
        return;
    QVariantMap general = PrefFunctions::loadGeneralDefaults(*store_, themeColorDict_);
    if (options_.allModules) {
        for (const ModuleInfo &m : ModuleCatalog::all())
            if (*m.launchKey)
                general.insert(QLatin1String(m.launchKey), true);
    }
    defaults_[ModuleCatalog::index(ModuleId::General)] = general;
}

QVariantMap AppDelegate::retAllMyDefault() const
{
    QVariantMap all;
    for (const ModuleInfo &m : ModuleCatalog::all())
        all.insert(QLatin1String(m.prefName), defaults_[ModuleCatalog::index(m.id)]);
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
    const char *key = ModuleCatalog::info(id).launchKey;
    return *key && chkGeneBool(QLatin1String(key));
}

void AppDelegate::checkDrawMenu()
{
    // Hold the cycle off while items are made; keep whatever state it was in.
    const bool wasBusy = busy_.exchange(true);
    if (store_->integerForKey(QStringLiteral("DisplayOrbIcon")) < 1)
        moduleRelease(ModuleId::General);
    else
        moduleAlloc(ModuleId::General);
    const QList<int> order = PrefFunctions::defaultModuleSortArray();
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        const ModuleInfo *m = ModuleCatalog::byNumber(*it);
        if (!m)
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
    for (ModuleId id : {ModuleId::General, ModuleId::Cpu, ModuleId::Gpu, ModuleId::Memory, ModuleId::Network,
                        ModuleId::Disk, ModuleId::Volume, ModuleId::Temp, ModuleId::Fan, ModuleId::Vnc})
        moduleRelease(id);
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
    if (id != ModuleId::General)
        reDrawModule(id, false);
}

void AppDelegate::moduleRelease(ModuleId id)
{
    const char *key = ModuleCatalog::info(id).launchKey;
    if (*key)
        defaults_[ModuleCatalog::index(ModuleId::General)].insert(QLatin1String(key), false);
    items_[ModuleCatalog::index(id)].reset();
}

PassInput AppDelegate::capturePassInput() const
{
    PassInput in;
    for (const ModuleInfo &m : ModuleCatalog::all()) {
        const auto i = static_cast<size_t>(ModuleCatalog::index(m.id));
        in.launched[i] = launched(m.id);
        if (*m.intervalKey)
            in.interval[i] = defaults_[i].value(QLatin1String(m.intervalKey)).toLongLong();
        in.menuOpened[i] = items_[i] && items_[i]->menuOpened();
    }
    return in;
}

const Sysroot &AppDelegate::sysrootForPass(int pass) const
{
    if (options_.sysroots.empty())
        return hostRoot_;
    const size_t i = std::min(static_cast<size_t>(pass), options_.sysroots.size() - 1);
    return options_.sysroots[i];
}

AppDelegate::PassOutput AppDelegate::collectPass(const PassInput &input, const SensorData &current,
                                                 const Sysroot &root)
{
    if (passHook_)
        passHook_();
    cycle_.advance(input, !current.cpu.has_value());
    PassOutput out;
    out.flags = cycle_.loadFlags();
    out.data = loadInfo_.loadCycleSysInfo(current, out.flags, root);
    return out;
}

void AppDelegate::loadSysInfoTimer()
{
    Q_EMIT runningTimeChanged(OrbStrings::text("Start-up Time") + QLatin1Char(' ')
                              + CpuInformation::buildUpTime(runningSeconds()));
    if (busy_.load()) {
        ++ticksDropped_;
        return;
    }
    busy_ = true;
    {
        std::lock_guard lock(handoffMutex_);
        pendingPass_ = PendingPass{capturePassInput(), infoDict_, sysrootForPass(passesStarted_++)};
    }
    QMetaObject::invokeMethod(collectWorker_, "runPendingPass", Qt::QueuedConnection);
}

void AppDelegate::runPendingPass()
{
    std::optional<PendingPass> job;
    {
        std::lock_guard lock(handoffMutex_);
        job.swap(pendingPass_);
    }
    if (!job)
        return;
    PassOutput out = collectPass(job->input, job->current, job->root);
    // Posted under the lock, so teardown (which takes it after the thread ends) is ordered
    // after everything this thread did.
    std::lock_guard lock(handoffMutex_);
    finishedPass_ = std::move(out);
    QMetaObject::invokeMethod(this, "finishPendingPass", Qt::QueuedConnection);
}

void AppDelegate::finishPendingPass()
{
    std::optional<PassOutput> out;
    {
        std::lock_guard lock(handoffMutex_);
        out.swap(finishedPass_);
    }
    if (out)
        finishPass(*out);
}

bool AppDelegate::runPassSynchronously()
{
    if (busy_.exchange(true))
        return false;
    finishPass(collectPass(capturePassInput(), infoDict_, sysrootForPass(passesStarted_++)));
    return true;
}

void AppDelegate::finishPass(const PassOutput &out)
{
    infoDict_ = out.data;
    auto sampled = [&](ModuleId id) {
        const LoadFlags &f = out.flags;
        switch (id) {
        case ModuleId::Cpu: return f.cpu;
        case ModuleId::Memory: return f.memory;
        case ModuleId::Network: return f.network;
        case ModuleId::Disk: return f.disk;
        case ModuleId::Volume: return f.volume;
        case ModuleId::Temp: return f.temp;
        case ModuleId::Fan: return f.fan;
        case ModuleId::Gpu: return f.gpu;
        default: return false;
        }
    };
    for (ModuleId id : kRedrawOrder)
        if (launched(id) && sampled(id))
            reDrawModule(id, false);
    if (launched(ModuleId::Vnc))
        reDrawModule(ModuleId::Vnc, false);
    if (launched(ModuleId::Gpu) && sampled(ModuleId::Gpu))
        reDrawModule(ModuleId::Gpu, false);
    reDrawModule(ModuleId::General, false);
    busy_ = false;
    ++passesFinished_;
    Q_EMIT passFinished();
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
    if (fullRefresh)
        item->refreshBar();
    else
        item->cycleStatusMenu();
}

void AppDelegate::openPreferenceTab(int tabIndex)
{
    qCInfo(lcApp) << "preferences tab" << tabIndex << "requested";
}

void AppDelegate::changeAppearanceMode()
{
    // Switch to the theme's counterpart for the new look when it names one.
    const bool dark = AppearanceMonitor::retApperanceDarkMode(*store_);
    const QString alternative = ThemeStore::retAlternativeThemeFile(themeColorDict_, dark);
    if (!alternative.isEmpty() && ThemeStore::pickTheme(alternative))
        qCInfo(lcApp).noquote() << "appearance changed; theme switched to" << alternative;
    themeColorDict_ = ThemeStore::loadTheme(&iconDict_);
    reloadAllModuleDefaults();
    for (const ModuleInfo &m : ModuleCatalog::all()) {
        if (MenuModule *item = statusModule(m.id))
            item->setMenuItemRefresh(true);
        reDrawModule(m.id, true);
    }
}

double AppDelegate::runningSeconds() const { return static_cast<double>(bootedTime_.elapsed()) / 1000.0; }

} // namespace orb

#include "AppDelegate.moc"
