#pragma once
#include "app/DeviceWatch.h"
#include "app/RefreshCycle.h"
#include "collect/LoadSystemInformation.h"
#include "collect/Samples.h"
#include "modules/MenuModule.h"
#include "platform/Sysroot.h"
#include "platform/ThreadHandoff.h"
#include "platform/ThreadWake.h"
#include "platform/statusbar/TrayHeadline.h"
#include "settings/ModuleCatalog.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <QVariantMap>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orb {

class AppearanceMonitor;
class DdnsUpdater;
class DesktopNotifier;
class GlobalIpLookup;
class PowerMonitor;
class PreferencePropagation;
class SettingsStore;
class StatusBarHost;
class VncServerBrowser;

struct AppOptions {
    // Pass i reads sysroots[i] (the last one for later passes); empty = ORBMETER_SYSROOT or /.
    std::vector<Sysroot> sysroots;
    // Launch every module whatever the display switches say.
    bool allModules = false;
    // Start the one-second timer (off for `sample` and `snapshot`, which drive passes).
    bool startTimer = true;
    // The session bus the desktop appearance is read from (tests give a private one).
    std::optional<QDBusConnection> appearanceBus;
    // The session bus notices go to (tests give a private one).
    std::optional<QDBusConnection> notificationBus;
    // The system bus the screen-sharing servers of the local network are browsed on. Without
    // it only the running monitor (startTimer) browses, on the default system bus.
    std::optional<QDBusConnection> systemBus;
    // Look for fans, sensors and GPUs before showing their items (tests of the controller
    // alone switch it off and get every item the switches ask for).
    bool probeHardware = true;
    // Work out the machine's identity and follow its batteries and wireless devices (the
    // program does; tests of the controller alone leave the machine's buses and DMI alone).
    bool watchPower = false;
};

// Owns everything long-lived: settings, collector, module settings, status items, the
// sensor data and the refresh timer.
class AppDelegate : public QObject, public MenuModuleDelegate {
    Q_OBJECT
public:
    AppDelegate(StatusBarHost &host, AppOptions options = {});
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void startUpMe();

    // Creates or destroys every status item as the launch keys say.
    void checkDrawMenu();
    void moduleLaunchCheck(bool allocNow);
    void allModulesDisable();
    void moduleAlloc(ModuleId id);
    void moduleRelease(ModuleId id);
    void generalModuleAlloc() { moduleAlloc(ModuleId::General); }
    void generalModuleRelease() { moduleRelease(ModuleId::General); }
    void cpuModuleAlloc() { moduleAlloc(ModuleId::Cpu); }
    void cpuModuleRelease() { moduleRelease(ModuleId::Cpu); }
    void memoryModuleAlloc() { moduleAlloc(ModuleId::Memory); }
    void memoryModuleRelease() { moduleRelease(ModuleId::Memory); }
    void gpuModuleAlloc() { moduleAlloc(ModuleId::Gpu); }
    void gpuModuleRelease() { moduleRelease(ModuleId::Gpu); }
    void networkModuleAlloc() { moduleAlloc(ModuleId::Network); }
    void networkModuleRelease() { moduleRelease(ModuleId::Network); }
    void diskModuleAlloc() { moduleAlloc(ModuleId::Disk); }
    void diskModuleRelease() { moduleRelease(ModuleId::Disk); }
    void volumeModuleAlloc() { moduleAlloc(ModuleId::Volume); }
    void volumeModuleRelease() { moduleRelease(ModuleId::Volume); }
    void tempModuleAlloc() { moduleAlloc(ModuleId::Temp); }
    void tempModuleRelease() { moduleRelease(ModuleId::Temp); }
    void fanModuleAlloc() { moduleAlloc(ModuleId::Fan); }
    void fanModuleRelease() { moduleRelease(ModuleId::Fan); }
    void vncModuleAlloc() { moduleAlloc(ModuleId::Vnc); }
    void vncModuleRelease() { moduleRelease(ModuleId::Vnc); }

    void reloadGeneralDefaults(bool skip);
    QVariantMap retAllMyDefault() const;
    bool chkGeneBool(const QString &key) const;
    qint64 chkGeneInteger(const QString &key) const;

    // The timer's action: label, then a background pass unless one is running.
    void loadSysInfoTimer();
    // One pass run to the end on this thread (sample, snapshot); no-op while a pass runs.
    bool runPassSynchronously();
    void reDrawModule(ModuleId id, bool fullRefresh);

    // MenuModuleDelegate
    void openPreferenceTab(int tabIndex) override;
    // Debounced: the switch happens half a second after the first call of a burst.
    void changeAppearanceMode() override;
    std::optional<Sysroot> menuSysroot() const override { return sysrootForPass(std::max(passesStarted_ - 1, 0)); }
    void cycleInputChanged() override;

    // Preference changes: the window, the notifications and their handling.
    PreferencePropagation &preferences();
    QVariantMap &themeColorDict() { return themeColorDict_; }
    // Reads the theme file again (after another theme was chosen).
    void reloadTheme();
    // Builds one module's settings dictionary again from the store and the theme.
    void rebuildModuleDefaults(ModuleId id);
    // Follows the desktop's light or dark look now: theme, settings, every item.
    void applyAppearanceMode();

    // The global-address check: every 600 passes, or at once when forced (the stored
    // address is forgotten first, so the dynamic-DNS records are sent again).
    void checkDdns(bool forced);
    void forcedExecutionDdns();
    // How a tray draws the items from now on (the "TrayStyle" choice of the preferences).
    void setTrayStyle(TrayStyle style);
    // The periodic restart: armed from "RebootRegularlyDays"; asks for a restart once that
    // many days have passed.
    void rebootMeSetting();
    void rebootMe();
    // Hands the screen-sharing servers found on the local network to the VNC item.
    void changeNetServices();
    // Lets the browsing of the local network answer (at most `timeoutMs`) so a snapshot
    // shows what is there; false when it did not settle in time.
    bool waitForNetServices(int timeoutMs);
    // Notices to the user (created on first use).
    DesktopNotifier &notifier();

    bool isBusy() const { return busy_.load(); }
    // Whether the machine has what the module shows (fans, GPUs...), as probed at start.
    bool hardwarePresent(ModuleId id) const { return hardwarePresent_[static_cast<size_t>(id)]; }
    int passesFinished() const { return passesFinished_; }
    int ticksDropped() const { return ticksDropped_; }
    double runningSeconds() const;
    const SensorData &infoDict() const { return infoDict_; }
    const QVariantMap &moduleDefaults(ModuleId id) const { return defaults_[ModuleCatalog::index(id)]; }
    MenuModule *statusModule(ModuleId id) const { return items_[ModuleCatalog::index(id)].get(); }
    const RefreshCycle &cycle() const { return cycle_; }
    SettingsStore &settings() const { return *store_; }

    // Runs inside every pass before sampling (tests use it to hold a pass open).
    void setPassHook(std::function<void()> hook) { passHook_ = std::move(hook); }

Q_SIGNALS:
    void passFinished();
    void runningTimeChanged(const QString &text);
    // Settings are saved; the owner starts a fresh copy and ends this one.
    void restartRequested();

private Q_SLOTS:
    void finishPendingPass();

private:
    friend class CollectWorker;
    void runPendingPass();
    // Called on the collection thread once its event loop runs, with the wake-up that
    // starts a pass there.
    void collectLoopRunning(ThreadWake *passPending);
    struct PassOutput {
        SensorData data;
        LoadFlags flags;
        std::array<bool, kModuleCount> launched{};
    };
    PassInput capturePassInput() const;
    struct PendingPass {
        PassInput input;
        LoadFlags flags;
        bool scanProcesses = false;
        SensorData current;
        Sysroot root;
    };
    // Advances the cycle; returns the pass to run, or finishes a pass with nothing to sample
    // on the spot and returns nothing.
    std::optional<PendingPass> startPass(int ticks);
    // Sets the timer to the next tick on which anything is due (every tick while a
    // listener, an animation or an open menu wants them).
    void scheduleNextTick();
    bool everyTickWanted() const;
    // Whether anything is connected to runningTimeChanged.
    bool runningTimeWatched() const;
    PassOutput collectPass(const PendingPass &job);
    void finishPass(const PassOutput &out);
    void reloadAllModuleDefaults();
    void protectSettingsFile();
    void upgradeModuleSettings();
    void probeHardware();
    void switchThemeForAppearance(bool dark);
    void startPowerMonitor();
    const Sysroot &sysrootForPass(int pass) const;
    bool launched(ModuleId id) const;

    StatusBarHost &host_;
    AppOptions options_;
    std::shared_ptr<SettingsStore> store_;
    LoadSystemInformation loadInfo_;
    RefreshCycle cycle_;
    std::atomic<bool> busy_{false};
    QVariantMap iconDict_;
    QVariantMap themeColorDict_;
    std::unique_ptr<AppearanceMonitor> appearance_;
    std::unique_ptr<PowerMonitor> power_;
    std::array<QVariantMap, kModuleCount> defaults_;
    std::array<std::unique_ptr<MenuModule>, kModuleCount> items_;
    SensorData infoDict_;
    // Typed copies of what the cycle reads every tick: launch keys, hardware found at
    // start, update intervals.
    std::array<bool, kModuleCount> launched_{};
    std::array<bool, kModuleCount> hardwarePresent_{};
    std::array<qint64, kModuleCount> interval_{};
    QElapsedTimer bootedTime_;
    QElapsedTimer monotonic_;
    QTimer timer_;
    QThread collectThread_;
    QObject *collectWorker_ = nullptr;
    // Hand-over between the UI thread and the worker; the wake-ups carry no data.
    ThreadHandoff<PendingPass> pendingPass_;
    ThreadHandoff<PassOutput> finishedPass_;
    ThreadWake *passPending_ = nullptr; // the worker's, set before collectLooping_
    ThreadWake passCollected_;
    std::atomic<bool> collectLooping_{false};
    std::function<void()> passHook_;
    Sysroot hostRoot_;
    int passesStarted_ = 0;
    int passesFinished_ = 0;
    int ticksDropped_ = 0;
    // When the last tick ran (monotonic_ milliseconds); -1 before the first.
    qint64 lastTickMs_ = -1;
    // How many ticks the timer's current wait stands for.
    int ticksPending_ = 1;
    // The counter starts at 1, so the first check comes on the 599th pass.
    quint32 chkNowGlobalIpAddrCount_ = 1;
    GlobalIpLookup *ipLookup_ = nullptr;
    DdnsUpdater *ddns_ = nullptr;
    quint64 ipRequest_ = 0;
    bool ddnsForced_ = false;
    DesktopNotifier *notifier_ = nullptr;
    // Wi-Fi networks and Bluetooth input devices going away or running low.
    DeviceWatch deviceWatch_;
    VncServerBrowser *vncBrowser_ = nullptr;
    QTimer rebootTimer_;
    qint64 rebootDaysInt_ = 0;
    quint64 rebootDaysTimerInt_ = 0;
    std::unique_ptr<PreferencePropagation> prefs_;
};

} // namespace orb
