#pragma once
#include "modules/network/NetworkItemSettings.h"
#include "modules/network/NetworkTraffic.h"

#include <QWidget>

class QLabel;

namespace orb {

// The menu's current-network view: the name of the network in use and the total upload
// and download rates with their arrows.
class Network_Current : public QWidget {
    Q_OBJECT
public:
    explicit Network_Current(QWidget *parent = nullptr);

    // `location` is the primary connection's name ("---" for none).
    void replaceBaseData(const QString &location, const NetworkTraffic::Rates &rates, const NetworkItemSettings &settings);

    QString locationText() const;
    QString upText() const;
    QString downText() const;
    // Colours the rates are shown in (alpha 0.5 when a rate is 0).
    QColor upColor() const;
    QColor downColor() const;

private:
    QLabel *currentLocation_;
    QLabel *upValueLabel_;
    QLabel *dwValueLabel_;
};

} // namespace orb
