#include "toolkit/GlyphComposer.h"

#include "toolkit/OrbColors.h"
#include "toolkit/OrbPixelOps.h"
#include "toolkit/RecentlyUsed.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace orb {
namespace {

bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// A coordinate in 1/64 pixel, cut as the raster engine cuts a glyph's place: down, not to
// the nearest (0.984 is 62/64 to it, not 63/64).
qint64 sixtyFourths(double v) { return static_cast<qint64>(std::floor(v * 64.0)); }

// A glyph's place as the pixel that holds it and the 1/64 pixel within.
struct Place {
    int whole = 0;
    int fraction = 0;
};
Place placeOf(double v)
{
    const qint64 at = sixtyFourths(v);
    return {static_cast<int>(at >> 6), static_cast<int>(at & 63)};
}

struct LaidOut {
    QList<QGlyphRun> runs;
    double advance = 0.0;
};

LaidOut layOut(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return {};
    return {layout.glyphRuns(), line.horizontalAdvance()};
}

} // namespace

GlyphComposer &GlyphComposer::instance()
{
    // Kept for the whole run on purpose: its faces must not outlive the application's font
    // engines at exit.
    static auto *composer = new GlyphComposer;
    return *composer;
}

size_t qHash(const GlyphComposer::StripKey &k, size_t seed)
{
    return qHashMulti(seed, k.fontId, k.glyph, k.fractionY, k.hints);
}

GlyphComposer::FontGlyphs &GlyphComposer::fontGlyphs(const QFont &font)
{
    // Callers hand the same font object pass after pass: a shared copy is the same font
    // without comparing every attribute.
    auto it = std::find_if(fonts_.begin(), fonts_.end(), [&](const FontGlyphs &f) { return f.font.isCopyOf(font); });
    if (it == fonts_.end())
        it = std::find_if(fonts_.begin(), fonts_.end(), [&](const FontGlyphs &f) { return f.font == font; });
    if (it != fonts_.end())
        return *it;
    if (static_cast<int>(fonts_.size()) >= kMaxFonts)
        fonts_.erase(fonts_.begin());
    FontGlyphs &f = fonts_.emplace_back();
    f.font = font;
    f.id = ++lastFontId_;
    learnFace(f);
    return f;
}

void GlyphComposer::learnFace(FontGlyphs &f)
{
    const QFontMetricsF metrics(f.font);
    f.ascent = metrics.ascent();
    f.descent = metrics.descent();
    f.height = metrics.height();
    // The face and baseline of the digits are the font's; a character drawn from another
    // face (a fallback font) is left to the whole text layout.
    const LaidOut zero = layOut(QStringLiteral("0"), f.font);
    if (zero.runs.size() != 1 || zero.runs.front().glyphIndexes().size() != 1)
        return;
    f.face = zero.runs.front().rawFont();
    f.baseline = zero.runs.front().positions().front().y();
    if (!f.face.isValid())
        return;
    for (char16_t c = kFirst; c <= kLast; ++c) {
        const LaidOut alone = layOut(QString(QChar(c)), f.font);
        if (alone.runs.size() != 1)
            continue;
        const QGlyphRun &run = alone.runs.front();
        if (run.glyphIndexes().size() != 1 || run.rawFont() != f.face || run.positions().front().y() != f.baseline)
            continue;
        // A glyph is drawn at 64 places side by side once; beyond a status figure's size that
        // costs more than it saves.
        const QRectF ink = f.face.boundingRect(run.glyphIndexes().front());
        if (ink.width() > kMaxInk || ink.height() > kMaxInk)
            continue;
        Glyph &g = f.glyphs[static_cast<size_t>(c - kFirst)];
        g.index = run.glyphIndexes().front();
        g.advance = static_cast<int>(sixtyFourths(alone.advance));
        g.offset = static_cast<int>(sixtyFourths(run.positions().front().x()));
        g.laidOut = true;
    }
}

void GlyphComposer::learnPairs(FontGlyphs &f, int c)
{
    // Every pair with `c` in both orders, in one line: c a c b c d ...
    QString pairs;
    pairs.reserve(2 * kChars);
    for (int d = 0; d < kChars; ++d)
        if (f.glyphs[static_cast<size_t>(d)].laidOut) {
            pairs.append(QChar(static_cast<char16_t>(kFirst + c)));
            pairs.append(QChar(static_cast<char16_t>(kFirst + d)));
        }
    f.glyphs[static_cast<size_t>(c)].pairsLearnt = true;
    const auto join = [&f](int a, int b) { f.joined.set(static_cast<size_t>(a * kChars + b)); };
    const LaidOut line = layOut(pairs, f.font);
    const QGlyphRun *run = line.runs.size() == 1 ? &line.runs.front() : nullptr;
    if (!run || run->glyphIndexes().size() != pairs.size() || run->rawFont() != f.face) {
        // Glyphs that do not match the characters one to one (a ligature): nothing with `c`
        // is composed.
        for (int d = 0; d < kChars; ++d) {
            join(c, d);
            join(d, c);
        }
        return;
    }
    const QList<quint32> indexes = run->glyphIndexes();
    const QList<QPointF> positions = run->positions();
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const int here = slot(pairs[i]);
        const Glyph &g = f.glyphs[static_cast<size_t>(here)];
        const qint64 x = sixtyFourths(positions[i].x());
        bool placed = positions[i].y() == f.baseline;
        if (i == 0) {
            placed = placed && x == g.offset;
        } else {
            const Glyph &before = f.glyphs[static_cast<size_t>(slot(pairs[i - 1]))];
            placed = placed && x == sixtyFourths(positions[i - 1].x()) - before.offset + before.advance + g.offset;
        }
        if (!placed && i > 0)
            join(slot(pairs[i - 1]), here);
        if (indexes[i] != g.index) {
            if (i > 0)
                join(slot(pairs[i - 1]), here);
            if (i + 1 < pairs.size())
                join(here, slot(pairs[i + 1]));
        }
    }
    // The last glyph's advance ends the line as it does alone.
    const Glyph &last = f.glyphs[static_cast<size_t>(slot(pairs.back()))];
    if (sixtyFourths(line.advance) != sixtyFourths(positions.back().x()) - last.offset + last.advance)
        join(slot(pairs[pairs.size() - 2]), slot(pairs.back()));
}

bool GlyphComposer::composes(FontGlyphs &f, QStringView text)
{
    if (text.isEmpty() || !f.face.isValid())
        return false;
    for (const QChar ch : text) {
        if (ch.unicode() < kFirst || ch.unicode() > kLast)
            return false;
        const Glyph &g = f.glyphs[static_cast<size_t>(slot(ch))];
        if (!g.laidOut)
            return false;
        if (!g.pairsLearnt)
            learnPairs(f, slot(ch));
    }
    for (qsizetype i = 1; i < text.size(); ++i)
        if (f.joined.test(static_cast<size_t>(slot(text[i - 1]) * kChars + slot(text[i]))))
            return false;
    return true;
}

std::optional<GlyphComposer::Line> GlyphComposer::measure(QStringView text, const QFont &font)
{
    if (!onGuiThread())
        return std::nullopt;
    FontGlyphs &f = instance().fontGlyphs(font);
    if (!composes(f, text))
        return std::nullopt;
    qint64 width = 0;
    for (const QChar ch : text)
        width += f.glyphs[static_cast<size_t>(slot(ch))].advance;
    return Line{QSizeF(static_cast<double>(width) / kSubpixel, f.height), f.ascent, f.descent};
}

bool GlyphComposer::draw(const OrbCanvas &canvas, QStringView text, const QFont &font, const QColor &foreground,
                         const std::optional<OrbShadow> &shadow, const QPointF &top)
{
    if (!onGuiThread())
        return false;
    // Only glyphs blended one to one into the image's pixels are the pixels direct drawing gives.
    const QTransform toDevice = canvas.deviceTransform();
    QImage *target = canvas.blendTarget();
    if (!target || toDevice.type() > QTransform::TxTranslate)
        return false;
    GlyphComposer &composer = instance();
    FontGlyphs &f = composer.fontGlyphs(font);
    if (!composes(f, text))
        return false;
    const QPainter::RenderHints hints = canvas.renderHints();
    const QPointF at = toDevice.map(top);
    // As drawn whole: every glyph's shadow, then every glyph.
    if (OrbShadow::visible(shadow))
        composer.drawLayer(*target, f, text, OrbPixelOps::premultiplied(shadow->color),
                            at + QPointF(shadow->offset.x(), -shadow->offset.y()), hints);
    composer.drawLayer(*target, f, text, OrbPixelOps::premultiplied(foreground), at, hints);
    return true;
}

void GlyphComposer::drawLayer(QImage &target, const FontGlyphs &f, QStringView text, quint32 colour,
                              QPointF top, QPainter::RenderHints hints)
{
    const Place y = placeOf(top.y() + f.baseline);
    qint64 pen = 0;
    for (const QChar ch : text) {
        const Glyph &g = f.glyphs[static_cast<size_t>(slot(ch))];
        const Place x = placeOf(top.x() + static_cast<double>(pen + g.offset) / kSubpixel);
        const Strip &s = strip(f, g.index, y.fraction, hints);
        const Drawn &drawn = s.variants[s.variantAt[static_cast<size_t>(x.fraction)]];
        if (!drawn.mask.isNull())
            OrbPixelOps::blendMask(target, QPoint(x.whole, y.whole) + drawn.offset, drawn.mask, colour);
        pen += g.advance;
    }
}

const GlyphComposer::Strip &GlyphComposer::strip(const FontGlyphs &f, quint32 glyph, int fractionY,
                                                 QPainter::RenderHints hints)
{
    const StripKey key{f.id, glyph, fractionY, static_cast<int>(hints)};
    auto found = strips_.find(key);
    if (found != strips_.end()) {
        found->used = ++useClock_;
        return *found;
    }
    // The glyph at each of the 64 places, one cell apart, drawn in one go. A cell holds the
    // glyph's ink with room for smoothing and for the move across a pixel.
    const QRectF ink = f.face.boundingRect(glyph);
    const int left = static_cast<int>(std::floor(ink.left())) - 2;
    const int top = static_cast<int>(std::floor(ink.top())) - 2;
    const int cell = static_cast<int>(std::ceil(ink.right())) + 3 - left;
    const int height = static_cast<int>(std::ceil(ink.bottom())) + 2 - top;
    QImage &sheet = clearedSheet(cell * kSubpixel, height);
    QGlyphRun run;
    run.setRawFont(f.face);
    QList<quint32> indexes(kSubpixel, glyph);
    QList<QPointF> positions(kSubpixel);
    for (int k = 0; k < kSubpixel; ++k)
        positions[k] = QPointF(k * cell + static_cast<double>(k) / kSubpixel, 0.0);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    {
        QPainter p(&sheet);
        p.setRenderHints(hints);
        p.setFont(f.font);
        // Opaque white: each channel of a pixel is then the glyph's coverage there.
        p.setPen(Qt::white);
        p.drawGlyphRun(QPointF(-left, -top + static_cast<double>(fractionY) / kSubpixel), run);
    }
    if (strips_.size() >= kMaxStrips)
        dropLeastRecentlyUsedHalf(strips_);
    Strip s;
    s.used = ++useClock_;
    for (int k = 0; k < kSubpixel; ++k) {
        const QRect cellRect(k * cell, 0, cell, height);
        const QRect painted = OrbPixelOps::paintedRect(sheet, cellRect);
        // From the pixel that holds the glyph's origin.
        const QPoint offset = painted.isNull() ? QPoint() : painted.topLeft() - cellRect.topLeft() + QPoint(left, top);
        // Most places share one of a few renderings: compared where they were drawn, and
        // only a new one is copied out.
        const auto coverageAt = [&](int x, int y) {
            return static_cast<uchar>(reinterpret_cast<const QRgb *>(sheet.constScanLine(y))[x] >> 24);
        };
        auto same = std::find_if(s.variants.begin(), s.variants.end(), [&](const Drawn &d) {
            if (d.offset != offset || d.mask.size() != painted.size())
                return false;
            for (int y = 0; y < painted.height(); ++y) {
                const uchar *row = d.mask.constScanLine(y);
                for (int x = 0; x < painted.width(); ++x)
                    if (row[x] != coverageAt(painted.left() + x, painted.top() + y))
                        return false;
            }
            return true;
        });
        if (same == s.variants.end()) {
            Drawn drawn{QImage(), offset};
            if (!painted.isNull()) {
                drawn.mask = QImage(painted.size(), QImage::Format_Alpha8);
                for (int y = 0; y < painted.height(); ++y) {
                    uchar *row = drawn.mask.scanLine(y);
                    for (int x = 0; x < painted.width(); ++x)
                        row[x] = coverageAt(painted.left() + x, painted.top() + y);
                }
            }
            same = s.variants.insert(s.variants.end(), std::move(drawn));
        }
        s.variantAt[static_cast<size_t>(k)] = static_cast<quint8>(same - s.variants.begin());
    }
    return *strips_.insert(key, std::move(s));
}

QImage &GlyphComposer::clearedSheet(int width, int height)
{
    // One image serves every strip, so its paint engine is set up once.
    if (sheet_.width() < width || sheet_.height() < height)
        sheet_ = QImage(std::max(width, sheet_.width()), std::max(height, sheet_.height()),
                        QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        std::memset(sheet_.scanLine(y), 0, 4 * static_cast<size_t>(width));
    return sheet_;
}

} // namespace orb
