#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QDBusVariant;

namespace orb {

class SettingsStore;

// Whether the desktop is dark or light, from the XDG desktop portal's "color-scheme"
// setting (1 dark, 2 light), followed through its SettingChanged signal; without a portal
// (or with no preference) from the application palette. The last seen appearance is kept
// as "OrbBigSurMenuAppearance" ("Dark" or "Light") in the settings store.
class AppearanceMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kStoreKey = "OrbBigSurMenuAppearance";

    explicit AppearanceMonitor(std::shared_ptr<SettingsStore> store,
                               const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    // Reads the portal (waiting at most `timeoutMs`), stores the result and starts following
    // changes. Returns whether the desktop is dark.
    bool start(int timeoutMs = 300);
    bool isDark() const { return dark_; }

    // The portal's colour scheme: true dark, false light, nothing when there is no portal
    // or no preference.
    static std::optional<bool> readPortal(const QDBusConnection &bus, int timeoutMs);
    static bool paletteIsDark();
    // True when the store says "Dark".
    static bool retApperanceDarkMode(const SettingsStore &store);
    // Stores "Dark" or "Light"; true when that changed the stored word.
    static bool retBoolCheckBigSurMenuBar(SettingsStore &store, bool dark);

Q_SIGNALS:
    // The stored appearance changed (the controller then runs the automatic theme switch).
    void appearanceChanged(bool dark);

private Q_SLOTS:
    void onSettingChanged(const QString &nameSpace, const QString &key, const QDBusVariant &value);

private:
    void apply(bool dark);

    std::shared_ptr<SettingsStore> store_;
    QDBusConnection bus_;
    bool dark_ = false;
};

} // namespace orb
