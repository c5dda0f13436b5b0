#include "modules/vnc/VNC_MenuModule.h"

#include "modules/BaseMenuItems.h"
#include "modules/vnc/ImageVncBar.h"
#include "modules/vnc/VNC_MenuItem.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "services/VncOpener.h"
#include "services/VncServerList.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>

namespace orb {
namespace {

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

// Tool tips turn text that looks like markup into rich text: outside names are escaped and
// the tip marked as rich text, so they always show as typed.
QString plainToolTip(const QString &text) { return QStringLiteral("<qt>") + text.toHtmlEscaped() + QStringLiteral("</qt>"); }

QAction *addSeparator(QMenu &menu, int tag)
{
    QAction *a = menu.addSeparator();
    BaseMenuItems::setTag(a, tag);
    return a;
}

} // namespace

VNC_MenuModule::VNC_MenuModule(MenuModuleDelegate *delegate) : MenuModule(ModuleId::Vnc, delegate) {}

VNC_MenuModule::~VNC_MenuModule() = default;

QColor VNC_MenuModule::iconColour() const { return QGuiApplication::palette().color(QPalette::WindowText); }

void VNC_MenuModule::initDrawStatusBar(StatusBarHost &host)
{
    host_ = &host;
    MenuModule::initDrawStatusBar(host);
    if (statusMenu())
        statusMenu()->setToolTipsVisible(true);
    refreshBar();
}

void VNC_MenuModule::openTab()
{
    if (delegate())
        delegate()->openPreferenceTab(ModuleCatalog::info(moduleId()).tabIndex);
}

void VNC_MenuModule::drawBaseStatusBar()
{
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    menu->clear();
    // Drawn in the menu's text colour, which follows the desktop's light or dark look.
    menuIcon_ = ImageVncBar::serverIcon(iconColour());
    bonjIcon_ = ImageVncBar::discoveredIcon(iconColour());
    BaseMenuItems::addPreferenceItem(*menu, myDefaults(), [this] { openTab(); });
    BaseMenuItems::addLauncherItems(*menu, myDefaults(), QStringLiteral("Vnc_EnaMenu_"));
    // The viewer and the desktop's sharing settings, each only when installed.
    const QString viewer = VncOpener::viewerTitle();
    if (!viewer.isEmpty()) {
        QAction *a = BaseMenuItems::addCommandItem(*menu, localized("Open %1").arg(viewer), kOpenViewerTag, myDefaults(),
                                                   QString(), [] { VncOpener::openViewer(); });
        a->setIcon(menuIcon_);
    }
    if (AppLauncher::isAvailable(LaunchTarget::SharingSettings))
        BaseMenuItems::addCommandItem(*menu, localized("Open Sharing Settings"), kSharingSettingsTag, myDefaults(),
                                      QStringLiteral("O42"), [] { AppLauncher::launch(LaunchTarget::SharingSettings); });
    addtionalVncMenus(optionHeld_);
}

void VNC_MenuModule::addtionalVncMenus()
{
    addtionalVncMenus(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
}

void VNC_MenuModule::addtionalVncMenus(bool optionHeld)
{
    QMenu *menu = statusMenu();
    if (!menu || menu->actions().isEmpty())
        return;
    optionHeld_ = optionHeld;
    for (QAction *a : menu->actions()) {
        if (BaseMenuItems::tag(a) >= 300) {
            menu->removeAction(a);
            delete a;
        }
    }

    // Servers on the local network.
    int tag = kFirstNetworkServerTag;
    bool separated = false;
    for (const VncService &s : nsServices_) {
        const std::optional<VncAddress> address = VncAddress::forServer(s.ipar, s.port);
        if (!address)
            continue;
        if (!separated)
            addSeparator(*menu, kNetworkSeparatorTag);
        separated = true;
        const QString title = QStringLiteral("%1 (%2)").arg(VncServerList::plainLabel(s.name), s.ipar);
        auto *item = new VNC_MenuItem(title, *address, menu);
        item->setText(BaseMenuItems::escaped(title));
        item->setToolTip(plainToolTip(QStringLiteral("%1 (%2)").arg(VncServerList::plainLabel(s.name), address->shownUrl())));
        item->setIcon(bonjIcon_);
        BaseMenuItems::setTag(item, tag++);
        connect(item, &QAction::triggered, this, [this, item] { selectVncMenuItem(item); });
        menu->addAction(item);
    }

    // The user's servers: those marked for the menu, or all of them with Option held.
    const std::vector<VncServerEntry> entries = VncServerList::retVncSite(myDefaults(), !optionHeld);
    if (entries.empty())
        return;
    addSeparator(*menu, kSavedSeparatorTag);
    tag = kFirstSavedServerTag;
    for (const VncServerEntry &e : entries) {
        const QString prefix = optionHeld ? (e.menu ? QStringLiteral("+ ") : QStringLiteral("- ")) : QString();
        auto *item = new VNC_MenuItem(e.name, e.address, menu);
        item->setText(BaseMenuItems::escaped(prefix + e.name));
        item->setToolTip(plainToolTip(e.address.shownUrl()));
        item->setIcon(menuIcon_);
        BaseMenuItems::setTag(item, tag++);
        connect(item, &QAction::triggered, this, [this, item] { selectVncMenuItem(item); });
        menu->addAction(item);
    }
    if (myDefaults().value(QStringLiteral("Vnc_AddMenuOpenAll")).toBool() && entries.size() >= 2) {
        addSeparator(*menu, kOpenAllSeparatorTag);
        QAction *all = menu->addAction(menuIcon_, localized("Open All of Servers at Once"));
        BaseMenuItems::setTag(all, optionHeld ? kOpenAllEveryTag : kOpenAllShownTag);
        connect(all, &QAction::triggered, this, [this, all] { selectVncMenuItem(all); });
    }
}

void VNC_MenuModule::selectVncMenuItem(QAction *item)
{
    if (!item)
        return;
    const int tag = BaseMenuItems::tag(item);
    if (tag == kOpenAllShownTag || tag == kOpenAllEveryTag) {
        for (const VncServerEntry &e : VncServerList::retVncSite(myDefaults(), tag == kOpenAllShownTag))
            VncOpener::open(e.address);
        return;
    }
    if (const auto *server = qobject_cast<const VNC_MenuItem *>(item))
        VncOpener::open(server->address());
}

void VNC_MenuModule::changeNsBrowser(const VncServiceList &services)
{
    if (services == nsServices_)
        return;
    nsServices_ = services;
    addtionalVncMenus(optionHeld_);
}

void VNC_MenuModule::menuWillOpen()
{
    addtionalVncMenus();
    MenuModule::menuWillOpen();
}

void VNC_MenuModule::settingsChanged()
{
    settingsSource_ = myDefaults();
    settingsRead_ = true;
    addtionalVncMenus(optionHeld_);
    if (statusItem())
        statusItem()->setToolTip(myDefaults().value(QStringLiteral("PrefName"), QStringLiteral("VNC")).toString(),
                                 localized("Screen-sharing servers"));
}

void VNC_MenuModule::refreshBar()
{
    if (!statusItem())
        return;
    // A new settings dictionary may carry another server list.
    if (!settingsRead_ || !settingsSource_.isSharedWith(myDefaults()))
        settingsChanged();
    const double reported = host_ ? host_->menuBarHeight() : 0.0;
    const double height = reported > 0.0 ? reported : 20.0;
    if (height != shownHeight_) {
        shownHeight_ = height;
        // A shape only: the panel draws it in its own text colour.
        statusItem()->setImage(ImageVncBar::statusImage(height, Qt::black), true);
    }
}

} // namespace orb
