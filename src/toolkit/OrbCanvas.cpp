#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbBandedFill.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QTransform>

namespace orb {

namespace {
QPen strokePen(const QColor &color, double lineWidth)
{
    QPen pen(color, lineWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}
} // namespace

OrbCanvas::OrbCanvas(QPainter &painter, double height) : painter_(&painter), height_(height) {}

void OrbCanvas::arcTo(QPainterPath &path, double cx, double cy, double radius, double startDegrees,
                      double sweepDegrees) const
{
    path.arcTo(rect(cx - radius, cy - radius, 2 * radius, 2 * radius), angle(startDegrees),
               angle(sweepDegrees));
}

void OrbCanvas::setCurrentColor(const QColor &color) const
{
    QPen pen = painter_->pen();
    pen.setColor(color);
    painter_->setPen(pen);
    painter_->setBrush(color);
}

bool OrbCanvas::mapsStraightToPixels() const
{
    return painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster && painter_->device()
        && painter_->device()->devicePixelRatio() == 1.0 && painter_->deviceTransform().type() <= QTransform::TxScale;
}

void OrbCanvas::fillRect(const QRectF &r, const QColor &color) const
{
    painter_->fillRect(rect(r), color);
}

void OrbCanvas::strokeRect(const QRectF &r, const QColor &color, double lineWidth) const
{
    QPainterPath path;
    path.addRect(rect(r));
    painter_->strokePath(path, strokePen(color, lineWidth));
}

void OrbCanvas::fillPath(const QPainterPath &path, const QColor &color) const
{
    OrbBandedFill::fillPath(*painter_, path, color);
}

void OrbCanvas::strokePath(const QPainterPath &path, const QColor &color, double lineWidth) const
{
    painter_->strokePath(path, strokePen(color, lineWidth));
}

QColor OrbCanvas::highlighted(const QColor &color)
{
    QColor white(Qt::white);
    white.setAlphaF(color.alphaF());
    return white;
}

} // namespace orb
