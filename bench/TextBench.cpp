// A figure drawn into a status image the way the items draw theirs: the same text again
// (laid out and drawn before, so copied from the caches), or a new figure each time, as free
// memory to two decimals is on most passes.
#include "AllocationCount.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbTextAttributes.h"

#include <QImage>
#include <benchmark/benchmark.h>

using namespace orb;

static void BM_FigureTextDrawn(benchmark::State &state)
{
    const bool newEachTime = state.range(0) != 0;
    QImage image(160, 44, QImage::Format_ARGB32_Premultiplied);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setBold(true);
    font.setPixelSize(20);
    OrbTextAttributes attrs;
    attrs.font = font;
    const QRectF frame(0, 0, 80, 22);
    QString text = QStringLiteral("22.13GB");
    int figure = 0;
    const uint64_t allocationsBefore = orbbench::allocations();
    for (auto _ : state) {
        if (newEachTime)
            text = QString::number(1000 + figure++ % 8000 / 100.0, 'f', 2) + QStringLiteral("GB");
        image.fill(Qt::transparent);
        const OrbCanvas canvas(image, 22);
        OrbDrawText::orbDrawString(canvas, text, 1, 2, Qt::white, attrs, frame, 0, false);
    }
    orbbench::reportAllocationsSince(state, allocationsBefore);
}
BENCHMARK(BM_FigureTextDrawn)->Arg(0)->Arg(1)->ArgNames({"new"})->Unit(benchmark::kMicrosecond);
