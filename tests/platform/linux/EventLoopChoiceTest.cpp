// Which event loop the monitor's threads run: Qt's own, except where the GTK platform theme
// is loaded and needs GLib's; and the choice never leaks into programs started later.
#include "platform/linux/EventLoopChoice.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>

using namespace orb;

TEST(EventLoopChoice, QtsOwnLoopUnlessAGtkThemeIsLoaded)
{
    struct Case {
        const char *what;
        bool userChose;
        const char *theme;
        const char *desktop;
        bool qtLoop;
    };
    const Case cases[] = {
        {"no desktop named (headless, a bare window manager)", false, "", "", true},
        {"KDE", false, "", "KDE", true},
        {"LXQt", false, "", "LXQt", true},
        {"sway", false, "", "sway", true},
        {"GNOME", false, "", "GNOME", false},
        {"GNOME under another name first", false, "", "ubuntu:GNOME", false},
        {"Budgie names GNOME second", false, "", "Budgie:GNOME", false},
        {"Xfce in lower case", false, "", "xfce", false},
        {"Cinnamon", false, "", "X-Cinnamon", false},
        {"MATE", false, "", "MATE", false},
        {"a GNOME-like name that is not GNOME", false, "", "GNOME-Flashback-Foo", true},
        {"GTK theme asked for on KDE", false, "gtk3", "KDE", false},
        {"GTK theme asked for with no desktop", false, " GTK3 ", "", false},
        {"a Qt theme asked for on GNOME", false, "qt6ct", "GNOME", true},
        {"the portal theme wraps GNOME's", false, "xdgdesktopportal", "GNOME", false},
        {"the portal theme wraps KDE's", false, "xdgdesktopportal", "KDE", true},
        {"the user set QT_NO_GLIB already", true, "", "KDE", false},
    };
    for (const Case &c : cases) {
        EventLoopChoice::Inputs in;
        in.userChose = c.userChose;
        in.platformTheme = c.theme;
        in.desktop = c.desktop;
        EXPECT_EQ(EventLoopChoice::qtLoopWanted(in), c.qtLoop) << c.what;
    }
}

namespace {

// A thread that notes the loop it was given. The note is handed over under a std::mutex:
// QThread's own start and finish hand-shake is invisible to ThreadSanitizer.
class LoopProbe : public QThread {
public:
    QByteArray loop()
    {
        const std::lock_guard lock(mutex_);
        return loop_;
    }

protected:
    void run() override
    {
        const std::lock_guard lock(mutex_);
        loop_ = EventLoopChoice::currentLoopName();
    }

private:
    std::mutex mutex_;
    QByteArray loop_;
};

// The loop a thread started now runs.
QByteArray loopOfANewThread()
{
    LoopProbe thread;
    thread.start();
    thread.wait();
    return thread.loop();
}

class EventLoopEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : kVariables) {
            saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qunsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const Saved &s : saved_)
            s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }

private:
    static constexpr const char *kVariables[] = {"QT_NO_GLIB", "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP",
                                                 "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID"};
    struct Saved {
        const char *name;
        QByteArray value;
        bool set;
    };
    std::vector<Saved> saved_;
};

} // namespace

TEST_F(EventLoopEnvironment, ThreadsMadeWhileChosenRunQtsLoopAndLaterProgramsGetTheUsersEnvironment)
{
    const QByteArray usual = loopOfANewThread();

    ASSERT_TRUE(EventLoopChoice::chooseBeforeStart());
    EXPECT_EQ(qgetenv("QT_NO_GLIB"), QByteArray("1"));
    EXPECT_EQ(loopOfANewThread(), QByteArray("Qt"));

    EventLoopChoice::restoreEnvironment(true);
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    EXPECT_EQ(loopOfANewThread(), usual);
}

TEST_F(EventLoopEnvironment, TheUsersOwnSettingAndGtkDesktopsAreLeftAsTheyAre)
{
    qputenv("QT_NO_GLIB", "0");
    EXPECT_FALSE(EventLoopChoice::chooseBeforeStart());
    EventLoopChoice::restoreEnvironment(false);
    EXPECT_EQ(qgetenv("QT_NO_GLIB"), QByteArray("0"));

    qunsetenv("QT_NO_GLIB");
    qputenv("DESKTOP_SESSION", "xfce");
    EXPECT_FALSE(EventLoopChoice::chooseBeforeStart());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_NO_GLIB"));

    // Where XDG_CURRENT_DESKTOP names the desktop, it is the one Qt reads.
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_TRUE(EventLoopChoice::chooseBeforeStart());
    EventLoopChoice::restoreEnvironment(true);

    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    qputenv("GNOME_DESKTOP_SESSION_ID", "this-is-deprecated");
    EXPECT_FALSE(EventLoopChoice::chooseBeforeStart());
}
