#include "modules/general/BatteryIcon.h"

#include "platform/Logging.h"

#include <QHash>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

// Resource images, loaded once (UI thread only).
const QImage &resourceImage(const QString &name, bool required = true)
{
    static QHash<QString, QImage> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        QImage image(QStringLiteral(":/icons/battery/%1.png").arg(name));
        if (image.isNull() && required)
            qCWarning(lcModules).noquote() << "battery image" << name << "is missing";
        it = cache.insert(name, image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return *it;
}

} // namespace

QString BatteryIcon::baseName(int percent)
{
    if (percent < 0)
        return QStringLiteral("battnn");
    return QStringLiteral("batt%1").arg(std::min(percent, 100) / 10, 2, 10, QLatin1Char('0'));
}

QString BatteryIcon::overlayName(int mode, qint64 frame)
{
    if (mode == NoOverlay)
        return {};
    return QStringLiteral("batt%1%2").arg(mode == OnCharger ? QLatin1Char('c') : QLatin1Char('b')).arg(frame);
}

QImage BatteryIcon::orbRetBatteryIcon(int percent, int mode, qint64 frame, double opacity)
{
    const int px = kSizePoints * 2;
    QImage out(px, px, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage &base = resourceImage(baseName(percent));
    if (!base.isNull())
        p.drawImage(QRect(0, 0, px, px), base);
    // No overlay without a charge reading; an unexpected frame is simply left out.
    if (percent >= 0 && mode != NoOverlay) {
        const QImage &overlay = resourceImage(overlayName(mode, frame), false);
        if (!overlay.isNull()) {
            p.setOpacity(std::clamp(opacity, 0.0, 1.0));
            p.drawImage(QRect(0, 0, px, px), overlay);
        }
    }
    p.end();
    out.setDevicePixelRatio(2.0);
    return out;
}

quint64 BatteryIcon::iconKey(int percent, int mode, qint64 frame, double opacity, int points)
{
    const quint64 base = percent < 0 ? 0 : static_cast<quint64>(std::min(percent, 100) / 10 + 1); // 0..11
    // Frames past the last one all draw no overlay; without a reading there is none either.
    const quint64 shown = percent < 0 || mode == NoOverlay ? 0 : static_cast<quint64>(std::clamp<qint64>(frame, -1, 15) + 1);
    const quint64 alpha = static_cast<quint64>(std::lround(std::clamp(opacity, 0.0, 1.0) * 100.0));
    const quint64 size = static_cast<quint64>(std::clamp(points, 0, 1023));
    return base | static_cast<quint64>(mode & 3) << 4 | shown << 6 | alpha << 11 | size << 18;
}

QImage BatteryIcon::icon(int percent, int mode, qint64 frame, double opacity, int points)
{
    static QHash<quint64, QImage> cache;
    const quint64 key = iconKey(percent, mode, frame, opacity, points);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QImage image = orbRetBatteryIcon(percent, mode, frame, opacity)
                       .scaled(points * 2, points * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(2.0);
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, image);
    return image;
}

} // namespace orb
