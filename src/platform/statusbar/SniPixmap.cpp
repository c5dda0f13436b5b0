#include "platform/statusbar/SniPixmap.h"

#include <QDBusMetaType>
#include <QImage>
#include <QtEndian>

namespace orb {

SniPixmap SniPixmap::fromImage(const QImage &image)
{
    SniPixmap pixmap;
    if (image.isNull())
        return pixmap;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    pixmap.width = argb.width();
    pixmap.height = argb.height();
    pixmap.data.resize(qsizetype(argb.width()) * argb.height() * 4);
    auto *out = reinterpret_cast<uchar *>(pixmap.data.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, out += 4)
            qToBigEndian<quint32>(row[x], out);
    }
    return pixmap;
}

QDBusArgument &operator<<(QDBusArgument &arg, const SniPixmap &pixmap)
{
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.data;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, SniPixmap &pixmap)
{
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.data;
    arg.endStructure();
    return arg;
}

QDBusArgument &operator<<(QDBusArgument &arg, const SniToolTip &tip)
{
    arg.beginStructure();
    arg << tip.iconName << tip.image << tip.title << tip.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, SniToolTip &tip)
{
    arg.beginStructure();
    arg >> tip.iconName >> tip.image >> tip.title >> tip.text;
    arg.endStructure();
    return arg;
}

void registerSniTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace orb
