#include "platform/statusbar/CompactIcon.h"
#include "toolkit/OrbBandedFill.h"

#include <QFont>
#include <QHash>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace orb {

namespace {
double clampedFraction(const TrayHeadline &h)
{
    if (!(h.fraction >= 0.0)) // also NaN
        return -1.0;
    return std::min(h.fraction, 1.0);
}

// The figure's bold font at `pixels` high, with its metrics, made once per size (every
// update draws all the sizes in turn). Used on the UI thread only.
struct SizedFont {
    QFont font;
    QFontMetricsF metrics;
};
const SizedFont &figureFont(int pixels)
{
    static std::unordered_map<int, SizedFont> fonts;
    auto it = fonts.find(pixels);
    if (it == fonts.end()) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setStyleStrategy(QFont::PreferAntialias);
        f.setPixelSize(pixels);
        it = fonts.emplace(pixels, SizedFont{f, QFontMetricsF(f)}).first;
    }
    return it->second;
}

// The largest bold font size at which `text` fits `width` pixels, at most `maxPixels` high;
// 0 when even `minPixels` does not fit.
int fittingPixelSize(const QString &text, double width, int maxPixels, int minPixels)
{
    for (int px = maxPixels; px >= minPixels; --px)
        if (figureFont(px).metrics.horizontalAdvance(text) <= width)
            return px;
    return 0;
}

struct FigureFit {
    int pixelSize = 0; // 0: the figure does not fit
    double squeeze = 1.0; // horizontal scale of the text, below 1 for a narrowed figure
};

// How the figure is set in an icon of `pixels`: the largest font it fits at, else the
// smallest font narrowed to fit, down to three quarters of its width (four characters such
// as "1.2M" at 22 pixels); nothing when even that is too wide. Worked out once per shape:
// digits all take one width in the font, so "12%" and "88%" share one entry and the table
// stays small. Used on the UI thread only.
FigureFit figureFit(int pixels, const QString &text, double width)
{
    static QHash<QString, FigureFit> known;
    QString shape = QString::number(pixels) + QLatin1Char(':') + text;
    for (qsizetype i = shape.indexOf(QLatin1Char(':')) + 1; i < shape.size(); ++i)
        if (shape[i].isDigit())
            shape[i] = QLatin1Char('8');
    const auto it = known.constFind(shape);
    if (it != known.constEnd())
        return it.value();
    constexpr int kSmallest = 7;
    const QString sample = shape.mid(shape.indexOf(QLatin1Char(':')) + 1);
    FigureFit fit;
    fit.pixelSize = fittingPixelSize(sample, width, static_cast<int>(std::floor(pixels * 0.62)), kSmallest);
    if (fit.pixelSize == 0) {
        const double natural = figureFont(kSmallest).metrics.horizontalAdvance(sample);
        if (natural > 0.0 && width / natural >= 0.75) {
            fit.pixelSize = kSmallest;
            fit.squeeze = width / natural;
        }
    }
    known.insert(shape, fit);
    return fit;
}
} // namespace

int CompactIcon::level(const TrayHeadline &headline)
{
    const double f = clampedFraction(headline);
    return f < 0.0 ? -1 : static_cast<int>(std::lround(f * 100.0));
}

QString CompactIcon::figureText(const TrayHeadline &headline)
{
    const int l = level(headline);
    if (l < 0)
        return {};
    if (!headline.figure.isEmpty())
        return headline.figure;
    return QString::number(l);
}

namespace {
struct TileShape {
    double rim = 1.0;
    QRectF inner; // inside the rim
    QRectF well;  // where the gauge and figure go
};

TileShape tileShape(int s)
{
    const double rim = s >= 32 ? 2.0 : 1.0;
    const QRectF inner = QRectF(0, 0, s, s).adjusted(rim, rim, -rim, -rim);
    // The smallest icons give the gauge and figure every pixel inside the rim.
    const double pad = s >= 32 ? 2.0 : (s >= 20 ? 1.0 : 0.0);
    return {rim, inner, inner.adjusted(pad, pad, -pad, -pad)};
}

QRectF pieDisc(const QRectF &well)
{
    const double d = std::min(well.width(), well.height());
    return {well.center().x() - d / 2, well.center().y() - d / 2, d, d};
}

QRect barTrack(const TileShape &shape) { return shape.well.toAlignedRect().intersected(shape.inner.toRect()); }

// The icon before its reading: rim, tile and the gauge's empty track. It is the same for
// every reading of a size and gauge, so it is drawn once and copied. UI thread only.
const QImage &emptyTile(int s, TrayHeadline::Gauge gauge)
{
    static QHash<int, QImage> tiles;
    const int key = s * 2 + (gauge == TrayHeadline::Gauge::Pie ? 1 : 0);
    const auto it = tiles.constFind(key);
    if (it != tiles.constEnd())
        return it.value();
    QImage image(s, s, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Tile with a light rim: its edge shows on a dark bar, its body on a light one.
    const TileShape shape = tileShape(s);
    const double radius = s * 0.18;
    QPainterPath rimShape;
    rimShape.addRoundedRect(QRectF(0, 0, s, s), radius, radius);
    OrbBandedFill::fillPath(p, rimShape, CompactIcon::rimColour());
    const double innerRadius = std::max(radius - shape.rim, 0.0);
    QPainterPath tile;
    tile.addRoundedRect(shape.inner, innerRadius, innerRadius);
    OrbBandedFill::fillPath(p, tile, CompactIcon::tileColour());
    if (gauge == TrayHeadline::Gauge::Pie) {
        QPainterPath track;
        track.addEllipse(pieDisc(shape.well));
        OrbBandedFill::fillPath(p, track, CompactIcon::trackColour());
    } else {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(barTrack(shape), CompactIcon::trackColour());
    }
    p.end();
    return *tiles.insert(key, image);
}

// The figure as the icon shows it, over transparency: white, outlined in the tile's colour
// so that it reads over any fill, about the well's centre and narrowed there when it needs
// it. Shaping it and drawing it nine times was most of a render; figures come back often
// (an idle CPU shows a handful), so each is drawn once per size and kept. Null when the
// figure does not fit. UI thread only.
QHash<QPair<int, QString>, QImage> &keptFigures()
{
    static QHash<QPair<int, QString>, QImage> figures;
    return figures;
}

const QImage &keptFigure(int s, const QString &text, const QRectF &well)
{
    QHash<QPair<int, QString>, QImage> &figures = keptFigures();
    constexpr qsizetype kMaxFigures = 256;
    const QPair<int, QString> key(s, text);
    if (const auto it = figures.constFind(key); it != figures.constEnd())
        return it.value();
    if (figures.size() >= kMaxFigures)
        figures.clear();
    QImage image;
    const FigureFit fit = figureFit(s, text, well.width());
    if (fit.pixelSize > 0) {
        image = QImage(s, s, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const SizedFont &sized = figureFont(fit.pixelSize);
        // Shaped once, measured and drawn nine times from that.
        QTextLayout layout(text, sized.font);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const double w = line.horizontalAdvance();
        p.translate(well.center().x(), well.center().y());
        p.scale(fit.squeeze, 1.0);
        const QPointF base(-w / 2.0, sized.metrics.capHeight() / 2.0);
        // The outline is the figure drawn around itself (glyphs come from the font cache, so
        // this costs far less than stroking an outline path).
        const double o = s < 20 ? 0.75 : std::max(1.0, s / 22.0);
        const QList<QGlyphRun> runs = layout.glyphRuns();
        const QPointF origin = base - QPointF(0.0, line.ascent());
        const auto drawAt = [&](QPointF at) {
            for (const QGlyphRun &run : runs)
                p.drawGlyphRun(at, run);
        };
        p.setPen(CompactIcon::tileColour());
        for (const QPointF d : {QPointF(-o, 0), QPointF(o, 0), QPointF(0, -o), QPointF(0, o), QPointF(-o, -o),
                                QPointF(o, -o), QPointF(-o, o), QPointF(o, o)})
            drawAt(origin + d);
        p.setPen(CompactIcon::figureColour());
        drawAt(origin);
    }
    return *figures.insert(key, image);
}
} // namespace

void CompactIcon::forgetFigures() { keptFigures().clear(); }

CompactIcon::Look CompactIcon::look(const TrayHeadline &headline, int pixels)
{
    Look l;
    l.pixels = std::max(pixels, 8);
    l.gauge = headline.gauge;
    const QColor fill = headline.colour.isValid() ? headline.colour : defaultFill();
    l.colour = fill.rgba();
    const double f = clampedFraction(headline);
    if (f > 0.0) {
        if (l.gauge == TrayHeadline::Gauge::Pie) {
            // From twelve o'clock, clockwise, in whole sixteenths of a degree.
            l.filled = static_cast<int>(std::lround(f * 360.0 * 16.0));
        } else {
            // Whole pixels, at least one for any load above zero.
            l.filled = std::max(1, static_cast<int>(std::lround(f * barTrack(tileShape(l.pixels)).height())));
        }
    }
    l.figure = figureText(headline);
    return l;
}

QImage CompactIcon::render(const TrayHeadline &headline, int pixels) { return render(look(headline, pixels)); }

QImage CompactIcon::render(const Look &l)
{
    const int s = l.pixels;
    const QColor fill = QColor::fromRgba(l.colour);
    const TileShape shape = tileShape(s);
    QImage image = emptyTile(s, l.gauge).copy();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF &well = shape.well;

    if (l.filled >= 0 && l.gauge == TrayHeadline::Gauge::Pie) {
        const QRectF disc = pieDisc(well);
        QPainterPath wedge(disc.center());
        wedge.arcTo(disc, 90.0, -l.filled / 16.0);
        wedge.closeSubpath();
        OrbBandedFill::fillPath(p, wedge, fill);
    } else if (l.filled >= 0) {
        const QRect track = barTrack(shape);
        p.fillRect(QRect(track.left(), track.bottom() + 1 - l.filled, track.width(), l.filled), fill);
    }

    if (!l.figure.isEmpty()) {
        const QImage &figure = keptFigure(s, l.figure, well);
        if (!figure.isNull())
            p.drawImage(0, 0, figure);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage CompactIcon::fitted(const QImage &wide, int pixels)
{
    const int s = std::max(pixels, 8);
    QImage image(s, s, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (wide.isNull())
        return image;
    QImage scaled = wide.scaled(s, s, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(1.0);
    QPainter p(&image);
    p.drawImage(QPoint((s - scaled.width()) / 2, (s - scaled.height()) / 2), scaled);
    p.end();
    return image;
}

} // namespace orb
