// The square tray icon: it fills its cell at every size, its level follows the reading, its
// figure is shown where it fits, and it stands out on light and dark bars alike.
#include "platform/statusbar/CompactIcon.h"

#include <QPainter>
#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QColor kFill(0, 200, 0);

TrayHeadline reading(double fraction, TrayHeadline::Gauge gauge = TrayHeadline::Gauge::Bar)
{
    TrayHeadline h;
    h.fraction = fraction;
    h.colour = kFill;
    h.gauge = gauge;
    return h;
}

bool isFill(QRgb px) { return qRed(px) == 0 && qGreen(px) == 200 && qBlue(px) == 0 && qAlpha(px) == 255; }

// Rows of the gauge, bottom up: 'f' drawn in the fill colour somewhere in the row, 't' in the
// track colour, '?' hidden under the figure. Rows with neither are not part of the gauge.
QString gaugeRows(const QImage &image)
{
    QString rows;
    for (int y = image.height() - 1; y >= 0; --y) {
        bool fill = false, track = false, other = false;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            fill = fill || isFill(px);
            track = track || QColor(px) == CompactIcon::trackColour();
            other = other || (!isFill(px) && QColor(px) != CompactIcon::trackColour());
        }
        if (fill && track)
            rows += QLatin1Char('!');
        else if (fill)
            rows += QLatin1Char('f');
        else if (track)
            rows += QLatin1Char('t');
        else if (!rows.isEmpty() && other)
            rows += QLatin1Char('?');
    }
    while (rows.endsWith(QLatin1Char('?')))
        rows.chop(1);
    return rows;
}

double luminance(const QColor &c)
{
    const auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST(CompactIcon, BarLevelFollowsTheFractionAtEverySize)
{
    for (int size : CompactIcon::kSizes) {
        for (double fraction : {0.0, 0.1, 0.5, 0.75, 1.0}) {
            SCOPED_TRACE(testing::Message() << size << " px at " << fraction);
            const QImage icon = CompactIcon::render(reading(fraction), size);
            ASSERT_EQ(icon.size(), QSize(size, size));
            const QString rows = gaugeRows(icon);
            SCOPED_TRACE(rows.toStdString());
            // Nearly the whole height, filled from the bottom up and never mixed in a row.
            EXPECT_GE(rows.size(), size - 8);
            EXPECT_FALSE(rows.contains(QLatin1Char('!')));
            const qsizetype lastFill = rows.lastIndexOf(QLatin1Char('f'));
            const qsizetype firstTrack = rows.indexOf(QLatin1Char('t'));
            if (lastFill >= 0 && firstTrack >= 0) {
                EXPECT_LT(lastFill, firstTrack);
            }
            const double expected = fraction * static_cast<double>(rows.size());
            const auto fill = static_cast<double>(rows.count(QLatin1Char('f')));
            const auto hidden = static_cast<double>(rows.count(QLatin1Char('?')));
            EXPECT_LE(fill, expected + 1.0);
            EXPECT_GE(fill + hidden, expected - 1.0);
        }
    }
}

TEST(CompactIcon, PieSweepsClockwiseFromTwelve)
{
    const int s = 48;
    struct Case {
        double fraction;
        bool upperRight, lowerRight, lowerLeft, upperLeft;
    };
    for (const Case &c : {Case{0.2, true, false, false, false}, Case{0.45, true, true, false, false},
                          Case{0.7, true, true, true, false}, Case{1.0, true, true, true, true}}) {
        SCOPED_TRACE(c.fraction);
        const QImage icon = CompactIcon::render(reading(c.fraction, TrayHeadline::Gauge::Pie), s);
        // Points well inside each quadrant, away from the centred figure.
        const auto filled = [&](int x, int y) { return isFill(icon.pixel(x, y)); };
        EXPECT_EQ(filled(33, 10), c.upperRight);
        EXPECT_EQ(filled(33, 38), c.lowerRight);
        EXPECT_EQ(filled(15, 38), c.lowerLeft);
        EXPECT_EQ(filled(15, 10), c.upperLeft);
    }
}

TEST(CompactIcon, FigureIsShownWhereItFitsAndNothingWithoutAReading)
{
    const auto whitePixels = [](const QImage &image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qRed(image.pixel(x, y)) > 220 && qGreen(image.pixel(x, y)) > 220 && qBlue(image.pixel(x, y)) > 220;
        return n;
    };
    for (int size : CompactIcon::kSizes) {
        SCOPED_TRACE(size);
        EXPECT_GT(whitePixels(CompactIcon::render(reading(0.42), size)), size / 2);
        EXPECT_GT(whitePixels(CompactIcon::render(reading(0.42, TrayHeadline::Gauge::Pie), size)), size / 2);
        const QImage none = CompactIcon::render(reading(-1.0), size);
        EXPECT_EQ(whitePixels(none), 0);
        EXPECT_FALSE(gaugeRows(none).contains(QLatin1Char('f')));
        EXPECT_EQ(qAlpha(none.pixel(size / 2, 0)), 255); // the tile is there all the same
    }
    struct Case {
        double fraction;
        const char *text;
    };
    for (const Case &c : {Case{0.0, "0"}, Case{0.004, "0"}, Case{0.235, "24"}, Case{0.999, "100"}, Case{1.7, "100"},
                          Case{-0.1, ""}, Case{std::nan(""), ""}})
        EXPECT_EQ(CompactIcon::figureText(reading(c.fraction)), QString::fromLatin1(c.text)) << c.fraction;
}

TEST(CompactIcon, StandsOutOnLightAndDarkBars)
{
    // The rim against a black bar, the tile against a white one, the figure against the tile.
    EXPECT_GE(contrast(CompactIcon::rimColour(), Qt::black), 3.0);
    EXPECT_GE(contrast(CompactIcon::tileColour(), Qt::white), 3.0);
    EXPECT_GE(contrast(CompactIcon::figureColour(), CompactIcon::tileColour()), 4.5);
    // And what is drawn uses them: an icon over both bars keeps an opaque outline.
    const QImage icon = CompactIcon::render(reading(0.3), 22);
    for (const QColor bar : {QColor(Qt::black), QColor(Qt::white)}) {
        QImage onBar(22, 22, QImage::Format_ARGB32);
        onBar.fill(bar);
        QPainter p(&onBar);
        p.drawImage(0, 0, icon);
        p.end();
        EXPECT_GE(contrast(onBar.pixelColor(11, 0), bar), 3.0);
        EXPECT_GE(contrast(onBar.pixelColor(0, 11), bar), 3.0);
    }
}

TEST(CompactIcon, WideImageIsFittedKeepingItsShape)
{
    QImage wide(120, 40, QImage::Format_ARGB32);
    wide.fill(QColor(200, 30, 30));
    wide.setDevicePixelRatio(2.0);
    const QImage icon = CompactIcon::fitted(wide, 24);
    ASSERT_EQ(icon.size(), QSize(24, 24));
    EXPECT_DOUBLE_EQ(icon.devicePixelRatio(), 1.0);
    // 24 x 8 in the middle.
    EXPECT_EQ(icon.pixelColor(12, 12), QColor(200, 30, 30));
    EXPECT_EQ(qAlpha(icon.pixel(12, 7)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(12, 16)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(12, 8)), 255);
    EXPECT_EQ(qAlpha(CompactIcon::fitted(QImage(), 16).pixel(8, 8)), 0);
}

TEST(CompactIcon, OwnFigureReplacesThePercentWhereAModuleGivesOne)
{
    const auto whitePixels = [](const QImage &image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qRed(image.pixel(x, y)) > 220 && qGreen(image.pixel(x, y)) > 220 && qBlue(image.pixel(x, y)) > 220;
        return n;
    };
    struct Case {
        double fraction;
        const char *figure;
        const char *shown;
    };
    for (const Case &c : {Case{0.5, "1.2M", "1.2M"}, Case{0.62, "62\u00b0", "62\u00b0"}, Case{0.3, "", "30"},
                          Case{-1.0, "1.2M", ""}}) {
        SCOPED_TRACE(c.figure);
        TrayHeadline h = reading(c.fraction);
        h.figure = QString::fromUtf8(c.figure);
        EXPECT_EQ(CompactIcon::figureText(h), QString::fromUtf8(c.shown));
    }
    // Four characters still show from the usual tray cell up, and a new figure is a new icon.
    for (int size : {22, 24, 32, 48}) {
        SCOPED_TRACE(size);
        for (const char *figure : {"1.2M", "999K", "2.4K", "130\u00b0"}) {
            TrayHeadline h = reading(0.5);
            h.figure = QString::fromUtf8(figure);
            EXPECT_GT(whitePixels(CompactIcon::render(h, size)), size / 2) << figure;
        }
        TrayHeadline a = reading(0.5), b = reading(0.5);
        a.figure = QStringLiteral("1.2M");
        b.figure = QStringLiteral("7.5M");
        EXPECT_NE(CompactIcon::render(a, size), CompactIcon::render(b, size));
    }
}

// The empty tile of each size and gauge is drawn once and reused: an icon must come out the
// same whatever was drawn before it, and one reading's fill must never stay in the tile.
TEST(CompactIcon, AnIconIsTheSameWhateverWasDrawnBeforeIt)
{
    const TrayHeadline full = reading(1.0), fullPie = reading(1.0, TrayHeadline::Gauge::Pie);
    const TrayHeadline none = reading(0.0), nonePie = reading(0.0, TrayHeadline::Gauge::Pie);
    const QImage emptyBar = CompactIcon::render(none, 22), emptyPie = CompactIcon::render(nonePie, 22);
    for (int size : CompactIcon::kSizes) {
        CompactIcon::render(full, size);
        CompactIcon::render(fullPie, size);
    }
    EXPECT_EQ(CompactIcon::render(none, 22), emptyBar);
    EXPECT_EQ(CompactIcon::render(nonePie, 22), emptyPie);
    EXPECT_EQ(gaugeRows(emptyBar).count(QLatin1Char('f')), 0);
    EXPECT_NE(emptyBar, emptyPie) << "bar and pie tiles are kept apart";
    EXPECT_EQ(CompactIcon::render(none, 16).size(), QSize(16, 16));
}

TEST(CompactIcon, AKeptFigureDrawsTheIconAFreshOneDraws)
{
    // Figures are kept per size and text; an icon drawn with one drawn before for another
    // reading must be the icon a first drawing gives.
    QRandomGenerator random(31);
    const QString figures[] = {QString(), QStringLiteral("1.2M"), QStringLiteral("62°")};
    std::vector<std::pair<TrayHeadline, int>> drawn;
    for (int i = 0; i < 300; ++i) {
        TrayHeadline h = reading(random.bounded(41) / 40.0 + (random.bounded(9) - 4) / 1000.0,
                                 random.bounded(2) ? TrayHeadline::Gauge::Pie : TrayHeadline::Gauge::Bar);
        if (random.bounded(10) == 0)
            h.fraction = -1.0;
        h.figure = figures[random.bounded(3)];
        drawn.push_back({h, CompactIcon::kSizes[random.bounded(int(CompactIcon::kSizes.size()))]});
    }
    CompactIcon::forgetFigures();
    std::vector<QImage> withKept;
    for (const auto &[h, size] : drawn)
        withKept.push_back(CompactIcon::render(h, size));
    for (size_t i = 0; i < drawn.size(); ++i) {
        CompactIcon::forgetFigures();
        ASSERT_EQ(CompactIcon::render(drawn[i].first, drawn[i].second), withKept[i])
            << "reading " << drawn[i].first.fraction << " at " << drawn[i].second;
    }
}
