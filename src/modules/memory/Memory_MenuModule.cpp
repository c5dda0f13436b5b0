#include "modules/memory/Memory_MenuModule.h"

#include "modules/BaseMenuItems.h"
#include "modules/memory/Memory_MenuController.h"
#include "platform/Logging.h"
#include "platform/linux/MemoryPurger.h"
#include "platform/statusbar/StatusItemHost.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <limits>

namespace orb {
namespace {

constexpr int kConfirmDelayMs = 500;

int64_t saturate(__int128 v)
{
    constexpr int64_t max = std::numeric_limits<int64_t>::max();
    if (v > max)
        return max;
    return v < 0 ? 0 : static_cast<int64_t>(v);
}

QString localized(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

} // namespace

QVariantMap Memory_MenuModule::menuGraphDefaults()
{
    return {{QStringLiteral("Memory_Display_Graph"), true},
            {QStringLiteral("Memory_Display_LevelBar"), false},
            {QStringLiteral("Memory_Display_CircleMeter"), false},
            {QStringLiteral("Memory_Display_Text"), false},
            {QStringLiteral("Memory_Display_DetailText"), false},
            {QStringLiteral("Memory_GraphWidth"), qint64(492)},
            {QStringLiteral("Memory_ShowMyLabel"), false},
            // The graph is drawn even when the user's order left its code out.
            {QStringLiteral("MemoryItemSortArray"), QVariantList{qint64(1)}}};
}

Memory_MenuModule::Memory_MenuModule(MenuModuleDelegate *delegate)
    : GraphMenuModule(ModuleId::Memory, delegate, menuGraphDefaults(), QStringLiteral("Memory_EnaMenu_"),
                      QStringLiteral("Memory_GraphWidth"))
{
}

Memory_MenuModule::~Memory_MenuModule() = default;

void Memory_MenuModule::setSensorData(const SensorData &data)
{
    processes_ = data.processes;
    if (!data.memory)
        return;
    resumeArray_ = *data.memory;
    memoryPageSize_ = data.memoryPageSize;
    memoryTotlSize_ = data.memoryTotlSize;
    if (!resumeArray_.empty())
        memDatArray_ = retMemDatArray(resumeArray_.back(), memoryPageSize_, memoryTotlSize_);
}

MemDatArray Memory_MenuModule::retMemDatArray(const MemorySample &s, uint64_t pageSize, uint64_t total)
{
    MemDatArray f{};
    if (pageSize == 0)
        return f;
    const auto bytes = [&](std::size_t entry) { return saturate(static_cast<__int128>(s[entry]) * pageSize); };
    f[0] = bytes(0);
    f[1] = bytes(1);
    f[2] = bytes(2);
    f[3] = bytes(3);
    f[4] = bytes(7);
    f[5] = bytes(8);
    f[6] = saturate(static_cast<__int128>(f[0]) + f[1]);
    f[7] = saturate(static_cast<__int128>(f[5]) + f[4] + f[0]);
    // Never below 0: an odd reading whose parts exceed the installed memory leaves none.
    f[8] = saturate(static_cast<__int128>(total) - f[7]);
    f[9] = bytes(9);
    f[10] = s[4];
    f[11] = s[5];
    return f;
}

void Memory_MenuModule::computeTextWidths() const
{
    if (!measuredSamples_.isEmpty() && measuredWith_.isSharedWith(myDefaults()) && sampledFrom_ == memDatArray_)
        return;
    sampledFrom_ = memDatArray_;
    const MemoryItemSettings &st = settings_.of(myDefaults());
    // Width samples are built on the stack: the figures move every pass, the samples seldom.
    const auto sample = [&](int figure) {
        return OrbFormat::memorySizeText(memDatArray_[static_cast<std::size_t>(figure)], st.unit).eightNumber();
    };
    // The longer of two width samples, the second when they are equally long.
    const auto longer = [&](int a, int b) {
        OrbFormat::FixedText first = sample(a);
        OrbFormat::FixedText second = sample(b);
        return first.view().size() > second.view().size() ? first : second;
    };
    const std::array<OrbFormat::FixedText, 3> samples{longer(7, 8), st.traditional ? longer(0, 1) : longer(5, 0),
                                                      st.traditional ? longer(2, 3) : longer(4, 8)};
    // The samples only change when a figure gains a digit or changes unit: measure then.
    if (measuredWith_.isSharedWith(myDefaults())
        && std::ranges::equal(samples, measuredSamples_, {}, &OrbFormat::FixedText::view))
        return;
    const auto measure = [&](const QString &text) { return OrbFormat::calcMenuLabelSize({text}, st.fontSize, st.fontName); };
    measuredSamples_ = {samples[0].toString(), samples[1].toString(), samples[2].toString()};
    myTextWidth_ = measure(measuredSamples_[0]) + st.textHeaderWidth;
    detailWidthL_ = measure(measuredSamples_[1]) + st.detailLeftHeaderWidth;
    detailWidthR_ = measure(measuredSamples_[2]) + st.detailRightHeaderWidth;
    measuredWith_ = myDefaults();
}

ElementWidths Memory_MenuModule::elementWidths(const OrbEdgeInsets &insets, double height) const
{
    const MemoryItemSettings &st = settings_.of(myDefaults());
    computeTextWidths();
    ElementWidths widths;
    for (const int code : st.order) {
        switch (code) {
        case 1:
            if (st.showGraph)
                widths.push_back(st.graphWidth);
            break;
        case 2:
            if (st.showLevelBar)
                widths.push_back(8.0);
            break;
        case 3:
            if (st.showCircleMeter)
                widths.push_back(height - insets.top - insets.bottom);
            break;
        case 4:
            if (st.showText)
                widths.push_back(myTextWidth_);
            break;
        case 5:
            if (st.showDetailText)
                widths.push_back(2.0 + detailWidthL_ + detailWidthR_);
            break;
        default:
            break;
        }
    }
    return widths;
}

std::unique_ptr<ModuleImageView> Memory_MenuModule::makeImageView() const
{
    return std::make_unique<ImageMemoryBar>(memoryPageSize_, memoryTotlSize_);
}

std::optional<size_t> Memory_MenuModule::imageDigest() const
{
    const std::optional<size_t> shown = ImageMemoryBar::imageDigest(memDatArray_, memoryPageSize_, memoryTotlSize_,
                                                                     settings_.of(myDefaults()), menuOpened());
    if (!shown)
        return std::nullopt;
    // The text widths follow the figures' digits and units.
    return qHashMulti(*shown, myTextWidth_, detailWidthL_, detailWidthR_);
}

void Memory_MenuModule::prepareView(ModuleImageView &view) const
{
    auto &bar = static_cast<ImageMemoryBar &>(view);
    bar.setMemorySizes(memoryPageSize_, memoryTotlSize_);
    bar.setResumeArray(resumeArray_);
    bar.setMemDatArray(memDatArray_);
    bar.setTextWidths(myTextWidth_, detailWidthL_, detailWidthR_);
}

void Memory_MenuModule::addCommandItems(QMenu &menu)
{
    BaseMenuItems::addCommandItem(menu, localized("Purge Memory..."), kPurgeTag, myDefaults(), QStringLiteral("O02"),
                                  [this] { purgeMemory(); });
}

double Memory_MenuModule::usedShare() const
{
    return std::clamp(static_cast<double>(memDatArray_[7]) / static_cast<double>(memoryTotlSize_), 0.0, 1.0);
}

QColor Memory_MenuModule::headlineColour(double used)
{
    return OrbColors::retGraphColor(used, QColor(0x4a, 0x9d, 0xf0), QColor(0xf5, 0xb0, 0x2e), QColor(0xf0, 0x4a, 0x3c),
                                    false);
}

std::optional<size_t> Memory_MenuModule::headlineDigest() const
{
    if (resumeArray_.empty() || memoryTotlSize_ == 0)
        return qHashMulti(0, true);
    // What the headline shows: the whole percent (the pie is sent again with it), the colour
    // and the two sizes as printed. Memory moves by a few pages every pass; these seldom do,
    // and then nothing is built or sent.
    const double used = usedShare();
    const int unit = settings_.of(myDefaults()).unit;
    size_t seed = qHashMulti(0, false, headlineColour(used).rgba());
    seed = qHash(OrbFormat::percentText(used).view(), seed);
    for (const qint64 bytes : {memDatArray_[7], memDatArray_[8]})
        seed = qHash(OrbFormat::memorySizeText(bytes, unit).view(), seed);
    return seed;
}

TrayHeadline Memory_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (resumeArray_.empty() || memoryTotlSize_ == 0)
        return h;
    h.fraction = usedShare();
    h.label = QStringLiteral("MEM ") + OrbFormat::percent(h.fraction);
    h.gauge = TrayHeadline::Gauge::Pie;
    h.colour = headlineColour(h.fraction);
    const int unit = settings_.of(myDefaults()).unit;
    h.toolTip = QStringLiteral("Used %1\nAvailable %2")
                    .arg(OrbFormat::calcMemorySize(memDatArray_[7], unit), OrbFormat::calcMemorySize(memDatArray_[8], unit));
    return h;
}

void Memory_MenuModule::addDetailItems(QMenu &menu)
{
    controller_ = std::make_unique<Memory_MenuController>();
    controller_->addItems(menu, static_cast<int>(menuGraphDefaults().value(QStringLiteral("Memory_GraphWidth")).toInt()) + 2);
    controller_->loadBaseData(delegate() ? delegate()->menuSysroot() : std::nullopt);
}

void Memory_MenuModule::menuWillOpen()
{
    redrawsSinceOpen_ = 0;
    if (controller_)
        controller_->loadBaseData(delegate() ? delegate()->menuSysroot() : std::nullopt);
    GraphMenuModule::menuWillOpen();
}

void Memory_MenuModule::redrawStatusItem()
{
    GraphMenuModule::redrawStatusItem();
    if (!controller_ || resumeArray_.empty())
        return;
    const std::optional<Sysroot> root = delegate() ? delegate()->menuSysroot() : std::nullopt;
    controller_->replaceData(myDefaults(), memDatArray_, memoryPageSize_, memoryTotlSize_, processes_, root);
    // The swap-area count and hibernation image change rarely: read again every fifth redraw.
    if (++redrawsSinceOpen_ % 5 == 0)
        controller_->replaceDelayData(root);
}

void Memory_MenuModule::setPurger(std::unique_ptr<MemoryPurger> purger) { purger_ = std::move(purger); }

MemoryPurger *Memory_MenuModule::purger()
{
    if (!purger_)
        purger_ = std::make_unique<MemoryPurger>();
    return purger_.get();
}

void Memory_MenuModule::purgeMemory()
{
    if (statusItem())
        statusItem()->closeMenu();
    // Let the menu go away before the question appears.
    QTimer::singleShot(kConfirmDelayMs, this, [this] {
        QPointer<Memory_MenuModule> self(this);
        auto answer = [self](bool purge) {
            if (self)
                self->confirmed(purge);
        };
        if (confirmation_)
            confirmation_(answer);
        else
            showPurgeAlert(answer);
    });
}

void Memory_MenuModule::showPurgeAlert(std::function<void(bool)> answer)
{
    auto *box = new QMessageBox(QMessageBox::Warning, localized("Purge Memory?"),
                                localized("Purge Memory?"), QMessageBox::NoButton);
    box->setInformativeText(localized("You cannot operate the computer for a few minutes."));
    QPushButton *purge = box->addButton(localized("Purge"), QMessageBox::AcceptRole);
    box->addButton(localized("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(purge);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box,
                     [box, purge, answer = std::move(answer)](int) { answer(box->clickedButton() == purge); });
    box->open();
}

void Memory_MenuModule::confirmed(bool purge)
{
    if (!purge) {
        qCInfo(lcModules, "memory purge not confirmed; nothing done");
        return;
    }
    MemoryPurger *p = purger();
    if (!p->purge())
        qCInfo(lcModules, "memory purge already running; request ignored");
}

} // namespace orb
