#include "modules/memory/ImageMemoryBar.h"

#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawMeters.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbMeterItem.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

double clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

// Rounds up to whole units; float noise must not turn an exact 8 into 9.
double ceilUnits(double v) { return std::ceil(v - 1e-9); }

// Sample entries of the three shares: modern app memory, wired, compressed; traditional
// wired, active, inactive.
constexpr std::array<std::size_t, 3> kModernEntries{8, 0, 7};
constexpr std::array<std::size_t, 3> kTradEntries{0, 1, 2};

// Colour numbers (Bnn) of the three shares.
struct ShareColours {
    int first, second, third;
};
ShareColours shareColours(bool trad) { return trad ? ShareColours{1, 2, 3} : ShareColours{9, 1, 10}; }

// A figure of the detail text: its header, colour number (Bnn) and entry of the figures.
struct DetailCell {
    QStringView longHeader, shortHeader;
    int colour, figure;
    // The header as a string over the constant text, made without copying it.
    QString header(bool isLong) const
    {
        const QStringView text = isLong ? longHeader : shortHeader;
        return QString::fromRawData(text.data(), text.size());
    }
};
// Left column upper, left lower, right upper, right lower.
const DetailCell *detailCells(bool trad)
{
    static constexpr DetailCell kModern[4] = {
        {u"APPMEM:", u"A:", 9, 5}, {u"WIRED:", u"W:", 1, 0}, {u"COMPRESS:", u"C:", 10, 4}, {u"UNUSED:", u"F:", 6, 8}};
    static constexpr DetailCell kTrad[4] = {
        {u"WIRED:", u"W:", 1, 0}, {u"ACTIVE:", u"A:", 2, 1}, {u"INACTIVE:", u"I:", 3, 2}, {u"FREE:", u"F:", 6, 3}};
    return trad ? kTrad : kModern;
}

} // namespace

ImageMemoryBar::ImageMemoryBar(uint64_t memoryPageSize, uint64_t memoryTotlSize)
    : memoryPageSize_(memoryPageSize), memoryTotlSize_(memoryTotlSize)
{
}

void ImageMemoryBar::setMemorySizes(uint64_t memoryPageSize, uint64_t memoryTotlSize)
{
    memoryPageSize_ = memoryPageSize;
    memoryTotlSize_ = memoryTotlSize;
}

void ImageMemoryBar::setTextWidths(double myTextWidth, double detailWidthL, double detailWidthR)
{
    myTextWidth_ = 2.0 * myTextWidth;
    detailWidthL_ = 2.0 * detailWidthL;
    detailWidthR_ = 2.0 * detailWidthR;
}

ImageMemoryBar::Shares ImageMemoryBar::retShares(const MemDatArray &f, uint64_t total, bool trad)
{
    if (total == 0)
        return {};
    const double t = static_cast<double>(total);
    Shares s;
    // Each share keeps within what the ones before left, so a meter never overflows even
    // when the figures of an odd reading add up to more than the installed memory.
    s.first = clamp01(static_cast<double>(trad ? f[0] : f[5]) / t);
    s.second = std::min(clamp01(static_cast<double>(trad ? f[1] : f[0]) / t), 1.0 - s.first);
    s.third = std::min(clamp01(static_cast<double>(trad ? f[2] : f[4]) / t), 1.0 - s.first - s.second);
    s.rest = clamp01(1.0 - s.first - s.second - s.third);
    return s;
}

std::array<OrbMeterItem, 5> ImageMemoryBar::levelBarItems(const MemoryItemSettings &st, const Shares &s)
{
    const ShareColours names = shareColours(st.traditional);
    return {OrbMeterItem::segment(st.colour(names.first), s.first),
            OrbMeterItem::segment(st.colour(names.second), s.second),
            OrbMeterItem::segment(st.colour(names.third), s.third), OrbMeterItem::segment(st.colour(4), s.rest),
            OrbMeterItem::frame(st.colour(7))};
}

std::array<OrbMeterItem, 5> ImageMemoryBar::circleMeterItems(const MemoryItemSettings &st, const Shares &s)
{
    const ShareColours names = shareColours(st.traditional);
    return {OrbMeterItem::frame(st.colour(8)), OrbMeterItem::segment(st.colour(names.first), s.first),
            OrbMeterItem::segment(st.colour(names.second), s.second),
            OrbMeterItem::segment(st.colour(names.third), s.third), OrbMeterItem::segment(st.colour(4), s.rest)};
}

std::optional<size_t> ImageMemoryBar::imageDigest(const MemDatArray &figures, uint64_t memoryPageSize,
                                                   uint64_t memoryTotlSize, const MemoryItemSettings &st, bool hl)
{
    // The graph moves with every reading.
    if (st.showGraph)
        return std::nullopt;
    const Shares s = retShares(figures, memoryPageSize ? memoryTotlSize : 0, st.traditional);
    size_t seed = 0;
    if (st.showLevelBar)
        seed = qHashMulti(seed, s.first, s.second, s.third, s.rest);
    // The circle meter only moves by whole degrees.
    if (st.showCircleMeter)
        seed = qHash(OrbDrawMeters::circleMeterDigest(circleMeterItems(st, s), hl), seed);
    const auto text = [&](std::size_t figure) {
        seed = qHash(OrbFormat::memorySizeText(figures[figure], st.unit).view(), seed);
    };
    if (st.showText) {
        text(7);
        text(8);
    }
    if (st.showDetailText) {
        const DetailCell *cells = detailCells(st.traditional);
        for (int i = 0; i < 4; ++i)
            text(static_cast<std::size_t>(cells[i].figure));
    }
    return seed;
}

std::array<double, 4> ImageMemoryBar::columnHeights(const MemorySample &sample, uint64_t totalPages, bool trad,
                                                    double h)
{
    std::array<double, 4> heights{};
    if (totalPages == 0)
        return heights;
    const auto &entries = trad ? kTradEntries : kModernEntries;
    double used = 0.0; // units stacked so far
    double percentSum = 0.0;
    for (std::size_t k = 0; k < 3; ++k) {
        const double percent =
            std::clamp(static_cast<double>(sample[entries[k]]) * 100.0 / static_cast<double>(totalPages), 0.0, 100.0);
        percentSum += percent;
        if (percent > 0) {
            heights[k] = std::min(ceilUnits(percent * h / 100.0), h - used);
            used += heights[k];
        }
    }
    const double rest = std::clamp(100.0 - percentSum, 0.0, 100.0);
    if (rest > 0)
        heights[3] = std::min(ceilUnits(rest * h / 100.0), h - used);
    return heights;
}

double ImageMemoryBar::orbDrawMemoryGraph(const OrbCanvas &canvas, const History<MemorySample> &history,
                                          const MemoryItemSettings &st, const QRectF &frame, uint64_t pageSize,
                                          uint64_t total, bool hl)
{
    double remaining = frame.width();
    const uint64_t totalPages = pageSize ? total / pageSize : 0;
    if (history.empty() || totalPages == 0)
        return remaining;
    const bool trad = st.traditional;
    const ShareColours names = shareColours(trad);
    const std::array<QColor, 4> colours{OrbCanvas::highlightedIf(st.colour(names.first), hl),
                                        OrbCanvas::highlightedIf(st.colour(names.second), hl),
                                        OrbCanvas::highlightedIf(st.colour(names.third), hl),
                                        OrbCanvas::highlightedIf(st.colour(4), hl)};
    const double bottom = frame.y();
    const double h = frame.height();
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(false);
    OrbColumnFill bars(canvas);
    for (std::size_t i = history.size(); i-- > 0;) {
        const std::array<double, 4> heights = columnHeights(history[i], totalPages, trad, h);
        double s = 0.0;
        for (std::size_t k = 0; k < heights.size(); ++k) {
            if (heights[k] > 0) {
                bars.add(static_cast<int>(k), QRectF(right - 2.0, bottom + s, 2.0, heights[k]), colours[k]);
                s += heights[k];
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

void ImageMemoryBar::drawGraph(const OrbCanvas &canvas, const MemoryItemSettings &st)
{
    const double g = 2.0 * st.graphWidth;
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double left = orbDrawMemoryGraph(canvas, resumeArray_, st, QRectF(myMenuPosX_ + g, insets_.bottom, g, h),
                                           memoryPageSize_, memoryTotlSize_, isHighLighted_);
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(st.emptyLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
    myMenuPosX_ += g + insets_.middle;
}

void ImageMemoryBar::drawText(const OrbCanvas &canvas, const MemoryItemSettings &st, OrbTextAttributes &attrs)
{
    const std::optional<OrbShadow> shadow = attrs.shadow;
    const QRectF frame(myMenuPosX_, 0, myTextWidth_, myHeight_);
    const auto draw = [&](const QString &text, int v, int hAlign, int colour) {
        attrs.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, text, v, hAlign, st.colour(colour), attrs, frame, st.fontAdjust,
                                   isHighLighted_);
    };
    draw(st.textLongLabel ? QStringLiteral("USED :") : QStringLiteral("U:"), 0, 0, 5);
    draw(st.textLongLabel ? QStringLiteral("UNSED:") : QStringLiteral("F:"), 2, 0, 6);
    OrbFormat::memorySizeText(memDatArray_[7], st.unit).assignTo(figureTexts_[0]);
    OrbFormat::memorySizeText(memDatArray_[8], st.unit).assignTo(figureTexts_[1]);
    draw(figureTexts_[0], 0, 2, 5);
    draw(figureTexts_[1], 2, 2, 6);
    attrs.shadow = shadow;
    myMenuPosX_ += myTextWidth_ + insets_.middle;
}

void ImageMemoryBar::drawDetailText(const OrbCanvas &canvas, const MemoryItemSettings &st, OrbTextAttributes &attrs)
{
    const std::optional<OrbShadow> shadow = attrs.shadow;
    const QRectF left(myMenuPosX_, 0, detailWidthL_, myHeight_);
    const QRectF right(myMenuPosX_ + detailWidthL_ + 4.0, 0, detailWidthR_, myHeight_);
    const DetailCell *cells = detailCells(st.traditional);
    for (int i = 0; i < 4; ++i) {
        const DetailCell &c = cells[i];
        const QRectF &frame = i < 2 ? left : right;
        const int v = i % 2 == 0 ? 0 : 2;
        const QColor &clr = st.colour(c.colour);
        attrs.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, c.header(st.detailLongLabel), v, 0, clr, attrs, frame, st.fontAdjust,
                                   isHighLighted_);
        attrs.shadow = shadow;
        QString &figure = figureTexts_[static_cast<std::size_t>(i)];
        OrbFormat::memorySizeText(memDatArray_[static_cast<std::size_t>(c.figure)], st.unit).assignTo(figure);
        OrbDrawText::orbDrawString(canvas, figure, v, 2, clr, attrs, frame, st.fontAdjust, isHighLighted_);
    }
    attrs.shadow = shadow;
    // The 4-unit gap between the columns is part of the element's width, so the next
    // element starts after the right column.
    myMenuPosX_ += detailWidthL_ + 4.0 + detailWidthR_ + insets_.middle;
}

void ImageMemoryBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty())
        return;
    const MemoryItemSettings &st = settings_.of(myDefaults_);
    drawModuleLabel(canvas, st.showMyLabel, st.labelImage);

    OrbTextAttributes attrs;
    attrs.font = st.font;
    attrs.shadow = OrbColors::retNormalTextShadow(st.shadow);

    const Shares s = retShares(memDatArray_, memoryPageSize_ ? memoryTotlSize_ : 0, st.traditional);
    for (const int code : st.order) {
        switch (code) {
        case 1:
            if (st.showGraph)
                drawGraph(canvas, st);
            break;
        case 2:
            if (st.showLevelBar)
                drawLevelBarElement(canvas, levelBarItems(st, s));
            break;
        case 3:
            if (st.showCircleMeter)
                drawCircleMeterElement(canvas, circleMeterItems(st, s));
            break;
        case 4:
            if (st.showText)
                drawText(canvas, st, attrs);
            break;
        case 5:
            if (st.showDetailText)
                drawDetailText(canvas, st, attrs);
            break;
        default:
            break;
        }
    }
}

} // namespace orb
