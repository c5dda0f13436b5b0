#pragma once
#include "collect/Samples.h"
#include "modules/ModuleImageView.h"
#include "modules/gpu/GpuItemSettings.h"

#include <memory>

namespace orb {

class OrbCanvas;

// Draws the GPU status image (every device's elements, one group after the other) and the
// graph of one device in its menu row.
class ImageGpuBar : public ModuleImageView {
public:
    ImageGpuBar();

    void setSettings(std::shared_ptr<const GpuItemSettings> settings) { settings_ = std::move(settings); }
    void setResumeArray(const History<GpuSample> &history) { resumeArray_ = history; }
    // The "GpuKeyId" of the one device to draw; empty draws them all.
    void setSelectedDevice(const QString &deviceId) { selectedDevice_ = deviceId; }
    // Devices drawn by the last drawing.
    int deviceNum() const { return deviceNum_; }

    void drawRect(const OrbCanvas &canvas, const QRectF &dirtyRect) override;

    // The share of an entry's memory in use, 0..1, and whether the device reports it at all
    // (a device without both figures, or with −1 in either, reports nothing).
    struct Share {
        double fraction = 0.0;
        bool reported = false;
    };
    static Share usedShare(const GpuEntry &entry);

    // Draws the history graph of device `deviceName` with its right edge at frame.x();
    // returns the width on the left that no sample reached.
    static double orbDrawGpuGraph(const OrbCanvas &canvas, const History<GpuSample> &history,
                                  const QString &deviceName, const GpuItemSettings &settings, const QRectF &frame,
                                  bool isHighLighted);

private:
    void drawGraph(const OrbCanvas &canvas, const QString &deviceId);
    void drawText(const OrbCanvas &canvas, const Share &share, const QColor &color);

    std::shared_ptr<const GpuItemSettings> settings_;
    History<GpuSample> resumeArray_;
    QString selectedDevice_;
    int deviceNum_ = 0;
};

} // namespace orb
