#pragma once
#include "collect/PowerState.h"

#include <string>
#include <vector>

namespace orb {

class Sysroot;

// Batteries and chargers from the kernel's power-supply class (/sys/class/power_supply),
// used when no power service is on the system bus. Only plain attribute reads; a supply
// whose attributes are garbled or missing gives missing figures, never made-up ones.
class PowerSupplyReader {
public:
    // The internal battery (type Battery, not a device's own battery; several packs summed;
    // a UPS never counts), the chargers' state, and the devices' batteries (scope Device).
    static PowerState read(const Sysroot &root);
    // The same over the supplies `supplies()` listed (a caller that looks before it reads).
    static PowerState read(const Sysroot &root, const std::vector<std::string> &names);
    // The names of the supplies in the class; listing them reads no attribute.
    static std::vector<std::string> supplies(const Sysroot &root);
    // Whether one of `names` is a battery (the machine's or a device's), the only kind whose
    // figures reach the power state. Reads only `type`, which the kernel answers itself,
    // without asking the driver or the firmware.
    static bool anyBattery(const Sysroot &root, const std::vector<std::string> &names);

    // The first Bluetooth address written in `text` ("hid-aa:bb:cc:dd:ee:ff-battery",
    // "/org/bluez/hci0/dev_AA_BB_CC_DD_EE_FF"), upper-case with colons; empty when none.
    static QString addressIn(const QString &text);
};

} // namespace orb
