#include "settings/ThemeStore.h"
#include "toolkit/OrbImageCapture.h"

#include "PlistSamples.h"
#include "TestEnvironment.h"
#include "settings/PlistCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using orb::ThemeStore;
using orb::test::readFile;
using orb::test::ScopedHome;
using orb::test::writeFile;

namespace {

QVariantMap readTheme(const QString &path)
{
    return orb::PlistCodec::parse(readFile(path)).value_or(QVariant()).toMap();
}

void expectCompleteTheme(const QVariantMap &theme, const QString &what)
{
    SCOPED_TRACE(what.toStdString());
    for (const QString &key : ThemeStore::colorKeys()) {
        const QVariantList c = theme.value(key).toList();
        ASSERT_EQ(c.size(), 4) << key.toStdString();
        for (const QVariant &v : c) {
            EXPECT_EQ(v.typeId(), QMetaType::Double) << key.toStdString();
            EXPECT_GE(v.toDouble(), 0.0);
            EXPECT_LE(v.toDouble(), 1.0);
        }
    }
    for (const QString &key : ThemeStore::imageKeys()) {
        const QImage image = QImage::fromData(theme.value(key).toByteArray());
        EXPECT_FALSE(image.isNull()) << key.toStdString();
    }
    for (const char *key : {"_Name", "_Author", "_Credit", "_AlternativeTheme", "_FontName", "_FontStyle",
                            "_FontPostScriptName"})
        EXPECT_EQ(theme.value(key).typeId(), QMetaType::QString) << key;
    EXPECT_EQ(theme.value("_ForDarkAppearance").typeId(), QMetaType::Bool);
    EXPECT_EQ(theme.value("_FontAdjust").typeId(), QMetaType::LongLong);
    EXPECT_EQ(theme.value("_FontSizeDiff").typeId(), QMetaType::LongLong);
}

QByteArray pngBytes(int w, int h, QColor fill)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return orb::OrbImageCapture::pngData(image);
}

TEST(ThemeStore, FirstStartInstallsThreeCompleteThemes)
{
    ScopedHome home;
    QVariantMap icons;
    const QVariantMap theme = ThemeStore::loadTheme(&icons);
    const QString dir = home.dataDir();
    for (const char *file : {"_light_theme.plist", "_dark_theme.plist", "_now_theme.plist"}) {
        ASSERT_TRUE(QFileInfo::exists(dir + "/" + file)) << file;
        expectCompleteTheme(readTheme(dir + "/" + file), file);
    }
    EXPECT_FALSE(readTheme(dir + "/_light_theme.plist").value("_ForDarkAppearance").toBool());
    EXPECT_TRUE(readTheme(dir + "/_dark_theme.plist").value("_ForDarkAppearance").toBool());
    expectCompleteTheme(theme, "loaded");
    EXPECT_EQ(theme.value("_FontPostScriptName"), "DejaVuSansMono-Bold");
    // The icons are merged into the loaded theme; the application's own stands in for N01.
    EXPECT_EQ(theme.value("N01").toByteArray(), ThemeStore::ownIconData());
    EXPECT_EQ(icons.value("O01").toByteArray(), ThemeStore::ownIconData());
    for (const char *key : {"M11", "O02", "O11", "O12", "O13", "O21", "O22", "O31", "O32", "O41", "O42", "N03"})
        EXPECT_TRUE(icons.contains(key)) << key;
    const auto list = ThemeStore::themeList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(ThemeStore::themeMenuTitle(list.first()), "○ Selected Theme");
    EXPECT_EQ(ThemeStore::themeDetailLabel(list.first()),
              "Orbmeter Light by Orbmeter\nReference theme shipped with Orbmeter\n○ for Light Appearance");
}

struct RepairCase {
    const char *what;
    std::function<void(QVariantMap &)> corrupt;
    std::function<void(const QVariantMap &loaded, const QVariantMap &reference)> check;
};

TEST(ThemeStore, CompletionRepairsBadValuesFromTheReference)
{
    const QVariantMap ref = ThemeStore::builtInReference(false);
    const RepairCase cases[] = {
        {"colour out of range", [](QVariantMap &t) { t["A01"] = QVariantList{1.2, 0.0, 0.0, 1.0}; },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["A01"], r["A01"]); }},
        {"three-entry colour", [](QVariantMap &t) { t["A01"] = QVariantList{0.5, 0.5, 0.5}; },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["A01"], r["A01"]); }},
        {"string colour", [](QVariantMap &t) { t["A01"] = QStringLiteral("red"); },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["A01"], r["A01"]); }},
        {"colour of strings", [](QVariantMap &t) { t["B02"] = QVariantList{"1", "0", "0", "1"}; },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["B02"], r["B02"]); }},
        {"valid colour kept", [](QVariantMap &t) { t["C01"] = QVariantList{0.0, qint64(1), 0.25, 0.5}; },
         [](const QVariantMap &l, const QVariantMap &) {
             EXPECT_EQ(l["C01"], (QVariantList{0.0, 1.0, 0.25, 0.5}));
         }},
        {"unknown key dropped", [](QVariantMap &t) { t["Q99"] = QStringLiteral("x"); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_FALSE(l.contains("Q99")); }},
        {"missing name", [](QVariantMap &t) { t.remove("_Name"); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_Name"], "_Untitled_"); }},
        {"number as name", [](QVariantMap &t) { t["_Name"] = qint64(5); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_Name"], "_Untitled_"); }},
        {"huge size difference", [](QVariantMap &t) { t["_FontSizeDiff"] = qint64(500); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_FontSizeDiff"].toLongLong(), 3); }},
        {"adjustment below range", [](QVariantMap &t) { t["_FontAdjust"] = qint64(-99); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_FontAdjust"].toLongLong(), -10); }},
        {"string size difference", [](QVariantMap &t) { t["_FontSizeDiff"] = QStringLiteral("2"); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_FontSizeDiff"].toLongLong(), 0); }},
        {"oversized image", [](QVariantMap &t) { t["L03"] = QByteArray(ThemeStore::kMaxImageBytes + 1, 'x'); },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["L03"], r["L03"]); }},
        {"empty image", [](QVariantMap &t) { t["L04"] = QByteArray(); },
         [](const QVariantMap &l, const QVariantMap &r) { EXPECT_EQ(l["L04"], r["L04"]); }},
        {"string dark flag", [](QVariantMap &t) { t["_ForDarkAppearance"] = QStringLiteral("yes"); },
         [](const QVariantMap &l, const QVariantMap &) { EXPECT_EQ(l["_ForDarkAppearance"], false); }},
    };
    for (const RepairCase &c : cases) {
        SCOPED_TRACE(c.what);
        ScopedHome home;
        QVariantMap theme = ref;
        c.corrupt(theme);
        writeFile(home.dataDir() + "/_now_theme.plist", orb::PlistCodec::toXml(theme));
        const QVariantMap loaded = ThemeStore::loadTheme();
        c.check(loaded, ref);
        // The file itself is repaired, and holds no icons beyond the theme's own keys.
        const QVariantMap onDisk = readTheme(home.dataDir() + "/_now_theme.plist");
        c.check(onDisk, ref);
        expectCompleteTheme(onDisk, c.what);
    }
}

TEST(ThemeStore, UnreadableCurrentThemeIsKeptAsideAndReplaced)
{
    for (const QByteArray &bytes : {QByteArray("<?xml version=\"1.0\"?><plist><dict><key>A01</key>"),
                                    QByteArray("\x00\x01garbage", 9), orb::PlistCodec::toXml(QVariantList{1, 2}),
                                    orb::test::nestedXml(200000), orb::test::nestedBinary(100000)}) {
        ScopedHome home;
        const QString now = home.dataDir() + "/_now_theme.plist";
        writeFile(now, bytes);
        const QVariantMap loaded = ThemeStore::loadTheme();
        expectCompleteTheme(loaded, "loaded");
        EXPECT_EQ(loaded.value("_Name"), "Orbmeter Light");
        expectCompleteTheme(readTheme(now), "repaired file");
        EXPECT_EQ(readFile(now + ".broken"), bytes);
        // The kept-aside copy is not offered as a theme.
        for (const QVariantMap &d : ThemeStore::themeList())
            EXPECT_FALSE(d.value("_FileName").toString().endsWith(".broken"));
    }
}

TEST(ThemeStore, MissingFontFallsBackWithoutRewritingACompleteTheme)
{
    ScopedHome home;
    QVariantMap theme = ThemeStore::builtInReference(false);
    theme["_FontName"] = "No Such Family";
    theme["_FontPostScriptName"] = "NoSuchFamily-Bold";
    const QString now = home.dataDir() + "/_now_theme.plist";
    writeFile(now, orb::PlistCodec::toXml(theme));
    const QVariantMap loaded = ThemeStore::loadTheme();
    EXPECT_EQ(loaded["_FontName"], "DejaVu Sans Mono");
    EXPECT_EQ(loaded["_FontStyle"], "Bold");
    EXPECT_EQ(loaded["_FontPostScriptName"], "DejaVuSansMono-Bold");
    EXPECT_EQ(readTheme(now)["_FontName"], "No Such Family");

    // With a style that does not match the family's members the font is not valid either.
    theme["_FontName"] = "DejaVu Sans Mono";
    theme["_FontPostScriptName"] = "DejaVuSansMono-Bold";
    theme["_FontStyle"] = "Italic";
    writeFile(now, orb::PlistCodec::toXml(theme));
    EXPECT_EQ(ThemeStore::loadTheme()["_FontStyle"], "Bold");
}

TEST(ThemeStore, PickingThemes)
{
    ScopedHome home;
    ThemeStore::loadTheme();
    const QString dir = home.dataDir();
    QVariantMap mine = ThemeStore::builtInReference(false);
    mine["_Name"] = "Mine";
    mine["A01"] = QVariantList{0.1, 0.2, 0.3, 1.0};
    writeFile(dir + "/_now_theme.plist", orb::PlistCodec::toXml(mine));
    const QByteArray current = readFile(dir + "/_now_theme.plist");

    // Picking the current theme keeps it.
    EXPECT_TRUE(ThemeStore::pickTheme("_now_theme.plist"));
    EXPECT_EQ(readFile(dir + "/_now_theme.plist"), current);
    // An unknown or escaping name changes nothing.
    EXPECT_FALSE(ThemeStore::pickTheme("absent.plist"));
    EXPECT_FALSE(ThemeStore::pickTheme("../x.plist"));
    EXPECT_EQ(readFile(dir + "/_now_theme.plist"), current);
    // Another theme replaces it, and the next load completes the copy.
    EXPECT_TRUE(ThemeStore::pickTheme("_dark_theme.plist"));
    EXPECT_EQ(readFile(dir + "/_now_theme.plist"), readFile(dir + "/_dark_theme.plist"));
    EXPECT_TRUE(ThemeStore::loadTheme().value("_ForDarkAppearance").toBool());
}

TEST(ThemeStore, ThemeListSkipsFilesThatAreNotThemes)
{
    ScopedHome home;
    ThemeStore::loadTheme();
    const QString dir = home.dataDir();
    QVariantMap night{{"_Name", "Night"}, {"_ForDarkAppearance", true}};
    writeFile(dir + "/night.plist", orb::PlistCodec::toXml(night));
    writeFile(dir + "/.plist", orb::PlistCodec::toXml(night));
    writeFile(dir + "/.hidden.plist", orb::PlistCodec::toXml(night));
    writeFile(dir + "/notes.txt", "x");
    writeFile(dir + "/L03.png", pngBytes(4, 4, Qt::red));
    writeFile(dir + "/odd.plist", "not a plist");

    QStringList titles, files;
    for (const QVariantMap &d : ThemeStore::themeList()) {
        titles << ThemeStore::themeMenuTitle(d);
        files << d.value("_FileName").toString();
    }
    EXPECT_EQ(files, (QStringList{"_now_theme.plist", "_dark_theme.plist", "_light_theme.plist", "night.plist",
                                  "odd.plist"}));
    EXPECT_EQ(titles, (QStringList{"○ Selected Theme", "● Orbmeter Dark", "○ Orbmeter Light", "● Night",
                                   "○ _Untitled_"}));
    const QVariantMap odd = ThemeStore::retThemeDetail("odd.plist");
    EXPECT_EQ(odd.value("_Author"), "_Untitled_");
    EXPECT_EQ(odd.value("_Credit"), "_Untitled_");
}

TEST(ThemeStore, SavingTakesImageOverridesAndTheFileName)
{
    ScopedHome home;
    const QVariantMap theme = ThemeStore::loadTheme();
    const QString dir = home.dataDir();
    const QByteArray l03 = pngBytes(18, 40, Qt::black);
    writeFile(dir + "/L03.png", l03);
    writeFile(dir + "/L04.png", QByteArray(ThemeStore::kMaxImageBytes + 10, '\x89'));
    writeFile(dir + "/L05.png", "this is not an image");
    writeFile(dir + "/M12.png", QByteArray());
    const QString dest = home.home() + "/Desktop/Mine.plist";
    QDir().mkpath(home.home() + "/Desktop");
    ASSERT_TRUE(ThemeStore::saveThemeFile(dest, theme));
    const QVariantMap saved = readTheme(dest);
    EXPECT_EQ(saved["_Name"], "Mine");
    EXPECT_EQ(saved["L03"].toByteArray(), l03);
    EXPECT_EQ(saved["L04"], theme["L04"]);
    EXPECT_EQ(saved["L05"], theme["L05"]);
    EXPECT_EQ(saved["M12"], theme["M12"]);

    ASSERT_TRUE(ThemeStore::saveThemeFile(home.home() + "/.plist", theme));
    EXPECT_EQ(readTheme(home.home() + "/.plist")["_Name"], "_Untitled_");
}

TEST(ThemeStore, ColourEditsAreSavedWithoutTheDesktopIcons)
{
    ScopedHome home;
    QVariantMap theme = ThemeStore::loadTheme();
    theme["A01"] = QVariantList{0.0, 0.0, 1.0, 1.0};
    ASSERT_TRUE(ThemeStore::saveNowTheme(theme));
    const QVariantMap onDisk = readTheme(home.dataDir() + "/_now_theme.plist");
    EXPECT_EQ(onDisk["A01"], (QVariantList{0.0, 0.0, 1.0, 1.0}));
    EXPECT_NE(onDisk.value("N01").toByteArray(), ThemeStore::ownIconData());
    EXPECT_EQ(ThemeStore::loadTheme()["A01"], (QVariantList{0.0, 0.0, 1.0, 1.0}));
}

TEST(ThemeStore, AlternativeThemeFollowsTheAppearance)
{
    ScopedHome home;
    const QVariantMap light = ThemeStore::loadTheme();
    EXPECT_EQ(ThemeStore::retAlternativeThemeFile(light, false), "");
    EXPECT_EQ(ThemeStore::retAlternativeThemeFile(light, true), "_dark_theme.plist");
    QVariantMap other = light;
    other["_AlternativeTheme"] = "gone.plist";
    EXPECT_EQ(ThemeStore::retAlternativeThemeFile(other, true), "");
    other["_AlternativeTheme"] = "_Untitled_";
    EXPECT_EQ(ThemeStore::retAlternativeThemeFile(other, true), "");
}

} // namespace

TEST(ThemeStore, AFifoAsTheCurrentThemeIsSetAsideWithoutWaiting)
{
    ScopedHome home;
    const QString now = home.dataDir() + "/_now_theme.plist";
    orb::test::FifoTrap fifo(now);
    ASSERT_TRUE(fifo.created());
    const QVariantMap loaded = ThemeStore::loadTheme();
    EXPECT_FALSE(fifo.stalled());
    expectCompleteTheme(loaded, "loaded");
    EXPECT_TRUE(QFileInfo(now).isFile());
    // Listing the themes reads the directory's files; a FIFO there is not one of them.
    writeFile(home.dataDir() + "/other.plist", readFile(now));
    orb::test::FifoTrap another(home.dataDir() + "/pipe.plist");
    QStringList listed;
    for (const QVariantMap &d : ThemeStore::themeList())
        listed << d.value("_FileName").toString();
    EXPECT_EQ(listed, (QStringList{"_now_theme.plist", "_dark_theme.plist", "_light_theme.plist", "other.plist"}));
    EXPECT_FALSE(ThemeStore::pickTheme("pipe.plist"));
    EXPECT_FALSE(another.stalled());
}

TEST(ThemeStore, ImagesLargerThanAnItemShowsAreRefusedFromTheHeader)
{
    // 5600 x 5600 pixels in about a hundred kilobytes: decoded, 30 MB each.
    static const QByteArray huge = [] {
        QImage image(5600, 5600, QImage::Format_Grayscale8);
        image.fill(0);
        return orb::OrbImageCapture::pngData(image);
    }();
    ASSERT_LT(huge.size(), ThemeStore::kMaxImageBytes);
    const int limit = ThemeStore::kMaxImagePixels;
    const struct {
        const char *key;
        QByteArray png;
        bool kept;
    } cases[] = {
        {"L01", huge, false},
        {"L02", pngBytes(limit, limit, Qt::red), true},
        {"L03", pngBytes(limit + 1, 8, Qt::red), false},
        {"M01", pngBytes(8, limit + 1, Qt::red), false},
    };
    ScopedHome home;
    QVariantMap theme = ThemeStore::builtInReference(false);
    for (const auto &c : cases)
        theme.insert(c.key, c.png);
    writeFile(home.dataDir() + "/_now_theme.plist", orb::PlistCodec::toXml(theme));
    orb::test::LogCapture log;
    const QVariantMap loaded = ThemeStore::loadTheme();
    const QVariantMap reference = ThemeStore::builtInReference(false);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(loaded.value(c.key).toByteArray(), c.kept ? c.png : reference.value(c.key).toByteArray());
    }
    EXPECT_TRUE(log.has({"L01", "5600 x 5600"}));

    // Image override files are held to the same limit.
    writeFile(home.dataDir() + "/L04.png", huge);
    writeFile(home.dataDir() + "/L05.png", pngBytes(limit, 20, Qt::blue));
    const QString dest = home.home() + "/Mine.plist";
    ASSERT_TRUE(ThemeStore::saveThemeFile(dest, loaded));
    const QVariantMap saved = readTheme(dest);
    EXPECT_EQ(saved.value("L04"), loaded.value("L04"));
    EXPECT_EQ(saved.value("L05").toByteArray(), pngBytes(limit, 20, Qt::blue));
}
