#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/volume/VolumeFigures.h"
#include "modules/volume/VolumeSettings.h"
#include "toolkit/OrbTextAttributes.h"

#include <QHash>
#include <QImage>
#include <optional>

namespace orb {

class OrbCanvas;

// Draws the Volume status image and menu graph: for all volumes together, or for each
// volume (optionally behind its icon with a change lamp), the usage graph, level bar, circle
// chart, used/free text and percentage in the user's order.
class ImageVolumeBar : public ModuleImageView {
public:
    void setResumeArray(const History<VolumeSample> &history) { resumeArray_ = history; }
    void setFigures(std::optional<VolumeFigures> figures) { useFreeDict_ = std::move(figures); }
    // Icons by mount path (a missing or null image draws nothing in its place).
    void setIcons(QHash<QString, QImage> icons) { icons_ = std::move(icons); }

    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // Draws the usage history of `path` with its right edge at frame.x(), two units per
    // sample, newest on the right; returns the width on the left that no sample reached.
    static double orbDrawVolumeGraph(const OrbCanvas &canvas, const History<VolumeSample> &history,
                                     const QString &path, const VolumeSettings &settings, const QRectF &frame,
                                     bool isHighLighted);

    const VolumeSettings &settings() const { return settings_; }

private:
    void refreshSettings();
    void moduleForeach(const OrbCanvas &canvas, const VolumeFigure &figure);
    void drawIcon(const OrbCanvas &canvas, const VolumeFigure &figure);
    void drawGraph(const OrbCanvas &canvas, const VolumeFigure &figure);
    void drawText(const OrbCanvas &canvas, const VolumeFigure &figure);
    void drawPercent(const OrbCanvas &canvas, const VolumeFigure &figure);

    History<VolumeSample> resumeArray_;
    std::optional<VolumeFigures> useFreeDict_;
    QHash<QString, QImage> icons_;
    QVariantMap settingsSource_;
    VolumeSettings settings_;
    OrbTextAttributes attrs_;
};

} // namespace orb
