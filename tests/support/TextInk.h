#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>

namespace orb::test {

// Reads text off a drawn image by its ink, whatever size it was set in. The pixels of one
// colour inside an area are the drawn ink. A candidate text is set in black in the given
// font's family at the pixel sizes that make its ink as high and as wide as the drawn ink;
// each of its characters is laid over the drawn ink at its place and moved by a pixel or two
// to its best fit (status images are drawn large and scaled down, so the two differ by a
// pixel here and there).
//
// The likeness is the share of pixels inked in both among those inked in either, over all
// characters: near 0.9 for the text drawn, lower by some hundredths for each character
// that differs, 0 when there is no ink of that colour or no size makes the candidate as wide.
double inkLikeness(const QImage &image, const QRect &area, const QColor &colour, const QString &text,
                   const QFont &font);

// The likeness from which a candidate counts as drawn, and how far it must lead the next.
constexpr double kSameText = 0.75;
constexpr double kTextMargin = 0.02;

// Which of `candidates` the `colour` ink inside `area` reads as: the likeliest, when it
// counts as drawn and leads every other; otherwise an empty string. Give the expected text
// with the figures a wrong value, unit or rounding would show.
QString readInk(const QImage &image, const QRect &area, const QColor &colour, const QFont &font,
                const QStringList &candidates);

inline QString readInk(const QImage &image, const QColor &colour, const QFont &font, const QStringList &candidates)
{
    return readInk(image, image.rect(), colour, font, candidates);
}

// What `top` painted over `bottom` shows: a translucent text colour over its shadow.
QColor over(const QColor &top, const QColor &bottom);

} // namespace orb::test

// Test failures show texts as text.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
