#pragma once
#include <QByteArray>
#include "toolkit/OrbImage.h"

#include <QSizeF>

class QWidget;

namespace orb {

class OrbImageView;

// Turning drawn views into images, and the two image-size operations.
class OrbImageCapture {
public:
    // Renders the whole view (drawn even when hidden) into an image of its bounds and
    // halves its point size, so a view laid out at double scale gives an image of the
    // on-screen point size with two pixels per point. Null for a missing view or empty bounds.
    static OrbImage imageWithSubviews(OrbImageView *view, bool isTemplate);
    // The same, drawn into `buffer` when no image handed out earlier still shares its pixels
    // and its size fits (else into a new buffer kept there): a redraw of an unchanged size
    // then allocates nothing, and its raster engine is made once.
    static OrbImage imageWithSubviews(OrbImageView *view, bool isTemplate, QImage &buffer);
    // The same for a widget (preference previews and other widget-based views).
    static OrbImage imageWithSubviews(QWidget *view, bool isTemplate);

    // Shrinks the shown size to `target` unless the target is at least as wide or at
    // least as high as the image: images are never enlarged. Null for a null or empty image.
    static OrbImage orbRetResizeImage(const OrbImage &image, const QSizeF &target);
    // orbRetResizeImage to 18 × 18, for menu-item icons.
    static OrbImage orbRetMenuItemIcon(const OrbImage &image);

    static constexpr double kMenuItemIconSize = 18.0;

    // PNG file contents of `image` (empty for a null image).
    static QByteArray pngData(const QImage &image);
};

} // namespace orb
