#include "modules/cpu/CPU_MenuModule.h"

#include "collect/CpuInformation.h"
#include "modules/cpu/CPU_MenuController.h"
#include "modules/cpu/ImageCpuBar.h"
#include "toolkit/OrbColors.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbFormat.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orb {

QVariantMap CPU_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Cpu_Display_Graph"), true},
            {QStringLiteral("Cpu_Display_LevelBar"), false},
            {QStringLiteral("Cpu_Display_CircleMeter"), false},
            {QStringLiteral("Cpu_Display_Text"), false},
            {QStringLiteral("Cpu_GraphWidth"), qint64(450)},
            {QStringLiteral("Cpu_AverageMultiProcessors"), true},
            {QStringLiteral("Cpu_Text_DisplayAverage"), false},
            {QStringLiteral("Cpu_ShowMyLabel"), false}};
}

CPU_MenuModule::CPU_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Cpu, delegate, menuGraphDefaults(), QStringLiteral("CPU_EnaMenu_"),
                      QStringLiteral("Cpu_GraphWidth")),
      cores_(1)
{
    // Until the first sample the graph shows the machine's processors, counted in the tree
    // the passes read (one when the item has no machine behind it).
    if (const std::optional<Sysroot> root = delegate ? delegate->menuSysroot() : std::nullopt)
        cores_ = std::max(1, CpuInformation::logicalProcessorCount(*root));
}

CPU_MenuModule::~CPU_MenuModule() = default;

void CPU_MenuModule::setSensorData(const SensorData &data)
{
    if (data.cpu)
        resumeArray_ = *data.cpu;
    processes_ = data.processes;
}

void CPU_MenuModule::addDetailItems(QMenu &menu)
{
    controller_ = std::make_unique<CPU_MenuController>();
    controller_->addItems(menu, static_cast<int>(menuGraphDefaults().value(QStringLiteral("Cpu_GraphWidth")).toInt()) + 2);
    loadBaseData();
}

void CPU_MenuModule::loadBaseData()
{
    if (!controller_)
        return;
    const std::shared_ptr<SettingsStore> store = SettingsStore::open();
    controller_->loadBaseData(delegate() ? delegate()->menuSysroot() : std::nullopt,
                              store->stringForKey(QStringLiteral("MacRealName")),
                              store->stringForKey(QStringLiteral("MacRawName")),
                              store->stringForKey(QStringLiteral("MacIconName")));
}

void CPU_MenuModule::menuWillOpen()
{
    // The ranking of the processes is worked out once per opening.
    loadBaseData();
    GraphMenuModule::menuWillOpen();
}

void CPU_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (controller_)
        controller_->replaceData(myDefaults(), resumeArray_, processes_, delegate() ? delegate()->menuSysroot() : std::nullopt);
}

History<CpuSample> CPU_MenuModule::drawableHistory() const
{
    if (!resumeArray_.empty() && !resumeArray_.back().empty())
        return resumeArray_;
    return History<CpuSample>().appended(CpuSample(static_cast<std::size_t>(cores_) + 1));
}

ElementWidths CPU_MenuModule::elementWidths(const OrbEdgeInsets &insets, double height) const
{
    const CpuItemSettings &s = settings_.of(myDefaults());
    const History<CpuSample> history = drawableHistory();
    // Each processor gets its own group unless the average is shown; the count comes from
    // the newest sample, so a processor going offline changes the width with the data.
    const std::size_t k = s.averageProcessors ? 1 : history.back().size() - 1;
    ElementWidths widths;
    for (std::size_t core = 0; core < k; ++core) {
        for (const int code : s.order) {
            switch (code) {
            case 1:
                if (s.showGraph)
                    widths.push_back(s.graphWidth);
                break;
            case 2:
                if (s.showLevelBar)
                    widths.push_back(8.0);
                break;
            case 3:
                if (s.showCircleMeter)
                    widths.push_back(height - insets.top - insets.bottom);
                break;
            case 4:
                if (s.showText)
                    widths.push_back(s.textWidth);
                break;
            default:
                break;
            }
        }
    }
    return widths;
}

QString CPU_MenuModule::headline() const
{
    if (resumeArray_.empty() || resumeArray_.back().empty())
        return {};
    const ImageCpuBar::Fractions f = ImageCpuBar::fractionsOf(resumeArray_.back().back());
    return OrbFormat::percent(f.user + f.system);
}

QColor CPU_MenuModule::headlineColour(double busy)
{
    return OrbColors::retGraphColor(busy, QColor(0x4c, 0xc2, 0x6e), QColor(0xf5, 0xb0, 0x2e), QColor(0xf0, 0x4a, 0x3c),
                                    false);
}

TrayHeadline CPU_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (resumeArray_.empty() || resumeArray_.back().empty())
        return h;
    const ImageCpuBar::Fractions f = ImageCpuBar::fractionsOf(resumeArray_.back().back());
    h.fraction = f.user + f.system;
    // Each text is put together on the stack and made a string once: most passes on a busy
    // machine move one of these percents.
    OrbFormat::FixedText label(QLatin1StringView("CPU "));
    label.append(OrbFormat::percentText(h.fraction).view());
    h.label = label.toString();
    h.colour = headlineColour(h.fraction);
    OrbFormat::FixedText tip(QLatin1StringView{});
    for (const auto &[name, share] : {std::pair{"User ", f.user}, std::pair{"\nSystem ", f.system},
                                      std::pair{"\nNice ", f.nice}, std::pair{"\nIdle ", f.idle}}) {
        tip.append(QLatin1StringView(name));
        tip.append(OrbFormat::percentText(share).view());
    }
    h.toolTip = tip.toString();
    return h;
}

std::optional<size_t> CPU_MenuModule::headlineDigest() const
{
    if (resumeArray_.empty() || resumeArray_.back().empty())
        return qHashMulti(0, true);
    // What the headline shows: whole percents in the texts, a whole-percent gauge and its
    // colour. The tick counts move on every pass; these mostly stay, and then nothing is
    // built or sent.
    const ImageCpuBar::Fractions f = ImageCpuBar::fractionsOf(resumeArray_.back().back());
    const double busy = f.user + f.system;
    size_t seed = qHashMulti(0, false, std::lround(std::min(busy, 1.0) * 100.0), headlineColour(busy).rgba());
    for (const double shown : {busy, f.user, f.system, f.nice, f.idle})
        seed = qHash(OrbFormat::FixedText(shown * 100.0, 0).view(), seed);
    return seed;
}

std::unique_ptr<ModuleImageView> CPU_MenuModule::makeImageView() const { return std::make_unique<ImageCpuBar>(); }

void CPU_MenuModule::prepareView(ModuleImageView &view) const
{
    static_cast<ImageCpuBar &>(view).setResumeArray(drawableHistory());
}

} // namespace orb
