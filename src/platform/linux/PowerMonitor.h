#pragma once
#include "collect/PowerState.h"
#include "platform/Sysroot.h"
#include "platform/ThreadHandoff.h"

#include <QDBusConnection>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orb {

class BluezClient;
class UPowerClient;

// The machine's batteries and wireless devices, kept on the UI thread: the power and
// Bluetooth services' signals when they run, the kernel's power-supply class while no power
// service is there. The class is listed every few seconds; the supplies' attributes, which
// the firmware may be slow to answer, are read on a pool thread, and only a change is handed
// back. A machine without any battery is only looked at again now and then.
class PowerMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int kSysfsIntervalMs = 5000;
    static constexpr int kNoBatteryIntervalMs = 30000;

    // `bus`: the system bus, or none to read only the power-supply class under `root`.
    PowerMonitor(Sysroot root, std::optional<QDBusConnection> bus, QObject *parent = nullptr);
    ~PowerMonitor() override;

    // The system bus unless the machine is a fixture tree and no bus was named
    // (DBUS_SYSTEM_BUS_ADDRESS): a captured machine never shows this machine's devices.
    static std::optional<QDBusConnection> systemBusFor(const Sysroot &root);

    void start();
    // Runs the event loop until the first state is complete or `timeoutMs` passed; for
    // the command line, which draws once. Returns whether it completed.
    bool waitForFirstState(int timeoutMs);

    // The newest state; never null after start().
    std::shared_ptr<const PowerState> state() const { return state_; }

    // How often the power-supply class is read with batteries present, and looked at without.
    void setSysfsIntervals(int withBatteriesMs, int withoutMs);

Q_SIGNALS:
    void stateChanged();

private Q_SLOTS:
    void takeSysfsResult();

private:
    void scheduleRebuild();
    void rebuild();
    void readSysfs();
    void runSysfsRead();
    bool settled() const;

    // What a pool read is given and what it hands back; the pool's task and the queued
    // call carry nothing.
    struct SysfsRead {
        Sysroot root;
        std::vector<std::string> names;
        std::optional<PowerState> before;
    };

    Sysroot root_;
    std::optional<QDBusConnection> bus_;
    UPowerClient *upower_ = nullptr;
    BluezClient *bluez_ = nullptr;
    std::shared_ptr<const PowerState> state_;
    std::optional<PowerState> sysfs_;
    QTimer rebuildTimer_;
    QTimer sysfsTimer_;
    QThreadPool pool_;
    int batteryIntervalMs_ = kSysfsIntervalMs;
    int noBatteryIntervalMs_ = kNoBatteryIntervalMs;
    // Set while a pool read is on its way; the read clears it itself when nothing changed.
    std::atomic<bool> sysfsReading_{false};
    ThreadHandoff<SysfsRead> sysfsRead_;
    ThreadHandoff<PowerState> sysfsResult_;
};

} // namespace orb
