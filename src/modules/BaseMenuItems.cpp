#include "modules/BaseMenuItems.h"

#include "platform/linux/AppLauncher.h"
#include "toolkit/OrbImageCapture.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>

namespace orb {
namespace {

// Theme images are drawn for two pixels per point.
QIcon menuIcon(const QVariantMap &defaults, const QString &key)
{
    const QVariant v = defaults.value(key);
    QImage image = v.value<QImage>();
    if (image.isNull() && v.typeId() == QMetaType::QByteArray)
        image = QImage::fromData(v.toByteArray());
    if (image.isNull())
        return {};
    const OrbImage icon = OrbImageCapture::orbRetMenuItemIcon(OrbImage(image, QSizeF(image.size()) / 2.0));
    QPixmap pixmap = QPixmap::fromImage(icon.pixels().scaled((icon.size() * 2.0).toSize(), Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(2.0);
    return QIcon(pixmap);
}

} // namespace

void BaseMenuItems::setTag(QAction *action, int tag) { action->setProperty("orbTag", tag); }
int BaseMenuItems::tag(const QAction *action) { return action->property("orbTag").toInt(); }

QString BaseMenuItems::escaped(const QString &text)
{
    QString t = text;
    return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QAction *BaseMenuItems::addPreferenceItem(QMenu &menu, const QVariantMap &defaults, std::function<void()> onTrigger)
{
    const QString title = QCoreApplication::translate("OrbStrings", "Open \"%1\" Preference")
                              .arg(defaults.value(QStringLiteral("PrefName")).toString());
    QAction *a = menu.addAction(menuIcon(defaults, QStringLiteral("O01")), escaped(title));
    setTag(a, kPreferenceTag);
    QObject::connect(a, &QAction::triggered, &menu, [f = std::move(onTrigger)] {
        if (f)
            f();
    });
    return a;
}

void BaseMenuItems::addLauncherItems(QMenu &menu, const QVariantMap &defaults, const QString &prefix)
{
    struct Entry {
        const char *flag;
        const char *imageKey;
        LaunchTarget target;
        const char *title;
        int tag;
    };
    static const Entry entries[] = {
        {"Amon", "O11", LaunchTarget::SystemMonitor, QT_TRANSLATE_NOOP("OrbStrings", "Open System Monitor"),
         kSystemMonitorTag},
        {"Cnsl", "O12", LaunchTarget::LogViewer, QT_TRANSLATE_NOOP("OrbStrings", "Open Log Viewer"),
         kLogViewerTag},
        {"Tmnl", "O13", LaunchTarget::Terminal, QT_TRANSLATE_NOOP("OrbStrings", "Open Terminal"), kTerminalTag},
    };
    for (const Entry &e : entries) {
        if (!defaults.value(prefix + QLatin1String(e.flag)).toBool() || !AppLauncher::isAvailable(e.target))
            continue;
        QAction *a = menu.addAction(menuIcon(defaults, QLatin1String(e.imageKey)),
                                    QCoreApplication::translate("OrbStrings", e.title));
        setTag(a, e.tag);
        const LaunchTarget target = e.target;
        QObject::connect(a, &QAction::triggered, &menu, [target] { AppLauncher::launch(target); });
    }
}

QAction *BaseMenuItems::addCommandItem(QMenu &menu, const QString &title, int tag, const QVariantMap &defaults,
                                       const QString &imageKey, std::function<void()> onTrigger)
{
    QAction *a = menu.addAction(menuIcon(defaults, imageKey), escaped(title));
    setTag(a, tag);
    QObject::connect(a, &QAction::triggered, &menu, [f = std::move(onTrigger)] {
        if (f)
            f();
    });
    return a;
}

} // namespace orb
