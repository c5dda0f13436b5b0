#include "modules/vnc/ImageVncBar.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace orb {
namespace {

constexpr double kScale = 2.0; // pixels per point

// Draws the glyph into an 18 × 18 point box at the painter's origin.
void drawGlyph(QPainter &p, const QColor &colour, bool discovered)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor faint(colour.red(), colour.green(), colour.blue(), colour.alpha() * 55 / 100);
    // The screen, its picture of a remote window, the stand.
    const QRectF screen = discovered ? QRectF(1.0, 6.0, 11.5, 8.0) : QRectF(1.5, 2.5, 15.0, 10.5);
    QPen pen(colour, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(screen.adjusted(0.8, 0.8, -0.8, -0.8), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(faint);
    const QRectF inner = screen.adjusted(3.0, 3.0, -3.0, -3.0);
    p.drawRect(QRectF(inner.left(), inner.top(), inner.width() * 0.7, inner.height()));
    p.setBrush(colour);
    const double mid = screen.center().x();
    p.drawRect(QRectF(mid - 1.0, screen.bottom(), 2.0, 1.6));
    p.drawRoundedRect(QRectF(mid - screen.width() * 0.28, screen.bottom() + 1.6, screen.width() * 0.56, 1.6), 0.6, 0.6);
    if (!discovered)
        return;
    // Signal arcs above the screen's right corner: the server announces itself.
    const QPointF c(13.5, 4.5);
    p.drawEllipse(c, 1.1, 1.1);
    QPen arc(colour, 1.4);
    arc.setCapStyle(Qt::RoundCap);
    p.setPen(arc);
    p.setBrush(Qt::NoBrush);
    for (const double r : {2.6, 4.6})
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -20 * 16, 130 * 16);
}

QIcon iconOf(const QColor &colour, bool discovered)
{
    QPixmap pixmap = QPixmap::fromImage(ImageVncBar::glyph(colour, discovered));
    pixmap.setDevicePixelRatio(kScale);
    return QIcon(pixmap);
}

} // namespace

QImage ImageVncBar::glyph(const QColor &colour, bool discovered)
{
    const int side = static_cast<int>(kGlyph * kScale);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(kScale, kScale);
    drawGlyph(p, colour, discovered);
    p.end();
    image.setDevicePixelRatio(kScale);
    return image;
}

QImage ImageVncBar::statusImage(double height, const QColor &colour)
{
    const double h = height > 0.0 ? height : 20.0;
    const int w = static_cast<int>(std::lround((kGlyph + 2 * kMargin) * kScale));
    QImage image(w, static_cast<int>(std::lround(h * kScale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(kScale, kScale);
    p.translate(kMargin, (h - kGlyph) / 2.0);
    drawGlyph(p, colour, false);
    p.end();
    image.setDevicePixelRatio(kScale);
    return image;
}

QIcon ImageVncBar::serverIcon(const QColor &colour) { return iconOf(colour, false); }
QIcon ImageVncBar::discoveredIcon(const QColor &colour) { return iconOf(colour, true); }

} // namespace orb
