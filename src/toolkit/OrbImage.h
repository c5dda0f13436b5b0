#pragma once
#include <QImage>
#include <QSizeF>
#include <QVariant>

namespace orb {

// An image as status items and menus use it: pixels, the size in points it is shown at
// (which may differ from pixels / device pixel ratio after a shrink), and the template
// flag that tells a host to recolour it for the light or dark menu bar.
class OrbImage {
public:
    OrbImage() = default;
    // The device pixel ratio of `pixels` is set from the point size.
    OrbImage(QImage pixels, const QSizeF &size, bool isTemplate = false);

    // A theme image (a QImage value; anything else gives a null image) in the pixel format
    // the status images are drawn in, so drawing it is a plain blend and not a conversion
    // on every redraw.
    static QImage drawable(const QVariant &themeImage);

    bool isNull() const { return pixels_.isNull(); }
    const QImage &pixels() const { return pixels_; }
    QSizeF size() const { return size_; }
    // Changes only the size the image is shown at; the pixels stay.
    void setSize(const QSizeF &size);
    bool isTemplate() const { return template_; }
    void setTemplate(bool isTemplate) { template_ = isTemplate; }

private:
    QImage pixels_;
    QSizeF size_;
    bool template_ = false;
};

} // namespace orb
