#pragma once
#include "collect/PowerState.h"
#include "modules/MenuModule.h"
#include "platform/statusbar/TrayHeadline.h"

#include <QImage>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;

namespace orb {

class General_BlueToothDevice;
class SettingsStore;

// The application's own item: the application icon or the internal battery's charge (with
// the charging animation and the blinking symbol of a low wireless device), and the
// general menu with the battery and device rows, the folders and Quit.
class General_MenuModule : public MenuModule {
    Q_OBJECT
public:
    static constexpr int kRowsSeparatorTag = 400;
    static constexpr int kFirstRowTag = 401;
    static constexpr int kLinksSeparatorTag = 500;
    static constexpr int kWebSiteTag = 501;
    static constexpr int kSupportFolderTag = 502;
    static constexpr int kExecutableFolderTag = 503;
    static constexpr int kQuitSeparatorTag = 504;
    static constexpr int kQuitTag = 505;
    static constexpr int kIconPoints = 18;

    explicit General_MenuModule(MenuModuleDelegate *delegate);
    ~General_MenuModule() override;

    void setSensorData(const SensorData &data) override;
    void initDrawStatusBar(StatusBarHost &host) override;
    void drawBaseStatusBar() override;
    void refreshBar() override;
    void redrawStatusItem() override;
    void cycleStatusMenu() override;
    void menuWillOpen() override;
    void menuDidClose() override;

    // Set by the controller while a low-battery notice for a wireless device is in force.
    void setShowBatteryIcon(bool show) { showBatteryIcon_ = show; }
    bool showBatteryIcon() const { return showBatteryIcon_; }
    bool blinkIconBool() const { return blinkIconBool_; }
    // Blinking, or the battery icon's charging frames.
    bool wantsEveryTick() const override;
    bool showOrbIcon() const { return showOrbIcon_; }
    // Frame counter of the charging animation; −1 before the first battery image.
    qint64 showBatteryLevel() const { return showBatteryLevel_; }
    const PowerState &power() const { return *power_; }
    // What a tray with square cells shows: with the battery chosen for the item, its charge
    // as a level ("BAT 57%", "CHG 57%" while charging, "AC 57%" on the charger when full or
    // held); otherwise no gauge and no label, so the tray shows the item's own square image.
    TrayHeadline compactHeadline() const;
    // The row views of the menu, in menu order.
    std::vector<General_BlueToothDevice *> rows() const;

    // Closes the menu (a row was clicked).
    void menuAutoClose();
    // "Quit Orbmeter": settings saved, then the application asked to end with status 0.
    void quitMySelf();
    // The home page configured at build time; empty leaves "Visit Web Site..." out.
    static QString homePage();

    // Replacements for tests: opening a folder or page, and ending the application.
    void setUrlOpener(std::function<bool(const QUrl &)> opener) { openUrl_ = std::move(opener); }
    void setQuitter(std::function<void()> quitter) { quit_ = std::move(quitter); }

private:
    struct Settings {
        qint64 displayOrbIcon = 1;
        QImage menuIcon; // the theme's application image at 18 × 18 points
    };
    void applySettings();
    void addtionalMiscMenus();
    void removeDiskMenus();
    void addRow(QMenu &menu, const QString &key, const QString &title, bool isBattery, int tag);
    void rowClicked(bool bluetooth, bool keepMenuOpen);
    void updateToolTip();
    void updateHeadline();
    QStringList rowKeys() const;
    void setIcon(const QImage &image, quint64 key);

    std::shared_ptr<const PowerState> power_;
    std::shared_ptr<SettingsStore> userDefaults_;
    QVariantMap settingsSource_;
    Settings settings_;
    std::vector<QAction *> rowActions_;
    QStringList builtKeys_;
    // What the item shows now, so an unchanged image is not sent to the host again.
    std::optional<quint64> iconKey_;
    qint64 showBatteryLevel_ = -1;
    bool showOrbIcon_ = false;
    bool showBatteryIcon_ = false;
    bool blinkIconBool_ = false;
    std::function<bool(const QUrl &)> openUrl_;
    std::function<void()> quit_;
};

} // namespace orb
