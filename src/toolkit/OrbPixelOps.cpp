#include "toolkit/OrbPixelOps.h"

#include <QRgba64>
#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace orb {
namespace {

// x * a / 255 for each channel at once, rounded as the raster painter rounds.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

inline quint32 over(quint32 source, quint32 dest) { return source + byteMul(dest, 255 - (source >> 24)); }

#ifdef __SSE2__
// byteMul for four pixels; `alpha` holds each pixel's factor in both of its 16-bit halves.
inline __m128i byteMul4(__m128i x, __m128i alpha)
{
    const __m128i redBlue = _mm_set1_epi32(0x00ff00ff);
    const __m128i half = _mm_set1_epi16(0x80);
    __m128i ag = _mm_mullo_epi16(_mm_srli_epi16(x, 8), alpha);
    __m128i rb = _mm_mullo_epi16(_mm_and_si128(x, redBlue), alpha);
    rb = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half), 8);
    ag = _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half);
    return _mm_or_si128(_mm_andnot_si128(redBlue, ag), rb);
}

// 255 minus each pixel's alpha, in both 16-bit halves of the pixel.
inline __m128i inverseAlpha4(__m128i source)
{
    __m128i alpha = _mm_srli_epi32(source, 24);
    alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
    return _mm_sub_epi16(_mm_set1_epi16(255), alpha);
}
#endif

// `count` pixels of `row` under a source over them: one colour, or a row of pixels.
void overColour(quint32 *row, int count, quint32 colour)
{
    int i = 0;
#ifdef __SSE2__
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    const __m128i inverse = inverseAlpha4(c);
    for (; i + 4 <= count; i += 4) {
        auto *at = reinterpret_cast<__m128i *>(row + i);
        _mm_storeu_si128(at, _mm_add_epi32(c, byteMul4(_mm_loadu_si128(at), inverse)));
    }
#endif
    for (; i < count; ++i)
        row[i] = over(colour, row[i]);
}

void overPixels(quint32 *row, int count, const quint32 *from)
{
    int i = 0;
#ifdef __SSE2__
    // A pixel wholly transparent or opaque comes out of the same sum: d + 0, s + 0.
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        auto *at = reinterpret_cast<__m128i *>(row + i);
        _mm_storeu_si128(at, _mm_add_epi32(s, byteMul4(_mm_loadu_si128(at), inverseAlpha4(s))));
    }
#endif
    for (; i < count; ++i) {
        const quint32 s = from[i];
        if ((s >> 24) == 255)
            row[i] = s;
        else if (s != 0)
            row[i] = over(s, row[i]);
    }
}

// `count` pixels of `row` under `colour` through `coverage`: the colour scaled by each
// coverage, then blended over.
void overMasked(quint32 *row, int count, const uchar *coverage, quint32 colour)
{
    int i = 0;
#ifdef __SSE2__
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    const bool opaque = (colour >> 24) == 255;
    for (; i + 4 <= count; i += 4) {
        quint32 four = 0;
        std::memcpy(&four, coverage + i, 4);
        if (four == 0)
            continue;
        auto *at = reinterpret_cast<__m128i *>(row + i);
        if (four == 0xffffffffu && opaque) {
            // The inside of a glyph: the colour itself.
            _mm_storeu_si128(at, c);
            continue;
        }
        // Each pixel's coverage in both of its 16-bit halves.
        __m128i factor = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), _mm_setzero_si128());
        factor = _mm_unpacklo_epi16(factor, factor);
        const __m128i s = byteMul4(c, factor);
        _mm_storeu_si128(at, _mm_add_epi32(s, byteMul4(_mm_loadu_si128(at), inverseAlpha4(s))));
    }
#endif
    for (; i < count; ++i)
        if (coverage[i] != 0)
            row[i] = over(byteMul(colour, coverage[i]), row[i]);
}

} // namespace

QRect OrbPixelOps::pixelsOf(const QRectF &logical, const QTransform &toDevice)
{
    QRectF d;
    switch (toDevice.type()) {
    case QTransform::TxNone:
        d = logical;
        break;
    case QTransform::TxTranslate:
        d = logical.translated(toDevice.dx(), toDevice.dy());
        break;
    default:
        d = toDevice.mapRect(logical);
        break;
    }
    int x1 = qRound(d.x()), y1 = qRound(d.y()), x2 = qRound(d.right()), y2 = qRound(d.bottom());
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

void OrbPixelOps::fill(QImage &image, const QRect &r, const QColor &color)
{
    const QRect area = r & image.rect();
    if (area.isEmpty() || color.alpha() == 0)
        return;
    const quint32 c = premultiplied(color);
    const bool opaque = (c >> 24) == 255;
    // bits() once: every scanLine() call would ask whether the image must be detached.
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride) + area.left();
        if (opaque)
            std::fill_n(row, area.width(), c);
        else
            overColour(row, area.width(), c);
    }
}

void OrbPixelOps::blend(QImage &image, const QPoint &at, const QImage &source)
{
    const QRect area = QRect(at, source.size()) & image.rect();
    if (area.isEmpty())
        return;
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride) + area.left();
        const auto *from = reinterpret_cast<const quint32 *>(source.constScanLine(y - at.y())) + (area.left() - at.x());
        overPixels(row, area.width(), from);
    }
}

quint32 OrbPixelOps::premultiplied(const QColor &color)
{
    // The painter premultiplies at 16 bits a channel and rounds down to 8.
    return qPremultiply(color.rgba64()).toArgb32();
}

void OrbPixelOps::blendMask(QImage &image, const QPoint &at, const QImage &mask, quint32 colour)
{
    const QRect area = QRect(at, mask.size()) & image.rect();
    if (area.isEmpty() || colour == 0)
        return;
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride) + area.left();
        const uchar *coverage = mask.constScanLine(y - at.y()) + (area.left() - at.x());
        overMasked(row, area.width(), coverage, colour);
    }
}

QRect OrbPixelOps::paintedRect(const QImage &image, const QRect &area)
{
    // A transparent premultiplied pixel is 0 in every channel. Each row is searched from both
    // ends, so a row with glyphs is mostly not looked at.
    const QRect within = area & image.rect();
    int top = within.bottom() + 1, bottom = -1, left = within.right() + 1, right = -1;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int first = within.left();
        while (first <= within.right() && row[first] == 0)
            ++first;
        if (first > within.right())
            continue;
        int last = within.right();
        while (row[last] == 0)
            --last;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (bottom < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace orb
