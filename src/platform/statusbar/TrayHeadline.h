#pragma once
#include <QColor>
#include <QImage>
#include <QString>

namespace orb {

// What a status item shows where a tray only has a small square for it: a gauge of one
// 0..1 figure, a short label printed beside the icon by trays that can ("CPU 23%"), and the
// full figures for the tool tip. Modules fill it; the host draws the square icon.
struct TrayHeadline {
    enum class Gauge { Bar, Pie };

    // 0..1; below 0 (or NaN) when there is no reading yet.
    double fraction = -1.0;
    QString label;
    // Fill of the gauge; an invalid colour takes the host's default.
    QColor colour;
    Gauge gauge = Gauge::Bar;
    // Tool tip text, plain (hosts escape it where the tray reads markup); empty keeps the
    // item's own tool tip.
    QString toolTip;
    // What the icon prints over its gauge ("1.2M", "62°"); empty prints the fraction in
    // percent. Keep it to four characters or it will not fit the smallest icons.
    QString figure;

    bool hasGauge() const { return fraction >= 0.0; }
    bool operator==(const TrayHeadline &other) const = default;

    // An amount in at most four characters: whole below 1000 ("512"), else scaled by
    // `step` (1024 or 1000) with K, M, G, T and one decimal below ten ("1.2M", "40K").
    // Negative and non-finite amounts print as "0".
    static QString shortAmount(double amount, double step = 1024.0);
};

// How a StatusNotifierItem shows its module: the full-width image, for trays that keep its
// shape, or a square icon with the headline as label, for trays that draw every item in a
// square cell. Auto picks one for the running tray.
enum class TrayStyle { Auto, Wide, Compact };

// "auto", "wide", "compact" (any case, surrounding blanks ignored); false for anything else.
bool parseTrayStyle(const QString &text, TrayStyle &style);
QString trayStyleName(TrayStyle style);

} // namespace orb
