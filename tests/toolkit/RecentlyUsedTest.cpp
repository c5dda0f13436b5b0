#include "toolkit/RecentlyUsed.h"
#include "toolkit/ShapedTextCache.h"

#include <QFont>
#include <QHash>
#include <gtest/gtest.h>

using namespace orb;

namespace {
struct Stamped {
    quint64 used = 0;
};
} // namespace

// A full cache keeps the half used most recently, whatever order the entries were made in.
TEST(RecentlyUsed, AFullCacheKeepsTheHalfUsedLast)
{
    QHash<int, Stamped> hash;
    for (int key = 0; key < 10; ++key)
        hash.insert(key, {static_cast<quint64>((key * 7) % 10)}); // stamps 0..9, shuffled
    dropLeastRecentlyUsedHalf(hash);
    ASSERT_EQ(hash.size(), 5);
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        EXPECT_GE(it->used, 5u) << "key " << it.key();

    QHash<int, Stamped> one{{1, {3}}};
    dropLeastRecentlyUsedHalf(one);
    EXPECT_TRUE(one.isEmpty()) << "a cache of one starts again";
}

// Free memory to two decimals is a new text on most passes; the item's other texts, drawn on
// every pass, must stay laid out while those pass through, and an old figure must not.
TEST(RecentlyUsed, ATextLaidOutEveryPassStaysWhileNewFiguresPassThrough)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(17);
    const QString label = QStringLiteral("CPU");
    const QList<QGlyphRun> first = ShapedTextCache::shaped(label, font).runs;
    const QList<QGlyphRun> oldFigure = ShapedTextCache::shaped(QStringLiteral("0.00GB"), font).runs;
    ASSERT_FALSE(first.isEmpty());
    for (int pass = 1; pass < 2000; ++pass) {
        ShapedTextCache::shaped(QString::number(pass / 100.0, 'f', 2) + QStringLiteral("GB"), font);
        // The cache hands out the layout it keeps, so a kept text comes back as the same list.
        ASSERT_EQ(ShapedTextCache::shaped(label, font).runs.constData(), first.constData()) << "pass " << pass;
    }
    EXPECT_NE(ShapedTextCache::shaped(QStringLiteral("0.00GB"), font).runs.constData(), oldFigure.constData());
}
