#pragma once
// What the tests of the status items share: a delegate that only records, histories built
// from samples, colours compared with a few steps of slack, theme colours, and an item
// shown in an offscreen bar.
#include "collect/History.h"
#include "collect/Samples.h"
#include "modules/MenuModuleDelegate.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "settings/ThemeStore.h"

#include <QColor>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

namespace orb::test {

// Records the preference tab an item asks for; nothing else.
class NullDelegate : public MenuModuleDelegate {
public:
    void openPreferenceTab(int tab) override { lastTab = tab; }
    void changeAppearanceMode() override {}
    int lastTab = -1;
};

// A history of `samples`, oldest first.
template <class Sample>
History<Sample> historyOf(std::initializer_list<Sample> samples)
{
    History<Sample> h;
    for (const Sample &s : samples)
        h = h.appended(s);
    return h;
}

// Red, green, blue and alpha each within `tolerance` steps.
inline bool sameColour(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// A colour of a settings dictionary: a QColor, or as the theme file stores it, red, green,
// blue and alpha from 0 to 1.
inline QColor themeColour(const QVariantMap &d, const char *key)
{
    const QVariant v = d.value(QLatin1String(key));
    if (v.canConvert<QColor>() && v.typeId() == QMetaType::QColor)
        return v.value<QColor>();
    const QVariantList rgba = v.toList();
    return QColor::fromRgbF(rgba.value(0).toFloat(), rgba.value(1).toFloat(), rgba.value(2).toFloat(),
                            rgba.value(3).toFloat());
}
// A colour of the built-in light theme.
inline QColor themeColour(const char *key) { return themeColour(ThemeStore::builtInReference(false), key); }

// `defaults` with `overrides` laid over them.
inline QVariantMap overlaid(QVariantMap defaults, const QVariantMap &overrides)
{
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        defaults.insert(it.key(), it.value());
    return defaults;
}

// An item shown in `host` with `settings` and `data`, drawn once.
template <class Item>
std::unique_ptr<Item> shownItem(StatusBarHost &host, const QVariantMap &settings, const SensorData &data,
                                MenuModuleDelegate *delegate = nullptr)
{
    auto item = std::make_unique<Item>(delegate);
    item->setMyDefaults(settings);
    item->initDrawStatusBar(host);
    item->setSensorData(data);
    item->refreshBar();
    return item;
}

// Hands `item` a pass's `data` and redraws it; the tool tip and headline it then holds must
// be those a new item gets when shown with the same settings and data: nothing kept from an
// earlier pass is stale.
template <class Item>
void expectTextsOfAFreshItemAfterPass(StatusBarHost &host, Item &item, const QVariantMap &settings,
                                      const SensorData &data, const std::string &where)
{
    item.setSensorData(data);
    item.refreshBar();
    const std::unique_ptr<Item> fresh = shownItem<Item>(host, settings, data);
    const StatusItemHost &kept = *item.statusItem(), &made = *fresh->statusItem();
    EXPECT_EQ(kept.toolTipTitle(), made.toolTipTitle()) << where;
    EXPECT_EQ(kept.toolTipText(), made.toolTipText()) << where;
    EXPECT_EQ(kept.headline().label, made.headline().label) << where;
    EXPECT_EQ(kept.headline().toolTip, made.headline().toolTip) << where;
    EXPECT_EQ(kept.headline().figure, made.headline().figure) << where;
    EXPECT_TRUE(kept.headline() == made.headline()) << where << ": fraction " << kept.headline().fraction
                                                    << " against " << made.headline().fraction;
}

} // namespace orb::test
