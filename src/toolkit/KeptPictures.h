#pragma once
#include "toolkit/OrbCanvas.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRectF>
#include <QVarLengthArray>
#include <memory>
#include <string>
#include <type_traits>

namespace orb {

// Small anti-aliased drawings that come back unchanged pass after pass (a lamp, a
// status-sized circle meter) are composed once into a picture of their own and copied
// after: flattening and filling curves costs tens of times what copying a few hundred
// pixels does. Pictures are kept per thread, keyed by what the caller says it draws plus
// where the drawing falls on the device pixel grid, so a drawing moved by a fraction of a
// pixel is composed anew. Elsewhere (painters with a rotation, opacity or another
// composition, drawings larger than kMaxSide) the drawing is made in place.
//
// The copy looks as the drawing made in place to within rounding (2 of 255): the pieces
// are composed over transparency first, then over the image, instead of one by one.
class KeptPictures {
public:
    // The caller's description of a drawing: its kind (a name no other kind uses) and every
    // value the drawing depends on, as bytes, beside its size and its place on the pixel
    // grid, which draw() keys by itself.
    class Key {
    public:
        explicit Key(const char *kind) { bytes_.append(kind, qsizetype(std::char_traits<char>::length(kind)) + 1); }
        template <typename T> Key &add(const T &value)
        {
            static_assert(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>);
            bytes_.append(reinterpret_cast<const char *>(&value), sizeof value);
            return *this;
        }
        Key &add(const QColor &color) { return add(color.rgba64()); }
        QByteArrayView bytes() const { return {bytes_.constData(), bytes_.size()}; }

    private:
        QVarLengthArray<char, 256> bytes_;
    };

    // Draws `paint(canvas)` over `frame` (canvas coordinates; the drawing may reach `bleed`
    // points beyond it), through a kept picture when the painter allows.
    template <typename Paint>
    static void draw(const OrbCanvas &canvas, const QRectF &frame, double bleed, const Key &what, Paint &&paint)
    {
        drawWith(canvas, frame, bleed, what.bytes(), const_cast<void *>(static_cast<const void *>(std::addressof(paint))),
                 [](void *p, const OrbCanvas &c) { (*static_cast<std::remove_reference_t<Paint> *>(p))(c); });
    }

    // Drawings up to this many device pixels across are kept, at most kMaxPictures per thread.
    static constexpr double kMaxSide = 64.0;
    static constexpr qsizetype kMaxPictures = 64;

    // Pictures composed on this thread so far: lets a test tell a copy from a new drawing.
    static quint64 composedOnThisThread();

private:
    using PaintFn = void (*)(void *, const OrbCanvas &);
    static void drawWith(const OrbCanvas &canvas, const QRectF &frame, double bleed, QByteArrayView what,
                         void *paint, PaintFn call);
};

} // namespace orb
