#include "modules/volume/Volume_MenuModule.h"

#include "collect/DiskBase.h"
#include "collect/MountWatcher.h"
#include "modules/BaseMenuItems.h"
#include "modules/disk/Disk_MenuModule.h"
#include "modules/volume/ImageVolumeBar.h"
#include "modules/volume/Volume_MenuController.h"
#include "modules/volume/VolumeUnmounter.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"
#include "platform/linux/AppLauncher.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QWidgetAction>

namespace orb {
namespace {

constexpr int kIconPixels = 28;

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

} // namespace

QVariantMap Volume_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Vlms_Display_Graph"), true},
            {QStringLiteral("Vlms_Display_BarChart"), false},
            {QStringLiteral("Vlms_Display_CycleChart"), false},
            {QStringLiteral("Vlms_Display_Text"), false},
            {QStringLiteral("Vlms_Display_Percent"), false},
            {QStringLiteral("Vlms_GraphWidth"), qint64(360)},
            {QStringLiteral("Vlms_ShowEachDisk"), false},
            {QStringLiteral("Vlms_HideNetworkVols"), false},
            {QStringLiteral("Vlms_ShowMyLabel"), false},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("VlmsItemSortArray"), QVariantList{qint64(VolumeSettings::Graph)}}};
}

Volume_MenuModule::Volume_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Volume, delegate, menuGraphDefaults(), QStringLiteral("Volume_EnaMenu_"),
                      QStringLiteral("Vlms_GraphWidth"))
{
    openPath = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    confirmUnmount = [](const VolumeEntry &entry, std::function<void()> proceed) {
        auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Orbmeter"),
                                    localized("Unmount disk \"%1\" ?").arg(entry.volumeName));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::PlainText);
        box->setInformativeText(entry.mountPath);
        const QImage icon = volumeIcon(entry);
        if (!icon.isNull())
            box->setIconPixmap(QPixmap::fromImage(icon.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        QPushButton *yes = box->addButton(localized("Unmount"), QMessageBox::AcceptRole);
        box->addButton(localized("Cancel"), QMessageBox::RejectRole);
        QObject::connect(box, &QMessageBox::finished, box, [box, yes, proceed] {
            if (box->clickedButton() == reinterpret_cast<QAbstractButton *>(yes))
                proceed();
        });
        box->open();
    };
    reportFailure = [](const VolumeEntry &entry, const QString &message) {
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Orbmeter"),
                                    localized("\"%1\" could not be unmounted.").arg(entry.volumeName));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::PlainText);
        box->setInformativeText(message);
        box->open();
    };
}

Volume_MenuModule::~Volume_MenuModule() = default;

void Volume_MenuModule::initDrawStatusBar(StatusBarHost &host)
{
    GraphMenuModule::initDrawStatusBar(host);
    // Renames reach us from udisks2; mounts and unmounts the pass sees in the mount table.
    const std::optional<Sysroot> root = delegate() ? delegate()->menuSysroot() : std::nullopt;
    if (root && root->isHostRoot())
        watchUDisks(QDBusConnection::systemBus());
}

bool Volume_MenuModule::watchUDisks(const QDBusConnection &bus)
{
    return QDBusConnection(bus).connect(QStringLiteral("org.freedesktop.UDisks2"), QString(),
                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("PropertiesChanged"), this,
                                        SLOT(udisksPropertiesChanged(QString, QVariantMap, QStringList)));
}

void Volume_MenuModule::udisksPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                                const QStringList &invalidated)
{
    const auto touches = [&](const char *property) {
        const QString p = QLatin1String(property);
        return changed.contains(p) || invalidated.contains(p);
    };
    if ((interface == QLatin1String("org.freedesktop.UDisks2.Block") && touches("IdLabel"))
        || (interface == QLatin1String("org.freedesktop.UDisks2.Filesystem") && touches("MountPoints")))
        MountWatcher::requestRebuild();
}

void Volume_MenuModule::setSensorData(const SensorData &data)
{
    if (data.volume)
        resumeArray_ = *data.volume;
    if (data.volumeBase == base_)
        return;
    const bool hadBase = static_cast<bool>(base_);
    base_ = data.volumeBase;
    rebuildIcons();
    // A volume came, went or was renamed: the open menu would show stale rows.
    if (hadBase)
        menuAutoClose();
    if (statusMenu())
        drawBaseStatusBar();
}

void Volume_MenuModule::menuAutoClose()
{
    if (statusMenu() && menuOpened())
        statusMenu()->hide();
}

QList<Volume_MenuController *> Volume_MenuModule::volumeMenus() const
{
    QList<Volume_MenuController *> views;
    for (const QPointer<Volume_MenuController> &v : vlmsMenusArray_)
        if (v)
            views.append(v.data());
    return views;
}

const VolumeSettings &Volume_MenuModule::typedSettings() const
{
    if (!myDefaults().isSharedWith(settingsSource_) || settingsSource_.isEmpty()) {
        settingsSource_ = myDefaults();
        settings_ = VolumeSettings::from(settingsSource_);
    }
    return settings_;
}

const std::optional<VolumeFigures> &Volume_MenuModule::checkUsedFree() const
{
    const VolumeSettings &s = typedSettings();
    // The image, the tool tip, the tray headline and the menu ask after each pass: work the
    // figures out once. The inputs are held, so an address seen again means the same data.
    const bool withText = s.showText;
    const bool sameInputs = figuresBase_ == base_ && figuresWithText_ == withText
                            && figuresSettings_.isSharedWith(settingsSource_);
    if (!sameInputs || figuresHistory_.identity() != resumeArray_.identity()) {
        figuresHistory_ = resumeArray_;
        figuresBase_ = base_;
        figuresWithText_ = withText;
        figuresSettings_ = settingsSource_;
        const VolumeFigures *kept = sameInputs && figures_ ? &*figures_ : nullptr;
        // Worked out into the spare figures, which then change places with the shown ones:
        // both keep their storage from pass to pass.
        if (VolumeFigureTable::checkUsedFree(resumeArray_, base_.get(), withText, s, kept, spareFigures_)) {
            if (!figures_)
                figures_.emplace();
            std::swap(*figures_, spareFigures_);
        } else {
            figures_.reset();
        }
    }
    return figures_;
}

bool Volume_MenuModule::hasData() const
{
    if (resumeArray_.empty() || !base_ || base_->volumes.empty())
        return false;
    const std::optional<VolumeFigures> &f = checkUsedFree();
    return f && !f->volumes.empty();
}

ElementWidths Volume_MenuModule::elementWidthsFor(const VolumeSettings &s, const VolumeFigures &figures,
                                                  double innerHeight)
{
    VolumeFigures::Drawn drawn;
    if (s.showEachDisk)
        drawn = figures.drawn(s.hideNetwork);
    else
        drawn.push_back(&figures.all);
    ElementWidths widths;
    for (const VolumeFigure *f : drawn) {
        if (s.drawsIcons())
            widths.push_back(14.0);
        for (int code : s.order) {
            if (code == VolumeSettings::Graph && s.showGraph)
                widths.push_back(s.graphWidth);
            else if (code == VolumeSettings::LevelBar && s.showLevelBar)
                widths.push_back(8.0);
            else if (code == VolumeSettings::Circle && s.showCircle)
                widths.push_back(innerHeight);
            else if (code == VolumeSettings::Text && s.showText)
                widths.push_back(s.textLabelWidth + f->textWidth);
            else if (code == VolumeSettings::Percent && s.showPercent)
                widths.push_back(s.percentWidth);
        }
    }
    return widths;
}

ElementWidths Volume_MenuModule::elementWidths(const OrbEdgeInsets &insets, double height) const
{
    const std::optional<VolumeFigures> &f = checkUsedFree();
    if (!f)
        return {};
    return elementWidthsFor(typedSettings(), *f, height - insets.top - insets.bottom);
}

std::unique_ptr<ModuleImageView> Volume_MenuModule::makeImageView() const { return std::make_unique<ImageVolumeBar>(); }

std::optional<size_t> Volume_MenuModule::imageDigest() const
{
    // Without the graph the image shows only the newest figures and the icons.
    if (typedSettings().showGraph)
        return std::nullopt;
    const std::optional<VolumeFigures> &figures = checkUsedFree();
    if (!figures)
        return std::nullopt;
    size_t seed = 0;
    const auto mix = [&seed](const VolumeFigure &f) {
        seed = qHashMulti(seed, f.path, f.total, f.used, f.free, f.freeText, f.usedText, f.totalText, f.textWidth,
                          f.network);
    };
    mix(figures->all);
    for (const VolumeFigure &f : figures->volumes)
        mix(f);
    for (auto it = icons_.cbegin(); it != icons_.cend(); ++it)
        seed = qHashMulti(seed, it.key(), it.value().cacheKey());
    return seed;
}

std::optional<size_t> Volume_MenuModule::headlineDigest() const
{
    const std::optional<VolumeFigures> &figures = checkUsedFree();
    if (!figures)
        return std::nullopt;
    // The texts name every volume with its sizes; they change only when a size does.
    size_t seed = qHash(static_cast<const void *>(base_.get()));
    const auto mix = [&seed](const VolumeFigure &f) { seed = qHashMulti(seed, f.path, f.total, f.used, f.free); };
    mix(figures->all);
    for (const VolumeFigure &f : figures->volumes)
        mix(f);
    return seed;
}

void Volume_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageVolumeBar &>(view);
    bar.setResumeArray(resumeArray_);
    bar.setFigures(checkUsedFree());
    bar.setIcons(icons_);
}

QImage Volume_MenuModule::volumeIcon(const VolumeEntry &entry)
{
    if (entry.isNetworkVol) {
        const QIcon themed = QIcon::fromTheme(QStringLiteral("folder-remote"));
        if (!themed.isNull()) {
            const QImage image = themed.pixmap(kIconPixels, kIconPixels).toImage();
            if (!image.isNull())
                return image.scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    // The same pictures as the drives of the Disk item.
    DiskDrive drive;
    drive.removable = entry.isRemovable;
    return Disk_MenuModule::driveIcon(drive);
}

void Volume_MenuModule::rebuildIcons()
{
    icons_.clear();
    if (!base_)
        return;
    for (const VolumeEntry &v : base_->volumes)
        icons_.insert(v.mountPath, volumeIcon(v));
}

QString Volume_MenuModule::headline() const
{
    const std::optional<VolumeFigures> &f = checkUsedFree();
    if (!f || f->all.total < 1)
        return {};
    return localized("%1 used of %2").arg(OrbFormat::percent(f->all.usedFraction()), f->all.totalText);
}

TrayHeadline Volume_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    const std::optional<VolumeFigures> &f = checkUsedFree();
    if (!f)
        return h;
    const VolumeSettings &s = typedSettings();
    // Total mode shows the sum; per-volume mode the fullest volume the image draws.
    const VolumeFigure *shown = nullptr;
    if (!s.showEachDisk) {
        shown = f->all.total >= 1 ? &f->all : nullptr;
    } else {
        for (const VolumeFigure *v : f->drawn(s.hideNetwork))
            if (v->total >= 1 && (!shown || v->usedFraction() > shown->usedFraction()))
                shown = v;
    }
    if (!shown)
        return h;
    h.fraction = shown->usedFraction();
    h.label = QStringLiteral("VOL ") + OrbFormat::percent(h.fraction);
    h.gauge = TrayHeadline::Gauge::Bar;
    h.colour = OrbColors::retGraphColor(h.fraction, QColor(0x4c, 0xa8, 0xe0), QColor(0xf5, 0xb0, 0x2e),
                                        QColor(0xf0, 0x4a, 0x3c), false);
    QStringList lines;
    for (const VolumeFigure &v : f->volumes) {
        const VolumeEntry *e = base_ ? base_->find(v.path) : nullptr;
        // Tray tool tips may be read as markup: a label is text, never tags.
        const QString name = (e ? e->volumeName : v.path).toHtmlEscaped();
        lines << (v.total >= 1 ? localized("%1: %2 used of %3").arg(name, OrbFormat::percent(v.usedFraction()), v.totalText)
                               : localized("%1: no size").arg(name));
    }
    h.toolTip = lines.join(QLatin1Char('\n'));
    return h;
}

void Volume_MenuModule::addCommandItems(QMenu &menu)
{
    if (!AppLauncher::isAvailable(LaunchTarget::DiskUtility))
        return;
    BaseMenuItems::addCommandItem(menu, localized("Open %1").arg(AppLauncher::title(LaunchTarget::DiskUtility)),
                                  kDiskUtilityTag, myDefaults(), QStringLiteral("O31"),
                                  [] { AppLauncher::launch(LaunchTarget::DiskUtility); });
}

void Volume_MenuModule::addDetailItems(QMenu &menu)
{
    vlmsMenusArray_.clear();
    if (!base_)
        return;
    std::vector<const VolumeEntry *> order;
    for (const VolumeEntry &v : base_->volumes)
        order.push_back(&v);
    std::stable_sort(order.begin(), order.end(), [](const VolumeEntry *a, const VolumeEntry *b) {
        return QString::compare(a->mountPath, b->mountPath, Qt::CaseInsensitive) < 0;
    });
    int tag = kFirstVolumeTag;
    for (const VolumeEntry *v : order) {
        auto *view = new Volume_MenuController;
        view->setMntPath(v->mountPath);
        view->onOpen = [this](const QString &path) { openWithFileManager(path); };
        view->onUnmount = [this](const QString &path) {
            menuAutoClose();
            QTimer::singleShot(500, this, [this, path] { unmountDisk(path); });
        };
        auto *action = new QWidgetAction(&menu);
        action->setText(BaseMenuItems::escaped(v->mountPath));
        action->setDefaultWidget(view);
        BaseMenuItems::setTag(action, tag++);
        menu.addAction(action);
        vlmsMenusArray_.append(view);
    }
}

void Volume_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (!base_ || vlmsMenusArray_.isEmpty())
        return;
    const std::optional<VolumeFigures> &figures = checkUsedFree();
    for (const QPointer<Volume_MenuController> &view : vlmsMenusArray_) {
        if (!view)
            continue;
        const VolumeEntry *v = base_->find(view->mntPath());
        if (!v)
            continue;
        std::optional<VolumeFigure> figure;
        if (figures)
            if (const VolumeFigure *found = figures->find(v->mountPath))
                figure = *found;
        view->replaceBaseData(*v, figure, icons_.value(v->mountPath), myDefaults());
        // Labels and paths are chosen by others: the tool tip shows them as text.
        view->setToolTip(Qt::convertFromPlainText(view->retToolTipString(), Qt::WhiteSpacePre));
    }
}

void Volume_MenuModule::openWithFileManager(const QString &mountPath)
{
    // With Alt held the menu stays open.
    if (!(QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier))
        menuAutoClose();
    if (openPath)
        openPath(mountPath);
}

void Volume_MenuModule::setUnmounter(VolumeUnmounter *unmounter) { unmounter_ = unmounter; }

void Volume_MenuModule::unmountDisk(const QString &mountPath)
{
    const VolumeEntry *found = base_ ? base_->find(mountPath) : nullptr;
    if (!found || !found->isUnmountable)
        return;
    const VolumeEntry entry = *found;
    confirmUnmount(entry, [this, entry] {
        if (!unmounter_) {
            unmounter_ = new VolumeUnmounter(QDBusConnection::systemBus(), this);
        }
        QPointer<VolumeUnmounter> u = unmounter_;
        auto *context = new QObject(this);
        connect(u, &VolumeUnmounter::finished, context,
                [this, entry, context](const QString &path, bool ok, const QString &, const QString &message) {
                    if (path != entry.mountPath)
                        return;
                    context->deleteLater();
                    if (!ok && reportFailure)
                        reportFailure(entry, message);
                });
        u->unmount(entry.udisksPath, entry.mountPath);
    });
}

} // namespace orb
