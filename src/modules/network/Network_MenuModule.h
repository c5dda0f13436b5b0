#pragma once
#include "collect/NetworkBase.h"
#include "modules/GraphMenuModule.h"
#include "modules/TypedSettings.h"
#include "modules/network/NetworkItemSettings.h"
#include "modules/network/NetworkTraffic.h"
#include "modules/network/Network_Current.h"

#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

class QWidgetAction;

namespace orb {

class GlobalIpLookup;
class Network_MenuController;

// The Network status item: up/down label, activity lamps, throughput graph and rate text;
// its menu shows the current network, the menu graph and one detail view per interface.
class Network_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    static constexpr int kNetworkSettingsTag = 212;
    static constexpr int kGraphTag = 302;
    static constexpr int kFirstInterfaceTag = 400;
    // Bytes per second the compact gauge takes as full at the least, so background chatter
    // on a quiet line does not fill it.
    static constexpr double kQuietPeak = 32.0 * 1024.0;

    explicit Network_MenuModule(MenuModuleDelegate *delegate);
    ~Network_MenuModule() override;

    // Takes the "Network" history and the interface descriptions.
    void setSensorData(const SensorData &data) override;
    const History<NetworkSample> &resumeArray() const { return resumeArray_; }
    const std::shared_ptr<const NetworkBase> &networkBaseDict() const { return networkBase_; }

    // Checks the interface set first: when it changed after the first refresh, the
    // interface items are rebuilt before the image is drawn.
    void refreshBar() override;

    void redrawStatusItem() override;
    void menuWillOpen() override;
    void menuDidClose() override;

    // The public address as the interface views show it: the address, "Looking up…" while
    // the lookup of this menu opening runs, "(Unknown)" when there is none.
    QString globalIpText() const;
    const QString &globalHost() const { return globalHost_; }

    // Whether an interface gets an item: every one with "Network_ShowAllNic", else the
    // active hardware ones; an interface of unknown kind (or an "iBridge") exactly with
    // "Network_ShowIBridge".
    static bool showsInterface(const NetworkInterface &i, const NetworkItemSettings &settings);
    // The interface views of the menu, in order, and the current-network view.
    const std::vector<Network_MenuController *> &nicManMenusArray() const { return nicManMenusArray_; }
    Network_Current *networkCurrent() const { return network_Current_; }

    // Seconds the newest sample covers, and the current rates in bytes per second.
    double retNowInterval() const { return NetworkTraffic::retNowInterval(resumeArray_); }
    NetworkTraffic::Rates retNowUpDwBytes() const { return NetworkTraffic::retNowUpDwBytes(resumeArray_); }

    // Settings laid over the module's own for the menu graph.
    static QVariantMap menuGraphDefaults();

protected:
    bool hasData() const override { return !resumeArray_.empty(); }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addCommandItems(QMenu &menu) override;
    void addHeaderItems(QMenu &menu) override;
    void addDetailItems(QMenu &menu) override;
    QString headline() const override;
    // The busier direction against the history's peak (never below kQuietPeak), the two rates
    // as label ("↓1.2M ↑40K") and the busier one on the icon.
    TrayHeadline compactHeadline() const override;
    QString labelKey() const override { return QStringLiteral("Network_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Network_Padding"); }
    std::optional<size_t> imageDigest() const override;
    std::optional<size_t> headlineDigest() const override;

private:
    // Rebuilds the interface items after the interface set changed.
    void resetAndRefreshBar();
    void addtionalNicMenus();
    void removeNicMenus();
    // Starts the lookup of the public address, once per menu opening, for the running
    // machine only (a captured machine's address is not this one's).
    void checkGlobalIp();
    void globalIpFound(quint64 request, const QString &ip, const QString &error);
    void showGlobalIp();
    const NetworkItemSettings &settings() const { return settings_.of(myDefaults()); }

    History<NetworkSample> resumeArray_;
    std::shared_ptr<const NetworkBase> networkBase_;
    // Names of the interfaces at the last refresh; unknown until the first one.
    QStringList nicNames_;
    bool nicNamesKnown_ = false;
    std::shared_ptr<const NetworkBase> namesCheckedIn_;
    mutable TypedSettings<NetworkItemSettings> settings_;
    mutable NetworkTraffic::Peaks peaks_;
    QPointer<Network_Current> network_Current_;
    std::vector<Network_MenuController *> nicManMenusArray_;
    std::vector<QWidgetAction *> nicActions_;
    GlobalIpLookup *ipLookup_ = nullptr;
    quint64 ipRequest_ = 0;
    int hostLookupId_ = -1;
    bool gettingGlobalIp_ = false;
    QString globalIp_;
    QString globalHost_;
};

} // namespace orb
