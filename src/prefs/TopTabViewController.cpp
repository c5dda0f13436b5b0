#include "prefs/TopTabViewController.h"

#include "collect/PowerState.h"
#include "platform/Logging.h"
#include "prefs/ColorWell.h"
#include "prefs/ModuleSwitches.h"
#include "prefs/PreferenceCenter.h"
#include "prefs/TopWrapView.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbStrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace orb {

namespace {

QString trPrefs(const char *text) { return QCoreApplication::translate("OrbPrefs", text); }

constexpr int kAdjustRange = 10; // -10 .. +10 px
constexpr int kSizeRange = 3;    // -3 .. +3 pt
constexpr double kBaseFontSize = 10.0;
constexpr int kMaxRebootDays = 365;

// The tray styles in menu order, as stored under "TrayStyle".
constexpr TrayStyle kTrayStyles[] = {TrayStyle::Auto, TrayStyle::Wide, TrayStyle::Compact};

QCheckBox *checkBox(const char *key, const QString &title)
{
    auto *box = new QCheckBox(title);
    box->setObjectName(QLatin1String(key));
    box->setAccessibleName(title);
    return box;
}

QComboBox *menu(const char *key, const char *title)
{
    auto *box = new QComboBox;
    // Long entries (font families, theme names) do not widen the tab.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    box->setObjectName(QLatin1String(key));
    box->setAccessibleName(trPrefs(title));
    return box;
}

} // namespace

QString TopTabViewController::signedTitle(int value, const QString &unit)
{
    const QString prefix = value > 0 ? QStringLiteral("+") : value == 0 ? QStringLiteral("±") : QString();
    return prefix + QString::number(value) + unit;
}

TopTabViewController::TopTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : QWidget(parent), store_(store), center_(center)
{
    setObjectName(QStringLiteral("general"));
    setAccessibleName(trPrefs("General preferences"));
    auto *top = new QVBoxLayout(this);
    buildOverview(top);
    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *main = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(main, 2);
    top->addLayout(columns);
    buildStatusIcon(left);
    buildTheme(left);
    left->addStretch();

    auto *fontBox = new QGroupBox(trPrefs("Menu bar font"));
    auto *form = new QFormLayout(fontBox);
    family_ = menu("_FontName", "Font family");
    style_ = menu("_FontStyle", "Font style");
    adjust_ = menu("_FontAdjust", "Vertical adjustment");
    size_ = menu("_FontSizeDiff", "Size difference");
    // Read once: the installed families do not change while the window is open.
    families_ = QFontDatabase::families();
    family_->addItems(families_);
    family_->setMaxVisibleItems(20);
    for (int v = -kAdjustRange; v <= kAdjustRange; ++v)
        adjust_->addItem(signedTitle(v, QStringLiteral("px")));
    for (int v = -kSizeRange; v <= kSizeRange; ++v)
        size_->addItem(signedTitle(v, QStringLiteral("pt")));
    const std::pair<const char *, QComboBox *> rows[] = {
        {QT_TRANSLATE_NOOP("OrbPrefs", "Font family:"), family_},
        {QT_TRANSLATE_NOOP("OrbPrefs", "Font style:"), style_},
        {QT_TRANSLATE_NOOP("OrbPrefs", "Adjust:"), adjust_},
        {QT_TRANSLATE_NOOP("OrbPrefs", "Size:"), size_}};
    for (const auto &[title, box] : rows) {
        auto *label = new QLabel(trPrefs(title));
        label->setBuddy(box);
        form->addRow(label, box);
    }
    sample_ = new QLabel(QStringLiteral("CPU 42%  NET 1.2M  61°C"));
    sample_->setTextFormat(Qt::PlainText);
    sample_->setAccessibleName(trPrefs("Font sample"));
    form->addRow(new QLabel(trPrefs("Sample:")), sample_);
    main->addWidget(fontBox);
    connect(family_, &QComboBox::activated, this, &TopTabViewController::selectFamily);
    connect(style_, &QComboBox::activated, this, &TopTabViewController::selectStyle);
    connect(adjust_, &QComboBox::activated, this, &TopTabViewController::selectAdjust);
    connect(size_, &QComboBox::activated, this, &TopTabViewController::selectSize);

    auto *colorBox = new QGroupBox(trPrefs("Colours of every module"));
    auto *grid = new QGridLayout(colorBox);
    shadow_ = new ColorWell(trPrefs("Text shadow"));
    shadow_->setObjectName(QStringLiteral("Z01"));
    emptyLine_ = new ColorWell(trPrefs("Empty line"));
    emptyLine_->setObjectName(QStringLiteral("Z03"));
    int row = 0;
    for (ColorWell *well : {shadow_, emptyLine_}) {
        auto *label = new QLabel(well->toolTip());
        label->setBuddy(well);
        grid->addWidget(well, row, 0);
        grid->addWidget(label, row++, 1);
        connect(well, &ColorWell::colorChanged, this, [this, well](const QColor &c) {
            notifToModule(false, true, false, well->objectName(), c);
        });
    }
    grid->setColumnStretch(2, 1);
    main->addWidget(colorBox);
    main->addStretch();

    buildDdns(top);
    top->addStretch();
    loadSetting();
}

const std::array<TopTabViewController::Box, 9> &TopTabViewController::boxes()
{
    static const std::array<Box, 9> table{{{1, ModuleId::Cpu, "CPU"},
                                           {9, ModuleId::Gpu, "GPU"},
                                           {2, ModuleId::Memory, "MEM"},
                                           {3, ModuleId::Network, "NET"},
                                           {4, ModuleId::Disk, "DISK"},
                                           {5, ModuleId::Volume, "Vols"},
                                           {6, ModuleId::Temp, "TEMP"},
                                           {7, ModuleId::Fan, "FAN"},
                                           {8, ModuleId::Vnc, "VNC"}}};
    return table;
}

void TopTabViewController::buildOverview(QVBoxLayout *main)
{
    auto *group = new QGroupBox(trPrefs("Modules"));
    group->setAccessibleName(group->title());
    auto *layout = new QVBoxLayout(group);
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    for (size_t i = 0; i < boxes().size(); ++i) {
        const Box &b = boxes()[i];
        auto *view = new TopWrapView(b.code, QLatin1String(b.caption));
        boxes_[i] = view;
        previews_[i] = std::make_unique<ElementPreview>(b.module);
        row->addWidget(view);
        connect(view, &TopWrapView::switched, this, &TopTabViewController::switchModule);
    }
    row->addStretch();
    layout->addLayout(row);
    histogram_ = checkBox("TopHistgramPreview", OrbStrings::text("Display histgram"));
    layout->addWidget(histogram_);
    connect(histogram_, &QCheckBox::clicked, this, [this](bool on) {
        store_.setBool(QStringLiteral("TopHistgramPreview"), on);
        store_.synchronize();
        setGeneral(QStringLiteral("TopHistgramPreview"), on);
        loadModuleEnabled();
        // The boxes show their captions alone until the next pass brings data.
        refreshContentView(nullptr);
        notifToModule(false, false, false);
    });
    main->addWidget(group);
}

void TopTabViewController::buildStatusIcon(QVBoxLayout *main)
{
    auto *group = new QGroupBox(trPrefs("Behaviour"));
    group->setAccessibleName(group->title());
    auto *form = new QFormLayout(group);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);

    orbIcon_ = menu("DisplayOrbIcon", "What the General item shows");
    form->addRow(trPrefs("General item:"), orbIcon_);
    connect(orbIcon_, &QComboBox::activated, this, &TopTabViewController::selectOrbIcon);

    trayStyle_ = menu("TrayStyle", "Tray style");
    trayStyle_->addItems({trPrefs("Automatic"), trPrefs("Wide (whole image)"), trPrefs("Compact (icon and label)")});
    trayStyle_->setToolTip(trPrefs("How a system tray shows the items: the whole image, or a square icon with a short "
                                   "label for trays that make every item square. Automatic picks by the tray."));
    form->addRow(trPrefs("Tray style:"), trayStyle_);
    connect(trayStyle_, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= int(std::size(kTrayStyles)))
            return;
        const TrayStyle style = kTrayStyles[index];
        store_.setString(QStringLiteral("TrayStyle"), trayStyleName(style));
        store_.synchronize();
        Q_EMIT trayStyleChosen(style);
    });

    rebootDays_ = new QSpinBox;
    rebootDays_->setObjectName(QStringLiteral("RebootRegularlyDays"));
    rebootDays_->setRange(0, kMaxRebootDays);
    rebootDays_->setSpecialValueText(trPrefs("Never"));
    rebootDays_->setKeyboardTracking(false);
    rebootDays_->setAccessibleName(OrbStrings::text("Reboot Orbmeter regularly (days)"));
    form->addRow(OrbStrings::text("Reboot Orbmeter regularly (days)"), rebootDays_);
    connect(rebootDays_, &QSpinBox::valueChanged, this, [this](int days) {
        store_.setInteger(QStringLiteral("RebootRegularlyDays"), days);
        store_.synchronize();
        notifToModule(false, true, false);
    });

    startUp_ = checkBox("DisplayTopWindowAtStartup", OrbStrings::text("Display this window at starting up"));
    form->addRow(startUp_);
    connect(startUp_, &QCheckBox::clicked, this, [this](bool on) {
        if (on) {
            // Takes effect from the next start.
            store_.setBool(QStringLiteral("DisplayTopWindowAtStartupTmp"), true);
        } else {
            store_.setBool(QStringLiteral("DisplayTopWindowAtStartup"), false);
            // Switched on and off again in one run: the next start must not switch it on.
            store_.removeObjectForKey(QStringLiteral("DisplayTopWindowAtStartupTmp"));
        }
        store_.synchronize();
        notifToModule(false, false, false);
    });

    bidDisconnect_ =
        checkBox("BidDisconnectNotify", OrbStrings::text("Notify when the bluetooth input device is disconnected"));
    bidBattery_ = checkBox("kBidBatteryNotify",
                           OrbStrings::text("Notify when the battery of the genuine Apple bluetooth input device is 25% or less"));
    form->addRow(bidDisconnect_);
    form->addRow(bidBattery_);
    for (QCheckBox *box : {bidDisconnect_, bidBattery_}) {
        connect(box, &QCheckBox::clicked, this, [this, box](bool on) {
            store_.setBool(box->objectName(), on);
            store_.synchronize();
            // The battery notice is the General item's: it is made again.
            notifToModule(box == bidBattery_, false, false);
        });
    }
    main->addWidget(group);
}

void TopTabViewController::buildTheme(QVBoxLayout *main)
{
    auto *group = new QGroupBox(trPrefs("Theme"));
    group->setAccessibleName(group->title());
    auto *grid = new QGridLayout(group);
    theme_ = menu("Theme", "Theme");
    auto *label = new QLabel(OrbStrings::text("Theme :"));
    label->setBuddy(theme_);
    saveTheme_ = new QPushButton(OrbStrings::text("Save Theme..."));
    saveTheme_->setObjectName(QStringLiteral("SaveTheme"));
    saveTheme_->setAccessibleName(trPrefs("Save the theme as a file"));
    themeDetail_ = new QLabel;
    // Names, authors and credits come from theme files.
    themeDetail_->setTextFormat(Qt::PlainText);
    themeDetail_->setForegroundRole(QPalette::PlaceholderText);
    grid->addWidget(label, 0, 0);
    grid->addWidget(theme_, 0, 1);
    grid->addWidget(saveTheme_, 0, 2);
    grid->addWidget(themeDetail_, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(theme_, &QComboBox::activated, this, &TopTabViewController::pickTheme);
    connect(saveTheme_, &QPushButton::clicked, this, &TopTabViewController::openSaveThemeDialog);
    main->addWidget(group);
}

void TopTabViewController::buildDdns(QVBoxLayout *main)
{
    auto *group = new QGroupBox(trPrefs("Dynamic DNS"));
    group->setAccessibleName(group->title());
    auto *layout = new QVBoxLayout(group);
    auto *hint = new QLabel(trPrefs("One line per record: valuedomain&HOST&DOMAIN&PASSWORD. "
                                    "\"orbmeter&confirm\" tells you when the address changes; lines starting with # are comments."));
    hint->setTextFormat(Qt::PlainText);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(hint);
    ddns_ = new QPlainTextEdit;
    ddns_->setObjectName(QStringLiteral("DdnsPropertyString"));
    ddns_->setAccessibleName(trPrefs("Dynamic DNS work list"));
    ddns_->setTabChangesFocus(true);
    ddns_->setLineWrapMode(QPlainTextEdit::NoWrap);
    ddns_->setFixedHeight(ddns_->fontMetrics().lineSpacing() * 3 + 12);
    // Passwords are typed here: nothing offers to remember or correct them.
    ddns_->setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    layout->addWidget(ddns_);
    auto *buttons = new QHBoxLayout;
    execNow_ = new QPushButton(OrbStrings::text("Exec now"));
    execNow_->setObjectName(QStringLiteral("ExecNow"));
    execNow_->setAccessibleName(trPrefs("Update the dynamic DNS records now"));
    buttons->addStretch();
    buttons->addWidget(execNow_);
    layout->addLayout(buttons);
    connect(ddns_, &QPlainTextEdit::textChanged, this, &TopTabViewController::ddnsTextChanged);
    connect(execNow_, &QPushButton::clicked, this, [this] {
        if (!store_.stringForKey(QStringLiteral("DdnsPropertyString")).isEmpty())
            Q_EMIT ddnsRunRequested();
    });
    main->addWidget(group);
}

QVariantMap TopTabViewController::general() const
{
    return myDefaults_.value(QStringLiteral("General")).toMap();
}

void TopTabViewController::setGeneral(const QString &key, const QVariant &value)
{
    QVariantMap g = general();
    g.insert(key, value);
    myDefaults_.insert(QStringLiteral("General"), g);
}

void TopTabViewController::loadSetting()
{
    startUp_->setChecked(store_.boolForKey(QStringLiteral("DisplayTopWindowAtStartup"))
                         || store_.boolForKey(QStringLiteral("DisplayTopWindowAtStartupTmp")));
    histogram_->setChecked(store_.boolForKey(QStringLiteral("TopHistgramPreview")));
    bidDisconnect_->setChecked(store_.boolForKey(QStringLiteral("BidDisconnectNotify")));
    bidBattery_->setChecked(store_.boolForKey(QStringLiteral("kBidBatteryNotify")));
    {
        const QSignalBlocker quiet(rebootDays_);
        const qint64 days = store_.integerForKey(QStringLiteral("RebootRegularlyDays"));
        rebootDays_->setValue(static_cast<int>(std::clamp<qint64>(days, 0, kMaxRebootDays)));
    }
    fillOrbIconMenu();
    TrayStyle style = TrayStyle::Auto;
    const QString styleText = store_.stringForKey(QStringLiteral("TrayStyle"));
    if (!styleText.isEmpty() && !parseTrayStyle(styleText, style))
        qCInfo(lcPrefs).noquote() << "stored tray style" << styleText << "is not wide, compact or auto; showing auto";
    for (int i = 0; i < int(std::size(kTrayStyles)); ++i)
        if (kTrayStyles[i] == style)
            trayStyle_->setCurrentIndex(i);
    {
        const QSignalBlocker quiet(ddns_);
        ddns_->setPlainText(store_.stringForKey(QStringLiteral("DdnsPropertyString")));
    }
    execNow_->setEnabled(!ddns_->toPlainText().isEmpty());
    rebuildFontMenus();
    rebuildThemeMenus();
    resetViews(-1);
}

TopWrapView *TopTabViewController::box(ModuleId id) const
{
    for (size_t i = 0; i < boxes().size(); ++i)
        if (boxes()[i].module == id)
            return boxes_[i];
    return nullptr;
}

bool TopTabViewController::checkAnyLaunch() const
{
    const QVariantMap g = general();
    for (const Box &b : boxes())
        if (g.value(QLatin1String(ModuleCatalog::info(b.module).launchKey)).toBool())
            return true;
    return false;
}

void TopTabViewController::loadModuleEnabled()
{
    const QVariantMap g = general();
    for (size_t i = 0; i < boxes().size(); ++i) {
        const bool on = g.value(QLatin1String(ModuleCatalog::info(boxes()[i].module).launchKey)).toBool();
        boxes_[i]->setOpacity(on ? 1.0 : 0.3);
        boxes_[i]->setChecked(on);
    }
    // Before the settings arrive nothing is known to be shown.
    if (g.isEmpty())
        return;
    const bool any = checkAnyLaunch();
    orbIcon_->setEnabled(any);
    if (!any && store_.integerForKey(QStringLiteral("DisplayOrbIcon")) < 1) {
        // With no module shown the General item is the only way into the program.
        store_.setInteger(QStringLiteral("DisplayOrbIcon"), 1);
        store_.synchronize();
        setGeneral(QStringLiteral("DisplayOrbIcon"), qint64(1));
        orbIcon_->setCurrentIndex(1);
        notifToModule(true, false, false);
    }
}

void TopTabViewController::redrawTopTabViews(const SensorData &data)
{
    setInternalBattery(data.power && data.power->battery.has_value());
    refreshContentView(&data);
    loadModuleEnabled();
}

void TopTabViewController::refreshContentView(const SensorData *data)
{
    ++overviewRenders_;
    const QVariantMap g = general();
    const bool withHistory = g.value(QStringLiteral("TopHistgramPreview")).toBool();
    for (size_t i = 0; i < boxes().size(); ++i) {
        const Box &b = boxes()[i];
        const ModuleInfo &m = ModuleCatalog::info(b.module);
        QImage graph;
        if (data && withHistory && g.value(QLatin1String(m.launchKey)).toBool() && previews_[i]->available()) {
            const ModuleTabSpec spec = ModuleSwitches::tabSpec(b.module);
            QList<ElementPreview::Switch> switches;
            int graphCode = 0;
            for (const TabControl &c : spec.controls) {
                if (c.kind != TabControl::Kind::Switch || c.element <= 0)
                    continue;
                switches.append({c.element, QLatin1String(c.key)});
                if (QLatin1String(c.key).endsWith(QLatin1String("_Display_Graph")))
                    graphCode = c.element;
            }
            const QVariantMap defaults = myDefaults_.value(QLatin1String(m.prefName)).toMap();
            if (graphCode > 0)
                graph = previews_[i]->render(
                    ElementPreview::elementDefaults(defaults, switches, QLatin1String(spec.sortKey), graphCode), *data);
        }
        boxes_[i]->setGraph(graph, !withHistory);
    }
}

QString TopTabViewController::unavailableReason(ModuleId id)
{
    switch (id) {
    case ModuleId::Gpu:
        return trPrefs("No graphics card found on this machine");
    case ModuleId::Temp:
        return trPrefs("No temperature sensor found on this machine");
    case ModuleId::Fan:
        return trPrefs("No fan found on this machine");
    default:
        return trPrefs("Not found on this machine");
    }
}

void TopTabViewController::setModuleAvailable(ModuleId id, bool available)
{
    TopWrapView *view = box(id);
    if (!view)
        return;
    // The greyed switch says why, on the switch itself and around it.
    const QString why = available ? QString() : unavailableReason(id);
    view->switchBox()->setEnabled(available);
    view->switchBox()->setToolTip(why);
    view->switchBox()->setAccessibleDescription(why);
    view->setToolTip(why);
}

void TopTabViewController::setInternalBattery(bool present)
{
    if (present == internalBattery_)
        return;
    internalBattery_ = present;
    fillOrbIconMenu();
}

void TopTabViewController::fillOrbIconMenu()
{
    const QSignalBlocker quiet(orbIcon_);
    orbIcon_->clear();
    orbIcon_->addItem(OrbStrings::text("Show Nothing"));
    orbIcon_->addItem(OrbStrings::text("Show ORB Icon"));
    if (internalBattery_)
        orbIcon_->addItem(OrbStrings::text("Show Internal Battery Remain"));
    const qint64 stored = store_.integerForKey(QStringLiteral("DisplayOrbIcon"));
    orbIcon_->setCurrentIndex(static_cast<int>(std::clamp<qint64>(stored, 0, orbIcon_->count() - 1)));
}

void TopTabViewController::selectOrbIcon(int index)
{
    if (index < 0 || index >= orbIcon_->count())
        return;
    store_.setInteger(QStringLiteral("DisplayOrbIcon"), index);
    store_.synchronize();
    setGeneral(QStringLiteral("DisplayOrbIcon"), qint64(index));
    notifToModule(true, true, false);
}

void TopTabViewController::switchModule(int code, bool on)
{
    for (size_t i = 0; i < boxes().size(); ++i) {
        const Box &b = boxes()[i];
        if (b.code != code)
            continue;
        if (on)
            ModuleSwitches::switchOn(b.module, store_);
        else
            ModuleSwitches::switchOff(b.module, store_);
        setGeneral(QLatin1String(ModuleCatalog::info(b.module).launchKey), on);
        boxes_[i]->setOpacity(on ? 1.0 : 0.3);
        // The module's own notification: its item goes, or all items are made again so
        // that it comes back in its place.
        center_.post(b.module, {{QLatin1String(PrefNotice::kModuleAllocNow), on},
                                {QLatin1String(PrefNotice::kModuleItemRefreshNow), false}});
        Q_EMIT moduleSwitched(b.module);
        if (!on)
            refreshContentView(nullptr);
        return;
    }
}

void TopTabViewController::rebuildThemeMenus()
{
    const QSignalBlocker quiet(theme_);
    themeArray_ = ThemeStore::themeList();
    theme_->clear();
    for (const QVariantMap &detail : std::as_const(themeArray_))
        theme_->addItem(ThemeStore::themeMenuTitle(detail));
    const bool any = !themeArray_.isEmpty();
    theme_->setEnabled(any);
    saveTheme_->setEnabled(any);
    if (any) {
        theme_->setCurrentIndex(0);
        themeDetail_->setText(ThemeStore::themeDetailLabel(themeArray_.first()));
    } else {
        themeDetail_->clear();
    }
}

void TopTabViewController::pickTheme(int index)
{
    if (index < 0 || index >= themeArray_.size())
        return;
    const QString file = themeArray_.at(index).value(QStringLiteral("_FileName")).toString();
    // The current theme chosen again: nothing to do, and nothing may be lost.
    if (file == QLatin1String(ThemeStore::kNowThemeFile)) {
        rebuildThemeMenus();
        return;
    }
    if (!ThemeStore::pickTheme(file)) {
        qCWarning(lcPrefs).noquote() << "theme" << file << "could not be made the current one";
        rebuildThemeMenus();
        return;
    }
    notifToModule(true, true, true);
    rebuildThemeMenus();
}

bool TopTabViewController::saveThemeTo(const QString &chosen)
{
    QString path = chosen;
    if (QFileInfo(path).suffix() != QLatin1String("plist"))
        path += QStringLiteral(".plist");
    if (QFileInfo(path).fileName() == QLatin1String(ThemeStore::kNowThemeFile)) {
        qCWarning(lcPrefs) << "a theme cannot be saved over the current theme's own file";
        return false;
    }
    const QVariantMap theme = ThemeStore::readNowTheme();
    if (theme.isEmpty()) {
        qCWarning(lcPrefs) << "the current theme could not be read; nothing saved";
        return false;
    }
    if (!ThemeStore::saveThemeFile(path, theme)) {
        qCWarning(lcPrefs).noquote() << "the theme could not be saved as" << path;
        return false;
    }
    rebuildThemeMenus();
    return true;
}

void TopTabViewController::openSaveThemeDialog()
{
    const QVariantMap theme = ThemeStore::readNowTheme();
    QString name = theme.value(QStringLiteral("_Name")).toString();
    if (name.isEmpty())
        name = QLatin1String(ThemeStore::kUntitled);
    // Saved among the themes, so the theme menu offers it at once.
    const QString dir = ThemeStore::checkAndRetMyApplicationSupportDir();
    auto *dialog = new QFileDialog(this, OrbStrings::text("Save Theme..."),
                                   QDir(dir.isEmpty() ? QDir::homePath() : dir).filePath(name + QStringLiteral(" copy.plist")),
                                   trPrefs("Themes (*.plist)"));
    dialog->setObjectName(QStringLiteral("SaveThemeDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("plist"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal to the application: the refresh cycle goes on while it is open.
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &file) { saveThemeTo(file); });
    dialog->open();
}

void TopTabViewController::ddnsTextChanged()
{
    // The text holds passwords: it is stored, never logged.
    const QString text = ddns_->toPlainText();
    store_.setString(QStringLiteral("DdnsPropertyString"), text);
    store_.synchronize();
    execNow_->setEnabled(!text.isEmpty());
}

void TopTabViewController::resetViews(int element)
{
    if (element != -1)
        return;
    loadModuleEnabled();
    const QVariantMap g = general();
    for (ColorWell *well : {shadow_, emptyLine_})
        if (g.contains(well->objectName()))
            well->setColor(OrbColors::colorFromValue(g.value(well->objectName())));
    const QSignalBlocker quietAdjust(adjust_);
    const QSignalBlocker quietSize(size_);
    const qint64 adjust = std::clamp<qint64>(g.value(QStringLiteral("_FontAdjust")).toLongLong(), -kAdjustRange, kAdjustRange);
    const qint64 sizeDiff = std::clamp<qint64>(g.value(QStringLiteral("_FontSizeDiff")).toLongLong(), -kSizeRange, kSizeRange);
    adjust_->setCurrentIndex(static_cast<int>(adjust + kAdjustRange));
    size_->setCurrentIndex(static_cast<int>(sizeDiff + kSizeRange));
    updateSample();
}

void TopTabViewController::rebuildFontMenus()
{
    const QVariantMap g = general();
    const QString family = g.value(QStringLiteral("_FontName")).toString();
    const int index = static_cast<int>(families_.indexOf(family));
    if (index < 0)
        return;
    const QSignalBlocker quietFamily(family_);
    const QSignalBlocker quietStyle(style_);
    family_->setCurrentIndex(index);
    members_ = FontCatalog::members(family);
    style_->clear();
    for (const FontCatalog::Member &m : std::as_const(members_))
        style_->addItem(m.styleName);
    const QString style = g.value(QStringLiteral("_FontStyle")).toString();
    for (int i = 0; i < members_.size(); ++i)
        if (members_[i].styleName == style)
            style_->setCurrentIndex(i);
    updateSample();
}

void TopTabViewController::updateSample()
{
    const QVariantMap g = general();
    if (!g.contains(QStringLiteral("_FontPostScriptName")))
        return;
    const double size = kBaseFontSize + g.value(QStringLiteral("_FontSizeDiff")).toDouble();
    sample_->setFont(FontCatalog::fontForName(g.value(QStringLiteral("_FontPostScriptName")).toString(), size));
}

void TopTabViewController::selectFamily(int index)
{
    if (index < 0 || index >= families_.size())
        return;
    const QString family = families_.at(index);
    const QList<FontCatalog::Member> members = FontCatalog::members(family);
    if (members.isEmpty() || members.first().postScriptName.isEmpty()) {
        // Known to Qt but not to fontconfig (or without a PostScript name): a theme could
        // not name it, so the choice is not taken.
        qCInfo(lcPrefs).noquote() << "font family" << family << "has no PostScript name; not chosen";
        rebuildFontMenus();
        return;
    }
    const FontCatalog::Member &first = members.first();
    setGeneral(QStringLiteral("_FontName"), family);
    setGeneral(QStringLiteral("_FontStyle"), first.styleName);
    setGeneral(QStringLiteral("_FontPostScriptName"), first.postScriptName);
    setGeneral(QStringLiteral("_FontAdjust"), qint64(0));
    setGeneral(QStringLiteral("_FontSizeDiff"), qint64(0));
    notifToModuleFont(family, first.styleName, first.postScriptName, 0, 0);
    rebuildFontMenus();
    resetViews(-1);
}

void TopTabViewController::selectStyle(int index)
{
    if (index < 0 || index >= members_.size())
        return;
    const FontCatalog::Member m = members_.at(index);
    setGeneral(QStringLiteral("_FontStyle"), m.styleName);
    setGeneral(QStringLiteral("_FontPostScriptName"), m.postScriptName);
    notifToModuleFont(QLatin1String(PrefNotice::kUnchangedText), m.styleName, m.postScriptName,
                      PrefNotice::kUnchangedNumber, PrefNotice::kUnchangedNumber);
    rebuildFontMenus();
}

void TopTabViewController::selectAdjust(int index)
{
    const QString unchanged = QLatin1String(PrefNotice::kUnchangedText);
    setGeneral(QStringLiteral("_FontAdjust"), qint64(index - kAdjustRange));
    notifToModuleFont(unchanged, unchanged, unchanged, index - kAdjustRange, PrefNotice::kUnchangedNumber);
}

void TopTabViewController::selectSize(int index)
{
    const QString unchanged = QLatin1String(PrefNotice::kUnchangedText);
    setGeneral(QStringLiteral("_FontSizeDiff"), qint64(index - kSizeRange));
    notifToModuleFont(unchanged, unchanged, unchanged, PrefNotice::kUnchangedNumber, index - kSizeRange);
    updateSample();
}

void TopTabViewController::notifToModule(bool allocNow, bool reload, bool themeChanged, const QString &colorKey,
                                         const QColor &colorVal)
{
    QVariantMap info{{QLatin1String(PrefNotice::kModuleAllocNow), allocNow},
                     {QLatin1String(PrefNotice::kModuleDefaultReload), reload},
                     {QLatin1String(PrefNotice::kModuleThemeChanged), themeChanged}};
    if (!colorKey.isEmpty() && colorVal.isValid()) {
        info.insert(QLatin1String(PrefNotice::kChangeColorKey), colorKey);
        info.insert(QLatin1String(PrefNotice::kChangeColorVal), colorVal);
    }
    center_.post(ModuleId::General, info);
}

void TopTabViewController::notifToModuleFont(const QString &fontName, const QString &fontStyle,
                                             const QString &fontPsName, qint64 fontAdjust, qint64 fontSizeDiff)
{
    center_.post(ModuleId::General, {{QLatin1String(PrefNotice::kFontChanged), true},
                                     {QLatin1String(PrefNotice::kModuleAllocNow), false},
                                     {QLatin1String(PrefNotice::kModuleDefaultReload), true},
                                     {QLatin1String(PrefNotice::kFontName), fontName},
                                     {QLatin1String(PrefNotice::kFontStyle), fontStyle},
                                     {QLatin1String(PrefNotice::kFontPostScriptName), fontPsName},
                                     {QLatin1String(PrefNotice::kFontAdjust), fontAdjust},
                                     {QLatin1String(PrefNotice::kFontSizeDiff), fontSizeDiff}});
}

} // namespace orb
