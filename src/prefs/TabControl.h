#pragma once
#include "prefs/ElementOrderRow.h"
#include "settings/ModuleCatalog.h"

#include <QStringList>
#include <vector>

namespace orb {

// What a slider stores and how its label reads.
enum class SliderKind {
    UpdateInterval, // seconds between samples
    GraphWidth,     // points, in steps of five
    Spacing,        // points between elements
    ProcessRecent,  // seconds of process history
    IgnoreBelow,    // KB/s
    MaxTemp,        // degrees Celsius
    MaxRpm,         // revolutions per minute, in steps of one hundred
};

// One control of a module tab, as a row of the tab's table. The key is the stored setting
// the module's settings builder reads (a theme key for a colour).
struct TabControl {
    enum class Kind { Switch, Slider, PopUp, Color };
    Kind kind;
    const char *key;
    const char *title;
    // Switch: the display element it shows (its code in the element row), 0 for none.
    int element = 0;
    // Switch: one of the optional menu commands (the item's menu is rebuilt).
    bool optionalMenu = false;
    // Enabled only while this stored switch of the same tab is on.
    const char *enabledBy = nullptr;
    // Slider: kind and range of positions.
    SliderKind slider = SliderKind::UpdateInterval;
    int minimum = 0;
    int maximum = 0;
    // Pop-up: its entries; the stored value is the entry's number from 1, or with
    // `storesText` the entry itself.
    QStringList (*items)() = nullptr;
    bool storesText = false;
    // The status item's menu rows change with it (Temp).
    bool changesMenuRows = false;
};

// Everything a module tab shows, as data.
struct ModuleTabSpec {
    ModuleId id;
    // The stored element order ("CpuItemSortArray"); "" without an element row.
    const char *sortKey = "";
    ElementRowGeometry geometry;
    std::vector<TabControl> controls;
};

// Shorthands for the tables.
namespace tab {
inline TabControl element(const char *key, const char *title, int code)
{
    return {.kind = TabControl::Kind::Switch, .key = key, .title = title, .element = code};
}
inline TabControl check(const char *key, const char *title, const char *enabledBy = nullptr)
{
    return {.kind = TabControl::Kind::Switch, .key = key, .title = title, .enabledBy = enabledBy};
}
inline TabControl menuCommand(const char *key, const char *title)
{
    return {.kind = TabControl::Kind::Switch, .key = key, .title = title, .optionalMenu = true};
}
inline TabControl slider(SliderKind kind, const char *key, int minimum, int maximum, const char *enabledBy = nullptr)
{
    return {.kind = TabControl::Kind::Slider, .key = key, .title = "", .enabledBy = enabledBy, .slider = kind,
            .minimum = minimum, .maximum = maximum};
}
inline TabControl popUp(const char *key, const char *title, QStringList (*items)())
{
    return {.kind = TabControl::Kind::PopUp, .key = key, .title = title, .items = items};
}
inline TabControl color(const char *key, const char *title)
{
    return {.kind = TabControl::Kind::Color, .key = key, .title = title};
}
} // namespace tab

} // namespace orb
