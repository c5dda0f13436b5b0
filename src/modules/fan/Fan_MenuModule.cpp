#include "modules/fan/Fan_MenuModule.h"

#include "modules/fan/ImageFanBar.h"
#include "toolkit/OrbColors.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>

namespace orb {

QVariantMap Fan_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Fan_Display_Graph"), true},
            {QStringLiteral("Fan_Display_Text"), false},
            {QStringLiteral("Fan_PileUp_TextGraph"), false},
            {QStringLiteral("Fan_GraphWidth"), qint64(250)},
            {QStringLiteral("Fan_ShowMyLabel"), false},
            {QStringLiteral("FanInnerPileUp"), false},
            {QStringLiteral("FanInnerPiledFontSizeDbl"), 0.0},
            {QStringLiteral("FanInnerTextMode"), qint64(1)},
            {QStringLiteral("FanInnerTextWidth"), 0.0},
            {QStringLiteral("FanInnerTextFormat"), QString()},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("FanItemSortArray"), QVariantList{qint64(2)}}};
}

Fan_MenuModule::Fan_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Fan, delegate, menuGraphDefaults(), QStringLiteral("Fan_EnaMenu_"),
                      QStringLiteral("Fan_GraphWidth"))
{
}

Fan_MenuModule::~Fan_MenuModule() = default;

void Fan_MenuModule::setSensorData(const SensorData &data)
{
    if (data.fan)
        resumeArray_ = *data.fan;
}

ElementWidths Fan_MenuModule::elementWidths(const OrbEdgeInsets &, double) const
{
    const FanItemSettings &s = settings();
    ElementWidths widths;
    if (s.displayText && !s.pileUp)
        widths.push_back(std::ceil(s.textWidth));
    if (s.displayGraph)
        widths.push_back(s.graphWidth);
    return widths;
}

void Fan_MenuModule::checkRows()
{
    if (!controller_ || !hasData())
        return;
    const int count = Fan_MenuController::retMenuFanCnt(resumeArray_.back());
    if (count != nowCnt_) {
        nowCnt_ = count;
        controller_->resizeMe(count);
    }
}

void Fan_MenuModule::refreshBar()
{
    if (nowCnt_ < 0)
        checkRows();
    GraphMenuModule::refreshBar();
}

QString Fan_MenuModule::headline() const
{
    if (!hasData())
        return {};
    return QStringLiteral("%1rpm").arg(qint64(ImageFanBar::averageOf(resumeArray_.back())));
}

TrayHeadline Fan_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (resumeArray_.empty())
        return h;
    // No fan could be read this time: no figure, never a stopped fan.
    if (!hasData()) {
        h.label = QStringLiteral("FAN --");
        return h;
    }
    const FanItemSettings &s = settings();
    const FanSample &newest = resumeArray_.back();
    const auto text = [](int64_t rpm) { return QString::number(rpm) + QStringLiteral("rpm"); };
    int64_t fastest = 0;
    QStringList lines;
    for (const auto &[name, rpm] : newest.fans) {
        fastest = std::max(fastest, rpm);
        if (lines.size() < kToolTipFans)
            lines << name + QStringLiteral(": ") + text(rpm);
    }
    const auto more = static_cast<qsizetype>(newest.fans.size()) - lines.size();
    if (more > 0)
        lines << QCoreApplication::translate("OrbStrings", "%n more", nullptr, static_cast<int>(more));
    h.gauge = TrayHeadline::Gauge::Pie;
    h.fraction = std::clamp(static_cast<double>(fastest) / s.maxRpm, 0.0, 1.0);
    h.colour = OrbColors::retGraphColor(h.fraction, s.low, s.warning, s.critical, s.gradient);
    h.label = text(fastest);
    h.figure = TrayHeadline::shortAmount(static_cast<double>(fastest), 1000.0);
    h.toolTip = lines.join(QLatin1Char('\n'));
    return h;
}

std::unique_ptr<ModuleImageView> Fan_MenuModule::makeImageView() const { return std::make_unique<ImageFanBar>(); }

void Fan_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageFanBar &>(view);
    bar.setResumeArray(resumeArray_);
    bar.setFanNum(hasData() ? static_cast<int>(resumeArray_.back().fans.size()) + 1 : 0);
}

void Fan_MenuModule::addDetailItems(QMenu &menu)
{
    const int width = menuGraphDefaults().value(QStringLiteral("Fan_GraphWidth")).toInt() + 2;
    auto *action = new QWidgetAction(&menu);
    auto *controller = new Fan_MenuController(width);
    action->setDefaultWidget(controller);
    menu.addAction(action);
    controller_ = controller;
    nowCnt_ = -1;
    checkRows();
}

void Fan_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (!controller_ || !hasData())
        return;
    // Fans that came or went since the menu was built get their rows at once.
    checkRows();
    controller_->setMyDefaults(myDefaults());
    controller_->replaceDetailData(resumeArray_.back());
}

void Fan_MenuModule::menuWillOpen()
{
    if (menuItemRefresh())
        nowCnt_ = -1;
    GraphMenuModule::menuWillOpen();
}

} // namespace orb
