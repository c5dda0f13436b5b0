#pragma once
#include "collect/VolumeBase.h"
#include "modules/volume/VolumeFigures.h"

#include <QColor>
#include <QImage>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QToolButton;

namespace orb {

class OrbLevelIndicator;
struct VolumeSettings;

// One volume's row in the Volume menu: icon, name, file-system type and mount path, device,
// small status images (writable, removable, unmountable, boot volume), used, free and total
// sizes with a level bar and percentage, and an unmount button. A click on the row opens the
// volume in the file manager. Every text from outside is shown as plain text.
class Volume_MenuController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 362;

    explicit Volume_MenuController(QWidget *parent = nullptr);
    ~Volume_MenuController() override;

    void setMntPath(const QString &path) { mntPath_ = path; }
    const QString &mntPath() const { return mntPath_; }

    // Fills the whole row; `figure` may be missing (no sample yet).
    void replaceBaseData(const VolumeEntry &entry, const std::optional<VolumeFigure> &figure, const QImage &icon,
                         const QVariantMap &myDefaults);
    // Refreshes the sizes, percentage, level bar and change sign only.
    void replaceDetailData(const std::optional<VolumeFigure> &figure);

    // "type\nmount path\ndevice" as the row's tool tip.
    QString retToolTipString() const { return toolTip_; }

    // What happens on a click and on the unmount button (the module wires them).
    std::function<void(const QString &mountPath)> onOpen;
    std::function<void(const QString &mountPath)> onUnmount;

    // Texts shown (tests read them).
    QString nameText() const;
    QString detail1Text() const;
    QString detail2Text() const;
    QString percentText() const;
    QString usedText() const;
    QString freeText() const;
    QString totalText() const;
    bool unmountEnabled() const;
    double unmountOpacity() const;
    bool bootImageShown() const;
    double levelValue() const;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString mntPath_;
    QString toolTip_;
    QVariantMap defaults_;
    std::unique_ptr<VolumeSettings> settings_;
    float ufPer_ = 0.0f;
    bool mouseOver_ = false;
    QLabel *icon_ = nullptr;
    QLabel *name_ = nullptr;
    QLabel *detail1_ = nullptr;
    QLabel *detail2_ = nullptr;
    QLabel *bootImage_ = nullptr;
    QLabel *writeImage_ = nullptr;
    QLabel *removeImage_ = nullptr;
    QLabel *unmountImage_ = nullptr;
    QToolButton *unmountButton_ = nullptr;
    QLabel *usedWell_ = nullptr;
    QLabel *freeWell_ = nullptr;
    QLabel *usedLabel_ = nullptr;
    QLabel *freeLabel_ = nullptr;
    QLabel *totalLabel_ = nullptr;
    QLabel *percentLabel_ = nullptr;
    QLabel *changeSign_ = nullptr;
    OrbLevelIndicator *indicator_ = nullptr;
};

} // namespace orb
