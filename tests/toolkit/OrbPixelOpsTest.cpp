#include "TestCanvas.h"
#include "toolkit/OrbPixelOps.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace orb {
namespace {

using orb::test::differingPixels;

// A background with every kind of pixel a status image holds: transparent, opaque and
// translucent, premultiplied.
QImage background(QRandomGenerator &random, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int kind = random.bounded(3);
            const int alpha = kind == 0 ? 0 : kind == 1 ? 255 : random.bounded(1, 255);
            image.setPixelColor(x, y, QColor(random.bounded(256), random.bounded(256), random.bounded(256), alpha));
        }
    return image;
}

QColor anyColor(QRandomGenerator &random)
{
    const int kind = random.bounded(4);
    const int alpha = kind == 0 ? 0 : kind == 1 ? 255 : random.bounded(1, 255);
    return QColor(random.bounded(256), random.bounded(256), random.bounded(256), alpha);
}

TEST(OrbPixelOps, FillsAndCopiesWriteExactlyThePaintersPixels)
{
    QRandomGenerator random(20261207);
    for (int round = 0; round < 200; ++round) {
        const QImage start = background(random, 23, 17);
        QImage byPainter = start;
        QImage straight = start;
        QPainter painter(&byPainter);
        if (round % 2 == 0) {
            // Rectangles inside, across the edges and wholly outside the image.
            const QRect r(random.bounded(-8, 26), random.bounded(-8, 20), random.bounded(0, 14), random.bounded(0, 14));
            const QColor color = anyColor(random);
            painter.fillRect(r, color);
            OrbPixelOps::fill(straight, r, color);
        } else {
            const QImage source = background(random, random.bounded(1, 12), random.bounded(1, 12));
            const QPoint at(random.bounded(-10, 25), random.bounded(-10, 19));
            painter.drawImage(at, source);
            OrbPixelOps::blend(straight, at, source);
        }
        painter.end();
        ASSERT_EQ(differingPixels(byPainter, straight), 0) << "round " << round;
    }
}

TEST(OrbPixelOps, RectanglesLandWhereThePainterPutsAnUnsmoothedFill)
{
    QRandomGenerator random(7);
    const QTransform transforms[] = {QTransform(), QTransform::fromTranslate(0.5, -0.25),
                                     QTransform::fromScale(1.5, 1.5), QTransform::fromScale(2, 2).translate(0.3, 0.7)};
    for (const QTransform &t : transforms)
        for (int round = 0; round < 50; ++round) {
            const QRectF r(random.bounded(-40, 400) / 16.0, random.bounded(-40, 300) / 16.0,
                           random.bounded(0, 200) / 16.0, random.bounded(0, 200) / 16.0);
            QImage byPainter(40, 40, QImage::Format_ARGB32_Premultiplied);
            byPainter.fill(Qt::transparent);
            QImage straight = byPainter;
            {
                QPainter painter(&byPainter);
                painter.setTransform(t);
                painter.fillRect(r, Qt::red);
            }
            OrbPixelOps::fill(straight, OrbPixelOps::pixelsOf(r, t), Qt::red);
            ASSERT_EQ(differingPixels(byPainter, straight), 0) << round;
        }
}

} // namespace
} // namespace orb
