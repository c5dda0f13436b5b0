#include "modules/ModuleImageView.h"

#include "toolkit/OrbCanvas.h"

#include <QImage>
#include <QPainter>

namespace orb {

void ModuleImageView::drawModuleLabel(const OrbCanvas &canvas, const QString &showKey, const QString &imageKey)
{
    myMenuPosX_ = 0.0;
    if (!myDefaults_.value(showKey).toBool())
        return;
    const QImage label = myDefaults_.value(imageKey).value<QImage>();
    if (!label.isNull()) {
        QImage tinted = label;
        if (isHighLighted_) {
            QPainter p(&tinted);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(tinted.rect(), Qt::white);
        }
        canvas.painter().drawImage(canvas.rect(0, 0, label.width(), label.height()), tinted);
    }
    myMenuPosX_ = 18.0 + insets_.middle;
}

} // namespace orb
