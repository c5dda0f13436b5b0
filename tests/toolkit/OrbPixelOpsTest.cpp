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

// A colour through a coverage mask is the colour scaled by each coverage, then blended: the
// painter's pixels for the premultiplied image of the scaled colour, across the edges too.
TEST(OrbPixelOps, AColourThroughAMaskIsThePaintersBlendOfTheScaledColour)
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 200; ++round) {
        const QImage start = background(random, 23, 17);
        QImage mask(random.bounded(1, 14), random.bounded(1, 9), QImage::Format_Alpha8);
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x) {
                // none, full, partial: a glyph's edge; every fifth mask wholly full, a glyph's inside
                const int kind = round % 5 == 0 ? 1 : random.bounded(3);
                mask.scanLine(y)[x] = static_cast<uchar>(kind == 0 ? 0 : kind == 1 ? 255 : random.bounded(1, 255));
            }
        const QColor color = round % 10 == 0 ? QColor(random.bounded(256), 20, 200) : anyColor(random);
        const quint32 premultiplied = OrbPixelOps::premultiplied(color);
        QImage scaled(mask.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x) {
                const uint c = mask.constScanLine(y)[x];
                const auto channel = [&](int shift) { return (((premultiplied >> shift) & 0xff) * c + 127) / 255; };
                reinterpret_cast<QRgb *>(scaled.scanLine(y))[x] = qRgba(static_cast<int>(channel(16)),
                                                                        static_cast<int>(channel(8)),
                                                                        static_cast<int>(channel(0)),
                                                                        static_cast<int>(channel(24)));
            }
        const QPoint at(random.bounded(-10, 25), random.bounded(-6, 19));
        QImage byPainter = start;
        QPainter(&byPainter).drawImage(at, scaled);
        QImage straight = start;
        OrbPixelOps::blendMask(straight, at, mask, premultiplied);
        ASSERT_TRUE(test::sameImage(byPainter, straight, 1)) << "round " << round;
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
