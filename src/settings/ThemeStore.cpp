#include "settings/ThemeStore.h"
#include "toolkit/OrbImageCapture.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "settings/FontCatalog.h"
#include "settings/PlistCodec.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QStandardPaths>
#include <cmath>
#include <optional>

namespace orb {
namespace {

constexpr int kIconPixels = 120; // 60 x 60 points at 2 pixels per point

QString dirFile(const QString &dir, const QString &name) { return dir + QLatin1Char('/') + name; }

QString referenceFile(bool dark)
{
    return QLatin1String(dark ? ThemeStore::kDarkThemeName : ThemeStore::kLightThemeName) + QLatin1String(".plist");
}

// A regular file of at most `cap` bytes; a FIFO or device in its place is not waited on.
std::optional<QByteArray> readCapped(const QString &path, qint64 cap)
{
    AtomicFile::ReadResult r = AtomicFile::read(path, cap);
    if (r.ok())
        return std::move(r.bytes);
    if (r.status == AtomicFile::ReadResult::Status::TooLarge)
        qCWarning(lcSettings) << path << "is larger than" << cap << "bytes; ignored";
    else if (r.status != AtomicFile::ReadResult::Status::Missing)
        qCWarning(lcSettings).noquote() << QStringLiteral("%1 cannot be read (%2); ignored").arg(path, r.reason());
    return std::nullopt;
}

// The root dictionary of a property-list file, or nothing when it is missing or not one.
std::optional<QVariantMap> readThemeFile(const QString &path)
{
    const auto bytes = readCapped(path, ThemeStore::kMaxThemeFileBytes);
    if (!bytes)
        return std::nullopt;
    QString error;
    const auto root = PlistCodec::parse(*bytes, &error);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        qCWarning(lcSettings) << "theme file" << path << "is not a property-list dictionary" << error;
        return std::nullopt;
    }
    return root->toMap();
}

bool writeTheme(const QString &path, const QVariantMap &theme)
{
    return AtomicFile::write(path, PlistCodec::toXml(theme));
}

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isInteger(const QVariant &v) { return isNumber(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float; }

// Accepts a colour only as four finite numbers in 0..1.
std::optional<QVariantList> validColour(const QVariant &v)
{
    if (v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = v.toList();
    if (list.size() != 4)
        return std::nullopt;
    QVariantList out;
    for (const QVariant &c : list) {
        if (!isNumber(c))
            return std::nullopt;
        const double d = c.toDouble();
        if (!std::isfinite(d) || d < 0.0 || d > 1.0)
            return std::nullopt;
        out.append(d);
    }
    return out;
}

// Allowed range of the integer keys.
std::optional<std::pair<qint64, qint64>> integerRange(const QString &key)
{
    if (key == QLatin1String("_FontAdjust"))
        return std::make_pair(qint64(-10), qint64(10));
    if (key == QLatin1String("_FontSizeDiff"))
        return std::make_pair(qint64(-3), qint64(3));
    return std::nullopt;
}

enum class ImageCheck { Fine, NotAnImage, TooLarge };

// Looks at the image's header only: decoding a small file of huge dimensions would take
// hundreds of megabytes for the whole run.
ImageCheck checkImage(const QByteArray &bytes, QSize *size = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return ImageCheck::NotAnImage;
    const QSize s = reader.size();
    if (size)
        *size = s;
    if (!s.isValid() || s.width() > ThemeStore::kMaxImagePixels || s.height() > ThemeStore::kMaxImagePixels)
        return ImageCheck::TooLarge;
    return ImageCheck::Fine;
}

QString localized(const char *text) { return QCoreApplication::translate("ThemeStore", text); }

} // namespace

const QStringList &ThemeStore::colorKeys()
{
    static const QStringList keys = [] {
        QStringList k;
        const std::pair<char, int> groups[] = {{'A', 10}, {'B', 10}, {'C', 6}, {'D', 4},
                                               {'E', 7},  {'F', 4},  {'G', 4}, {'H', 5}};
        for (auto [letter, count] : groups)
            for (int i = 1; i <= count; ++i)
                k << QStringLiteral("%1%2").arg(QChar::fromLatin1(letter)).arg(i, 2, 10, QLatin1Char('0'));
        k << QStringLiteral("Z01") << QStringLiteral("Z03");
        return k;
    }();
    return keys;
}

const QStringList &ThemeStore::imageKeys()
{
    static const QStringList keys = [] {
        QStringList k;
        for (int i = 1; i <= 9; ++i)
            k << QStringLiteral("L0%1").arg(i);
        for (int i = 1; i <= 6; ++i)
            k << QStringLiteral("M0%1").arg(i);
        k << "M11" << "M12" << "N01" << "N03" << "O01" << "O02" << "O11" << "O12" << "O13" << "O21" << "O22"
          << "O31" << "O32" << "O41" << "O42";
        return k;
    }();
    return keys;
}

QString ThemeStore::checkAndRetMyApplicationSupportDir()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    const QString dir = base + QStringLiteral("/Orbmeter9");
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
        qCWarning(lcSettings) << "cannot create the application-support directory" << dir;
        return QString();
    }
    return dir;
}

QVariantMap ThemeStore::builtInReference(bool dark)
{
    QFile f(QStringLiteral(":/themes/") + referenceFile(dark));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const auto root = PlistCodec::parse(f.readAll());
    return root ? root->toMap() : QVariantMap();
}

QVariantMap ThemeStore::loadTheme(QVariantMap *iconDict)
{
    const QVariantMap icons = retDefaultAppIcons();
    if (iconDict)
        *iconDict = icons;
    return checkThemeValues(checkNowThemeFile(), icons);
}

QVariantMap ThemeStore::checkNowThemeFile()
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty())
        return builtInReference(false);
    for (bool dark : {false, true}) {
        QFile resource(QStringLiteral(":/themes/") + referenceFile(dark));
        if (!resource.open(QIODevice::ReadOnly) || !AtomicFile::write(dirFile(dir, referenceFile(dark)), resource.readAll()))
            qCWarning(lcSettings) << "cannot install the reference theme" << referenceFile(dark);
    }
    const QString now = dirFile(dir, QLatin1String(kNowThemeFile));
    const QString light = dirFile(dir, referenceFile(false));
    if (!QFileInfo::exists(now)) {
        const auto bytes = readCapped(light, kMaxThemeFileBytes);
        if (!bytes || !AtomicFile::write(now, *bytes))
            qCWarning(lcSettings) << "cannot create" << now;
    }
    if (auto theme = readThemeFile(now))
        return *theme;
    // Keep what the user had for inspection and start again from the light reference.
    if (QFileInfo::exists(now)) {
        const QString aside = now + QStringLiteral(".broken");
        QFile::remove(aside);
        if (QFile::rename(now, aside))
            qCWarning(lcSettings) << "kept the unreadable current theme as" << aside;
    }
    const auto bytes = readCapped(light, kMaxThemeFileBytes);
    if (bytes)
        AtomicFile::write(now, *bytes);
    return readThemeFile(now).value_or(builtInReference(false));
}

QVariantMap ThemeStore::checkThemeValues(const QVariantMap &theme, const QVariantMap &iconDict)
{
    const QVariant darkValue = theme.value(QStringLiteral("_ForDarkAppearance"));
    const bool dark = darkValue.typeId() == QMetaType::Bool && darkValue.toBool();
    const QString dir = checkAndRetMyApplicationSupportDir();
    QVariantMap reference;
    if (!dir.isEmpty())
        reference = readThemeFile(dirFile(dir, referenceFile(dark))).value_or(QVariantMap());
    if (reference.isEmpty())
        reference = builtInReference(dark);

    QVariantMap completed;
    bool changed = false;
    auto replaced = [&changed](const QString &key, const char *why) {
        qCInfo(lcSettings) << "theme value" << key << why << "- repaired";
        changed = true;
    };
    for (auto it = reference.constBegin(); it != reference.constEnd(); ++it) {
        const QString &key = it.key();
        const QVariant &ref = it.value();
        const bool present = theme.contains(key);
        const QVariant value = theme.value(key);
        switch (ref.typeId()) {
        case QMetaType::QVariantList: {
            const auto colour = present ? validColour(value) : std::nullopt;
            completed.insert(key, colour ? QVariant(*colour) : ref);
            if (!colour)
                replaced(key, present ? "is not four numbers in 0..1" : "is missing");
            break;
        }
        case QMetaType::QByteArray: {
            bool ok = present && value.typeId() == QMetaType::QByteArray && !value.toByteArray().isEmpty()
                      && value.toByteArray().size() <= kMaxImageBytes;
            const char *why = present ? "is not image data of a usable size" : "is missing";
            QSize size;
            if (ok && checkImage(value.toByteArray(), &size) == ImageCheck::TooLarge) {
                qCWarning(lcSettings).noquote() << QStringLiteral("theme image %1 is %2 x %3 pixels, more than %4 x %4; "
                                                                  "the reference image is used")
                                                       .arg(key)
                                                       .arg(size.width())
                                                       .arg(size.height())
                                                       .arg(kMaxImagePixels);
                ok = false;
                why = "is larger than an item can show";
            }
            completed.insert(key, ok ? value : ref);
            if (!ok)
                replaced(key, why);
            break;
        }
        case QMetaType::Bool: {
            const bool ok = present && value.typeId() == QMetaType::Bool;
            completed.insert(key, ok ? value : (key == QLatin1String("_ForDarkAppearance") ? QVariant(dark) : ref));
            if (!ok)
                replaced(key, present ? "is not a boolean" : "is missing");
            break;
        }
        case QMetaType::QString: {
            const bool ok = present && value.typeId() == QMetaType::QString;
            completed.insert(key, ok ? value : QVariant(QString::fromLatin1(kUntitled)));
            if (!ok)
                replaced(key, present ? "is not a string" : "is missing");
            break;
        }
        default: {
            if (!isNumber(ref)) {
                completed.insert(key, ref);
                break;
            }
            const bool ok = present && isNumber(value) && std::isfinite(value.toDouble());
            if (!ok) {
                completed.insert(key, ref);
                replaced(key, present ? "is not a number" : "is missing");
                break;
            }
            if (!isInteger(ref)) {
                completed.insert(key, value.toDouble());
                break;
            }
            const double d = value.toDouble();
            qint64 n = isInteger(value) ? value.toLongLong() : static_cast<qint64>(std::clamp(d, -1e15, 1e15));
            if (const auto range = integerRange(key)) {
                const qint64 clamped = std::clamp(n, range->first, range->second);
                if (clamped != n || !isInteger(value))
                    replaced(key, "is out of range");
                n = clamped;
            }
            completed.insert(key, n);
            break;
        }
        }
    }
    for (auto it = theme.constBegin(); it != theme.constEnd(); ++it) {
        if (!reference.contains(it.key()))
            qCInfo(lcSettings) << "theme key" << it.key() << "is unknown; dropped";
    }

    const QString nowPath = dir.isEmpty() ? QString() : dirFile(dir, QLatin1String(kNowThemeFile));
    const QString family = completed.value(QStringLiteral("_FontName")).toString();
    const QString style = completed.value(QStringLiteral("_FontStyle")).toString();
    const QString postScript = completed.value(QStringLiteral("_FontPostScriptName")).toString();
    if (FontCatalog::isValidFont(family, style, postScript)) {
        if (!nowPath.isEmpty())
            writeTheme(nowPath, completed);
    } else {
        qCInfo(lcSettings) << "theme font" << family << style << postScript << "is not installed; using"
                           << FontCatalog::kFallbackFamily << FontCatalog::kFallbackStyle;
        completed.insert(QStringLiteral("_FontName"), QString::fromLatin1(FontCatalog::kFallbackFamily));
        completed.insert(QStringLiteral("_FontPostScriptName"), QString::fromLatin1(FontCatalog::kFallbackPostScriptName));
        completed.insert(QStringLiteral("_FontStyle"), QString::fromLatin1(FontCatalog::kFallbackStyle));
        if (changed && !nowPath.isEmpty())
            writeTheme(nowPath, completed);
    }
    for (auto it = iconDict.constBegin(); it != iconDict.constEnd(); ++it)
        completed.insert(it.key(), it.value());
    return completed;
}

QByteArray ThemeStore::ownIconData()
{
    static const QByteArray data = [] {
        QImage icon(QStringLiteral(":/icons/orbmeter.png"));
        if (icon.isNull())
            return QByteArray();
        return OrbImageCapture::pngData(icon.scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }();
    return data;
}

QByteArray ThemeStore::retDataFromAppPath(const QStringList &iconNames, const QByteArray &defData)
{
    // Icon themes need a GUI application; the command-line tools have none.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return defData;
    for (const QString &name : iconNames) {
        if (!QIcon::hasThemeIcon(name))
            continue;
        const QPixmap pixmap = QIcon::fromTheme(name).pixmap(kIconPixels, kIconPixels);
        if (pixmap.isNull())
            continue;
        QImage image = pixmap.toImage();
        if (image.width() != kIconPixels || image.height() != kIconPixels)
            image = image.scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QByteArray png = OrbImageCapture::pngData(image);
        if (!png.isEmpty())
            return png;
    }
    return defData;
}

QVariantMap ThemeStore::retDefaultAppIcons()
{
    const QByteArray own = ownIconData();
    const std::pair<const char *, QStringList> table[] = {
        {"N01", {}},
        {"O01", {}},
        {"M11", {QStringLiteral("system-file-manager")}},
        {"O02", {QStringLiteral("system-file-manager")}},
        {"N03", {QStringLiteral("preferences-desktop-remote-desktop")}},
        {"O41", {QStringLiteral("preferences-desktop-remote-desktop")}},
        {"O21", {QStringLiteral("preferences-system-network")}},
        {"O11", {QStringLiteral("utilities-system-monitor")}},
        {"O12", {QStringLiteral("utilities-log-viewer")}},
        {"O13", {QStringLiteral("utilities-terminal")}},
        {"O31", {QStringLiteral("drive-harddisk")}},
        {"O22", {QStringLiteral("preferences-system-network")}},
        {"O32", {QStringLiteral("computer")}},
        {"O42", {QStringLiteral("preferences-system-sharing"), QStringLiteral("preferences-desktop-remote-desktop")}},
    };
    QVariantMap icons;
    QHash<QString, QByteArray> byName; // one lookup per icon name
    for (const auto &[key, names] : table) {
        const QString first = names.value(0);
        if (!byName.contains(first))
            byName.insert(first, names.isEmpty() ? own : retDataFromAppPath(names, own));
        const QByteArray data = byName.value(first);
        if (!data.isEmpty())
            icons.insert(QLatin1String(key), data);
    }
    return icons;
}

QVariantMap ThemeStore::retDataFromImageFile(const QString &key, QVariantMap mDict)
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty())
        return mDict;
    const QString path = QStringLiteral("%1/%2.png").arg(dir, key);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return mDict;
    const auto bytes = readCapped(path, kMaxImageBytes);
    if (!bytes || bytes->isEmpty())
        return mDict;
    QSize size;
    switch (checkImage(*bytes, &size)) {
    case ImageCheck::Fine:
        break;
    case ImageCheck::NotAnImage:
        qCWarning(lcSettings) << "image override" << path << "is not an image; ignored";
        return mDict;
    case ImageCheck::TooLarge:
        qCWarning(lcSettings).noquote() << QStringLiteral("image override %1 is %2 x %3 pixels, more than %4 x %4; ignored")
                                               .arg(path)
                                               .arg(size.width())
                                               .arg(size.height())
                                               .arg(kMaxImagePixels);
        return mDict;
    }
    mDict.insert(key, *bytes);
    return mDict;
}

bool ThemeStore::saveThemeFile(const QString &destPath, const QVariantMap &themeDict)
{
    QVariantMap copy = themeDict;
    const QString name = QFileInfo(destPath).completeBaseName();
    copy.insert(QStringLiteral("_Name"), name.isEmpty() ? QString::fromLatin1(kUntitled) : name);
    QStringList overrides;
    for (int i = 1; i <= 9; ++i)
        overrides << QStringLiteral("L0%1").arg(i);
    for (int i = 1; i <= 6; ++i)
        overrides << QStringLiteral("M0%1").arg(i);
    overrides << QStringLiteral("M12");
    for (const QString &key : overrides)
        copy = retDataFromImageFile(key, copy);
    return writeTheme(destPath, copy);
}

QVariantMap ThemeStore::readNowTheme()
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty())
        return {};
    return readThemeFile(dirFile(dir, QLatin1String(kNowThemeFile))).value_or(QVariantMap());
}

bool ThemeStore::saveNowTheme(const QVariantMap &themeDict)
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty())
        return false;
    QVariantMap copy = themeDict;
    // The desktop's icons are merged at load time and never stored.
    for (auto it = themeDict.constBegin(); it != themeDict.constEnd(); ++it) {
        if (it.value().typeId() != QMetaType::QByteArray)
            continue;
        static const QVariantMap icons = retDefaultAppIcons();
        if (icons.value(it.key()).toByteArray() == it.value().toByteArray())
            copy.remove(it.key());
    }
    return writeTheme(dirFile(dir, QLatin1String(kNowThemeFile)), copy);
}

QVariantMap ThemeStore::retThemeDetail(const QString &fileName)
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    const QVariantMap theme = dir.isEmpty() ? QVariantMap() : readThemeFile(dirFile(dir, fileName)).value_or(QVariantMap());
    QVariantMap detail{{QStringLiteral("_FileName"), fileName}};
    for (const char *key : {"_Name", "_Author", "_Credit"}) {
        const QVariant v = theme.value(QLatin1String(key));
        detail.insert(QLatin1String(key), v.typeId() == QMetaType::QString ? v.toString() : QString::fromLatin1(kUntitled));
    }
    const QVariant dark = theme.value(QStringLiteral("_ForDarkAppearance"));
    detail.insert(QStringLiteral("_ForDarkAppearance"), dark.typeId() == QMetaType::Bool && dark.toBool());
    return detail;
}

QList<QVariantMap> ThemeStore::themeList()
{
    QList<QVariantMap> list;
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty())
        return list;
    const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &f : files) {
        if (f == QLatin1String(kNowThemeFile)) {
            list.prepend(retThemeDetail(f));
            continue;
        }
        if (f.size() <= 6 || f.startsWith(QLatin1Char('.')) || QFileInfo(f).suffix() != QLatin1String("plist"))
            continue;
        list.append(retThemeDetail(f));
    }
    return list;
}

QString ThemeStore::themeMenuTitle(const QVariantMap &detail)
{
    const QString mark = detail.value(QStringLiteral("_ForDarkAppearance")).toBool() ? QStringLiteral("●")
                                                                                      : QStringLiteral("○");
    const QString title = detail.value(QStringLiteral("_FileName")).toString() == QLatin1String(kNowThemeFile)
                              ? localized("Selected Theme")
                              : detail.value(QStringLiteral("_Name")).toString();
    return mark + QLatin1Char(' ') + title;
}

QString ThemeStore::themeDetailLabel(const QVariantMap &detail)
{
    const QString appearance = detail.value(QStringLiteral("_ForDarkAppearance")).toBool()
                                   ? localized("● for Dark Appearance")
                                   : localized("○ for Light Appearance");
    return QStringLiteral("%1 by %2\n%3\n%4")
        .arg(detail.value(QStringLiteral("_Name")).toString(), detail.value(QStringLiteral("_Author")).toString(),
             detail.value(QStringLiteral("_Credit")).toString(), appearance);
}

bool ThemeStore::pickTheme(const QString &fileName)
{
    const QString dir = checkAndRetMyApplicationSupportDir();
    if (dir.isEmpty() || fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName.startsWith(QLatin1Char('.')))
        return false;
    // The current theme copied onto itself would be lost: nothing to do.
    if (fileName == QLatin1String(kNowThemeFile))
        return true;
    const auto bytes = readCapped(dirFile(dir, fileName), kMaxThemeFileBytes);
    if (!bytes) {
        qCWarning(lcSettings) << "theme" << fileName << "cannot be read; the current theme stays";
        return false;
    }
    return AtomicFile::write(dirFile(dir, QLatin1String(kNowThemeFile)), *bytes);
}

QString ThemeStore::retAlternativeThemeFile(const QVariantMap &theme, bool darkMode)
{
    if (theme.value(QStringLiteral("_ForDarkAppearance")).toBool() == darkMode)
        return QString();
    const QVariant alt = theme.value(QStringLiteral("_AlternativeTheme"));
    if (alt.typeId() != QMetaType::QString || alt.toString().isEmpty() || alt.toString() == QLatin1String(kUntitled))
        return QString();
    for (const QVariantMap &detail : themeList()) {
        if (detail.value(QStringLiteral("_FileName")).toString() == alt.toString())
            return alt.toString();
    }
    return QString();
}

} // namespace orb
