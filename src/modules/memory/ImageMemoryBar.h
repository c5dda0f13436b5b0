#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "modules/memory/MemoryItemSettings.h"
#include "toolkit/OrbTextAttributes.h"

#include <array>
#include <cstdint>
#include <optional>

namespace orb {

class OrbCanvas;

// Memory figures in bytes (page-ins and page-outs in pages): 0 wired, 1 active, 2 inactive,
// 3 free, 4 compressed, 5 app memory, 6 wired + active, 7 used (app memory + compressed +
// wired), 8 available (installed − used), 9 cached files, 10 page-ins, 11 page-outs.
using MemDatArray = std::array<int64_t, 12>;

// Draws the Memory status image and menu graph: history graph, level bar, circle meter,
// used/available text and the two-column detail text, in the modern breakdown (app memory,
// wired, compressed) or the traditional one (wired, active, inactive).
class ImageMemoryBar : public ModuleImageView {
public:
    ImageMemoryBar(uint64_t memoryPageSize, uint64_t memoryTotlSize);

    void setMemorySizes(uint64_t memoryPageSize, uint64_t memoryTotlSize);
    void setResumeArray(const History<MemorySample> &history) { resumeArray_ = history; }
    void setMemDatArray(const MemDatArray &figures) { memDatArray_ = figures; }
    // Widths of the text element and of the detail columns, in points.
    void setTextWidths(double myTextWidth, double detailWidthL, double detailWidthR);

    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // The three shares of installed memory and the rest, each within 0..1 and together at
    // most 1. All 0 when the installed memory is unknown (0).
    struct Shares {
        double first = 0, second = 0, third = 0, rest = 0;
    };
    static Shares retShares(const MemDatArray &figures, uint64_t memoryTotlSize, bool tradMemInfo);
    // What the level bar and the circle meter show of the shares, in the settings' colours.
    static std::array<OrbMeterItem, 5> levelBarItems(const MemoryItemSettings &settings, const Shares &shares);
    static std::array<OrbMeterItem, 5> circleMeterItems(const MemoryItemSettings &settings, const Shares &shares);

    // A digest of what a status image of these figures shows, besides the settings, size,
    // highlight and text widths: equal digests, equal pictures. None with the graph shown.
    static std::optional<size_t> imageDigest(const MemDatArray &figures, uint64_t memoryPageSize,
                                             uint64_t memoryTotlSize, const MemoryItemSettings &settings,
                                             bool isHighLighted);

    // Heights of one graph column's segments (first, second, third, rest) in a column
    // `columnHeight` high, each rounded up to whole units and cut at the column's top.
    // All 0 when `totalPages` is 0.
    static std::array<double, 4> columnHeights(const MemorySample &sample, uint64_t totalPages, bool tradMemInfo,
                                               double columnHeight);

    // Draws the history graph with its right edge at frame.x(); returns the width on the
    // left that no sample reached (all of it when page size or installed memory is 0).
    static double orbDrawMemoryGraph(const OrbCanvas &canvas, const History<MemorySample> &history,
                                     const MemoryItemSettings &settings, const QRectF &frame, uint64_t memoryPageSize,
                                     uint64_t memoryTotlSize, bool isHighLighted);

private:
    void drawGraph(const OrbCanvas &canvas, const MemoryItemSettings &s);
    void drawText(const OrbCanvas &canvas, const MemoryItemSettings &s, OrbTextAttributes &attrs);
    void drawDetailText(const OrbCanvas &canvas, const MemoryItemSettings &s, OrbTextAttributes &attrs);

    uint64_t memoryPageSize_ = 0;
    uint64_t memoryTotlSize_ = 0;
    History<MemorySample> resumeArray_;
    MemDatArray memDatArray_{};
    // The figures' texts, written over in place each pass.
    std::array<QString, 4> figureTexts_;
    TypedSettings<MemoryItemSettings> settings_;
    // Stored doubled, like every other length of the view.
    double myTextWidth_ = 0.0;
    double detailWidthL_ = 0.0;
    double detailWidthR_ = 0.0;
};

} // namespace orb
