#include "prefs/ModuleTabViewController.h"

#include "platform/Logging.h"
#include "prefs/ColorWell.h"
#include "prefs/ElementOrderRow.h"
#include "prefs/FullWidthText.h"
#include "prefs/PreferenceCenter.h"
#include "settings/PlistFunction.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbStrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace orb {

namespace {

QString trPrefs(const char *text) { return QCoreApplication::translate("OrbPrefs", text); }

const char *sliderTitle(SliderKind kind)
{
    switch (kind) {
    case SliderKind::UpdateInterval: return QT_TRANSLATE_NOOP("OrbPrefs", "Update interval");
    case SliderKind::GraphWidth: return QT_TRANSLATE_NOOP("OrbPrefs", "Histogram width");
    case SliderKind::Spacing: return QT_TRANSLATE_NOOP("OrbPrefs", "Parts spacing");
    case SliderKind::ProcessRecent: return QT_TRANSLATE_NOOP("OrbPrefs", "Processes of the last seconds");
    case SliderKind::IgnoreBelow: return QT_TRANSLATE_NOOP("OrbPrefs", "Ignore rates below");
    case SliderKind::MaxTemp: return QT_TRANSLATE_NOOP("OrbPrefs", "Maximum temperature");
    case SliderKind::MaxRpm: return QT_TRANSLATE_NOOP("OrbPrefs", "Maximum fan speed");
    }
    return "";
}

// The label of a slider showing `value` (the stored value, not the position).
QString sliderText(SliderKind kind, qint64 value)
{
    switch (kind) {
    case SliderKind::UpdateInterval: return OrbStrings::text("Update Interval : %ld sec").arg(value);
    case SliderKind::GraphWidth: return OrbStrings::text("Histgram width : %ld pixel").arg(value);
    case SliderKind::Spacing: return OrbStrings::text("Parts spacing : %ld pixel").arg(value);
    case SliderKind::ProcessRecent: return OrbStrings::text("Recent : %ld sec").arg(value);
    case SliderKind::IgnoreBelow: return OrbStrings::text("Ignore below : %ldKB/s").arg(value);
    case SliderKind::MaxTemp: return trPrefs("Maximum: %1 °C").arg(value);
    case SliderKind::MaxRpm: return trPrefs("Maximum: %1 rpm").arg(value);
    }
    return {};
}

QString fieldSuffix(SliderKind kind)
{
    switch (kind) {
    case SliderKind::UpdateInterval:
    case SliderKind::ProcessRecent: return trPrefs(" sec");
    case SliderKind::GraphWidth:
    case SliderKind::Spacing: return trPrefs(" px");
    case SliderKind::IgnoreBelow: return trPrefs(" KB/s");
    case SliderKind::MaxTemp: return trPrefs(" °C");
    case SliderKind::MaxRpm: return trPrefs(" rpm");
    }
    return {};
}

QGroupBox *group(const char *title)
{
    auto *box = new QGroupBox(trPrefs(title));
    box->setAccessibleName(trPrefs(title));
    return box;
}

} // namespace

ModuleTabViewController::ModuleTabViewController(ModuleTabSpec spec, SettingsStore &store, PreferenceCenter &center,
                                                 QWidget *parent)
    : QWidget(parent), spec_(std::move(spec)), store_(store), center_(center), preview_(spec_.id)
{
    setObjectName(QLatin1String(ModuleCatalog::info(spec_.id).key));
    setAccessibleName(trPrefs("%1 preferences").arg(QLatin1String(ModuleCatalog::info(spec_.id).prefName)));
    build();
    loadSetting();
}

ModuleTabViewController::~ModuleTabViewController() = default;

int ModuleTabViewController::scaleOf(SliderKind kind)
{
    switch (kind) {
    case SliderKind::GraphWidth: return 5;
    case SliderKind::MaxRpm: return 100;
    default: return 1;
    }
}

void ModuleTabViewController::build()
{
    auto *main = new QVBoxLayout(this);
    std::vector<const TabControl *> elements, options, sliders, popUps, colors, menus;
    for (const TabControl &c : spec_.controls) {
        switch (c.kind) {
        case TabControl::Kind::Switch:
            (c.element > 0 ? elements : c.optionalMenu ? menus : options).push_back(&c);
            break;
        case TabControl::Kind::Slider: sliders.push_back(&c); break;
        case TabControl::Kind::PopUp: popUps.push_back(&c); break;
        case TabControl::Kind::Color: colors.push_back(&c); break;
        }
    }

    if (!elements.empty()) {
        QGroupBox *box = group(QT_TRANSLATE_NOOP("OrbPrefs", "Display elements"));
        auto *layout = new QVBoxLayout(box);
        auto *switches = new QHBoxLayout;
        std::sort(elements.begin(), elements.end(), [](auto *a, auto *b) { return a->element < b->element; });
        for (const TabControl *c : elements)
            switches->addWidget(buildSwitch(*c));
        switches->addStretch();
        layout->addLayout(switches);
        if (*spec_.sortKey) {
            elementRow_ = new ElementOrderRow(spec_.geometry, box);
            for (const TabControl *c : elements)
                elementRow_->addElement(trPrefs(c->title));
            connect(elementRow_, &ElementOrderRow::orderChanged, this, &ModuleTabViewController::sortChanged);
            layout->addWidget(elementRow_);
            auto *hint = new QLabel(trPrefs("Drag an element sideways to change the order (Ctrl+Left or Ctrl+Right on the focused one)."));
            hint->setTextFormat(Qt::PlainText);
            hint->setWordWrap(true);
            hint->setForegroundRole(QPalette::PlaceholderText);
            layout->addWidget(hint);
        }
        main->addWidget(box);
    }

    auto *middle = new QHBoxLayout;
    if (!options.empty()) {
        QGroupBox *box = group(QT_TRANSLATE_NOOP("OrbPrefs", "Options"));
        auto *layout = new QVBoxLayout(box);
        for (const TabControl *c : options)
            layout->addWidget(buildSwitch(*c));
        layout->addStretch();
        middle->addWidget(box, 1);
    }
    if (!sliders.empty() || !popUps.empty()) {
        QGroupBox *box = group(QT_TRANSLATE_NOOP("OrbPrefs", "Sizes and units"));
        auto *layout = new QVBoxLayout(box);
        if (!sliders.empty()) {
            auto *grid = new QGridLayout;
            int row = 0;
            for (const TabControl *c : sliders)
                buildSlider(*c, grid, row++);
            grid->setColumnStretch(1, 1);
            layout->addLayout(grid);
        }
        if (!popUps.empty()) {
            auto *form = new QFormLayout;
            for (const TabControl *c : popUps) {
                auto *label = new QLabel(trPrefs(c->title));
                label->setTextFormat(Qt::PlainText);
                QWidget *popUp = buildPopUp(*c);
                label->setBuddy(popUp);
                form->addRow(label, popUp);
            }
            layout->addLayout(form);
        }
        layout->addStretch();
        middle->addWidget(box, 1);
    }
    main->addLayout(middle);

    if (!colors.empty()) {
        QGroupBox *box = group(QT_TRANSLATE_NOOP("OrbPrefs", "Colours"));
        auto *grid = new QGridLayout(box);
        int index = 0;
        for (const TabControl *c : colors)
            buildColor(*c, grid, index++);
        grid->setColumnStretch(7, 1);
        main->addWidget(box);
    }
    if (!menus.empty()) {
        QGroupBox *box = group(QT_TRANSLATE_NOOP("OrbPrefs", "Optional menu commands"));
        auto *layout = new QHBoxLayout(box);
        for (const TabControl *c : menus)
            layout->addWidget(buildSwitch(*c));
        layout->addStretch();
        main->addWidget(box);
    }
    main->addStretch();
}

QWidget *ModuleTabViewController::buildSwitch(const TabControl &c)
{
    auto *box = new QCheckBox(trPrefs(c.title));
    const QString key = QLatin1String(c.key);
    box->setObjectName(key);
    box->setAccessibleName(trPrefs(c.title));
    checkBoxes_.insert(key, box);
    connect(box, &QCheckBox::toggled, this, [this, &c](bool on) {
        if (!loading_)
            checkboxModulesClicked(c, on);
    });
    return box;
}

void ModuleTabViewController::buildSlider(const TabControl &c, QGridLayout *grid, int row)
{
    const QString key = QLatin1String(c.key);
    const int scale = scaleOf(c.slider);
    auto *label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sliderText(c.slider, c.maximum * scale)) + 8);
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(key);
    slider->setRange(c.minimum, c.maximum);
    slider->setPageStep(std::max(1, (c.maximum - c.minimum) / 10));
    slider->setAccessibleName(trPrefs(sliderTitle(c.slider)));
    auto *field = new QSpinBox;
    field->setObjectName(key);
    field->setRange(c.minimum * scale, c.maximum * scale);
    field->setSingleStep(scale);
    field->setSuffix(fieldSuffix(c.slider));
    // Typed values count once confirmed (Return or leaving the field), not per keystroke.
    field->setKeyboardTracking(false);
    field->setAccessibleName(trPrefs("%1, typed").arg(trPrefs(sliderTitle(c.slider))));
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(field, row, 2);
    const Slider s{&c, slider, field, label};
    sliders_.insert(key, s);
    sliderLabels_.insert(key, label);
    connect(slider, &QSlider::valueChanged, this, [this, key] {
        if (!loading_)
            updateSliderSlide(sliders_.value(key));
    });
    // While the handle is dragged every step reaches the item, but the file is written once,
    // when it is let go.
    connect(slider, &QSlider::sliderReleased, this, [this] { store_.synchronize(); });
    connect(field, &QSpinBox::valueChanged, this, [this, key, scale](int value) {
        if (loading_)
            return;
        const Slider &s = sliders_[key];
        // A typed width between two steps goes to the nearer step.
        s.slider->setValue(static_cast<int>(std::lround(double(value) / scale)));
        const QSignalBlocker quiet(s.field);
        s.field->setValue(s.slider->value() * scale);
    });
}

QWidget *ModuleTabViewController::buildPopUp(const TabControl &c)
{
    auto *popUp = new QComboBox;
    const QString key = QLatin1String(c.key);
    popUp->setObjectName(key);
    popUp->setAccessibleName(trPrefs(c.title));
    // Entries stored by their number may be shown in other characters where the font lacks
    // theirs; entries stored as text are shown as they are stored.
    if (c.items)
        for (const QString &item : c.items())
            popUp->addItem(c.storesText ? item : FullWidthText::shown(item, popUp->font()));
    popUps_.insert(key, popUp);
    connect(popUp, &QComboBox::activated, this, [this, &c](int index) { selectedPopUp(c, index); });
    return popUp;
}

void ModuleTabViewController::buildColor(const TabControl &c, QGridLayout *grid, int index)
{
    const QString key = QLatin1String(c.key);
    auto *well = new ColorWell(trPrefs(c.title));
    well->setObjectName(key);
    colorWells_.insert(key, well);
    auto *label = new QLabel(trPrefs(c.title));
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(well);
    // Four wells to a row, each followed by its name.
    grid->addWidget(well, index / 4, (index % 4) * 2);
    grid->addWidget(label, index / 4, (index % 4) * 2 + 1);
    connect(well, &ColorWell::colorChanged, this, [this, &c](const QColor &color) { changeColor(c, color); });
}

void ModuleTabViewController::setPopUpTexts(const QString &key, const QStringList &texts)
{
    QComboBox *popUp = popUps_.value(key);
    if (!popUp)
        return;
    popUpTexts_.insert(key, texts);
    const QSignalBlocker quiet(popUp);
    popUp->clear();
    const TabControl *control = nullptr;
    for (const TabControl &c : spec_.controls)
        if (key == QLatin1String(c.key))
            control = &c;
    if (control && control->items)
        popUp->addItems(control->items());
    for (const QString &t : texts)
        if (popUp->findText(t, Qt::MatchExactly) < 0)
            popUp->addItem(t);
    const QString stored = store_.stringForKey(key);
    if (!stored.isEmpty() && popUp->findText(stored, Qt::MatchExactly) < 0)
        popUp->addItem(stored);
    popUp->setCurrentIndex(std::max(0, popUp->findText(stored, Qt::MatchExactly)));
}

bool ModuleTabViewController::launchCheck() const
{
    const auto wants = ModuleCatalog::info(spec_.id).wantsItem;
    return wants && wants(store_);
}

void ModuleTabViewController::loadSetting()
{
    loading_ = true;
    if (elementRow_) {
        QList<int> order;
        for (const QVariant &v : store_.arrayForKey(QLatin1String(spec_.sortKey)))
            order.append(v.toInt());
        elementRow_->setOrder(order);
    }
    for (const TabControl &c : spec_.controls) {
        const QString key = QLatin1String(c.key);
        if (QCheckBox *box = checkBoxes_.value(key)) {
            const bool on = store_.boolForKey(key);
            box->setChecked(on);
            if (elementRow_ && c.element > 0)
                elementRow_->setElementEnabled(c.element, on);
        }
    }
    nowLaunch_ = launchCheck();

    bool normalized = false;
    for (const TabControl &c : spec_.controls) {
        const QString key = QLatin1String(c.key);
        if (c.kind == TabControl::Kind::Slider) {
            const Slider s = sliders_.value(key);
            const int scale = scaleOf(c.slider);
            const qint64 stored = store_.integerForKey(key);
            // The graph-width slider shows the stored width divided by five, toward zero.
            const int position = static_cast<int>(std::clamp<qint64>(stored / scale, c.minimum, c.maximum));
            s.slider->setValue(position);
            s.field->setValue(position * scale);
            s.label->setText(sliderText(c.slider, qint64(position) * scale));
            if (stored != qint64(position) * scale) {
                qCInfo(lcPrefs).noquote() << "stored" << key << stored << "is not a slider value; now"
                                        << qint64(position) * scale;
                storeSlider(s);
                normalized = true;
            }
        } else if (c.kind == TabControl::Kind::PopUp) {
            QComboBox *popUp = popUps_.value(key);
            if (c.storesText) {
                setPopUpTexts(key, popUpTexts_.value(key));
            } else {
                const qint64 stored = store_.integerForKey(key);
                popUp->setCurrentIndex(PlistFunction::entryIndex(stored, std::max(1, popUp->count())));
            }
        }
    }
    loading_ = false;
    updateEnabled();
    resetViews(-1);
    if (normalized)
        notifToModule(false, {}, {}, false);
}

void ModuleTabViewController::updateEnabled()
{
    for (const TabControl &c : spec_.controls) {
        if (!c.enabledBy)
            continue;
        const bool on = store_.boolForKey(QLatin1String(c.enabledBy));
        const QString key = QLatin1String(c.key);
        if (QCheckBox *box = checkBoxes_.value(key))
            box->setEnabled(on);
        if (sliders_.contains(key)) {
            const Slider &s = sliders_[key];
            s.slider->setEnabled(on);
            s.field->setEnabled(on);
            s.label->setEnabled(on);
        }
    }
}

void ModuleTabViewController::resetViews(int element)
{
    if (elementRow_)
        elementRow_->resetViews(element);
    if (element != -1)
        return;
    renderPreviews();
    for (auto it = colorWells_.cbegin(); it != colorWells_.cend(); ++it) {
        // Absent colours leave the well as it is.
        if (myDefaults_.contains(it.key()))
            it.value()->setColor(OrbColors::colorFromValue(myDefaults_.value(it.key())));
    }
}

QList<ElementPreview::Switch> ModuleTabViewController::elementSwitches() const
{
    QList<ElementPreview::Switch> switches;
    for (const TabControl &c : spec_.controls)
        if (c.kind == TabControl::Kind::Switch && c.element > 0)
            switches.append({c.element, QLatin1String(c.key)});
    return switches;
}

void ModuleTabViewController::refreshContentView(const SensorData &data)
{
    data_ = data;
    renderPreviews();
}

void ModuleTabViewController::renderPreviews()
{
    if (!elementRow_ || !preview_.available() || myDefaults_.isEmpty())
        return;
    ++previewRenders_;
    const QList<ElementPreview::Switch> switches = elementSwitches();
    for (const ElementPreview::Switch &s : switches) {
        ElementWrapView *view = elementRow_->view(s.first);
        if (!view)
            continue;
        const QImage image = preview_.render(
            ElementPreview::elementDefaults(myDefaults_, switches, QLatin1String(spec_.sortKey), s.first), data_);
        // Without data the tile keeps showing the element's name.
        view->setPreview(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    }
}

void ModuleTabViewController::checkboxModulesClicked(const TabControl &c, bool on)
{
    store_.setBool(QLatin1String(c.key), on);
    if (elementRow_ && c.element > 0)
        elementRow_->setElementEnabled(c.element, on);
    store_.synchronize();
    updateEnabled();
    notifToModule(false, {}, {}, c.optionalMenu);
    resetViews(-1);
}

void ModuleTabViewController::storeSlider(const Slider &s)
{
    const QString key = QLatin1String(s.control->key);
    switch (s.control->slider) {
    case SliderKind::UpdateInterval: PrefFunctions::updateSliderChange(*s.slider, store_, *s.label, key); break;
    case SliderKind::GraphWidth: PrefFunctions::graphSliderChange(*s.slider, store_, *s.label, key); break;
    case SliderKind::Spacing: PrefFunctions::partsspaceSliderChange(*s.slider, store_, *s.label, key); break;
    case SliderKind::ProcessRecent: PrefFunctions::processSliderChange(*s.slider, store_, *s.label, key); break;
    case SliderKind::IgnoreBelow: PrefFunctions::limenBaseSliderChange(*s.slider, store_, *s.label, key); break;
    case SliderKind::MaxTemp:
    case SliderKind::MaxRpm: {
        const qint64 value = qint64(s.slider->value()) * scaleOf(s.control->slider);
        s.label->setText(sliderText(s.control->slider, value));
        store_.setInteger(key, value);
        store_.synchronize();
        break;
    }
    }
}

void ModuleTabViewController::updateSliderSlide(const Slider &s)
{
    if (s.slider->isSliderDown()) {
        const qint64 value = qint64(s.slider->value()) * scaleOf(s.control->slider);
        s.label->setText(sliderText(s.control->slider, value));
        store_.setInteger(QLatin1String(s.control->key), value);
    } else {
        storeSlider(s);
    }
    {
        const QSignalBlocker quiet(s.field);
        s.field->setValue(s.slider->value() * scaleOf(s.control->slider));
    }
    s.slider->setAccessibleDescription(s.label->text());
    notifToModule(false, {}, {}, false);
}

void ModuleTabViewController::selectedPopUp(const TabControl &c, int index)
{
    QComboBox *popUp = popUps_.value(QLatin1String(c.key));
    if (!popUp || index < 0)
        return;
    if (c.storesText)
        store_.setString(QLatin1String(c.key), popUp->itemText(index));
    else
        store_.setInteger(QLatin1String(c.key), index + 1);
    store_.synchronize();
    notifToModule(false, {}, {}, c.changesMenuRows, c.changesMenuRows);
}

void ModuleTabViewController::changeColor(const TabControl &c, const QColor &color)
{
    // The theme is written by the application, not here.
    notifToModule(true, QLatin1String(c.key), color, false);
}

void ModuleTabViewController::sortChanged(const QList<int> &order)
{
    QVariantList stored;
    for (int code : order)
        stored.append(qint64(code));
    store_.setArray(QLatin1String(spec_.sortKey), stored);
    store_.synchronize();
    notifToModule(false, {}, {}, false);
}

void ModuleTabViewController::notifToModule(bool reload, const QString &colorKey, const QColor &colorVal,
                                            bool menuItemRefresh, bool menuCountChanged)
{
    const bool launched = launchCheck();
    bool allocNow = false;
    if (launched != nowLaunch_) {
        allocNow = !nowLaunch_;
        nowLaunch_ = launched;
    }
    QVariantMap info{{QLatin1String(PrefNotice::kModuleAllocNow), allocNow},
                     {QLatin1String(PrefNotice::kModuleItemRefreshNow), menuItemRefresh}};
    if (spec_.id != ModuleId::Vnc)
        info.insert(QLatin1String(PrefNotice::kModuleDefaultReload), reload);
    if (!colorKey.isEmpty() && colorVal.isValid()) {
        info.insert(QLatin1String(PrefNotice::kChangeColorKey), colorKey);
        info.insert(QLatin1String(PrefNotice::kChangeColorVal), colorVal);
    }
    if (menuCountChanged)
        info.insert(QLatin1String(PrefNotice::kChangeMenuCount), true);
    center_.post(spec_.id, info);
}

} // namespace orb
