#include "modules/cpu/ImageProcessBar.h"

#include <QPainter>
#include <algorithm>

namespace orb {

double ImageProcessBar::orbDrawCpuProcessGraph(QPainter &painter, const std::vector<SnapshotPtr> &history,
                                               const QString &processName, const QColor &graphColor, const QRectF &frame)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double bottom = frame.bottom();
    const double h = frame.height();
    painter.fillRect(QRectF(frame.left(), bottom - 1.0, frame.width(), 1.0), QColor(255, 255, 255, qRound(255 * 0.025)));
    double x = frame.right();
    double w = frame.width();
    for (auto it = history.rbegin(); it != history.rend() && w > 0.0; ++it) {
        const double v = *it ? (*it)->value(processName) / 100.0 : 0.0;
        if (v > 0.0) {
            const double column = std::min(v, 1.0) * h;
            painter.fillRect(QRectF(x - 2.0, bottom - column, 2.0, column), graphColor);
        }
        x -= 2.0;
        w -= 2.0;
    }
    painter.restore();
    return w;
}

QImage ImageProcessBar::redrawWithSize(const QSizeF &size, const std::vector<SnapshotPtr> &history,
                                       const QString &processName, const QColor &graphColor)
{
    const QSize pixels = (size * 2.0).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        orbDrawCpuProcessGraph(p, history, processName, graphColor, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(2.0);
    return image;
}

} // namespace orb
