#include "toolkit/GraphLayer.h"
#include "toolkit/OrbColumnFill.h"

#include <QImage>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <vector>

using orb::DrawingKey;
using orb::GraphLayer;
using orb::OrbCanvas;
using orb::OrbColumnFill;

namespace {

constexpr double kHeight = 24.0;

// A status graph as the items draw theirs: from the newest reading leftwards, one column of
// two units a reading, two translucent bars a column that overlap where the readings are
// large, so the order of the fills shows in the pixels.
struct Readings {
    std::vector<double> values; // 0..1, oldest first
    QColor low{40, 120, 200, 150};
    QColor high{230, 90, 20, 200};

    void draw(const OrbCanvas &canvas, const QRectF &frame) const
    {
        OrbColumnFill bars(canvas);
        double right = frame.right();
        for (std::size_t i = values.size(); i-- > 0 && right > frame.left();) {
            const double v = values[i];
            bars.add(0, QRectF(right - 2.0, frame.y(), 2.0, v * frame.height() * 0.7), low);
            bars.add(1, QRectF(right - 2.0, frame.y() + frame.height() * 0.3, 2.0, v * frame.height() * 0.7), high);
            right -= 2.0;
        }
    }
    DrawingKey key() const
    {
        DrawingKey k("test graph");
        k.add(low).add(high);
        return k;
    }
};

QImage blank(int width = 48)
{
    QImage image(width, int(kHeight), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawnInPlace(const Readings &r, const QRectF &frame, int width = 48)
{
    QImage image = blank(width);
    const OrbCanvas canvas(image, kHeight);
    r.draw(canvas, frame);
    return image;
}

QImage drawnKept(GraphLayer &layer, std::size_t index, const Readings &r, const QRectF &frame,
                 std::optional<std::size_t> newColumns, int width = 48)
{
    QImage image = blank(width);
    const OrbCanvas canvas(image, kHeight);
    layer.draw(canvas, index, frame, newColumns, r.key(),
               [&](const OrbCanvas &on, const QRectF &part) { r.draw(on, part); });
    return image;
}

} // namespace

// Reading after reading, the kept graph moved over with only its new columns drawn is the
// graph drawn whole in place, pixel for pixel; and it costs only the new columns.
TEST(GraphLayerTest, AMovedGraphIsTheGraphDrawnWhole)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    Readings r;
    for (int i = 0; i < 30; ++i)
        r.values.push_back(value(random));
    const QRectF frame(6, 2, 36, 20);
    GraphLayer layer;
    ASSERT_EQ(drawnKept(layer, 0, r, frame, std::nullopt), drawnInPlace(r, frame));
    EXPECT_EQ(layer.columnsDrawn(), 18u);

    struct Step {
        std::size_t added;
        const char *what;
    };
    const Step steps[] = {{1, "one reading"}, {1, "another"}, {0, "a redraw with nothing new"},
                          {3, "three at once"}, {17, "all but one column new"}, {18, "every column new"},
                          {40, "more than the graph holds"}, {1, "one again"}};
    for (const Step &step : steps) {
        for (std::size_t i = 0; i < step.added; ++i)
            r.values.push_back(value(random));
        const quint64 before = layer.columnsDrawn();
        EXPECT_EQ(drawnKept(layer, 0, r, frame, step.added), drawnInPlace(r, frame)) << step.what;
        EXPECT_EQ(layer.columnsDrawn() - before, std::min<std::size_t>(step.added, 18)) << step.what;
    }
}

// Whatever else the pixels depend on, the frame, the image and the count of new columns
// draw the graph whole when they change or are unknown.
TEST(GraphLayerTest, AChangedKeyFrameOrImageOrAnUnknownCountDrawsTheGraphWhole)
{
    Readings r{{0.2, 0.9, 0.5, 0.7, 1.0, 0.1, 0.6, 0.3, 0.8, 0.4, 0.95, 0.05}};
    const QRectF frame(4, 2, 20, 20);
    GraphLayer layer;
    drawnKept(layer, 0, r, frame, std::nullopt);

    r.values.push_back(0.5);
    r.high = QColor(255, 255, 255, 200); // highlighted, say
    quint64 before = layer.columnsDrawn();
    EXPECT_EQ(drawnKept(layer, 0, r, frame, 1), drawnInPlace(r, frame));
    EXPECT_EQ(layer.columnsDrawn() - before, 10u) << "a new key";

    r.values.push_back(0.25);
    const QRectF moved = frame.translated(6, 0);
    before = layer.columnsDrawn();
    EXPECT_EQ(drawnKept(layer, 0, r, moved, 1), drawnInPlace(r, moved));
    EXPECT_EQ(layer.columnsDrawn() - before, 10u) << "a moved frame";

    r.values.push_back(0.75);
    before = layer.columnsDrawn();
    EXPECT_EQ(drawnKept(layer, 0, r, moved, 1, 56), drawnInPlace(r, moved, 56));
    EXPECT_EQ(layer.columnsDrawn() - before, 10u) << "a wider image";

    r.values.push_back(0.6);
    before = layer.columnsDrawn();
    EXPECT_EQ(drawnKept(layer, 0, r, moved, std::nullopt, 56), drawnInPlace(r, moved, 56));
    EXPECT_EQ(layer.columnsDrawn() - before, 10u) << "no count of new readings";
}

// Two graphs of one image are kept apart; one drawn where the other was kept makes the
// other draw itself whole again rather than copy what was drawn over.
TEST(GraphLayerTest, GraphsOfOneImageAreKeptApart)
{
    Readings a{{0.1, 0.5, 0.9, 0.3, 0.7, 0.2, 0.8, 0.4}};
    Readings b{{0.9, 0.1, 0.6, 0.2, 0.8, 0.3, 0.5, 0.7}};
    b.low = QColor(0, 200, 0, 120);
    const QRectF left(0, 2, 16, 20), right(24, 2, 16, 20);
    GraphLayer layer;
    auto both = [&](const QRectF &fa, const QRectF &fb, std::optional<std::size_t> added) {
        QImage image = blank();
        const OrbCanvas canvas(image, kHeight);
        layer.draw(canvas, 0, fa, added, a.key(), [&](const OrbCanvas &on, const QRectF &part) { a.draw(on, part); });
        layer.draw(canvas, 1, fb, added, b.key(), [&](const OrbCanvas &on, const QRectF &part) { b.draw(on, part); });
        return image;
    };
    auto inPlace = [&](const QRectF &fa, const QRectF &fb) {
        QImage image = blank();
        const OrbCanvas canvas(image, kHeight);
        a.draw(canvas, fa);
        b.draw(canvas, fb);
        return image;
    };
    both(left, right, std::nullopt);
    a.values.push_back(0.35);
    b.values.push_back(0.65);
    const quint64 before = layer.columnsDrawn();
    EXPECT_EQ(both(left, right, 1), inPlace(left, right));
    EXPECT_EQ(layer.columnsDrawn() - before, 2u);

    // Graph 0 moves onto graph 1's place and back: graph 1 must not be copied from there.
    a.values.push_back(0.45);
    b.values.push_back(0.15);
    QImage onlyA = blank();
    {
        const OrbCanvas canvas(onlyA, kHeight);
        layer.draw(canvas, 0, right, 1, a.key(), [&](const OrbCanvas &on, const QRectF &part) { a.draw(on, part); });
    }
    EXPECT_EQ(onlyA, drawnInPlace(a, right));
    a.values.push_back(0.55);
    b.values.push_back(0.85);
    EXPECT_EQ(both(left, right, 1), inPlace(left, right));
}

// Where the copy could differ from a drawing in place (pixels already under the graph, a
// frame between pixels, an odd width, a smoothed canvas) the graph is drawn in place.
TEST(GraphLayerTest, GraphsThatCannotBeCopiedExactlyAreDrawnInPlace)
{
    Readings r{{0.3, 0.8, 0.5, 0.9, 0.2, 0.6, 0.4, 0.7, 0.1, 1.0}};
    GraphLayer layer;
    const QRectF frame(4, 2, 16, 20);
    drawnKept(layer, 0, r, frame, std::nullopt);

    // Something under the graph: the layer's pixels over it would round differently.
    r.values.push_back(0.5);
    auto under = [](QImage &image) {
        const OrbCanvas canvas(image, kHeight);
        canvas.fillRect(QRectF(0, 0, 48, 24), QColor(90, 90, 90, 100));
    };
    QImage kept = blank(), inPlace = blank();
    under(kept);
    under(inPlace);
    {
        const OrbCanvas canvas(kept, kHeight);
        layer.draw(canvas, 0, frame, 1, r.key(), [&](const OrbCanvas &on, const QRectF &part) { r.draw(on, part); });
        const OrbCanvas direct(inPlace, kHeight);
        r.draw(direct, frame);
    }
    EXPECT_EQ(kept, inPlace);

    for (const QRectF &f : {QRectF(4.5, 2, 16, 20), QRectF(4, 2.25, 16, 20), QRectF(4, 2, 15, 20)}) {
        r.values.push_back(0.4);
        const quint64 before = layer.columnsDrawn();
        EXPECT_EQ(drawnKept(layer, 0, r, f, 1), drawnInPlace(r, f)) << f.x() << "," << f.y() << " " << f.width();
        EXPECT_GE(layer.columnsDrawn() - before, 7u) << "drawn whole, in place";
    }

    QImage smoothed = blank();
    const OrbCanvas canvas(smoothed, kHeight);
    canvas.setAntialiasing(true);
    EXPECT_EQ(canvas.plainPixels(), nullptr);
    canvas.setAntialiasing(false);
    EXPECT_EQ(canvas.plainPixels(), &smoothed);
}
