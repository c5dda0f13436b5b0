#include "prefs/ElementPreview.h"

#include "collect/Samples.h"
#include "modules/GraphMenuModule.h"
#include "modules/ModuleFactory.h"

#include <QPainter>

namespace orb {

namespace {

constexpr double kBarHeight = 20.0;

// Settings that would multiply or hide elements in a preview, and the value each takes.
struct Override {
    const char *key;
    bool value;
};
constexpr Override kOverrides[] = {
    {"Cpu_AverageMultiProcessors", true}, {"Disk_ShowEachDisk", false},      {"Vlms_ShowEachDisk", false},
    {"Network_ShowAllNic", false},        {"Temp_PileUp_TextGraph", false},  {"Fan_PileUp_TextGraph", false},
    {"Disk_WithDiskIconInBackground", false}, {"Vlms_WithDiskIconInBackground", false},
};

} // namespace

ElementPreview::ElementPreview(ModuleId id)
{
    if (id == ModuleId::General || id == ModuleId::Vnc)
        return;
    module_ = ModuleFactory::create(id, nullptr);
    graph_ = dynamic_cast<GraphMenuModule *>(module_.get());
}

ElementPreview::~ElementPreview() = default;

QVariantMap ElementPreview::elementDefaults(const QVariantMap &defaults, const QList<Switch> &switches,
                                            const QString &sortKey, int code)
{
    QVariantMap d = defaults;
    for (const Switch &s : switches)
        d.insert(s.second, s.first == code);
    if (!sortKey.isEmpty())
        d.insert(sortKey, QVariantList{qint64(code)});
    for (const Override &o : kOverrides)
        if (d.contains(QLatin1String(o.key)))
            d.insert(QLatin1String(o.key), o.value);
    for (auto it = d.begin(); it != d.end(); ++it) {
        const QString &key = it.key();
        if (key.endsWith(QLatin1String("_ShowMyLabel")))
            it.value() = false;
        else if (key.endsWith(QLatin1String("_Padding")))
            it.value() = qint64(0);
    }
    return d;
}

QColor ElementPreview::groundColor(const QVariantMap &defaults)
{
    return defaults.value(QStringLiteral("_ForDarkAppearance")).toBool() ? QColor(0x2b, 0x2b, 0x2e)
                                                                        : QColor(0xf2, 0xf2, 0xf2);
}

QImage ElementPreview::render(const QVariantMap &defaults, const SensorData &data)
{
    if (!graph_ || defaults.isEmpty())
        return {};
    graph_->setMyDefaults(defaults);
    graph_->setSensorData(data);
    const QImage drawn = graph_->previewImage(kBarHeight);
    if (drawn.isNull())
        return {};
    QImage image(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(groundColor(defaults));
    QPainter p(&image);
    // Pixel for pixel, whatever scale the drawing carries.
    p.drawImage(QRect(QPoint(0, 0), drawn.size()), drawn);
    p.end();
    image.setDevicePixelRatio(2.0);
    return image;
}

} // namespace orb
