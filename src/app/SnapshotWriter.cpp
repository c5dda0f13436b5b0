#include "app/SnapshotWriter.h"

#include "platform/AtomicFile.h"
#include "platform/statusbar/CompactIcon.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "toolkit/OrbImageCapture.h"

#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <QDir>
#include <QFontMetrics>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QWidget>

namespace orb {
namespace {

bool savePng(const QImage &image, const QString &path, QString &error)
{
    const QByteArray bytes = OrbImageCapture::pngData(image);
    if (bytes.isEmpty() || !AtomicFile::write(path, bytes)) {
        error = QStringLiteral("cannot write ") + path;
        return false;
    }
    return true;
}

// The item as a tray with square cells gets it: its square icon at every size sent, on a
// mid-grey strip, with the label beside it as trays that print labels show it.
QImage composeCompact(const StatusItemHost &item)
{
    const TrayHeadline &h = item.headline();
    int width = 4;
    for (int size : CompactIcon::kSizes)
        width += size + 4;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    const int labelWidth = h.label.isEmpty() ? 0 : QFontMetrics(font).horizontalAdvance(h.label) + 8;
    QImage out(width + labelWidth, 56, QImage::Format_ARGB32);
    out.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&out);
    int x = 4;
    for (int size : CompactIcon::kSizes) {
        p.drawImage(QPoint(x, (56 - size) / 2), h.hasGauge() || item.hasGaugeIcon()
                                                   ? CompactIcon::render(h, size)
                                                   : CompactIcon::fitted(item.image(), size));
        x += size + 4;
    }
    if (labelWidth > 0) {
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(x + 2, 0, labelWidth, 56), Qt::AlignVCenter | Qt::AlignLeft, h.label);
    }
    p.end();
    return out;
}

QImage composeBar(const QList<StatusItemHost *> &items)
{
    constexpr qreal dpr = 2.0;
    int width = 0;
    int height = 40; // 20 points, the bar height when the host reports none
    for (const StatusItemHost *item : items) {
        width += item->image().width();
        height = std::max(height, item->image().height());
    }
    QImage bar(std::max(width, 1), height, QImage::Format_ARGB32_Premultiplied);
    bar.fill(Qt::transparent);
    QPainter p(&bar);
    int x = 0;
    for (const StatusItemHost *item : items) {
        QImage image = item->image();
        image.setDevicePixelRatio(1.0);
        p.drawImage(QPoint(x, (height - image.height()) / 2), image);
        x += image.width();
    }
    p.end();
    bar.setDevicePixelRatio(dpr);
    return bar;
}

} // namespace

bool SnapshotWriter::writeWidget(QWidget &widget, const QString &path, QString &error)
{
    constexpr qreal dpr = 2.0;
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(widget.palette().color(QPalette::Window));
    widget.render(&image);
    return savePng(image, path, error);
}

QJsonArray SnapshotWriter::describeMenu(const QMenu &menu)
{
    QJsonArray items;
    for (const QAction *action : menu.actions()) {
        QJsonObject o;
        QString title = action->text();
        title.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&')).replace(QLatin1Char('\x01'), QLatin1Char('&'));
        o.insert(QStringLiteral("title"), title);
        o.insert(QStringLiteral("tag"), action->property("orbTag").isValid() ? action->property("orbTag").toInt() : 0);
        o.insert(QStringLiteral("enabled"), action->isEnabled());
        o.insert(QStringLiteral("separator"), action->isSeparator());
        items.append(o);
    }
    return items;
}

bool SnapshotWriter::write(const StatusBarHost &host, const QString &directory, QString &error)
{
    if (!QDir().mkpath(directory)) {
        error = QStringLiteral("cannot create ") + directory;
        return false;
    }
    const QDir dir(directory);
    const QList<StatusItemHost *> items = host.itemsInOrder();
    if (!savePng(composeBar(items), dir.filePath(QStringLiteral("menubar.png")), error))
        return false;
    QJsonObject menus;
    for (StatusItemHost *item : items) {
        if (!item->image().isNull() && !savePng(item->image(), dir.filePath(item->moduleKey() + QStringLiteral(".png")), error))
            return false;
        // What a tray with square cells shows; nothing for an item with nothing to show there.
        const bool compact = item->headline().hasGauge() || (!item->hasGaugeIcon() && !item->image().isNull());
        if (compact
            && !savePng(composeCompact(*item), dir.filePath(item->moduleKey() + QStringLiteral("-compact.png")), error))
            return false;
        QMenu *menu = item->menu();
        if (!menu)
            continue;
        menus.insert(item->moduleKey(), describeMenu(*menu));
        // Child widgets (graphs, detail views) are drawn only while the menu is shown: show
        // it offscreen for the capture, without the open/close notifications.
        const bool wasVisible = menu->isVisible();
        if (!wasVisible) {
            const QSignalBlocker quiet(menu);
            menu->popup(QPoint(0, 0));
            QCoreApplication::processEvents();
        }
        QImage shot = menu->grab().toImage();
        if (!wasVisible) {
            const QSignalBlocker quiet(menu);
            menu->hide();
        }
        if (!shot.isNull()
            && !savePng(shot, dir.filePath(item->moduleKey() + QStringLiteral("-menu.png")), error))
            return false;
    }
    if (!AtomicFile::write(dir.filePath(QStringLiteral("menus.json")), QJsonDocument(menus).toJson(QJsonDocument::Indented))) {
        error = QStringLiteral("cannot write menus.json");
        return false;
    }
    return true;
}

} // namespace orb
