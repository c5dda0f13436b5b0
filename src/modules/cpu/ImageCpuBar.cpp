#include "modules/cpu/ImageCpuBar.h"

#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbMeterItem.h"
#include "toolkit/OrbTextAttributes.h"

#include <QImage>
#include <QPainter>
#include <array>

namespace orb {

ImageCpuBar::Fractions ImageCpuBar::fractionsOf(const CpuTicks &t)
{
    const double total = double(t.user) + double(t.system) + double(t.nice) + double(t.idle);
    if (!(total > 0))
        return {};
    return {t.user / total, t.system / total, t.nice / total, t.idle / total};
}

double ImageCpuBar::orbDrawCpuGraph(const OrbCanvas &canvas, const History<CpuSample> &history, int nowCore,
                                    const CpuItemSettings &settings, const QRectF &frame, bool hl)
{
    double remaining = frame.width();
    if (history.empty())
        return remaining;
    const bool asLine = settings.graphAsLine;
    const bool bold = settings.lineAsBold;
    const QColor user = OrbCanvas::highlightedIf(settings.user, hl);
    const QColor system = OrbCanvas::highlightedIf(settings.system, hl);
    const QColor nice = OrbCanvas::highlightedIf(settings.nice, hl);
    const QColor idle = OrbCanvas::highlightedIf(settings.idle, hl);
    const double bottom = frame.y();
    const double h = frame.height();
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(asLine);
    OrbColumnFill bars(canvas);
    std::array<double, 4> previous{-1, -1, -1, -1};
    for (std::size_t i = history.size(); i-- > 0;) {
        const CpuSample &sample = history[i];
        Fractions f;
        if (nowCore >= 0 && static_cast<std::size_t>(nowCore) < sample.size())
            f = fractionsOf(sample[static_cast<std::size_t>(nowCore)]);
        if (!asLine) {
            const double c = right - 2.0;
            double s = 0.0;
            int layer = 0;
            for (auto [fraction, clr] : {std::pair{f.user, user}, {f.system, system}, {f.nice, nice}}) {
                if (fraction > 0) {
                    bars.add(layer, QRectF(c, bottom + s, 2.0, fraction * h), clr);
                    s += fraction * h;
                }
                ++layer;
            }
            if (f.idle > 0) {
                const double ih = s + f.idle * h > h ? h - s : f.idle * h;
                if (ih > 0)
                    bars.add(layer, QRectF(c, bottom + s, 2.0, ih), idle);
            }
        } else {
            const std::array<std::pair<double, QColor>, 4> states{
                {{f.idle, idle}, {f.nice, nice}, {f.system, system}, {f.user, user}}};
            for (std::size_t k = 0; k < states.size(); ++k) {
                const double v = states[k].first * h;
                if (previous[k] >= 0) {
                    canvas.setCurrentColor(states[k].second);
                    OrbDrawGraph::orbDrawGraphWithLine(canvas, previous[k], v, right, bottom + 2.0, bold);
                }
                previous[k] = v;
            }
        }
        remaining -= 2.0;
        right -= 2.0;
        if (remaining <= 0)
            break;
    }
    bars.fill();
    canvas.restore();
    return remaining;
}

void ImageCpuBar::drawGraph(const OrbCanvas &canvas, const CpuItemSettings &s, int core)
{
    const double g = 2.0 * s.graphWidth;
    const double h = myHeight_ - insets_.top - insets_.bottom;
    double left = 0.0;
    // Bars of a history that spans the graph are kept between redraws; lines join
    // neighbouring columns, and a short history leaves room for the empty line.
    if (!s.graphAsLine && 2.0 * double(resumeArray_.size()) >= g && core >= 0) { // one graph a processor
        DrawingKey key("cpu graph");
        for (const QColor &c : {s.user, s.system, s.nice, s.idle})
            key.add(OrbCanvas::highlightedIf(c, isHighLighted_));
        graphs_.draw(canvas, std::size_t(core), QRectF(myMenuPosX_, insets_.bottom, g, h), resumeArray_, key,
                     [&](const OrbCanvas &on, const QRectF &part) {
                         orbDrawCpuGraph(on, resumeArray_, core, s,
                                         QRectF(part.right(), part.y(), part.width(), part.height()), isHighLighted_);
                     });
    } else {
        left = orbDrawCpuGraph(canvas, resumeArray_, core, s, QRectF(myMenuPosX_ + g, insets_.bottom, g, h),
                               isHighLighted_);
    }
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(s.emptyLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
    myMenuPosX_ += g + insets_.middle;
}

void ImageCpuBar::drawText(const OrbCanvas &canvas, const CpuItemSettings &s, const Fractions &f)
{
    const double textWidth = 2.0 * s.textWidth;
    OrbTextAttributes attrs;
    attrs.font = s.font;
    const OrbShadow shadow = OrbColors::retNormalTextShadow(s.shadow);
    attrs.shadow = shadow;
    const QRectF frame(myMenuPosX_, 0, textWidth, myHeight_);
    if (s.textShowsAverage) {
        OrbFormat::percentText(f.user + f.system).assignTo(firstText_);
        OrbDrawText::orbDrawString(canvas, firstText_, 1, 1, s.averageText, attrs, frame, s.fontAdjust, isHighLighted_);
    } else {
        OrbFormat::percentText(f.user).assignTo(firstText_);
        OrbDrawText::orbDrawString(canvas, firstText_, 0, 2, s.user, attrs, frame, s.fontAdjust, isHighLighted_);
        attrs.shadow = shadow;
        OrbFormat::percentText(f.system).assignTo(secondText_);
        OrbDrawText::orbDrawString(canvas, secondText_, 2, 2, s.system, attrs, frame, s.fontAdjust, isHighLighted_);
    }
    myMenuPosX_ += textWidth + insets_.middle;
}

void ImageCpuBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty())
        return;
    const CpuItemSettings &s = settings_.of(myDefaults_);
    drawModuleLabel(canvas, s.showMyLabel, s.labelImage);
    const CpuSample &now = resumeArray_.back();
    if (now.empty())
        return;
    const int n = static_cast<int>(now.size()) - 1;
    const int first = s.averageProcessors ? n : 0;
    const int last = s.averageProcessors ? n : n - 1;
    for (int core = first; core <= last; ++core) {
        const Fractions f = fractionsOf(now[static_cast<std::size_t>(core)]);
        for (const int code : s.order) {
            switch (code) {
            case 1:
                if (s.showGraph)
                    drawGraph(canvas, s, core);
                break;
            case 2:
                if (s.showLevelBar) {
                    const std::array<OrbMeterItem, 5> items{
                        OrbMeterItem::segment(s.user, f.user), OrbMeterItem::segment(s.system, f.system),
                        OrbMeterItem::segment(s.nice, f.nice), OrbMeterItem::segment(s.idle, f.idle),
                        OrbMeterItem::frame(s.frame)};
                    drawLevelBarElement(canvas, items);
                }
                break;
            case 3:
                if (s.showCircleMeter) {
                    const std::array<OrbMeterItem, 5> items{
                        OrbMeterItem::frame(s.frame), OrbMeterItem::segment(s.user, f.user),
                        OrbMeterItem::segment(s.system, f.system), OrbMeterItem::segment(s.nice, f.nice),
                        OrbMeterItem::segment(s.idle, f.idle)};
                    drawCircleMeterElement(canvas, items);
                }
                break;
            case 4:
                if (s.showText)
                    drawText(canvas, s, f);
                break;
            default:
                break; // unknown element codes are skipped
            }
        }
    }
}

} // namespace orb
