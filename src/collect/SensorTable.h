#pragma once
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace orb {

// Where a machine's temperatures (or fans) come from.
enum class SensorSource {
    None,
    AppleSmc,    // the SMC of an Intel Mac through applesmc
    Hwmon,       // hardware monitoring chips
    ThermalZone, // ACPI or SoC thermal zones, when no chip reports a temperature
};

// One sensor: the label it is shown under and the file its reading is read from.
struct SensorEntry {
    QString label;
    std::string source; // absolute path, sysroot included
    bool operator==(const SensorEntry &) const = default;
};

// The sensors found on the machine: probed once at start and again when the set of
// monitoring devices changes. Shared read-only between the temperature and fan samplers
// and the items; a new probe builds a new table.
struct SensorTable {
    SensorTable() = default;
    SensorTable(const SensorTable &) = delete;
    SensorTable &operator=(const SensorTable &) = delete;
    ~SensorTable();

    // The sysroot the paths were found under.
    std::string root;
    SensorSource tempSource = SensorSource::None;
    SensorSource fanSource = SensorSource::None;
    // Millidegrees Celsius each, in the order they were found.
    std::vector<SensorEntry> temps;
    // Revolutions per minute each.
    std::vector<SensorEntry> fans;
    // The internal battery's temperature in tenths of a degree, under "Built-in Battery".
    std::optional<SensorEntry> battery;
    // The monitoring devices present when the table was probed (names and link targets).
    std::string hwmonDevices;

    // Descriptors of the sources, opened once so a pass only re-reads them (one per entry of
    // `temps` and `fans`; −1 where the open failed, and the path is opened on each read).
    std::vector<int> tempFiles;
    std::vector<int> fanFiles;
    int batteryFile = -1;
    // Opens the descriptors above; closed with the table.
    void openFiles();

    bool hasTemperatures() const { return !temps.empty() || battery.has_value(); }
};

} // namespace orb
