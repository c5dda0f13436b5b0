#include "modules/network/Network_MenuModule.h"

#include "modules/BaseMenuItems.h"
#include "modules/network/ImageNetworkBar.h"
#include "modules/network/Network_Current.h"
#include "modules/network/Network_MenuController.h"
#include "platform/Logging.h"
#include "platform/linux/AppLauncher.h"
#include "services/GlobalIpLookup.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QMenu>
#include <QWidgetAction>
#include <algorithm>

namespace orb {
namespace {

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

QStringList interfaceNames(const NetworkBase *base)
{
    QStringList names;
    if (base)
        for (const NetworkInterface &i : base->interfaces)
            names.append(i.name);
    return names;
}

} // namespace

QVariantMap Network_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Network_Display_UdLabel"), false},
            {QStringLiteral("Network_Display_UdCircle"), false},
            {QStringLiteral("Network_Display_Graph"), true},
            {QStringLiteral("Network_Display_Text"), false},
            {QStringLiteral("Network_GraphWidth"), qint64(450)},
            {QStringLiteral("Network_ShowMyLabel"), false},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("NetworkItemSortArray"), QVariantList{qint64(3)}}};
}

Network_MenuModule::Network_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Network, delegate, menuGraphDefaults(), QStringLiteral("Network_EnaMenu_"),
                      QStringLiteral("Network_GraphWidth"))
{
}

Network_MenuModule::~Network_MenuModule() = default;

void Network_MenuModule::setSensorData(const SensorData &data)
{
    if (data.network)
        resumeArray_ = *data.network;
    networkBase_ = data.networkBase;
}

void Network_MenuModule::refreshBar()
{
    if (myDefaults().isEmpty() || resumeArray_.empty())
        return;
    // The set of names decides, not their number: one adapter replaced by another is a change.
    // A description already looked at is not looked at again.
    if (!nicNamesKnown_ || networkBase_ != namesCheckedIn_) {
        namesCheckedIn_ = networkBase_;
        const QStringList names = interfaceNames(networkBase_.get());
        if (!nicNamesKnown_ || names != nicNames_) {
            nicNames_ = names;
            nicNamesKnown_ = true;
            resetAndRefreshBar();
            return;
        }
    }
    GraphMenuModule::refreshBar();
}

void Network_MenuModule::resetAndRefreshBar()
{
    // The items are rebuilt in place, also in an open menu, which stays open.
    if (statusMenu() && !statusMenu()->isEmpty()) {
        removeNicMenus();
        addtionalNicMenus();
        if (menuOpened())
            redrawStatusItem();
    }
    GraphMenuModule::refreshBar();
}

bool Network_MenuModule::showsInterface(const NetworkInterface &i, const NetworkItemSettings &s)
{
    if ((i.hasNic && i.model == QLatin1String("iBridge")) || !i.hasItf)
        return s.showIBridge;
    return s.showAllNic || (i.hasNic && i.isActive());
}

void Network_MenuModule::addHeaderItems(QMenu &menu)
{
    auto *action = new QWidgetAction(&menu);
    network_Current_ = new Network_Current;
    action->setDefaultWidget(network_Current_);
    menu.addAction(action);
}

void Network_MenuModule::addDetailItems(QMenu &menu)
{
    // The menu graph was the last item added.
    if (!menu.actions().isEmpty())
        BaseMenuItems::setTag(menu.actions().constLast(), kGraphTag);
    nicActions_.clear();
    nicManMenusArray_.clear();
    addtionalNicMenus();
}

void Network_MenuModule::addtionalNicMenus()
{
    QMenu *menu = statusMenu();
    if (!menu || menu->isEmpty() || resumeArray_.empty() || !networkBase_)
        return;
    const NetworkItemSettings &s = settings();
    int tag = kFirstInterfaceTag;
    for (const NetworkInterface &i : networkBase_->interfaces) { // sorted by name
        if (!showsInterface(i, s))
            continue;
        auto *view = new Network_MenuController(i.name);
        auto *action = new QWidgetAction(menu);
        action->setText(BaseMenuItems::escaped(i.name));
        action->setDefaultWidget(view);
        BaseMenuItems::setTag(action, tag++);
        menu->addAction(action);
        nicManMenusArray_.push_back(view);
        nicActions_.push_back(action);
    }
}

void Network_MenuModule::removeNicMenus()
{
    QMenu *menu = statusMenu();
    for (QWidgetAction *a : nicActions_) {
        if (menu)
            menu->removeAction(a);
        a->deleteLater();
    }
    nicActions_.clear();
    nicManMenusArray_.clear();
}

void Network_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    const NetworkItemSettings &s = settings();
    if (network_Current_)
        network_Current_->replaceBaseData(networkBase_ ? networkBase_->location : QStringLiteral("---"),
                                          retNowUpDwBytes(), s);
    const QString globalIp = globalIpText();
    for (Network_MenuController *view : nicManMenusArray_) {
        view->setLastInterval(retNowInterval());
        view->setDetailDict(networkBase_ ? networkBase_->find(view->nicTitle()) : nullptr);
        view->setGlobalIp(globalIp, globalHost_);
        view->replaceBaseData();
    }
}

void Network_MenuModule::menuWillOpen()
{
    // Unless the whole menu is rebuilt anyway, the interface items are made afresh.
    if (!menuItemRefresh()) {
        removeNicMenus();
        addtionalNicMenus();
    }
    // Every opening asks anew; what an earlier one found may no longer hold.
    globalIp_.clear();
    globalHost_.clear();
    checkGlobalIp();
    GraphMenuModule::menuWillOpen();
}

void Network_MenuModule::menuDidClose()
{
    gettingGlobalIp_ = false;
    GraphMenuModule::menuDidClose();
}

QString Network_MenuModule::globalIpText() const
{
    if (!globalIp_.isEmpty())
        return globalIp_;
    if (gettingGlobalIp_ && ipLookup_ && ipLookup_->isRunning())
        return localized("Looking up…");
    return localized("(Unknown)");
}

void Network_MenuModule::checkGlobalIp()
{
    if (gettingGlobalIp_ || !networkBase_)
        return;
    const std::optional<Sysroot> root = delegate() ? delegate()->menuSysroot() : std::nullopt;
    if (!root || !root->isHostRoot())
        return;
    // Without an address of its own the machine is offline: nothing to ask.
    const bool online = std::any_of(networkBase_->interfaces.begin(), networkBase_->interfaces.end(),
                                    [](const NetworkInterface &i) {
                                        return i.hasNic && i.isActive() && !i.ipv4.isEmpty();
                                    });
    if (!online)
        return;
    if (!ipLookup_) {
        ipLookup_ = new GlobalIpLookup(this);
        connect(ipLookup_, &GlobalIpLookup::finished, this, &Network_MenuModule::globalIpFound);
    }
    if (hostLookupId_ >= 0) {
        QHostInfo::abortHostLookup(hostLookupId_);
        hostLookupId_ = -1;
    }
    gettingGlobalIp_ = true;
    ipLookup_->start(++ipRequest_);
}

void Network_MenuModule::globalIpFound(quint64 request, const QString &ip, const QString &error)
{
    // An answer to an earlier opening is stale.
    if (request != ipRequest_)
        return;
    globalIp_ = ip;
    globalHost_.clear();
    if (ip.isEmpty()) {
        qCInfo(lcModules) << "public address unknown:" << error;
    } else {
        // The host name arrives later, looked up off this thread.
        hostLookupId_ = QHostInfo::lookupHost(ip, this, [this, request, ip](const QHostInfo &info) {
            hostLookupId_ = -1;
            if (request != ipRequest_ || info.error() != QHostInfo::NoError || info.hostName() == ip)
                return;
            globalHost_ = info.hostName();
            showGlobalIp();
        });
    }
    showGlobalIp();
}

void Network_MenuModule::showGlobalIp()
{
    const QString text = globalIpText();
    for (Network_MenuController *view : nicManMenusArray_) {
        view->setGlobalIp(text, globalHost_);
        view->replaceBaseData();
    }
}

ElementWidths Network_MenuModule::elementWidths(const OrbEdgeInsets &, double) const
{
    const NetworkItemSettings &s = settings();
    ElementWidths widths;
    for (int code : s.order) {
        switch (code) {
        case 1:
            if (s.showUdLabel)
                widths.push_back(s.udLabelWidth);
            break;
        case 2:
            if (s.showLamps)
                widths.push_back(8.0);
            break;
        case 3:
            if (s.showGraph)
                widths.push_back(s.graphWidth);
            break;
        case 4:
            if (s.showText)
                widths.push_back(s.textWidth);
            break;
        default:
            break;
        }
    }
    return widths;
}

std::unique_ptr<ModuleImageView> Network_MenuModule::makeImageView() const { return std::make_unique<ImageNetworkBar>(); }

void Network_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageNetworkBar &>(view);
    bar.setResumeArray(resumeArray_);
    bar.setPeaks(peaks_.of(resumeArray_));
    const NetworkTraffic::Rates r = retNowUpDwBytes();
    bar.setNowRates(r.up, r.down);
}

std::optional<size_t> Network_MenuModule::imageDigest() const
{
    const NetworkTraffic::Rates r = retNowUpDwBytes();
    return ImageNetworkBar::imageDigest(resumeArray_, r.up, r.down, ImageNetworkBar::graphScale(peaks_.of(resumeArray_)),
                                        settings());
}

std::optional<size_t> Network_MenuModule::headlineDigest() const
{
    const NetworkTraffic::Rates now = retNowUpDwBytes();
    const NetworkTraffic::Peaks::Rates peaks = peaks_.of(resumeArray_);
    return qHashMulti(0, std::min<size_t>(resumeArray_.size(), 2), now.up, now.down, peaks.up, peaks.down);
}

QString Network_MenuModule::headline() const
{
    if (resumeArray_.empty())
        return {};
    const NetworkItemSettings &s = settings();
    const NetworkTraffic::Rates r = retNowUpDwBytes();
    const QString up = s.udLabels.value(0, localized("Up"));
    const QString down = s.udLabels.value(1, localized("Dw"));
    return up + QLatin1Char(' ') + OrbFormat::calcBytesPerSec(r.up, s.bits, 0) + QStringLiteral("  ") + down
           + QLatin1Char(' ') + OrbFormat::calcBytesPerSec(r.down, s.bits, 0);
}

TrayHeadline Network_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (resumeArray_.empty())
        return h;
    h.gauge = TrayHeadline::Gauge::Bar;
    // One sample gives no rate yet: a zero would pass for a quiet line.
    if (resumeArray_.size() < 2) {
        h.label = QStringLiteral("NET --");
        return h;
    }
    const NetworkItemSettings &s = settings();
    const double scale = s.bits ? 8.0 : 1.0;
    const NetworkTraffic::Rates now = retNowUpDwBytes();
    const NetworkTraffic::Peaks::Rates peaks = peaks_.of(resumeArray_);
    const double down = static_cast<double>(NetworkTraffic::whole(now.down));
    const double up = static_cast<double>(NetworkTraffic::whole(now.up));
    const double busier = std::max(down, up);
    const double peak = std::max({static_cast<double>(peaks.down), static_cast<double>(peaks.up), kQuietPeak});
    h.fraction = std::clamp(busier / peak, 0.0, 1.0);
    h.colour = down >= up ? s.down : s.up;
    h.figure = TrayHeadline::shortAmount(busier * scale);
    h.label = QStringLiteral("\u2193") + TrayHeadline::shortAmount(down * scale) + QStringLiteral(" \u2191")
        + TrayHeadline::shortAmount(up * scale);
    const auto rate = [&s](int64_t bytes) { return OrbFormat::calcBytesPerSec(static_cast<double>(bytes), s.bits, 0); };
    h.toolTip = localized("Down %1\nUp %2\nPeak %3 down, %4 up")
                    .arg(rate(int64_t(down)), rate(int64_t(up)), rate(peaks.down), rate(peaks.up));
    return h;
}

void Network_MenuModule::addCommandItems(QMenu &menu)
{
    // The desktop's own network settings, when one is installed.
    if (!AppLauncher::isAvailable(LaunchTarget::NetworkSettings))
        return;
    BaseMenuItems::addCommandItem(menu, localized("Open Network Settings"), kNetworkSettingsTag, myDefaults(),
                                  QStringLiteral("O22"), [] { AppLauncher::launch(LaunchTarget::NetworkSettings); });
}

} // namespace orb
