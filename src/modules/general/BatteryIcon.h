#pragma once
#include <QImage>
#include <QString>

namespace orb {

// The battery images of the General item and its rows: a cell filled to the charge in
// tenths, or the no-reading cell, with the charger or charging symbol laid over it.
class BatteryIcon {
public:
    // Overlay modes: none, on the charger but not charging, charging.
    enum Mode { NoOverlay = 0, OnCharger = 1, Charging = 2 };

    static constexpr int kSizePoints = 60;

    // "batt00".."batt10" for a charge of 0..100 (limited to that range), "battnn" below 0.
    static QString baseName(int percent);
    // "battc<n>" (on the charger) or "battb<n>" (charging); empty without overlay.
    static QString overlayName(int mode, qint64 frame);

    // The image for `percent` with the overlay frame drawn at `opacity`, 60 × 60 points at
    // two pixels per point. A missing overlay frame leaves the base image alone.
    static QImage orbRetBatteryIcon(int percent, int mode, qint64 frame, double opacity);
    // The same shrunk to `points` × `points` (the status bar's 18), cached per choice.
    static QImage icon(int percent, int mode, qint64 frame, double opacity, int points);
    // A number that differs exactly when icon() would draw a different image.
    static quint64 iconKey(int percent, int mode, qint64 frame, double opacity, int points);
};

} // namespace orb
