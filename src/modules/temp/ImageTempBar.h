#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "modules/temp/TempItemSettings.h"

#include <QFont>

namespace orb {

class OrbCanvas;

// Draws the Temperature status image and menu graph: the chosen temperature as text, as a
// history graph coloured by its share of the maximum, or the text piled over the graph.
class ImageTempBar : public ModuleImageView {
public:
    static inline const QString kAverageKey = QStringLiteral("__AverageTempKey");
    static inline const QString kBatteryKey = QStringLiteral("Built-in Battery");

    void setResumeArray(const History<TempSample> &history) { resumeArray_ = history; }
    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // The label the item shows for `shown` ("(Highest)", "(Average)" or a label): the hottest
    // reading of `newest` (the first met on a tie; none when nothing is above 0), the
    // average, or the label itself.
    static QString retNowSelectedTempKey(const QString &shown, const TempSample &newest);
    // The reading under `key` in whole degrees; 0 when the sample has none. `hint` is where
    // the label sat in the sample before, tried first.
    static double valueOf(const TempSample &sample, const QString &key, std::size_t hint = 0);
    // The temperature text of a reading: "---" (or "--" without unit) for none.
    static QString temperatureText(double celsius, const TempItemSettings &s, bool withUnit);

    // Draws the graph of `key` with its right edge at frame.x(); returns the width on the
    // left no sample reached.
    static double orbDrawTempGraph(const OrbCanvas &canvas, const History<TempSample> &history,
                                   const TempItemSettings &s, const QString &key, const QRectF &frame,
                                   bool isHighLighted);

private:
    void drawGraph(const OrbCanvas &canvas, const TempItemSettings &s, const QString &key, double width);
    void drawText(const OrbCanvas &canvas, const TempItemSettings &s, const QString &key, double width);
    const QFont &fontFor(const QString &text, const TempItemSettings &s, double width);

    History<TempSample> resumeArray_;
    TypedSettings<TempItemSettings> settings_;
    // The font of the last text, kept while text, width and font settings stay the same.
    QString fontText_;
    QString fontName_;
    double fontWidth_ = -1.0;
    double fontBase_ = 0.0;
    QFont font_;
};

} // namespace orb
