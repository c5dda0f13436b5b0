#include "modules/MenuModule.h"

#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"

#include <QMenu>

namespace orb {

MenuModule::MenuModule(ModuleId id, MenuModuleDelegate *delegate) : id_(id), delegate_(delegate) {}

MenuModule::~MenuModule()
{
    delegate_ = nullptr;
    statusItem_.reset();
    if (statusMenu_)
        statusMenu_->disconnect(this);
}

void MenuModule::initDrawStatusBar(StatusBarHost &host)
{
    statusMenu_ = std::make_unique<QMenu>();
    connect(statusMenu_.get(), &QMenu::aboutToShow, this, &MenuModule::menuWillOpen);
    connect(statusMenu_.get(), &QMenu::aboutToHide, this, &MenuModule::menuDidClose);
    setPermitOpen(false);
    statusItem_ = host.createItem(QLatin1String(ModuleCatalog::info(id_).key));
    statusItem_->setMenu(statusMenu_.get());
    connect(statusItem_.get(), &StatusItemHost::imageWanted, this, &MenuModule::refreshBar, Qt::QueuedConnection);
    drawBaseStatusBar();
    setPermitOpen(true);
}

void MenuModule::cycleStatusMenu()
{
    refreshBar();
    if (menuOpened_)
        redrawStatusItem();
}

void MenuModule::setPermitOpen(bool permit)
{
    if (statusItem_)
        statusItem_->setEnabled(permit);
}

void MenuModule::menuWillOpen()
{
    if (menuItemRefresh_) {
        menuItemRefresh_ = false;
        drawBaseStatusBar();
    }
    menuOpened_ = true;
    refreshBar();
    redrawStatusItem();
    // An open menu is refreshed on every tick.
    if (delegate_)
        delegate_->cycleInputChanged();
}

void MenuModule::menuDidClose()
{
    menuOpened_ = false;
    refreshBar();
}

} // namespace orb
