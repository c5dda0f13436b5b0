#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "modules/fan/FanItemSettings.h"

#include <QFont>

namespace orb {

class OrbCanvas;

// Draws the Fan status image and menu graph: the average fan speed as text, as a history
// graph coloured by its share of the maximum speed, or the text piled over the graph.
class ImageFanBar : public ModuleImageView {
public:
    void setResumeArray(const History<FanSample> &history) { resumeArray_ = history; }
    // The number of entries of the newest sample (the drawing does not depend on it).
    void setFanNum(int fanNum) { fanNum_ = fanNum; }
    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // The average speed of a sample; 0 when it has none.
    static int64_t averageOf(const FanSample &sample) { return sample.average.value_or(0); }
    // "0892rpm", or "0892" when the item's text has no room for the unit.
    static QString speedText(int64_t rpm, bool rpmSuffix);

    // Draws the graph of the average speed with its right edge at frame.x(); returns the
    // width on the left no sample reached.
    static double orbDrawFanGraph(const OrbCanvas &canvas, const History<FanSample> &history,
                                  const FanItemSettings &s, const QRectF &frame, bool isHighLighted);

private:
    void drawGraph(const OrbCanvas &canvas, const FanItemSettings &s, double width);
    void drawText(const OrbCanvas &canvas, const FanItemSettings &s, double width);
    const QFont &fontFor(const QString &text, const FanItemSettings &s, double width);

    History<FanSample> resumeArray_;
    int fanNum_ = 0;
    TypedSettings<FanItemSettings> settings_;
    QString fontText_;
    QString fontName_;
    double fontWidth_ = -1.0;
    double fontBase_ = 0.0;
    QFont font_;
};

} // namespace orb
