#include "collect/AddressWatcher.h"
#include "collect/ModuleSampler.h"
#include "collect/NetworkInterfaces.h"
#include "collect/NetworkManagerClient.h"
#include "collect/NetworkSampler.h"
#include "modules/ModuleRows.h"
#include "modules/network/Network_MenuModule.h"
#include "settings/NetworkPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

// Seconds after which the descriptions of a machine with Wi-Fi are built again, so network
// name, bit rate and strength stay current while nothing else changes.
constexpr double kWifiRefreshSeconds = 30.0;

class NetworkStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        const Sysroot &root = context.root;
        std::optional<NetworkSample> s = sampler_.loadNetworkData(root, context.now);
        if (!s)
            return;
        appendSample(data.network, *s);

        const bool host = root.isHostRoot();
        const bool interfacesChanged = !sampler_.checkInterfaceStatusChange();
        if (interfacesChanged)
            ++interfaceChanges_;
        bool rebuild = interfacesChanged || !data.networkBase || root.root() != builtFor_;
        if (host) {
            if (!watcher_)
                watcher_ = std::make_unique<AddressWatcher>();
            rebuild = watcher_->changed() || rebuild;
        }
        if (!sampler_.wifiLevels().empty() && context.now - builtAt_ >= kWifiRefreshSeconds)
            rebuild = true;
        if (!rebuild) {
            data.networkBase = NetworkInterfaces::withWifiLevels(data.networkBase, sampler_.wifiLevels());
            return;
        }
        std::shared_ptr<NetworkBase> base = NetworkInterfaces::retNetworkBase(
            root, host ? NetworkInterfaces::retIpAdress() : AddressMap(), networkManager(root), sampler_.wifiLevels());
        base->interfaceChanges = interfaceChanges_;
        data.networkBase = std::move(base);
        builtFor_ = root.root();
        builtAt_ = context.now;
    }

private:
    // The running machine's NetworkManager; for a tree other than "/" only when a system bus
    // was named on purpose (tests give a private one), never the machine's own.
    std::optional<NmSnapshot> networkManager(const Sysroot &root)
    {
        if (!root.isHostRoot() && !qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"))
            return std::nullopt;
        if (!nm_)
            nm_ = std::make_unique<NetworkManagerClient>(QDBusConnection::systemBus());
        return nm_->read();
    }

    NetworkSampler sampler_;
    std::unique_ptr<AddressWatcher> watcher_;
    std::unique_ptr<NetworkManagerClient> nm_;
    std::string builtFor_;
    double builtAt_ = 0.0;
    // Changes of the interfaces seen so far; the Wi-Fi loss check compares only across them.
    uint64_t interfaceChanges_ = 0;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.network)
        return;
    QJsonArray history;
    for (const NetworkSample &s : *data.network) {
        history.append(QJsonObject{{QStringLiteral("to_up"), qint64(s.up)},
                                   {QStringLiteral("to_dw"), qint64(s.down)},
                                   {QStringLiteral("int"), s.interval},
                                   {QStringLiteral("rs_sig"), qint64(s.signal)},
                                   {QStringLiteral("rs_itf"), qint64(s.noise)}});
    }
    out.insert(QStringLiteral("Network"), history);
}

} // namespace

const ModuleInfo kNetworkModule{
    .id = ModuleId::Network,
    .number = 3,
    .tabIndex = 4,
    .leftToRight = 3,
    .cycleOrder = 2,
    .sampleOrder = 3,
    .prefName = "Network",
    .key = "network",
    .jsonName = "Network",
    .launchKey = "LaunchNetw",
    .intervalKey = "Network_UpdateInterval",
    .counterKey = "NetworkInnerLoadCounterInt",
    .loadKey = "NetworkInnerLoadData",
    .sortArrayKey = "NetworkItemSortArray",
    .labelKey = "Network_ShowMyLabel",
    .initialize = &NetworkPreferences::initialize,
    .loadDefaults = &NetworkPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Network_Display_UdCircle", "Network_Display_Graph", "Network_Display_Text"});
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Network_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<NetworkStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
