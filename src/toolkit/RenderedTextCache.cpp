#include "toolkit/RenderedTextCache.h"

#include "toolkit/OrbColors.h"
#include "toolkit/OrbPixelOps.h"
#include "toolkit/RecentlyUsed.h"

#include <QCoreApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

constexpr double kSubpixel = 64.0;

int sixtyFourths(double v) { return static_cast<int>(std::lround(v * kSubpixel)); }

} // namespace

size_t qHash(const RenderedTextCache::Key &k, size_t seed)
{
    return qHashMulti(seed, k.text, k.fontId, k.foreground, k.shadow, k.shadowDx, k.shadowDy, k.fractionX, k.fractionY,
                      k.hints);
}

void RenderedTextCache::drawGlyphs(QPainter &p, const ShapedTextCache::Shaped &shaped, const QColor &foreground,
                                   const std::optional<OrbShadow> &shadow, const QPointF &top)
{
    p.save();
    if (OrbShadow::visible(shadow)) {
        // A blur of a pixel or less is drawn as a plain offset copy.
        p.setPen(shadow->color);
        for (const QGlyphRun &run : shaped.runs)
            p.drawGlyphRun(top + QPointF(shadow->offset.x(), -shadow->offset.y()), run);
    }
    p.setPen(foreground);
    for (const QGlyphRun &run : shaped.runs)
        p.drawGlyphRun(top, run);
    p.restore();
}

bool RenderedTextCache::draw(const OrbCanvas &canvas, const ShapedTextCache::Shaped &shaped, const QString &text,
                             const QFont &font, const QColor &foreground, const std::optional<OrbShadow> &shadow,
                             const QPointF &top)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || shaped.fontId == 0)
        return false;
    // Only a one-to-one copy gives the pixels direct drawing gives.
    const QTransform toDevice = canvas.deviceTransform();
    if (!canvas.mapsStraightToPixels() || toDevice.type() > QTransform::TxTranslate)
        return false;

    const QPointF at = toDevice.map(top);
    const QPainter::RenderHints hints = canvas.renderHints();
    const double wholeX = std::floor(at.x());
    const double wholeY = std::floor(at.y());
    Key key{text,
            shaped.fontId,
            foreground.rgba(),
            OrbShadow::visible(shadow) ? shadow->color.rgba() : 0u,
            OrbShadow::visible(shadow) ? sixtyFourths(shadow->offset.x()) : 0,
            OrbShadow::visible(shadow) ? sixtyFourths(shadow->offset.y()) : 0,
            sixtyFourths(at.x() - wholeX),
            sixtyFourths(at.y() - wholeY),
            static_cast<int>(hints)};
    // Kept for the whole run, like the shaped texts (their glyph runs outlive no font engine).
    static auto *cache = new RenderedTextCache;
    auto found = cache->images_.find(key);
    // Room around the line box for glyphs that reach past it and for the shadow.
    const int pad = 2 + static_cast<int>(std::ceil(font.pixelSize() > 0 ? font.pixelSize() / 3.0 : 4.0));
    if (found == cache->images_.end()) {
        const int width = static_cast<int>(std::ceil(shaped.size.width())) + 2 * pad;
        const int height = static_cast<int>(std::ceil(shaped.size.height())) + 2 * pad;
        if (width <= 2 * pad || height <= 2 * pad || width > 4096 || height > 4096)
            return false;
        QImage &image = cache->scratch(width, height);
        {
            QPainter q(&image);
            q.setRenderHints(hints);
            q.setFont(font);
            drawGlyphs(q, shaped, foreground, shadow,
                       QPointF(pad + key.fractionX / kSubpixel, pad + key.fractionY / kSubpixel));
        }
        if (cache->images_.size() >= kMaxImages)
            dropLeastRecentlyUsedHalf(cache->images_);
        found = cache->images_.insert(key, cropped(image));
    }
    found->used = ++cache->useClock_;
    if (found->image.isNull())
        return true; // nothing to copy: the text drew no pixel (spaces, a transparent colour)
    canvas.copyPixels(QPoint(static_cast<int>(wholeX) - pad, static_cast<int>(wholeY) - pad) + found->offset,
                      found->image);
    return true;
}

QImage &RenderedTextCache::scratch(int width, int height)
{
    const QSize size((width + 31) & ~31, (height + 7) & ~7);
    auto it = std::find_if(scratch_.begin(), scratch_.end(), [&](const QImage &i) { return i.size() == size; });
    if (it == scratch_.end()) {
        if (scratch_.size() >= kMaxScratch)
            scratch_.erase(scratch_.begin());
        scratch_.emplace_back(size, QImage::Format_ARGB32_Premultiplied);
        it = scratch_.end() - 1;
    }
    it->fill(Qt::transparent);
    return *it;
}

RenderedTextCache::Rendered RenderedTextCache::cropped(const QImage &drawn)
{
    const QRect painted = OrbPixelOps::paintedRect(drawn, drawn.rect());
    if (painted.isNull())
        return {};
    return {drawn.copy(painted), painted.topLeft()};
}

} // namespace orb
