#pragma once
#include "collect/Samples.h"
#include "platform/statusbar/TrayHeadline.h"
#include "prefs/ElementPreview.h"
#include "settings/FontCatalog.h"

#include <QColor>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace orb {

class ColorWell;
class PreferenceCenter;
class SettingsStore;
class TopWrapView;

// The General tab: an overview of the modules (their live graphs and a switch each), what
// the General item shows, the tray style, the periodic restart, the Bluetooth notices, the
// theme (pick and save), the menu-bar font, the two colours every module shares, the
// start-up window switch and the dynamic-DNS work list. Changes are written to the settings
// store and announced with "GeneralModuleNotif" (a module switch with the module's own
// notification); the application writes font and colour choices into the theme.
class TopTabViewController : public QWidget {
    Q_OBJECT
public:
    // Overview boxes: code, module, caption; in the order the overview shows them.
    struct Box {
        int code;
        ModuleId module;
        const char *caption;
    };
    static const std::array<Box, 9> &boxes();

    TopTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);

    // All ten module settings dictionaries, keyed "General", "CPU", ...
    void setMyDefaults(const QVariantMap &all) { myDefaults_ = all; }
    const QVariantMap &myDefaults() const { return myDefaults_; }

    void loadSetting();
    void resetViews(int element);
    // Module boxes faint or opaque from the launch keys; with no module shown the General
    // item cannot be hidden, so "DisplayOrbIcon" becomes 1.
    void loadModuleEnabled();
    bool checkAnyLaunch() const;
    // Draws the overview's graphs from `data` (none: captions only until the next pass),
    // then loadModuleEnabled. The refresh cycle calls it while this tab is shown.
    void redrawTopTabViews(const SensorData &data);
    void refreshContentView(const SensorData *data);
    int overviewRenders() const { return overviewRenders_; }
    TopWrapView *box(ModuleId id) const;
    // Fills the theme menu from the themes directory, the current theme first.
    void rebuildThemeMenus();
    // Makes the theme at `index` of the menu the current one (the current one itself: no change).
    void pickTheme(int index);
    // Saves the current theme under `path` (what "Save Theme..." does once a name is chosen).
    bool saveThemeTo(const QString &path);
    // A module whose hardware this machine lacks cannot be switched on; its switch's tool tip
    // says what is missing.
    void setModuleAvailable(ModuleId id, bool available);
    static QString unavailableReason(ModuleId id);
    // Whether the machine has an internal battery (a third status-icon choice).
    void setInternalBattery(bool present);
    // Selects the current family and fills and selects its styles; a family that is not
    // installed leaves both menus as they are.
    void rebuildFontMenus();

    void notifToModule(bool allocNow, bool reload, bool themeChanged, const QString &colorKey = {},
                       const QColor &colorVal = {});
    // "-" and -9999 leave that part of the font as it is.
    void notifToModuleFont(const QString &fontName, const QString &fontStyle, const QString &fontPsName,
                           qint64 fontAdjust, qint64 fontSizeDiff);

    // Menu titles: "+3px", "±0px", "-3px" (with `unit` "px" or "pt").
    static QString signedTitle(int value, const QString &unit);

Q_SIGNALS:
    // "Exec now": a forced dynamic-DNS run.
    void ddnsRunRequested();
    // The tray style was chosen (stored under "TrayStyle").
    void trayStyleChosen(orb::TrayStyle style);
    // A module was switched on or off in the overview (its stored switches changed).
    void moduleSwitched(orb::ModuleId id);

private:
    void buildOverview(QVBoxLayout *main);
    void buildStatusIcon(QVBoxLayout *main);
    void buildTheme(QVBoxLayout *main);
    void buildDdns(QVBoxLayout *main);
    void switchModule(int code, bool on);
    void selectOrbIcon(int index);
    void fillOrbIconMenu();
    void ddnsTextChanged();
    void openSaveThemeDialog();
    QVariantMap general() const;
    void setGeneral(const QString &key, const QVariant &value);
    void selectFamily(int index);
    void selectStyle(int index);
    void selectAdjust(int index);
    void selectSize(int index);
    void updateSample();

    SettingsStore &store_;
    PreferenceCenter &center_;
    QVariantMap myDefaults_;
    QStringList families_;
    QList<FontCatalog::Member> members_;
    QComboBox *family_ = nullptr;
    QComboBox *style_ = nullptr;
    QComboBox *adjust_ = nullptr;
    QComboBox *size_ = nullptr;
    QLabel *sample_ = nullptr;
    ColorWell *shadow_ = nullptr;
    ColorWell *emptyLine_ = nullptr;
    QCheckBox *startUp_ = nullptr;

    std::array<TopWrapView *, 9> boxes_{};
    std::array<std::unique_ptr<ElementPreview>, 9> previews_;
    QCheckBox *histogram_ = nullptr;
    QComboBox *orbIcon_ = nullptr;
    QComboBox *trayStyle_ = nullptr;
    QSpinBox *rebootDays_ = nullptr;
    QCheckBox *bidDisconnect_ = nullptr;
    QCheckBox *bidBattery_ = nullptr;
    QComboBox *theme_ = nullptr;
    QLabel *themeDetail_ = nullptr;
    QPushButton *saveTheme_ = nullptr;
    QList<QVariantMap> themeArray_;
    QPlainTextEdit *ddns_ = nullptr;
    QPushButton *execNow_ = nullptr;
    bool internalBattery_ = false;
    int overviewRenders_ = 0;
};

} // namespace orb
