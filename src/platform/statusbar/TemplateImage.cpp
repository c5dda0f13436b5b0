#include "platform/statusbar/TemplateImage.h"

#include <QPainter>

namespace orb {

QImage TemplateImage::tinted(const QImage &image, const QColor &colour)
{
    if (image.isNull())
        return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(image.devicePixelRatio());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), out.deviceIndependentSize()), colour);
    p.end();
    return out;
}

} // namespace orb
