#pragma once
#include "collect/Samples.h"
#include "modules/gpu/GpuItemSettings.h"

#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace orb {

class ImageGpuBar;

// One device's row in the GPU menu: its name and video memory as a link that searches the
// web for the name, its memory use in percent, where it sits (vendor, driver, PCI address)
// and a graph of that device alone.
class GPU_MenuController : public QWidget {
    Q_OBJECT
public:
    explicit GPU_MenuController(QWidget *parent = nullptr);
    ~GPU_MenuController() override;

    void setDeviceDict(const GpuEntry &entry) { deviceDict_ = entry; }
    const GpuEntry &deviceDict() const { return deviceDict_; }
    // The menu's settings (the item's own with the menu overlay laid over them).
    void setMyDefaults(std::shared_ptr<const GpuItemSettings> settings, const QVariantMap &defaults);

    // The name button.
    void loadBaseData();
    // The percentage, the details and the graph of this device from `history`.
    void loadDetailData(const History<GpuSample> &history);
    // Opens a web search for the device's name.
    void deviceNameButtonClicked();

    // The search address for `name`: path "/search", query key "q", the name percent-encoded.
    static QUrl searchUrl(const QString &name);
    // Replaces how addresses are opened (tests); null restores the desktop's browser.
    static void setUrlOpener(std::function<void(const QUrl &)> opener);

    // What the row shows, uncut (tests and snapshots read them).
    QString nameTitle() const;
    QString percentText() const;
    QString detailText() const;
    QImage graphImage() const;

private:
    GpuEntry deviceDict_;
    std::shared_ptr<const GpuItemSettings> settings_;
    QVariantMap defaults_;
    QPushButton *nameButton_ = nullptr;
    QLabel *rTextField_ = nullptr;
    QLabel *detailField_ = nullptr;
    QLabel *imageMenuView_ = nullptr;
    std::unique_ptr<ImageGpuBar> imageMenu_;
    QString title_;
    QString detail_;
    QColor linkColor_;
};

} // namespace orb
