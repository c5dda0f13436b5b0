#include "modules/disk/Disk_MenuModule.h"

#include "collect/DiskBase.h"
#include "collect/DiskDescriber.h"
#include "collect/UDisksDrives.h"
#include "modules/BaseMenuItems.h"
#include "modules/disk/ImageDiskBar.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"
#include "platform/linux/AppLauncher.h"
#include "platform/linux/NvmeHealthReader.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

constexpr int kIconPixels = 28;
// The root-only NVMe health log is read again at most this often (opening the menu).
constexpr qint64 kNvmeReadSpacingMs = 60 * 1000;

qint64 monotonicMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed() + 1;
}

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
    if (data.diskBase == base_)
        return;
    base_ = data.diskBase;
    rebuildIcons();
    // What was read about drives that are gone goes; a new description brings its own
    // temperature reading.
    std::map<QString, DiskHealth> kept;
    if (base_) {
        for (const DiskDrive &d : base_->drives) {
            DiskHealth h = health_.count(d.name) ? health_[d.name] : DiskHealth{};
            if (d.temperature)
                h.temperature = d.temperature;
            kept[d.name] = h;
        }
    }
    health_ = std::move(kept);
    // The set of disks changed: the menu gets one view per disk again.
    if (statusMenu())
        drawBaseStatusBar();
}

void Disk_MenuModule::setHealth(const QString &driveName, const DiskHealth &health) { health_[driveName] = health; }

void Disk_MenuModule::setNvmeHealthReader(std::unique_ptr<NvmeHealthReader> reader) { nvmeReader_ = std::move(reader); }

QList<Disk_MenuController *> Disk_MenuModule::diskMenus() const
{
    QList<Disk_MenuController *> views;
    for (const QPointer<Disk_MenuController> &v : diskMenusArray_)
        if (v)
            views.append(v.data());
    return views;
}

void Disk_MenuModule::addDetailItems(QMenu &menu)
{
    diskMenusArray_.clear();
    if (!base_)
        return;
    int tag = kFirstDiskTag;
    for (std::size_t i : ImageDiskBar::drawOrder(*base_)) {
        const DiskDrive &d = base_->drives[i];
        auto *view = new Disk_MenuController;
        view->setMntPath(d.devicePath);
        auto *action = new QWidgetAction(&menu);
        action->setText(BaseMenuItems::escaped(d.name));
        action->setDefaultWidget(view);
        BaseMenuItems::setTag(action, tag++);
        menu.addAction(action);
        diskMenusArray_.append(view);
    }
}

void Disk_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (!base_ || diskMenusArray_.isEmpty())
        return;
    const auto &table = checkAllReadWrite();
    const DiskSettings &s = typedSettings();
    for (const QPointer<Disk_MenuController> &view : diskMenusArray_) {
        if (!view)
            continue;
        const DiskDrive *d = base_->find(view->mntPath());
        if (!d)
            continue;
        const std::size_t index = static_cast<std::size_t>(d - base_->drives.data());
        const auto h = health_.find(d->name);
        view->replaceBaseData(*d, index < icons_.size() ? icons_[index] : QImage(), s.read, s.write,
                              h == health_.end() ? DiskHealth{} : h->second);
        std::optional<DiskRW> rw;
        if (table)
            if (const DiskRW *found = table->find(d->devicePath))
                rw = *found;
        view->replaceDetailData(rw);
    }
}

void Disk_MenuModule::menuWillOpen()
{
    GraphMenuModule::menuWillOpen();
    refreshHealth();
}

void Disk_MenuModule::refreshHealth()
{
    // Only a description of the running machine may be paired with its live readings.
    if (!base_ || !base_->hostMachine)
        return;
    if (!healthJobRunning_) {
        healthJobRunning_ = true;
        QPointer<Disk_MenuModule> self(this);
        std::shared_ptr<const DiskBase> base = base_;
        QThreadPool::globalInstance()->start([self, base] {
            auto udisks = UDisksDrives::query(QDBusConnection::systemBus());
            auto temps = drivesTemperatures(Sysroot("/"), *base);
            QMetaObject::invokeMethod(
                qApp,
                [self, base, udisks = std::move(udisks), temps = std::move(temps)] {
                    if (!self)
                        return;
                    self->healthJobRunning_ = false;
                    if (self->base_ != base)
                        return; // the disks changed meanwhile
                    for (const DiskDrive &d : base->drives) {
                        DiskHealth &h = self->health_[d.name];
                        for (const DriveTemperature &t : temps)
                            if (t.name == d.name)
                                h.temperature = t.celsius;
                        if (udisks)
                            for (const UDisksDrive &u : *udisks)
                                if (u.device == d.devicePath)
                                    h.udisks = u;
                    }
                    if (self->menuOpened())
                        self->redrawStatusItem();
                },
                Qt::QueuedConnection);
        });
    }
    readNvmeHealth();
}

void Disk_MenuModule::readNvmeHealth()
{
    const bool anyNvme = std::any_of(base_->drives.begin(), base_->drives.end(),
                                     [](const DiskDrive &d) { return !d.nvmeController.isEmpty(); });
    if (!anyNvme || nvmeRefused_)
        return;
    if (nvmeReadAt_ != 0 && monotonicMs() - nvmeReadAt_ < kNvmeReadSpacingMs)
        return;
    if (!nvmeReader_)
        nvmeReader_ = std::make_unique<NvmeHealthReader>();
    if (!nvmeReader_->helperInstalled() || nvmeReader_->isRunning())
        return;
    nvmeReadAt_ = monotonicMs();
    std::shared_ptr<const DiskBase> base = base_;
    nvmeReader_->read([this, base](NvmeHealthReader::Result result, const QHash<QString, NvmeHealthLog> &logs) {
        if (result == NvmeHealthReader::Result::Refused || result == NvmeHealthReader::Result::LauncherMissing) {
            nvmeRefused_ = true; // not asked again in this session
            return;
        }
        if (result != NvmeHealthReader::Result::Read || base_ != base)
            return;
        for (const DiskDrive &d : base->drives)
            if (logs.contains(d.nvmeController))
                health_[d.name].nvme = logs.value(d.nvmeController);
        if (menuOpened())
            redrawStatusItem();
    });
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

std::optional<size_t> Disk_MenuModule::imageDigest() const
{
    // Without the graph the image shows only the lamps, texts and icons of the newest check.
    if (typedSettings().showGraph)
        return std::nullopt;
    const std::optional<DiskRWTable> &table = checkAllReadWrite();
    if (!table)
        return std::nullopt;
    size_t seed = qHash(static_cast<const void *>(base_.get()));
    const auto mix = [&seed](const DiskRW &rw) {
        seed = qHashMulti(seed, rw.readActive, rw.writeActive, rw.readText, rw.writeText);
    };
    mix(table->all);
    for (const auto &[key, rw] : table->disks) {
        seed = qHash(key, seed);
        mix(rw);
    }
    for (const QImage &icon : icons_)
        seed = qHash(icon.cacheKey(), seed);
    return seed;
}

std::optional<size_t> Disk_MenuModule::headlineDigest() const
{
    const std::optional<DiskRWTable> &table = checkAllReadWrite();
    if (!table)
        return std::nullopt;
    // The texts are the totals' rates and the busiest rate; idle disks give the same ones.
    return qHashMulti(0, static_cast<const void *>(base_.get()), resumeArray_.size() >= 2, table->all.readPerSec,
                      table->all.writePerSec, busiestRate());
}

bool Disk_MenuModule::hasData() const { return !resumeArray_.empty() && base_ && !base_->drives.empty(); }

const std::optional<DiskRWTable> &Disk_MenuModule::checkAllReadWrite() const
{
    static const std::optional<DiskRWTable> none;
    if (!base_)
        return none;
    // The tool tip, the status image and the menu ask for it after each pass: work it out once.
    // The inputs are held, so an address seen again always means the same data.
    if (rwHistory_.identity() != resumeArray_.identity() || rwBase_ != base_) {
        rwHistory_ = resumeArray_;
        rwBase_ = base_;
        if (!rwTable_)
            rwTable_.emplace();
        if (!DiskActivity::checkAllReadWrite(resumeArray_, *base_, *rwTable_))
            rwTable_.reset();
    }
    return rwTable_;
}

ElementWidths Disk_MenuModule::elementWidthsFor(const DiskSettings &s, std::size_t disks)
{
    const std::size_t n = s.showEachDisk ? disks : 1;
    ElementWidths one;
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
    ElementWidths widths;
    widths.reserve(one.size() * n);
    for (std::size_t i = 0; i < n; ++i)
        widths.append(one.constData(), one.size());
    return widths;
}

ElementWidths Disk_MenuModule::elementWidths(const OrbEdgeInsets &, double) const
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
    const auto &table = checkAllReadWrite();
    if (!table)
        return {};
    return localized("Read: %1  Write: %2").arg(table->all.readText, table->all.writeText);
}

TrayHeadline Disk_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    const auto &table = checkAllReadWrite();
    if (!table || !hasData())
        return h;
    h.gauge = TrayHeadline::Gauge::Bar;
    // One sample gives no rate yet: a zero would pass for idle disks.
    if (resumeArray_.size() < 2) {
        h.label = QStringLiteral("DISK --");
        return h;
    }
    const DiskSettings &s = typedSettings();
    const double read = static_cast<double>(table->all.readPerSec);
    const double write = static_cast<double>(table->all.writePerSec);
    const double peak = busiestRate();
    h.fraction = std::clamp((read + write) / std::max(peak, kQuietPeak), 0.0, 1.0);
    h.colour = read >= write ? s.read : s.write;
    h.figure = TrayHeadline::shortAmount(read + write, 1000.0);
    h.label = QLatin1Char('R') + TrayHeadline::shortAmount(read, 1000.0) + QStringLiteral(" W")
        + TrayHeadline::shortAmount(write, 1000.0);
    h.toolTip = localized("Read %1\nWrite %2\nBusiest %3")
                    .arg(table->all.readText, table->all.writeText,
                         OrbFormat::calcDiscAccessPerSec(static_cast<qint64>(std::max(peak, read + write))));
    return h;
}

double Disk_MenuModule::busiestRate() const
{
    static const QString all = QStringLiteral("all");
    return busiest_.of(resumeArray_, [](const DiskSample &earlier, const DiskSample &later) {
        const auto [read, written] = DiskActivity::intervalDelta(earlier, later, all);
        return (static_cast<double>(read) + static_cast<double>(written)) / DiskActivity::intervalSeconds(later);
    });
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
