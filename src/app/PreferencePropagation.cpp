#include "app/PreferencePropagation.h"

#include "app/AppDelegate.h"
#include "collect/SensorTable.h"
#include "modules/temp/Temp_MenuModule.h"
#include "platform/Logging.h"
#include "prefs/ModuleTabViewController.h"
#include "prefs/PreferenceWindow.h"
#include "prefs/TopTabViewController.h"
#include "settings/ThemeStore.h"
#include "toolkit/OrbColors.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace orb {

namespace {

using namespace PrefNotice;

bool flag(const QVariantMap &info, const char *key) { return info.value(QLatin1String(key)).toBool(); }

// The modules other than General, in the order the handler walks them.
constexpr ModuleId kModuleOrder[] = {ModuleId::Cpu,  ModuleId::Memory, ModuleId::Network,
                                     ModuleId::Disk, ModuleId::Volume, ModuleId::Temp,
                                     ModuleId::Fan,  ModuleId::Vnc,    ModuleId::Gpu};

// Folds a later notification of the same name into one still waiting: switches add up, a
// later font field replaces an earlier one unless it leaves it unchanged.
void merge(QVariantMap &into, const QVariantMap &later)
{
    for (auto it = later.cbegin(); it != later.cend(); ++it) {
        const QString &key = it.key();
        const QVariant &value = it.value();
        if (value.typeId() == QMetaType::Bool) {
            into.insert(key, into.value(key).toBool() || value.toBool());
        } else if (key == QLatin1String(kFontName) || key == QLatin1String(kFontStyle)
                   || key == QLatin1String(kFontPostScriptName)) {
            if (value.toString() != QLatin1String(kUnchangedText) || !into.contains(key))
                into.insert(key, value);
        } else if (key == QLatin1String(kFontAdjust) || key == QLatin1String(kFontSizeDiff)) {
            if (value.toLongLong() > kUnchangedNumber + 1 || !into.contains(key))
                into.insert(key, value);
        } else {
            into.insert(key, value);
        }
    }
}

} // namespace

PreferencePropagation::PreferencePropagation(AppDelegate &app) : app_(app)
{
    for (QTimer *t : {&handleTimer_, &themeWriteTimer_, &appearanceTimer_, &rebootTimer_, &permitTimer_})
        t->setSingleShot(true);
    handleTimer_.setInterval(kHandleDelayMs);
    themeWriteTimer_.setInterval(kThemeWriteDelayMs);
    appearanceTimer_.setInterval(kAppearanceDelayMs);
    rebootTimer_.setInterval(kRebootDelayMs);
    permitTimer_.setInterval(kPermitMenuDelayMs);
    connect(&center_, &PreferenceCenter::posted, this, &PreferencePropagation::notifFromPref);
    connect(&handleTimer_, &QTimer::timeout, this, &PreferencePropagation::processPending);
    connect(&themeWriteTimer_, &QTimer::timeout, this, &PreferencePropagation::writeToColorThemeFile);
    connect(&appearanceTimer_, &QTimer::timeout, this, [this] {
        if (!changingAppearanceBool_)
            return;
        app_.applyAppearanceMode();
        changingAppearanceBool_ = false;
        handDefaultsToTabs();
        Q_EMIT appearanceApplied();
    });
    connect(&rebootTimer_, &QTimer::timeout, this, [this] {
        changeRebootPool_ = false;
        app_.rebootMeSetting();
    });
    connect(&permitTimer_, &QTimer::timeout, this, [this] { permitMenuOpen(true); });
    rebootDaysInt_ = app_.chkGeneInteger(QStringLiteral("RebootRegularlyDays"));
}

PreferencePropagation::~PreferencePropagation() = default;

void PreferencePropagation::notifFromPref(const QString &name, const QVariantMap &userInfo)
{
    QVariantMap info = userInfo;
    QList<QPair<QString, QColor>> colors;
    const QString colorKey = info.take(QLatin1String(kChangeColorKey)).toString();
    const QVariant colorVal = info.take(QLatin1String(kChangeColorVal));
    if (!colorKey.isEmpty() && colorVal.canConvert<QColor>() && colorVal.value<QColor>().isValid())
        colors.append({colorKey, colorVal.value<QColor>()});
    auto same = std::find_if(pending_.begin(), pending_.end(), [&](const Pending &p) { return p.name == name; });
    if (same != pending_.end()) {
        merge(same->info, info);
        same->colors += colors;
    } else {
        pending_.push_back({name, info, colors});
    }
    if (!handleTimer_.isActive())
        handleTimer_.start();
}

void PreferencePropagation::processPending()
{
    // The settings are replaced only between passes; a running pass is waited out by
    // trying again, never by blocking here.
    if (app_.isBusy()) {
        handleTimer_.start();
        return;
    }
    std::vector<Pending> batch;
    batch.swap(pending_);
    for (const Pending &notification : batch)
        processNotifFromPref(notification);
}

bool PreferencePropagation::applyThemeEdits(const Pending &n)
{
    QVariantMap &theme = app_.themeColorDict();
    const QVariantMap &info = n.info;
    if (flag(info, kFontChanged)) {
        for (const char *key : {kFontName, kFontStyle, kFontPostScriptName}) {
            const QString value = info.value(QLatin1String(key)).toString();
            if (info.contains(QLatin1String(key)) && value != QLatin1String(kUnchangedText))
                theme.insert(QLatin1String(key), value);
        }
        for (const char *key : {kFontAdjust, kFontSizeDiff}) {
            const qint64 value = info.value(QLatin1String(key)).toLongLong();
            if (info.contains(QLatin1String(key)) && value >= kUnchangedNumber + 1)
                theme.insert(QLatin1String(key), value);
        }
        if (ThemeStore::saveNowTheme(theme))
            Q_EMIT themeFileWritten();
        else
            qCWarning(lcPrefs) << "the theme file could not be written; the font change lasts until the next start";
        return true;
    }
    if (!n.colors.isEmpty()) {
        for (const auto &[key, color] : n.colors)
            theme.insert(key, OrbColors::retArrayFromColor(color));
        if (changeColorPool_) {
            // The pending write picks these colours up and reloads every module once; the
            // cheap parts of what the notification asked for are kept.
            pooledAllocNow_ = pooledAllocNow_ || flag(info, kModuleAllocNow);
            if (const auto id = PreferenceCenter::moduleForName(n.name)) {
                MenuModule *item = app_.statusModule(*id);
                if (item && flag(info, kModuleItemRefreshNow))
                    item->setMenuItemRefresh(true);
                if (auto *temp = dynamic_cast<Temp_MenuModule *>(item); temp && flag(info, kChangeMenuCount))
                    temp->resetMenuNowCount();
            }
            return false;
        }
        changeColorPool_ = true;
        themeWriteTimer_.start();
    }
    if (flag(info, kModuleThemeChanged)) {
        // No module menu may open while the theme changes.
        permitTimer_.stop();
        permitMenuOpen(false);
        app_.reloadTheme();
    }
    return true;
}

void PreferencePropagation::processNotifFromPref(const Pending &n)
{
    if (applyThemeEdits(n)) {
        const std::optional<ModuleId> id = PreferenceCenter::moduleForName(n.name);
        if (id == ModuleId::General)
            handleGeneral(n.info);
        else if (id)
            handleModule(*id, n.info);
    }
    handDefaultsToTabs();
    if (flag(n.info, kModuleThemeChanged)) {
        if (window_) {
            for (ModuleId m : kModuleOrder)
                if (ModuleTabViewController *tab = window_->moduleTab(m))
                    tab->resetViews(-1);
            window_->generalTab()->resetViews(-1);
            window_->generalTab()->rebuildThemeMenus();
            window_->generalTab()->rebuildFontMenus();
        }
        permitTimer_.start();
    }
    Q_EMIT notificationHandled(n.name);
}

void PreferencePropagation::rebuild(ModuleId id)
{
    app_.rebuildModuleDefaults(id);
    Q_EMIT moduleDefaultsRebuilt(id);
}

void PreferencePropagation::handleGeneral(const QVariantMap &info)
{
    const bool allocNow = flag(info, kModuleAllocNow);
    // Every item goes and comes back in the fixed order; the rebuilt settings below are
    // then taken by the new items as they are made.
    if (allocNow)
        app_.allModulesDisable();
    rebuild(ModuleId::General);
    app_.reDrawModule(ModuleId::General, true);
    const qint64 days = app_.chkGeneInteger(QStringLiteral("RebootRegularlyDays"));
    if (days != rebootDaysInt_) {
        rebootDaysInt_ = days;
        // Several changes within a second re-arm the restart once, with the last value.
        if (!changeRebootPool_) {
            changeRebootPool_ = true;
            rebootTimer_.start();
        }
    }
    if (flag(info, kModuleDefaultReload)) {
        for (ModuleId id : kModuleOrder) {
            rebuild(id);
            app_.reDrawModule(id, true);
        }
    }
    app_.checkDrawMenu();
}

void PreferencePropagation::handleModule(ModuleId id, const QVariantMap &info)
{
    const bool allocNow = flag(info, kModuleAllocNow);
    if (id == ModuleId::Temp && flag(info, kChangeMenuCount))
        if (auto *temp = dynamic_cast<Temp_MenuModule *>(app_.statusModule(id)))
            temp->resetMenuNowCount();
    rebuild(id);
    MenuModule *before = app_.statusModule(id);
    if (allocNow)
        app_.allModulesDisable();
    // The launch keys follow the stored switches.
    rebuild(ModuleId::General);
    app_.checkDrawMenu();
    MenuModule *item = app_.statusModule(id);
    // An item made just now was drawn with the new settings already.
    if (!allocNow && item && item == before)
        app_.reDrawModule(id, true);
    if (item && flag(info, kModuleItemRefreshNow))
        item->setMenuItemRefresh(true);
    if (window_)
        if (ModuleTabViewController *tab = window_->moduleTab(id)) {
            tab->setMyDefaults(app_.moduleDefaults(id));
            tab->resetViews(-1);
        }
}

void PreferencePropagation::writeToColorThemeFile()
{
    if (ThemeStore::saveNowTheme(app_.themeColorDict()))
        Q_EMIT themeFileWritten();
    else
        qCWarning(lcPrefs) << "the theme file could not be written; colour changes last until the next start";
    changeColorPool_ = false;
    // One reload makes every module take all colours of the burst.
    QVariantMap info{{QLatin1String(kModuleDefaultReload), true}};
    if (pooledAllocNow_)
        info.insert(QLatin1String(kModuleAllocNow), true);
    pooledAllocNow_ = false;
    notifFromPref(PreferenceCenter::notificationName(ModuleId::General), info);
}

void PreferencePropagation::handDefaultsToTabs()
{
    if (!window_)
        return;
    window_->generalTab()->setMyDefaults(app_.retAllMyDefault());
    window_->generalTab()->update();
    for (ModuleId id : kModuleOrder)
        if (ModuleTabViewController *tab = window_->moduleTab(id)) {
            tab->setMyDefaults(app_.moduleDefaults(id));
            tab->update();
        }
}

PreferenceWindow &PreferencePropagation::drawModuleTabViewControllers()
{
    if (window_)
        return *window_;
    window_ = std::make_unique<PreferenceWindow>(app_.settings(), center_);
    handDefaultsToTabs();
    window_->generalTab()->rebuildFontMenus();
    window_->generalTab()->resetViews(-1);
    for (ModuleId id : kModuleOrder)
        if (ModuleTabViewController *tab = window_->moduleTab(id))
            tab->resetViews(-1);
    updateTempSensorList();
    connect(window_.get(), &PreferenceWindow::tabSelected, this, &PreferencePropagation::tabSelected);
    for (const TopTabViewController::Box &b : TopTabViewController::boxes())
        window_->generalTab()->setModuleAvailable(b.module, app_.hardwarePresent(b.module));
    connect(window_->generalTab(), &TopTabViewController::ddnsRunRequested, this, [this] { app_.forcedExecutionDdns(); });
    connect(window_->generalTab(), &TopTabViewController::trayStyleChosen, this,
            [this](TrayStyle style) { app_.setTrayStyle(style); });
    connect(window_.get(), &PreferenceWindow::closed, this, &PreferencePropagation::refreshAllMenuModules);
    return *window_;
}

void PreferencePropagation::updateTempSensorList()
{
    ModuleTabViewController *tab = window_ ? window_->moduleTab(ModuleId::Temp) : nullptr;
    if (!tab)
        return;
    QStringList labels;
    if (const std::shared_ptr<const SensorTable> table = app_.infoDict().sensorTable) {
        for (const SensorEntry &e : table->temps)
            labels << e.label;
        if (table->battery)
            labels << table->battery->label;
    }
    tab->setPopUpTexts(QStringLiteral("Temp_ShowTempOnMenu"), labels);
}

void PreferencePropagation::openPreferenceTab(int tabIndex)
{
    if (tabIndex < 0 || tabIndex >= PreferenceWindow::kTabCount)
        tabIndex = 1;
    openedTabNum_ = tabIndex;
    PreferenceWindow &w = drawModuleTabViewControllers();
    if (tabIndex == ModuleCatalog::info(ModuleId::Temp).tabIndex)
        updateTempSensorList();
    w.selectTab(tabIndex);
    if (!w.isVisible()) {
        // Centred on the screen, so it never covers a panel at an edge.
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = w.frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            w.move(frame.topLeft());
        }
        w.show();
    }
    w.raise();
    w.activateWindow();
    redrawPrefTabModules();
}

void PreferencePropagation::tabSelected(int tabIndex)
{
    openedTabNum_ = tabIndex;
    if (tabIndex == ModuleCatalog::info(ModuleId::General).tabIndex && window_) {
        window_->generalTab()->rebuildThemeMenus();
        window_->generalTab()->rebuildFontMenus();
        window_->generalTab()->loadModuleEnabled();
    }
    redrawPrefTabModules();
    refreshAllMenuModules();
}

void PreferencePropagation::redrawPrefTabModules()
{
    if (!window_)
        return;
    if (openedTabNum_ == ModuleCatalog::info(ModuleId::General).tabIndex) {
        window_->generalTab()->resetViews(-1);
        window_->generalTab()->redrawTopTabViews(app_.infoDict());
        return;
    }
    for (ModuleId id : kModuleOrder)
        if (ModuleCatalog::info(id).tabIndex == openedTabNum_)
            if (ModuleTabViewController *tab = window_->moduleTab(id)) {
                tab->refreshContentView(app_.infoDict());
                tab->resetViews(-1);
            }
}

void PreferencePropagation::cycleRedraw()
{
    if (!window_ || !window_->isVisible() || window_->isMinimized())
        return;
    const int general = ModuleCatalog::info(ModuleId::General).tabIndex;
    if (openedTabNum_ == general) {
        window_->generalTab()->redrawTopTabViews(app_.infoDict());
        return;
    }
    for (ModuleId id : kModuleOrder)
        if (ModuleCatalog::info(id).tabIndex == openedTabNum_)
            if (ModuleTabViewController *tab = window_->moduleTab(id))
                tab->refreshContentView(app_.infoDict());
}

void PreferencePropagation::permitMenuOpen(bool permit)
{
    for (ModuleId id : kModuleOrder)
        if (MenuModule *item = app_.statusModule(id))
            item->setPermitOpen(permit);
}

void PreferencePropagation::refreshAllMenuModules()
{
    for (ModuleId id : kModuleOrder) {
        const char *launchKey = ModuleCatalog::info(id).launchKey;
        if (*launchKey && app_.chkGeneBool(QLatin1String(launchKey)))
            if (MenuModule *item = app_.statusModule(id))
                item->refreshBar();
    }
}

void PreferencePropagation::changeAppearanceMode()
{
    // Calls within the half second are absorbed.
    if (changingAppearanceBool_)
        return;
    changingAppearanceBool_ = true;
    appearanceTimer_.start();
}

} // namespace orb
