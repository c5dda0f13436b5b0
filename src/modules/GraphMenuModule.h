#pragma once
#include "modules/MenuModule.h"
#include "modules/ModuleImageView.h"
#include "modules/TypedSettings.h"
#include "platform/statusbar/TrayHeadline.h"

#include <QImage>
#include <QString>
#include <QVarLengthArray>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QWidgetAction;

namespace orb {

// The widths of a status image's elements, left to right. Kept inline: they are measured on
// every redraw, and a handful of elements per disk or volume is the most an item shows.
using ElementWidths = QVarLengthArray<double, 16>;

// The frame every graph module shares: the base menu, the menu graph, the status image
// width and its double-scale rendering, highlight while the menu is open.
class GraphMenuModule : public MenuModule {
    Q_OBJECT
public:
    GraphMenuModule(ModuleId id, MenuModuleDelegate *delegate, QVariantMap mnDefaults, QString enaMenuPrefix,
                    QString graphWidthKey);
    ~GraphMenuModule() override;

    void initDrawStatusBar(StatusBarHost &host) override;
    void drawBaseStatusBar() override;
    void refreshBar() override;
    void redrawStatusItem() override;
    void menuWillOpen() override;

    // Sum of (element + middle) over the drawn elements, then + 9 for the label or − middle
    // for the dropped last gap; 0 when nothing is drawn.
    static double composeWidth(const ElementWidths &elementWidths, double middle, bool showLabel);
    // The bar's height, 20 points when the host reports none.
    double retRootMenuHeight() const;
    // {2, 2, gap} for the status image, {1, 1, 0} for the menu graph.
    static OrbEdgeInsets retStatusMenuInsets(double gap) { return {2.0, 2.0, gap}; }
    static OrbEdgeInsets retMenuPullDownInsets() { return {1.0, 1.0, 0.0}; }

    // The status image as the current settings and data draw it, at two pixels per point and
    // `height` points high, without touching the item: what the preference previews show.
    // Null when there is nothing to draw.
    QImage previewImage(double height) const;

    // The last status image width in points (tests and the panel host read it).
    double statusWidth() const { return lastWidth_; }
    const QVariantMap &mnDefaultsTmp() const { return mnDefaultsTmp_; }

protected:
    // Whether there is a reading to draw.
    virtual bool hasData() const = 0;
    // Widths of the drawn elements (each already repeated per core, disk, ...).
    virtual ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const = 0;
    virtual std::unique_ptr<ModuleImageView> makeImageView() const = 0;
    // Hands the module's data to a view before it draws.
    virtual void prepareView(ModuleImageView &view) const = 0;
    // Module commands (tags 211, 212) and the items below the menu graph.
    virtual void addCommandItems(QMenu &menu) { (void)menu; }
    // Items between the separator and the menu graph.
    virtual void addHeaderItems(QMenu &menu) { (void)menu; }
    virtual void addDetailItems(QMenu &menu) { (void)menu; }
    // The current headline figure for the item's tool tip ("23%").
    virtual QString headline() const { return {}; }
    // What a tray with square cells shows: the main figure as a 0..1 gauge with a short
    // label and its colour. By default no gauge, and the name with headline() as label.
    virtual TrayHeadline compactHeadline() const;
    virtual QString labelKey() const = 0;
    virtual QString paddingKey() const = 0;
    // A digest of everything the status image shows besides the settings, its size and the
    // highlight, from a module that can tell cheaply: a redraw with the digest of the image
    // already shown is skipped. None (the default): every redraw draws.
    virtual std::optional<size_t> imageDigest() const { return std::nullopt; }
    // The same for what headline() and compactHeadline() read: while the digest and the
    // settings stay the same, the item keeps the texts it holds and neither is built again.
    // None (the default): both are built on every redraw.
    virtual std::optional<size_t> headlineDigest() const { return std::nullopt; }

private:
    // What the frame of every status image reads from the settings.
    struct FrameSettings {
        double padding = 0.0;
        bool showLabel = false;
        QString title;
    };
    const FrameSettings &frameSettings() const;
    // Hands the item its tool tip and headline, unless they were built from the same digest.
    void showHeadline(const FrameSettings &frame);
    void openTab();
    // The module's settings with the menu graph's overlay laid over them.
    void rebuildMenuDefaults();

    QVariantMap mnDefaults_;
    QVariantMap mnDefaultsTmp_;
    QString enaMenuPrefix_;
    QString graphWidthKey_;
    std::unique_ptr<ModuleImageView> imageIcon_;
    std::unique_ptr<ModuleImageView> imageMenu_;
    QWidgetAction *statusGraph_ = nullptr;
    QLabel *graphLabel_ = nullptr;
    StatusBarHost *host_ = nullptr;
    double lastWidth_ = 0.0;
    mutable TypedSettings<FrameSettings> frame_;
    // Two pixel buffers in turn: the item holds one image while the next is drawn into the other.
    QImage buffers_[2];
    // What the image the item shows was drawn from.
    struct Drawn {
        std::optional<size_t> digest;
        QVariantMap settings;
        QSizeF size;
        bool highlighted = false;
    } drawn_;
    // What the item's tool tip and headline were built from.
    struct ShownHeadline {
        std::optional<size_t> digest;
        QVariantMap settings;
    } headlineShown_;
};

} // namespace orb
