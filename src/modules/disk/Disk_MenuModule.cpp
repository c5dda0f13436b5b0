#include "modules/disk/Disk_MenuModule.h"

#include "collect/DiskBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/disk/ImageDiskBar.h"
#include "platform/linux/AppLauncher.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace orb {
namespace {

constexpr int kIconPixels = 28;

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

// A drive drawn as a small box with a lamp, for desktops whose icon theme has none.
QImage drawnDriveIcon(bool removable)
{
    QImage image(kIconPixels, kIconPixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF body = removable ? QRectF(8.5, 2.5, 11, 23) : QRectF(2.5, 7.5, 23, 13);
    QPainterPath path;
    path.addRoundedRect(body, 2.5, 2.5);
    p.fillPath(path, QColor(0x9a, 0x9a, 0x9a));
    p.setPen(QPen(QColor(0x4a, 0x4a, 0x4a), 1.0));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xb3, 0x4a));
    const QPointF lamp = removable ? QPointF(14, 21) : QPointF(21, 16);
    p.drawEllipse(lamp, 1.6, 1.6);
    return image;
}

} // namespace

QVariantMap Disk_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Disk_Display_Graph"), true},
            {QStringLiteral("Disk_Display_Indicator"), false},
            {QStringLiteral("Disk_Display_Text"), false},
            {QStringLiteral("Disk_GraphWidth"), qint64(360)},
            {QStringLiteral("Disk_ShowEachDisk"), false},
            {QStringLiteral("Disk_ShowMyLabel"), false},
            // The menu graph carries no read/write labels, whatever the status image shows.
            {QStringLiteral("Disk_Indicator_LabelAry"), QStringList()},
            {QStringLiteral("Disk_Graph_LabelAry"), QStringList()},
            {QStringLiteral("Disk_Text_LabelAry"), QStringList()},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("DiskItemSortArray"), QVariantList{qint64(DiskSettings::Graph)}}};
}

Disk_MenuModule::Disk_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Disk, delegate, menuGraphDefaults(), QStringLiteral("Disk_EnaMenu_"),
                      QStringLiteral("Disk_GraphWidth"))
{
}

Disk_MenuModule::~Disk_MenuModule() = default;

void Disk_MenuModule::setSensorData(const SensorData &data)
{
    if (data.disk)
        resumeArray_ = *data.disk;
    if (data.diskBase != base_) {
        base_ = data.diskBase;
        rebuildIcons();
    }
}

const DiskSettings &Disk_MenuModule::typedSettings() const
{
    if (!myDefaults().isSharedWith(settingsSource_) || settingsSource_.isEmpty()) {
        settingsSource_ = myDefaults();
        settings_ = DiskSettings::from(settingsSource_);
    }
    return settings_;
}

QImage Disk_MenuModule::driveIcon(const DiskDrive &drive)
{
    const QIcon themed = QIcon::fromTheme(drive.iconName());
    if (!themed.isNull()) {
        const QImage image = themed.pixmap(kIconPixels, kIconPixels).toImage();
        if (!image.isNull())
            return image.scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return drawnDriveIcon(drive.removable);
}

void Disk_MenuModule::rebuildIcons()
{
    icons_.clear();
    if (!base_)
        return;
    for (const DiskDrive &d : base_->drives) {
        const QString name = d.iconName();
        auto it = iconCache_.find(name);
        if (it == iconCache_.end())
            it = iconCache_.emplace(name, driveIcon(d)).first;
        icons_.push_back(it->second);
    }
}

bool Disk_MenuModule::hasData() const { return !resumeArray_.empty() && base_ && !base_->drives.empty(); }

std::optional<DiskRWTable> Disk_MenuModule::checkAllReadWrite() const
{
    if (!base_)
        return std::nullopt;
    return DiskActivity::checkAllReadWrite(resumeArray_, *base_);
}

std::vector<double> Disk_MenuModule::elementWidthsFor(const DiskSettings &s, std::size_t disks)
{
    const std::size_t n = s.showEachDisk ? disks : 1;
    std::vector<double> one;
    if (s.drawsIcons())
        one.push_back(14.0);
    for (int code : s.order) {
        if (code == DiskSettings::Indicator && s.showIndicator)
            one.push_back((s.indicatorLabels.size() < 2 ? 0.0 : s.indicatorLabelWidth) + 8.0);
        else if (code == DiskSettings::Graph && s.showGraph)
            one.push_back(s.graphWidth + (s.graphLabels.size() > 1 ? s.graphLabelWidth : 0.0));
        else if (code == DiskSettings::Text && s.showText)
            one.push_back(s.textValueWidth + (s.textLabels.size() >= 2 ? s.textLabelWidth : 0.0));
    }
    std::vector<double> widths;
    widths.reserve(one.size() * n);
    for (std::size_t i = 0; i < n; ++i)
        widths.insert(widths.end(), one.begin(), one.end());
    return widths;
}

std::vector<double> Disk_MenuModule::elementWidths(const OrbEdgeInsets &, double) const
{
    return elementWidthsFor(typedSettings(), base_ ? base_->drives.size() : 0);
}

std::unique_ptr<ModuleImageView> Disk_MenuModule::makeImageView() const { return std::make_unique<ImageDiskBar>(); }

void Disk_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageDiskBar &>(view);
    bar.setResumeArray(resumeArray_);
    bar.setBase(base_);
    bar.setRwChk(checkAllReadWrite());
    bar.setIcons(icons_);
}

QString Disk_MenuModule::headline() const
{
    const auto table = checkAllReadWrite();
    if (!table)
        return {};
    return localized("Read: %1  Write: %2").arg(table->all.readText, table->all.writeText);
}

void Disk_MenuModule::addCommandItems(QMenu &menu)
{
    // The desktop's disk utility when one is installed; nothing stands for a start-up disk pane.
    if (!AppLauncher::isAvailable(LaunchTarget::DiskUtility))
        return;
    BaseMenuItems::addCommandItem(menu, localized("Open %1").arg(AppLauncher::title(LaunchTarget::DiskUtility)),
                                  kDiskUtilityTag, myDefaults(), QStringLiteral("O31"),
                                  [] { AppLauncher::launch(LaunchTarget::DiskUtility); });
}

} // namespace orb
