#include "settings/PrefFunctions.h"

#include "settings/SettingsStore.h"
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

bool PrefFunctions::anyTrue(const SettingsStore &store, std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        if (store.boolForKey(QLatin1String(k)))
            return true;
    return false;
}

QVariantMap PrefFunctions::deriveLaunchKeys(const SettingsStore &store)
{
    QVariantMap keys;
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (*m->launchKey)
            keys.insert(QLatin1String(m->launchKey), m->wantsItem && m->wantsItem(store));
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
    if (const auto init = ModuleCatalog::info(id).initialize)
        init(store);
}

QVariantMap PrefFunctions::loadModuleDefaults(ModuleId id, SettingsStore &store, const QVariantMap &colorDict)
{
    if (id == ModuleId::General)
        return loadGeneralDefaults(store, colorDict);
    const auto load = ModuleCatalog::info(id).loadDefaults;
    return load ? load(store, colorDict) : QVariantMap();
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
