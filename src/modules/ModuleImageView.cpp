#include "modules/ModuleImageView.h"

#include "toolkit/KeptPictures.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbDrawMeters.h"

#include <QImage>
#include <QPainter>

namespace orb {

void ModuleImageView::drawModuleLabel(const OrbCanvas &canvas, bool show, const QImage &label)
{
    myMenuPosX_ = 0.0;
    if (!show)
        return;
    if (!label.isNull()) {
        QImage tinted = label;
        if (isHighLighted_) {
            QPainter p(&tinted);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(tinted.rect(), Qt::white);
        }
        canvas.drawImage(QRectF(0, 0, label.width(), label.height()), tinted);
    }
    myMenuPosX_ = 18.0 + insets_.middle;
}

void ModuleImageView::drawDeviceIcon(const OrbCanvas &canvas, const QImage &icon, const QRectF &frame, double opacity)
{
    if (icon.isNull())
        return;
    KeptPictures::draw(canvas, frame, 0.0, KeptPictures::Key("device icon").add(icon.cacheKey()).add(opacity),
                       [&](const OrbCanvas &c) {
                           QPainter &p = c.painter();
                           p.save();
                           p.setRenderHint(QPainter::SmoothPixmapTransform, true);
                           p.setOpacity(opacity);
                           p.drawImage(c.rect(frame), icon);
                           p.restore();
                       });
}

void ModuleImageView::drawLevelBarElement(const OrbCanvas &canvas, std::span<const OrbMeterItem> items)
{
    const double h = myHeight_ - insets_.top - insets_.bottom;
    OrbDrawMeters::orbDrawLevelBar(canvas, items, QRectF(myMenuPosX_, insets_.bottom, 16, h), isHighLighted_);
    myMenuPosX_ += 16 + insets_.middle;
}

void ModuleImageView::drawCircleMeterElement(const OrbCanvas &canvas, std::span<const OrbMeterItem> items)
{
    const double h = myHeight_ - insets_.top - insets_.bottom;
    OrbDrawMeters::orbDrawCicleBar(canvas, items, QRectF(myMenuPosX_, insets_.bottom, h, h), isHighLighted_);
    myMenuPosX_ += h + insets_.middle;
}

} // namespace orb
