#include "platform/statusbar/SniItem.h"
#include "toolkit/OrbImageCapture.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/linux/RuntimeDirectory.h"
#include "platform/statusbar/SniAdaptor.h"
#include "platform/statusbar/SniHost.h"
#include "platform/statusbar/TemplateImage.h"

#include <QBuffer>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QStandardPaths>
#include <QTimer>
#include <atomic>
#include <unistd.h>

namespace orb {

namespace {
std::atomic<int> nextNumber{1};
const QString kObjectPath = QStringLiteral("/StatusNotifierItem");
// A click that lands on the tray while our menu is open first closes the menu (the menu's
// grab sees it); the Activate that may follow must not open it again.
constexpr qint64 kReopenGuardMs = 250;
} // namespace

SniItem::SniItem(SniHost *host, const QString &moduleKey, const QString &busAddress)
    : StatusItemHost(host, moduleKey),
      serial_(nextNumber.fetch_add(1)),
      connectionName_(QStringLiteral("orbmeter-sni-%1").arg(serial_)),
      bus_(busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)
                                : QDBusConnection::connectToBus(busAddress, connectionName_))
{
    registerSniTypes();
    adaptor_ = new SniAdaptor(this);
    if (!bus_.isConnected()) {
        qCWarning(lcPlatform).noquote() << "status item" << moduleKey << "cannot reach the session bus:"
                                        << bus_.lastError().message();
        return;
    }
    if (!bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        qCWarning(lcPlatform).noquote() << "status item" << moduleKey << "cannot export" << kObjectPath;
    takeNewServiceName();
}

SniItem::~SniItem()
{
    if (bus_.isConnected()) {
        bus_.unregisterObject(kObjectPath);
        if (!service_.isEmpty())
            bus_.unregisterService(service_);
    }
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
    return true;
}

QString SniItem::title() const { return toolTipTitle().isEmpty() ? moduleKey() : toolTipTitle(); }

void SniItem::setImage(const QImage &image, bool isTemplate)
{
    if (image == this->image() && isTemplate == this->isTemplate() && !iconPath_.isEmpty())
        return; // unchanged: no file write, no signal
    StatusItemHost::setImage(image, isTemplate);
    iconDirty_ = true;
    scheduleFlush();
}

void SniItem::setToolTip(const QString &title, const QString &text)
{
    if (title == toolTipTitle() && text == toolTipText())
        return;
    StatusItemHost::setToolTip(title, text);
    toolTipDirty_ = true;
    scheduleFlush();
}

void SniItem::setMenu(QMenu *menu)
{
    if (QMenu *old = this->menu())
        disconnect(old, &QMenu::aboutToHide, this, nullptr);
    StatusItemHost::setMenu(menu);
    if (menu)
        connect(menu, &QMenu::aboutToHide, this, [this] { sinceMenuHidden_.start(); });
}

void SniItem::activate(int x, int y)
{
    QMenu *m = menu();
    if (!m || !isEnabled())
        return;
    if (!m->isVisible() && sinceMenuHidden_.isValid() && sinceMenuHidden_.elapsed() < kReopenGuardMs)
        return;
    popUpMenu(x == 0 && y == 0 ? QPoint() : QPoint(x, y));
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
    if (iconDirty_) {
        iconDirty_ = false;
        writeIconFile();
        Q_EMIT adaptor_->NewIcon();
    }
    if (toolTipDirty_) {
        toolTipDirty_ = false;
        Q_EMIT adaptor_->NewToolTip();
        if (title() != lastTitle_) {
            lastTitle_ = title();
            Q_EMIT adaptor_->NewTitle();
        }
    }
}

QString SniItem::iconDirectory() { return RuntimeDirectory::path(); }

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
    QImage shown = image();
    if (isTemplate())
        shown = TemplateImage::tinted(shown, QGuiApplication::palette().color(QPalette::WindowText));
    pixmaps_ = shown.isNull() ? QList<SniPixmap>() : QList<SniPixmap>{SniPixmap::fromImage(shown)};
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
