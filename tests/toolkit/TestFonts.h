#pragma once
#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace orb::test {

// DejaVu Sans at `pixelSize`, loaded from the system font directory so measurements do
// not depend on the machine's font configuration.
inline QFont dejaVuSans(int pixelSize)
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString("DejaVu Sans") : families.first();
    }();
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace orb::test
