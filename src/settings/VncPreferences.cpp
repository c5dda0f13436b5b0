#include "settings/VncPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/SettingsStore.h"

namespace orb {

void VncPreferences::initialize(SettingsStore &s)
{
    s.setBool(QStringLiteral("Vnc_ShowMenu"), false);
    s.setBool(QStringLiteral("Vnc_AddMenuOpenAll"), false);
    s.synchronize();
}

QVariantMap VncPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyBools({"Vnc_ShowMenu", "Vnc_AddMenuOpenAll", "Vnc_EnaMenu_Amon", "Vnc_EnaMenu_Cnsl", "Vnc_EnaMenu_Tmnl"});
    b.themeColors({"Z01", "Z03"});
    b.themeImages({"N03", "L08", "O01", "O02", "O11", "O12", "O13", "O41", "O42"});
    // Menus only: no text is drawn, so neither font keys nor spacing.
    const QString dark = QStringLiteral("_ForDarkAppearance");
    if (theme.contains(dark))
        b.set(dark, theme.value(dark));
    b.set(QStringLiteral("PrefName"), QStringLiteral("VNC"));
    // The server list, only when one is stored (anything else under the key is ignored).
    const QString clients = QStringLiteral("Vnc_ClientSortArray");
    const QVariant list = store.objectForKey(clients);
    if (list.typeId() == QMetaType::QVariantList)
        b.set(clients, list);
    return b.take();
}

} // namespace orb
