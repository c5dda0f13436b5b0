#include "TestCanvas.h"
#include "TestFonts.h"
#include "toolkit/GlyphComposer.h"
#include "toolkit/OrbColors.h"
#include "toolkit/RenderedTextCache.h"
#include "toolkit/ShapedTextCache.h"

#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>
#include <thread>

using namespace orb;

namespace {

QFont boldMono(int pixels)
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

QImage background(const QColor &fill)
{
    QImage image(120, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// The text laid out and drawn whole, as without the composer.
QImage whole(const QString &text, const QFont &font, const QColor &colour, const std::optional<OrbShadow> &shadow,
             QPointF top, const QColor &fill)
{
    QImage image = background(fill);
    QPainter p(&image);
    RenderedTextCache::drawGlyphs(p, ShapedTextCache::shaped(text, font), colour, shadow, top);
    return image;
}

QImage composed(const QString &text, const QFont &font, const QColor &colour, const std::optional<OrbShadow> &shadow,
                QPointF top, const QColor &fill, bool *drawn = nullptr)
{
    QImage image = background(fill);
    {
        const OrbCanvas canvas(image, image.height());
        const bool ok = GlyphComposer::draw(canvas, text, font, colour, shadow, top);
        if (drawn)
            *drawn = ok;
    }
    return image;
}

} // namespace

// A figure put together from its glyphs is the figure drawn whole: same glyphs, same places,
// wherever on the pixel grid it lands, in each font and colour, shadow included. Where two
// glyphs' edges share a pixel the blend rounds once more, by at most one step.
TEST(GlyphComposer, AComposedFigureHasTheWholeTextsPixels)
{
    const std::optional<OrbShadow> shadow = OrbColors::retNormalTextShadow(QColor(0, 0, 0, 120));
    const QFont fonts[] = {test::dejaVuSans(13), test::dejaVuSans(20), boldMono(20), boldMono(11)};
    const char *texts[] = {"41%", "4.95GB", "U: 7.52GB", "12.3KB/s", "100%", "0123456789"};
    const QPointF tops[] = {{3, 4}, {3.3, 4.25}, {10.52, 2.5}, {0.984, 9.9}};
    int compared = 0;
    for (const QFont &font : fonts)
        for (const char *text : texts)
            for (const QPointF &top : tops)
                for (const QColor &fill : {QColor(Qt::transparent), QColor(40, 90, 40)}) {
                    SCOPED_TRACE(std::string(text) + " in " + font.family().toStdString() + " "
                                 + std::to_string(font.pixelSize()) + " at " + std::to_string(top.x()) + ","
                                 + std::to_string(top.y()));
                    for (const auto &s : {std::optional<OrbShadow>(), shadow}) {
                        // Glyphs drawn once serve every colour: an opaque one and one see-through.
                        const QColor colour = s ? QColor(230, 230, 40) : QColor(200, 40, 90, 170);
                        const QImage expected = whole(text, font, colour, s, top, fill);
                        bool drawn = false;
                        const QImage got = composed(text, font, colour, s, top, fill, &drawn);
                        ASSERT_TRUE(drawn);
                        EXPECT_TRUE(test::sameImage(got, expected, 1));
                        EXPECT_LT(test::differingPixels(got, expected), 8);
                        ++compared;
                    }
                }
    EXPECT_EQ(compared, 4 * 6 * 4 * 2 * 2);
    // Every place across a pixel, in steps finer than the raster engine's.
    for (int step = 0; step <= 200; ++step) {
        const QPointF top(2 + step / 200.0, 3 + step / 200.0);
        SCOPED_TRACE("at " + std::to_string(top.x()) + "," + std::to_string(top.y()));
        const QImage expected = whole("4.8%", fonts[0], Qt::white, shadow, top, Qt::transparent);
        EXPECT_TRUE(test::sameImage(composed("4.8%", fonts[0], Qt::white, shadow, top, Qt::transparent), expected, 1));
    }
    // Not a blank image compared with a blank image.
    EXPECT_GT(test::differingPixels(composed("41%", fonts[0], Qt::white, std::nullopt, {3, 4}, Qt::transparent),
                                    background(Qt::transparent)),
              20);
}

// Measured by adding advances, a composed text has the width and line box of its layout, so
// figures are placed (right-aligned, centred) exactly where they were.
TEST(GlyphComposer, MeasuresAsTheLayoutDoes)
{
    for (const QFont &font : {test::dejaVuSans(13), boldMono(20), test::dejaVuSans(9)}) {
        const QFontMetricsF metrics(font);
        int measured = 0;
        for (int i = 0; i < 3000; i += 37) {
            const QString text = QString::number(i / 7.0, 'f', 2) + QStringLiteral("GB ") + QString::number(i)
                + QStringLiteral("% -+:/()KMs");
            const std::optional<GlyphComposer::Line> line = GlyphComposer::measure(text, font);
            if (!line)
                continue; // a pair this font kerns: left to the layout
            ++measured;
            const ShapedTextCache::Shaped shaped = ShapedTextCache::shaped(text, font);
            EXPECT_DOUBLE_EQ(line->size.width(), shaped.size.width()) << text.toStdString();
            EXPECT_DOUBLE_EQ(line->size.width(), metrics.horizontalAdvance(text)) << text.toStdString();
            EXPECT_DOUBLE_EQ(line->size.height(), shaped.size.height());
            EXPECT_DOUBLE_EQ(line->ascent, metrics.ascent());
            EXPECT_DOUBLE_EQ(line->descent, metrics.descent());
        }
        EXPECT_GT(measured, 40) << font.family().toStdString() << " " << font.pixelSize();
    }
}

// A pair the font moves closer or joins is not laid side by side: such a text is left to the
// layout, and so are characters beyond printable ASCII and the empty text.
TEST(GlyphComposer, PairsTheFontKernsAndOtherCharactersAreLeftToTheLayout)
{
    const QFont font = test::dejaVuSans(20);
    int kerned = 0;
    for (const char *pair : {"AV", "To", "Te", "LT", "P.", "Yo", "VA", "T.", "Wa"}) {
        const QString text = QString::fromLatin1(pair);
        const double together = ShapedTextCache::shaped(text, font).size.width();
        const double apart = ShapedTextCache::shaped(text.left(1), font).size.width()
            + ShapedTextCache::shaped(text.mid(1), font).size.width();
        if (std::abs(together - apart) < 1e-6)
            continue;
        ++kerned;
        EXPECT_FALSE(GlyphComposer::measure(text, font).has_value()) << pair;
        // The characters on their own still compose.
        EXPECT_TRUE(GlyphComposer::measure(text.left(1), font).has_value()) << pair;
    }
    EXPECT_GT(kerned, 2) << "the font kerns none of the pairs; the check proves nothing";
    EXPECT_FALSE(GlyphComposer::measure(QStringLiteral("21\u00b0C"), font).has_value());
    // Far beyond a status figure's size: drawn whole.
    EXPECT_FALSE(GlyphComposer::measure(QStringLiteral("42"), test::dejaVuSans(200)).has_value());
    EXPECT_FALSE(GlyphComposer::measure(QString(), font).has_value());
    bool drawn = true;
    const QImage image = composed(QStringLiteral("AV"), font, Qt::black, std::nullopt, {2, 2}, Qt::transparent, &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(test::differingPixels(image, background(Qt::transparent)), 0) << "nothing drawn when refused";
}

// Painters that scale, fade or draw on a high-density device, and threads other than the
// GUI's, get no composed text: the caller draws it whole.
TEST(GlyphComposer, CanvasesAndThreadsItDoesNotServeAreRefused)
{
    const QFont font = boldMono(20);
    QImage image = background(Qt::transparent);
    {
        QPainter scaled(&image);
        scaled.scale(2, 2);
        EXPECT_FALSE(GlyphComposer::draw(OrbCanvas(scaled, 40), QStringLiteral("5%"), font, Qt::black, std::nullopt,
                                         {1, 1}));
    }
    {
        QPainter faded(&image);
        faded.setOpacity(0.5);
        EXPECT_FALSE(GlyphComposer::draw(OrbCanvas(faded, 40), QStringLiteral("5%"), font, Qt::black, std::nullopt,
                                         {1, 1}));
    }
    EXPECT_EQ(test::differingPixels(image, background(Qt::transparent)), 0);
    bool measuredElsewhere = true;
    std::thread([&] { measuredElsewhere = GlyphComposer::measure(QStringLiteral("5%"), font).has_value(); }).join();
    EXPECT_FALSE(measuredElsewhere);
}
