#include "modules/volume/VolumeFigures.h"

#include "collect/VolumeBase.h"
#include "modules/volume/VolumeSettings.h"
#include "toolkit/OrbFormat.h"

#include <algorithm>
#include <cmath>

namespace orb {

double VolumeFigure::usedFraction() const
{
    if (total < 1)
        return 0.0;
    return std::clamp(static_cast<double>(used) / static_cast<double>(total), 0.0, 1.0);
}

const VolumeFigure *VolumeFigures::find(const QString &path) const
{
    if (path == QLatin1String("all"))
        return &all;
    for (const VolumeFigure &f : volumes)
        if (f.path == path)
            return &f;
    return nullptr;
}

VolumeFigures::Drawn VolumeFigures::drawn(bool hideNetwork) const
{
    Drawn out;
    out.reserve(volumes.size());
    for (const VolumeFigure &f : volumes)
        if (!(hideNetwork && f.network))
            out.push_back(&f);
    return out;
}

const VolumeFigure *VolumeFigures::fullest() const
{
    const VolumeFigure *best = nullptr;
    for (const VolumeFigure &f : volumes)
        if (f.total >= 1 && (!best || f.usedFraction() > best->usedFraction()))
            best = &f;
    return best;
}

const VolumeUsage *VolumeFigureTable::find(const VolumeSample &sample, const QString &path)
{
    if (path == QLatin1String("all"))
        return &sample.all;
    for (const auto &[p, u] : sample.volumes)
        if (p == path)
            return &u;
    return nullptr;
}

std::optional<VolumeFigures> VolumeFigureTable::checkUsedFree(const History<VolumeSample> &history,
                                                              const VolumeBase *base, bool measure,
                                                              const VolumeSettings &settings,
                                                              const VolumeFigures *kept)
{
    VolumeFigures out;
    if (!checkUsedFree(history, base, measure, settings, kept, out))
        return std::nullopt;
    return out;
}

bool VolumeFigureTable::checkUsedFree(const History<VolumeSample> &history, const VolumeBase *base, bool measure,
                                      const VolumeSettings &settings, const VolumeFigures *kept, VolumeFigures &out)
{
    if (history.empty() || !base)
        return false;
    const VolumeSample &newest = history.back();
    const VolumeSample *previous = history.size() >= 2 ? &history[history.size() - 2] : nullptr;
    const auto fill = [&](VolumeFigure &f, const VolumeUsage &u, const VolumeUsage *before) {
        f.total = u.total;
        f.used = u.used;
        f.free = u.free;
        f.changed = before && before->used != u.used;
        // Sizes seldom change from one sample to the next: their texts and widths are kept.
        if (const VolumeFigure *k = kept ? kept->find(f.path) : nullptr;
            k && k->total == f.total && k->used == f.used && k->free == f.free) {
            f.freeText = k->freeText;
            f.usedText = k->usedText;
            f.totalText = k->totalText;
            f.textWidth = k->textWidth;
            return;
        }
        f.freeText = OrbFormat::calcDiskSize(u.free);
        f.usedText = OrbFormat::calcDiskSize(u.used);
        f.totalText = OrbFormat::calcDiskSize(u.total);
        f.textWidth = 0;
        if (measure) {
            f.textWidth = std::max(std::ceil(OrbFormat::calcMenuLabelSize({f.usedText}, settings.fontSize, settings.fontName)),
                                   std::ceil(OrbFormat::calcMenuLabelSize({f.freeText}, settings.fontSize, settings.fontName)));
        }
    };
    const auto byPath = [](const VolumeFigure &a, const VolumeFigure &b) {
        return QString::compare(a.path, b.path, Qt::CaseInsensitive) < 0;
    };
    out.volumes.clear();
    for (const VolumeEntry &v : base->volumes) {
        const VolumeUsage *u = find(newest, v.mountPath);
        if (!u)
            continue;
        VolumeFigure f;
        f.path = v.mountPath;
        f.network = v.isNetworkVol;
        fill(f, *u, previous ? find(*previous, v.mountPath) : nullptr);
        // Placed after any equal path: the base's order breaks ties, and the few volumes of a
        // machine need no sort buffer.
        out.volumes.insert(std::upper_bound(out.volumes.begin(), out.volumes.end(), f, byPath), std::move(f));
    }
    out.all.path = QStringLiteral("all");
    fill(out.all, newest.all, previous ? &previous->all : nullptr);
    return true;
}

} // namespace orb
