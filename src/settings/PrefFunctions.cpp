#include "settings/PrefFunctions.h"

#include "settings/CpuPreferences.h"
#include "settings/FanPreferences.h"
#include "settings/GpuPreferences.h"
#include "settings/MemoryPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/TempPreferences.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbStrings.h"

#include <QImage>
#include <QLabel>
#include <QSlider>
#include <initializer_list>

namespace orb {
namespace {

void storeSlider(SettingsStore &store, QLabel &label, const QString &key, const char *format, qint64 value)
{
    label.setText(OrbStrings::text(format).arg(value));
    store.setInteger(key, value);
    store.synchronize();
}

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

    // A theme value that is missing leaves only its own key absent.
    for (const char *key : {"_FontName", "_FontPostScriptName", "_FontStyle", "_FontAdjust", "_FontSizeDiff",
                            "_ForDarkAppearance", "_AlternativeTheme"}) {
        const QString k = QLatin1String(key);
        if (colorDict.contains(k))
            d.insert(k, colorDict.value(k));
    }
    for (const char *key : {"Z01", "Z03"}) {
        const QString k = QLatin1String(key);
        if (colorDict.contains(k))
            d.insert(k, OrbColors::retColorFromArray(colorDict.value(k)));
    }
    for (const char *key : {"N01", "O01", "O02", "O11", "O12", "O13"}) {
        const QString k = QLatin1String(key);
        const QImage image = QImage::fromData(colorDict.value(k).toByteArray());
        if (!image.isNull())
            d.insert(k, image);
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
    case ModuleId::Cpu:
        CpuPreferences::initialize(store);
        break;
    case ModuleId::Gpu:
        GpuPreferences::initialize(store);
        break;
    case ModuleId::Memory:
        MemoryPreferences::initialize(store);
        break;
    case ModuleId::Temp:
        TempPreferences::initialize(store);
        break;
    case ModuleId::Fan:
        FanPreferences::initialize(store);
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
    case ModuleId::Cpu:
        return CpuPreferences::load(store, colorDict);
    case ModuleId::Gpu:
        return GpuPreferences::load(store, colorDict);
    case ModuleId::Memory:
        return MemoryPreferences::load(store, colorDict);
    case ModuleId::Temp:
        return TempPreferences::load(store, colorDict);
    case ModuleId::Fan:
        return FanPreferences::load(store, colorDict);
    default:
        return {};
    }
}

double PrefFunctions::calcPiledFontSize(const QString &text, double baseFontSize, const QString &fontName,
                                        double graphWidth)
{
    if (!(baseFontSize >= 6.0))
        return 12.0;
    const int n = baseFontSize > 1000.0 ? 1000 : static_cast<int>(baseFontSize);
    for (int i = n; i >= 6; --i) {
        if (2.0 * graphWidth > OrbFormat::calcMenuLabelSize({text}, 2.0 * i, fontName))
            return 2.0 * i;
    }
    return 12.0;
}

void PrefFunctions::processSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key)
{
    storeSlider(store, label, key, "Recent : %ld sec", slider.value());
}

void PrefFunctions::updateSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key)
{
    storeSlider(store, label, key, "Update Interval : %ld sec", slider.value());
}

void PrefFunctions::partsspaceSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label,
                                           const QString &key)
{
    storeSlider(store, label, key, "Parts spacing : %ld pixel", slider.value());
}

void PrefFunctions::graphSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key)
{
    storeSlider(store, label, key, "Histgram width : %ld pixel", qint64(slider.value()) * 5);
}

void PrefFunctions::limenBaseSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label,
                                          const QString &key)
{
    storeSlider(store, label, key, "Ignore below : %ldKB/s", slider.value());
}

QList<int> PrefFunctions::defaultModuleSortArray() { return {1, 9, 2, 3, 4, 5, 6, 7, 8}; }

qint64 PrefFunctions::retPadding(const SettingsStore &store, const QString &key)
{
    const qint64 v = store.integerForKey(key);
    return v != 0 ? v : 1;
}

} // namespace orb
