#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

namespace orb::test {

// A transparent image of `width` × `height` canvas points at `scale` pixels per point,
// with a canvas on it. Sampling is by canvas coordinates (origin bottom-left, y up).
class TestCanvas {
public:
    TestCanvas(double width, double height, double scale = 1.0)
        : image_(int(std::ceil(width * scale)), int(std::ceil(height * scale)),
                 QImage::Format_ARGB32_Premultiplied),
          scale_(scale), height_(height)
    {
        image_.fill(Qt::transparent);
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->scale(scale, scale);
        canvas_ = std::make_unique<OrbCanvas>(*painter_, height);
    }

    const OrbCanvas &canvas() const { return *canvas_; }
    QPainter &painter() { return *painter_; }

    // Finishes painting; call before sampling.
    const QImage &image()
    {
        if (painter_->isActive())
            painter_->end();
        return image_;
    }

    // The pixel that contains canvas point (x, y).
    QColor at(double x, double y)
    {
        const QImage &img = image();
        const int px = int(std::floor(x * scale_));
        const int py = int(std::floor((height_ - y) * scale_));
        return img.pixelColor(px, py);
    }
    // Pixel by image row and column (row 0 at the top).
    QColor pixel(int column, int row) { return image().pixelColor(column, row); }

private:
    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<OrbCanvas> canvas_;
    double scale_;
    double height_;
};

inline bool sameRgba(const QColor &a, const QColor &b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

inline bool isClear(const QColor &c) { return c.alpha() == 0; }

// Two images of one size whose pixels differ by at most `tolerance` in every channel: a
// drawing composed over transparency first, then copied, rounds differently by a little.
inline bool sameImage(const QImage &a, const QImage &b, int tolerance = 2)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance
                || std::abs(qBlue(p) - qBlue(q)) > tolerance || std::abs(qAlpha(p) - qAlpha(q)) > tolerance)
                return false;
        }
    return true;
}

// Pixels of two images of one size that are not exactly the same.
inline int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace orb::test
