#pragma once
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Gpu module's first-run settings and its module settings dictionary.
class GpuPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
    // Switches every GPU display element off (a machine without a GPU).
    static void offGpuDefaults(SettingsStore &store);
};

} // namespace orb
