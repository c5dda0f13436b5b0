#include "modules/network/NetworkTraffic.h"

#include <cmath>
#include <limits>

namespace orb {
namespace {

double atLeastOne(double seconds) { return std::isfinite(seconds) && seconds >= 1.0 ? seconds : 1.0; }

} // namespace

int64_t NetworkTraffic::whole(double v)
{
    if (!std::isfinite(v) || v <= 0.0)
        return 0;
    return v >= 9.2e18 ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(v);
}

double NetworkTraffic::retNowInterval(const History<NetworkSample> &history)
{
    return history.empty() ? 1.0 : atLeastOne(history.back().interval);
}

double NetworkTraffic::rate(int64_t newer, int64_t older, double newerInterval)
{
    if (newer <= older)
        return 0.0;
    // The difference of two non-negative 64-bit totals, taken without overflow.
    const double delta = static_cast<double>(static_cast<uint64_t>(newer) - static_cast<uint64_t>(older));
    return delta / atLeastOne(newerInterval);
}

NetworkTraffic::Rates NetworkTraffic::retNowUpDwBytes(const History<NetworkSample> &history)
{
    if (history.empty())
        return {};
    const NetworkSample &now = history.back();
    const NetworkSample &before = history.size() > 1 ? history[history.size() - 2] : now;
    return {rate(now.up, before.up, now.interval), rate(now.down, before.down, now.interval)};
}

std::optional<NetworkTraffic::Detail> NetworkTraffic::getNetworkDetail(const History<NetworkSample> &history)
{
    if (history.empty())
        return std::nullopt;
    Detail d;
    double seconds = 0.0;
    for (std::size_t i = history.size(); i-- > 1;) {
        const NetworkSample &newer = history[i];
        const NetworkSample &older = history[i - 1];
        d.maxUp = std::max(d.maxUp, whole(rate(newer.up, older.up, newer.interval)));
        d.maxDw = std::max(d.maxDw, whole(rate(newer.down, older.down, newer.interval)));
        seconds += atLeastOne(newer.interval);
    }
    if (seconds > 0.0) {
        d.avgUp = whole(rate(history.back().up, history.front().up, 1.0) / seconds);
        d.avgDw = whole(rate(history.back().down, history.front().down, 1.0) / seconds);
    }
    const Rates now = retNowUpDwBytes(history);
    d.nowUp = whole(now.up);
    d.nowDw = whole(now.down);
    return d;
}

NetworkTraffic::Peaks::Rates NetworkTraffic::Peaks::of(const History<NetworkSample> &history)
{
    return {up_.of(history, [](const NetworkSample &older, const NetworkSample &newer) {
                return whole(rate(newer.up, older.up, newer.interval));
            }),
            down_.of(history, [](const NetworkSample &older, const NetworkSample &newer) {
                return whole(rate(newer.down, older.down, newer.interval));
            })};
}

} // namespace orb
