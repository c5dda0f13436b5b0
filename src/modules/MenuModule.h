#pragma once
#include "collect/Samples.h"
#include "modules/MenuModuleDelegate.h"
#include "settings/ModuleCatalog.h"

#include <QObject>
#include <QVariantMap>
#include <memory>

class QMenu;

namespace orb {

class StatusBarHost;
class StatusItemHost;

// One module's status item: its image in the bar and its drop-down menu. The controller
// creates it, hands it settings and data, and asks it to redraw.
class MenuModule : public QObject {
    Q_OBJECT
public:
    MenuModule(ModuleId id, MenuModuleDelegate *delegate);
    ~MenuModule() override;

    ModuleId moduleId() const { return id_; }

    void setMyDefaults(const QVariantMap &defaults) { myDefaults_ = defaults; }
    const QVariantMap &myDefaults() const { return myDefaults_; }
    // Takes the module's own history (and anything else it shows) from the sensor data.
    virtual void setSensorData(const SensorData &data) { (void)data; }

    // Creates the menu and the item in `host` and shows it.
    virtual void initDrawStatusBar(StatusBarHost &host);
    // Rebuilds the menu's items.
    virtual void drawBaseStatusBar() {}
    // Recomputes the status image.
    virtual void refreshBar() = 0;
    // Redraws the menu's graph and detail views while it is open.
    virtual void redrawStatusItem() {}
    // The ordinary per-pass redraw: the image, and the menu while it is open.
    virtual void cycleStatusMenu();
    // Whether the item changes from one tick to the next by itself (an animation), so the
    // cycle must not sleep through ticks on which nothing is sampled.
    virtual bool wantsEveryTick() const { return false; }
    void setPermitOpen(bool permit);

    bool menuOpened() const { return menuOpened_; }
    void setMenuItemRefresh(bool refresh) { menuItemRefresh_ = refresh; }
    bool menuItemRefresh() const { return menuItemRefresh_; }

    StatusItemHost *statusItem() const { return statusItem_.get(); }
    QMenu *statusMenu() const { return statusMenu_.get(); }

    // Menu callbacks; public so snapshots and tests can drive an item without a display.
    virtual void menuWillOpen();
    virtual void menuDidClose();

protected:
    MenuModuleDelegate *delegate() const { return delegate_; }

private:
    ModuleId id_;
    MenuModuleDelegate *delegate_;
    QVariantMap myDefaults_;
    bool menuOpened_ = false;
    bool menuItemRefresh_ = false;
    std::unique_ptr<QMenu> statusMenu_;
    std::unique_ptr<StatusItemHost> statusItem_;
};

} // namespace orb
