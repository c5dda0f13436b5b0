#pragma once
#include <QColor>
#include <QImage>

namespace orb {

// Template images carry only shape and alpha; a host draws them in its own text colour.
class TemplateImage {
public:
    // `image` with every pixel's colour replaced by `colour`, keeping each pixel's alpha
    // (times the colour's own alpha). Size and device pixel ratio are kept.
    static QImage tinted(const QImage &image, const QColor &colour);
};

} // namespace orb
