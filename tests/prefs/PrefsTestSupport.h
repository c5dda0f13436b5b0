#pragma once
#include "prefs/PreferenceCenter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVariantMap>
#include <QWidget>
#include <vector>

namespace orb::test {

// Every notification posted on a centre, in order.
class NotificationRecorder {
public:
    explicit NotificationRecorder(PreferenceCenter &center)
    {
        QObject::connect(&center, &PreferenceCenter::posted, &context_,
                         [this](const QString &name, const QVariantMap &info) { posted.push_back({name, info}); });
    }
    struct Entry {
        QString name;
        QVariantMap info;
    };
    std::vector<Entry> posted;
    const Entry &last() const { return posted.back(); }

private:
    // Ends the connection with the recorder.
    QObject context_;
};

// Mouse events straight to a widget (no cursor warping), with the window coordinates a
// real event carries.
inline void sendMouse(QWidget *w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    const QPointF window = w->mapTo(w->window(), QPointF(local));
    const QPointF global = w->mapToGlobal(QPointF(local));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), window, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Presses on `w` at its centre, moves by `dx` in `steps` and releases.
inline void dragBy(QWidget *w, int dx, int steps = 4)
{
    const QPoint start = w->rect().center();
    sendMouse(w, QEvent::MouseButtonPress, start, Qt::LeftButton);
    // The widget moves while dragged: positions are taken relative to where it is now,
    // as the window system would report them.
    const QPoint origin = w->mapTo(w->window(), start);
    for (int i = 1; i <= steps; ++i) {
        const QPoint target = origin + QPoint(dx * i / steps, 0);
        sendMouse(w, QEvent::MouseMove, w->mapFrom(w->window(), target), Qt::LeftButton);
    }
    const QPoint end = w->mapFrom(w->window(), origin + QPoint(dx, 0));
    sendMouse(w, QEvent::MouseButtonRelease, end, Qt::NoButton);
}

} // namespace orb::test
