#pragma once
#include <QColor>
#include <optional>

namespace orb {

// One entry of a level bar or circle meter: either the meter's frame (a colour alone)
// or one segment (a colour and the fraction of the meter it fills, normally 0..1).
// Meters take an ordered sequence of these; the order decides stacking and overdraw.
struct OrbMeterItem {
    QColor color;
    std::optional<double> fraction;

    static OrbMeterItem frame(const QColor &color) { return {color, std::nullopt}; }
    static OrbMeterItem segment(const QColor &color, double fraction) { return {color, fraction}; }
    bool isFrame() const { return !fraction.has_value(); }
};

} // namespace orb
