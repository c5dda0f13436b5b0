#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRawFont>
#include <QSizeF>
#include <QStringView>
#include <array>
#include <bitset>
#include <optional>
#include <vector>

namespace orb {

struct OrbShadow;

// Figures change on most passes ("4.95GB", "41%", "12.3KB/s"), and laying out and drawing
// each new one as a whole text cost tens of allocations and most of a redraw. In a font whose
// characters sit side by side (no kerning, joining or other glyphs between them) such a text
// is its characters' glyphs placed by their advances: each character is laid out once, each
// glyph's coverage drawn once per sub-pixel place, and a new figure is measured by adding
// advances and drawn by blending those coverages in its colour, with no allocation. What a
// font does to a pair of characters is learnt by laying out every pair with the first of them
// once; a text with a pair the font treats otherwise, or a character beyond printable ASCII,
// is left to the whole text layout. GUI thread only; other threads are always left to it.
class GlyphComposer {
public:
    struct Line {
        QSizeF size; // advance width, ascent + descent
        double ascent = 0.0;
        double descent = 0.0;
    };
    // The line box of `text` in `font` when the text can be composed, else nullopt.
    static std::optional<Line> measure(QStringView text, const QFont &font);
    // Draws `text` with its line's top-left at `top` in the painter's coordinates, shadow
    // first; false, with nothing drawn, when the text cannot be composed or the canvas does
    // not draw one to one into pixels.
    static bool draw(const OrbCanvas &canvas, QStringView text, const QFont &font, const QColor &foreground,
                     const std::optional<OrbShadow> &shadow, const QPointF &top);

private:
    static constexpr char16_t kFirst = 0x20;
    static constexpr char16_t kLast = 0x7e;
    static constexpr int kChars = kLast - kFirst + 1;
    static constexpr int kSubpixel = 64;
    static constexpr double kMaxInk = 64.0; // pixels

    struct Glyph {
        quint32 index = 0;
        int advance = 0; // 1/64 pixel
        int offset = 0;  // 1/64 pixel: where the glyph sits from its pen position
        bool laidOut = false; // alone, as one glyph of the font's own face
        bool pairsLearnt = false;
    };
    struct FontGlyphs {
        QFont font;
        quint64 id = 0;
        QRawFont face;
        double ascent = 0.0, descent = 0.0, height = 0.0;
        double baseline = 0.0; // of the glyphs, from the line's top
        std::array<Glyph, kChars> glyphs{};
        std::bitset<kChars * kChars> joined; // pairs laid out otherwise than side by side
    };
    static GlyphComposer &instance();
    FontGlyphs &fontGlyphs(const QFont &font);
    static void learnFace(FontGlyphs &f);
    static void learnPairs(FontGlyphs &f, int c);
    // Whether `text` is composed in `f`, learning the pairs of its characters as needed.
    static bool composes(FontGlyphs &f, QStringView text);
    static int slot(QChar c) { return c.unicode() - kFirst; }

    // One glyph's coverage at one vertical sub-pixel place, drawn at every horizontal one:
    // the raster engine has a few distinct renderings of a glyph across a pixel, and each of
    // the 64 places points at one of them. Coverage, not colour: the engine blends any colour
    // through the same coverage, so texts whose colour follows their figure share the strips.
    struct Drawn {
        QImage mask; // Format_Alpha8, cut to its painted pixels; null when none
        QPoint offset; // of the mask from the pixel that holds the glyph's origin
    };
    struct StripKey {
        quint64 fontId = 0;
        quint32 glyph = 0;
        int fractionY = 0;
        int hints = 0;
        bool operator==(const StripKey &) const = default;
    };
    friend size_t qHash(const StripKey &key, size_t seed);
    struct Strip {
        std::array<quint8, kSubpixel> variantAt{};
        std::vector<Drawn> variants;
        quint64 used = 0;
    };
    const Strip &strip(const FontGlyphs &f, quint32 glyph, int fractionY, QPainter::RenderHints hints);
    // A transparent area of at least `width` x `height` pixels at the top-left of the sheet.
    QImage &clearedSheet(int width, int height);
    // Blends the glyphs of `text` in `colour` (premultiplied) into `target` with the line's
    // top-left at `top` (device pixels).
    void drawLayer(QImage &target, const FontGlyphs &f, QStringView text, quint32 colour, QPointF top,
                   QPainter::RenderHints hints);

    static constexpr int kMaxFonts = 16;
    static constexpr qsizetype kMaxStrips = 512;
    std::vector<FontGlyphs> fonts_;
    quint64 lastFontId_ = 0;
    QHash<StripKey, Strip> strips_;
    QImage sheet_;
    quint64 useClock_ = 0;
};

} // namespace orb
