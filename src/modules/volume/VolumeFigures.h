#pragma once
#include "collect/Samples.h"

#include <QString>
#include <QVarLengthArray>
#include <optional>
#include <vector>

namespace orb {

struct VolumeBase;
struct VolumeSettings;

// What the Volume item shows of one volume (or of all together) after a sample.
struct VolumeFigure {
    QString path; // mount path, "all" for the sum
    int64_t total = 0;
    int64_t used = 0;
    int64_t free = 0;
    QString freeText;
    QString usedText;
    QString totalText;
    double textWidth = 0; // points: the wider of the used and free texts, each rounded up; 0 unmeasured
    bool network = false;
    bool changed = false; // used bytes differ from the sample before

    // used ÷ total, 0 for a total below one byte.
    double usedFraction() const;
    bool operator==(const VolumeFigure &) const = default;
};

// The figures of the newest sample for the volumes that are both in the volume base and in
// that sample, in case-insensitive path order: the one list that widths, drawing and menu use.
struct VolumeFigures {
    std::vector<VolumeFigure> volumes;
    VolumeFigure all;

    const VolumeFigure *find(const QString &path) const;
    // The volumes a per-volume status image draws: all of them, or the local ones only.
    // Kept inline for the few volumes a machine has: the widths are measured every pass.
    using Drawn = QVarLengthArray<const VolumeFigure *, 16>;
    Drawn drawn(bool hideNetwork) const;
    // The fullest volume with a size, nullptr when none has one.
    const VolumeFigure *fullest() const;
};

class VolumeFigureTable {
public:
    // Nothing before the first sample or without a base. With `measure`, the width of the size
    // texts in the settings' font (only the status image's text element needs it). `kept`:
    // figures worked out before from the same base, `measure` and settings, whose texts are
    // reused where the sizes are the same.
    static std::optional<VolumeFigures> checkUsedFree(const History<VolumeSample> &history, const VolumeBase *base,
                                                      bool measure, const VolumeSettings &settings,
                                                      const VolumeFigures *kept = nullptr);
    // The same into `out`, whose storage is reused (the item works the figures out after
    // every pass); `kept` must be another object. False, leaving `out` unspecified, when
    // there is nothing.
    static bool checkUsedFree(const History<VolumeSample> &history, const VolumeBase *base, bool measure,
                              const VolumeSettings &settings, const VolumeFigures *kept, VolumeFigures &out);
    // The usage of `path` (or the sum, "all") in a sample, nullptr when the sample has none.
    static const VolumeUsage *find(const VolumeSample &sample, const QString &path);
};

} // namespace orb
