#include "platform/statusbar/SniItem.h"
#include "toolkit/OrbImageCapture.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/linux/RuntimeDirectory.h"
#include "platform/statusbar/CompactIcon.h"
#include "platform/statusbar/DBusMenuExporter.h"
#include "platform/statusbar/SniAdaptor.h"
#include "platform/statusbar/SniHost.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/TemplateImage.h"

#include <QBuffer>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QStandardPaths>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <unistd.h>

namespace orb {

namespace {
std::atomic<int> nextNumber{1};
const QString kObjectPath = QStringLiteral("/StatusNotifierItem");
// A click that lands on the tray while our menu is open first closes the menu (the menu's
// grab sees it); the Activate that may follow must not open it again.
constexpr qint64 kReopenGuardMs = 250;
const QString kMenuPath = QStringLiteral("/MenuBar");
// The tray's own menu lets go of the pointer before ours can take it.
constexpr int kAfterTrayMenuMs = 200;
} // namespace

SniItem::SniItem(SniHost *host, const QString &moduleKey, const QString &busAddress)
    : StatusItemHost(host, moduleKey),
      serial_(nextNumber.fetch_add(1)),
      connectionName_(QStringLiteral("orbmeter-sni-%1").arg(serial_)),
      bus_(busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)
                                : QDBusConnection::connectToBus(busAddress, connectionName_))
{
    registerSniTypes();
    exported_ = new QObject;
    adaptor_ = new SniAdaptor(exported_, this);
    publish();
    if (!bus_.isConnected()) {
        qCWarning(lcPlatform).noquote() << "status item" << moduleKey << "cannot reach the session bus:"
                                        << bus_.lastError().message();
        return;
    }
    // Registered while the object is still this thread's: registering reads the adaptors'
    // list, which a moved object has its own thread set up (Qt queues that when an adaptor is
    // made) at a time of its choosing.
    if (!bus_.registerObject(kObjectPath, exported_, QDBusConnection::ExportAdaptors))
        qCWarning(lcPlatform).noquote() << "status item" << moduleKey << "cannot export" << kObjectPath;
    // The tray's reads are answered on the connection's own thread, without waking this one.
    if (QObject *connectionSide = bus_.interface())
        exported_->moveToThread(connectionSide->thread());
    menuExporter_ = new DBusMenuExporter(bus_, kMenuPath, this);
    menuExporter_->setObjectName(moduleKey);
    menuExporter_->setOpenMenu([this] {
        QTimer::singleShot(kAfterTrayMenuMs, this, [this] {
            if (menu() && !menu()->isVisible())
                activate(0, 0);
        });
    });
    takeNewServiceName();
}

SniItem::~SniItem()
{
    adaptor_->detachItem();
    delete menuExporter_;
    menuExporter_ = nullptr;
    // Off the connection's object tree even when the bus has already gone (as at the end of a
    // session): the closing connection lets go of every object still in its tree, and this one
    // will be freed without telling it.
    bus_.unregisterObject(kObjectPath);
    if (bus_.isConnected() && !service_.isEmpty())
        bus_.unregisterService(service_);
    // Deleted on its own thread, after any read it is answering. The connection listens for
    // its end through a blocking call into the connection's thread, which is the object's own
    // thread now: that call would wait on itself. The object is out of the tree already.
    QObject::disconnect(exported_, &QObject::destroyed, nullptr, nullptr);
    exported_->deleteLater();
    QDBusConnection::disconnectFromBus(connectionName_);
    removeIconFiles();
}

bool SniItem::takeNewServiceName()
{
    if (!bus_.isConnected())
        return false;
    if (!service_.isEmpty())
        bus_.unregisterService(service_);
    service_.clear();
    registered_ = false;
    const QString name = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(nextNumber.fetch_add(1));
    if (!bus_.registerService(name)) {
        qCWarning(lcPlatform).noquote() << "status item" << moduleKey() << "cannot own" << name << ":"
                                        << bus_.lastError().message();
        return false;
    }
    service_ = name;
    // The ordering index follows the item's place, which may have changed.
    publish();
    return true;
}

QString SniItem::title() const { return toolTipTitle().isEmpty() ? moduleKey() : toolTipTitle(); }

void SniItem::setImage(const QImage &image, bool isTemplate)
{
    if (imageShown_ && image == this->image() && isTemplate == this->isTemplate())
        return; // unchanged: no file write, no signal
    StatusItemHost::setImage(image, isTemplate);
    imageShown_ = true;
    // A compact icon drawn from the headline does not depend on the image.
    if (showsImage()) {
        iconDirty_ = true;
        scheduleFlush();
    }
}

void SniItem::setToolTip(const QString &title, const QString &text)
{
    if (title == toolTipTitle() && text == toolTipText())
        return;
    StatusItemHost::setToolTip(title, text);
    toolTipDirty_ = true;
    scheduleFlush();
}

void SniItem::setHeadline(const TrayHeadline &next)
{
    const TrayHeadline &old = headline();
    if (next == old)
        return;
    // The gauge is no finer than whole percent: a reading with the same level and figure
    // draws the same icon, and is not drawn again. (A module's own figure, "1.2M", may stay
    // while the level moves, so both are compared.)
    const bool gaugeChanged = next.hasGauge() != old.hasGauge() || next.gauge != old.gauge
        || next.colour != old.colour || CompactIcon::level(next) != CompactIcon::level(old)
        || CompactIcon::figureText(next) != CompactIcon::figureText(old);
    const bool labelChanged = next.label != old.label;
    const bool tipChanged = next.toolTip != old.toolTip;
    StatusItemHost::setHeadline(next);
    if (style_ == TrayStyle::Compact) {
        iconDirty_ = iconDirty_ || gaugeChanged;
        labelDirty_ = labelDirty_ || labelChanged;
    }
    toolTipDirty_ = toolTipDirty_ || tipChanged;
    if (iconDirty_ || labelDirty_ || toolTipDirty_)
        scheduleFlush();
}

void SniItem::setGaugeIcon(bool gauge)
{
    if (gauge == hasGaugeIcon())
        return;
    StatusItemHost::setGaugeIcon(gauge);
    if (style_ == TrayStyle::Compact) {
        iconDirty_ = true;
        scheduleFlush();
    }
}

bool SniItem::hasSomethingToShow() const
{
    if (style_ == TrayStyle::Wide)
        return !image().isNull();
    if (headline().hasGauge())
        return true;
    return !hasGaugeIcon() && !image().isNull();
}

QString SniItem::status() const { return active_ ? QStringLiteral("Active") : QStringLiteral("Passive"); }

void SniItem::setStyle(TrayStyle style)
{
    if (style == TrayStyle::Auto)
        style = TrayStyle::Compact;
    if (style == style_)
        return;
    style_ = style;
    iconDirty_ = true;
    labelDirty_ = true;
    scheduleFlush();
    // The image was not drawn while the compact icon stood in for it.
    if (showsImage())
        Q_EMIT imageWanted();
}

QString SniItem::label() const { return style_ == TrayStyle::Compact ? headline().label : QString(); }

QString SniItem::labelGuide() const
{
    QString guide = label();
    for (QChar &c : guide)
        if (c.isDigit())
            c = QLatin1Char('8');
    // Room for one more digit than shown now ("8%" -> "88%" -> "888%").
    const qsizetype firstDigit = guide.indexOf(QLatin1Char('8'));
    if (firstDigit >= 0 && guide.count(QLatin1Char('8')) < 3)
        guide.insert(firstDigit, QLatin1Char('8'));
    return guide;
}

QString SniItem::shownToolTipText() const
{
    return headline().toolTip.isEmpty() ? toolTipText() : headline().toolTip;
}

void SniItem::setMenu(QMenu *menu)
{
    if (QMenu *old = this->menu())
        disconnect(old, &QMenu::aboutToHide, this, nullptr);
    StatusItemHost::setMenu(menu);
    if (menu)
        connect(menu, &QMenu::aboutToHide, this, [this] { menuHiddenAt_ = now(); });
    if (menuExporter_)
        menuExporter_->setMenu(menu);
}

QString SniItem::menuPath() const { return kMenuPath; }

qint64 SniItem::now() const
{
    if (clock_)
        return clock_();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SniItem::activate(int x, int y)
{
    QMenu *m = menu();
    if (!m || !isEnabled())
        return;
    if (!m->isVisible() && menuHiddenAt_ >= 0 && now() - menuHiddenAt_ < kReopenGuardMs)
        return;
    if (m->isVisible()) {
        popUpMenu(); // closes it
        return;
    }
    popUpMenu(menuPositionFor(x == 0 && y == 0 ? QCursor::pos() : QPoint(x, y), true));
}

void SniItem::scheduleFlush()
{
    if (flushPending_)
        return;
    flushPending_ = true;
    // Several changes in one refresh become one signal each.
    QTimer::singleShot(0, this, [this] { flush(); });
}

void SniItem::flush()
{
    flushPending_ = false;
    bool newIcon = false;
    bool newLabel = false;
    bool newToolTip = false;
    bool newTitle = false;
    bool newStatus = false;
    if (iconDirty_) {
        iconDirty_ = false;
        if (style_ == TrayStyle::Wide) {
            writeIconFile();
            newIcon = true;
        } else {
            if (!iconPath_.isEmpty()) {
                removeIconFiles();
                iconPath_.clear();
            }
            newIcon = renderCompactIcons();
        }
    }
    if (labelDirty_) {
        labelDirty_ = false;
        if (label() != lastLabel_) {
            lastLabel_ = label();
            newLabel = true;
        }
    }
    if (toolTipDirty_) {
        toolTipDirty_ = false;
        newToolTip = true;
        if (title() != lastTitle_) {
            lastTitle_ = title();
            newTitle = true;
        }
    }
    if (const bool active = hasSomethingToShow(); active != active_) {
        active_ = active;
        newStatus = true;
        qCInfo(lcPlatform).noquote() << "status item" << moduleKey()
                                     << (active ? "has something to show" : "has nothing to show");
    }
    if (!(newIcon || newLabel || newToolTip || newTitle || newStatus))
        return;
    // Published before any signal goes out, so a tray that reads on a signal reads the new state.
    publish();
    if (newIcon)
        adaptor_->emitLater(&SniAdaptor::NewIcon);
    if (newLabel)
        adaptor_->emitLater(&SniAdaptor::XAyatanaNewLabel, lastLabel_, labelGuide());
    if (newToolTip)
        adaptor_->emitLater(&SniAdaptor::NewToolTip);
    if (newTitle)
        adaptor_->emitLater(&SniAdaptor::NewTitle);
    // Last, so that a tray that shows the item on this signal reads its finished icon.
    if (newStatus) {
        adaptor_->emitLater(&SniAdaptor::NewStatus, status());
        Q_EMIT activeChanged(active_);
    }
}

QImage SniItem::shownImage() const
{
    if (isTemplate())
        return TemplateImage::tinted(image(), QGuiApplication::palette().color(QPalette::WindowText));
    return image();
}

bool SniItem::renderCompactIcons()
{
    QList<SniPixmap> next;
    std::vector<std::optional<CompactIcon::Look>> looks;
    // A gauge without a reading is an empty tile, for trays that still show a passive item.
    const bool gauge = headline().hasGauge() || hasGaugeIcon();
    if (gauge || !image().isNull()) {
        const QImage wide = gauge ? QImage() : shownImage();
        next.reserve(static_cast<qsizetype>(CompactIcon::kSizes.size()));
        for (std::size_t i = 0; i < CompactIcon::kSizes.size(); ++i) {
            const int size = CompactIcon::kSizes[i];
            if (!gauge) {
                next.append(SniPixmap::fromImage(CompactIcon::fitted(wide, size)));
                looks.emplace_back();
                continue;
            }
            // Most readings move a gauge by less than a pixel of the small sizes.
            CompactIcon::Look look = CompactIcon::look(headline(), size);
            if (i < looks_.size() && looks_[i] == look && i < static_cast<std::size_t>(pixmaps_.size()))
                next.append(pixmaps_[static_cast<qsizetype>(i)]);
            else
                next.append(SniPixmap::fromImage(CompactIcon::render(look)));
            looks.push_back(std::move(look));
        }
    }
    looks_ = std::move(looks);
    bool same = next.size() == pixmaps_.size();
    for (qsizetype i = 0; same && i < next.size(); ++i)
        same = next[i].width == pixmaps_[i].width && next[i].height == pixmaps_[i].height
            && next[i].data == pixmaps_[i].data;
    if (same)
        return false;
    pixmaps_ = std::move(next);
    return true;
}

QString SniItem::iconDirectory() { return RuntimeDirectory::path(); }

void SniItem::publish()
{
    SniItemState state;
    state.id = QStringLiteral("orbmeter-") + moduleKey();
    state.title = title();
    state.status = status();
    state.iconName = iconPath_;
    state.iconPixmap = pixmaps_;
    state.toolTip.title = toolTipTitle();
    // The tool tip's text is read as markup by the tray; ours is plain text (device names,
    // network names), so "<", ">" and "&" go out as entities. The title is plain by protocol.
    state.toolTip.text = shownToolTipText().toHtmlEscaped();
    state.label = label();
    state.labelGuide = labelGuide();
    state.accessibleDesc = headline().label.isEmpty() ? title() : headline().label;
    state.orderingIndex = static_cast<uint>(StatusBarHost::visibleRank(moduleKey()));
    state.menuPath = kMenuPath;
    adaptor_->publish(std::move(state));
}

QString SniItem::iconFileName(int index) const
{
    return QStringLiteral("%1/%2-%3-%4-%5.png")
        .arg(iconDirectory())
        .arg(QCoreApplication::applicationPid())
        .arg(serial_)
        .arg(moduleKey())
        .arg(index);
}

void SniItem::writeIconFile()
{
    const QImage shown = shownImage();
    pixmaps_ = shown.isNull() ? QList<SniPixmap>() : QList<SniPixmap>{SniPixmap::fromImage(shown)};
    looks_.clear();
    if (shown.isNull()) {
        removeIconFiles();
        iconPath_.clear();
        return;
    }
    if (iconDirectory().isEmpty()) { // no private directory: the pixels alone show the item
        iconPath_.clear();
        return;
    }
    const QByteArray png = OrbImageCapture::pngData(shown);
    // Alternate between two names: trays that cache icons by name see a new one each time.
    iconIndex_ ^= 1;
    const QString path = iconFileName(iconIndex_);
    if (AtomicFile::write(path, png, 0600))
        iconPath_ = path;
    else
        qCWarning(lcPlatform).noquote() << "cannot write status item icon" << path;
}

void SniItem::removeIconFiles()
{
    if (iconDirectory().isEmpty())
        return;
    QFile::remove(iconFileName(0));
    QFile::remove(iconFileName(1));
}

} // namespace orb
