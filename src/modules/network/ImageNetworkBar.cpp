#include "modules/network/ImageNetworkBar.h"

#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawLamps.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbTextAttributes.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

// The smallest scale of the graph: 10 KiB per second.
constexpr double kMinScale = 10240.0;

// Calls fn(newer, older) for the pair of readings behind each column of a graph `width`
// wide, newest first, and returns the width on the left that no column reached.
template <class Fn>
double eachColumn(const History<NetworkSample> &history, double width, Fn &&fn)
{
    double remaining = width;
    if (history.size() < 2)
        return remaining;
    for (std::size_t i = history.size() - 1; i-- > 0;) {
        fn(history[i + 1], history[i]);
        remaining -= 2.0;
        if (remaining <= 0)
            break;
    }
    return remaining;
}

} // namespace

void ImageNetworkBar::setNowRates(double up, double down)
{
    nowUp_ = NetworkTraffic::whole(up);
    nowDw_ = NetworkTraffic::whole(down);
}

double ImageNetworkBar::graphScale(NetworkTraffic::Peaks::Rates peaks)
{
    return std::max({double(peaks.up), double(peaks.down), kMinScale});
}

double ImageNetworkBar::fraction(double rate, double scale, double limit)
{
    const double f = rate > limit && scale > 0.0 ? rate / scale : 0.0;
    return std::isfinite(f) ? std::clamp(f, 0.0, 1.0) : 0.0;
}

double ImageNetworkBar::barHeight(double rate, double scale, double limit, double height)
{
    return fraction(rate, scale, limit) * (height / 2.0 - 2.0) + 1.0;
}

double ImageNetworkBar::orbDrawNetworkGraph(const OrbCanvas &canvas, const History<NetworkSample> &history,
                                            double scale, const NetworkItemSettings &s, const QRectF &frame, bool hl)
{
    if (history.size() < 2)
        return frame.width();
    const int mode = s.graphMode;
    const bool lines = mode == 4 || mode == 5;
    const QColor up = OrbCanvas::highlightedIf(s.up, hl);
    const QColor down = OrbCanvas::highlightedIf(s.down, hl);
    const double y = frame.y();
    const double h = frame.height();
    const double half = h / 2.0;
    double x = frame.x();
    canvas.save();
    canvas.setAntialiasing(lines);
    OrbColumnFill bars(canvas);
    double prevUpY = -1.0;
    double prevDwY = -1.0;
    // Each column is the traffic between a reading and the one after it, over the seconds
    // the later one covers.
    const double remaining = eachColumn(history, frame.width(), [&](const NetworkSample &newer, const NetworkSample &e) {
        const double upRate = NetworkTraffic::rate(newer.up, e.up, newer.interval);
        const double dwRate = NetworkTraffic::rate(newer.down, e.down, newer.interval);
        if (!hl && e.noise >= 0 && e.signal >= 0) {
            const double noiseH = std::min<double>(e.noise, 100.0) / 100.0 * (h - 2.0);
            const double signalH = std::min<double>(e.signal, 100.0) / 100.0 * (h - 2.0);
            if (noiseH > 0)
                bars.add(0, QRectF(x - 2.0, y, 2.0, noiseH), s.noiseBar);
            if (signalH > 0)
                bars.add(1, QRectF(x - 2.0, y, 2.0, signalH), s.signalBar);
            if (lines)
                bars.fill(); // the lines are drawn over them
        }
        const double upBar = barHeight(upRate, scale, s.limit, h);
        const double dwBar = barHeight(dwRate, scale, s.limit, h);
        switch (mode) {
        case 1:
            bars.add(2, QRectF(x - 2.0, y + half, 2.0, upBar), up);
            bars.add(3, QRectF(x - 2.0, y, 2.0, dwBar), down);
            break;
        case 2:
            bars.add(2, QRectF(x - 2.0, y + h - upBar, 2.0, upBar), up);
            bars.add(3, QRectF(x - 2.0, y, 2.0, dwBar), down);
            break;
        case 3:
            bars.add(2, QRectF(x - 2.0, y + half, 2.0, upBar), up);
            bars.add(3, QRectF(x - 2.0, y + half - dwBar, 2.0, dwBar), down);
            break;
        case 4:
        case 5: {
            const double upY = fraction(upRate, scale, s.limit) * (h - 2.0);
            const double dwY = fraction(dwRate, scale, s.limit) * (h - 2.0);
            if (prevDwY >= 0.0) {
                canvas.setCurrentColor(down);
                OrbDrawGraph::orbDrawGraphWithLine(canvas, prevDwY, dwY, x, y + 2.0, mode == 5);
                canvas.setCurrentColor(up);
                OrbDrawGraph::orbDrawGraphWithLine(canvas, prevUpY, upY, x, y + 2.0, mode == 5);
            }
            prevUpY = upY;
            prevDwY = dwY;
            break;
        }
        default:
            break; // an unknown mode draws nothing but still advances
        }
        x -= 2.0;
    });
    bars.fill();
    canvas.restore();
    return remaining;
}

size_t ImageNetworkBar::imageDigest(const History<NetworkSample> &history, double up, double down, double scale,
                                    const NetworkItemSettings &s)
{
    // The texts show the whole current rates, the lamps whether they pass the threshold.
    const int64_t nowUp = NetworkTraffic::whole(up);
    const int64_t nowDw = NetworkTraffic::whole(down);
    size_t seed = qHash(history.size() < 2);
    if (s.showText)
        seed = qHashMulti(seed, nowUp, nowDw);
    if (s.showLamps)
        seed = qHashMulti(seed, double(nowUp) > s.limit, double(nowDw) > s.limit);
    if (!s.showGraph)
        return seed;
    // A column shows the share of the scale its rates fill, and that is none for rates at
    // or below the idle threshold: the scale only counts when a shown rate passes it.
    bool scaled = false;
    int columns = 0;
    const auto share = [&](double rate) {
        if (!(rate > s.limit))
            return 0.0;
        scaled = true;
        return rate;
    };
    eachColumn(history, 2.0 * s.graphWidth, [&](const NetworkSample &newer, const NetworkSample &e) {
        seed = qHashMulti(seed, share(NetworkTraffic::rate(newer.up, e.up, newer.interval)),
                          share(NetworkTraffic::rate(newer.down, e.down, newer.interval)), e.noise, e.signal);
        ++columns;
    });
    seed = qHash(columns, seed);
    return scaled ? qHash(scale, seed) : seed;
}

void ImageNetworkBar::drawModuleLabel(const OrbCanvas &canvas, const NetworkItemSettings &s)
{
    myMenuPosX_ = 0.0;
    if (!s.showMyLabel)
        return;
    if (!s.labelImage.isNull()) {
        QImage tinted = s.labelImage;
        if (isHighLighted_) {
            QPainter p(&tinted);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(tinted.rect(), Qt::white);
        }
        canvas.drawImage(QRectF(0, 0, tinted.width(), tinted.height()), tinted);
    }
    myMenuPosX_ = 18.0 + insets_.middle;
}

void ImageNetworkBar::drawUdLabel(const OrbCanvas &canvas, const NetworkItemSettings &s)
{
    const double w = 2.0 * s.udLabelWidth;
    if (s.udLabels.size() >= 2) {
        OrbTextAttributes attrs;
        attrs.font = s.font;
        const OrbShadow shadow = OrbColors::retNormalTextShadow(s.shadow);
        const QRectF frame(myMenuPosX_, 0, w, myHeight_);
        attrs.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, s.udLabels.at(0), 0, 0, s.up, attrs, frame, s.fontAdjust, isHighLighted_);
        attrs.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, s.udLabels.at(1), 2, 0, s.down, attrs, frame, s.fontAdjust, isHighLighted_);
    }
    // The width was reserved for the label either way; the next element keeps its place.
    myMenuPosX_ += w + insets_.middle;
}

void ImageNetworkBar::drawLamps(const OrbCanvas &canvas, const NetworkItemSettings &s)
{
    const bool upOn = double(nowUp_) > s.limit;
    const bool dwOn = double(nowDw_) > s.limit;
    OrbDrawLamps::orbDrawVerticalTwoCircle(canvas, upOn, dwOn, s.lampFrame, s.lampBack, s.up, s.down, myMenuPosX_,
                                           myHeight_, 16.0, 2.0, isHighLighted_);
    myMenuPosX_ += 16.0 + insets_.middle;
}

void ImageNetworkBar::drawGraph(const OrbCanvas &canvas, const NetworkItemSettings &s)
{
    const double g = 2.0 * s.graphWidth;
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double scale = scale_;
    double left = 0.0;
    // Bars of a history that spans the graph are kept between redraws (lines join
    // neighbouring columns); each column is the traffic between two readings.
    const bool lines = s.graphMode == 4 || s.graphMode == 5;
    if (!lines && 2.0 * (double(resumeArray_.size()) - 1.0) >= g) {
        DrawingKey key("network graph");
        key.add(s.graphMode).add(s.limit).add(scale);
        key.add(isHighLighted_);
        for (const QColor &c : {s.up, s.down})
            key.add(OrbCanvas::highlightedIf(c, isHighLighted_));
        key.add(s.noiseBar).add(s.signalBar);
        graphs_.draw(canvas, 0, QRectF(myMenuPosX_, insets_.bottom, g, h), resumeArray_, key,
                     [&](const OrbCanvas &on, const QRectF &part) {
                         orbDrawNetworkGraph(on, resumeArray_, scale, s,
                                             QRectF(part.right(), part.y(), part.width(), part.height()),
                                             isHighLighted_);
                     });
    } else {
        left = orbDrawNetworkGraph(canvas, resumeArray_, scale, s, QRectF(myMenuPosX_ + g, insets_.bottom, g, h),
                                   isHighLighted_);
    }
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(s.emptyLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
    myMenuPosX_ += g + insets_.middle;
}

void ImageNetworkBar::drawText(const OrbCanvas &canvas, const NetworkItemSettings &s)
{
    const double w = 2.0 * s.textWidth;
    OrbTextAttributes attrs;
    attrs.font = s.font;
    const OrbShadow shadow = OrbColors::retNormalTextShadow(s.shadow);
    const QRectF frame(myMenuPosX_, 0, w, myHeight_);
    attrs.shadow = shadow;
    OrbFormat::bytesPerSecText(double(nowUp_), s.bits, 4).assignTo(upText_);
    OrbDrawText::orbDrawString(canvas, upText_, 0, 2, s.up, attrs, frame, s.fontAdjust, isHighLighted_);
    attrs.shadow = shadow;
    OrbFormat::bytesPerSecText(double(nowDw_), s.bits, 4).assignTo(downText_);
    OrbDrawText::orbDrawString(canvas, downText_, 2, 2, s.down, attrs, frame, s.fontAdjust, isHighLighted_);
    myMenuPosX_ += w + insets_.middle;
}

void ImageNetworkBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty())
        return;
    const NetworkItemSettings &s = settings_.of(myDefaults_);
    drawModuleLabel(canvas, s);
    for (int code : s.order) {
        switch (code) {
        case 1:
            if (s.showUdLabel)
                drawUdLabel(canvas, s);
            break;
        case 2:
            if (s.showLamps)
                drawLamps(canvas, s);
            break;
        case 3:
            if (s.showGraph)
                drawGraph(canvas, s);
            break;
        case 4:
            if (s.showText)
                drawText(canvas, s);
            break;
        default:
            break;
        }
    }
}

} // namespace orb
