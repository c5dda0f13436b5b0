#pragma once
#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

class QImage;

namespace orb {

// One icon image as a StatusNotifierItem carries it, D-Bus type (iiay): width, height and
// ARGB32 pixels in network byte order (A, R, G, B per pixel, rows top to bottom).
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray data;

    // The image at its own pixel size; a null image gives an empty pixmap.
    static SniPixmap fromImage(const QImage &image);
};
using SniPixmapList = QList<SniPixmap>;

// The ToolTip property, D-Bus type (sa(iiay)ss): icon name, icon images, title, text.
struct SniToolTip {
    QString iconName;
    SniPixmapList image;
    QString title;
    QString text;
};

QDBusArgument &operator<<(QDBusArgument &arg, const SniPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &arg, SniPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &arg, const SniToolTip &tip);
const QDBusArgument &operator>>(const QDBusArgument &arg, SniToolTip &tip);

// Registers the types with QtDBus; safe to call more than once.
void registerSniTypes();

} // namespace orb

Q_DECLARE_METATYPE(orb::SniPixmap)
Q_DECLARE_METATYPE(orb::SniToolTip)
