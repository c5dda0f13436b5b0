#include "modules/cpu/ImageCpuBar.h"

#include "settings/FontCatalog.h"
#include "toolkit/OrbCanvas.h"
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
namespace {

QColor color(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).value<QColor>(); }

QString percentText(double fraction) { return OrbFormat::fixed(fraction * 100.0, 0) + QLatin1Char('%'); }

} // namespace

ImageCpuBar::Fractions ImageCpuBar::fractionsOf(const CpuTicks &t)
{
    const double total = double(t.user) + double(t.system) + double(t.nice) + double(t.idle);
    if (!(total > 0))
        return {};
    return {t.user / total, t.system / total, t.nice / total, t.idle / total};
}

double ImageCpuBar::orbDrawCpuGraph(const OrbCanvas &canvas, const History<CpuSample> &history, int nowCore,
                                    const QVariantMap &d, const QRectF &frame, bool hl)
{
    double remaining = frame.width();
    if (history.empty())
        return remaining;
    const bool asLine = d.value(QStringLiteral("CPU_GraphAsLine")).toBool();
    const bool bold = d.value(QStringLiteral("CPU_LineAsBold")).toBool();
    const QColor user = OrbCanvas::highlightedIf(color(d, "A01"), hl);
    const QColor system = OrbCanvas::highlightedIf(color(d, "A02"), hl);
    const QColor nice = OrbCanvas::highlightedIf(color(d, "A03"), hl);
    const QColor idle = OrbCanvas::highlightedIf(color(d, "A04"), hl);
    const double bottom = frame.y();
    const double h = frame.height();
    double right = frame.x();
    canvas.save();
    canvas.setAntialiasing(asLine);
    std::array<double, 4> previous{-1, -1, -1, -1};
    for (std::size_t i = history.size(); i-- > 0;) {
        const CpuSample &sample = history[i];
        Fractions f;
        if (nowCore >= 0 && static_cast<std::size_t>(nowCore) < sample.size())
            f = fractionsOf(sample[static_cast<std::size_t>(nowCore)]);
        if (!asLine) {
            const double c = right - 2.0;
            double s = 0.0;
            for (auto [fraction, clr] : {std::pair{f.user, user}, {f.system, system}, {f.nice, nice}}) {
                if (fraction > 0) {
                    canvas.fillRect(QRectF(c, bottom + s, 2.0, fraction * h), clr);
                    s += fraction * h;
                }
            }
            if (f.idle > 0) {
                const double ih = s + f.idle * h > h ? h - s : f.idle * h;
                if (ih > 0)
                    canvas.fillRect(QRectF(c, bottom + s, 2.0, ih), idle);
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
    canvas.restore();
    return remaining;
}

void ImageCpuBar::drawGraph(const OrbCanvas &canvas, int core)
{
    const double g = 2.0 * myDefaults_.value(QStringLiteral("Cpu_GraphWidth")).toDouble();
    const double h = myHeight_ - insets_.top - insets_.bottom;
    const double left = orbDrawCpuGraph(canvas, resumeArray_, core, myDefaults_,
                                        QRectF(myMenuPosX_ + g, insets_.bottom, g, h), isHighLighted_);
    if (drawEmptyLine_ && left > 0)
        OrbDrawGraph::orbDrawEmptyUnderLine(canvas, OrbCanvas::highlightedIf(color(myDefaults_, "Z03"), isHighLighted_),
                                            myMenuPosX_, insets_.bottom, left);
    myMenuPosX_ += g + insets_.middle;
}

void ImageCpuBar::drawText(const OrbCanvas &canvas, const Fractions &f)
{
    const double textWidth = 2.0 * myDefaults_.value(QStringLiteral("CpuInnerTextWidth")).toDouble();
    const bool average = myDefaults_.value(QStringLiteral("Cpu_Text_DisplayAverage")).toBool();
    const double size =
        (10.0 + myDefaults_.value(QStringLiteral("_FontSizeDiff")).toDouble() + (average ? 1.0 : 0.0)) * 2.0;
    OrbTextAttributes attrs;
    attrs.font = FontCatalog::fontForName(myDefaults_.value(QStringLiteral("_FontPostScriptName")).toString(), size);
    const OrbShadow shadow = OrbColors::retNormalTextShadow(color(myDefaults_, "Z01"));
    attrs.shadow = shadow;
    const int adjust = myDefaults_.value(QStringLiteral("_FontAdjust")).toInt();
    const QRectF frame(myMenuPosX_, 0, textWidth, myHeight_);
    if (average) {
        OrbDrawText::orbDrawString(canvas, percentText(f.user + f.system), 1, 1, color(myDefaults_, "A07"), attrs,
                                   frame, adjust, isHighLighted_);
    } else {
        OrbDrawText::orbDrawString(canvas, percentText(f.user), 0, 2, color(myDefaults_, "A01"), attrs, frame, adjust,
                                   isHighLighted_);
        attrs.shadow = shadow;
        OrbDrawText::orbDrawString(canvas, percentText(f.system), 2, 2, color(myDefaults_, "A02"), attrs, frame,
                                   adjust, isHighLighted_);
    }
    myMenuPosX_ += textWidth + insets_.middle;
}

void ImageCpuBar::drawRect(const OrbCanvas &canvas, const QRectF &)
{
    if (myDefaults_.isEmpty() || resumeArray_.empty())
        return;
    drawModuleLabel(canvas, QStringLiteral("Cpu_ShowMyLabel"), QStringLiteral("L01"));
    const CpuSample &now = resumeArray_.back();
    if (now.empty())
        return;
    const int n = static_cast<int>(now.size()) - 1;
    const bool average = myDefaults_.value(QStringLiteral("Cpu_AverageMultiProcessors")).toBool();
    const int first = average ? n : 0;
    const int last = average ? n : n - 1;
    const QVariantList order = myDefaults_.value(QStringLiteral("CpuItemSortArray")).toList();
    for (int core = first; core <= last; ++core) {
        const Fractions f = fractionsOf(now[static_cast<std::size_t>(core)]);
        for (const QVariant &code : order) {
            switch (code.toInt()) {
            case 1:
                if (myDefaults_.value(QStringLiteral("Cpu_Display_Graph")).toBool())
                    drawGraph(canvas, core);
                break;
            case 2:
                if (myDefaults_.value(QStringLiteral("Cpu_Display_LevelBar")).toBool()) {
                    const std::array<OrbMeterItem, 5> items{
                        OrbMeterItem::segment(color(myDefaults_, "A01"), f.user),
                        OrbMeterItem::segment(color(myDefaults_, "A02"), f.system),
                        OrbMeterItem::segment(color(myDefaults_, "A03"), f.nice),
                        OrbMeterItem::segment(color(myDefaults_, "A04"), f.idle),
                        OrbMeterItem::frame(color(myDefaults_, "A05"))};
                    drawLevelBarElement(canvas, items);
                }
                break;
            case 3:
                if (myDefaults_.value(QStringLiteral("Cpu_Display_CircleMeter")).toBool()) {
                    const std::array<OrbMeterItem, 5> items{
                        OrbMeterItem::frame(color(myDefaults_, "A05")),
                        OrbMeterItem::segment(color(myDefaults_, "A01"), f.user),
                        OrbMeterItem::segment(color(myDefaults_, "A02"), f.system),
                        OrbMeterItem::segment(color(myDefaults_, "A03"), f.nice),
                        OrbMeterItem::segment(color(myDefaults_, "A04"), f.idle)};
                    drawCircleMeterElement(canvas, items);
                }
                break;
            case 4:
                if (myDefaults_.value(QStringLiteral("Cpu_Display_Text")).toBool())
                    drawText(canvas, f);
                break;
            default:
                break; // unknown element codes are skipped
            }
        }
    }
}

} // namespace orb
