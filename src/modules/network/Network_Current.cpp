#include "modules/network/Network_Current.h"

#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orb {
namespace {

QLabel *plainLabel(QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void setColor(QLabel *label, const QColor &c)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, c);
    label->setPalette(p);
}

QColor rateColor(const QColor &themed, double rate)
{
    QColor c = themed.isValid() && themed.alpha() > 0 ? themed : QColor(Qt::gray);
    if (!(rate > 0))
        c.setAlphaF(c.alphaF() * 0.5f);
    return c;
}

} // namespace

Network_Current::Network_Current(QWidget *parent)
    : QWidget(parent), currentLocation_(plainLabel(this)), upValueLabel_(plainLabel(this)),
      dwValueLabel_(plainLabel(this))
{
    QFont f = font();
    f.setPixelSize(13);
    for (QLabel *l : {currentLocation_, upValueLabel_, dwValueLabel_})
        l->setFont(f);
    auto *rates = new QHBoxLayout;
    rates->addWidget(upValueLabel_, 1);
    rates->addWidget(dwValueLabel_, 1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);
    column->addWidget(currentLocation_);
    column->addLayout(rates);
}

void Network_Current::replaceBaseData(const QString &location, const NetworkTraffic::Rates &rates,
                                      const NetworkItemSettings &s)
{
    currentLocation_->setText(QCoreApplication::translate("OrbStrings", "Network Location : %1").arg(location));
    upValueLabel_->setText(OrbFormat::calcBytesPerSec(rates.up, s.bits, 0) + QStringLiteral(" \u2B06\uFE0E\u2B06\uFE0E"));
    dwValueLabel_->setText(OrbFormat::calcBytesPerSec(rates.down, s.bits, 0) + QStringLiteral(" \u2B07\u2B07\uFE0E"));
    setColor(upValueLabel_, rateColor(s.up, rates.up));
    setColor(dwValueLabel_, rateColor(s.down, rates.down));
}

QString Network_Current::locationText() const { return currentLocation_->text(); }
QString Network_Current::upText() const { return upValueLabel_->text(); }
QString Network_Current::downText() const { return dwValueLabel_->text(); }
QColor Network_Current::upColor() const { return upValueLabel_->palette().color(QPalette::WindowText); }
QColor Network_Current::downColor() const { return dwValueLabel_->palette().color(QPalette::WindowText); }

} // namespace orb
