#pragma once
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QSizeF>
#include <QString>
#include <vector>

namespace orb {

// Texts already laid out in a font: their glyph runs, advance width and line metrics.
// Status images draw the same few strings ("41%", "U: 4.95GB") on every redraw; shaping
// them again each time was most of a redraw's cost. Used on the GUI thread only; other
// threads lay the text out afresh.
class ShapedTextCache {
public:
    struct Shaped {
        QList<QGlyphRun> runs; // positions relative to the line's top-left corner
        QSizeF size;           // advance width, ascent + descent
        double ascent = 0.0;
        double descent = 0.0;
        // Tells the cache's fonts apart without comparing them; never reused. 0: laid out
        // outside the cache.
        quint64 fontId = 0;
    };

    // The layout of `text` in `font`, from the cache when this is the GUI thread.
    static Shaped shaped(const QString &text, const QFont &font);

private:
    static Shaped layOut(const QString &text, const QFont &font);

    struct Entry {
        Shaped shaped;
        quint64 used = 0;
    };
    struct FontEntries {
        QFont font;
        quint64 id = 0;
        QHash<QString, Entry> texts;
    };
    // Bounds that keep the cache small whatever the texts: the oldest font goes first; a full
    // font drops the half of its texts used longest ago.
    static constexpr int kMaxFonts = 16;
    static constexpr qsizetype kMaxTextsPerFont = 256;
    std::vector<FontEntries> fonts_;
    quint64 lastFontId_ = 0;
    quint64 useClock_ = 0;
};

} // namespace orb
