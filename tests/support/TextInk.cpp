#include "TextInk.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace orb::test {
namespace {

using Inked = std::function<bool(const QColor &)>;

// A glyph's body: at least half as opaque as the colour and within a few steps of it.
// Anti-aliased edges fall out; the slack of the comparison covers them.
bool isInk(const QColor &pixel, const QColor &colour)
{
    return pixel.alpha() >= std::max(colour.alpha() / 2, 1) && std::abs(pixel.red() - colour.red()) <= 24
        && std::abs(pixel.green() - colour.green()) <= 24 && std::abs(pixel.blue() - colour.blue()) <= 24;
}

// Ink pixels of an image, by image coordinates.
class Mask {
public:
    Mask(const QImage &image, const QRect &area, const Inked &inked) : area_(area.intersected(image.rect()))
    {
        bits_.resize(size_t(std::max(0, area_.width() * area_.height())));
        for (int y = area_.top(); y <= area_.bottom(); ++y)
            for (int x = area_.left(); x <= area_.right(); ++x)
                if (inked(image.pixelColor(x, y))) {
                    bits_[index(x, y)] = true;
                    box_ |= QRect(x, y, 1, 1);
                }
    }
    QRect box() const { return box_; }
    bool at(int x, int y) const { return area_.contains(x, y) && bits_[index(x, y)]; }

private:
    size_t index(int x, int y) const { return size_t((y - area_.top()) * area_.width() + (x - area_.left())); }
    QRect area_;
    QRect box_;
    std::vector<bool> bits_;
};

// `text` in black on a clear sheet, and where each character's pen position falls.
struct Sheet {
    QImage image;
    std::vector<double> starts; // x of each character's start, then the end of the text
};

Sheet set(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font);
    const double margin = std::ceil(metrics.height());
    Sheet s;
    s.image = QImage(int(std::ceil(metrics.horizontalAdvance(text) + 2 * margin)), int(3 * margin),
                     QImage::Format_ARGB32_Premultiplied);
    s.image.fill(Qt::transparent);
    QPainter p(&s.image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(margin, margin + metrics.ascent()), text);
    p.end();
    for (qsizetype i = 0; i <= text.size(); ++i)
        s.starts.push_back(margin + metrics.horizontalAdvance(text.left(i)));
    return s;
}

// Ink pixels of the candidate's `glyph` and of the drawn ink under it when moved by
// `offset`: how many lie in both, and how many in either.
struct Overlap {
    int both = 0, either = 0;
    double share() const { return either ? double(both) / either : 0.0; }
};

Overlap overlap(const Mask &drawn, const Mask &candidate, const QRect &glyph, const QPoint &offset)
{
    Overlap o;
    for (int y = glyph.top(); y <= glyph.bottom(); ++y)
        for (int x = glyph.left(); x <= glyph.right(); ++x) {
            const bool c = candidate.at(x, y);
            const bool d = drawn.at(x + offset.x(), y + offset.y());
            o.both += c && d ? 1 : 0;
            o.either += c || d ? 1 : 0;
        }
    return o;
}

} // namespace

double inkLikeness(const QImage &image, const QRect &area, const QColor &colour, const QString &text,
                   const QFont &font)
{
    const Mask drawn(image, area, [&](const QColor &c) { return isInk(c, colour); });
    const QRect box = drawn.box();
    if (box.isEmpty() || text.trimmed().isEmpty())
        return 0.0;

    // The candidate at the pixel size whose ink is as high as the drawn ink. Status images
    // are drawn large and scaled down, so the two differ by a pixel here and there: each
    // character is compared on its own, moved by up to two pixels to its best fit.
    const auto candidateInk = [](const QColor &c) { return c.alpha() >= 128; };
    double likeness = 0.0;
    for (int size = 4; size <= 4 * box.height(); ++size) {
        QFont f = font;
        f.setPixelSize(size);
        const Sheet sheet = set(text, f);
        const Mask candidate(sheet.image, sheet.image.rect(), candidateInk);
        const QRect cbox = candidate.box();
        if (cbox.height() > box.height() + 1)
            break;
        // Another number of characters, or other characters, makes another width.
        if (cbox.height() < box.height() - 1 || std::abs(cbox.width() - box.width()) > std::max(3, box.width() / 12))
            continue;
        const double scale = double(box.width()) / cbox.width();
        Overlap all;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const double start = sheet.starts[size_t(i)], end = sheet.starts[size_t(i) + 1];
            const QRect cell(int(std::floor(start)), cbox.top(), int(std::ceil(end - std::floor(start))), cbox.height());
            const QRect glyph = Mask(sheet.image, cell, candidateInk).box();
            if (glyph.isEmpty())
                continue; // a space
            const QPoint place(box.left() + int(std::lround((glyph.left() - cbox.left()) * scale)) - glyph.left(),
                               box.top() - cbox.top());
            Overlap best;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const Overlap o = overlap(drawn, candidate, glyph, place + QPoint(dx, dy));
                    if (o.share() > best.share())
                        best = o;
                }
            all.both += best.both;
            all.either += best.either;
        }
        likeness = std::max(likeness, all.share());
    }
    return likeness;
}

QString readInk(const QImage &image, const QRect &area, const QColor &colour, const QFont &font,
                const QStringList &candidates)
{
    QString read;
    double best = 0.0, second = 0.0;
    for (const QString &c : candidates) {
        const double likeness = inkLikeness(image, area, colour, c, font);
        if (likeness > best) {
            second = best;
            best = likeness;
            read = c;
        } else {
            second = std::max(second, likeness);
        }
    }
    return best >= kSameText && best - second >= kTextMargin ? read : QString();
}

QColor over(const QColor &top, const QColor &bottom)
{
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(Qt::transparent);
    QPainter p(&pixel);
    p.fillRect(0, 0, 1, 1, bottom);
    p.fillRect(0, 0, 1, 1, top);
    p.end();
    return pixel.pixelColor(0, 0);
}

} // namespace orb::test
