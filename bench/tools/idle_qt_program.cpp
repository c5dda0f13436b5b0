// The least a Qt program of this shape can cost: a one-second timer on the UI thread that
// hands a job to a worker thread, which reads /proc/stat and hands the result back. No
// drawing, no settings, no items. The side-by-side benchmark runs it beside the monitor so
// the monitor's figure can be read against what the machine charges for waking at all. Like
// the monitor where no GTK theme needs GLib, it runs Qt's own event loop.
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <array>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    qputenv("QT_NO_GLIB", "1");
    QGuiApplication app(argc, argv);
    QThread worker;
    worker.start();
    QObject job;
    job.moveToThread(&worker);
    const int fd = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    long long bytes = 0;
    QTimer timer;
    timer.setInterval(1000);
    timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        QMetaObject::invokeMethod(&job, [&] {
            std::array<char, 8192> buffer{};
            const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), 0);
            QMetaObject::invokeMethod(&app, [&bytes, n] { bytes += n; }, Qt::QueuedConnection);
        }, Qt::QueuedConnection);
    });
    timer.start();
    const int status = app.exec();
    worker.quit();
    worker.wait();
    return status;
}
