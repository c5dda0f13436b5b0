#include "modules/volume/ImageVolumeBar.h"

#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawLamps.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbMeterItem.h"

#include <QPainter>
#include <array>
#include <cmath>

namespace orb {
namespace {

constexpr double kIconSize = 28.0;

} // namespace

void ImageVolumeBar::refreshSettings()
{
    if (myDefaults_.isSharedWith(settingsSource_) && !settingsSource_.isEmpty())
        return;
    settingsSource_ = myDefaults_;
    settings_ = VolumeSettings::from(myDefaults_);
}

double ImageVolumeBar::orbDrawVolumeGraph(const OrbCanvas &canvas, const History<VolumeSample> &history,
                                          const QString &path, const VolumeSettings &s, const QRectF &frame, bool hl)
{
    double x = frame.x();
    const double y = frame.y();
    double w = frame.width();
    const double h = frame.height();
    canvas.save();
    canvas.setAntialiasing(s.graphAsLine);
    OrbColumnFill bars(canvas);
    double previous = -1.0;
    const QColor background = hl ? QColor(Qt::transparent) : s.free;
    for (std::size_t k = history.size(); k-- > 0 && w > 0;) {
        const VolumeUsage *u = VolumeFigureTable::find(history[k], path);
        double fraction = 0.0;
        if (u && u->total >= 1)
            fraction = std::clamp(static_cast<double>(u->used) / static_cast<double>(u->total), 0.0, 1.0);
        const QColor c = OrbCanvas::highlightedIf(s.usageColor(fraction, false, -1.0), hl);
        const double v = fraction * h;
        if (s.graphAsLine) {
            if (previous > -1.0) {
                canvas.setCurrentColor(c);
                OrbDrawGraph::orbDrawGraphWithLine(canvas, previous, v, x, y, s.lineAsBold);
            }
            previous = v;
        } else {
            if (v > 0)
                bars.add(0, QRectF(x - 2.0, y, 2.0, v), c);
            if (h - v > 0)
                bars.add(1, QRectF(x - 2.0, y + v, 2.0, h - v), background);
        }
        x -= 2.0;
        w -= 2.0;
    }
    bars.fill();
    canvas.restore();
    return w;
}

void ImageVolumeBar::drawGraph(const OrbCanvas &canvas, const VolumeFigure &f)
{
    const double g = 2.0 * settings_.graphWidth;
    if (!resumeArray_.empty()) {
        const double h = myHeight_ - insets_.top - insets_.bottom;
        const double left = orbDrawVolumeGraph(canvas, resumeArray_, f.path, settings_,
                                               QRectF(myMenuPosX_ + g, insets_.top, g, h), isHighLighted_);
        if (drawEmptyLine_ && left > 0)
            OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(settings_.emptyLine, isHighLighted_),
                                                myMenuPosX_, insets_.top, left);
    }
    myMenuPosX_ += g + insets_.middle;
}

void ImageVolumeBar::drawText(const OrbCanvas &canvas, const VolumeFigure &f)
{
    const double fraction = f.usedFraction();
    const QColor usage = settings_.usageColor(fraction, false, 1.0);
    const std::optional<OrbShadow> shadow = attrs_.shadow;
    attrs_.font = settings_.font;
    if (settings_.textLabels.size() >= 2) {
        const QRectF frame(myMenuPosX_, 0, 2.0 * settings_.textLabelWidth, myHeight_);
        OrbDrawText::orbDrawString(canvas, settings_.textLabels[0], 0, 0, usage, attrs_, frame, settings_.fontAdjust,
                                   isHighLighted_);
        attrs_.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, settings_.textLabels[1], 2, 0, settings_.free, attrs_, frame,
                                   settings_.fontAdjust, isHighLighted_);
        attrs_.shadow = shadow;
        myMenuPosX_ += 2.0 * settings_.textLabelWidth;
    }
    const QRectF frame(myMenuPosX_, 0, 2.0 * f.textWidth, myHeight_);
    OrbDrawText::orbDrawString(canvas, f.usedText, 0, 2, usage, attrs_, frame, settings_.fontAdjust, isHighLighted_);
    attrs_.shadow = shadow;
    OrbDrawText::orbDrawString(canvas, f.freeText, 2, 2, settings_.free, attrs_, frame, settings_.fontAdjust,
                               isHighLighted_);
    attrs_.shadow = shadow;
    myMenuPosX_ += 2.0 * f.textWidth + insets_.middle;
}

void ImageVolumeBar::drawPercent(const OrbCanvas &canvas, const VolumeFigure &f)
{
    double p = 0.0;
    if (f.total >= 1)
        p = std::clamp(static_cast<double>(settings_.percentUsed ? f.used : f.total - f.used)
                           / static_cast<double>(f.total),
                       0.0, 1.0);
    const QColor c = settings_.percentUsed ? settings_.usageColor(f.usedFraction(), false, 1.0) : settings_.free;
    const std::optional<OrbShadow> shadow = attrs_.shadow;
    attrs_.font = settings_.percentFont;
    const QRectF frame(myMenuPosX_, 0, 2.0 * settings_.percentWidth, myHeight_);
    OrbDrawText::orbDrawString(canvas, OrbFormat::percent(p), 1, 1, c, attrs_, frame,
                               settings_.fontAdjust, isHighLighted_);
    attrs_.shadow = shadow;
    attrs_.font = settings_.font;
    myMenuPosX_ += 2.0 * settings_.percentWidth + insets_.middle;
}

void ImageVolumeBar::moduleForeach(const OrbCanvas &canvas, const VolumeFigure &f)
{
    const double usedPer = f.usedFraction();
    for (int code : settings_.order) {
        switch (code) {
        case VolumeSettings::Graph:
            if (settings_.showGraph)
                drawGraph(canvas, f);
            break;
        case VolumeSettings::LevelBar:
            if (settings_.showLevelBar) {
                const std::array<OrbMeterItem, 3> items{
                    OrbMeterItem::segment(settings_.usageColor(usedPer, false, -1.0), usedPer),
                    OrbMeterItem::segment(settings_.free, 1.0 - usedPer), OrbMeterItem::frame(settings_.barFrame)};
                drawLevelBarElement(canvas, items);
            }
            break;
        case VolumeSettings::Circle:
            if (settings_.showCircle) {
                const std::array<OrbMeterItem, 3> items{
                    OrbMeterItem::frame(settings_.circleFrame),
                    OrbMeterItem::segment(settings_.usageColor(usedPer, false, -1.0), usedPer),
                    OrbMeterItem::segment(settings_.free, 1.0 - usedPer)};
                drawCircleMeterElement(canvas, items);
            }
            break;
        case VolumeSettings::Text:
            if (settings_.showText)
                drawText(canvas, f);
            break;
        case VolumeSettings::Percent:
            if (settings_.showPercent)
                drawPercent(canvas, f);
            break;
        default:
            break;
        }
    }
}

void ImageVolumeBar::drawIcon(const OrbCanvas &canvas, const VolumeFigure &f)
{
    const QImage icon = icons_.value(f.path);
    if (!icon.isNull()) {
        if (settings_.indicatorAboveIcon) {
            drawDeviceIcon(canvas, icon, QRectF(myMenuPosX_, 4.0, kIconSize, kIconSize), 1.0);
            OrbDrawLamps::orbDrawHorizontalSigleCircle(canvas, f.changed, settings_.circleFrame, settings_.free,
                                                       settings_.lampOn, myMenuPosX_,
                                                       (myHeight_ - kIconSize) / 2.0 + kIconSize - 2.0, kIconSize,
                                                       8.0, isHighLighted_);
        } else {
            drawDeviceIcon(canvas, icon,
                           QRectF(myMenuPosX_, std::floor((myHeight_ - kIconSize) / 2.0), kIconSize, kIconSize), 0.8);
        }
    }
    myMenuPosX_ += insets_.middle + kIconSize;
}

void ImageVolumeBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || !useFreeDict_ || resumeArray_.empty())
        return;
    refreshSettings();
    drawModuleLabel(canvas, settings_.showLabel, settings_.labelImage);
    attrs_.font = settings_.font;
    attrs_.shadow = OrbColors::retNormalTextShadow(settings_.shadow);
    if (!settings_.showEachDisk) {
        moduleForeach(canvas, useFreeDict_->all);
        return;
    }
    for (const VolumeFigure *f : useFreeDict_->drawn(settings_.hideNetwork)) {
        if (settings_.drawsIcons())
            drawIcon(canvas, *f);
        moduleForeach(canvas, *f);
    }
}

} // namespace orb
