#pragma once
#include "collect/Samples.h"
#include "modules/HistoryGraphs.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "modules/cpu/CpuItemSettings.h"

namespace orb {

class OrbCanvas;

// Draws the CPU status image and menu graph: history graph, level bar, circle meter and
// percentage text, for the average or for every processor.
class ImageCpuBar : public ModuleImageView {
public:
    void setResumeArray(const History<CpuSample> &history) { resumeArray_ = history; }
    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // Draws the history graph of processor `nowCore` with its right edge at frame.x();
    // returns the width on the left that no sample reached.
    static double orbDrawCpuGraph(const OrbCanvas &canvas, const History<CpuSample> &history, int nowCore,
                                  const CpuItemSettings &settings, const QRectF &frame, bool isHighLighted);

    // user, system, nice, idle shares of one entry; all 0 when it has no ticks.
    struct Fractions {
        double user = 0, system = 0, nice = 0, idle = 0;
    };
    static Fractions fractionsOf(const CpuTicks &ticks);

private:
    void drawGraph(const OrbCanvas &canvas, const CpuItemSettings &s, int core);
    void drawText(const OrbCanvas &canvas, const CpuItemSettings &s, const Fractions &f);

    History<CpuSample> resumeArray_;
    TypedSettings<CpuItemSettings> settings_;
    HistoryGraphs<CpuSample> graphs_; // one a processor
    // The texts drawn last, rewritten in place pass after pass.
    QString firstText_;
    QString secondText_;
};

} // namespace orb
