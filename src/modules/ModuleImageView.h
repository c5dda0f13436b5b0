#pragma once
#include "toolkit/OrbImageView.h"
#include "toolkit/OrbMeterItem.h"

#include <QImage>
#include <QSizeF>
#include <QVariantMap>
#include <span>

namespace orb {

class OrbCanvas;

// Vertical margins of a drawing and the gap after every display element, in points.
struct OrbEdgeInsets {
    double top = 0.0;
    double bottom = 0.0;
    double middle = 0.0;
};

// A module's status or menu image view: laid out at twice the image's point size; the
// module hands it settings and data, then captures it.
class ModuleImageView : public OrbImageView {
public:
    // Stores size and insets doubled, copies the settings and lays the view out.
    void redrawWithSize(const QSizeF &size, const OrbEdgeInsets &insets, bool isHighLighted, bool drawEmptyLine,
                        const QVariantMap &myDefaults)
    {
        myHeight_ = size.height() * 2.0;
        insets_ = {insets.top * 2.0, insets.bottom * 2.0, insets.middle * 2.0};
        isHighLighted_ = isHighLighted;
        drawEmptyLine_ = drawEmptyLine;
        myDefaults_ = myDefaults;
        layOutAtDoubleScale(size);
    }

protected:
    // Starts a drawing: the running position at 0, or past the module's label image (drawn at
    // the origin, white while highlighted) when `show` is on. The image comes from the typed
    // settings, converted once for drawing (OrbImage::drawable).
    void drawModuleLabel(const OrbCanvas &canvas, bool show, const QImage &label);
    // A device's icon scaled smoothly into `frame` (canvas coordinates) at `opacity`:
    // composed once, then copied while the icon and its place stay.
    static void drawDeviceIcon(const OrbCanvas &canvas, const QImage &icon, const QRectF &frame, double opacity);

    // The two meters at the running position (level bar 16 wide, circle meter as wide as
    // the drawing is high), which then moves past them and the gap.
    void drawLevelBarElement(const OrbCanvas &canvas, std::span<const OrbMeterItem> items);
    void drawCircleMeterElement(const OrbCanvas &canvas, std::span<const OrbMeterItem> items);

    double myMenuPosX_ = 0.0;
    double myHeight_ = 0.0;
    OrbEdgeInsets insets_;
    bool isHighLighted_ = false;
    bool drawEmptyLine_ = false;
    QVariantMap myDefaults_;
};

} // namespace orb
