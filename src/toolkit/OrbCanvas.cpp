#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbBandedFill.h"
#include "toolkit/OrbPixelOps.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QTransform>
#include <cmath>

namespace orb {

namespace {
QPen strokePen(const QColor &color, double lineWidth)
{
    QPen pen(color, lineWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}
// The hints a newly begun painter has, asked of one once.
QPainter::RenderHints freshHints()
{
    static const QPainter::RenderHints hints = [] {
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&probe);
        return p.renderHints();
    }();
    return hints;
}

bool onPixelGrid(const QRectF &r)
{
    const auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-9; };
    return whole(r.left()) && whole(r.top()) && whole(r.right()) && whole(r.bottom());
}

bool writable(const QImage &image)
{
    return image.format() == QImage::Format_ARGB32_Premultiplied && image.devicePixelRatio() == 1.0
        && image.isDetached();
}
} // namespace

OrbCanvas::OrbCanvas(QPainter &painter, double height) : painter_(&painter), height_(height) {}

OrbCanvas::OrbCanvas(QImage &image, double height) : image_(&image), height_(height)
{
    pending_.append(PendingState{});
    // Only a plain image of premultiplied pixels, owned alone, can be written into by hand.
    if (!writable(image))
        painter();
}

OrbCanvas::~OrbCanvas() = default;

QPainter &OrbCanvas::painter() const
{
    if (painter_)
        return *painter_;
    own_.emplace(image_);
    painter_ = &*own_;
    // The saves and settings made so far, replayed so that each restore() still matches.
    for (qsizetype i = 0; i < pending_.size(); ++i) {
        const PendingState &state = pending_[i];
        painter_->setRenderHint(QPainter::Antialiasing, state.antialias);
        if (state.color)
            setCurrentColor(*state.color);
        if (i + 1 < pending_.size())
            painter_->save();
    }
    pending_.clear();
    return *painter_;
}

QTransform OrbCanvas::deviceTransform() const { return painter_ ? painter_->deviceTransform() : QTransform(); }

QPainter::RenderHints OrbCanvas::renderHints() const
{
    if (painter_)
        return painter_->renderHints();
    QPainter::RenderHints hints = freshHints();
    hints.setFlag(QPainter::Antialiasing, pending_.back().antialias);
    return hints;
}

void OrbCanvas::save() const
{
    if (painter_)
        painter_->save();
    else
        pending_.append(pending_.back());
}

void OrbCanvas::restore() const
{
    if (painter_)
        painter_->restore();
    else if (pending_.size() > 1)
        pending_.removeLast();
}

void OrbCanvas::setAntialiasing(bool on) const
{
    if (painter_)
        painter_->setRenderHint(QPainter::Antialiasing, on);
    else
        pending_.back().antialias = on;
}

bool OrbCanvas::antialiased() const
{
    return painter_ ? painter_->testRenderHint(QPainter::Antialiasing) : pending_.back().antialias;
}

QColor OrbCanvas::currentColor() const
{
    if (painter_)
        return painter_->pen().color();
    // A new painter's pen is black.
    return pending_.back().color.value_or(QColor(Qt::black));
}

void OrbCanvas::arcTo(QPainterPath &path, double cx, double cy, double radius, double startDegrees,
                      double sweepDegrees) const
{
    path.arcTo(rect(cx - radius, cy - radius, 2 * radius, 2 * radius), angle(startDegrees),
               angle(sweepDegrees));
}

void OrbCanvas::setCurrentColor(const QColor &color) const
{
    if (!painter_) {
        pending_.back().color = color;
        return;
    }
    QPen pen = painter_->pen();
    pen.setColor(color);
    painter_->setPen(pen);
    painter_->setBrush(color);
}

bool OrbCanvas::mapsStraightToPixels() const
{
    if (!painter_)
        return true; // a plain image, one unit a pixel (else the painter was begun at once)
    return painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster && painter_->device()
        && painter_->device()->devicePixelRatio() == 1.0 && painter_->deviceTransform().type() <= QTransform::TxScale
        && painter_->opacity() == 1.0 && painter_->compositionMode() == QPainter::CompositionMode_SourceOver;
}

QImage *OrbCanvas::straightTarget() const
{
    if (!painter_)
        return image_;
    if (!mapsStraightToPixels() || painter_->hasClipping() || painter_->device()->devType() != QInternal::Image)
        return nullptr;
    // A painter redirected from another device paints this image with an offset that the
    // device mapping has and the combined one has not.
    auto *image = static_cast<QImage *>(painter_->device());
    return writable(*image) && painter_->deviceTransform() == painter_->combinedTransform() ? image : nullptr;
}

QImage *OrbCanvas::plainPixels() const
{
    if (antialiased() || deviceTransform().type() != QTransform::TxNone)
        return nullptr;
    return straightTarget();
}

void OrbCanvas::fillRect(const QRectF &r, const QColor &color) const
{
    if (!antialiased())
        if (QImage *target = straightTarget()) {
            OrbPixelOps::fill(*target, OrbPixelOps::pixelsOf(rect(r), deviceTransform()), color);
            return;
        }
    painter().fillRect(rect(r), color);
}

bool OrbCanvas::blendStraight(const QPoint &at, const QImage &image) const
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied || image.devicePixelRatio() != 1.0)
        return false;
    QImage *target = straightTarget();
    if (!target)
        return false;
    OrbPixelOps::blend(*target, at, image);
    return true;
}

void OrbCanvas::drawImage(const QRectF &r, const QImage &image) const
{
    if (image.isNull())
        return;
    const QRectF device = deviceTransform().mapRect(rect(r));
    const QPoint at(qRound(device.x()), qRound(device.y()));
    // One image pixel on one device pixel: a copy.
    if (device == QRectF(at, image.size()) && blendStraight(at, image))
        return;
    painter().drawImage(rect(r), image);
}

void OrbCanvas::copyPixels(const QPoint &at, const QImage &image) const
{
    if (image.isNull() || blendStraight(at, image))
        return;
    QPainter &p = painter();
    p.save();
    // What is left of the mapping without a world transform is a redirection's offset.
    p.resetTransform();
    const QTransform rest = p.deviceTransform();
    p.drawImage(QPointF(at) - QPointF(rest.dx(), rest.dy()), image);
    p.restore();
}

void OrbCanvas::strokeRect(const QRectF &r, const QColor &color, double lineWidth) const
{
    // A frame whose edges fall on pixel edges is the band between two rectangles: four fills,
    // no pixel in two of them.
    if (!antialiased())
        if (QImage *target = straightTarget()) {
            const QTransform toDevice = deviceTransform();
            const double half = lineWidth / 2.0;
            const QRectF outer = toDevice.mapRect(rect(r.adjusted(-half, -half, half, half)));
            const QRectF inner = toDevice.mapRect(rect(r.adjusted(half, half, -half, -half)));
            if (lineWidth > 0.0 && inner.width() > 0.0 && inner.height() > 0.0 && onPixelGrid(outer)
                && onPixelGrid(inner)) {
                const QRect o = outer.toRect(), i = inner.toRect();
                OrbPixelOps::fill(*target, QRect(o.left(), o.top(), o.width(), i.top() - o.top()), color);
                OrbPixelOps::fill(*target, QRect(o.left(), i.bottom() + 1, o.width(), o.bottom() - i.bottom()), color);
                OrbPixelOps::fill(*target, QRect(o.left(), i.top(), i.left() - o.left(), i.height()), color);
                OrbPixelOps::fill(*target, QRect(i.right() + 1, i.top(), o.right() - i.right(), i.height()), color);
                return;
            }
        }
    QPainterPath path;
    path.addRect(rect(r));
    painter().strokePath(path, strokePen(color, lineWidth));
}

void OrbCanvas::fillPath(const QPainterPath &path, const QColor &color) const
{
    OrbBandedFill::fillPath(painter(), path, color);
}

void OrbCanvas::strokePath(const QPainterPath &path, const QColor &color, double lineWidth) const
{
    painter().strokePath(path, strokePen(color, lineWidth));
}

QColor OrbCanvas::highlighted(const QColor &color)
{
    QColor white(Qt::white);
    white.setAlphaF(color.alphaF());
    return white;
}

} // namespace orb
