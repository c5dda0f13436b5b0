#include "modules/fan/ImageFanBar.h"

#include "settings/FontCatalog.h"
#include "settings/PrefFunctions.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbColumnFill.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbTextAttributes.h"

#include <algorithm>

namespace orb {

QString ImageFanBar::speedText(int64_t rpm, bool rpmSuffix)
{
    QString text = QStringLiteral("%1").arg(qint64(rpm), 4, 10, QLatin1Char('0'));
    if (rpmSuffix)
        text += QLatin1String("rpm");
    return text;
}

double ImageFanBar::orbDrawFanGraph(const OrbCanvas &canvas, const History<FanSample> &history,
                                    const FanItemSettings &s, const QRectF &frame, bool hl)
{
    double remaining = frame.width();
    if (history.empty())
        return remaining;
    const double bottom = frame.y();
    const double h = frame.height();
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(false);
    OrbColumnFill bars(canvas);
    for (std::size_t i = history.size(); i-- > 0;) {
        const int64_t r = averageOf(history[i]);
        const float colourFraction = std::clamp(static_cast<float>(double(r) / s.maxRpm), 0.0f, 1.0f);
        const double heightFraction = std::clamp(double(r) / 6000.0, 0.0, 1.0);
        if (heightFraction > 0.0) {
            const QColor c = OrbColors::retGraphColor(colourFraction, s.low, s.warning, s.critical, s.gradient);
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

void ImageFanBar::drawGraph(const OrbCanvas &canvas, const FanItemSettings &s, double width)
{
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double left = orbDrawFanGraph(canvas, resumeArray_, s, QRectF(myMenuPosX_ + width, insets_.bottom, width, h),
                                        isHighLighted_);
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(s.baseLine, isHighLighted_), myMenuPosX_,
                                            insets_.bottom, left);
}

const QFont &ImageFanBar::fontFor(const QString &text, const FanItemSettings &s, double width)
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

void ImageFanBar::drawText(const OrbCanvas &canvas, const FanItemSettings &s, double width)
{
    const QString text = speedText(averageOf(resumeArray_.back()), s.rpmSuffix);
    OrbTextAttributes attrs;
    attrs.font = fontFor(text, s, width);
    attrs.shadow = s.pileUp ? OrbColors::retPiledTextShadow(s.shadow) : OrbColors::retNormalTextShadow(s.shadow);
    const bool lowered = s.pileUp && (s.textMode == 2 || s.textMode == 4);
    const double height = lowered ? myHeight_ - 2.0 : myHeight_;
    OrbDrawText::orbDrawString(canvas, text, s.pileUp ? 0 : 1, 1, s.text, attrs, QRectF(myMenuPosX_, 0, width, height),
                               2 * s.fontAdjust, isHighLighted_);
}

void ImageFanBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty() || resumeArray_.back().fans.empty())
        return;
    const FanItemSettings &s = settings_.of(myDefaults_);
    drawModuleLabel(canvas, s.showLabel, s.labelImage);
    if (s.pileUp) {
        const double g = 2.0 * s.graphWidth;
        drawGraph(canvas, s, g);
        drawText(canvas, s, g);
        myMenuPosX_ += g + insets_.middle;
        return;
    }
    for (int code : s.order) {
        if (code == 1 && s.displayText) {
            const double w = 2.0 * s.textWidth;
            drawText(canvas, s, w);
            myMenuPosX_ += w + insets_.middle;
        } else if (code == 2 && s.displayGraph) {
            const double g = 2.0 * s.graphWidth;
            drawGraph(canvas, s, g);
            myMenuPosX_ += g + insets_.middle;
        }
    }
}

} // namespace orb
