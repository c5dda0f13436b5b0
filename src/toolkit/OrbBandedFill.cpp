#include "toolkit/OrbBandedFill.h"

#include <QPaintEngine>
#include <QTransform>
#include <cmath>

namespace orb {

void OrbBandedFill::fillPath(QPainter &painter, const QPainterPath &path, const QBrush &brush)
{
    const QTransform &toDevice = painter.deviceTransform();
    const QRectF device = toDevice.mapRect(path.controlPointRect());
    const bool banded = painter.testRenderHint(QPainter::Antialiasing) && painter.paintEngine()
        && painter.paintEngine()->type() == QPaintEngine::Raster && toDevice.isInvertible()
        && toDevice.type() <= QTransform::TxScale && device.height() > kBandRows
        && device.width() <= kMaxBandedWidth;
    if (!banded) {
        painter.fillPath(path, brush);
        return;
    }
    const QTransform toLogical = toDevice.inverted();
    const int top = static_cast<int>(std::floor(device.top()));
    const int bottom = static_cast<int>(std::ceil(device.bottom()));
    const int left = static_cast<int>(std::floor(device.left())) - 1;
    const int width = static_cast<int>(std::ceil(device.width())) + 3;
    for (int row = top; row < bottom; row += kBandRows) {
        painter.save();
        painter.setClipRect(toLogical.mapRect(QRectF(left, row, width, kBandRows)), Qt::IntersectClip);
        painter.fillPath(path, brush);
        painter.restore();
    }
}

} // namespace orb
