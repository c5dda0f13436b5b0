// Cost of drawing and capturing one status image made of the toolkit's primitives.
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawMeters.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbImageCapture.h"
#include "toolkit/OrbImageView.h"

#include <QFont>
#include <array>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {
using namespace orb;

// A CPU-like item: level bar, circle meter, text and a 60-point line graph, at double scale.
class StatusLikeView : public OrbImageView {
public:
    StatusLikeView()
    {
        attributes_.font.setPixelSize(20);
        for (size_t i = 0; i < samples_.size(); ++i)
            samples_[i] = 18.0 * (0.5 + 0.5 * std::sin(double(i) * 0.2));
    }
    void drawRect(const OrbCanvas &c, const QRectF &) override
    {
        const std::array bar{OrbMeterItem::frame(Qt::gray), OrbMeterItem::segment(Qt::red, 0.3),
                             OrbMeterItem::segment(Qt::blue, 0.2)};
        OrbDrawMeters::orbDrawLevelBar(c, bar, QRectF(0, 4, 16, 36), false);
        const std::array pie{OrbMeterItem::frame(Qt::gray), OrbMeterItem::segment(Qt::red, 0.4),
                             OrbMeterItem::segment(QColor(0, 0, 0, 40), 0.6)};
        OrbDrawMeters::orbDrawCicleBar(c, pie, QRectF(20, 4, 36, 36), false);
        OrbDrawText::orbDrawString(c, QStringLiteral("42%"), 1, 2, Qt::black, attributes_, QRectF(60, 0, 60, 44), 0,
                                   false);
        c.save();
        c.setAntialiasing(true);
        c.setCurrentColor(Qt::darkGreen);
        double x = 244;
        for (size_t i = 1; i < samples_.size(); ++i, x -= 2)
            OrbDrawGraph::orbDrawGraphWithLine(c, samples_[i - 1] + 4, samples_[i] + 4, x, 0, false);
        c.restore();
    }

private:
    OrbTextAttributes attributes_;
    std::array<double, 60> samples_{};
};

void BM_StatusImageCapture(benchmark::State &state)
{
    StatusLikeView view;
    view.layOutAtDoubleScale(QSizeF(124, 22));
    for (auto _ : state) {
        OrbImage image = OrbImageCapture::imageWithSubviews(&view, false);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_StatusImageCapture)->Unit(benchmark::kMicrosecond);
} // namespace
