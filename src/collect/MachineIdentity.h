#pragma once
#include <QString>
#include <optional>
#include <span>

namespace orb {

class SettingsStore;
class Sysroot;

// What the firmware's DMI tables say about the machine (/sys/class/dmi/id).
struct DmiInfo {
    QString productName;
    QString productVersion;
    QString productFamily;
    QString vendor;
    int chassisType = 0; // SMBIOS chassis type, 0 when unknown
};

// One entry of the built-in table of Mac models: an Intel Mac running Linux reports its
// model identifier ("MacBookPro16,1") as the DMI product name.
struct MacModel {
    const char *identifier;
    const char *productId;
    const char *displayName;
};

// Which machine this is: model identifier, display name and a themed icon, worked out at
// start and kept in the settings ("MacRawName", "MacRealName", "MacIconName").
class MachineIdentity {
public:
    static DmiInfo readDmi(const Sysroot &root);

    // The Mac model table, in its fixed order.
    static std::span<const MacModel> retMacDictionary();
    static const MacModel *macModel(const QString &identifier);

    // "QEMU Virtual Machine" and the like when the DMI data names a hypervisor.
    static std::optional<QString> virtualMachineName(const DmiInfo &dmi);
    // The name shown for the machine: a Mac's marketing name from the table, a virtual
    // machine as such, a ThinkPad by its family, otherwise the product name; firmware
    // placeholders ("To be filled by O.E.M.") never count as names.
    static QString displayName(const DmiInfo &dmi);
    // A freedesktop icon name for the chassis type ("computer-laptop", "computer").
    static QString chassisIconName(int chassisType);

    // Start-up resolution: reads the identifier only when none is stored, names a virtual
    // machine afresh every start, and looks the display name up only when none is stored.
    // Reads only the DMI attribute files: nothing here waits on a device or the network.
    static void collectMyMacDetail(SettingsStore &store, const Sysroot &root);
};

} // namespace orb
