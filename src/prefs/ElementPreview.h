#pragma once
#include "settings/ModuleCatalog.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace orb {

class GraphMenuModule;
class MenuModule;
struct SensorData;

// Draws one display element of a module the way its status item draws it, from the live
// sensor data, for the preference tabs. It keeps a status item of its own that is never
// shown, so the previews use the very drawing code of the menu bar.
class ElementPreview {
public:
    // An element of a tab: its code in the element row and the stored switch that shows it.
    using Switch = QPair<int, QString>;

    explicit ElementPreview(ModuleId id);
    ~ElementPreview();
    ElementPreview(const ElementPreview &) = delete;
    ElementPreview &operator=(const ElementPreview &) = delete;

    // Whether the module has a drawing of its own to preview.
    bool available() const { return graph_ != nullptr; }

    // The module's settings changed so that only element `code` is drawn: its switch on and
    // the other switches off, whatever the user chose; no label and no spacing; one set of
    // elements for the whole machine rather than one per processor, disk or volume; text
    // beside the graph rather than over it. `sortKey` names the stored element order.
    static QVariantMap elementDefaults(const QVariantMap &defaults, const QList<Switch> &switches,
                                       const QString &sortKey, int code);

    // The element image at two pixels per point, 20 points high, on the menu bar's light or
    // dark ground ("_ForDarkAppearance"); null when the module has no drawing or no data.
    QImage render(const QVariantMap &defaults, const SensorData &data);

    // Dark or light ground of a preview, as the settings' appearance says.
    static QColor groundColor(const QVariantMap &defaults);

private:
    std::unique_ptr<MenuModule> module_;
    GraphMenuModule *graph_ = nullptr;
};

} // namespace orb
