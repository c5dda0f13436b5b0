#include "settings/ModuleDefaultsBuilder.h"

#include "settings/SettingsStore.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QImage>
#include <cmath>

namespace orb {

ModuleDefaultsBuilder::ModuleDefaultsBuilder(SettingsStore &store, const QVariantMap &theme)
    : store_(store), theme_(theme)
{
}

void ModuleDefaultsBuilder::copyBools(std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        dict_.insert(QLatin1String(k), store_.boolForKey(QLatin1String(k)));
}

void ModuleDefaultsBuilder::copyIntegers(std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        dict_.insert(QLatin1String(k), store_.integerForKey(QLatin1String(k)));
}

void ModuleDefaultsBuilder::copyTruncated(std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        const double v = store_.doubleForKey(QLatin1String(k));
        dict_.insert(QLatin1String(k), std::isfinite(v) && std::fabs(v) < 1e15 ? qint64(std::trunc(v)) : qint64(0));
    }
}

void ModuleDefaultsBuilder::copyArray(const char *key)
{
    dict_.insert(QLatin1String(key), store_.arrayForKey(QLatin1String(key)));
}

void ModuleDefaultsBuilder::copyString(const char *key)
{
    const QString k = QLatin1String(key);
    if (store_.contains(k))
        dict_.insert(k, store_.stringForKey(k));
}

void ModuleDefaultsBuilder::padding(const char *key)
{
    const qint64 v = store_.integerForKey(QLatin1String(key));
    dict_.insert(QLatin1String(key), v != 0 ? v : qint64(1));
}

void ModuleDefaultsBuilder::themeColors(std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        const QString key = QLatin1String(k);
        if (theme_.contains(key))
            dict_.insert(key, OrbColors::retColorFromArray(theme_.value(key)));
    }
}

void ModuleDefaultsBuilder::themeColorRange(char prefix, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        const QString key = QStringLiteral("%1%2").arg(QLatin1Char(prefix)).arg(i, 2, 10, QLatin1Char('0'));
        if (theme_.contains(key))
            dict_.insert(key, OrbColors::retColorFromArray(theme_.value(key)));
    }
}

void ModuleDefaultsBuilder::themeImages(std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        const QString key = QLatin1String(k);
        const QVariant v = theme_.value(key);
        if (v.typeId() == QMetaType::QImage) {
            dict_.insert(key, v);
        } else if (v.typeId() == QMetaType::QByteArray) {
            QImage image = QImage::fromData(v.toByteArray());
            if (!image.isNull())
                dict_.insert(key, image);
        }
    }
}

void ModuleDefaultsBuilder::fontKeys()
{
    for (const char *k : {"_ForDarkAppearance", "_FontPostScriptName", "_FontAdjust", "_FontSizeDiff"}) {
        const QString key = QLatin1String(k);
        if (theme_.contains(key))
            dict_.insert(key, theme_.value(key));
    }
}

double ModuleDefaultsBuilder::baseFontSize() const
{
    return 10.0 + theme_.value(QStringLiteral("_FontSizeDiff")).toDouble();
}

QString ModuleDefaultsBuilder::fontName() const { return theme_.value(QStringLiteral("_FontPostScriptName")).toString(); }

double ModuleDefaultsBuilder::measure(const QStringList &strings, double size) const
{
    return OrbFormat::calcMenuLabelSize(strings, size, fontName());
}

} // namespace orb
