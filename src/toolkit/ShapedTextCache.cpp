#include "toolkit/ShapedTextCache.h"

#include "toolkit/RecentlyUsed.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QThread>
#include <algorithm>

namespace orb {

ShapedTextCache::Shaped ShapedTextCache::layOut(const QString &text, const QFont &font)
{
    Shaped s;
    const QFontMetricsF metrics(font);
    s.ascent = metrics.ascent();
    s.descent = metrics.descent();
    QTextLayout layout(text, font);
    // Without the cache the layout drops its shaping at endLayout() and shapes the text
    // again for the glyph runs.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    // One shaping serves both the width and the glyphs.
    s.size = {line.isValid() ? line.horizontalAdvance() : 0.0, metrics.height()};
    if (line.isValid())
        s.runs = layout.glyphRuns();
    return s;
}

ShapedTextCache::Shaped ShapedTextCache::shaped(const QString &text, const QFont &font)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return layOut(text, font);
    // Kept for the whole run on purpose: destroying glyph runs after the application has
    // torn its font engines down would crash at exit.
    static auto *cache = new ShapedTextCache;
    auto &fonts = cache->fonts_;
    // Callers hand the same font object pass after pass: a shared copy is the same font
    // without comparing every attribute.
    auto it = std::find_if(fonts.begin(), fonts.end(), [&](const FontEntries &e) { return e.font.isCopyOf(font); });
    if (it == fonts.end())
        it = std::find_if(fonts.begin(), fonts.end(), [&](const FontEntries &e) { return e.font == font; });
    if (it == fonts.end()) {
        if (static_cast<int>(fonts.size()) >= kMaxFonts)
            fonts.erase(fonts.begin());
        fonts.push_back({font, ++cache->lastFontId_, {}});
        it = fonts.end() - 1;
    }
    if (auto found = it->texts.find(text); found != it->texts.end()) {
        found->used = ++cache->useClock_;
        return found->shaped;
    }
    if (it->texts.size() >= kMaxTextsPerFont)
        dropLeastRecentlyUsedHalf(it->texts);
    Shaped shaped = layOut(text, font);
    shaped.fontId = it->id;
    return it->texts.insert(text, {std::move(shaped), ++cache->useClock_})->shaped;
}

} // namespace orb
