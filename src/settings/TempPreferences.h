#pragma once
#include <QStringList>
#include <QVariantMap>

namespace orb {

class SettingsStore;

// The Temp module's first-run settings and its module settings dictionary.
class TempPreferences {
public:
    static void initialize(SettingsStore &store);
    static QVariantMap load(SettingsStore &store, const QVariantMap &theme);
    // The stored maximum when it lies in 60..100 °C; otherwise 100, stored.
    static qint64 checkMaxTemp(SettingsStore &store, qint64 tempTmp);
    // "°C", "°F", "K".
    static QStringList retTempUnit();
};

} // namespace orb
