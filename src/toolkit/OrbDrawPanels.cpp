#include "toolkit/OrbDrawPanels.h"
#include "toolkit/OrbColors.h"

#include "toolkit/OrbDrawText.h"

namespace orb {

void OrbDrawPanels::orbDrawBaseFrame(const OrbCanvas &canvas, const QSizeF &size, bool apDarkMode,
                                     bool disabled)
{
    QColor fill, stroke;
    if (disabled) {
        fill = stroke = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.2f);
    } else if (apDarkMode) {
        fill = QColor::fromRgbF(0.f, 0.f, 0.f, 0.9f);
        stroke = QColor::fromRgbF(1.f, 1.f, 1.f, 0.2f);
    } else {
        fill = QColor::fromRgbF(1.f, 1.f, 1.f, 0.9f);
        stroke = QColor::fromRgbF(0.f, 0.f, 0.f, 0.2f);
    }
    canvas.save();
    canvas.setAntialiasing(true);
    QPainterPath panel;
    panel.addRoundedRect(canvas.rect(2.0, 2.0, size.width() - 4.0, size.height() - 4.0), 6.0, 6.0);
    canvas.fillPath(panel, fill);
    canvas.strokePath(panel, stroke, 2.0);
    canvas.restore();
}

void OrbDrawPanels::orbDrawTopboxLabel(const OrbCanvas &canvas, const QString &caption,
                                       const std::optional<QColor> &shadowColor,
                                       const QRectF &dirtyRect, bool withGraph,
                                       const QFont &systemFont, const QColor &controlTextColor)
{
    OrbTextAttributes attributes;
    attributes.font = systemFont;
    attributes.font.setPixelSize(static_cast<int>(kCaptionPixelSize));
    if (shadowColor)
        attributes.shadow = OrbColors::retNormalTextShadow(*shadowColor);
    const QColor textColor =
        shadowColor ? controlTextColor : QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.25f);
    OrbDrawText::orbDrawString(canvas, caption, withGraph ? 0 : 1, 1, textColor, attributes,
                               dirtyRect, 0, false);
}

} // namespace orb
