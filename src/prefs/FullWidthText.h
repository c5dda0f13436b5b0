#pragma once
#include <QString>
#include <functional>

class QFont;

namespace orb {

// Menu entries written with full-width punctuation ("KB/s（Bytes）") show as boxes where no
// font has those forms. Where one is missing, the entry is shown with the ordinary
// characters instead; what is stored stays the same.
class FullWidthText {
public:
    // `text` with each full-width form (U+FF01..U+FF5E, and the ideographic space) that
    // `renderable` rejects replaced by its ordinary character; an opening bracket so replaced
    // after a letter or digit gets a space before it, as ordinary text would have.
    static QString shown(const QString &text, const std::function<bool(char32_t)> &renderable);
    // The same for what `font` (with the fonts the system falls back on) can draw.
    static QString shown(const QString &text, const QFont &font);
};

} // namespace orb
