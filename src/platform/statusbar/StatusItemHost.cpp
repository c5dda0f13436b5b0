#include "platform/statusbar/StatusItemHost.h"

#include "platform/statusbar/StatusBarHost.h"

#include "platform/Logging.h"
#include "platform/statusbar/MenuPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace orb {

StatusItemHost::StatusItemHost(StatusBarHost *host, const QString &moduleKey) : host_(host), moduleKey_(moduleKey) {}

StatusItemHost::~StatusItemHost()
{
    if (menu_)
        menu_->hide();
    if (host_)
        host_->forget(this);
}

void StatusItemHost::setImage(const QImage &image, bool isTemplate)
{
    // A host repaints on every change; an identical image is none.
    if (isTemplate == template_ && image == image_)
        return;
    image_ = image;
    template_ = isTemplate;
    Q_EMIT imageChanged();
    if (host_)
        Q_EMIT host_->itemChanged(this);
}

void StatusItemHost::setMenu(QMenu *menu)
{
    if (menu_)
        disconnect(menu_, &QMenu::aboutToHide, this, nullptr);
    menu_ = menu;
    if (menu)
        connect(menu, &QMenu::aboutToHide, this,
                [this] { qCDebug(lcPlatform).noquote() << "menu of" << moduleKey_ << "closed"; });
}
QMenu *StatusItemHost::menu() const { return menu_.data(); }

void StatusItemHost::setToolTip(const QString &title, const QString &text)
{
    toolTipTitle_ = title;
    toolTipText_ = text;
}

void StatusItemHost::setHeadline(const TrayHeadline &headline) { headline_ = headline; }

void StatusItemHost::setGaugeIcon(bool gauge) { gaugeIcon_ = gauge; }

void StatusItemHost::setEnabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled)
        closeMenu();
}

void StatusItemHost::popUpMenu(const QPoint &globalPos)
{
    if (!menu_ || !enabled_)
        return;
    if (menu_->isVisible()) {
        menu_->hide();
        return;
    }
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A tray's item has no surface of ours for the menu to hang from, so the compositor
        // gets it as a window of its own; one of fixed size floats instead of being tiled.
        menu_->setFixedSize(menu_->sizeHint());
    }
    menu_->popup(menuPositionFor(globalPos.isNull() ? QCursor::pos() : globalPos, false));
    const QRect r = menu_->geometry();
    qCDebug(lcPlatform).noquote() << "menu of" << moduleKey_ << "opened at" << r.x() << r.y() << r.width() << r.height();
}

QPoint StatusItemHost::menuPositionFor(const QPoint &at, bool clickOnTray) const
{
    QScreen *screen = QGuiApplication::screenAt(at);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen || !menu_)
        return at;
    const QRect area = MenuPlacement::usableArea(at, screen->geometry(), screen->availableGeometry(), clickOnTray);
    return MenuPlacement::place(menu_->sizeHint(), at, area);
}

void StatusItemHost::closeMenu()
{
    if (menu_ && menu_->isVisible())
        menu_->hide();
}

double StatusItemHost::widthInPoints() const
{
    if (image_.isNull())
        return 0.0;
    return image_.width() / image_.devicePixelRatio();
}

} // namespace orb
