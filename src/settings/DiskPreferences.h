#pragma once
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Disk module's first-run settings and its module settings dictionary.
class DiskPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
};

} // namespace orb
