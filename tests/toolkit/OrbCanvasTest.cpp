#include "toolkit/OrbCanvas.h"

#include <QPainter>
#include <functional>
#include <gtest/gtest.h>

using orb::OrbCanvas;

namespace {

QImage background()
{
    QImage image(48, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int x = 0; x < 48; x += 3)
        for (int y = 0; y < 24; ++y)
            image.setPixelColor(x, y, QColor(90, 140, 60, (x * 5 + y * 7) % 256));
    return image;
}

QImage sprite()
{
    QImage image(7, 5, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.setPixelColor(x, y, QColor(200, 30 * x, 40 * y, (x + y) % 3 == 0 ? 255 : 60 * y));
    return image;
}

// The same drawing on a canvas made on the image (painter begun on need) and on
// a canvas over a painter begun first.
struct Both {
    QImage lazy;
    QImage eager;
    bool lazyNeededPainter;
};

Both drawBoth(const std::function<void(const OrbCanvas &)> &draw)
{
    Both out{background(), background(), false};
    {
        const OrbCanvas canvas(out.lazy, 24);
        draw(canvas);
        out.lazyNeededPainter = canvas.hasPainter();
    }
    QPainter p(&out.eager);
    draw(OrbCanvas(p, 24));
    p.end();
    return out;
}

} // namespace

TEST(OrbCanvas, FillsFramesAndCopiesOnAnImageNeedNoPainterAndWriteThePaintersPixels)
{
    const QImage pic = sprite();
    const QColor shade(0, 0, 0, 15), amber(250, 200, 0), frame(30, 60, 200, 140);
    {
        QImage got = background();
        bool neededPainter = true;
        {
            const OrbCanvas canvas(got, 24);
            canvas.save();
            canvas.setAntialiasing(false);
            // Edges rounded to the pixel grid; a fill off the top; a translucent frame whose
            // pixels are each blended once.
            canvas.fillRect(QRectF(2.3, 1.6, 11.5, 9.2), shade);
            canvas.fillRect(QRectF(20, 3, 6, 30), amber);
            canvas.strokeRect(QRectF(15, 4, 9, 7), frame, 2.0);
            canvas.restore();
            canvas.drawImage(QRectF(30, 2, 7, 5), pic); // one to one: copied
            canvas.copyPixels(QPoint(44, 20), pic);     // partly off the image
            canvas.copyPixels(QPoint(-3, -2), pic);
            neededPainter = canvas.hasPainter();
        }
        QImage expected = background();
        {
            QPainter p(&expected);
            const auto flip = [](double x, double y, double w, double h) { return QRectF(x, 24 - y - h, w, h); };
            p.fillRect(flip(2.3, 1.6, 11.5, 9.2), shade);
            p.fillRect(flip(20, 3, 6, 30), amber);
            QPen pen(frame, 2.0);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
            QPainterPath box;
            box.addRect(flip(15, 4, 9, 7));
            p.strokePath(box, pen);
            p.drawImage(flip(30, 2, 7, 5), pic);
            p.drawImage(QPoint(44, 20), pic);
            p.drawImage(QPoint(-3, -2), pic);
        }
        EXPECT_FALSE(neededPainter);
        EXPECT_EQ(got, expected);
    }
    {
        // Scaled by a painter, the calls land on other pixels (half-pixel edges included) and
        // are still the painter's own.
        QImage big(96, 48, QImage::Format_ARGB32_Premultiplied), bigExpected;
        big.fill(Qt::white);
        bigExpected = big;
        {
            QPainter p(&big);
            p.scale(2, 2);
            const OrbCanvas canvas(p, 24);
            canvas.fillRect(QRectF(2.3, 1.6, 11.5, 9.2), shade);
            canvas.strokeRect(QRectF(15.25, 4, 9, 7), frame, 1.5);
        }
        {
            QPainter p(&bigExpected);
            p.scale(2, 2);
            p.fillRect(QRectF(2.3, 24 - 1.6 - 9.2, 11.5, 9.2), shade);
            QPen pen(frame, 1.5);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
            QPainterPath box;
            box.addRect(QRectF(15.25, 24 - 4 - 7, 9, 7));
            p.strokePath(box, pen);
        }
        EXPECT_EQ(big, bigExpected);
    }
}

TEST(OrbCanvas, StateSetBeforeThePainterIsBegunHoldsAfterwards)
{
    QPainterPath disc;
    disc.addEllipse(QRectF(3.3, 2.7, 9.1, 9.1));
    const QImage pic = sprite();
    const Both both = drawBoth([&](const OrbCanvas &c) {
        c.save();
        c.setAntialiasing(true);
        c.setCurrentColor(QColor(200, 0, 0, 180));
        c.save();
        c.setAntialiasing(false);
        c.fillRect(QRectF(1, 1, 4, 4), Qt::blue); // still without a painter
        c.fillPath(disc, c.currentColor());       // begins one: unsmoothed, in the current colour
        c.restore();
        c.fillPath(disc.translated(14, 0), c.currentColor()); // smoothed again
        c.fillRect(QRectF(30.5, 2.5, 5, 5), Qt::green);      // smoothed: the painter fills it
        c.restore();
        c.fillPath(disc.translated(28, 8), c.currentColor()); // the first state: unsmoothed, black
        c.drawImage(QRectF(40, 14, 3.5, 2.5), pic);           // scaled: the painter draws it
    });
    EXPECT_TRUE(both.lazyNeededPainter);
    EXPECT_EQ(both.lazy, both.eager);
}

TEST(OrbCanvas, PaintersThatDoNotMapStraightToPixelsAreNotWrittenAround)
{
    // Half opacity, a clip and a rotation each leave the fill to the painter.
    const std::function<void(QPainter &)> states[] = {
        [](QPainter &p) { p.setOpacity(0.5); },
        [](QPainter &p) { p.setClipRect(QRect(5, 5, 10, 10)); },
        [](QPainter &p) { p.rotate(4); },
        [](QPainter &p) { p.setCompositionMode(QPainter::CompositionMode_Source); },
    };
    const QImage pic = sprite();
    for (const auto &state : states) {
        QImage expected = background(), got = background();
        {
            QPainter p(&expected);
            state(p);
            p.fillRect(QRectF(2, 2, 20, 15), QColor(10, 20, 200, 128));
            p.drawImage(QPointF(20, 10), pic);
        }
        {
            QPainter p(&got);
            state(p);
            const OrbCanvas canvas(p, 24);
            canvas.fillRect(QRectF(2, 24 - 2 - 15, 20, 15), QColor(10, 20, 200, 128));
            canvas.drawImage(QRectF(20, 24 - 10 - 5, 7, 5), pic);
        }
        EXPECT_EQ(got, expected);
    }
    // An image shared with another copy is not written through.
    QImage image = background();
    const QImage copy = image;
    {
        const OrbCanvas canvas(image, 24);
        canvas.fillRect(QRectF(0, 0, 48, 24), Qt::red);
    }
    EXPECT_EQ(copy, background());
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::red));
}
