#include "settings/FontCatalog.h"

#include "platform/Logging.h"

#include <QHash>
#include <QMutex>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <memory>

namespace orb {
namespace {

struct Resolved {
    QString family;
    QString style;
};

QMutex cacheMutex;
QHash<QString, Resolved> &cache()
{
    static QHash<QString, Resolved> c;
    return c;
}

QString fcString(FcPattern *p, const char *object, int index)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(p, object, index, &value) != FcResultMatch || !value)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char *>(value));
}

struct FontSetDeleter {
    void operator()(FcFontSet *s) const { FcFontSetDestroy(s); }
};

// Every installed face whose `object` equals `value`, with family, style and PostScript name.
std::unique_ptr<FcFontSet, FontSetDeleter> listFaces(const char *object, const QString &value)
{
    FcPattern *pattern = FcPatternCreate();
    const QByteArray utf8 = value.toUtf8();
    FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8 *>(utf8.constData()));
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet *set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return std::unique_ptr<FcFontSet, FontSetDeleter>(set);
}

// Index of `family` among the face's family names; its style name sits at the same index.
int familyIndex(FcPattern *face, const QString &family)
{
    for (int i = 0;; ++i) {
        const QString name = fcString(face, FC_FAMILY, i);
        if (name.isNull())
            return 0;
        if (name.compare(family, Qt::CaseInsensitive) == 0)
            return i;
    }
}

QString styleAt(FcPattern *face, int index)
{
    QString style = fcString(face, FC_STYLE, index);
    return style.isNull() ? fcString(face, FC_STYLE, 0) : style;
}

Resolved resolve(const QString &name)
{
    if (!name.isEmpty()) {
        auto byPostScript = listFaces(FC_POSTSCRIPT_NAME, name);
        if (byPostScript && byPostScript->nfont > 0) {
            FcPattern *face = byPostScript->fonts[0];
            return {fcString(face, FC_FAMILY, 0), styleAt(face, 0)};
        }
        const QList<FontCatalog::Member> members = FontCatalog::members(name);
        if (!members.isEmpty())
            return {name, members.first().styleName};
    }
    qCInfo(lcSettings) << "font" << name << "is not installed; using" << FontCatalog::kFallbackFamily
                       << FontCatalog::kFallbackStyle;
    return {QString::fromLatin1(FontCatalog::kFallbackFamily), QString::fromLatin1(FontCatalog::kFallbackStyle)};
}

QFont makeFont(const Resolved &r, double pixelSize)
{
    QFont font(r.family);
    font.setStyleName(r.style);
    const double px = std::isfinite(pixelSize) ? pixelSize : 10.0;
    font.setPixelSize(std::clamp(static_cast<int>(std::lround(px)), 1, 4096));
    return font;
}

} // namespace

QList<FontCatalog::Member> FontCatalog::members(const QString &family)
{
    QList<Member> out;
    if (family.isEmpty())
        return out;
    auto set = listFaces(FC_FAMILY, family);
    if (!set)
        return out;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern *face = set->fonts[i];
        Member m{fcString(face, FC_POSTSCRIPT_NAME, 0), styleAt(face, familyIndex(face, family))};
        if (!out.contains(m))
            out.append(m);
    }
    return out;
}

bool FontCatalog::isValidFont(const QString &family, const QString &style, const QString &postScriptName)
{
    if (family.isEmpty() || postScriptName.isEmpty())
        return false;
    return members(family).contains(Member{postScriptName, style});
}

QFont FontCatalog::fontForName(const QString &name, double pixelSize)
{
    Resolved r;
    {
        QMutexLocker lock(&cacheMutex);
        auto it = cache().constFind(name);
        if (it != cache().constEnd())
            r = *it;
    }
    if (r.family.isEmpty()) {
        r = resolve(name);
        QMutexLocker lock(&cacheMutex);
        cache().insert(name, r);
    }
    return makeFont(r, pixelSize);
}

QFont FontCatalog::fallbackFont(double pixelSize)
{
    return makeFont({QString::fromLatin1(kFallbackFamily), QString::fromLatin1(kFallbackStyle)}, pixelSize);
}

void FontCatalog::clearCache()
{
    QMutexLocker lock(&cacheMutex);
    cache().clear();
}

} // namespace orb
