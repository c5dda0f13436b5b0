#include "toolkit/GraphLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace orb {
namespace {

bool whole(double v) { return std::abs(v - std::round(v)) < 1e-9; }

// The pixels of one image, row by row, asked of the image once (each scanLine() call
// would ask whether the image must be detached).
struct Rows {
    explicit Rows(QImage &image) : bits(image.bits()), stride(image.bytesPerLine()) {}
    quint32 *at(int y, int x) const { return reinterpret_cast<quint32 *>(bits + y * stride) + x; }
    uchar *bits;
    qsizetype stride;
};

// Whether every pixel of `r` is wholly transparent.
bool clear(const Rows &image, const QRect &r)
{
    quint32 any = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint32 *row = image.at(y, r.left());
        int x = 0;
#ifdef __SSE2__
        __m128i many = _mm_setzero_si128();
        for (; x + 4 <= r.width(); x += 4)
            many = _mm_or_si128(many, _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x)));
        any |= quint32(_mm_movemask_epi8(_mm_cmpeq_epi32(many, _mm_setzero_si128())) != 0xffff);
#endif
        for (; x < r.width(); ++x)
            any |= row[x];
    }
    return any == 0;
}

void erase(const Rows &image, const QRect &r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(image.at(y, r.left()), r.width(), 0u);
}

} // namespace

void GraphLayer::drawWith(const OrbCanvas &canvas, std::size_t index, const QRectF &frame,
                          std::optional<std::size_t> newColumns, QByteArrayView key, void *draw, DrawFn call)
{
    if (graphs_.size() <= index)
        graphs_.resize(index + 1);
    Graph &graph = graphs_[index];
    QImage *target = canvas.plainPixels();
    const QRectF device = canvas.rect(frame);
    const QRect pixels(int(std::lround(device.x())), int(std::lround(device.y())), int(std::lround(device.width())),
                       int(std::lround(device.height())));
    const bool keepable = target && whole(device.x()) && whole(device.y()) && whole(device.width())
        && whole(device.height()) && !pixels.isEmpty() && pixels.width() % 2 == 0 && target->rect().contains(pixels)
        && clear(Rows(*target), pixels);
    if (!keepable) {
        graph.kept = false;
        columnsDrawn_ += std::size_t(std::max(0.0, frame.width())) / 2;
        call(draw, canvas, frame);
        return;
    }
    if (layer_.size() != target->size()) {
        layer_ = QImage(target->size(), QImage::Format_ARGB32_Premultiplied);
        for (Graph &g : graphs_)
            g.kept = false;
    }
    const Rows layer(layer_), image(*target);
    const OrbCanvas layerCanvas(layer_, canvas.height());
    const std::size_t columns = std::size_t(pixels.width()) / 2;
    const bool same = graph.kept && graph.pixels == pixels && QByteArrayView(graph.key.constData(), graph.key.size()) == key;
    if (same && newColumns && *newColumns < columns) {
        const int shift = int(*newColumns) * 2;
        if (shift > 0) {
            for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
                quint32 *row = layer.at(y, pixels.left());
                std::memmove(row, row + shift, std::size_t(pixels.width() - shift) * sizeof(quint32));
            }
            erase(layer, QRect(pixels.right() + 1 - shift, pixels.top(), shift, pixels.height()));
            columnsDrawn_ += *newColumns;
            call(draw, layerCanvas, QRectF(frame.right() - shift, frame.y(), shift, frame.height()));
        }
    } else {
        drawWhole(graph, pixels, key, layerCanvas, frame, draw, call);
    }
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        std::memcpy(image.at(y, pixels.left()), layer.at(y, pixels.left()),
                    std::size_t(pixels.width()) * sizeof(quint32));
}

void GraphLayer::drawWhole(Graph &graph, const QRect &pixels, QByteArrayView key, const OrbCanvas &layerCanvas,
                           const QRectF &frame, void *draw, DrawFn call)
{
    // Another graph kept where this one now goes would be drawn over.
    for (Graph &other : graphs_)
        if (&other != &graph && other.kept && other.pixels.intersects(pixels))
            other.kept = false;
    erase(Rows(layer_), pixels);
    columnsDrawn_ += std::size_t(pixels.width()) / 2;
    call(draw, layerCanvas, frame);
    graph.pixels = pixels;
    graph.key.clear();
    graph.key.append(key.data(), key.size());
    graph.kept = true;
}

} // namespace orb
