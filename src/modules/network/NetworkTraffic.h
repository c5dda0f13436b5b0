#pragma once
#include "collect/Samples.h"
#include "modules/HistoryPeak.h"

#include <cstdint>
#include <optional>

namespace orb {

// Rates out of the cumulative network history. Every sample carries the whole seconds that
// passed since the one before it, so a pair of samples gives bytes per second directly,
// whatever the update interval and whether ticks were dropped.
class NetworkTraffic {
public:
    NetworkTraffic() = delete;

    // The seconds the newest sample covers (at least 1); 1 without history.
    static double retNowInterval(const History<NetworkSample> &history);

    struct Rates {
        double up = -1.0;
        double down = -1.0;
    };
    // Bytes per second between the two newest samples; 0 with a single sample; −1 for both
    // without history.
    static Rates retNowUpDwBytes(const History<NetworkSample> &history);

    // Bytes per second from `older` to `newer` (the later sample's interval, at least 1);
    // never negative.
    static double rate(int64_t newer, int64_t older, double newerInterval);
    // A rate in whole bytes per second; anything not a positive finite number is 0.
    static int64_t whole(double rate);

    // Maxima and averages in bytes per second over the history and the newest rates.
    struct Detail {
        int64_t maxUp = 0, maxDw = 0;
        int64_t avgUp = 0, avgDw = 0;
        int64_t nowUp = 0, nowDw = 0;
    };
    static std::optional<Detail> getNetworkDetail(const History<NetworkSample> &history);

    // The largest whole rates up and down over a history (getNetworkDetail's maxUp and maxDw),
    // kept between calls (HistoryPeak).
    class Peaks {
    public:
        struct Rates {
            int64_t up = 0, down = 0;
        };
        Rates of(const History<NetworkSample> &history);

    private:
        HistoryPeak<NetworkSample, int64_t> up_, down_;
    };
};

} // namespace orb
