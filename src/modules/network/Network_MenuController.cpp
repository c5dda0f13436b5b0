#include "modules/network/Network_MenuController.h"

#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace orb {
namespace {

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

QLabel *plainLabel(QWidget *parent, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto *l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(align);
    return l;
}

void setColor(QLabel *label, const QColor &c)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, c);
    label->setPalette(p);
}

const QColor kActiveMark = QColor::fromRgbF(0.0f, 0.8f, 0.3372549f, 1.0f);
const QColor kInactiveMark = QColor::fromRgbF(1.0f, 0.2196078f, 0.2784314f, 1.0f);

// Five bars rising left to right, the first `level` filled.
QPixmap signalImage(int level, const QColor &on, const QColor &off)
{
    QPixmap pm(44, 32);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    for (int i = 0; i < 5; ++i) {
        const double h = 3.0 + i * 3.0;
        p.fillRect(QRectF(1.0 + i * 4.0, 16.0 - h, 3.0, h), i < level ? on : off);
    }
    return pm;
}

QString bandText(int frequencyMHz)
{
    if (frequencyMHz <= 0)
        return {};
    if (frequencyMHz < 3000)
        return QStringLiteral("2.4 GHz");
    if (frequencyMHz < 5925)
        return QStringLiteral("5 GHz");
    return QStringLiteral("6 GHz");
}

} // namespace

Network_MenuController::Network_MenuController(const QString &nicTitle, QWidget *parent)
    : QWidget(parent), nicTitle_(nicTitle), interfaceSign_(plainLabel(this)), interfaceLabel_(plainLabel(this)),
      rssiLevelImageView_(new QLabel(this)), rssiTextView_(plainLabel(this, Qt::AlignRight | Qt::AlignTop))
{
    QFont title = font();
    title.setPixelSize(13);
    title.setBold(true);
    interfaceLabel_->setFont(title);
    interfaceSign_->setText(QStringLiteral("\u25CF"));
    rssiLevelImageView_->setTextFormat(Qt::PlainText);
    QFont small = font();
    small.setPixelSize(10);
    rssiTextView_->setFont(small);
    QFont rowFont = font();
    rowFont.setPixelSize(12);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < kRowCount; ++i) {
        labels_[size_t(i)] = plainLabel(this, Qt::AlignRight | Qt::AlignVCenter);
        values_[size_t(i)] = plainLabel(this);
        labels_[size_t(i)]->setFont(rowFont);
        values_[size_t(i)]->setFont(rowFont);
        labels_[size_t(i)]->setFixedHeight(17);
        values_[size_t(i)]->setFixedHeight(17);
        values_[size_t(i)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(labels_[size_t(i)], i, 0);
        grid->addWidget(values_[size_t(i)], i, 1);
    }
    grid->setColumnMinimumWidth(0, 120);
    grid->setColumnStretch(1, 1);

    auto *head = new QHBoxLayout;
    head->setSpacing(4);
    head->addWidget(interfaceSign_);
    head->addWidget(interfaceLabel_, 1);

    auto *left = new QVBoxLayout;
    left->setSpacing(2);
    left->addLayout(head);
    left->addLayout(grid);
    left->addStretch(1);

    auto *signal = new QVBoxLayout;
    signal->setSpacing(2);
    signal->addWidget(rssiLevelImageView_, 0, Qt::AlignRight);
    signal->addWidget(rssiTextView_, 0, Qt::AlignRight);
    signal->addStretch(1);

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(12, 4, 12, 4);
    outer->addLayout(left, 1);
    outer->addLayout(signal);
    setMinimumWidth(452);
    replaceBaseData();
}

QString Network_MenuController::retNetworkSecurityKind(int index)
{
    static const char *const kinds[] = {"No Security",
                                        "WEP",
                                        "WPA Personal",
                                        "WPA/WPA2 Personal",
                                        "WPA2 Personal",
                                        "(Personal)",
                                        "Dynamic WEP",
                                        "WPA Enterprise",
                                        "WPA/WPA2 Enterprise",
                                        "WPA2 Enterprise",
                                        "(Enterprise)",
                                        "WPA3 Personal",
                                        "WPA3 Enterprise",
                                        "WPA3 Transition (WPA3/WPA2 Personal)",
                                        "OWE",
                                        "OWE Transition"};
    if (index < 0 || index > 15)
        return {};
    return localized(kinds[index]);
}

QString Network_MenuController::speedText(int64_t s)
{
    if (s >= 1'000'000'000)
        return QLatin1Char(' ') + OrbFormat::fixed(double(s) / 1e9, 1) + QStringLiteral("Gbps");
    if (s >= 1'000'000)
        return QLatin1Char(' ') + OrbFormat::fixed(double(s) / 1e6, 1) + QStringLiteral("Mbps");
    if (s > 0)
        return QLatin1Char(' ') + OrbFormat::fixed(double(s) / 1e3, 1) + QStringLiteral("Kbps");
    return {};
}

void Network_MenuController::setDetailDict(const NetworkInterface *detail)
{
    if (detail)
        detail_ = *detail;
    else
        detail_.reset();
}

void Network_MenuController::setGlobalIp(const QString &address, const QString &hostName)
{
    globalIp_ = address;
    globalHost_ = hostName;
}

void Network_MenuController::replaceBaseData()
{
    QString title = nicTitle_ + QStringLiteral(" : ");
    const NetworkInterface *d = detail_ ? &*detail_ : nullptr;
    if (d && d->hasItf && !d->kind.isEmpty() && d->kind != QLatin1String("(null)"))
        title += d->kind;
    else
        title += localized("(Unknown)");
    if (d) {
        const QString band = d->wifi ? bandText(d->wifi->frequencyMHz) : QString();
        if (!band.isEmpty())
            title += QStringLiteral(" (%1)").arg(band);
        else if (d->hasItf && !d->type.isEmpty() && d->type != d->kind && d->type != QLatin1String("(null)"))
            title += QStringLiteral(" (%1)").arg(d->type);
        int64_t speed = d->speed.value_or(0);
        if (d->wifi && d->wifi->bitrateKbps > 0)
            speed = d->wifi->bitrateKbps * 1000;
        title += speedText(speed);
    }
    interfaceLabel_->setText(title);

    // Drivers report a signal level far more often than a noise level: the level alone is
    // shown when there is no noise reading.
    signalLevel_ = -1;
    QString signal;
    if (d && d->wifi && d->wifi->rssi != 0) {
        const int r = d->wifi->rssi;
        const int n = d->wifi->noise;
        signalLevel_ = OrbFormat::retRssiLevel(r);
        if (n != 0)
            signal = QStringLiteral("S/N\n%1dBm\n%2dBm\nSNR\n%3dB").arg(r).arg(n).arg(r - n);
        else if (d->wifi->strength >= 0)
            signal = QStringLiteral("Signal\n%1dBm\n%2%").arg(r).arg(d->wifi->strength);
        else
            signal = QStringLiteral("Signal\n%1dBm").arg(r);
    }
    rssiTextView_->setText(signal);
    const QColor text = palette().color(QPalette::WindowText);
    QColor off = text;
    off.setAlphaF(0.25f);
    rssiLevelImageView_->setPixmap(signalLevel_ >= 0 ? signalImage(signalLevel_, text, off) : QPixmap());
    rssiLevelImageView_->setVisible(signalLevel_ >= 0);
    replaceDetailData();
}

void Network_MenuController::putTextField(int row, const QString &label, const QString &value)
{
    if (row < 1 || row > kRowCount)
        return;
    QLabel *l = labels_[size_t(row - 1)];
    QLabel *v = values_[size_t(row - 1)];
    l->setText(label);
    v->setText(value);
    setColor(l, rowColor_);
    setColor(v, rowColor_);
    l->show();
    v->show();
}

void Network_MenuController::replaceDetailData()
{
    for (int i = 0; i < kRowCount; ++i) {
        labels_[size_t(i)]->clear();
        values_[size_t(i)]->clear();
        labels_[size_t(i)]->hide();
        values_[size_t(i)]->hide();
    }
    const NetworkInterface *d = detail_ ? &*detail_ : nullptr;
    const bool active = d && d->isActive();
    rowColor_ = active ? palette().color(QPalette::WindowText) : palette().color(QPalette::PlaceholderText);
    setColor(interfaceSign_, active ? kActiveMark : kInactiveMark);

    int row = 0;
    const auto add = [&](const QString &label, const QString &value) {
        if (value.isEmpty())
            return;
        ++row;
        putTextField(row, label, value);
    };
    if (d) {
        QString status = d->linkStatus;
        if (d->wifi && !d->wifi->ssid.isEmpty())
            status += QStringLiteral(" - ") + d->wifi->ssid;
        if (d->wifi) {
            const QString security = retNetworkSecurityKind(d->wifi->security);
            if (!security.isEmpty())
                status += QStringLiteral(" (%1)").arg(security);
        }
        add(localized("Status"), status);
        add(localized("MAC Address"), d->macAddress);
        add(localized("Vendor"), d->vendor);
        add(localized("Model"), d->model);
        if (!d->ipv4.isEmpty()) {
            add(localized("IPv4 Local/Global"), d->ipv4 + QStringLiteral(" / ") + globalIp_);
            add(localized("IPv4 Host"), globalHost_);
        }
        add(localized("IPv6"), d->ipv6);
        add(localized("DNS"), d->dns.join(QStringLiteral(", ")));
        bool first = true;
        for (const VpnEntry &v : d->vpn) {
            const QString value = v.ipv4.isEmpty() ? v.description : QStringLiteral("%1 (%2)").arg(v.description, v.ipv4);
            // Every tunnel is a row; only the first carries the label.
            ++row;
            putTextField(row, first ? localized("VPN") : QString(), value);
            first = false;
        }
    }
    rowsCounted_ = row;
    const int shown = std::min(row, int(kRowCount));
    setFixedHeight(viewHeight(shown));
}

QString Network_MenuController::titleText() const { return interfaceLabel_->text(); }
QString Network_MenuController::signalText() const { return rssiTextView_->text(); }
QColor Network_MenuController::markColor() const { return interfaceSign_->palette().color(QPalette::WindowText); }

std::vector<Network_MenuController::Row> Network_MenuController::rows() const
{
    std::vector<Row> out;
    for (int i = 0; i < std::min(rowsCounted_, int(kRowCount)); ++i)
        out.push_back({labels_[size_t(i)]->text(), values_[size_t(i)]->text()});
    return out;
}

} // namespace orb
