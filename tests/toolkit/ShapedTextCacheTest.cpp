#include "toolkit/ShapedTextCache.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>
#include <thread>

using orb::ShapedTextCache;

namespace {
QFont font(int pixels, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
} // namespace

// Widths come from the cache, so they must stay those of the font: across fonts that share a
// text, after the per-font bound drops entries, and for texts with fallback glyphs.
TEST(ShapedTextCache, WidthsMatchTheFontThroughEviction)
{
    const QFont fonts[] = {font(20, true), font(20, false), font(26, true)};
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 600; i += 7) {
            const QString text = QString::number(i) + QStringLiteral("% 4.95GB");
            for (const QFont &f : fonts) {
                const ShapedTextCache::Shaped s = ShapedTextCache::shaped(text, f);
                const QFontMetricsF m(f);
                EXPECT_NEAR(s.size.width(), m.horizontalAdvance(text), 0.01) << text.toStdString();
                EXPECT_NEAR(s.size.height(), m.height(), 0.01);
                EXPECT_FALSE(s.runs.isEmpty());
            }
        }
    }
    EXPECT_TRUE(ShapedTextCache::shaped(QString(), fonts[0]).runs.isEmpty());
}

TEST(ShapedTextCache, OtherThreadsGetTheSameLayout)
{
    const QFont f = font(20, true);
    const QString text = QStringLiteral("U: 3.73GB");
    const double here = ShapedTextCache::shaped(text, f).size.width();
    double there = -1;
    // A plain thread, joined: its end is then visible to ThreadSanitizer, unlike QThread::wait.
    std::thread([&] { there = ShapedTextCache::shaped(text, f).size.width(); }).join();
    EXPECT_DOUBLE_EQ(here, there);
}
