#pragma once
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Volume module's first-run settings and its module settings dictionary.
class VolumePreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
};

} // namespace orb
