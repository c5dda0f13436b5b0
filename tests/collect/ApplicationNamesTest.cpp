#include "collect/ApplicationNames.h"

#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace orb;

namespace {

QString nameOf(const ApplicationNames &names, const char *executable)
{
    const QString *n = names.lookup(executable);
    return n ? *n : QStringLiteral("<none>");
}

const QStringList kDirs{QStringLiteral("/home/user/.local/share"), QStringLiteral("/usr/share")};

} // namespace

TEST(ApplicationNames, ProgramOfAnExecLine)
{
    const std::pair<const char *, const char *> cases[] = {
        {"firefox %u", "firefox"},
        {"/usr/lib/firefox-esr/firefox-esr %u", "firefox-esr"},
        {"env GDK_BACKEND=x11 -u FOO foo --x", "foo"},
        {"env -S \"baz --q\"", "baz"},
        {"python3 /usr/bin/meld %F", "meld"},
        {"/usr/bin/python3.11 -O /opt/tool/tool.py", "tool.py"},
        {"sh -c \"bar --baz\"", "bar"},
        {"flatpak run --branch=stable --arch=x86_64 --command=gimp org.gimp.GIMP", "gimp"},
        {"flatpak run org.example.App", ""},
        {"\"/opt/My App/run me\" --flag", "run me"},
        {"  spaced\tout  ", "spaced"},
        {"env", ""},
        {"", ""},
    };
    for (const auto &[exec, program] : cases)
        EXPECT_EQ(ApplicationNames::execProgram(exec), program) << exec;
}

TEST(ApplicationNames, TableFromTheFixtureEntries)
{
    ApplicationNames names(kDirs, {});
    EXPECT_TRUE(names.refresh(Sysroot(test::fixturePath("procs-edge-a").toStdString()), 0.0));
    const std::pair<const char *, const char *> cases[] = {
        {"gnome-system-monitor", "System Monitor"},   // desktop actions after the entry are ignored
        {"firefox-esr", "Firefox ESR"},               // Exec with a path and a field code
        {"chatclient", "Chat"},                       // StartupWMClass
        {"launch.sh", "Chat"},                        // and the program of its Exec
        {"FIREFOX-ESR", "Firefox ESR"},               // case does not matter
        {"meld", "Meld (mine)"},                      // the user's entry of the same id wins
        {"python3", "<none>"},                        // interpreters name nothing
        {"plainjob", "<none>"},                       // Hidden=true
        {"worker", "<none>"},                         // a Link entry, not an application
        {"evil", "Evil App <b>&amp;</b> $(rm -rf ~)"}, // escapes undone, line feed flattened, text kept as it is
        {"", "<none>"},
    };
    for (const auto &[exe, name] : cases)
        EXPECT_EQ(nameOf(names, exe), QString::fromUtf8(name)) << exe;
}

TEST(ApplicationNames, TranslatedNameForTheLocale)
{
    const Sysroot root(test::fixturePath("procs-edge-a").toStdString());
    const std::pair<QStringList, const char *> cases[] = {
        {{"de_DE", "de"}, "Systemüberwachung"},
        {{"de"}, "Systemüberwachung"},
        {{"fr_FR", "fr"}, "System Monitor"},
        {{}, "System Monitor"},
    };
    for (const auto &[locales, expected] : cases) {
        ApplicationNames names(kDirs, locales);
        names.refresh(root, 0.0);
        EXPECT_EQ(nameOf(names, "gnome-system-monitor"), QString::fromUtf8(expected)) << locales.join(',').toStdString();
    }
}

TEST(ApplicationNames, RebuiltWhenAnApplicationsFolderChanges)
{
    QTemporaryDir dir;
    const QString apps = dir.path() + "/usr/share/applications";
    test::writeFile(apps + "/a.desktop", "[Desktop Entry]\nType=Application\nName=Alpha\nExec=alpha\n");
    const Sysroot root(dir.path().toStdString());
    ApplicationNames names({QStringLiteral("/usr/share")}, {});
    ASSERT_TRUE(names.refresh(root, 100.0));
    const uint32_t generation = names.generation();
    EXPECT_EQ(nameOf(names, "alpha"), "Alpha");

    test::writeFile(apps + "/b.desktop", "[Desktop Entry]\nType=Application\nName=Beta\nExec=beta\n");
    // Make sure the folder's time moves even on a coarse clock.
    struct utimbuf later{std::time(nullptr) + 60, std::time(nullptr) + 60};
    ASSERT_EQ(::utime(apps.toLocal8Bit().constData(), &later), 0);

    EXPECT_FALSE(names.refresh(root, 105.0)) << "checked again before ten seconds passed";
    EXPECT_EQ(nameOf(names, "beta"), "<none>");
    EXPECT_TRUE(names.refresh(root, 111.0));
    EXPECT_EQ(nameOf(names, "beta"), "Beta");
    EXPECT_GT(names.generation(), generation);
    EXPECT_FALSE(names.refresh(root, 125.0)) << "nothing changed since";
}

TEST(ApplicationNames, OversizedAndMissingFoldersAreHarmless)
{
    QTemporaryDir dir;
    const QString apps = dir.path() + "/usr/share/applications";
    QByteArray huge = "[Desktop Entry]\nType=Application\nName=Huge\nExec=huge\n";
    huge += QByteArray(70 * 1024, '#');
    test::writeFile(apps + "/huge.desktop", huge);
    test::writeFile(apps + "/sub/nested.desktop", "[Desktop Entry]\nType=Application\nName=Nested\nExec=nested\n");
    ApplicationNames names({QStringLiteral("/nowhere"), QStringLiteral("/usr/share")}, {});
    ASSERT_TRUE(names.refresh(Sysroot(dir.path().toStdString()), 0.0));
    EXPECT_EQ(nameOf(names, "huge"), "<none>");
    EXPECT_EQ(nameOf(names, "nested"), "Nested");
}
