#include "modules/temp/ImageTempBar.h"

#include "settings/FontCatalog.h"
#include "settings/PrefFunctions.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbTextAttributes.h"

#include <algorithm>

namespace orb {

QString ImageTempBar::retNowSelectedTempKey(const QString &shown, const TempSample &newest)
{
    if (shown == QLatin1String("(Highest)")) {
        QString best;
        double highest = 0.0;
        for (const auto &[label, value] : newest.readings) {
            if (double(value) > highest) {
                highest = double(value);
                best = label;
            }
        }
        if (newest.battery && newest.battery->toDouble() > highest)
            best = kBatteryKey;
        return best;
    }
    if (!shown.isEmpty() && shown != QLatin1String("(Average)"))
        return shown;
    return kAverageKey;
}

double ImageTempBar::valueOf(const TempSample &sample, const QString &key, std::size_t hint)
{
    if (hint < sample.readings.size() && sample.readings[hint].first == key)
        return double(sample.readings[hint].second);
    if (key == kAverageKey)
        return sample.average ? double(*sample.average) : 0.0;
    for (const auto &[label, value] : sample.readings)
        if (label == key)
            return double(value);
    if (key == kBatteryKey && sample.battery)
        return sample.battery->toDouble();
    return 0.0;
}

QString ImageTempBar::temperatureText(double celsius, const TempItemSettings &s, bool withUnit)
{
    return OrbFormat::calcTempWithUnit(static_cast<float>(celsius), s.unitMode, withUnit ? s.unitStr : QString(), true);
}

double ImageTempBar::orbDrawTempGraph(const OrbCanvas &canvas, const History<TempSample> &history,
                                      const TempItemSettings &s, const QString &key, const QRectF &frame, bool hl)
{
    double remaining = frame.width();
    if (history.empty())
        return remaining;
    std::size_t hint = 0;
    const auto &newest = history.back().readings;
    while (hint < newest.size() && newest[hint].first != key)
        ++hint;
    const double bottom = frame.y();
    const double h = frame.height();
    const float maxTemp = static_cast<float>(s.maxTemp);
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(false);
    OrbColumnFill bars(canvas);
    for (std::size_t i = history.size(); i-- > 0;) {
        const float t = static_cast<float>(valueOf(history[i], key, hint));
        const float colourFraction = std::clamp(std::min(maxTemp, t) / maxTemp, 0.0f, 1.0f);
        const float heightFraction = std::clamp(std::min(100.0f, t) / 100.0f, 0.0f, 1.0f);
        if (heightFraction > 0.0f) {
            const QColor c = colourFraction > 0.0f
                ? OrbColors::retGraphColor(colourFraction, s.low, s.warning, s.critical, s.gradient)
                : OrbColors::controlTextColor();
            bars.add(0, QRectF(right - 2.0, bottom, 2.0, heightFraction * h), OrbCanvas::highlightedIf(c, hl));
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

void ImageTempBar::drawGraph(const OrbCanvas &canvas, const TempItemSettings &s, const QString &key, double width)
{
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double left = orbDrawTempGraph(canvas, resumeArray_, s, key, QRectF(myMenuPosX_ + width, insets_.bottom, width, h),
                                         isHighLighted_);
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(s.baseLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
}

const QFont &ImageTempBar::fontFor(const QString &text, const TempItemSettings &s, double width)
{
    const double base = 10.0 + s.fontSizeDiff;
    if (text != fontText_ || width != fontWidth_ || base != fontBase_ || s.fontName != fontName_) {
        font_ = FontCatalog::fontForName(s.fontName, PrefFunctions::calcPiledFontSize(text, base, s.fontName, width / 2.0));
        fontText_ = text;
        fontName_ = s.fontName;
        fontWidth_ = width;
        fontBase_ = base;
    }
    return font_;
}

void ImageTempBar::drawText(const OrbCanvas &canvas, const TempItemSettings &s, const QString &key, double width)
{
    const QString text = temperatureText(valueOf(resumeArray_.back(), key), s, s.textMode != 2);
    OrbTextAttributes attrs;
    attrs.font = fontFor(text, s, width);
    attrs.shadow = s.pileUp ? OrbColors::retPiledTextShadow(s.shadow) : OrbColors::retNormalTextShadow(s.shadow);
    const double height = s.pileUp && s.textMode == 2 ? myHeight_ - 2.0 : myHeight_;
    OrbDrawText::orbDrawString(canvas, text, s.pileUp ? 0 : 1, 1, s.text, attrs, QRectF(myMenuPosX_, 0, width, height),
                               2 * s.fontAdjust, isHighLighted_);
}

void ImageTempBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty() || resumeArray_.back().empty())
        return;
    const TempItemSettings &s = settings_.of(myDefaults_);
    drawModuleLabel(canvas, s.showLabel, s.labelImage);
    const QString key = retNowSelectedTempKey(s.shown, resumeArray_.back());
    if (s.pileUp) {
        const double g = 2.0 * s.graphWidth;
        drawGraph(canvas, s, key, g);
        drawText(canvas, s, key, g);
        myMenuPosX_ += g + insets_.middle;
        return;
    }
    for (int code : s.order) {
        if (code == 1 && s.displayText) {
            const double w = 2.0 * s.textWidth;
            drawText(canvas, s, key, w);
            myMenuPosX_ += w + insets_.middle;
        } else if (code == 2 && s.displayGraph) {
            const double g = 2.0 * s.graphWidth;
            drawGraph(canvas, s, key, g);
            myMenuPosX_ += g + insets_.middle;
        }
    }
}

} // namespace orb
