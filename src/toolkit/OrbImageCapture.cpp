#include "toolkit/OrbImageCapture.h"

#include <QBuffer>

#include "platform/Logging.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbImageView.h"

#include <QPainter>
#include <QWidget>
#include <cmath>

namespace orb {

namespace {
// Larger than any status or menu image; guards against runaway layout sizes.
constexpr double kMaxCaptureSide = 16384.0;

bool usableSize(const QSizeF &size)
{
    if (!(size.width() > 0.0 && size.height() > 0.0))
        return false;
    if (size.width() > kMaxCaptureSide || size.height() > kMaxCaptureSide) {
        qCWarning(lcToolkit) << "refusing to capture a view of" << size << "points";
        return false;
    }
    return true;
}

QImage transparentImage(const QSizeF &size)
{
    QImage image(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Captures are laid out at twice their point size; the pixels are kept and only the point
// size halves (built directly, so the pixel buffer is never shared and copied).
OrbImage halved(QImage pixels, const QSizeF &size, bool isTemplate)
{
    return OrbImage(std::move(pixels), size / 2.0, isTemplate);
}
} // namespace

OrbImage OrbImageCapture::imageWithSubviews(OrbImageView *view, bool isTemplate)
{
    QImage buffer;
    return imageWithSubviews(view, isTemplate, buffer);
}

OrbImage OrbImageCapture::imageWithSubviews(OrbImageView *view, bool isTemplate, QImage &buffer)
{
    if (!view)
        return {};
    const QRectF bounds = view->bounds();
    if (!usableSize(bounds.size()))
        return {};

    const QSize pixelSize(static_cast<int>(std::ceil(bounds.width())), static_cast<int>(std::ceil(bounds.height())));
    if (buffer.isDetached() && buffer.size() == pixelSize) {
        // Drawn at one pixel per layout unit; the ratio is set again below.
        buffer.setDevicePixelRatio(1.0);
        buffer.fill(Qt::transparent);
    } else {
        buffer = transparentImage(bounds.size());
    }
    const bool wasHidden = view->isHidden();
    view->setHidden(false);
    {
        const OrbCanvas canvas(buffer, bounds.height());
        view->drawRect(canvas, bounds);
    }
    view->setHidden(wasHidden);
    // The ratio the image gets, set while the buffer is still unshared so that handing it out
    // copies nothing.
    buffer.setDevicePixelRatio(buffer.width() / (bounds.width() / 2.0));
    return halved(buffer, bounds.size(), isTemplate);
}

OrbImage OrbImageCapture::imageWithSubviews(QWidget *view, bool isTemplate)
{
    if (!view)
        return {};
    const QSizeF size = view->size();
    if (!usableSize(size))
        return {};
    QImage pixels = transparentImage(size);
    // QWidget::render draws hidden widgets too, so the visibility flag is left alone.
    view->render(&pixels, QPoint(), QRegion(), QWidget::DrawChildren);
    return halved(std::move(pixels), size, isTemplate);
}

OrbImage OrbImageCapture::orbRetResizeImage(const OrbImage &image, const QSizeF &target)
{
    if (image.isNull() || !(image.size().width() > 0.0) || !(image.size().height() > 0.0))
        return {};
    if (target.width() >= image.size().width() || target.height() >= image.size().height())
        return image;
    if (!(target.width() > 0.0 && target.height() > 0.0)) {
        // Shrinking to nothing would only hide the image.
        qCWarning(lcToolkit) << "ignoring image shrink to" << target;
        return image;
    }
    OrbImage shrunk = image;
    shrunk.setSize(target);
    return shrunk;
}

OrbImage OrbImageCapture::orbRetMenuItemIcon(const OrbImage &image)
{
    return orbRetResizeImage(image, QSizeF(kMenuItemIconSize, kMenuItemIconSize));
}

QByteArray OrbImageCapture::pngData(const QImage &image)
{
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace orb
