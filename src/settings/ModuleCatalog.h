#pragma once
#include <QString>
#include <QVariantMap>
#include <memory>
#include <span>

class QJsonObject;

namespace orb {

// The ten modules, in the controller's field order.
enum class ModuleId { General, Cpu, Memory, Network, Disk, Volume, Temp, Fan, Vnc, Gpu };
constexpr int kModuleCount = 10;

class MenuModule;
class MenuModuleDelegate;
class ModuleSampler;
class SettingsStore;
class Sysroot;
struct SensorData;

// One row of the module table: everything the application needs to know about a module.
// Nothing else lists the modules; the controller, the refresh cycle, the collector, the
// JSON writer, the hosts and the settings all walk this table.
//
// Adding a module: give it an id above, write its row in src/modules/<name>/<Name>Module.cpp
// (the hooks point into its own folder), and add the row to the table in ModuleCatalog.cpp.
struct ModuleInfo {
    ModuleId id;
    int number;          // module number of defaultModuleSortArray; 0 for General
    int tabIndex;        // preferences tab
    int leftToRight;     // place in the bar, 0 leftmost
    int cycleOrder;      // counter and redraw order of the refresh cycle (General last)
    int sampleOrder;     // order in which the collector samples due modules
    const char *prefName;     // "CPU", "Memory", ...
    const char *key;          // lower-case name used for files, hosts and the command line: "cpu"
    const char *jsonName;     // key of its history in the sensor data ("CPU"); "" for none
    const char *launchKey;    // "LaunchCpus"; General has none
    const char *intervalKey;  // "" when the module has no update interval
    const char *counterKey;
    const char *loadKey;
    // Present in every store the module's first-run writer has run on; its absence on an
    // upgraded store means the module's defaults were never written.
    const char *sortArrayKey;
    // The stored switch of the module's label image ("Cpu_ShowMyLabel"); "" for none.
    const char *labelKey;

    // Hooks; any may be null when the module has none.
    void (*initialize)(SettingsStore &store);
    QVariantMap (*loadDefaults)(SettingsStore &store, const QVariantMap &theme);
    // Whether the stored display switches ask for the item.
    bool (*wantsItem)(const SettingsStore &store);
    // How many devices the module can show on this machine (fans, GPUs...), probed at start;
    // null when the module needs no hardware. 0 keeps the item away without touching the
    // stored switches.
    int (*probeHardware)(const Sysroot &root);
    std::unique_ptr<MenuModule> (*createItem)(MenuModuleDelegate *delegate);
    std::unique_ptr<ModuleSampler> (*createSampler)();
    // Adds the module's history (and nothing else) to the `orbmeter sample` output.
    void (*writeJson)(const SensorData &data, QJsonObject &out);

    bool hasInterval() const { return *intervalKey != '\0'; }
};

class ModuleCatalog {
public:
    // Every row, in ModuleId order.
    static std::span<const ModuleInfo *const> all();
    static const ModuleInfo &info(ModuleId id);
    // The rows sorted by one of the orders above.
    static std::span<const ModuleInfo *const> leftToRight();
    static std::span<const ModuleInfo *const> cycleOrder();
    static std::span<const ModuleInfo *const> sampleOrder();
    // The module with that number of defaultModuleSortArray, or nullptr.
    static const ModuleInfo *byNumber(int number);
    static const ModuleInfo *byKey(const QString &key);
    static int index(ModuleId id) { return static_cast<int>(id); }
};

} // namespace orb
