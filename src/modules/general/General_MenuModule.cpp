#include "modules/general/General_MenuModule.h"

#include "modules/BaseMenuItems.h"
#include "modules/general/BatteryIcon.h"
#include "modules/general/General_BlueToothDevice.h"
#include "platform/Logging.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWidgetAction>
#include <algorithm>

#ifndef ORB_HOMEPAGE
#define ORB_HOMEPAGE ""
#endif

namespace orb {
namespace {

QString uiText(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

const std::shared_ptr<const PowerState> &noPower()
{
    static const std::shared_ptr<const PowerState> empty = std::make_shared<PowerState>();
    return empty;
}

// Battery keys never have all bits set.
constexpr quint64 kAppIconKey = ~quint64(0);

QImage shrunk(const QImage &image, int points)
{
    QImage out = image.scaled(points * 2, points * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    out.setDevicePixelRatio(2.0);
    return out;
}

} // namespace

General_MenuModule::General_MenuModule(MenuModuleDelegate *delegate)
    : MenuModule(ModuleId::General, delegate), power_(noPower()), userDefaults_(SettingsStore::open())
{
}

General_MenuModule::~General_MenuModule() = default;

QString General_MenuModule::homePage()
{
    const QUrl url(QStringLiteral(ORB_HOMEPAGE));
    if (url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty())
        return url.toString();
    return {};
}

void General_MenuModule::applySettings()
{
    if (myDefaults().isSharedWith(settingsSource_) && !settingsSource_.isEmpty())
        return;
    settingsSource_ = myDefaults();
    settings_.displayOrbIcon = settingsSource_.value(QStringLiteral("DisplayOrbIcon")).toLongLong();
    QImage icon = settingsSource_.value(QStringLiteral("N01")).value<QImage>();
    if (icon.isNull())
        icon = QImage(QStringLiteral(":/icons/orbmeter.png"));
    settings_.menuIcon = shrunk(icon, kIconPoints);
    iconKey_.reset();
    updateHeadline();
}

void General_MenuModule::setSensorData(const SensorData &data)
{
    const std::shared_ptr<const PowerState> next = data.power ? data.power : noPower();
    if (next == power_)
        return;
    power_ = next;
    updateToolTip();
    updateHeadline();
    // A closed menu follows devices coming and going at once (trays may read its items
    // without opening it); an open one keeps its rows until it closes.
    if (!menuOpened() && rowKeys() != builtKeys_)
        addtionalMiscMenus();
}

void General_MenuModule::updateToolTip()
{
    if (!statusItem())
        return;
    QStringList lines;
    if (const auto &b = power_->battery) {
        const int p = b->percentOrMissing();
        QString line = uiText("Battery %1").arg(p >= 0 ? QStringLiteral("%1%").arg(p) : QStringLiteral("---"));
        if (b->charging)
            line += QStringLiteral(", ") + uiText("charging");
        else if (b->externalPower)
            line += QStringLiteral(", ") + uiText("on the charger");
        else if (b->minutesToEmpty)
            line += QStringLiteral(", ") + uiText("%1 left").arg(buildBatteryRemain(b->minutesToEmpty));
        lines << line;
    }
    for (const PeripheralDevice &d : power_->devices)
        lines << (d.percent ? QStringLiteral("%1 %2%").arg(d.name).arg(*d.percent) : d.name);
    const QString title = PrefFunctions::applicationName();
    const QString text = lines.join(QLatin1Char('\n'));
    if (statusItem()->toolTipTitle() != title || statusItem()->toolTipText() != text)
        statusItem()->setToolTip(title, text);
}

TrayHeadline General_MenuModule::compactHeadline() const
{
    TrayHeadline h;
    if (settings_.displayOrbIcon != 2 || !power_->battery)
        return h;
    const InternalBattery &b = *power_->battery;
    const QString kind = b.charging ? QStringLiteral("CHG ") : b.externalPower ? QStringLiteral("AC ")
                                                                               : QStringLiteral("BAT ");
    const int p = b.percentOrMissing();
    // A charge the power service did not give is shown as missing, not as an empty cell.
    if (p < 0) {
        h.label = kind + QStringLiteral("--");
        return h;
    }
    h.gauge = TrayHeadline::Gauge::Bar;
    h.fraction = std::clamp(p / 100.0, 0.0, 1.0);
    h.label = kind + QString::number(p) + QLatin1Char('%');
    if (b.charging)
        h.colour = QColor(0x4a, 0x9d, 0xf0);
    else if (p <= 10)
        h.colour = QColor(0xf0, 0x4a, 0x3c);
    else if (p <= 20)
        h.colour = QColor(0xf5, 0xb0, 0x2e);
    else
        h.colour = QColor(0x4c, 0xc2, 0x6e);
    return h;
}

void General_MenuModule::updateHeadline()
{
    if (statusItem())
        statusItem()->setHeadline(compactHeadline());
}

void General_MenuModule::initDrawStatusBar(StatusBarHost &host)
{
    MenuModule::initDrawStatusBar(host);
    updateToolTip();
    refreshBar();
    updateHeadline();
}

void General_MenuModule::setIcon(const QImage &image, quint64 key)
{
    if (!statusItem() || key == iconKey_)
        return;
    iconKey_ = key;
    statusItem()->setImage(image, false);
}

bool General_MenuModule::wantsEveryTick() const
{
    if (blinkIconBool_)
        return true;
    return settings_.displayOrbIcon == 2 && power_ && power_->battery && power_->battery->externalPower;
}

void General_MenuModule::refreshBar()
{
    applySettings();
    if (!blinkIconBool_) {
        if (settings_.displayOrbIcon == 2 && power_->battery) {
            const InternalBattery &b = *power_->battery;
            ++showBatteryLevel_;
            // The overlay cycles through frames 0..4 while charging, 0..3 on the charger.
            if (b.charging && b.externalPower && showBatteryLevel_ > 4)
                showBatteryLevel_ = 0;
            if (!b.charging && b.externalPower && showBatteryLevel_ >= 4)
                showBatteryLevel_ = 0;
            const int mode = b.charging ? BatteryIcon::Charging : b.externalPower ? BatteryIcon::OnCharger
                                                                                  : BatteryIcon::NoOverlay;
            const int p = b.percentOrMissing();
            const qint64 frame = mode == BatteryIcon::NoOverlay ? 0 : showBatteryLevel_;
            showOrbIcon_ = false;
            setIcon(BatteryIcon::icon(p, mode, frame, 1.0, kIconPoints),
                    BatteryIcon::iconKey(p, mode, frame, 1.0, kIconPoints));
            return;
        }
        showOrbIcon_ = true;
        setIcon(settings_.menuIcon, kAppIconKey);
        return;
    }
    // Blinking: the lowest wireless device's charge (a full cell when none reports one).
    int lowest = 999;
    bool charging = false;
    for (const PeripheralDevice &d : power_->devices) {
        if (d.percent && *d.percent < lowest) {
            lowest = *d.percent;
            charging = d.charging;
        }
    }
    const int mode = charging ? BatteryIcon::Charging : BatteryIcon::NoOverlay;
    setIcon(BatteryIcon::icon(lowest, mode, 4, 1.0, kIconPoints), BatteryIcon::iconKey(lowest, mode, 4, 1.0, kIconPoints));
}

void General_MenuModule::cycleStatusMenu()
{
    applySettings();
    if (!showOrbIcon_) {
        blinkIconBool_ = false;
    } else if (showBatteryIcon_) {
        blinkIconBool_ = !power_->devices.empty() && !blinkIconBool_;
    } else if (settings_.displayOrbIcon != 2 && !blinkIconBool_) {
        // The application icon stays as it is; only an open menu is refreshed.
        if (menuOpened())
            redrawStatusItem();
        return;
    } else {
        blinkIconBool_ = false;
    }
    refreshBar();
    if (menuOpened())
        redrawStatusItem();
}

void General_MenuModule::drawBaseStatusBar()
{
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    applySettings();
    removeDiskMenus();
    menu->clear();
    BaseMenuItems::addPreferenceItem(*menu, myDefaults(), [this] {
        if (delegate())
            delegate()->openPreferenceTab(ModuleCatalog::info(ModuleId::General).tabIndex);
    });
    // The General menu always offers the three applications (it has no switches for them).
    QVariantMap always = myDefaults();
    for (const char *flag : {"Amon", "Cnsl", "Tmnl"})
        always.insert(QStringLiteral("General_Always_") + QLatin1String(flag), true);
    BaseMenuItems::addLauncherItems(*menu, always, QStringLiteral("General_Always_"));
    addtionalMiscMenus();
}

QStringList General_MenuModule::rowKeys() const
{
    QStringList keys;
    if (power_->battery)
        keys << General_BlueToothDevice::kBatteryKey;
    for (const PeripheralDevice &d : power_->devices)
        keys << deviceKey(d);
    return keys;
}

void General_MenuModule::removeDiskMenus()
{
    QMenu *menu = statusMenu();
    if (!menu)
        return;
    for (QAction *a : menu->actions()) {
        if (BaseMenuItems::tag(a) < kRowsSeparatorTag)
            continue;
        menu->removeAction(a);
        a->deleteLater();
    }
    builtKeys_.clear();
}

void General_MenuModule::addRow(QMenu &menu, const QString &key, const QString &title, bool isBattery, int tag)
{
    auto *row = new General_BlueToothDevice(key, isBattery);
    if (isBattery)
        row->setMachine(userDefaults_->stringForKey(QStringLiteral("MacRealName")),
                        userDefaults_->stringForKey(QStringLiteral("MacIconName")));
    row->setClickHandler([this, isBattery](bool keepOpen) { rowClicked(!isBattery, keepOpen); });
    auto *action = new QWidgetAction(&menu);
    action->setDefaultWidget(row);
    action->setText(BaseMenuItems::escaped(title));
    BaseMenuItems::setTag(action, tag);
    menu.addAction(action);
}

void General_MenuModule::addtionalMiscMenus()
{
    QMenu *menu = statusMenu();
    if (!menu || menu->actions().isEmpty())
        return;
    removeDiskMenus();
    const PowerState &s = *power_;
    int tag = kFirstRowTag;
    if (s.battery || !s.devices.empty())
        BaseMenuItems::setTag(menu->addSeparator(), kRowsSeparatorTag);
    if (s.battery)
        addRow(*menu, General_BlueToothDevice::kBatteryKey, s.battery->name, true, tag++);
    for (const PeripheralDevice &d : s.devices)
        addRow(*menu, deviceKey(d), d.name, false, tag++);
    builtKeys_ = rowKeys();

    BaseMenuItems::setTag(menu->addSeparator(), kLinksSeparatorTag);
    const QVariantMap &d = myDefaults();
    const QString icon = QStringLiteral("N01");
    if (const QString home = homePage(); !home.isEmpty())
        BaseMenuItems::addCommandItem(*menu, uiText("Visit Web Site..."), kWebSiteTag, d, icon,
                                      [this, home] { openUrl_ ? openUrl_(QUrl(home)) : QDesktopServices::openUrl(QUrl(home)); });
    BaseMenuItems::addCommandItem(*menu, uiText("Open Application Support Folder..."), kSupportFolderTag, d, icon, [this] {
        const QString dir = ThemeStore::checkAndRetMyApplicationSupportDir();
        if (dir.isEmpty()) {
            qCWarning(lcModules) << "the application data folder could not be created";
            return;
        }
        const QUrl url = QUrl::fromLocalFile(dir);
        if (!(openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url)))
            qCWarning(lcModules).noquote() << "no file manager opened" << dir;
    });
    const QString app = PrefFunctions::applicationName();
    BaseMenuItems::addCommandItem(*menu, uiText("Open Folder that Contained %1").arg(app), kExecutableFolderTag, d, icon,
                                  [this] {
                                      const QUrl url = QUrl::fromLocalFile(QCoreApplication::applicationDirPath());
                                      if (!(openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url)))
                                          qCWarning(lcModules).noquote() << "no file manager opened" << url.toLocalFile();
                                  });
    BaseMenuItems::setTag(menu->addSeparator(), kQuitSeparatorTag);
    BaseMenuItems::addCommandItem(*menu, uiText("Quit %1").arg(app), kQuitTag, d, icon, [this] { quitMySelf(); });
    redrawStatusItem();
}

std::vector<General_BlueToothDevice *> General_MenuModule::rows() const
{
    std::vector<General_BlueToothDevice *> out;
    if (!statusMenu())
        return out;
    for (QAction *a : statusMenu()->actions())
        if (auto *w = qobject_cast<QWidgetAction *>(a))
            if (auto *row = qobject_cast<General_BlueToothDevice *>(w->defaultWidget()))
                out.push_back(row);
    return out;
}

void General_MenuModule::redrawStatusItem()
{
    if (!statusMenu() || statusMenu()->actions().isEmpty())
        return;
    // A closed menu follows devices coming and going; an open one keeps its rows.
    if (!menuOpened() && rowKeys() != builtKeys_) {
        addtionalMiscMenus();
        return;
    }
    const PowerState &s = *power_;
    for (General_BlueToothDevice *row : rows()) {
        if (row->key() == General_BlueToothDevice::kBatteryKey) {
            if (s.battery)
                row->drawItn(*s.battery);
            else
                row->markGone();
        } else if (const PeripheralDevice *d = s.findDevice(row->key())) {
            row->drawBid(*d);
        } else {
            row->markGone();
        }
    }
}

void General_MenuModule::menuWillOpen()
{
    addtionalMiscMenus();
    MenuModule::menuWillOpen();
}

void General_MenuModule::menuDidClose()
{
    MenuModule::menuDidClose();
    redrawStatusItem();
}

void General_MenuModule::menuAutoClose()
{
    if (statusItem())
        statusItem()->closeMenu();
    else if (statusMenu())
        statusMenu()->hide();
}

void General_MenuModule::rowClicked(bool bluetooth, bool keepMenuOpen)
{
    if (!keepMenuOpen)
        menuAutoClose();
    const LaunchTarget target = bluetooth ? LaunchTarget::BluetoothSettings : LaunchTarget::PowerSettings;
    if (!AppLauncher::launch(target))
        qCInfo(lcModules).noquote() << "nothing installed to show" << AppLauncher::title(target);
}

void General_MenuModule::quitMySelf()
{
    qCInfo(lcModules) << "quit chosen from the menu";
    userDefaults_->synchronize();
    if (quit_) {
        quit_();
        return;
    }
    // The controller is torn down as the event loop returns: items leave the tray, the
    // settings are written once more.
    QCoreApplication::exit(0);
}

} // namespace orb
