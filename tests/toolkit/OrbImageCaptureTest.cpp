#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbImageCapture.h"
#include "toolkit/OrbImageView.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

using orb::OrbCanvas;
using orb::OrbImage;
using orb::OrbImageCapture;
using orb::OrbImageView;

namespace {
// Marks its bottom-left 2 × 2 units red and records that it drew.
class CornerView : public OrbImageView {
public:
    int draws = 0;
    bool hiddenWhileDrawing = true;
    void drawRect(const OrbCanvas &canvas, const QRectF &) override
    {
        ++draws;
        hiddenWhileDrawing = isHidden();
        canvas.fillRect(QRectF(0, 0, 2, 2), Qt::red);
    }
};

OrbImage imageOfSize(int w, int h)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    return OrbImage(pixels, QSizeF(w, h));
}
} // namespace

TEST(OrbImageCapture, DoubleScaleViewBecomesPointSizedImageAtTwoPixelsPerPoint)
{
    for (bool isTemplate : {false, true}) {
        CornerView view;
        view.layOutAtDoubleScale(QSizeF(30, 11));
        EXPECT_EQ(view.frame(), QRectF(0, 0, 60, 22));

        const OrbImage image = OrbImageCapture::imageWithSubviews(&view, isTemplate);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSizeF(30, 11));
        EXPECT_EQ(image.pixels().size(), QSize(60, 22));
        EXPECT_DOUBLE_EQ(image.pixels().devicePixelRatio(), 2.0);
        EXPECT_EQ(image.isTemplate(), isTemplate);
        // The view's origin is bottom-left: its corner square lands in the last rows.
        EXPECT_EQ(image.pixels().pixelColor(0, 21), QColor(Qt::red));
        EXPECT_EQ(image.pixels().pixelColor(1, 20), QColor(Qt::red));
        EXPECT_EQ(image.pixels().pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(image.pixels().pixelColor(2, 21).alpha(), 0);
    }
}

TEST(OrbImageCapture, HiddenViewIsDrawnAndStaysHidden)
{
    CornerView view;
    view.layOutAtDoubleScale(QSizeF(4, 4));
    view.setHidden(true);
    const OrbImage image = OrbImageCapture::imageWithSubviews(&view, false);
    EXPECT_EQ(view.draws, 1);
    EXPECT_FALSE(view.hiddenWhileDrawing);
    EXPECT_TRUE(view.isHidden());
    EXPECT_EQ(image.pixels().pixelColor(0, 7), QColor(Qt::red));
}

TEST(OrbImageCapture, NoImageWithoutAViewOrArea)
{
    EXPECT_TRUE(OrbImageCapture::imageWithSubviews(static_cast<OrbImageView *>(nullptr), true).isNull());
    EXPECT_TRUE(OrbImageCapture::imageWithSubviews(static_cast<QWidget *>(nullptr), true).isNull());
    CornerView empty; // every display element off: width 0
    empty.layOutAtDoubleScale(QSizeF(0, 22));
    EXPECT_TRUE(OrbImageCapture::imageWithSubviews(&empty, false).isNull());
    EXPECT_EQ(empty.draws, 0);
    CornerView huge;
    huge.layOutAtDoubleScale(QSizeF(1e9, 22));
    EXPECT_TRUE(OrbImageCapture::imageWithSubviews(&huge, false).isNull());
}

TEST(OrbImageCapture, WidgetCaptureHalvesToo)
{
    QWidget widget;
    widget.resize(40, 20);
    widget.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::green);
    widget.setPalette(palette);
    const OrbImage image = OrbImageCapture::imageWithSubviews(&widget, true);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSizeF(20, 10));
    EXPECT_EQ(image.pixels().size(), QSize(40, 20));
    EXPECT_DOUBLE_EQ(image.pixels().devicePixelRatio(), 2.0);
    EXPECT_TRUE(image.isTemplate());
    EXPECT_EQ(image.pixels().pixelColor(20, 10), QColor(Qt::green));
}

TEST(OrbImageCapture, ResizeOnlyEverShrinks)
{
    struct Case {
        const char *name;
        QSize image;
        QSizeF target;
        QSizeF expected;
    };
    const Case cases[] = {
        {"wider target: unchanged even though lower", {16, 16}, {20, 10}, {16, 16}},
        {"higher target: unchanged", {16, 16}, {10, 20}, {16, 16}},
        {"equal width: unchanged", {16, 16}, {16, 8}, {16, 16}},
        {"smaller both ways: shrunk", {16, 16}, {8, 8}, {8, 8}},
        {"shrunk to a different aspect", {32, 16}, {12, 6}, {12, 6}},
        {"zero target is refused", {16, 16}, {0, 0}, {16, 16}},
    };
    for (const Case &c : cases) {
        const OrbImage source = imageOfSize(c.image.width(), c.image.height());
        const OrbImage result = OrbImageCapture::orbRetResizeImage(source, c.target);
        ASSERT_FALSE(result.isNull()) << c.name;
        EXPECT_EQ(result.size(), c.expected) << c.name;
        EXPECT_EQ(result.pixels().size(), c.image) << c.name; // pixels are never resampled
    }
    EXPECT_TRUE(OrbImageCapture::orbRetResizeImage(OrbImage(), QSizeF(8, 8)).isNull());
    EXPECT_TRUE(OrbImageCapture::orbRetResizeImage(OrbImage(QImage(4, 4, QImage::Format_ARGB32), QSizeF(0, 4)),
                                                   QSizeF(2, 2))
                    .isNull());
}

TEST(OrbImageCapture, MenuItemIconIsAtMostEighteenPoints)
{
    struct Case {
        QSize image;
        QSizeF expected;
    };
    const Case cases[] = {{{32, 32}, {18, 18}}, {{16, 16}, {16, 16}}, {{18, 18}, {18, 18}}, {{64, 10}, {64, 10}}};
    for (const Case &c : cases) {
        OrbImage source = imageOfSize(c.image.width(), c.image.height());
        source.setTemplate(true);
        const OrbImage icon = OrbImageCapture::orbRetMenuItemIcon(source);
        EXPECT_EQ(icon.size(), c.expected) << c.image.width() << "x" << c.image.height();
        EXPECT_TRUE(icon.isTemplate());
    }
}

namespace {
// Fills its whole area with one colour.
class FillView : public OrbImageView {
public:
    QColor colour;
    void drawRect(const OrbCanvas &canvas, const QRectF &bounds) override { canvas.fillRect(bounds, colour); }
};
} // namespace

TEST(OrbImageCapture, AReusedBufferNeverChangesAnImageStillHeld)
{
    FillView view;
    view.layOutAtDoubleScale(QSizeF(10, 5));
    QImage buffer;

    view.colour = Qt::red;
    const OrbImage red = OrbImageCapture::imageWithSubviews(&view, false, buffer);
    view.colour = Qt::blue;
    OrbImage blue = OrbImageCapture::imageWithSubviews(&view, false, buffer);
    // The red image was still held, so the blue one went elsewhere.
    EXPECT_EQ(red.pixels().pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(blue.pixels().pixelColor(3, 3), QColor(Qt::blue));

    // Once nothing else holds the buffer's pixels they are drawn over in place, at one pixel
    // per unit again, with what was there before cleared.
    const uchar *const pixels = buffer.constBits();
    blue = OrbImage();
    view.colour = QColor(0, 255, 0, 128);
    const OrbImage green = OrbImageCapture::imageWithSubviews(&view, false, buffer);
    EXPECT_EQ(green.pixels().constBits(), pixels);
    EXPECT_EQ(green.pixels().size(), QSize(20, 10));
    EXPECT_DOUBLE_EQ(green.pixels().devicePixelRatio(), 2.0);
    EXPECT_EQ(green.size(), QSizeF(10, 5));
    // Not blended over the blue that was there.
    EXPECT_EQ(green.pixels().pixelColor(19, 9).alpha(), 128);
    EXPECT_EQ(green.pixels().pixelColor(19, 9).blue(), 0);
    EXPECT_EQ(red.pixels().pixelColor(3, 3), QColor(Qt::red));

    // Another size needs another buffer.
    view.layOutAtDoubleScale(QSizeF(12, 5));
    const OrbImage wider = OrbImageCapture::imageWithSubviews(&view, false, buffer);
    EXPECT_EQ(wider.pixels().size(), QSize(24, 10));
    EXPECT_EQ(green.pixels().size(), QSize(20, 10));
}

TEST(OrbImage, ADrawableThemeImageDrawsAsTheThemeDeliveredIt)
{
    // A label as a theme's PNG decodes: straight alpha, with half-transparent edges.
    QImage label(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            label.setPixel(x, y, qRgba(40 * x, 200 - 30 * y, 90, x == 0 ? 0 : 255 / (1 + (x + y) % 3)));
    const QImage drawable = OrbImage::drawable(QVariant::fromValue(label));
    EXPECT_EQ(drawable.format(), QImage::Format_ARGB32_Premultiplied);

    const auto drawnOver = [](const QImage &image) {
        QImage target(8, 6, QImage::Format_ARGB32_Premultiplied);
        target.fill(QColor(20, 30, 160));
        QPainter p(&target);
        p.drawImage(QPointF(1, 1), image);
        p.end();
        return target;
    };
    const QImage expected = drawnOver(label);
    const QImage actual = drawnOver(drawable);
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            EXPECT_NEAR(qRed(a), qRed(e), 1) << x << "," << y;
            EXPECT_NEAR(qGreen(a), qGreen(e), 1) << x << "," << y;
            EXPECT_NEAR(qBlue(a), qBlue(e), 1) << x << "," << y;
        }

    // What a theme holds in place of an image draws nothing.
    EXPECT_TRUE(OrbImage::drawable(QVariant(QByteArray("not a picture"))).isNull());
    EXPECT_TRUE(OrbImage::drawable(QVariant()).isNull());
}
