#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/memory/ImageMemoryBar.h"

#include <functional>
#include <memory>

namespace orb {

class MemoryPurger;
class Memory_MenuController;
struct ProcessHistories;

// The Memory status item: graph, level bar, circle meter, used/available text and detail
// text, and the "Purge Memory..." command.
class Memory_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    static constexpr int kPurgeTag = 211;

    // Asks whether to purge and later calls `answer` with true for "Purge", false otherwise.
    // Must not block (no nested event loop).
    using PurgeConfirmation = std::function<void(std::function<void(bool)> answer)>;

    explicit Memory_MenuModule(MenuModuleDelegate *delegate);
    ~Memory_MenuModule() override;

    // Takes the "Memory" history with the page size and installed memory read with it.
    void setSensorData(const SensorData &data) override;
    void menuWillOpen() override;
    void redrawStatusItem() override;
    Memory_MenuController *menuController() const { return controller_.get(); }
    const History<MemorySample> &resumeArray() const { return resumeArray_; }
    uint64_t memoryPageSize() const { return memoryPageSize_; }
    uint64_t memoryTotlSize() const { return memoryTotlSize_; }

    // Figures of `sample` in bytes; all 0 (available too) when the page size is 0.
    static MemDatArray retMemDatArray(const MemorySample &sample, uint64_t memoryPageSize, uint64_t memoryTotlSize);
    const MemDatArray &memDatArray() const { return memDatArray_; }
    // Text element and detail column widths of the last status image, in points.
    double myTextWidth() const { return myTextWidth_; }
    double detailWidthL() const { return detailWidthL_; }
    double detailWidthR() const { return detailWidthR_; }

    // Settings laid over the module's own for the menu graph.
    static QVariantMap menuGraphDefaults();

    // Closes the menu, asks for confirmation after half a second, then purges.
    void purgeMemory();
    // Replaces the confirmation dialog (tests answer without showing one).
    void setPurgeConfirmation(PurgeConfirmation confirmation) { confirmation_ = std::move(confirmation); }
    // Replaces the purger (tests use one with a stand-in launcher).
    void setPurger(std::unique_ptr<MemoryPurger> purger);
    MemoryPurger *purger();
    // The confirmation the item uses unless replaced: a window-modal-free message box
    // opened with open(), answering through its finished signal.
    static void showPurgeAlert(std::function<void(bool)> answer);

protected:
    bool hasData() const override { return !resumeArray_.empty(); }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addCommandItems(QMenu &menu) override;
    TrayHeadline compactHeadline() const override;
    void addDetailItems(QMenu &menu) override;
    QString labelKey() const override { return QStringLiteral("Memory_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Memory_Padding"); }
    std::optional<size_t> imageDigest() const override;
    std::optional<size_t> headlineDigest() const override;

private:
    // Used memory (app, wired, compressed) as a share of what is installed, 0..1.
    double usedShare() const;
    static QColor headlineColour(double used);
    void computeTextWidths() const;
    void confirmed(bool purge);

    History<MemorySample> resumeArray_;
    uint64_t memoryPageSize_ = 0;
    uint64_t memoryTotlSize_ = 0;
    MemDatArray memDatArray_{};
    // Worked out with the widths, handed to the views.
    mutable double myTextWidth_ = 0.0;
    mutable double detailWidthL_ = 0.0;
    mutable double detailWidthR_ = 0.0;
    mutable TypedSettings<MemoryItemSettings> settings_;
    // The width samples ("8.88GB", ...) and settings the text widths were measured for.
    mutable QStringList measuredSamples_;
    mutable QVariantMap measuredWith_;
    // The figures the width samples were last taken from (widths are asked for several times
    // a pass).
    mutable MemDatArray sampledFrom_{};
    std::shared_ptr<const ProcessHistories> processes_;
    std::unique_ptr<Memory_MenuController> controller_;
    int redrawsSinceOpen_ = 0;
    PurgeConfirmation confirmation_;
    std::unique_ptr<MemoryPurger> purger_;
};

} // namespace orb
