#pragma once
#include "modules/MenuModule.h"
#include "services/VncServerBrowser.h"

#include <QIcon>
#include <QImage>
#include <QVariantMap>

class QAction;

namespace orb {

// The screen-sharing item: a fixed icon whose menu lists the servers found on the local
// network and the user's saved servers; choosing one opens a connection.
class VNC_MenuModule : public MenuModule {
    Q_OBJECT
public:
    // Menu tags.
    static constexpr int kOpenViewerTag = 211;
    static constexpr int kSharingSettingsTag = 212;
    static constexpr int kNetworkSeparatorTag = 301;
    static constexpr int kFirstNetworkServerTag = 302;
    static constexpr int kSavedSeparatorTag = 401;
    static constexpr int kFirstSavedServerTag = 402;
    static constexpr int kOpenAllSeparatorTag = 501;
    static constexpr int kOpenAllShownTag = 65534;
    static constexpr int kOpenAllEveryTag = 65535;

    explicit VNC_MenuModule(MenuModuleDelegate *delegate);
    ~VNC_MenuModule() override;

    void initDrawStatusBar(StatusBarHost &host) override;
    void drawBaseStatusBar() override;
    void refreshBar() override;
    void redrawStatusItem() override {}
    void menuWillOpen() override;

    // The servers on the local network changed: the menu's server sections follow at once,
    // open or not.
    void changeNsBrowser(const VncServiceList &services);
    const VncServiceList &netServices() const { return nsServices_; }

    // Rebuilds the server sections; with `optionHeld` every saved server is listed, marked
    // "+ " (in the menu) or "- ", and open-all opens them all.
    void addtionalVncMenus(bool optionHeld);
    void addtionalVncMenus();
    // The action of every server item and of open-all.
    void selectVncMenuItem(QAction *item);

private:
    void openTab();
    void settingsChanged();
    QColor iconColour() const;

    StatusBarHost *host_ = nullptr;
    VncServiceList nsServices_;
    QVariantMap settingsSource_;
    bool settingsRead_ = false;
    bool optionHeld_ = false;
    QIcon menuIcon_;
    QIcon bonjIcon_;
    double shownHeight_ = -1.0;
};

} // namespace orb
