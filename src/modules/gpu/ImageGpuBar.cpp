#include "modules/gpu/ImageGpuBar.h"

#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbMeterItem.h"
#include "toolkit/OrbTextAttributes.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace orb {
namespace {

double clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

// Rounds up to whole units; float noise must not turn an exact 8 into 9.
double ceilUnits(double v) { return std::ceil(v - 1e-9); }

} // namespace

ImageGpuBar::ImageGpuBar() : settings_(std::make_shared<GpuItemSettings>()) {}

ImageGpuBar::Share ImageGpuBar::usedShare(const GpuEntry &e)
{
    // "−1 used with 0 free" would otherwise come out as a full bar.
    if (e.used < 0 || e.free < 0)
        return {};
    const double sum = double(e.used) + double(e.free);
    return {sum > 0 ? clamp01(double(e.used) / sum) : 0.0, true};
}

double ImageGpuBar::orbDrawGpuGraph(const OrbCanvas &canvas, const History<GpuSample> &history,
                                    const QString &deviceName, const GpuItemSettings &s, const QRectF &frame,
                                    bool hl)
{
    double remaining = frame.width();
    const double bottom = frame.y();
    const double h = frame.height();
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(false);
    OrbColumnFill bars(canvas);
    for (std::size_t i = history.size(); i-- > 0 && remaining > 0;) {
        const GpuSample &sample = history[i];
        if (sample.empty())
            continue; // takes no column
        for (auto e = sample.rbegin(); e != sample.rend(); ++e) {
            if (e->id != deviceName || e->total <= 0)
                continue;
            const double u = clamp01(double(std::max<int64_t>(e->used, 0)) / double(e->total));
            if (u > 0)
                bars.add(0, QRectF(right - 2.0, bottom, 2.0, std::min(h, ceilUnits(u * h))),
                         OrbCanvas::highlightedIf(s.shareColor(u), hl));
            break;
        }
        remaining -= 2.0;
        right -= 2.0;
    }
    bars.fill();
    canvas.restore();
    return remaining;
}

void ImageGpuBar::drawGraph(const OrbCanvas &canvas, const QString &deviceId)
{
    const GpuItemSettings &s = *settings_;
    const double g = 2.0 * s.graphWidth;
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double left = orbDrawGpuGraph(canvas, resumeArray_, deviceId, s, QRectF(myMenuPosX_ + g, insets_.bottom, g, h),
                                        isHighLighted_);
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(s.baseLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
    myMenuPosX_ += g + insets_.middle;
}

void ImageGpuBar::drawText(const OrbCanvas &canvas, const Share &share, const QColor &color)
{
    const GpuItemSettings &s = *settings_;
    const double textWidth = 2.0 * s.textWidth;
    OrbTextAttributes attrs;
    attrs.font = s.font;
    attrs.shadow = OrbColors::retNormalTextShadow(s.shadow);
    const QString text = share.reported ? OrbFormat::percent(share.fraction)
                                        : QStringLiteral("--");
    OrbDrawText::orbDrawString(canvas, text, 1, 2, color, attrs, QRectF(myMenuPosX_, 0, textWidth, myHeight_),
                               s.fontAdjust, isHighLighted_);
    myMenuPosX_ += textWidth + insets_.middle;
}

void ImageGpuBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    deviceNum_ = 0;
    if (resumeArray_.empty() || resumeArray_.back().empty())
        return;
    const GpuItemSettings &s = *settings_;
    myMenuPosX_ = 0.0;
    if (s.showLabel) {
        const QImage &label = isHighLighted_ ? s.labelWhite : s.label;
        if (!label.isNull())
            canvas.drawImage(QRectF(0, 0, label.width(), label.height()), label);
        myMenuPosX_ = 18.0 + insets_.middle;
    }
    for (const GpuEntry &entry : resumeArray_.back()) {
        if (!selectedDevice_.isEmpty() && entry.id != selectedDevice_)
            continue;
        ++deviceNum_;
        const Share share = usedShare(entry);
        const QColor c = s.shareColor(share.fraction);
        for (int code : s.order) {
            switch (code) {
            case 1:
                if (s.graph)
                    drawGraph(canvas, entry.id);
                break;
            case 2:
                if (s.levelBar) {
                    const std::array<OrbMeterItem, 2> items{OrbMeterItem::segment(c, share.fraction),
                                                            OrbMeterItem::frame(s.meterFrame)};
                    drawLevelBarElement(canvas, items);
                }
                break;
            case 3:
                if (s.circleMeter) {
                    const std::array<OrbMeterItem, 3> items{OrbMeterItem::frame(s.meterFrame),
                                                            OrbMeterItem::segment(c, share.fraction),
                                                            OrbMeterItem::segment(Qt::transparent, 1.0 - share.fraction)};
                    drawCircleMeterElement(canvas, items);
                }
                break;
            case 4:
                if (s.text)
                    drawText(canvas, share, share.reported ? c : s.meterFrame);
                break;
            default:
                break;
            }
        }
    }
}

} // namespace orb
