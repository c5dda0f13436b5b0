#include "collect/MachineIdentity.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"
#include "settings/SettingsStore.h"

#include <QStringList>
#include <array>

namespace orb {
namespace {

// Model identifier, product id (with its leading "="), display name.
constexpr std::array<MacModel, 60> kMacModels{{
    {"MacPro7,1", "=508176", "Mac Pro (2019)"},
    {"MacPro6,1", "=134417", "Mac Pro (Late2013)"},
    {"MacPro5,1", "=133644", "Mac Pro (Mid2010/Mid2012)"},
    {"iMac20,2", "=300198", "iMac (Retina5K,27-inch,2020)"},
    {"iMac20,1", "=300198", "iMac (Retina5K,27-inch,2020)"},
    {"iMac19,2", "=506666", "iMac (Retina4K,21.5-inch,2019)"},
    {"iMac19,1", "=506651", "iMac (Retina5K,27-inch,2019)"},
    {"iMac18,3", "=503513", "iMac (Retina5K,27-inch,2017)"},
    {"iMac18,2", "=503499", "iMac (Retina4K,21.5-inch,2017)"},
    {"iMac18,1", "=503494", "iMac (21.5-inch,2017)"},
    {"iMac17,1", "=300011", "iMac (Retina5K,27-inch,Late2015)"},
    {"iMac16,2", "=300012", "iMac (Retina4K,21.5-inch,Late2015)"},
    {"iMac16,1", "=300010", "iMac (21.5-inch,Late2015)"},
    {"iMac15,1", "=135391", "iMac (Retina5K,27-inch,Late2014/Mid2015)"},
    {"iMac14,4", "=134642", "iMac (21.5-inch,Mid2014)"},
    {"iMac14,2", "=134281", "iMac (27-inch,Late2013)"},
    {"iMac14,1", "=134280", "iMac (21.5-inch,Late2013)"},
    {"iMac13,2", "=133843", "iMac (27-inch,Late2012)"},
    {"iMac13,1", "=133842", "iMac (21.5-inch,Late2012)"},
    {"iMacPro1,1", "=504513", "iMac Pro"},
    {"Macmini8,1", "=505996", "Mac mini (2018)"},
    {"Macmini7,1", "=135120", "Mac mini (Late2014)"},
    {"Macmini6,2", "=133844", "Mac mini (Late2012)"},
    {"Macmini6,1", "=133840", "Mac mini (Late2012)"},
    {"MacBookPro16,3", "=300178", "MacBook Pro (13-inch,2020,TB3x2)"},
    {"MacBookPro16,2", "=300177", "MacBook Pro (13-inch,2020,TB3x4)"},
    {"MacBookPro16,1", "=508192", "MacBook Pro (16-inch,2019)"},
    {"MacBookPro16,4", "=508192", "MacBook Pro (16-inch,2019)"},
    {"MacBookPro15,4", "=507496", "MacBook Pro (13-inch,2019,TB3x2)"},
    {"MacBookPro15,3", "=507170", "MacBook Pro (15-inch,2019)"},
    {"MacBookPro15,2", "=507158", "MacBook Pro (13-inch,2019/2018,TB3x4)"},
    {"MacBookPro15,1", "=507170", "MacBook Pro (15-inch,2019/2018)"},
    {"MacBookPro14,3", "=503543", "MacBook Pro (15-inch,2017)"},
    {"MacBookPro14,2", "=503556", "MacBook Pro (13-inch,2017,TB3x4)"},
    {"MacBookPro14,1", "=503565", "MacBook Pro (13-inch,2017,TB3x2)"},
    {"MacBookPro13,3", "=502608", "MacBook Pro (15-inch,2016)"},
    {"MacBookPro13,2", "=502599", "MacBook Pro (13-inch,2016,TB3x4)"},
    {"MacBookPro13,1", "=502621", "MacBook Pro (13-inch,2016,TB3x2)"},
    {"MacBookPro12,1", "=135275", "MacBook Pro (Retina,13-inch,Early2015)"},
    {"MacBookPro11,5", "=135276", "MacBook Pro (Retina,15-inch,Mid2015)"},
    {"MacBookPro11,4", "=135276", "MacBook Pro (Retina,15-inch,Mid2015)"},
    {"MacBookPro11,3", "=134682", "MacBook Pro (Retina,15-inch,Mid2014/Late2013)"},
    {"MacBookPro11,2", "=134682", "MacBook Pro (Retina,15-inch,Mid2014/Late2013)"},
    {"MacBookPro11,1", "=134681", "MacBook Pro (Retina,13-inch,Mid2014/Late2013)"},
    {"MacBookPro10,2", "=133953", "MacBook Pro (Retina,13-inch,Early2013/Late2012)"},
    {"MacBookPro10,1", "=133954", "MacBook Pro (Retina,15-inch,Early2013/Mid2012)"},
    {"MacBookPro9,2", "=133640", "MacBook Pro (13-inch,Mid2012)"},
    {"MacBookPro9,1", "=133639", "MacBook Pro (15-inch,Mid2012)"},
    {"MacBookAir9,1", "=508935", "MacBook Air (Retina,13-inch,2020)"},
    {"MacBookAir8,2", "=507509", "MacBook Air (Retina,13-inch,2019)"},
    {"MacBookAir8,1", "=506006", "MacBook Air (Retina,13-inch,2018)"},
    {"MacBookAir7,2", "=503576", "MacBook Air (13-inch,2017/Early2015)"},
    {"MacBookAir7,1", "=135270", "MacBook Air (11-inch,Early2015)"},
    {"MacBookAir6,2", "=134558", "MacBook Air (13-inch,Early2014/Mid2013)"},
    {"MacBookAir6,1", "=134557", "MacBook Air (11-inch,Early2014/Mid2013)"},
    {"MacBookAir5,2", "=133642", "MacBook Air (13-inch,Mid2012)"},
    {"MacBookAir5,1", "=133641", "MacBook Air (11-inch,Mid2012)"},
    {"MacBook10,1", "=503580", "MacBook (Retina,12-inch,2017)"},
    {"MacBook9,1", "=501504", "MacBook (Retina,12-inch,Early2016)"},
    {"MacBook8,1", "=135274", "MacBook (Retina,12-inch,Early2015)"},
}};

QString dmiText(const Sysroot &root, const char *attribute)
{
    const auto line = root.readLine(std::string("/sys/class/dmi/id/") + attribute);
    if (!line)
        return {};
    // Firmware strings are short; anything longer is garbage.
    return QString::fromUtf8(proctext::trimmed(*line)).left(128).simplified();
}

// Strings firmware vendors leave in unfilled fields.
bool isPlaceholder(const QString &s)
{
    static const QStringList placeholders = {
        QStringLiteral("To be filled by O.E.M."), QStringLiteral("To Be Filled By O.E.M."),
        QStringLiteral("Default string"),         QStringLiteral("System Product Name"),
        QStringLiteral("System Version"),         QStringLiteral("Not Applicable"),
        QStringLiteral("Not Specified"),          QStringLiteral("None"),
        QStringLiteral("Type1ProductConfigId"),   QStringLiteral("0123456789"),
        QStringLiteral("INVALID"),                QStringLiteral("N/A"),
    };
    return s.isEmpty() || placeholders.contains(s, Qt::CaseInsensitive);
}

} // namespace

DmiInfo MachineIdentity::readDmi(const Sysroot &root)
{
    DmiInfo d;
    d.productName = dmiText(root, "product_name");
    d.productVersion = dmiText(root, "product_version");
    d.productFamily = dmiText(root, "product_family");
    d.vendor = dmiText(root, "sys_vendor");
    bool ok = false;
    const int chassis = dmiText(root, "chassis_type").toInt(&ok);
    d.chassisType = ok && chassis > 0 && chassis < 256 ? chassis : 0;
    return d;
}

std::span<const MacModel> MachineIdentity::retMacDictionary() { return kMacModels; }

const MacModel *MachineIdentity::macModel(const QString &identifier)
{
    for (const MacModel &m : kMacModels)
        if (identifier == QLatin1String(m.identifier))
            return &m;
    return nullptr;
}

std::optional<QString> MachineIdentity::virtualMachineName(const DmiInfo &dmi)
{
    struct Hypervisor {
        const char *needle; // in the vendor or product name, case-insensitive
        const char *name;
    };
    static const Hypervisor hypervisors[] = {
        {"VMware", "VMware"},         {"QEMU", "QEMU"},         {"KVM", "KVM"},
        {"VirtualBox", "VirtualBox"}, {"innotek", "VirtualBox"}, {"Xen", "Xen"},
        {"Parallels", "Parallels"},   {"Bochs", "Bochs"},       {"BHYVE", "bhyve"},
        {"Amazon EC2", "Amazon EC2"}, {"Google Compute Engine", "Google Compute Engine"},
    };
    for (const Hypervisor &h : hypervisors) {
        const QString needle = QLatin1String(h.needle);
        if (dmi.vendor.contains(needle, Qt::CaseInsensitive) || dmi.productName.contains(needle, Qt::CaseInsensitive))
            return QStringLiteral("%1 Virtual Machine").arg(QLatin1String(h.name));
    }
    if (dmi.vendor.startsWith(QLatin1String("Microsoft"), Qt::CaseInsensitive)
        && dmi.productName.compare(QLatin1String("Virtual Machine"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Hyper-V Virtual Machine");
    return std::nullopt;
}

QString MachineIdentity::displayName(const DmiInfo &dmi)
{
    if (const MacModel *m = macModel(dmi.productName))
        return QLatin1String(m->displayName);
    if (const auto vm = virtualMachineName(dmi))
        return *vm;
    // Lenovo writes a machine-type code as the product name and the model name as the
    // version ("ThinkPad X1 Carbon Gen 9") or family.
    if (dmi.vendor.compare(QLatin1String("LENOVO"), Qt::CaseInsensitive) == 0) {
        for (const QString &s : {dmi.productVersion, dmi.productFamily})
            if (!isPlaceholder(s))
                return s;
    }
    if (!isPlaceholder(dmi.productName))
        return dmi.productName;
    if (!isPlaceholder(dmi.productFamily))
        return dmi.productFamily;
    if (!isPlaceholder(dmi.vendor))
        return dmi.vendor;
    return {};
}

QString MachineIdentity::chassisIconName(int chassisType)
{
    switch (chassisType) {
    case 8: case 9: case 10: case 14: case 31: case 32:
        return QStringLiteral("computer-laptop");
    case 11: case 30:
        return QStringLiteral("computer-tablet");
    case 17: case 23: case 25: case 28: case 29:
        return QStringLiteral("network-server");
    default:
        return QStringLiteral("computer");
    }
}

void MachineIdentity::collectMyMacDetail(SettingsStore &store, const Sysroot &root)
{
    const QString rawKey = QStringLiteral("MacRawName");
    const QString realKey = QStringLiteral("MacRealName");
    const DmiInfo dmi = readDmi(root);
    store.setString(QStringLiteral("MacIconName"), chassisIconName(dmi.chassisType));
    if (store.stringForKey(rawKey).isEmpty()) {
        if (dmi.productName.isEmpty() && dmi.vendor.isEmpty()) {
            qCInfo(lcCollect) << "the firmware names no machine model; the battery row shows no machine name";
            store.synchronize();
            return;
        }
        store.setString(rawKey, dmi.productName.isEmpty() ? dmi.vendor : dmi.productName);
    }
    if (const auto vm = virtualMachineName(dmi)) {
        // No picture stands for a virtual machine.
        store.removeObjectForKey(QStringLiteral("MacImage"));
        store.setString(realKey, *vm);
    } else if (store.stringForKey(realKey).isEmpty()) {
        const QString name = displayName(dmi);
        store.setString(realKey, name.isEmpty() ? store.stringForKey(rawKey) : name);
    }
    store.synchronize();
}

} // namespace orb
