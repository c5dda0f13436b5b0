#include "settings/PrefFunctions.h"

#include "settings/SettingsStore.h"

#include <QImage>
#include <initializer_list>

namespace orb {
namespace {

bool anyTrue(const SettingsStore &store, std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        if (store.boolForKey(QLatin1String(k)))
            return true;
    return false;
}

} // namespace

QString PrefFunctions::applicationName() { return QStringLiteral("Orbmeter"); }
QString PrefFunctions::applicationVersion() { return QStringLiteral(ORB_VERSION); }

void PrefFunctions::initializeGeneralPreference(SettingsStore &store)
{
    store.setInteger(QStringLiteral("DisplayOrbIcon"), 1);
    store.setBool(QStringLiteral("TopHistgramPreview"), false);
    store.setBool(QStringLiteral("DisplayTopWindowAtStartup"), true);
    for (const char *key : {"Cpu_ShowMyLabel", "Memory_ShowMyLabel", "Network_ShowMyLabel", "Disk_ShowMyLabel",
                            "Vlms_ShowMyLabel", "Temp_ShowMyLabel", "Fan_ShowMyLabel", "Gpu_ShowMyLabel"})
        store.setBool(QLatin1String(key), true);
    store.synchronize();
}

QVariantMap PrefFunctions::deriveLaunchKeys(const SettingsStore &store)
{
    QVariantMap keys;
    keys.insert(QStringLiteral("LaunchCpus"), anyTrue(store, {"Cpu_Display_Graph", "Cpu_Display_LevelBar",
                                                              "Cpu_Display_CircleMeter", "Cpu_Display_Text"}));
    keys.insert(QStringLiteral("LaunchMemo"),
                anyTrue(store, {"Memory_Display_Graph", "Memory_Display_LevelBar", "Memory_Display_CircleMeter",
                                "Memory_Display_Text", "Memory_Display_DetailText"}));
    keys.insert(QStringLiteral("LaunchNetw"),
                anyTrue(store, {"Network_Display_UdCircle", "Network_Display_Graph", "Network_Display_Text"}));
    keys.insert(QStringLiteral("LaunchDisk"),
                anyTrue(store, {"Disk_Display_Indicator", "Disk_Display_Graph", "Disk_Display_Text"})
                    || (store.boolForKey(QStringLiteral("Disk_ShowEachDisk"))
                        && store.boolForKey(QStringLiteral("Disk_WithDiskIconInBackground"))));
    keys.insert(QStringLiteral("LaunchVolume"),
                anyTrue(store, {"Vlms_Display_BarChart", "Vlms_Display_CycleChart", "Vlms_Display_Graph",
                                "Vlms_Display_Text", "Vlms_Display_Percent"})
                    || (store.boolForKey(QStringLiteral("Vlms_ShowEachDisk"))
                        && store.boolForKey(QStringLiteral("Vlms_WithDiskIconInBackground"))));
    keys.insert(QStringLiteral("LaunchTemp"), anyTrue(store, {"Temp_Display_Text", "Temp_Display_Graph"}));
    keys.insert(QStringLiteral("LaunchFans"), anyTrue(store, {"Fan_Display_Text", "Fan_Display_Graph"}));
    keys.insert(QStringLiteral("LaunchVNC"), store.boolForKey(QStringLiteral("Vnc_ShowMenu")));
    keys.insert(QStringLiteral("LaunchGpus"), anyTrue(store, {"Gpu_Display_Graph", "Gpu_Display_LevelBar",
                                                              "Gpu_Display_CircleMeter", "Gpu_Display_Text"}));
    return keys;
}

QVariantMap PrefFunctions::loadGeneralDefaults(SettingsStore &store, const QVariantMap &colorDict)
{
    if (store.boolForKey(QStringLiteral("DisplayMyMenuIcon"))) {
        store.setInteger(QStringLiteral("DisplayOrbIcon"), 1);
        store.removeObjectForKey(QStringLiteral("DisplayMyMenuIcon"));
        store.synchronize();
    }
    QVariantMap d = deriveLaunchKeys(store);

    // Theme values are copied as they are; the colour and image keys are decoded by the
    // theme layer before they reach us, so a missing value leaves only its own key absent.
    for (const char *key : {"_FontName", "_FontPostScriptName", "_FontStyle", "_FontAdjust", "_FontSizeDiff",
                            "_ForDarkAppearance", "_AlternativeTheme", "Z01", "Z03", "N01", "O01", "O02", "O11",
                            "O12", "O13"}) {
        const QString k = QLatin1String(key);
        if (colorDict.contains(k))
            d.insert(k, colorDict.value(k));
    }
    d.insert(QStringLiteral("DisplayOrbIcon"), store.integerForKey(QStringLiteral("DisplayOrbIcon")));
    for (const char *key : {"TopHistgramPreview", "DisplayTopWindowAtStartup", "BidDisconnectNotify", "kBidBatteryNotify"})
        d.insert(QLatin1String(key), store.boolForKey(QLatin1String(key)));
    d.insert(QStringLiteral("RebootRegularlyDays"), store.integerForKey(QStringLiteral("RebootRegularlyDays")));
    d.insert(QStringLiteral("PrefName"), QStringLiteral("%1 v%2").arg(applicationName(), applicationVersion()));
    return d;
}

void PrefFunctions::initializeModulePreference(ModuleId id, SettingsStore &store)
{
    switch (id) {
    case ModuleId::General:
        initializeGeneralPreference(store);
        break;
    default:
        break;
    }
}

QVariantMap PrefFunctions::loadModuleDefaults(ModuleId id, SettingsStore &store, const QVariantMap &colorDict)
{
    switch (id) {
    case ModuleId::General:
        return loadGeneralDefaults(store, colorDict);
    default:
        return {};
    }
}

QList<int> PrefFunctions::defaultModuleSortArray() { return {1, 9, 2, 3, 4, 5, 6, 7, 8}; }

qint64 PrefFunctions::retPadding(const SettingsStore &store, const QString &key)
{
    const qint64 v = store.integerForKey(key);
    return v != 0 ? v : 1;
}

} // namespace orb
