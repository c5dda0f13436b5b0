#include "modules/GraphMenuModule.h"

#include "modules/BaseMenuItems.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "toolkit/OrbImageCapture.h"

#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QWidgetAction>

namespace orb {

GraphMenuModule::GraphMenuModule(ModuleId id, MenuModuleDelegate *delegate, QVariantMap mnDefaults,
                                 QString enaMenuPrefix, QString graphWidthKey)
    : MenuModule(id, delegate), mnDefaults_(std::move(mnDefaults)), enaMenuPrefix_(std::move(enaMenuPrefix)),
      graphWidthKey_(std::move(graphWidthKey))
{
}

GraphMenuModule::~GraphMenuModule() = default;

void GraphMenuModule::initDrawStatusBar(StatusBarHost &host)
{
    host_ = &host;
    imageIcon_ = makeImageView();
    MenuModule::initDrawStatusBar(host);
    headlineShown_ = {}; // a new item holds no texts yet
    // Its square icon is a gauge of its readings, never its wide image squeezed small.
    if (statusItem())
        statusItem()->setGaugeIcon(true);
}

double GraphMenuModule::retRootMenuHeight() const
{
    const double h = host_ ? host_->menuBarHeight() : 0.0;
    return h > 0.0 ? h : 20.0;
}

double GraphMenuModule::composeWidth(const ElementWidths &elementWidths, double middle, bool showLabel)
{
    double width = 0.0;
    for (double w : elementWidths)
        width += w + middle;
    if (width > 0.0)
        width += showLabel ? 9.0 : -middle;
    return width;
}

void GraphMenuModule::openTab()
{
    if (delegate())
        delegate()->openPreferenceTab(ModuleCatalog::info(moduleId()).tabIndex);
}

void GraphMenuModule::drawBaseStatusBar()
{
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    menu->clear();
    statusGraph_ = nullptr;
    graphLabel_ = nullptr;
    BaseMenuItems::addPreferenceItem(*menu, myDefaults(), [this] { openTab(); });
    BaseMenuItems::addLauncherItems(*menu, myDefaults(), enaMenuPrefix_);
    addCommandItems(*menu);
    menu->addSeparator();
    addHeaderItems(*menu);

    imageMenu_ = makeImageView();
    statusGraph_ = new QWidgetAction(menu);
    graphLabel_ = new QLabel;
    graphLabel_->setContentsMargins(1, 0, 1, 0);
    const double graphWidth = mnDefaults_.value(graphWidthKey_).toDouble();
    graphLabel_->setFixedSize(static_cast<int>(graphWidth) + 2, 20);
    statusGraph_->setDefaultWidget(graphLabel_);
    menu->addAction(statusGraph_);
    addDetailItems(*menu);
    redrawStatusItem();
}

void GraphMenuModule::redrawStatusItem()
{
    if (!imageMenu_ || !graphLabel_ || !hasData())
        return;
    const double graphWidth = mnDefaults_.value(graphWidthKey_).toDouble();
    if (!menuOpened())
        rebuildMenuDefaults();
    prepareView(*imageMenu_);
    imageMenu_->redrawWithSize(QSizeF(graphWidth, 20.0), retMenuPullDownInsets(), false, true, mnDefaultsTmp_);
    const OrbImage image = OrbImageCapture::imageWithSubviews(imageMenu_.get(), false);
    if (!image.isNull())
        graphLabel_->setPixmap(QPixmap::fromImage(image.pixels()));
}

void GraphMenuModule::refreshBar()
{
    if (myDefaults().isEmpty() || !imageIcon_ || !statusItem())
        return;
    if (!hasData()) {
        // The square shows no figure rather than the last one.
        statusItem()->setHeadline(compactHeadline());
        headlineShown_ = {};
        return;
    }
    const FrameSettings &frame = frameSettings();
    showHeadline(frame);
    // A tray that draws the square icon from the headline never shows the image: drawing it
    // would be most of the tick's work for nothing.
    if (!statusItem()->showsImage())
        return;
    const OrbEdgeInsets insets = retStatusMenuInsets(frame.padding);
    const double height = retRootMenuHeight();
    const double width = composeWidth(elementWidths(insets, height), insets.middle, frame.showLabel);
    lastWidth_ = width;
    const std::optional<size_t> digest = imageDigest();
    const QSizeF size(width, height);
    if (digest && digest == drawn_.digest && size == drawn_.size && menuOpened() == drawn_.highlighted
        && drawn_.settings.isSharedWith(myDefaults()) && !statusItem()->image().isNull())
        return; // the same picture again
    prepareView(*imageIcon_);
    imageIcon_->redrawWithSize(size, insets, menuOpened(), true, myDefaults());
    // With every element off the capture is empty and the item shows nothing.
    QImage &buffer = buffers_[0].isNull() || buffers_[0].isDetached() ? buffers_[0] : buffers_[1];
    const OrbImage image = OrbImageCapture::imageWithSubviews(imageIcon_.get(), menuOpened(), buffer);
    statusItem()->setImage(image.pixels(), menuOpened());
    drawn_ = {digest, myDefaults(), size, menuOpened()};
}

void GraphMenuModule::showHeadline(const FrameSettings &frame)
{
    // The texts are built from the newest figures, and most passes of a quiet machine bring
    // the same figures again.
    const std::optional<size_t> digest = headlineDigest();
    if (digest && digest == headlineShown_.digest && headlineShown_.settings.isSharedWith(myDefaults()))
        return;
    StatusItemHost *item = statusItem();
    const QString text = headline();
    if (item->toolTipTitle() != frame.title || item->toolTipText() != text)
        item->setToolTip(frame.title, text);
    item->setHeadline(compactHeadline());
    headlineShown_ = {digest, myDefaults()};
}

QImage GraphMenuModule::previewImage(double height) const
{
    if (myDefaults().isEmpty() || !hasData() || !(height > 0.0))
        return {};
    const OrbEdgeInsets insets = retStatusMenuInsets(myDefaults().value(paddingKey()).toDouble());
    const double width = composeWidth(elementWidths(insets, height), insets.middle,
                                      myDefaults().value(labelKey()).toBool());
    if (!(width > 0.0))
        return {};
    const std::unique_ptr<ModuleImageView> view = makeImageView();
    prepareView(*view);
    view->redrawWithSize(QSizeF(width, height), insets, false, true, myDefaults());
    return OrbImageCapture::imageWithSubviews(view.get(), false).pixels();
}

TrayHeadline GraphMenuModule::compactHeadline() const
{
    TrayHeadline h;
    const QString figure = headline();
    if (!figure.isEmpty())
        h.label = frameSettings().title + QLatin1Char(' ') + figure;
    return h;
}

const GraphMenuModule::FrameSettings &GraphMenuModule::frameSettings() const
{
    return frame_.of(myDefaults(), [this](const QVariantMap &d) {
        return FrameSettings{d.value(paddingKey()).toDouble(), d.value(labelKey()).toBool(),
                             d.value(QStringLiteral("PrefName")).toString()};
    });
}

void GraphMenuModule::rebuildMenuDefaults()
{
    mnDefaultsTmp_ = myDefaults();
    for (auto it = mnDefaults_.cbegin(); it != mnDefaults_.cend(); ++it)
        mnDefaultsTmp_.insert(it.key(), it.value());
}

void GraphMenuModule::menuWillOpen()
{
    rebuildMenuDefaults();
    MenuModule::menuWillOpen();
}

} // namespace orb
