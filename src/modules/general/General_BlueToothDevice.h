#pragma once
#include "collect/PowerState.h"

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;

namespace orb {

class OrbLevelIndicator;

// One row of the General menu: the machine's battery (its picture and name, charge,
// capacities, charger) or one wireless device (name, link, charge). A click opens the
// desktop's power or Bluetooth settings. The row keeps the key of what it shows (the
// device's address) and is refreshed by that key; a device that went away shows "---".
class General_BlueToothDevice : public QWidget {
    Q_OBJECT
public:
    // The key of the battery row (devices are keyed by address).
    static inline const QString kBatteryKey = QStringLiteral("#battery");

    General_BlueToothDevice(QString key, bool isBattery, QWidget *parent = nullptr);
    ~General_BlueToothDevice() override;

    const QString &key() const { return key_; }
    bool isBluetoothDevice() const { return isBluetoothDevice_; }

    // Machine name ("MacBook Pro (16-inch,2019)") and freedesktop icon name, from the
    // settings; only the part before " (" is shown, followed by a blank.
    void setMachine(const QString &realName, const QString &iconName);
    void drawItn(const InternalBattery &battery);
    void drawBid(const PeripheralDevice &device);
    // What the row showed is gone (unplugged, disconnected): figures become "---".
    void markGone();

    // Called on click with whether the Alt key was held (the menu then stays open).
    void setClickHandler(std::function<void(bool keepMenuOpen)> handler) { onClick_ = std::move(handler); }

    // Texts shown, for tests and the accessibility name.
    QString deviceLabelText() const;
    QString batteryText() const;
    QString linkText() const;
    QString chargeText() const;   // "57% (57%) 2h10m"
    QString capacityText() const; // "88% (88%)"
    QString chargerText() const;
    QString valueTexts() const;   // charge remaining / full / design values, "|"-separated
    bool hovered() const { return hovered_; }

    static constexpr int kDeviceRowHeight = 30;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void buildBatteryRow();
    void buildDeviceRow();
    void setHovered(bool hovered);

    QString key_;
    bool isBattery_;
    bool isBluetoothDevice_ = false;
    bool hovered_ = false;
    QString deviceName_;
    QString iconName_;
    QString itnName_;
    QLabel *dvceImageView_ = nullptr;
    QLabel *deviceLabel_ = nullptr;
    QLabel *rssiImageView_ = nullptr;
    QLabel *rssiTextView_ = nullptr;
    QLabel *batteryImageView_ = nullptr;
    QLabel *batteryTextView_ = nullptr;
    QLabel *crLabel_ = nullptr, *crValue_ = nullptr, *crPer_ = nullptr;
    QLabel *fcLabel_ = nullptr, *fcValue_ = nullptr, *fcPer_ = nullptr;
    QLabel *dcLabel_ = nullptr, *dcValue_ = nullptr;
    QLabel *acChargerDetail_ = nullptr;
    OrbLevelIndicator *crBar_ = nullptr;
    OrbLevelIndicator *fcBar_ = nullptr;
    std::function<void(bool)> onClick_;
};

} // namespace orb
