#include "TestCanvas.h"
#include "toolkit/OrbColumnFill.h"

#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

using orb::OrbCanvas;
using orb::OrbColumnFill;

namespace {

struct Bar {
    int layer;
    QRectF rect;
    QColor color;
};

// A graph as the status items draw them: two-point columns from right to left, each a
// stack of segments (layers 0-2, the top one translucent), and a layer 3 bar that reaches
// down from the top and may cover the others, as the disk graph's read bar does.
std::vector<Bar> graph(quint32 seed, double left, double bottom, double height, int columns)
{
    QRandomGenerator random(seed);
    const QColor user(40, 120, 230), system(230, 60, 50), idle(0, 0, 0, 15), read(20, 200, 90, 140);
    std::vector<Bar> bars;
    for (int c = columns - 1; c >= 0; --c) {
        const double x = left + 2.0 * c;
        const double u = random.bounded(1.0) * 0.5, s = random.bounded(1.0) * 0.3;
        // Some columns of the first layer in another colour, as a graph coloured by value.
        bars.push_back({0, QRectF(x, bottom, 2.0, u * height), c % 5 == 0 ? QColor(250, 200, 0) : user});
        bars.push_back({1, QRectF(x, bottom + u * height, 2.0, s * height), system});
        bars.push_back({2, QRectF(x, bottom + (u + s) * height, 2.0, (1.0 - u - s) * height), idle});
        const double r = random.bounded(1.0) * 0.6 * height;
        bars.push_back({3, QRectF(x, bottom + height - r, 2.0, r), read});
    }
    return bars;
}

struct Painting {
    const char *what;
    double scale = 1.0;
    QPointF offset;
    double opacity = 1.0;
    bool antialiased = false;
    bool rotated = false;
    bool clipped = false;
};

// The bars over a background that is not uniform, one painter fill at a time (in the order
// of their layers within each column, as the graphs draw them) or through OrbColumnFill,
// which writes the pixels itself where it can.
QImage drawn(const std::vector<Bar> &bars, const Painting &how, bool together)
{
    orb::test::TestCanvas t(70, 24, how.scale);
    QPainter &p = t.painter();
    p.fillRect(QRectF(0, 0, 70, 24), QColor(200, 210, 190));
    p.fillRect(QRectF(20, 0, 13, 24), QColor(10, 60, 30, 160));
    p.translate(how.offset);
    p.setOpacity(how.opacity);
    p.setRenderHint(QPainter::Antialiasing, how.antialiased);
    if (how.rotated)
        p.rotate(3);
    if (how.clipped)
        p.setClipRect(QRectF(11.3, 3.6, 30.2, 12.5));
    if (!together) {
        for (const Bar &b : bars)
            p.fillRect(t.canvas().rect(b.rect), b.color);
        return t.image();
    }
    OrbColumnFill fill(t.canvas());
    for (const Bar &b : bars)
        fill.add(b.layer, b.rect, b.color);
    fill.fill();
    return t.image();
}

} // namespace

TEST(OrbColumnFill, FillsTheSamePixelsAsOnePainterFillPerBar)
{
    const std::vector<Painting> paintings{
        {"one pixel per point"},
        {"moved by fractions of a pixel", 1.0, QPointF(0.3, 0.7)},
        {"moved by half a pixel", 1.0, QPointF(0.5, 0.5)},
        {"two pixels per point", 2.0},
        {"one and a half pixels per point, moved", 1.5, QPointF(0.25, 0.4)},
        {"half opacity", 1.0, {}, 0.5},
        {"clipped", 1.0, {}, 1.0, false, false, true},
        {"anti-aliased: one by one", 1.0, QPointF(0.3, 0.7), 1.0, true},
        {"rotated: one by one", 1.0, {}, 1.0, false, true},
    };
    for (const Painting &how : paintings) {
        for (quint32 seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(std::string(how.what) + ", seed " + std::to_string(seed));
            const std::vector<Bar> bars = graph(seed, 4.0, 2.5, 19.0, 30);
            const QImage one = drawn(bars, how, false);
            EXPECT_EQ(drawn(bars, how, true), one);
        }
    }
}

TEST(OrbColumnFill, WhatWasAddedIsFilledWhenItGoesOutOfScope)
{
    QImage image(64, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    OrbCanvas canvas(p, 24);
    {
        OrbColumnFill fill(canvas);
        for (int c = 0; c < 30; ++c)
            fill.add(0, QRectF(2.0 + 2 * c, 2.0 + (c % 3), 2.0, 20.0 - (c % 3)), QColor(0, 0, 0, 15));
        EXPECT_EQ(image.pixel(3, 10), qRgb(255, 255, 255)); // nothing drawn yet
    }
    p.end();
    // Every pixel of every bar blended once, none twice, nothing beside them.
    const QRgb once = image.pixel(3, 10);
    EXPECT_NE(once, qRgb(255, 255, 255));
    for (int c = 0; c < 30; ++c)
        for (int y = 2; y < 22 - (c % 3); ++y)
            ASSERT_EQ(image.pixel(2 + 2 * c, y), once) << c << "," << y;
    EXPECT_EQ(image.pixel(1, 10), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(62, 10), qRgb(255, 255, 255));
}
