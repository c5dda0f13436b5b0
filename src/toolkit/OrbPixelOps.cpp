#include "toolkit/OrbPixelOps.h"

#include <QRgba64>
#include <algorithm>

namespace orb {
namespace {

// x * a / 255 for each channel at once, rounded as the raster painter rounds.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

inline quint32 over(quint32 source, quint32 dest) { return source + byteMul(dest, 255 - (source >> 24)); }

} // namespace

QRect OrbPixelOps::pixelsOf(const QRectF &logical, const QTransform &toDevice)
{
    QRectF d;
    switch (toDevice.type()) {
    case QTransform::TxNone:
        d = logical;
        break;
    case QTransform::TxTranslate:
        d = logical.translated(toDevice.dx(), toDevice.dy());
        break;
    default:
        d = toDevice.mapRect(logical);
        break;
    }
    int x1 = qRound(d.x()), y1 = qRound(d.y()), x2 = qRound(d.right()), y2 = qRound(d.bottom());
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

void OrbPixelOps::fill(QImage &image, const QRect &r, const QColor &color)
{
    const QRect area = r & image.rect();
    if (area.isEmpty() || color.alpha() == 0)
        return;
    // The painter premultiplies at 16 bits a channel and rounds down to 8.
    const quint32 c = qPremultiply(color.rgba64()).toArgb32();
    const bool opaque = (c >> 24) == 255;
    // bits() once: every scanLine() call would ask whether the image must be detached.
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride) + area.left();
        if (opaque) {
            std::fill_n(row, area.width(), c);
            continue;
        }
        for (int i = 0; i < area.width(); ++i)
            row[i] = over(c, row[i]);
    }
}

void OrbPixelOps::blend(QImage &image, const QPoint &at, const QImage &source)
{
    const QRect area = QRect(at, source.size()) & image.rect();
    if (area.isEmpty())
        return;
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride) + area.left();
        const auto *from = reinterpret_cast<const quint32 *>(source.constScanLine(y - at.y())) + (area.left() - at.x());
        for (int i = 0; i < area.width(); ++i) {
            const quint32 s = from[i];
            const quint32 alpha = s >> 24;
            if (alpha == 255)
                row[i] = s;
            else if (s != 0)
                row[i] = over(s, row[i]);
        }
    }
}

} // namespace orb
