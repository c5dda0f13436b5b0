#include "platform/statusbar/PanelWindow.h"

#include "platform/Logging.h"
#include "platform/statusbar/PanelHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "platform/statusbar/TemplateImage.h"
#include "platform/statusbar/X11Dock.h"
#include "toolkit/OrbColors.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QWindow>
#include <cmath>

namespace orb {

namespace {
// The click that closes an open menu reaches the strip too; it must not reopen the menu.
constexpr qint64 kReopenGuardMs = 250;
} // namespace

PanelWindow::PanelWindow(PanelHost *host)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      host_(host)
{
    setWindowTitle(QStringLiteral("Orbmeter panel"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    updateColours();
    connect(host, &StatusBarHost::itemAdded, this, &PanelWindow::itemAdded);
    connect(host, &StatusBarHost::itemRemoved, this, &PanelWindow::itemRemoved);
    connect(host, &StatusBarHost::itemChanged, this, &PanelWindow::itemChanged);
    // Docks that come, go or change size change the work area.
    const auto follow = [this](QScreen *screen) {
        if (!screen)
            return;
        connect(screen, &QScreen::geometryChanged, this, &PanelWindow::place, Qt::UniqueConnection);
        connect(screen, &QScreen::availableGeometryChanged, this, &PanelWindow::place, Qt::UniqueConnection);
    };
    follow(QGuiApplication::primaryScreen());
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this, follow](QScreen *screen) {
        follow(screen);
        place();
    });
}

QRectF PanelWindow::itemRect(const StatusItemHost *item) const { return rects_.value(item); }

StatusItemHost *PanelWindow::itemAt(const QPointF &pos) const
{
    for (StatusItemHost *item : order_)
        if (rects_.value(item).contains(pos))
            return item;
    return nullptr;
}

double PanelWindow::contentWidth() const
{
    double width = 0.0;
    int shown = 0;
    for (StatusItemHost *item : order_) {
        const double w = std::ceil(item->widthInPoints());
        if (w <= 0.0)
            continue;
        width += w;
        ++shown;
    }
    return shown == 0 ? 0.0 : width + 2 * kMargin + kSpacing * (shown - 1);
}

void PanelWindow::itemAdded(StatusItemHost *item)
{
    order_ = host_->itemsInOrder();
    shown_.insert(item, shownImage(item));
    relayout();
}

void PanelWindow::itemRemoved(StatusItemHost *item)
{
    order_.removeOne(item);
    rects_.remove(item);
    shown_.remove(item);
    if (openItem_ == item)
        openItem_ = nullptr;
    if (lastClosed_ == item)
        lastClosed_ = nullptr;
    relayout();
}

bool PanelWindow::updateColours()
{
    const PanelColours next =
        PanelColours::forAppearance(OrbColors::darkAppearance(), palette(), OrbColors::controlTextColor());
    if (next == colours_)
        return false;
    colours_ = next;
    return true;
}

void PanelWindow::itemChanged(StatusItemHost *item)
{
    // Items are redrawn when the appearance changes: the strip follows.
    if (updateColours()) {
        for (StatusItemHost *other : std::as_const(order_))
            shown_.insert(other, shownImage(other));
        update();
    }
    shown_.insert(item, shownImage(item));
    const QRectF old = rects_.value(item);
    if (old.isEmpty() || !qFuzzyCompare(old.width(), std::ceil(item->widthInPoints()))) {
        relayout();
        return;
    }
    update(old.toAlignedRect());
}

QImage PanelWindow::shownImage(StatusItemHost *item) const
{
    return item->isTemplate() ? TemplateImage::tinted(item->image(), textColour()) : item->image();
}

void PanelWindow::relayout()
{
    rects_.clear();
    double x = kMargin;
    for (StatusItemHost *item : order_) {
        const double w = std::ceil(item->widthInPoints());
        if (w <= 0.0)
            continue;
        rects_.insert(item, QRectF(x, 0.0, w, PanelHost::kHeight));
        x += w + kSpacing;
    }
    place();
    update();
}

void PanelWindow::place()
{
    const double width = contentWidth();
    QScreen *screen = QGuiApplication::primaryScreen();
    if (width <= 0.0 || !screen) {
        hide();
        return;
    }
    const QRect area = freeArea();
    const int w = static_cast<int>(std::ceil(width));
    const int h = static_cast<int>(PanelHost::kHeight);
    const QRect target(area.right() + 1 - w, area.top(), w, h);
    if (geometry() != target)
        setGeometry(target);
    if (!dockMarked_) {
        winId(); // the native window must exist before it is mapped with the dock type
        dockMarked_ = X11Dock::markAsDock(this);
    }
    if (!isVisible())
        show();
    if (X11Dock::isX11()) {
        const qreal dpr = windowHandle() ? windowHandle()->devicePixelRatio() : 1.0;
        const QRect native(qRound(geometry().x() * dpr), qRound(geometry().y() * dpr), qRound(w * dpr),
                           qRound(h * dpr));
        X11Dock::setTopStrut(this, native);
    }
}

QRect PanelWindow::freeArea() const
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect logical = screen->geometry();
    if (!X11Dock::isX11())
        return logical;
    QSize root;
    const QList<DockStrut> struts = X11Dock::otherStruts(this, root);
    if (struts.isEmpty() || root.isEmpty())
        return logical;
    const qreal dpr = screen->devicePixelRatio();
    const QRect native(qRound(logical.x() * dpr), qRound(logical.y() * dpr), qRound(logical.width() * dpr),
                       qRound(logical.height() * dpr));
    const QRect free = WorkArea::freeArea(native, root, struts);
    return QRect(qRound(free.x() / dpr), qRound(free.y() / dpr), qRound(free.width() / dpr),
                 qRound(free.height() / dpr));
}

void PanelWindow::setMenuOpen(StatusItemHost *item, bool open)
{
    if (open) {
        openItem_ = item;
    } else {
        if (openItem_ == item)
            openItem_ = nullptr;
        lastClosed_ = item;
        sinceClosed_.start();
    }
    update(rects_.value(item).toAlignedRect());
}

void PanelWindow::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(event->rect(), backgroundColour());
    for (StatusItemHost *item : std::as_const(order_)) {
        const QRectF cell = rects_.value(item);
        if (cell.isEmpty() || !cell.intersects(event->rect()))
            continue;
        if (item == openItem_) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(highlightColour());
            p.drawRoundedRect(cell.adjusted(-2, 2, 2, -2), 4, 4);
            p.setRenderHint(QPainter::Antialiasing, false);
        }
        const QImage image = shown_.value(item);
        if (image.isNull())
            continue;
        const QSizeF size = image.deviceIndependentSize();
        const QRectF target(cell.left(), cell.top() + (cell.height() - size.height()) / 2.0, size.width(),
                            size.height());
        p.drawImage(target, image);
    }
}

QString PanelWindow::toolTipHtml(const StatusItemHost &item)
{
    const QString text = item.headline().toolTip.isEmpty() ? item.toolTipText() : item.headline().toolTip;
    QStringList parts;
    if (!item.toolTipTitle().isEmpty())
        parts << QStringLiteral("<b>") + item.toolTipTitle().toHtmlEscaped() + QStringLiteral("</b>");
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        parts << line.toHtmlEscaped();
    if (parts.isEmpty())
        return {};
    // "<qt>" makes the tool tip rich text whatever the escaped text looks like.
    return QStringLiteral("<qt>") + parts.join(QStringLiteral("<br>")) + QStringLiteral("</qt>");
}

bool PanelWindow::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    StatusItemHost *item = itemAt(help->pos());
    const QString html = item ? toolTipHtml(*item) : QString();
    if (html.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), html, this, rects_.value(item).toAlignedRect());
    return true;
}

void PanelWindow::mousePressEvent(QMouseEvent *event)
{
    StatusItemHost *item = itemAt(event->position());
    if (!item || (event->button() != Qt::LeftButton && event->button() != Qt::RightButton))
        return;
    if (item == lastClosed_ && sinceClosed_.isValid() && sinceClosed_.elapsed() < kReopenGuardMs)
        return;
    item->popUpMenu(host_->menuPosition(item));
}

} // namespace orb
