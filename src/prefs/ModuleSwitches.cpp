#include "prefs/ModuleSwitches.h"

#include "platform/Logging.h"
#include "prefs/CpuTabViewController.h"
#include "prefs/DiskTabViewController.h"
#include "prefs/FanTabViewController.h"
#include "prefs/GpuTabViewController.h"
#include "prefs/MemoryTabViewController.h"
#include "prefs/NetworkTabViewController.h"
#include "prefs/TempTabViewController.h"
#include "prefs/VNCTabViewController.h"
#include "prefs/VolumeTabViewController.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>

namespace orb {

namespace {

ModuleTabSpec specOf(ModuleId id)
{
    switch (id) {
    case ModuleId::Cpu: return CpuTabViewController::tabSpec();
    case ModuleId::Memory: return MemoryTabViewController::tabSpec();
    case ModuleId::Network: return NetworkTabViewController::tabSpec();
    case ModuleId::Disk: return DiskTabViewController::tabSpec();
    case ModuleId::Volume: return VolumeTabViewController::tabSpec();
    case ModuleId::Temp: return TempTabViewController::tabSpec();
    case ModuleId::Fan: return FanTabViewController::tabSpec();
    case ModuleId::Vnc: return VNCTabViewController::tabSpec();
    case ModuleId::Gpu: return GpuTabViewController::tabSpec();
    case ModuleId::General: break;
    }
    return {ModuleId::General, "", {}, {}};
}

// The module's switches as its first-run values set them.
QStringList firstRunOn(ModuleId id, const QStringList &keys)
{
    QStringList on;
    const auto init = ModuleCatalog::info(id).initialize;
    QTemporaryDir dir;
    if (!init || !dir.isValid())
        return on;
    SettingsStore scratch(QStringLiteral("defaults"), dir.path());
    init(scratch);
    for (const QString &k : keys)
        if (scratch.boolForKey(k))
            on << k;
    return on;
}

} // namespace

ModuleTabSpec ModuleSwitches::tabSpec(ModuleId id) { return specOf(id); }

QStringList ModuleSwitches::keys(ModuleId id)
{
    QStringList keys;
    if (id == ModuleId::Vnc)
        return {QStringLiteral("Vnc_ShowMenu")};
    for (const TabControl &c : specOf(id).controls)
        if (c.kind == TabControl::Kind::Switch && c.element > 0)
            keys << QLatin1String(c.key);
    // The volume item is also shown for the disk icon behind each volume.
    if (id == ModuleId::Volume)
        keys << QStringLiteral("Vlms_WithDiskIconInBackground");
    return keys;
}

void ModuleSwitches::switchOff(ModuleId id, SettingsStore &store)
{
    const QString launchKey = QLatin1String(ModuleCatalog::info(id).launchKey);
    QVariantList wasOn;
    for (const QString &k : keys(id)) {
        if (store.boolForKey(k))
            wasOn << k;
        store.setBool(k, false);
    }
    QVariantMap remembered = store.dictionaryForKey(QLatin1String(kRememberedKey));
    // Switching off a module that was already off keeps what was remembered before.
    if (!wasOn.isEmpty())
        remembered.insert(launchKey, wasOn);
    store.setDictionary(QLatin1String(kRememberedKey), remembered);
    store.synchronize();
}

void ModuleSwitches::switchOn(ModuleId id, SettingsStore &store)
{
    const QString launchKey = QLatin1String(ModuleCatalog::info(id).launchKey);
    const QStringList all = keys(id);
    QVariantMap remembered = store.dictionaryForKey(QLatin1String(kRememberedKey));
    QStringList on;
    for (const QVariant &k : remembered.take(launchKey).toList())
        // Only the module's own switches: the remembered list is read from a file.
        if (all.contains(k.toString()))
            on << k.toString();
    if (on.isEmpty())
        on = firstRunOn(id, all);
    if (on.isEmpty() && !all.isEmpty())
        on << all.first();
    for (const QString &k : on)
        store.setBool(k, true);
    if (remembered.isEmpty())
        store.removeObjectForKey(QLatin1String(kRememberedKey));
    else
        store.setDictionary(QLatin1String(kRememberedKey), remembered);
    store.synchronize();
    qCDebug(lcPrefs).noquote() << ModuleCatalog::info(id).prefName << "switched on:" << on.join(QLatin1String(", "));
}

} // namespace orb
