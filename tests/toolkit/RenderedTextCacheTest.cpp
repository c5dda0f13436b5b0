#include "TestFonts.h"
#include "TestCanvas.h"
#include "toolkit/OrbColors.h"
#include "toolkit/RenderedTextCache.h"
#include "toolkit/ShapedTextCache.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace orb;

namespace {

using orb::test::differingPixels;

QImage blank()
{
    QImage image(80, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The text drawn glyph by glyph, as without the cache.
QImage direct(const QString &text, const QColor &colour, const std::optional<OrbShadow> &shadow, QPointF top)
{
    QImage image = blank();
    QPainter p(&image);
    const QFont font = test::dejaVuSans(20);
    RenderedTextCache::drawGlyphs(p, ShapedTextCache::shaped(text, font), colour, shadow, top);
    return image;
}

QImage cached(const QString &text, const QColor &colour, const std::optional<OrbShadow> &shadow, QPointF top,
              bool *served = nullptr, const QFont &font = test::dejaVuSans(20))
{
    QImage image = blank();
    {
        // As a status image draws: no painter unless one is needed.
        const OrbCanvas canvas(image, image.height());
        const bool ok = RenderedTextCache::draw(canvas, ShapedTextCache::shaped(text, font), text, font, colour, shadow,
                                                top);
        if (served)
            *served = ok;
    }
    return image;
}

} // namespace

TEST(RenderedTextCache, ACopiedTextHasTheDirectlyDrawnPixelsWhereverItLands)
{
    const std::optional<OrbShadow> shadow = OrbColors::retNormalTextShadow(QColor(0, 0, 0, 120));
    const struct {
        const char *text;
        QColor colour;
        std::optional<OrbShadow> shadow;
        QPointF top;
    } cases[] = {
        {"42%", QColor(30, 30, 200), std::nullopt, {3, 4}},
        {"42%", QColor(30, 30, 200), std::nullopt, {3.5, 4.25}}, // another sub-pixel place
        {"42%", QColor(30, 30, 200), shadow, {10.75, 2.5}},
        {"U: 7.52GB", QColor(200, 40, 40), shadow, {0.3, 9.9}},
        {"  ", QColor(200, 40, 40), shadow, {2, 2}}, // draws no pixel at all
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.top.x()) + "," + std::to_string(c.top.y()));
        const QImage expected = direct(c.text, c.colour, c.shadow, c.top);
        for (int round = 0; round < 2; ++round) { // drawn once, then copied
            bool served = false;
            const QImage got = cached(c.text, c.colour, c.shadow, c.top, &served);
            ASSERT_TRUE(served);
            EXPECT_EQ(differingPixels(got, expected), 0);
        }
    }
}

TEST(RenderedTextCache, AnotherTextColourFontOrPlaceIsNeverTakenForACachedOne)
{
    const QImage first = cached("23%", Qt::black, std::nullopt, {2, 2});
    EXPECT_GT(differingPixels(cached("28%", Qt::black, std::nullopt, {2, 2}), first), 0);
    EXPECT_GT(differingPixels(cached("23%", Qt::red, std::nullopt, {2, 2}), first), 0);
    EXPECT_GT(differingPixels(cached("23%", Qt::black, std::nullopt, {2.5, 2}), first), 0);
    EXPECT_GT(differingPixels(cached("23%", Qt::black, OrbColors::retPiledTextShadow(Qt::gray), {2, 2}), first), 0);
    EXPECT_GT(differingPixels(cached("23%", Qt::black, std::nullopt, {2, 2}, nullptr, test::dejaVuSans(24)), first), 0);
    QFont bold = test::dejaVuSans(20);
    bold.setBold(true);
    EXPECT_GT(differingPixels(cached("23%", Qt::black, std::nullopt, {2, 2}, nullptr, bold), first), 0);
    // The same font made anew is the same font.
    bool served = false;
    EXPECT_EQ(differingPixels(cached("23%", Qt::black, std::nullopt, {2, 2}, &served, test::dejaVuSans(20)), first), 0);
    EXPECT_TRUE(served);
}

TEST(RenderedTextCache, PaintersThatDoNotDrawOneToOneAreLeftToTheGlyphs)
{
    const QFont font = test::dejaVuSans(20);
    const ShapedTextCache::Shaped shaped = ShapedTextCache::shaped("5%", font);
    QImage image = blank();
    {
        QPainter scaled(&image);
        scaled.scale(2, 2);
        EXPECT_FALSE(RenderedTextCache::draw(OrbCanvas(scaled, 40), shaped, "5%", font, Qt::black, std::nullopt, {1, 1}));
    }
    {
        QPainter faded(&image);
        faded.setOpacity(0.5);
        EXPECT_FALSE(RenderedTextCache::draw(OrbCanvas(faded, 40), shaped, "5%", font, Qt::black, std::nullopt, {1, 1}));
    }
    QImage retina(80, 40, QImage::Format_ARGB32_Premultiplied);
    retina.setDevicePixelRatio(2.0);
    QPainter p(&retina);
    EXPECT_FALSE(RenderedTextCache::draw(OrbCanvas(p, 40), shaped, "5%", font, Qt::black, std::nullopt, {1, 1}));
    EXPECT_EQ(differingPixels(image, blank()), 0) << "nothing drawn when refused";
}
