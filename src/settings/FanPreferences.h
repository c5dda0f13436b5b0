#pragma once
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Fan module's first-run settings and its module settings dictionary.
class FanPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
    // The stored maximum when it lies in 2000..6000 rpm; otherwise 6000, stored.
    static qint64 checkMaxRpm(SettingsStore &store, qint64 rpmTmp);
    // Switches every Fan display element off (a machine without fans).
    static void offFanDefaults(SettingsStore &store);
};

} // namespace orb
