#pragma once
#include "toolkit/OrbCanvas.h"

#include <QRectF>
#include <QSizeF>

namespace orb {

// Base of the views whose drawing becomes a status or menu image. Such a view is laid out
// at twice the point size of the image it produces, draws in that doubled space, and
// OrbImageCapture halves it back into an image with two pixels per point.
class OrbImageView {
public:
    virtual ~OrbImageView() = default;

    QRectF frame() const { return frame_; }
    void setFrame(const QRectF &frame) { frame_ = frame; }
    // (0, 0, frame width, frame height): the drawing area.
    QRectF bounds() const { return {0.0, 0.0, frame_.width(), frame_.height()}; }
    // Frame (0, 0, 2 × width, 2 × height) for an image of `pointSize`.
    void layOutAtDoubleScale(const QSizeF &pointSize)
    {
        frame_ = QRectF(0.0, 0.0, 2.0 * pointSize.width(), 2.0 * pointSize.height());
    }

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

    // Draws the view's content; the canvas covers bounds() with the origin bottom-left.
    virtual void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) = 0;

private:
    QRectF frame_;
    bool hidden_ = false;
};

} // namespace orb
