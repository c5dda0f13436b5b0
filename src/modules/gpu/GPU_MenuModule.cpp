#include "modules/gpu/GPU_MenuModule.h"

#include "modules/BaseMenuItems.h"
#include "modules/gpu/GPU_MenuController.h"
#include "modules/gpu/ImageGpuBar.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QMenu>
#include <QWidgetAction>

namespace orb {

QVariantMap GPU_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Gpu_Display_Graph"), true},
            {QStringLiteral("Gpu_Display_LevelBar"), false},
            {QStringLiteral("Gpu_Display_CircleMeter"), false},
            {QStringLiteral("Gpu_Display_Text"), false},
            {QStringLiteral("Gpu_GraphWidth"), qint64(300)},
            {QStringLiteral("Gpu_ShowMyLabel"), false},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("GpuItemSortArray"), QVariantList{qint64(1)}}};
}

GPU_MenuModule::GPU_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Gpu, delegate, menuGraphDefaults(), QStringLiteral("GPU_EnaMenu_"),
                      QStringLiteral("Gpu_GraphWidth"))
{
}

GPU_MenuModule::~GPU_MenuModule() = default;

void GPU_MenuModule::setSensorData(const SensorData &data)
{
    if (data.gpu)
        resumeArray_ = *data.gpu;
}

std::shared_ptr<const GpuItemSettings> GPU_MenuModule::statusSettings() const
{
    if (!status_ || !statusFrom_.isSharedWith(myDefaults())) {
        statusFrom_ = myDefaults();
        status_ = std::make_shared<const GpuItemSettings>(GpuItemSettings::fromDefaults(statusFrom_));
    }
    return status_;
}

std::shared_ptr<const GpuItemSettings> GPU_MenuModule::menuSettings() const
{
    if (!menu_ || !menuFrom_.isSharedWith(myDefaults())) {
        menuFrom_ = myDefaults();
        menuDefaults_ = menuFrom_;
        const QVariantMap overlay = menuGraphDefaults();
        for (auto it = overlay.cbegin(); it != overlay.cend(); ++it)
            menuDefaults_.insert(it.key(), it.value());
        menu_ = std::make_shared<const GpuItemSettings>(GpuItemSettings::fromDefaults(menuDefaults_));
    }
    return menu_;
}

ElementWidths GPU_MenuModule::elementWidths(const OrbEdgeInsets &insets, double height) const
{
    ElementWidths widths;
    if (!hasData())
        return widths;
    const GpuItemSettings &s = *statusSettings();
    const std::size_t devices = resumeArray_.back().size();
    for (std::size_t i = 0; i < devices; ++i) {
        for (int code : s.order) {
            if (code == 1 && s.graph)
                widths.push_back(s.graphWidth);
            else if (code == 2 && s.levelBar)
                widths.push_back(8.0);
            else if (code == 3 && s.circleMeter)
                widths.push_back(height - insets.top - insets.bottom);
            else if (code == 4 && s.text)
                widths.push_back(s.textWidth);
        }
    }
    return widths;
}

std::unique_ptr<ModuleImageView> GPU_MenuModule::makeImageView() const { return std::make_unique<ImageGpuBar>(); }

void GPU_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageGpuBar &>(view);
    bar.setSettings(statusSettings());
    bar.setResumeArray(resumeArray_);
    bar.setSelectedDevice({});
}

QString GPU_MenuModule::headline() const
{
    if (!hasData())
        return {};
    QStringList parts;
    for (const GpuEntry &e : resumeArray_.back()) {
        const ImageGpuBar::Share share = ImageGpuBar::usedShare(e);
        parts << (share.reported ? OrbFormat::percent(share.fraction) : QStringLiteral("--"));
    }
    return parts.join(QStringLiteral(" \u00b7 "));
}

TrayHeadline GPU_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (!hasData())
        return h;
    const auto megabytes = [](int64_t bytes) { return QString::number(bytes >> 20) + QStringLiteral("MB"); };
    QStringList lines;
    for (const GpuEntry &e : resumeArray_.back()) {
        const ImageGpuBar::Share share = ImageGpuBar::usedShare(e);
        // Plain text: the host escapes it where the tray reads markup.
        QString line = e.name + QStringLiteral(": ");
        if (share.reported) {
            line += OrbFormat::percent(share.fraction) + QStringLiteral(" (") + megabytes(e.used) + QStringLiteral(" of ") +
                    megabytes(e.total) + QLatin1Char(')');
            h.fraction = std::max(h.fraction, share.fraction);
        } else {
            line += QStringLiteral("--");
        }
        lines << line;
    }
    h.gauge = TrayHeadline::Gauge::Pie;
    h.label = QStringLiteral("GPU ") + (h.hasGauge() ? OrbFormat::percent(h.fraction) : QStringLiteral("--"));
    if (h.hasGauge())
        h.colour = OrbColors::retGraphColor(h.fraction, QColor(0xa8, 0x7c, 0xf0), QColor(0xf5, 0xb0, 0x2e),
                                            QColor(0xf0, 0x4a, 0x3c), false);
    h.toolTip = lines.join(QLatin1Char('\n'));
    return h;
}

void GPU_MenuModule::openTab()
{
    if (delegate())
        delegate()->openPreferenceTab(ModuleCatalog::info(moduleId()).tabIndex);
}

void GPU_MenuModule::drawBaseStatusBar()
{
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    deviceMenusArray_.clear();
    menu->clear();
    BaseMenuItems::addPreferenceItem(*menu, myDefaults(), [this] { openTab(); });
    BaseMenuItems::addLauncherItems(*menu, myDefaults(), QStringLiteral("GPU_EnaMenu_"));
    menu->addSeparator();
    addtionalDevMenus();
    redrawStatusItem();
}

void GPU_MenuModule::removeDeviceMenus()
{
    deviceMenusArray_.clear();
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    const QList<QAction *> actions = menu->actions();
    for (auto it = actions.crbegin(); it != actions.crend(); ++it) {
        if (BaseMenuItems::tag(*it) < kFirstDeviceTag)
            continue;
        menu->removeAction(*it);
        (*it)->deleteLater(); // its row widget goes with it
    }
}

void GPU_MenuModule::addtionalDevMenus()
{
    QMenu *menu = statusMenu();
    if (!menu || menu->actions().isEmpty() || !hasData())
        return;
    deviceMenusArray_.clear();
    const std::shared_ptr<const GpuItemSettings> settings = menuSettings();
    int tag = kFirstDeviceTag;
    for (const GpuEntry &entry : resumeArray_.back()) {
        auto *row = new GPU_MenuController;
        row->setMyDefaults(settings, menuDefaults_);
        row->setDeviceDict(entry);
        auto *action = new QWidgetAction(menu);
        action->setDefaultWidget(row);
        BaseMenuItems::setTag(action, tag++);
        menu->addAction(action);
        deviceMenusArray_.push_back(row);
    }
}

void GPU_MenuModule::redrawStatusItem()
{
    QMenu *menu = statusMenu();
    if (!menu || menu->actions().isEmpty() || !hasData())
        return;
    const GpuSample &now = resumeArray_.back();
    // Rows are made when the menu opens; a menu built before the first sample, or a device
    // that came or went, gets them made again here.
    if (deviceMenusArray_.size() != now.size()) {
        removeDeviceMenus();
        addtionalDevMenus();
    }
    const std::shared_ptr<const GpuItemSettings> settings = menuSettings();
    for (std::size_t i = 0; i < deviceMenusArray_.size(); ++i) {
        GPU_MenuController *row = deviceMenusArray_[i];
        row->setMyDefaults(settings, menuDefaults_);
        row->setDeviceDict(now[i]);
        row->loadBaseData();
        row->loadDetailData(resumeArray_);
    }
}

void GPU_MenuModule::menuWillOpen()
{
    removeDeviceMenus();
    GraphMenuModule::menuWillOpen();
}

} // namespace orb
