#pragma once
#include "toolkit/DrawingKey.h"
#include "toolkit/OrbCanvas.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRectF>
#include <memory>
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
    // The caller's description of a drawing: its kind and every value the drawing depends
    // on, beside its size and its place on the pixel grid, which draw() keys by itself.
    using Key = DrawingKey;

    // Draws `paint(canvas)` over `frame` (canvas coordinates; the drawing may reach `bleed`
    // points beyond it), through a kept picture when the painter allows.
    template <typename Paint>
    static void draw(const OrbCanvas &canvas, const QRectF &frame, double bleed, const Key &what, Paint &&paint)
    {
        drawWith(canvas, frame, bleed, what.bytes(), const_cast<void *>(static_cast<const void *>(std::addressof(paint))),
                 [](void *p, const OrbCanvas &c) { (*static_cast<std::remove_reference_t<Paint> *>(p))(c); });
    }

    // Drawings up to this many device pixels across are kept, at most kMaxPictures per thread;
    // when the table is full, the half used longest ago goes.
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
