#pragma once
#include "prefs/PreferenceCenter.h"
#include "settings/ModuleCatalog.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <QVariantMap>
#include <memory>
#include <vector>

namespace orb {

class AppDelegate;
class PreferenceWindow;

// Carries preference changes from the tabs to the status items. The tabs post a module's
// notification; a quarter of a second later, and only while no refresh pass is running, the
// module's settings are rebuilt, its status item re-created or redrawn, and the new settings
// handed back to the tabs. Nothing here sleeps or runs a nested event loop: while a pass is
// running the handling is simply tried again a quarter of a second later.
//
// Notifications of one module that arrive before they are handled are handled once, with
// their flags combined. Colour edits are written to the theme file at most once a second;
// appearance changes are taken half a second after the first one of a burst.
class PreferencePropagation : public QObject {
    Q_OBJECT
public:
    static constexpr int kHandleDelayMs = 250;
    static constexpr int kThemeWriteDelayMs = 1000;
    static constexpr int kAppearanceDelayMs = 500;
    static constexpr int kRebootDelayMs = 1000;
    static constexpr int kPermitMenuDelayMs = 1000;

    explicit PreferencePropagation(AppDelegate &app);
    ~PreferencePropagation() override;

    PreferenceCenter &center() { return center_; }
    // The window, once it was opened (nullptr before).
    PreferenceWindow *window() const { return window_.get(); }
    // Creates the window and its ten tabs on first use.
    PreferenceWindow &drawModuleTabViewControllers();

    // Shows the window on that tab (0 General ... 9 VNC) in front of the others.
    void openPreferenceTab(int tabIndex);
    int openedTabNum() const { return openedTabNum_; }
    // Allows or forbids opening the menus of the nine module items.
    void permitMenuOpen(bool permit);
    // Redraws every launched module item.
    void refreshAllMenuModules();
    // Lays out the open tab again and draws its previews from the newest data.
    void redrawPrefTabModules();
    // After every pass: the open tab's previews follow the new data, only while the window
    // is shown.
    void cycleRedraw();
    // The desktop's look changed: switches theme half a second after the first call of a burst.
    void changeAppearanceMode();
    // Whether notifications wait to be handled.
    bool hasPending() const { return !pending_.empty(); }
    // Handles the waiting notifications now, or arms another try when a pass is running
    // (what the quarter-second timer does).
    void processPending();

Q_SIGNALS:
    void notificationHandled(const QString &name);
    void moduleDefaultsRebuilt(ModuleId id);
    void themeFileWritten();
    void appearanceApplied();

private:
    struct Pending {
        QString name;
        QVariantMap info;
        QList<QPair<QString, QColor>> colors;
    };
    void notifFromPref(const QString &name, const QVariantMap &userInfo);
    void processNotifFromPref(const Pending &notification);
    // Theme part of the handling; false when the notification ends there (a colour edit
    // while the theme write is pending).
    bool applyThemeEdits(const Pending &notification);
    void handleGeneral(const QVariantMap &info);
    void handleModule(ModuleId id, const QVariantMap &info);
    void writeToColorThemeFile();
    void rebuild(ModuleId id);
    void handDefaultsToTabs();
    void tabSelected(int tabIndex);
    void updateTempSensorList();

    AppDelegate &app_;
    PreferenceCenter center_;
    std::unique_ptr<PreferenceWindow> window_;
    std::vector<Pending> pending_;
    QTimer handleTimer_;
    QTimer themeWriteTimer_;
    QTimer appearanceTimer_;
    QTimer rebootTimer_;
    QTimer permitTimer_;
    bool changeColorPool_ = false;
    // What colour notifications absorbed by a pending theme write asked for.
    bool pooledAllocNow_ = false;
    bool changingAppearanceBool_ = false;
    bool changeRebootPool_ = false;
    qint64 rebootDaysInt_ = 0;
    int openedTabNum_ = 1;
};

} // namespace orb
