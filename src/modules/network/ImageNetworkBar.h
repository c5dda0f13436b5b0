#pragma once
#include "collect/Samples.h"
#include "modules/HistoryGraphs.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "modules/network/NetworkItemSettings.h"
#include "modules/network/NetworkTraffic.h"

#include <cstdint>

namespace orb {

class OrbCanvas;

// Draws the Network status image and menu graph: the two-line up/down label, the two
// activity lamps, the throughput graph (with the Wi-Fi quality behind it) and the two-line
// rate text, in the user's order.
class ImageNetworkBar : public ModuleImageView {
public:
    void setResumeArray(const History<NetworkSample> &history) { resumeArray_ = history; }
    // Current rates in bytes per second, kept whole.
    void setNowRates(double up, double down);
    // The largest rates of the history, which set the graph's scale.
    void setPeaks(NetworkTraffic::Peaks::Rates peaks) { scale_ = graphScale(peaks); }
    int64_t nowUp() const { return nowUp_; }
    int64_t nowDw() const { return nowDw_; }

    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // Draws the graph with its right edge at frame.x(), newest sample at the right, and
    // returns the width on the left that no sample reached. `scale` is the rate of a full bar.
    static double orbDrawNetworkGraph(const OrbCanvas &canvas, const History<NetworkSample> &history, double scale,
                                      const NetworkItemSettings &settings, const QRectF &frame, bool isHighLighted);

    // The rate of a full bar for a history of these peaks: never below 10 KiB/s.
    static double graphScale(NetworkTraffic::Peaks::Rates peaks);

    // A digest of what the status image shows of `history` at the current rates `up` and
    // `down` and the graph's `scale`, besides the settings, size and highlight: equal
    // digests, equal pictures.
    static size_t imageDigest(const History<NetworkSample> &history, double up, double down, double scale,
                              const NetworkItemSettings &settings);

    // Share of the scale a rate fills: 0 at or below the idle threshold, at most 1.
    static double fraction(double rate, double scale, double limit);
    // Height of a throughput bar for a rate, in a graph `height` high: 1 for an idle rate
    // (at or below the threshold), up to half the height less 1 at the scale.
    static double barHeight(double rate, double scale, double limit, double height);

private:
    void drawModuleLabel(const OrbCanvas &canvas, const NetworkItemSettings &s);
    void drawUdLabel(const OrbCanvas &canvas, const NetworkItemSettings &s);
    void drawLamps(const OrbCanvas &canvas, const NetworkItemSettings &s);
    void drawGraph(const OrbCanvas &canvas, const NetworkItemSettings &s);
    void drawText(const OrbCanvas &canvas, const NetworkItemSettings &s);

    History<NetworkSample> resumeArray_;
    HistoryGraphs<NetworkSample> graphs_;
    // The rates drawn last, rewritten in place pass after pass.
    QString upText_;
    QString downText_;
    int64_t nowUp_ = 0;
    int64_t nowDw_ = 0;
    double scale_ = graphScale({});
    TypedSettings<NetworkItemSettings> settings_;
};

} // namespace orb
