#pragma once
#include <QStringList>
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Memory module's first-run settings and its module settings dictionary.
class MemoryPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
    // "Automatic", "Unify in MB", "Unify in GB".
    static QStringList retMemoryUnit();
};

} // namespace orb
