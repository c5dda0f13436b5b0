// Test entry point: an offscreen QApplication so fonts, painting and widgets work headless.
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test reaches this machine's system bus: code that takes QDBusConnection::systemBus()
    // finds none there, unless the program shares a stand-in (SharedSystemBus).
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orbmeter-tests-have-no-system-bus");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
