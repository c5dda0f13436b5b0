#pragma once
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Network module's first-run settings and its module settings dictionary.
class NetworkPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
};

} // namespace orb
