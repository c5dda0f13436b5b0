#include "toolkit/OrbImage.h"

namespace orb {

OrbImage::OrbImage(QImage pixels, const QSizeF &size, bool isTemplate)
    : pixels_(std::move(pixels)), template_(isTemplate)
{
    setSize(size);
}

void OrbImage::setSize(const QSizeF &size)
{
    size_ = size;
    // Keep the pixel ratio in step for painters that place the image by it; a shrink that
    // changes the aspect keeps the horizontal ratio and relies on size() for the height.
    if (!pixels_.isNull() && size.width() > 0.0)
        pixels_.setDevicePixelRatio(pixels_.width() / size.width());
}

QImage OrbImage::drawable(const QVariant &themeImage)
{
    const QImage image = themeImage.value<QImage>();
    if (image.isNull() || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace orb
