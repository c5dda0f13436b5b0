#include "platform/linux/PowerMonitor.h"

#include "collect/PowerStateBuilder.h"
#include "collect/PowerSupplyReader.h"
#include "platform/Logging.h"
#include "platform/linux/BluezClient.h"
#include "platform/linux/UPowerClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace orb {

PowerMonitor::PowerMonitor(Sysroot root, std::optional<QDBusConnection> bus, QObject *parent)
    : QObject(parent), root_(std::move(root)), bus_(std::move(bus)), state_(std::make_shared<PowerState>())
{
    pool_.setMaxThreadCount(1);
    rebuildTimer_.setSingleShot(true);
    rebuildTimer_.setInterval(0);
    connect(&rebuildTimer_, &QTimer::timeout, this, &PowerMonitor::rebuild);
    sysfsTimer_.setInterval(kSysfsIntervalMs);
    connect(&sysfsTimer_, &QTimer::timeout, this, &PowerMonitor::readSysfs);
}

PowerMonitor::~PowerMonitor()
{
    sysfsTimer_.stop();
    // A read in flight posts back to this object: let it end first.
    pool_.waitForDone();
}

std::optional<QDBusConnection> PowerMonitor::systemBusFor(const Sysroot &root)
{
    if (!root.isHostRoot() && qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS"))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcPlatform) << "no system bus; batteries come from the kernel's power-supply class";
        return std::nullopt;
    }
    return bus;
}

void PowerMonitor::start()
{
    if (bus_) {
        upower_ = new UPowerClient(*bus_, this);
        bluez_ = new BluezClient(*bus_, this);
        connect(upower_, &UPowerClient::changed, this, &PowerMonitor::scheduleRebuild);
        connect(bluez_, &BluezClient::changed, this, &PowerMonitor::scheduleRebuild);
        upower_->start();
        bluez_->start();
    } else {
        readSysfs();
    }
}

bool PowerMonitor::settled() const
{
    if (upower_ && (!upower_->settled() || !bluez_->settled()))
        return false;
    const bool needSysfs = !upower_ || !upower_->present();
    return !needSysfs || sysfs_.has_value();
}

bool PowerMonitor::waitForFirstState(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!(settled() && !rebuildTimer_.isActive() && !sysfsReading_) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return settled();
}

void PowerMonitor::scheduleRebuild()
{
    if (!rebuildTimer_.isActive())
        rebuildTimer_.start();
}

void PowerMonitor::rebuild()
{
    PowerState next;
    if (upower_ && upower_->present()) {
        sysfsTimer_.stop();
        sysfs_.reset();
        next = PowerStateBuilder::fromUPower(upower_->devices(), upower_->displayDevice());
    } else {
        // No power service (absent, or gone for now): the kernel's view until it returns.
        if (!sysfsTimer_.isActive()) {
            sysfsTimer_.start();
            if (!sysfs_ && !sysfsReading_)
                readSysfs();
        }
        if (sysfs_)
            next = *sysfs_;
    }
    if (bluez_)
        PowerStateBuilder::mergeBluez(next, bluez_->devices());
    if (next == *state_)
        return;
    state_ = std::make_shared<const PowerState>(std::move(next));
    Q_EMIT stateChanged();
}

void PowerMonitor::setSysfsIntervals(int withBatteriesMs, int withoutMs)
{
    batteryIntervalMs_ = withBatteriesMs;
    noBatteryIntervalMs_ = withoutMs;
}

void PowerMonitor::readSysfs()
{
    if (sysfsReading_)
        return;
    // Listing the class and the supplies' kinds never waits on the firmware. Without a
    // battery (a desktop, perhaps with a mains entry) there is nothing more to read.
    std::vector<std::string> names = PowerSupplyReader::supplies(root_);
    const bool batteries = PowerSupplyReader::anyBattery(root_, names);
    const int interval = batteries ? batteryIntervalMs_ : noBatteryIntervalMs_;
    if (sysfsTimer_.interval() != interval)
        sysfsTimer_.setInterval(interval);
    if (!batteries) {
        PowerState none = PowerSupplyReader::read(root_, {});
        if (!sysfs_ || !(*sysfs_ == none)) {
            sysfs_ = std::move(none);
            scheduleRebuild();
        }
        return;
    }
    sysfsReading_ = true;
    sysfsRead_.put(SysfsRead{root_, std::move(names), sysfs_});
    // Battery attributes are answered by the firmware and may take a while: never on the UI
    // thread. The destructor waits for the pool, so the read may clear the flag itself.
    pool_.start([this] { runSysfsRead(); });
}

void PowerMonitor::runSysfsRead()
{
    std::optional<SysfsRead> job = sysfsRead_.take();
    if (!job)
        return;
    PowerState s = PowerSupplyReader::read(job->root, job->names);
    if (job->before && *job->before == s) {
        sysfsReading_ = false;
        return;
    }
    sysfsResult_.put(std::move(s));
    static const int take = staticMetaObject.indexOfSlot("takeSysfsResult()");
    queueSlotCall(this, staticMetaObject, take);
}

void PowerMonitor::takeSysfsResult()
{
    std::optional<PowerState> result = sysfsResult_.take();
    if (!result)
        return;
    sysfsReading_ = false;
    sysfs_ = std::move(*result);
    scheduleRebuild();
}

} // namespace orb
