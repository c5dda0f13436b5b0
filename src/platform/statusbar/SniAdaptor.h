#pragma once
#include "platform/statusbar/SniPixmap.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <mutex>

namespace orb {

class SniItem;

// What a tray reads of one item, as the item last published it.
struct SniItemState {
    QString id;
    QString title;
    QString status;
    QString iconName;
    QList<SniPixmap> iconPixmap;
    SniToolTip toolTip;
    QString label;
    QString labelGuide;
    QString accessibleDesc;
    uint orderingIndex = 0;
    QString menuPath;
};

// The org.kde.StatusNotifierItem interface of one item. It lives on the bus connection's own
// thread and answers the tray's property reads there from the state the item published
// last, so a read does not wake the UI thread; clicks are handed to the item on the UI
// thread. Its signals are emitted on its own thread too (emit() puts them there).
class SniAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QList<orb::SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyString)
    Q_PROPERTY(QList<orb::SniPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyString)
    Q_PROPERTY(QList<orb::SniPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyString)
    Q_PROPERTY(orb::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ xAyatanaLabel)
    Q_PROPERTY(QString XAyatanaLabelGuide READ xAyatanaLabelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ xAyatanaOrderingIndex)
    Q_PROPERTY(QString IconAccessibleDesc READ iconAccessibleDesc)
    Q_PROPERTY(QString AttentionAccessibleDesc READ emptyString)
public:
    // `exported` is the object registered on the bus; `item` gets the clicks.
    SniAdaptor(QObject *exported, SniItem *item);

    // From the UI thread: what the properties answer from now on.
    void publish(SniItemState state);
    // From the UI thread, before the item leaves the bus: clicks are dropped and signals not
    // yet sent are dropped from then on, and none is being sent when this returns.
    void detachItem();
    // Emits one of this interface's signals on the adaptor's own thread, after everything
    // published before the call.
    template <typename Signal, typename... Args>
    void emitLater(Signal signal, Args... args)
    {
        QMetaObject::invokeMethod(
            this,
            [this, signal, args...] {
                // Sent under the lock: the item's connection is not taken down meanwhile.
                std::lock_guard lock(mutex_);
                if (item_)
                    Q_EMIT(this->*signal)(args...);
            },
            Qt::QueuedConnection);
    }

    QString category() const { return QStringLiteral("Hardware"); }
    QString id() const;
    QString title() const;
    QString status() const;
    int windowId() const { return 0; }
    QString iconName() const;
    QString iconThemePath() const { return QString(); }
    QList<SniPixmap> iconPixmap() const;
    QString emptyString() const { return QString(); }
    QList<SniPixmap> noPixmaps() const { return {}; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QString xAyatanaLabel() const;
    // What a screen reader says for the icon: the headline ("CPU 23%"), else the title.
    QString iconAccessibleDesc() const;
    QString xAyatanaLabelGuide() const;
    // Trays that sort by this index keep the items in their left-to-right order.
    uint xAyatanaOrderingIndex() const;
    // The item's commands as com.canonical.dbusmenu; the graphs stay in the item's own menu.
    QDBusObjectPath menu() const;

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString &orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void XAyatanaNewLabel(const QString &label, const QString &guide);

private:
    SniItemState state() const;
    void handToItem(int x, int y);

    mutable std::mutex mutex_;
    SniItemState state_;
    SniItem *item_; // under mutex_; null once the item is going
};

} // namespace orb
