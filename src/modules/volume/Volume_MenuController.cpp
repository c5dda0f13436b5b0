#include "modules/volume/Volume_MenuController.h"

#include "modules/volume/VolumeSettings.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"
#include "toolkit/OrbLevelIndicator.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

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

QFont valueFont(const QFont &base, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSizeF(base.pointSizeF() > 0 ? base.pointSizeF() : 9.0);
    f.setWeight(weight);
    return f;
}

QPixmap small(const QImage &image, int size)
{
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QImage themeImage(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).value<QImage>(); }

void setWell(QLabel *well, const QColor &color)
{
    QPixmap p(10, 10);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color.isValid() ? color : QColor(Qt::gray));
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 9, 9), 2, 2);
    painter.end();
    well->setPixmap(p);
}

} // namespace

Volume_MenuController::~Volume_MenuController() = default;

Volume_MenuController::Volume_MenuController(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(kWidth);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 4, 8, 4);
    outer->setSpacing(8);

    icon_ = new QLabel(this);
    icon_->setFixedSize(32, 32);
    outer->addWidget(icon_, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto *nameRow = new QHBoxLayout;
    nameRow->setSpacing(3);
    name_ = plainLabel(this);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    nameRow->addWidget(name_, 1);
    bootImage_ = new QLabel(this);
    writeImage_ = new QLabel(this);
    removeImage_ = new QLabel(this);
    unmountImage_ = new QLabel(this);
    for (QLabel *l : {bootImage_, writeImage_, removeImage_, unmountImage_}) {
        l->setFixedSize(14, 14);
        nameRow->addWidget(l);
    }
    unmountButton_ = new QToolButton(this);
    unmountButton_->setAutoRaise(true);
    unmountButton_->setFixedSize(20, 20);
    unmountButton_->setToolTip(localized("Unmount"));
    unmountButton_->setText(QStringLiteral("⏏"));
    nameRow->addWidget(unmountButton_);
    connect(unmountButton_, &QToolButton::clicked, this, [this] {
        if (onUnmount)
            onUnmount(mntPath_);
    });
    texts->addLayout(nameRow);

    detail1_ = plainLabel(this);
    detail2_ = plainLabel(this);
    for (QLabel *l : {detail1_, detail2_}) {
        QFont f = l->font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1.0));
        l->setFont(f);
        l->setMaximumWidth(kWidth - 60);
        texts->addWidget(l);
    }

    auto *sizes = new QHBoxLayout;
    sizes->setSpacing(4);
    usedWell_ = new QLabel(this);
    freeWell_ = new QLabel(this);
    auto *usedTitle = plainLabel(this);
    auto *freeTitle = plainLabel(this);
    auto *totalTitle = plainLabel(this);
    usedTitle->setText(localized("Used:"));
    freeTitle->setText(localized("Free:"));
    totalTitle->setText(localized("Total:"));
    usedLabel_ = plainLabel(this);
    freeLabel_ = plainLabel(this);
    totalLabel_ = plainLabel(this);
    for (QLabel *l : {usedLabel_, freeLabel_, totalLabel_})
        l->setFont(valueFont(l->font(), QFont::DemiBold));
    sizes->addWidget(usedWell_);
    sizes->addWidget(usedTitle);
    sizes->addWidget(usedLabel_);
    sizes->addSpacing(6);
    sizes->addWidget(freeWell_);
    sizes->addWidget(freeTitle);
    sizes->addWidget(freeLabel_);
    sizes->addSpacing(6);
    sizes->addWidget(totalTitle);
    sizes->addWidget(totalLabel_);
    sizes->addStretch(1);
    texts->addLayout(sizes);

    auto *level = new QHBoxLayout;
    level->setSpacing(6);
    indicator_ = new OrbLevelIndicator(false, this);
    indicator_->setFixedHeight(8);
    level->addWidget(indicator_, 1);
    percentLabel_ = plainLabel(this);
    percentLabel_->setFont(valueFont(percentLabel_->font(), QFont::Bold));
    percentLabel_->setMinimumWidth(QFontMetrics(percentLabel_->font()).horizontalAdvance(QStringLiteral("100.0%")));
    percentLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    level->addWidget(percentLabel_);
    changeSign_ = plainLabel(this);
    changeSign_->setText(QStringLiteral("●"));
    level->addWidget(changeSign_);
    texts->addLayout(level);
    outer->addLayout(texts, 1);
}

void Volume_MenuController::replaceBaseData(const VolumeEntry &v, const std::optional<VolumeFigure> &figure,
                                            const QImage &icon, const QVariantMap &d)
{
    if (!d.isSharedWith(defaults_) || defaults_.isEmpty()) {
        defaults_ = d;
        settings_ = std::make_unique<VolumeSettings>(VolumeSettings::from(d));
    }
    setWell(usedWell_, OrbColors::colorFromValue(d.value(QStringLiteral("E01"))));
    setWell(freeWell_, OrbColors::colorFromValue(d.value(QStringLiteral("E02"))));
    unmountButton_->setEnabled(v.isUnmountable);
    // A volume that cannot be unmounted shows its button at half opacity.
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(unmountButton_->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(unmountButton_);
        unmountButton_->setGraphicsEffect(fade);
    }
    fade->setOpacity(v.isUnmountable ? 1.0 : 0.5);
    const QImage eject = themeImage(d, "M12");
    if (!eject.isNull()) {
        unmountButton_->setIcon(small(eject, 16));
        unmountButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    name_->setText(v.isNetworkVol ? v.volumeName + QStringLiteral(" \U0001F30F") : v.volumeName);
    QString line1;
    toolTip_.clear();
    if (!v.fileType.isEmpty()) {
        line1 = v.fileType + QStringLiteral(" :: ");
        toolTip_ += v.fileType + QLatin1Char('\n');
    }
    line1 += v.mountPath;
    toolTip_ += v.mountPath + QLatin1Char('\n');
    detail1_->setText(line1);
    const QString line2 = !v.bsdPath.isEmpty() ? v.bsdPath : v.bsdName;
    detail2_->setText(line2);
    toolTip_ += line2;
    icon_->setPixmap(small(icon, 32));
    bootImage_->setPixmap(v.mountPath == QLatin1String("/") ? small(themeImage(d, "M11"), 14) : QPixmap());
    removeImage_->setPixmap(small(themeImage(d, v.isRemovable ? "M05" : "M06"), 14));
    writeImage_->setPixmap(small(themeImage(d, v.isWritable ? "M01" : "M02"), 14));
    unmountImage_->setPixmap(small(themeImage(d, v.isUnmountable ? "M03" : "M04"), 14));
    removeImage_->setToolTip(v.isRemovable ? localized("Removable") : localized("Fixed"));
    writeImage_->setToolTip(v.isWritable ? localized("Writable") : localized("Read-only"));
    replaceDetailData(figure);
}

void Volume_MenuController::replaceDetailData(const std::optional<VolumeFigure> &f)
{
    const int64_t total = f ? f->total : 0;
    if (total < 1) {
        ufPer_ = 0.0f;
        percentLabel_->setText(localized("** ERROR **"));
    } else {
        ufPer_ = static_cast<float>(f->usedFraction() * 100.0);
        percentLabel_->setText(OrbFormat::fixed(ufPer_, 1, QLatin1StringView("%")));
    }
    if (!settings_)
        settings_ = std::make_unique<VolumeSettings>(VolumeSettings::from(defaults_));
    const VolumeSettings &s = *settings_;
    indicator_->setCurrentValue(ufPer_ / 100.0f, s.usageColor(ufPer_ / 100.0, false, -1.0));
    usedLabel_->setText(f ? f->usedText : QString());
    freeLabel_->setText(f ? f->freeText : QString());
    totalLabel_->setText(f ? f->totalText : QString());
    QPalette p = changeSign_->palette();
    p.setColor(QPalette::WindowText, f && f->changed ? s.lampOn : s.free);
    changeSign_->setPalette(p);
}

void Volume_MenuController::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onOpen)
        onOpen(mntPath_);
    QWidget::mouseReleaseEvent(event);
}

void Volume_MenuController::enterEvent(QEnterEvent *event)
{
    mouseOver_ = true;
    update();
    QWidget::enterEvent(event);
}

void Volume_MenuController::leaveEvent(QEvent *event)
{
    mouseOver_ = false;
    update();
    QWidget::leaveEvent(event);
}

void Volume_MenuController::paintEvent(QPaintEvent *event)
{
    if (mouseOver_) {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor accent = palette().color(QPalette::Highlight);
        accent.setAlphaF(0.25f);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 1, -2, -1), 3, 3);
    }
    QWidget::paintEvent(event);
}

QString Volume_MenuController::nameText() const { return name_->text(); }
QString Volume_MenuController::detail1Text() const { return detail1_->text(); }
QString Volume_MenuController::detail2Text() const { return detail2_->text(); }
QString Volume_MenuController::percentText() const { return percentLabel_->text(); }
QString Volume_MenuController::usedText() const { return usedLabel_->text(); }
QString Volume_MenuController::freeText() const { return freeLabel_->text(); }
QString Volume_MenuController::totalText() const { return totalLabel_->text(); }
bool Volume_MenuController::unmountEnabled() const { return unmountButton_->isEnabled(); }
double Volume_MenuController::unmountOpacity() const
{
    const auto *fade = qobject_cast<const QGraphicsOpacityEffect *>(unmountButton_->graphicsEffect());
    return fade ? fade->opacity() : 1.0;
}
bool Volume_MenuController::bootImageShown() const { return !bootImage_->pixmap().isNull(); }
double Volume_MenuController::levelValue() const { return ufPer_ / 100.0; }

} // namespace orb
