#include "prefs/TopTabViewController.h"

#include "platform/Logging.h"
#include "prefs/ColorWell.h"
#include "prefs/PreferenceCenter.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbColors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace orb {

namespace {

QString trPrefs(const char *text) { return QCoreApplication::translate("OrbPrefs", text); }

constexpr int kAdjustRange = 10; // -10 .. +10 px
constexpr int kSizeRange = 3;    // -3 .. +3 pt
constexpr double kBaseFontSize = 10.0;

QComboBox *menu(const char *key, const char *title)
{
    auto *box = new QComboBox;
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
    auto *main = new QVBoxLayout(this);

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
    int column = 0;
    for (ColorWell *well : {shadow_, emptyLine_}) {
        auto *label = new QLabel(well->toolTip());
        label->setBuddy(well);
        grid->addWidget(well, 0, column++);
        grid->addWidget(label, 0, column++);
        connect(well, &ColorWell::colorChanged, this, [this, well](const QColor &c) {
            notifToModule(false, true, false, well->objectName(), c);
        });
    }
    grid->setColumnStretch(column, 1);
    main->addWidget(colorBox);

    auto *startBox = new QGroupBox(trPrefs("Start-up"));
    auto *startLayout = new QVBoxLayout(startBox);
    startUp_ = new QCheckBox(trPrefs("Display this window at starting up"));
    startUp_->setObjectName(QStringLiteral("DisplayTopWindowAtStartup"));
    startUp_->setAccessibleName(startUp_->text());
    startLayout->addWidget(startUp_);
    main->addWidget(startBox);
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

    main->addStretch();
    loadSetting();
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
    rebuildFontMenus();
    resetViews(-1);
}

void TopTabViewController::resetViews(int element)
{
    if (element != -1)
        return;
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
