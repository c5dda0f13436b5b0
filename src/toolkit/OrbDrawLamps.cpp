#include "toolkit/OrbDrawLamps.h"

#include "toolkit/KeptPictures.h"

namespace orb {

void OrbDrawLamps::drawLamp(const OrbCanvas &canvas, double lx, double ly, double d,
                            const QColor &frameColor, const QColor &fillColor, bool isHighLighted)
{
    // A lamp is the same few shapes pass after pass: kept as a picture.
    KeptPictures::Key what("lamp");
    what.add(frameColor).add(fillColor).add(isHighLighted);
    KeptPictures::draw(canvas, QRectF(lx, ly, d, d), 0.5, what, [&](const OrbCanvas &c) {
        paintLamp(c, lx, ly, d, frameColor, fillColor, isHighLighted);
    });
}

void OrbDrawLamps::paintLamp(const OrbCanvas &canvas, double lx, double ly, double d, const QColor &frameColor,
                             const QColor &fillColor, bool isHighLighted)
{
    QPainterPath path;
    // Both circles run the same way and the winding rule fills the whole outer circle,
    // leaving only the outer half of the frame line showing.
    path.setFillRule(Qt::WindingFill);
    canvas.addEllipse(path, QRectF(lx, ly, d, d));
    canvas.strokePath(path, OrbCanvas::highlightedIf(frameColor, isHighLighted), 1.0);
    canvas.addEllipse(path, QRectF(lx + 1.0, ly + 1.0, d - 2.0, d - 2.0));
    canvas.fillPath(path, OrbCanvas::highlightedIf(fillColor, isHighLighted));
}

void OrbDrawLamps::orbDrawHorizontalSigleCircle(const OrbCanvas &canvas, bool isOn,
                                                const QColor &frameColor, const QColor &baseBgColor,
                                                const QColor &onColor, double baseX, double baseY,
                                                double baseWidth, double myRadius, bool isHighLighted)
{
    const double d = myRadius;
    canvas.save();
    canvas.setAntialiasing(true);
    drawLamp(canvas, baseX + (baseWidth - d) / 2.0, baseY, d, frameColor,
             isOn ? onColor : baseBgColor, isHighLighted);
    canvas.restore();
}

void OrbDrawLamps::orbDrawHorizontalTwoCircle(const OrbCanvas &canvas, bool upOn, bool dwOn,
                                              const QColor &frameColor, const QColor &baseBgColor,
                                              const QColor &upColor, const QColor &dwColor,
                                              double baseX, double baseY, double baseWidth,
                                              double myRadius, double spacer, bool isHighLighted)
{
    const double d = myRadius;
    const double middle = baseX + baseWidth / 2.0;
    canvas.save();
    canvas.setAntialiasing(true);
    drawLamp(canvas, middle - d - spacer, baseY, d, frameColor, upOn ? upColor : baseBgColor,
             isHighLighted);
    drawLamp(canvas, middle + spacer, baseY, d, frameColor, dwOn ? dwColor : baseBgColor,
             isHighLighted);
    canvas.restore();
}

void OrbDrawLamps::orbDrawVerticalTwoCircle(const OrbCanvas &canvas, bool upOn, bool dwOn,
                                            const QColor &frameColor, const QColor &baseBgColor,
                                            const QColor &upColor, const QColor &dwColor,
                                            double baseX, double baseHeight, double myRadius,
                                            double spacer, bool isHighLighted)
{
    const double d = myRadius;
    const double middle = baseHeight / 2.0;
    canvas.save();
    canvas.setAntialiasing(true);
    drawLamp(canvas, baseX, middle + spacer, d, frameColor, upOn ? upColor : baseBgColor,
             isHighLighted);
    drawLamp(canvas, baseX, middle - d - spacer, d, frameColor, dwOn ? dwColor : baseBgColor,
             isHighLighted);
    canvas.restore();
}

} // namespace orb
