#pragma once
#include "collect/History.h"

#include <cstddef>
#include <optional>

namespace orb {

// The largest value the pairs of neighbouring readings of a history give (a rate over each
// interval), kept between calls: a pass appends a reading or two, and while the pair that
// gave the peak is still in a history grown from the last one, only the new pairs are looked
// at (a full history holds 511 of them, cold each second).
template <typename Sample, typename Value>
class HistoryPeak {
public:
    // `value(older, newer)` of each pair; Value{} for a history without a pair. The same
    // function must be passed on every call.
    template <typename ValueOf>
    Value of(const History<Sample> &history, ValueOf &&value)
    {
        const std::size_t n = history.size();
        if (n < 2) {
            valid_ = false;
            return Value{};
        }
        std::size_t fresh = n - 1;
        const std::optional<std::size_t> grown = history.grownFrom(seen_);
        if (valid_ && grown && age_ + *grown + 1 < n) {
            age_ += *grown;
            fresh = *grown;
        } else {
            valid_ = false;
        }
        // Oldest first, so that of equal values the newest is kept (it stays in longest).
        for (std::size_t age = fresh; age-- > 0;) {
            const Value v = value(history[n - 2 - age], history[n - 1 - age]);
            if (!valid_ || v >= peak_) {
                peak_ = v;
                age_ = age;
                valid_ = true;
            }
        }
        seen_ = history;
        return peak_;
    }

private:
    History<Sample> seen_; // the history the peak was worked out from
    Value peak_{};
    std::size_t age_ = 0; // pairs after the one that gave the peak, in seen_
    bool valid_ = false;
};

} // namespace orb
