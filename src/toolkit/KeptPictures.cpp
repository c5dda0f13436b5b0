#include "toolkit/KeptPictures.h"

#include "toolkit/RecentlyUsed.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <utility>

namespace orb {
namespace {

thread_local quint64 composed = 0;

template <typename T> void put(QByteArray &key, const T &value)
{
    key.append(reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

quint64 KeptPictures::composedOnThisThread() { return composed; }

void KeptPictures::drawWith(const OrbCanvas &canvas, const QRectF &frame, double bleed, QByteArrayView what,
                            void *paint, PaintFn call)
{
    const QTransform toDevice = canvas.deviceTransform();
    const QRectF device = toDevice.mapRect(canvas.rect(frame.adjusted(-bleed, -bleed, bleed, bleed)));
    // The copy is placed in device pixels.
    const bool keepable = canvas.mapsStraightToPixels() && device.width() > 0.0 && device.height() > 0.0
        && device.width() <= kMaxSide && device.height() <= kMaxSide;
    if (!keepable) {
        call(paint, canvas);
        return;
    }
    // Whole pixels round the drawing, one spare for anti-aliasing on each side.
    const QRect box = device.adjusted(-1.0, -1.0, 1.0, 1.0).toAlignedRect();
    const QPainter::RenderHints hints = canvas.renderHints();
    // Reused, so a picture already kept is found without allocating.
    thread_local QByteArray key;
    key.resize(0);
    put(key, device.x() - box.x());
    put(key, device.y() - box.y());
    put(key, device.width());
    put(key, device.height());
    put(key, toDevice.m11());
    put(key, toDevice.m22());
    put(key, hints.toInt());
    key.append(what.data(), what.size());

    struct Kept {
        QImage picture;
        quint64 used = 0;
    };
    thread_local QHash<QByteArray, Kept> pictures;
    thread_local quint64 uses = 0;
    auto found = pictures.find(key);
    if (found == pictures.end()) {
        // A meter turning through new values fills the table; the lamps and pies drawn on
        // every pass stay.
        if (pictures.size() >= kMaxPictures)
            dropLeastRecentlyUsedHalf(pictures);
        QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter p(&picture);
            p.setRenderHints(hints);
            p.setTransform(toDevice * QTransform::fromTranslate(-box.x(), -box.y()));
            call(paint, OrbCanvas(p, canvas.height()));
        }
        ++composed;
        found = pictures.insert(key, Kept{std::move(picture)});
    }
    found->used = ++uses;
    canvas.copyPixels(box.topLeft(), found->picture);
}

} // namespace orb
