#include "modules/disk/ImageDiskBar.h"

#include "collect/DiskBase.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawLamps.h"
#include "toolkit/OrbDrawText.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

constexpr double kIconSize = 28.0;
constexpr double kLampSize = 16.0;

double fraction(int64_t value, int64_t max)
{
    if (max <= 0 || value <= 0)
        return 0.0;
    return std::min(1.0, static_cast<double>(value) / static_cast<double>(max));
}

} // namespace

std::vector<std::size_t> ImageDiskBar::drawOrder(const DiskBase &base)
{
    std::vector<std::size_t> order(base.drives.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return QString::compare(base.drives[a].name, base.drives[b].name, Qt::CaseInsensitive) < 0;
    });
    return order;
}

const std::vector<std::size_t> &ImageDiskBar::orderOfBase()
{
    // A base is never changed once made: the same one keeps its order.
    if (orderedBase_ != baseDict_) {
        orderedBase_ = baseDict_;
        order_ = drawOrder(*baseDict_);
    }
    return order_;
}

void ImageDiskBar::refreshSettings()
{
    if (myDefaults_.isSharedWith(settingsSource_) && !settingsSource_.isEmpty())
        return;
    settingsSource_ = myDefaults_;
    settings_ = DiskSettings::from(myDefaults_);
}

double ImageDiskBar::orbDrawDiskGraph(const OrbCanvas &canvas, const DiskGraphSeries &series, const DiskSettings &s,
                                      const QRectF &frame, bool hl)
{
    double w = frame.width();
    const double y = frame.y();
    const double h = frame.height();
    const double half = h / 2.0;
    const int mode = s.graphMode;
    const bool lines = mode == 4 || mode == 5;
    const QColor readColor = OrbCanvas::highlightedIf(s.read, hl);
    const QColor writeColor = OrbCanvas::highlightedIf(s.write, hl);
    const auto bar = [&](double f) { return f * (half - 2.0) + 1.0; };
    double x = frame.x();
    canvas.save();
    canvas.setAntialiasing(lines);
    OrbColumnFill bars(canvas);
    std::optional<std::pair<double, double>> previous; // line modes: [read, write] heights
    for (const auto &[r, wr] : series.deltas) {
        if (w <= 0)
            break;
        const double rf = fraction(r, series.maxRead);
        const double wf = fraction(wr, series.maxWrite);
        switch (mode) {
        case 1:
            bars.add(0, QRectF(x - 2.0, y + half, 2.0, bar(rf)), readColor);
            bars.add(1, QRectF(x - 2.0, y, 2.0, bar(wf)), writeColor);
            break;
        case 2:
            bars.add(0, QRectF(x - 2.0, y + h - bar(rf), 2.0, bar(rf)), readColor);
            bars.add(1, QRectF(x - 2.0, y, 2.0, bar(wf)), writeColor);
            break;
        case 3:
            bars.add(0, QRectF(x - 2.0, y + half, 2.0, bar(rf)), readColor);
            bars.add(1, QRectF(x - 2.0, y + half - bar(wf), 2.0, bar(wf)), writeColor);
            break;
        case 4:
        case 5: {
            const double rY = rf * (h - 2.0);
            const double wY = wf * (h - 2.0);
            if (previous) {
                canvas.setCurrentColor(writeColor);
                OrbDrawGraph::orbDrawGraphWithLine(canvas, previous->second, wY, x, y + 2.0, mode == 5);
                canvas.setCurrentColor(readColor);
                OrbDrawGraph::orbDrawGraphWithLine(canvas, previous->first, rY, x, y + 2.0, mode == 5);
            }
            previous = std::pair{rY, wY};
            break;
        }
        default:
            break;
        }
        x -= 2.0;
        w -= 2.0;
    }
    bars.fill();
    canvas.restore();
    return w;
}

void ImageDiskBar::drawLabels(const OrbCanvas &canvas, const QStringList &labels, double labelWidth)
{
    if (labels.size() < 2)
        return;
    const QRectF frame(myMenuPosX_, 0, 2.0 * labelWidth, myHeight_);
    const std::optional<OrbShadow> shadow = attrs_.shadow;
    OrbDrawText::orbDrawString(canvas, labels[0], 0, 0, settings_.read, attrs_, frame, settings_.fontAdjust,
                               isHighLighted_);
    attrs_.shadow = shadow;
    OrbDrawText::orbDrawString(canvas, labels[1], 2, 0, settings_.write, attrs_, frame, settings_.fontAdjust,
                               isHighLighted_);
    attrs_.shadow = shadow;
    myMenuPosX_ += 2.0 * labelWidth;
}

void ImageDiskBar::drawIndicator(const OrbCanvas &canvas, const QString &key)
{
    drawLabels(canvas, settings_.indicatorLabels, settings_.indicatorLabelWidth);
    // The lamps' place is kept even for a disk without a reading, so the width holds.
    const DiskRW *rw = rwChkDict_->find(key);
    OrbDrawLamps::orbDrawVerticalTwoCircle(canvas, rw && rw->readActive, rw && rw->writeActive, settings_.lampFrame,
                                           settings_.lampBack, settings_.read, settings_.write, myMenuPosX_,
                                           myHeight_, kLampSize, 2.0, isHighLighted_);
    myMenuPosX_ += kLampSize + insets_.middle;
}

void ImageDiskBar::drawGraph(const OrbCanvas &canvas, const QString &key)
{
    drawLabels(canvas, settings_.graphLabels, settings_.graphLabelWidth);
    const double g = 2.0 * settings_.graphWidth;
    // One bar (two units) per sample: only the samples that fit are looked at, and they
    // alone set the scale.
    const auto visible = static_cast<std::size_t>(std::ceil(g / 2.0));
    const DiskGraphSeries series = DiskActivity::graphSeries(resumeArray_, key, visible);
    if (!series.deltas.empty()) {
        const double h = myHeight_ - insets_.top - insets_.bottom;
        const double left = orbDrawDiskGraph(canvas, series, settings_, QRectF(myMenuPosX_ + g, insets_.top, g, h),
                                             isHighLighted_);
        if (drawEmptyLine_ && left > 0)
            OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(settings_.emptyLine, isHighLighted_),
                                                myMenuPosX_, insets_.top, left);
    }
    myMenuPosX_ += g + insets_.middle;
}

void ImageDiskBar::drawText(const OrbCanvas &canvas, const QString &key)
{
    drawLabels(canvas, settings_.textLabels, settings_.textLabelWidth);
    const double valueWidth = 2.0 * settings_.textValueWidth;
    if (const DiskRW *rw = rwChkDict_->find(key)) {
        const QRectF frame(myMenuPosX_, 0, valueWidth, myHeight_);
        const std::optional<OrbShadow> shadow = attrs_.shadow;
        OrbDrawText::orbDrawString(canvas, rw->readText, 0, 2, settings_.read, attrs_, frame, settings_.fontAdjust,
                                   isHighLighted_);
        attrs_.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, rw->writeText, 2, 2, settings_.write, attrs_, frame, settings_.fontAdjust,
                                   isHighLighted_);
        attrs_.shadow = shadow;
    }
    myMenuPosX_ += valueWidth + insets_.middle;
}

void ImageDiskBar::moduleForeach(const OrbCanvas &canvas, const QString &key)
{
    for (int code : settings_.order) {
        switch (code) {
        case DiskSettings::Indicator:
            if (settings_.showIndicator)
                drawIndicator(canvas, key);
            break;
        case DiskSettings::Graph:
            if (settings_.showGraph)
                drawGraph(canvas, key);
            break;
        case DiskSettings::Text:
            if (settings_.showText)
                drawText(canvas, key);
            break;
        default:
            break;
        }
    }
}

void ImageDiskBar::drawIcon(const OrbCanvas &canvas, const QImage &icon, const DiskRW *rw)
{
    if (!icon.isNull()) {
        if (settings_.indicatorAboveIcon) {
            drawDeviceIcon(canvas, icon, QRectF(myMenuPosX_, 4.0, kIconSize, kIconSize), 1.0);
            OrbDrawLamps::orbDrawHorizontalTwoCircle(
                canvas, rw && rw->readActive, rw && rw->writeActive, settings_.lampFrame, settings_.lampBack,
                settings_.read, settings_.write, myMenuPosX_, (myHeight_ - kIconSize) / 2.0 + kIconSize - 2.0,
                kIconSize, 8.0, 2.0, isHighLighted_);
        } else {
            drawDeviceIcon(canvas, icon,
                           QRectF(myMenuPosX_, std::floor((myHeight_ - kIconSize) / 2.0), kIconSize, kIconSize), 0.8);
        }
    }
    myMenuPosX_ += insets_.middle + kIconSize;
}

void ImageDiskBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || !baseDict_ || baseDict_->drives.empty() || !rwChkDict_ || resumeArray_.empty())
        return;
    refreshSettings();
    drawModuleLabel(canvas, settings_.showLabel, settings_.labelImage);
    attrs_.font = settings_.font;
    attrs_.shadow = OrbColors::retNormalTextShadow(settings_.shadow);

    if (!settings_.showEachDisk) {
        moduleForeach(canvas, QStringLiteral("all"));
        return;
    }
    for (std::size_t i : orderOfBase()) {
        const DiskDrive &drive = baseDict_->drives[i];
        if (settings_.drawsIcons())
            drawIcon(canvas, i < icons_.size() ? icons_[i] : QImage(), rwChkDict_->find(drive.devicePath));
        moduleForeach(canvas, drive.devicePath);
    }
}

} // namespace orb
