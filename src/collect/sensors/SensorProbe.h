#pragma once
#include "collect/SensorTable.h"

#include <QString>
#include <memory>
#include <string>

namespace orb {

class Sysroot;

// Finds the machine's temperature sensors and fans. For each kind the first source that
// has any wins: the SMC through applesmc, then the monitoring chips, and for temperatures
// the thermal zones when no chip reports one. A machine with none gets an empty table.
class SensorProbe {
public:
    SensorProbe() = delete;

    static std::shared_ptr<const SensorTable> probe(const Sysroot &root);

    // The set of monitoring devices as text (entry names and link targets), written into
    // `out`; a change means devices came or went.
    static void hwmonDevices(const Sysroot &root, std::string &out);

    // The word a chip's temperatures are labelled with: "CPU", "GPU", "ACPI", "PCH",
    // "Wi-Fi", or the chip's own name.
    static QString chipWord(const QString &chip);
    // Chips whose temperatures belong to drives, read with the drives instead.
    static bool isDriveChip(const QString &chip);
};

} // namespace orb
