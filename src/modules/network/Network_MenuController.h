#pragma once
#include "collect/NetworkBase.h"

#include <QColor>
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

class QLabel;

namespace orb {

// One interface's view in the Network menu: a title line (name, kind, link speed), the
// Wi-Fi signal block and up to fourteen label/value rows (status, hardware address, vendor,
// model, addresses, DNS, tunnels). Texts from outside (network names, vendor names) are
// shown as plain text.
class Network_MenuController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRowCount = 14;

    explicit Network_MenuController(const QString &nicTitle, QWidget *parent = nullptr);

    const QString &nicTitle() const { return nicTitle_; }
    // The interface's description (nothing when it is gone).
    void setDetailDict(const NetworkInterface *detail);
    void setLastInterval(double seconds) { lastInterval_ = seconds; }
    // The global address and its host name, shown after the local IPv4 address.
    void setGlobalIp(const QString &address, const QString &hostName);

    // Title line and signal block, then the rows.
    void replaceBaseData();
    // Clears and fills the rows, and sizes the view to them.
    void replaceDetailData();

    QString titleText() const;
    QString signalText() const;
    // Level of the signal image (0..5), −1 when none is shown.
    int signalLevel() const { return signalLevel_; }
    struct Row {
        QString label;
        QString value;
        bool operator==(const Row &) const = default;
    };
    // The rows shown, in order.
    std::vector<Row> rows() const;
    // Rows that had a value, shown or not (beyond the fourteenth they are not shown).
    int rowsCounted() const { return rowsCounted_; }
    QColor markColor() const;
    QColor rowColor() const { return rowColor_; }

    static QString retNetworkSecurityKind(int index);
    // " 1.0Gbps", " 866.0Mbps", " 10.0Kbps"; empty for 0.
    static QString speedText(int64_t bitsPerSecond);
    static int viewHeight(int rows) { return rows * 17 + 28; }

private:
    void putTextField(int row, const QString &label, const QString &value);

    QString nicTitle_;
    std::optional<NetworkInterface> detail_;
    double lastInterval_ = 1.0;
    QString globalIp_;
    QString globalHost_;
    QLabel *interfaceSign_;
    QLabel *interfaceLabel_;
    QLabel *rssiLevelImageView_;
    QLabel *rssiTextView_;
    std::array<QLabel *, kRowCount> labels_{};
    std::array<QLabel *, kRowCount> values_{};
    int rowsCounted_ = 0;
    int signalLevel_ = -1;
    QColor rowColor_;
};

} // namespace orb
