#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/disk/DiskActivity.h"
#include "modules/disk/DiskSettings.h"
#include "toolkit/OrbTextAttributes.h"

#include <QImage>
#include <memory>
#include <optional>
#include <vector>

namespace orb {

class OrbCanvas;
struct DiskBase;

// Draws the Disk status image and menu graph: per disk (or for all disks together) the
// read/write lamps, the history graph and the two-line rate text in the user's order, each
// disk optionally preceded by its icon.
class ImageDiskBar : public ModuleImageView {
public:
    void setResumeArray(const History<DiskSample> &history) { resumeArray_ = history; }
    void setBase(std::shared_ptr<const DiskBase> base) { baseDict_ = std::move(base); }
    // Copied into the table kept from the last draw, whose storage is reused.
    void setRwChk(const std::optional<DiskRWTable> &table) { rwChkDict_ = table; }
    // Icons of the base's drives, in the base's order (a null image draws nothing).
    void setIcons(const std::vector<QImage> &icons) { icons_ = icons; }

    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // Indices of the base's drives in case-insensitive name order.
    static std::vector<std::size_t> drawOrder(const DiskBase &base);

    // Draws the read/write graph with its right edge at frame.x(), each of read and write
    // scaled to its own largest delta; returns the width on the left that no sample reached.
    static double orbDrawDiskGraph(const OrbCanvas &canvas, const DiskGraphSeries &series, const DiskSettings &settings,
                                   const QRectF &frame, bool isHighLighted);

    // The typed settings of the last drawing (tests read them).
    const DiskSettings &settings() const { return settings_; }

private:
    void refreshSettings();
    // drawOrder() of the base, worked out again only for another base.
    const std::vector<std::size_t> &orderOfBase();
    void moduleForeach(const OrbCanvas &canvas, const QString &key);
    void drawIcon(const OrbCanvas &canvas, const QImage &icon, const DiskRW *rw);
    void drawLabels(const OrbCanvas &canvas, const QStringList &labels, double labelWidth);
    void drawIndicator(const OrbCanvas &canvas, const QString &key);
    void drawGraph(const OrbCanvas &canvas, const QString &key);
    void drawText(const OrbCanvas &canvas, const QString &key);

    History<DiskSample> resumeArray_;
    std::shared_ptr<const DiskBase> baseDict_;
    std::optional<DiskRWTable> rwChkDict_;
    std::vector<QImage> icons_;
    std::shared_ptr<const DiskBase> orderedBase_;
    std::vector<std::size_t> order_;
    QVariantMap settingsSource_;
    DiskSettings settings_;
    OrbTextAttributes attrs_;
};

} // namespace orb
