#include "modules/general/General_BlueToothDevice.h"

#include "modules/general/BatteryIcon.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbLevelIndicator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace orb {
namespace {

QString uiText(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

QLabel *plainLabel(QWidget *parent, double pointScale = 1.0, bool bold = false)
{
    auto *l = new QLabel(parent);
    // Names come from devices and firmware: never rich text.
    l->setTextFormat(Qt::PlainText);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont f = l->font();
    if (pointScale != 1.0 && f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * pointScale);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

QPixmap iconPixmap(const QString &name, int size, const QString &fallbackText)
{
    const QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull()) {
        QPixmap pm = icon.pixmap(QSize(size, size), 2.0);
        if (!pm.isNull())
            return pm;
    }
    // No icon theme: the application's icon for the machine, a lettered disc for a device.
    if (fallbackText.isEmpty()) {
        QPixmap pm = QPixmap(QStringLiteral(":/icons/orbmeter.png"))
                         .scaled(size * 2, size * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pm.setDevicePixelRatio(2.0);
        return pm;
    }
    QPixmap pm(size * 2, size * 2);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 128, 134));
    p.drawEllipse(QRectF(2, 2, size * 2 - 4, size * 2 - 4));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(size);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, fallbackText.left(1).toUpper());
    p.end();
    pm.setDevicePixelRatio(2.0);
    return pm;
}

// Signal bars for a level 0..5, drawn in the text colour.
QPixmap signalPixmap(int level, const QColor &color)
{
    const int w = 18, h = 14;
    QPixmap pm(w * 2, h * 2);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(2, 2);
    for (int i = 0; i < 5; ++i) {
        QColor c = color;
        if (i >= level)
            c.setAlphaF(0.25f);
        const double bh = 3.0 + i * 2.5;
        p.fillRect(QRectF(1 + i * 3.4, h - 1 - bh, 2.4, bh), c);
    }
    p.end();
    pm.setDevicePixelRatio(2.0);
    return pm;
}

QPixmap batteryPixmap(int percent, int mode, int points)
{
    return QPixmap::fromImage(BatteryIcon::icon(percent, mode, 4, 0.85, points));
}

QString percentText(std::optional<int> p) { return p ? QStringLiteral("%1%").arg(*p) : QStringLiteral("---"); }

QString amountText(std::optional<double> v, const QString &unit)
{
    if (!v)
        return QStringLiteral("---");
    if (unit == QLatin1String("mAh"))
        return QStringLiteral("%1 mAh").arg(static_cast<qint64>(*v));
    return QStringLiteral("%1 %2").arg(OrbFormat::fixed(*v, 1), unit);
}

} // namespace

General_BlueToothDevice::General_BlueToothDevice(QString key, bool isBattery, QWidget *parent)
    : QWidget(parent), key_(std::move(key)), isBattery_(isBattery)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    if (isBattery_)
        buildBatteryRow();
    else
        buildDeviceRow();
}

General_BlueToothDevice::~General_BlueToothDevice() = default;

void General_BlueToothDevice::buildBatteryRow()
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(14, 6, 14, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(2);
    dvceImageView_ = plainLabel(this);
    dvceImageView_->setFixedSize(36, 36);
    deviceLabel_ = plainLabel(this, 1.0, true);
    batteryImageView_ = plainLabel(this);
    batteryImageView_->setFixedSize(30, 30);
    batteryTextView_ = plainLabel(this);
    auto *head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(dvceImageView_);
    head->addWidget(deviceLabel_, 1);
    head->addWidget(batteryImageView_);
    head->addWidget(batteryTextView_);
    grid->addLayout(head, 0, 0, 1, 4);

    crLabel_ = plainLabel(this, 0.9);
    crValue_ = plainLabel(this, 0.9);
    crPer_ = plainLabel(this, 0.9, true);
    fcLabel_ = plainLabel(this, 0.9);
    fcValue_ = plainLabel(this, 0.9);
    fcPer_ = plainLabel(this, 0.9, true);
    dcLabel_ = plainLabel(this, 0.9);
    dcValue_ = plainLabel(this, 0.9);
    acChargerDetail_ = plainLabel(this, 0.85);
    acChargerDetail_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    for (QLabel *v : {crValue_, fcValue_, dcValue_})
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    crBar_ = new OrbLevelIndicator(false, this);
    fcBar_ = new OrbLevelIndicator(false, this);
    for (OrbLevelIndicator *bar : {crBar_, fcBar_}) {
        bar->setFixedSize(90, 8);
        bar->hide();
        bar->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    crLabel_->setText(uiText("Charge Remaining"));
    fcLabel_->setText(uiText("Full Charge Capacity"));
    dcLabel_->setText(uiText("Design Capacity"));
    grid->addWidget(crLabel_, 1, 0);
    grid->addWidget(crValue_, 1, 1);
    grid->addWidget(crPer_, 1, 2);
    grid->addWidget(crBar_, 1, 3);
    grid->addWidget(fcLabel_, 2, 0);
    grid->addWidget(fcValue_, 2, 1);
    grid->addWidget(fcPer_, 2, 2);
    grid->addWidget(fcBar_, 2, 3);
    grid->addWidget(dcLabel_, 3, 0);
    grid->addWidget(dcValue_, 3, 1);
    grid->addWidget(acChargerDetail_, 3, 2, 2, 2);
    grid->setColumnStretch(2, 1);
}

void General_BlueToothDevice::buildDeviceRow()
{
    setFixedHeight(kDeviceRowHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 2, 14, 2);
    row->setSpacing(8);
    dvceImageView_ = plainLabel(this);
    dvceImageView_->setFixedSize(20, 20);
    deviceLabel_ = plainLabel(this);
    rssiImageView_ = plainLabel(this);
    rssiImageView_->setFixedSize(18, 14);
    rssiTextView_ = plainLabel(this, 0.9);
    rssiTextView_->setMinimumWidth(56);
    batteryImageView_ = plainLabel(this);
    batteryImageView_->setFixedSize(24, 24);
    batteryTextView_ = plainLabel(this);
    batteryTextView_->setMinimumWidth(36);
    batteryTextView_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(dvceImageView_);
    row->addWidget(deviceLabel_, 1);
    row->addWidget(rssiImageView_);
    row->addWidget(rssiTextView_);
    row->addWidget(batteryImageView_);
    row->addWidget(batteryTextView_);
}

void General_BlueToothDevice::setMachine(const QString &realName, const QString &iconName)
{
    if (deviceName_.isEmpty() && !realName.isEmpty()) {
        const QStringList pieces = realName.split(QStringLiteral(" ("));
        deviceName_ = (pieces.size() >= 2 ? pieces.first() : realName) + QLatin1Char(' ');
    }
    if (iconName_ != iconName || dvceImageView_->pixmap().isNull()) {
        iconName_ = iconName;
        dvceImageView_->setPixmap(iconPixmap(iconName, 36, QString()));
    }
}

void General_BlueToothDevice::drawItn(const InternalBattery &b)
{
    isBluetoothDevice_ = false;
    itnName_ = b.name;
    setEnabled(true);
    const int p = b.percentOrMissing();
    const int mode = b.charging ? BatteryIcon::Charging : b.externalPower ? BatteryIcon::OnCharger : BatteryIcon::NoOverlay;
    batteryTextView_->setText(p >= 0 ? QStringLiteral("%1%").arg(p) : QStringLiteral("---"));
    batteryImageView_->setPixmap(batteryPixmap(p, mode, 30));
    deviceLabel_->setText(deviceName_ + b.name);

    crValue_->setText(amountText(b.remaining, b.unit));
    fcValue_->setText(amountText(b.full, b.unit));
    dcValue_->setText(amountText(b.design, b.unit));

    const std::optional<int> health = b.health();
    if (p >= 0) {
        crBar_->show();
        crBar_->setCurrentValue(static_cast<float>(p / 100.0), OrbColors::retBatteryRemainColor(p / 100.0, 0.1, 0.9));
    } else {
        crBar_->hide();
    }
    if (health) {
        fcBar_->show();
        fcBar_->setCurrentValue(static_cast<float>(*health / 100.0),
                                OrbColors::retBatteryRemainColor(*health / 100.0, 0.4, 0.8));
    } else {
        fcBar_->hide();
    }
    QString cr = QStringLiteral("%1 (%2)").arg(percentText(p >= 0 ? std::optional<int>(p) : std::nullopt),
                                               percentText(b.rawPercent()));
    if (!b.externalPower && b.minutesToEmpty && *b.minutesToEmpty > 0)
        cr += QLatin1Char(' ') + buildBatteryRemain(b.minutesToEmpty);
    crPer_->setText(cr);
    // Both services give one health figure; the second place shows the charge cycles.
    QString fc = percentText(health);
    if (b.cycles)
        fc += QLatin1Char(' ') + uiText("(%1 cycles)").arg(*b.cycles);
    fcPer_->setText(fc);

    if (b.externalPower) {
        QString lines = uiText("AC Charger") + QLatin1Char('\n');
        if (b.adapterWatts && *b.adapterWatts >= 0)
            lines += QStringLiteral("%1W\n").arg(static_cast<qint64>(*b.adapterWatts));
        if (b.adapterAmps && *b.adapterAmps >= 0)
            lines += OrbFormat::fixed(*b.adapterAmps, 2) + QStringLiteral("A\n");
        if (b.adapterVolts && *b.adapterVolts >= 0)
            lines += QStringLiteral("%1V\n").arg(static_cast<qint64>(*b.adapterVolts));
        if (b.charging)
            lines += uiText("Charging NOW!") + QLatin1Char('\n');
        if (b.minutesToFull && *b.minutesToFull > 0)
            lines += uiText("Until to Full") + QLatin1Char('\n') + buildBatteryRemain(b.minutesToFull);
        acChargerDetail_->setText(lines.trimmed());
    } else {
        acChargerDetail_->clear();
    }
    setAccessibleName(deviceLabel_->text());
}

void General_BlueToothDevice::drawBid(const PeripheralDevice &d)
{
    isBluetoothDevice_ = true;
    setEnabled(true);
    if (d.transport == QLatin1String("Bluetooth")) {
        if (d.rssi) {
            rssiTextView_->setText(QStringLiteral("%1dBm").arg(*d.rssi));
            rssiImageView_->setPixmap(signalPixmap(OrbFormat::retRssiLevel(*d.rssi), palette().color(QPalette::WindowText)));
        } else {
            rssiTextView_->setText(uiText("Bluetooth"));
            rssiImageView_->clear();
        }
    } else {
        rssiTextView_->setText(uiText("USB"));
        rssiImageView_->clear();
    }
    batteryTextView_->setText(percentText(d.percent));
    batteryImageView_->setPixmap(
        batteryPixmap(d.percent.value_or(-1), d.charging ? BatteryIcon::Charging : BatteryIcon::NoOverlay, 24));
    deviceLabel_->setText(d.name);
    if (dvceImageView_->pixmap().isNull() || iconName_ != d.icon) {
        iconName_ = d.icon;
        dvceImageView_->setPixmap(iconPixmap(d.icon, 20, d.name.isEmpty() ? QStringLiteral("?") : d.name));
    }
    setAccessibleName(d.name);
}

void General_BlueToothDevice::markGone()
{
    batteryTextView_->setText(QStringLiteral("---"));
    batteryImageView_->setPixmap(batteryPixmap(-1, BatteryIcon::NoOverlay, isBattery_ ? 30 : 24));
    if (rssiTextView_) {
        rssiTextView_->setText(QStringLiteral("---"));
        rssiImageView_->clear();
    }
    if (isBattery_) {
        for (QLabel *l : {crValue_, fcValue_, dcValue_, crPer_, fcPer_})
            l->setText(QStringLiteral("---"));
        acChargerDetail_->clear();
        crBar_->hide();
        fcBar_->hide();
    }
}

QString General_BlueToothDevice::deviceLabelText() const { return deviceLabel_->text(); }
QString General_BlueToothDevice::batteryText() const { return batteryTextView_->text(); }
QString General_BlueToothDevice::linkText() const { return rssiTextView_ ? rssiTextView_->text() : QString(); }
QString General_BlueToothDevice::chargeText() const { return crPer_ ? crPer_->text() : QString(); }
QString General_BlueToothDevice::capacityText() const { return fcPer_ ? fcPer_->text() : QString(); }
QString General_BlueToothDevice::chargerText() const { return acChargerDetail_ ? acChargerDetail_->text() : QString(); }

QString General_BlueToothDevice::valueTexts() const
{
    if (!crValue_)
        return {};
    return crValue_->text() + QLatin1Char('|') + fcValue_->text() + QLatin1Char('|') + dcValue_->text();
}

void General_BlueToothDevice::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!hovered_)
        return;
    // The highlight is visible only while the pointer is over the row, over its full height.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = palette().color(QPalette::Highlight);
    c.setAlphaF(0.35f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(4, 0, -4, 0), 4, 4);
    p.fillPath(path, c);
}

void General_BlueToothDevice::setHovered(bool hovered)
{
    if (hovered_ == hovered)
        return;
    hovered_ = hovered;
    update();
}

void General_BlueToothDevice::enterEvent(QEnterEvent *event)
{
    setHovered(true);
    QWidget::enterEvent(event);
}

void General_BlueToothDevice::leaveEvent(QEvent *event)
{
    setHovered(false);
    QWidget::leaveEvent(event);
}

void General_BlueToothDevice::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (onClick_)
        onClick_(event->modifiers() & Qt::AltModifier);
}

} // namespace orb
