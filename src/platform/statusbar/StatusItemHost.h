#pragma once
#include "platform/statusbar/TrayHeadline.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;

namespace orb {

class StatusBarHost;

// One status item as the host shows it: an image (two pixels per point), a tool tip and
// a drop-down menu. Made by StatusBarHost::createItem; deleting it removes it from the bar.
class StatusItemHost : public QObject {
    Q_OBJECT
public:
    ~StatusItemHost() override;

    // Lower-case module name: "cpu", "gpu", "memory", ... "general".
    QString moduleKey() const { return moduleKey_; }

    // `image` carries devicePixelRatio 2; a template image is drawn by the host in the
    // panel's text colour where it can.
    virtual void setImage(const QImage &image, bool isTemplate);
    // The menu shown on click; not owned. Hosts connect to its aboutToShow/aboutToHide.
    virtual void setMenu(QMenu *menu);
    virtual void setToolTip(const QString &title, const QString &text);
    // The headline a tray with square cells shows instead of the image; hosts that show the
    // image at full width keep it only.
    virtual void setHeadline(const TrayHeadline &headline);
    // Whether the host shows the image given to setImage() with the current headline; when it
    // does not (a square cell drawn from the headline's gauge), modules need not draw one.
    // imageWanted() says when this turns true again.
    virtual bool showsImage() const { return true; }
    // Whether the item's square icon is a gauge of its headline (modules with readings) rather
    // than its image made smaller (the program's icon). A gauge item has nothing to show in a
    // square until its headline has a reading.
    virtual void setGaugeIcon(bool gauge);
    bool hasGaugeIcon() const { return gaugeIcon_; }
    // A disabled item does not open its menu.
    virtual void setEnabled(bool enabled);
    // Opens the menu below the item (at `globalPos` when given, else at the pointer), kept
    // inside the screen's available area, or closes it when open.
    virtual void popUpMenu(const QPoint &globalPos = QPoint());
    virtual void closeMenu();

    QImage image() const { return image_; }
    bool isTemplate() const { return template_; }
    QMenu *menu() const;
    bool isEnabled() const { return enabled_; }
    QString toolTipTitle() const { return toolTipTitle_; }
    QString toolTipText() const { return toolTipText_; }
    const TrayHeadline &headline() const { return headline_; }
    // Width of the current image in points.
    double widthInPoints() const;

Q_SIGNALS:
    void imageChanged();
    // The host shows images again (see showsImage()) and has none, or a stale one.
    void imageWanted();

protected:
    StatusItemHost(StatusBarHost *host, const QString &moduleKey);
    // Where the menu opens for a click at `at`: inside the available area of the screen
    // there; `clickOnTray` when the point came from a tray whose bar may not be reserved.
    QPoint menuPositionFor(const QPoint &at, bool clickOnTray) const;
    StatusBarHost *host() const { return host_; }

private:
    StatusBarHost *host_;
    QString moduleKey_;
    QImage image_;
    bool template_ = false;
    bool enabled_ = true;
    QPointer<QMenu> menu_;
    QString toolTipTitle_;
    QString toolTipText_;
    TrayHeadline headline_;
    bool gaugeIcon_ = false;
    friend class StatusBarHost;
};

} // namespace orb
