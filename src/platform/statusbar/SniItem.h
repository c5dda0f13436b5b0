#pragma once
#include "platform/statusbar/CompactIcon.h"
#include "platform/statusbar/SniPixmap.h"
#include "platform/statusbar/StatusItemHost.h"

#include <QDBusConnection>
#include <functional>
#include <optional>
#include <vector>

namespace orb {

class DBusMenuExporter;
class SniAdaptor;
class SniHost;

// One status item as its own StatusNotifierItem: its own bus connection owning
// org.kde.StatusNotifierItem-<pid>-<n> and the object /StatusNotifierItem. In the wide style
// the current image goes out as a PNG in the runtime directory (IconName) and as pixels
// (IconPixmap); in the compact style as square icons in several sizes (IconPixmap only, so
// every tray uses the pixels) with the headline as label.
class SniItem : public StatusItemHost {
    Q_OBJECT
public:
    // `busAddress` empty: the session bus.
    SniItem(SniHost *host, const QString &moduleKey, const QString &busAddress);
    ~SniItem() override;

    void setImage(const QImage &image, bool isTemplate) override;
    void setToolTip(const QString &title, const QString &text) override;
    void setMenu(QMenu *menu) override;
    void setHeadline(const TrayHeadline &headline) override;
    // The compact style draws a gauge item's square from its headline, never from its image.
    bool showsImage() const override
    {
        return style_ == TrayStyle::Wide || !(headline().hasGauge() || hasGaugeIcon());
    }
    void setGaugeIcon(bool gauge) override;

    // Wide or Compact (Auto is taken as Compact).
    void setStyle(TrayStyle style);
    TrayStyle style() const { return style_; }
    // The XAyatanaLabel: the headline's label in the compact style, else empty.
    QString label() const;
    // A text as wide as the widest label expected (digits as 8s).
    QString labelGuide() const;
    // The tool tip text: the headline's full figures when there are any.
    QString shownToolTipText() const;
    // Whether the item has something to show in its style now: in the wide style an image; in
    // the compact style a gauge with a reading, or the image of an item without a gauge.
    bool hasSomethingToShow() const;
    // Whether the tray has been told the item has something to show ("Active"), else
    // "Passive"; follows hasSomethingToShow() with the item's next update.
    bool isActive() const { return active_; }
    QString status() const;

    // Bus name the item is known by; empty when it could not get onto the bus.
    QString serviceName() const { return service_; }
    QDBusConnection connection() const { return bus_; }
    // Absolute path of the PNG of the current image; empty before the first image.
    QString iconPath() const { return iconPath_; }
    QList<SniPixmap> iconPixmaps() const { return pixmaps_; }
    QString title() const;

    // Drops the bus name and takes a fresh one, so a watcher that lists items in the order
    // they registered puts this one at the end again. False when no name could be taken.
    bool takeNewServiceName();
    // A click on the tray icon at (x, y) in screen coordinates, (0, 0) when unknown.
    void activate(int x, int y);
    // The monotonic clock (milliseconds) that times a click against the menu's closing;
    // tests step their own.
    void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

    // Object path of the item's menu as com.canonical.dbusmenu.
    QString menuPath() const;
    DBusMenuExporter *menuExporter() const { return menuExporter_; }

    // Whether the watcher has been told about the current name (kept by the host).
    bool isRegistered() const { return registered_; }
    void setRegistered(bool registered) { registered_ = registered; }

    // Directory of the icon files: $XDG_RUNTIME_DIR/orbmeter.
    static QString iconDirectory();
    // Hands the bus what a tray reads now (the bus thread answers from it).
    void publish();

Q_SIGNALS:
    // The status went from "Passive" to "Active" or back.
    void activeChanged(bool active);

private:
    qint64 now() const;
    void scheduleFlush();
    void flush();
    void writeIconFile();
    // Square icons of the headline (or of the image for a module without a gauge); true
    // when their pixels differ from the ones sent before.
    bool renderCompactIcons();
    QImage shownImage() const;
    void removeIconFiles();
    QString iconFileName(int index) const;

    int serial_;
    QString connectionName_;
    QDBusConnection bus_;
    QString service_;
    // The object registered on the bus, on the bus connection's thread, and its interface.
    QObject *exported_ = nullptr;
    SniAdaptor *adaptor_ = nullptr;
    DBusMenuExporter *menuExporter_ = nullptr;
    QString iconPath_;
    int iconIndex_ = 0;
    QList<SniPixmap> pixmaps_;
    // What each gauge icon in pixmaps_ shows (none for a fitted wide image): a size whose
    // look stays is not drawn again.
    std::vector<std::optional<CompactIcon::Look>> looks_;
    QString lastTitle_;
    QString lastLabel_;
    TrayStyle style_ = TrayStyle::Compact;
    bool registered_ = false;
    bool flushPending_ = false;
    bool iconDirty_ = false;
    bool toolTipDirty_ = false;
    bool labelDirty_ = false;
    bool imageShown_ = false;
    bool active_ = false;
    std::function<qint64()> clock_;
    qint64 menuHiddenAt_ = -1;
};

} // namespace orb
