#include "modules/gpu/GPU_MenuController.h"

#include "modules/BaseMenuItems.h"
#include "modules/GraphMenuModule.h"
#include "modules/gpu/ImageGpuBar.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbImageCapture.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace orb {
namespace {

constexpr int kRowWidth = 300;
constexpr int kGraphHeight = 20;

std::function<void(const QUrl &)> &urlOpener()
{
    static std::function<void(const QUrl &)> opener;
    return opener;
}

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

QString megabytes(int64_t bytes) { return QString::number(bytes >> 20) + QStringLiteral("MB"); }

} // namespace

GPU_MenuController::GPU_MenuController(QWidget *parent) : QWidget(parent), imageMenu_(std::make_unique<ImageGpuBar>())
{
    imageMenu_->setFrame(QRectF(2, 0, kRowWidth - 2, kGraphHeight));

    nameButton_ = new QPushButton(this);
    nameButton_->setFlat(true);
    nameButton_->setCursor(Qt::PointingHandCursor);
    nameButton_->setFocusPolicy(Qt::NoFocus);
    QFont underlined = nameButton_->font();
    underlined.setUnderline(true);
    nameButton_->setFont(underlined);
    connect(nameButton_, &QPushButton::clicked, this, [this] { deviceNameButtonClicked(); });

    rTextField_ = new QLabel(this);
    rTextField_->setTextFormat(Qt::PlainText);
    rTextField_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont digits = rTextField_->font();
    digits.setStyleHint(QFont::Monospace);
    rTextField_->setFont(digits);

    detailField_ = new QLabel(this);
    detailField_->setTextFormat(Qt::PlainText);
    QFont small = detailField_->font();
    if (small.pixelSize() > 0)
        small.setPixelSize(std::max(9, small.pixelSize() - 2));
    else
        small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.5));
    detailField_->setFont(small);
    detailField_->setEnabled(false); // drawn in the menu's secondary text colour

    imageMenuView_ = new QLabel(this);
    imageMenuView_->setFixedSize(kRowWidth + 2, kGraphHeight);
    imageMenuView_->setContentsMargins(1, 0, 1, 0);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(nameButton_, 1);
    top->addWidget(rTextField_);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(14, 2, 10, 4);
    column->setSpacing(1);
    column->addLayout(top);
    column->addWidget(detailField_);
    column->addWidget(imageMenuView_);
}

GPU_MenuController::~GPU_MenuController() = default;

void GPU_MenuController::setMyDefaults(std::shared_ptr<const GpuItemSettings> settings, const QVariantMap &defaults)
{
    settings_ = std::move(settings);
    defaults_ = defaults;
    imageMenu_->setSettings(settings_);
}

void GPU_MenuController::loadBaseData()
{
    const QString suffix = QStringLiteral(" - ") + deviceDict_.mem;
    title_ = deviceDict_.name + suffix;
    // A long name is cut so the memory size and the percentage keep their place; the whole
    // name is in the tool tip.
    const QFontMetrics metrics(nameButton_->font());
    const int room = kRowWidth - 50 - metrics.horizontalAdvance(suffix);
    const QString shown = metrics.elidedText(deviceDict_.name, Qt::ElideRight, std::max(room, 40)) + suffix;
    nameButton_->setText(BaseMenuItems::escaped(shown));
    nameButton_->setToolTip(QStringLiteral("<qt>") + title_.toHtmlEscaped() + QStringLiteral("</qt>"));
    // Style sheets are costly to apply: only when the appearance changed the link colour.
    const QColor link = OrbColors::darkAppearance() ? QColor(255, 214, 10) : QColor(0, 88, 208);
    if (link != linkColor_) {
        linkColor_ = link;
        nameButton_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 0; text-align: left; }")
                                       .arg(link.name()));
    }
}

void GPU_MenuController::loadDetailData(const History<GpuSample> &history)
{
    rTextField_->setText(deviceDict_.per);

    QStringList where;
    for (const QString &part : {deviceDict_.vendor, deviceDict_.driver, deviceDict_.address})
        if (!part.isEmpty())
            where << part;
    QString &detail = detail_;
    detail = where.join(QStringLiteral(" \u00b7 "));
    if (deviceDict_.used >= 0 && deviceDict_.free >= 0)
        detail += QLatin1Char('\n') + localized("%1 used, %2 free").arg(megabytes(deviceDict_.used), megabytes(deviceDict_.free));
    else
        detail += QLatin1Char('\n') + localized("Memory use not reported");
    const QFontMetrics metrics(detailField_->font());
    QStringList lines = detail.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, kRowWidth);
    detailField_->setText(lines.join(QLatin1Char('\n')));
    detailField_->setToolTip(QStringLiteral("<qt>") + detail.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
                             QStringLiteral("</qt>"));

    if (!settings_)
        return;
    imageMenu_->setResumeArray(history);
    imageMenu_->setSelectedDevice(deviceDict_.id);
    imageMenu_->redrawWithSize(QSizeF(settings_->graphWidth, kGraphHeight), GraphMenuModule::retMenuPullDownInsets(), false,
                               true, defaults_);
    const OrbImage image = OrbImageCapture::imageWithSubviews(imageMenu_.get(), false);
    if (!image.isNull())
        imageMenuView_->setPixmap(QPixmap::fromImage(image.pixels()));
}

QUrl GPU_MenuController::searchUrl(const QString &name)
{
    return QUrl::fromEncoded(QByteArrayLiteral("https://www.google.com/search?q=") + QUrl::toPercentEncoding(name),
                             QUrl::StrictMode);
}

void GPU_MenuController::setUrlOpener(std::function<void(const QUrl &)> opener) { urlOpener() = std::move(opener); }

void GPU_MenuController::deviceNameButtonClicked()
{
    const QUrl url = searchUrl(deviceDict_.name);
    if (urlOpener())
        urlOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

QString GPU_MenuController::nameTitle() const { return title_; }
QString GPU_MenuController::percentText() const { return rTextField_->text(); }
QString GPU_MenuController::detailText() const { return detail_; }
QImage GPU_MenuController::graphImage() const { return imageMenuView_->pixmap().toImage(); }

} // namespace orb
