#pragma once
#include <QString>
#include <array>

namespace orb {

// The ten modules, in the controller's field order.
enum class ModuleId { General, Cpu, Memory, Network, Disk, Volume, Temp, Fan, Vnc, Gpu };
constexpr int kModuleCount = 10;

// Fixed facts about one module: its names and the keys the refresh cycle works with.
struct ModuleInfo {
    ModuleId id;
    int number;             // module number of defaultModuleSortArray; 0 for General
    int tabIndex;           // preferences tab
    const char *prefName;   // "CPU", "Memory", ...
    const char *key;        // lower-case name used for files and hosts: "cpu"
    const char *launchKey;  // "LaunchCpus"; General has none
    const char *intervalKey;
    const char *counterKey;
    const char *loadKey;
};

class ModuleCatalog {
public:
    static const std::array<ModuleInfo, kModuleCount> &all();
    static const ModuleInfo &info(ModuleId id);
    // The module with that number of defaultModuleSortArray, or nullptr.
    static const ModuleInfo *byNumber(int number);
    static const ModuleInfo *byKey(const QString &key);
    static int index(ModuleId id) { return static_cast<int>(id); }
};

} // namespace orb
