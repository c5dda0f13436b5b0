#include "prefs/PreferenceWindow.h"

#include "prefs/CpuTabViewController.h"
#include "prefs/DiskTabViewController.h"
#include "prefs/FanTabViewController.h"
#include "prefs/GpuTabViewController.h"
#include "prefs/MemoryTabViewController.h"
#include "prefs/NetworkTabViewController.h"
#include "prefs/TempTabViewController.h"
#include "prefs/TopTabViewController.h"
#include "prefs/VNCTabViewController.h"
#include "prefs/VolumeTabViewController.h"
#include "settings/PrefFunctions.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orb {

namespace {

ModuleTabViewController *createTab(ModuleId id, SettingsStore &store, PreferenceCenter &center)
{
    switch (id) {
    case ModuleId::Cpu: return new CpuTabViewController(store, center);
    case ModuleId::Memory: return new MemoryTabViewController(store, center);
    case ModuleId::Network: return new NetworkTabViewController(store, center);
    case ModuleId::Disk: return new DiskTabViewController(store, center);
    case ModuleId::Volume: return new VolumeTabViewController(store, center);
    case ModuleId::Temp: return new TempTabViewController(store, center);
    case ModuleId::Fan: return new FanTabViewController(store, center);
    case ModuleId::Vnc: return new VNCTabViewController(store, center);
    case ModuleId::Gpu: return new GpuTabViewController(store, center);
    case ModuleId::General: break;
    }
    return nullptr;
}

QString tabTitle(const ModuleInfo &m)
{
    if (m.id == ModuleId::General)
        return QCoreApplication::translate("OrbPrefs", "Hello!");
    if (m.id == ModuleId::Vnc)
        return QCoreApplication::translate("OrbPrefs", "Screen Sharing");
    return QLatin1String(m.prefName);
}

} // namespace

PreferenceWindow::PreferenceWindow(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : QWidget(parent, Qt::Window), tabs_(new QTabWidget(this))
{
    setObjectName(QStringLiteral("preferences"));
    setWindowTitle(QStringLiteral("%1 %2").arg(PrefFunctions::applicationName(),
                                               QCoreApplication::translate("OrbPrefs", "Preferences")));
    setAccessibleName(windowTitle());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(tabs_);
    tabs_->setUsesScrollButtons(true);
    tabs_->setDocumentMode(false);

    std::array<const ModuleInfo *, kTabCount> byTab{};
    for (const ModuleInfo *m : ModuleCatalog::all())
        if (m->tabIndex >= 0 && m->tabIndex < kTabCount)
            byTab[static_cast<size_t>(m->tabIndex)] = m;
    for (int i = 0; i < kTabCount; ++i) {
        const ModuleInfo *m = byTab[static_cast<size_t>(i)];
        if (!m)
            continue;
        QWidget *content = nullptr;
        if (m->id == ModuleId::General) {
            general_ = new TopTabViewController(store, center);
            content = general_;
        } else {
            ModuleTabViewController *tab = createTab(m->id, store, center);
            modules_[static_cast<size_t>(ModuleCatalog::index(m->id))] = tab;
            content = tab;
        }
        // Long tabs scroll rather than stretch the window.
        auto *scroll = new QScrollArea;
        scroll->setObjectName(QLatin1String(m->key));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(content);
        pages_[static_cast<size_t>(i)] = scroll;
        tabs_->addTab(scroll, tabTitle(*m));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &PreferenceWindow::tabSelected);
    // A module switched in the overview: its own tab shows its switches again.
    connect(general_, &TopTabViewController::moduleSwitched, this, [this](ModuleId id) {
        if (ModuleTabViewController *tab = moduleTab(id))
            tab->loadSetting();
    });
    resize(800, 700);
}

PreferenceWindow::~PreferenceWindow() = default;

ModuleTabViewController *PreferenceWindow::moduleTab(ModuleId id) const
{
    return modules_[static_cast<size_t>(ModuleCatalog::index(id))];
}

QWidget *PreferenceWindow::page(int tabIndex) const
{
    if (tabIndex < 0 || tabIndex >= kTabCount)
        return nullptr;
    return pages_[static_cast<size_t>(tabIndex)];
}

int PreferenceWindow::currentTab() const { return tabs_->currentIndex(); }

void PreferenceWindow::selectTab(int tabIndex)
{
    if (tabIndex >= 0 && tabIndex < tabs_->count())
        tabs_->setCurrentIndex(tabIndex);
}

void PreferenceWindow::closeEvent(QCloseEvent *event)
{
    // Closing only hides the window; it comes back as it was.
    event->ignore();
    hide();
    Q_EMIT closed();
}

} // namespace orb
