#include "modules/disk/Disk_MenuController.h"

#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>

namespace orb {
namespace {

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

QLabel *plainLabel(QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    return l;
}

QFont valueFont(const QFont &base)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSizeF(base.pointSizeF() > 0 ? base.pointSizeF() : 9.0);
    f.setWeight(QFont::DemiBold);
    return f;
}

// Whole kelvin and whole degrees Celsius, each truncated from the reading itself.
QString kelvinText(double kelvin)
{
    const auto k = static_cast<int64_t>(std::trunc(kelvin));
    const auto celsius = static_cast<int64_t>(std::trunc(kelvin - 273.15));
    return QStringLiteral("%1K (%2°C)").arg(k).arg(celsius);
}

// Non-empty parts joined by single blanks.
QString joined(std::initializer_list<QString> parts)
{
    QStringList kept;
    for (const QString &p : parts)
        if (!p.isEmpty())
            kept.append(p);
    return kept.join(QLatin1Char(' '));
}

} // namespace

Disk_MenuController::Disk_MenuController(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(kWidth);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 4, 8, 4);
    outer->setSpacing(2);

    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    volumeImage_ = new QLabel(this);
    volumeImage_->setFixedSize(32, 32);
    volumeImage_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    top->addWidget(volumeImage_, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(0);
    auto *nameRow = new QHBoxLayout;
    volumeNameLabel_ = plainLabel(this);
    QFont bold = volumeNameLabel_->font();
    bold.setBold(true);
    volumeNameLabel_->setFont(bold);
    volumeSpaceLabel_ = plainLabel(this);
    volumeSpaceLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nameRow->addWidget(volumeNameLabel_);
    nameRow->addStretch(1);
    nameRow->addWidget(volumeSpaceLabel_);
    texts->addLayout(nameRow);
    descript1Label_ = plainLabel(this);
    descript2Label_ = plainLabel(this);
    for (QLabel *l : {descript1Label_, descript2Label_}) {
        QFont f = l->font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1.0));
        l->setFont(f);
        texts->addWidget(l);
    }

    auto *rates = new QHBoxLayout;
    rates->setSpacing(4);
    readImageWell_ = new QLabel(this);
    writImageWell_ = new QLabel(this);
    readTitle_ = plainLabel(this);
    writTitle_ = plainLabel(this);
    readLabel_ = plainLabel(this);
    writLabel_ = plainLabel(this);
    readTitle_->setText(localized("Read:"));
    writTitle_->setText(localized("Write:"));
    for (QLabel *l : {readLabel_, writLabel_}) {
        l->setFont(valueFont(l->font()));
        l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance(QStringLiteral("888.8MB/s")));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    rates->addWidget(readImageWell_);
    rates->addWidget(readTitle_);
    rates->addWidget(readLabel_);
    rates->addSpacing(12);
    rates->addWidget(writImageWell_);
    rates->addWidget(writTitle_);
    rates->addWidget(writLabel_);
    rates->addStretch(1);
    texts->addLayout(rates);
    top->addLayout(texts, 1);
    outer->addLayout(top);

    rowsBox_ = new QWidget(this);
    rowsGrid_ = new QGridLayout(rowsBox_);
    rowsGrid_->setContentsMargins(40, 2, 0, 0);
    rowsGrid_->setHorizontalSpacing(8);
    rowsGrid_->setVerticalSpacing(0);
    rowsGrid_->setColumnStretch(0, 1);
    rowsBox_->hide();
    outer->addWidget(rowsBox_);
    outer->addStretch(1);
    setFixedHeight(kPlainHeight);
}

QString Disk_MenuController::criticalWarningText(int64_t bits)
{
    if (bits == 0)
        return localized("(No Warning)");
    QString digits = QString::number(static_cast<qulonglong>(bits), 2);
    if (digits.size() < 5)
        digits = digits.rightJustified(5, QLatin1Char('0'));
    return localized("Warning!") + QLatin1Char(' ') + digits + QLatin1Char('b');
}

QString Disk_MenuController::sizeText(int64_t bytes, const QLocale &locale)
{
    return QStringLiteral("%1 (%2byte)").arg(OrbFormat::calcDiskSize(bytes), locale.toString(qlonglong(bytes)));
}

QPair<QString, QString> Disk_MenuController::descriptionLines(const DiskDrive &d)
{
    return {joined({d.vendor, d.model, d.firmware}), joined({diskBusName(d.bus), d.mediumType(), d.serial})};
}

QList<QPair<QString, QString>> Disk_MenuController::healthRows(const DiskHealth &h, const QLocale &locale)
{
    QList<QPair<QString, QString>> rows;
    const auto number = [](int64_t v) { return QString::number(v); };
    if (const auto &n = h.nvme) {
        // Data units of 512,000 bytes, shown in binary gigabytes (the formatter takes KiB).
        const auto units = [&](int64_t u) {
            return QStringLiteral("%1 (%2)").arg(locale.toString(qlonglong(u)),
                                                 OrbFormat::calcDiskUnitRwSize(NvmeHealthLog::dataUnitBytes(u) / 1024));
        };
        rows = {{localized("Available Spare (/Threshold)"),
                 QStringLiteral("%1% / %2%").arg(n->availableSpare).arg(n->availableSpareThreshold)},
                {localized("Data Units Read"), units(n->dataUnitsRead)},
                {localized("Data Units Written"), units(n->dataUnitsWritten)},
                {localized("Host Read Commands"), number(n->hostReadCommands)},
                {localized("Host Write Commands"), number(n->hostWriteCommands)},
                {localized("Percentage Used"), number(n->percentageUsed)},
                {localized("Unsafe Shutdowns"), number(n->unsafeShutdowns)},
                {localized("Power Cycles"), number(n->powerCycles)},
                {localized("Power On Hours"), number(n->powerOnHours)},
                {localized("Device Temperature"), kelvinText(static_cast<double>(n->temperatureK))},
                {localized("Controller Busy Time"), number(n->controllerBusyTime)},
                {localized("Media and Data Integrity Errors"), number(n->mediaErrors)},
                {localized("Num of Error Info Log Entries"), number(n->errorLogEntries)},
                {localized("Critical Warning"), criticalWarningText(n->criticalWarning)}};
        return rows;
    }
    if (h.udisks && h.udisks->hasAta && h.udisks->smartSupported) {
        const UDisksDrive &u = *h.udisks;
        QString status = localized("OK");
        if (u.smartFailing)
            status = localized("Failing!");
        else if (!u.smartEnabled)
            status = localized("Disabled");
        rows.append({localized("SMART Status"), status});
        if (u.smartTemperatureK > 0 && std::isfinite(u.smartTemperatureK))
            rows.append({localized("Device Temperature"), kelvinText(u.smartTemperatureK)});
        else if (h.temperature)
            rows.append({localized("Device Temperature"), QStringLiteral("%1°C").arg(*h.temperature)});
        if (u.powerOnSeconds > 0)
            rows.append({localized("Power On Hours"), number(u.powerOnSeconds / 3600)});
        if (u.badSectors >= 0)
            rows.append({localized("Bad Sectors"), number(u.badSectors)});
        if (u.attributesFailing >= 0)
            rows.append({localized("Failing Attributes"), number(u.attributesFailing)});
        if (!u.selfTestStatus.isEmpty())
            rows.append({localized("Last Self-test"), u.selfTestStatus});
        return rows;
    }
    if (h.temperature)
        rows.append({localized("Device Temperature"), QStringLiteral("%1°C").arg(*h.temperature)});
    return rows;
}

void Disk_MenuController::setWell(QLabel *well, const QColor &color, bool active)
{
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QColor c = color;
    c.setAlphaF(c.alphaF() * (active ? 1.0 : 0.3));
    p.fillRect(QRect(0, 0, 10, 10), c);
    p.end();
    well->setPixmap(pixmap);
}

void Disk_MenuController::clsTextField()
{
    rows_.clear();
    while (QLayoutItem *item = rowsGrid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    rowsBox_->hide();
}

void Disk_MenuController::replaceBaseData(const DiskDrive &drive, const QImage &icon, const QColor &readColor,
                                          const QColor &writeColor, const DiskHealth &health, const QLocale &locale)
{
    clsTextField();
    readColor_ = readColor;
    writeColor_ = writeColor;
    volumeNameLabel_->setText(drive.name);
    volumeSpaceLabel_->setText(sizeText(drive.sizeBytes, locale));
    const auto lines = descriptionLines(drive);
    descript1Label_->setText(lines.first);
    descript2Label_->setText(lines.second);
    volumeImage_->setPixmap(icon.isNull() ? QPixmap() : QPixmap::fromImage(icon.scaled(32, 32, Qt::KeepAspectRatio,
                                                                                        Qt::SmoothTransformation)));
    rows_ = healthRows(health, locale);
    if (rows_.isEmpty()) {
        setFixedHeight(kPlainHeight);
        return;
    }
    const QFont valueF = valueFont(font());
    for (int i = 0; i < rows_.size(); ++i) {
        QLabel *title = plainLabel(rowsBox_);
        QLabel *value = plainLabel(rowsBox_);
        title->setText(rows_[i].first);
        value->setText(rows_[i].second);
        value->setFont(valueF);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rowsGrid_->addWidget(title, i, 0);
        rowsGrid_->addWidget(value, i, 1);
    }
    rowsBox_->show();
    const int rowHeight = QFontMetrics(valueF).height();
    setFixedHeight(kPlainHeight + 4 + static_cast<int>(rows_.size()) * rowHeight);
}

void Disk_MenuController::replaceDetailData(const std::optional<DiskRW> &rw)
{
    const bool reading = rw && rw->readActive;
    const bool writing = rw && rw->writeActive;
    setWell(readImageWell_, readColor_, reading);
    setWell(writImageWell_, writeColor_, writing);
    const auto tint = [this](QLabel *label, bool active) {
        QPalette pal = label->palette();
        QColor text = palette().color(QPalette::WindowText);
        text.setAlphaF(active ? 1.0 : 0.5);
        pal.setColor(QPalette::WindowText, text);
        label->setPalette(pal);
    };
    tint(readLabel_, reading);
    tint(writLabel_, writing);
    readLabel_->setText(rw ? rw->readText : OrbFormat::calcDiscAccessPerSec(0));
    writLabel_->setText(rw ? rw->writeText : OrbFormat::calcDiscAccessPerSec(0));
}

QString Disk_MenuController::nameText() const { return volumeNameLabel_->text(); }
QString Disk_MenuController::sizeLabelText() const { return volumeSpaceLabel_->text(); }
QString Disk_MenuController::readText() const { return readLabel_->text(); }
QString Disk_MenuController::writeText() const { return writLabel_->text(); }

} // namespace orb
