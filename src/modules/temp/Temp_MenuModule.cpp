#include "modules/temp/Temp_MenuModule.h"

#include "modules/temp/ImageTempBar.h"
#include "modules/temp/Temp_MenuController.h"
#include "toolkit/OrbColors.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>

namespace orb {

QVariantMap Temp_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Temp_Display_Graph"), true},
            {QStringLiteral("Temp_Display_Text"), false},
            {QStringLiteral("Temp_PileUp_TextGraph"), false},
            {QStringLiteral("Temp_GraphWidth"), qint64(250)},
            {QStringLiteral("Temp_ShowMyLabel"), false},
            {QStringLiteral("TempInnerPileUp"), false},
            {QStringLiteral("TempInnerPiledFontSizeDbl"), 0.0},
            {QStringLiteral("TempInnerTextMode"), qint64(1)},
            {QStringLiteral("TempInnerTextWidth"), 0.0},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("TempItemSortArray"), QVariantList{qint64(2)}}};
}

Temp_MenuModule::Temp_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Temp, delegate, menuGraphDefaults(), QStringLiteral("Temp_EnaMenu_"),
                      QStringLiteral("Temp_GraphWidth"))
{
}

Temp_MenuModule::~Temp_MenuModule() = default;

void Temp_MenuModule::setSensorData(const SensorData &data)
{
    if (data.temp)
        resumeArray_ = *data.temp;
}

ElementWidths Temp_MenuModule::elementWidths(const OrbEdgeInsets &, double) const
{
    const TempItemSettings &s = settings();
    ElementWidths widths;
    // Piled up, the text is drawn over the graph and takes no width of its own.
    if (s.displayText && !s.pileUp)
        widths.push_back(std::ceil(s.textWidth));
    if (s.displayGraph)
        widths.push_back(s.graphWidth);
    return widths;
}

void Temp_MenuModule::refreshBar()
{
    if (controller_ && nowCnt_ < 0 && hasData())
        nowCnt_ = controller_->checkTempCount(resumeArray_.back(), nowCnt_);
    GraphMenuModule::refreshBar();
}

QString Temp_MenuModule::headline() const
{
    if (!hasData())
        return {};
    const TempItemSettings &s = settings();
    const TempSample &newest = resumeArray_.back();
    return ImageTempBar::temperatureText(
        ImageTempBar::valueOf(newest, ImageTempBar::retNowSelectedTempKey(s.shown, newest)), s, true);
}

TrayHeadline Temp_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (resumeArray_.empty())
        return h;
    if (!hasData()) { // the sensors went away
        h.label = QStringLiteral("TEMP --");
        return h;
    }
    const TempItemSettings &s = settings();
    const TempSample &newest = resumeArray_.back();
    const QString key = ImageTempBar::retNowSelectedTempKey(s.shown, newest);
    const double t = key.isEmpty() ? 0.0 : ImageTempBar::valueOf(newest, key);
    const auto nameOf = [](const QString &k) {
        return k == ImageTempBar::kAverageKey ? QCoreApplication::translate("OrbStrings", "Average") : k;
    };
    // A sensor that gave nothing (or no sensor above zero) is no reading, never "0°".
    if (!(t > 0.0) || !std::isfinite(t)) {
        h.label = QStringLiteral("TEMP --");
        if (!key.isEmpty())
            h.toolTip = nameOf(key) + QStringLiteral(": ") + ImageTempBar::temperatureText(0.0, s, true);
        return h;
    }
    h.gauge = TrayHeadline::Gauge::Bar;
    h.fraction = std::clamp(t / 100.0, 0.0, 1.0);
    h.colour = OrbColors::retGraphColor(std::clamp(std::min(s.maxTemp, t) / s.maxTemp, 0.0, 1.0),
                                        s.low, s.warning, s.critical, s.gradient);
    h.label = ImageTempBar::temperatureText(t, s, true);
    h.figure = ImageTempBar::temperatureText(t, s, false) + (s.unitMode == 3 ? QString() : QStringLiteral("\u00b0"));
    QStringList lines{nameOf(key) + QStringLiteral(": ") + h.label};
    // The hottest sensor too, when another one is shown.
    const QString hottest = ImageTempBar::retNowSelectedTempKey(QStringLiteral("(Highest)"), newest);
    if (!hottest.isEmpty() && hottest != key) {
        const double ht = ImageTempBar::valueOf(newest, hottest);
        lines << QCoreApplication::translate("OrbStrings", "Hottest %1: %2")
                     .arg(hottest, ImageTempBar::temperatureText(ht, s, true));
    }
    h.toolTip = lines.join(QLatin1Char('\n'));
    return h;
}

std::unique_ptr<ModuleImageView> Temp_MenuModule::makeImageView() const { return std::make_unique<ImageTempBar>(); }

void Temp_MenuModule::prepareView(ModuleImageView &view) const
{
    static_cast<ImageTempBar &>(view).setResumeArray(resumeArray_);
}

void Temp_MenuModule::addDetailItems(QMenu &menu)
{
    const int width = menuGraphDefaults().value(QStringLiteral("Temp_GraphWidth")).toInt() + 2;
    auto *action = new QWidgetAction(&menu);
    auto *controller = new Temp_MenuController(width);
    action->setDefaultWidget(controller);
    menu.addAction(action);
    controller_ = controller;
    nowCnt_ = -1;
    if (hasData())
        nowCnt_ = controller->checkTempCount(resumeArray_.back(), nowCnt_);
}

void Temp_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (!controller_ || !hasData())
        return;
    const TempSample &newest = resumeArray_.back();
    // A sensor set that changed since the menu was built gets its rows at once.
    if (Temp_MenuController::rowCount(newest) != nowCnt_)
        nowCnt_ = controller_->checkTempCount(newest, nowCnt_);
    controller_->setMyDefaults(myDefaults());
    controller_->replaceDetailData(newest);
}

void Temp_MenuModule::menuWillOpen()
{
    if (menuItemRefresh())
        nowCnt_ = -1;
    GraphMenuModule::menuWillOpen();
}

} // namespace orb
