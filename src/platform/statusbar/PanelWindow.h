#pragma once
#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>

namespace orb {

class PanelHost;
class StatusItemHost;

// The strip itself: dark background, items laid out left to right at their real widths,
// right-aligned at the top edge of the primary screen. Only changed items are repainted.
class PanelWindow : public QWidget {
    Q_OBJECT
public:
    explicit PanelWindow(PanelHost *host);

    // Item cell in window coordinates (points); empty when the item is not shown.
    QRectF itemRect(const StatusItemHost *item) const;
    StatusItemHost *itemAt(const QPointF &pos) const;
    // Width the strip needs for its items, in points.
    double contentWidth() const;
    void setMenuOpen(StatusItemHost *item, bool open);

    static constexpr double kMargin = 4.0;
    static constexpr double kSpacing = 4.0;
    static QColor backgroundColour() { return QColor(0x22, 0x24, 0x28); }
    static QColor textColour() { return QColor(0xf2, 0xf2, 0xf2); }
    static QColor highlightColour() { return QColor(0x3a, 0x6e, 0xd0); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void itemAdded(StatusItemHost *item);
    void itemRemoved(StatusItemHost *item);
    void itemChanged(StatusItemHost *item);
    void relayout();
    void place();
    QImage shownImage(StatusItemHost *item) const;

    PanelHost *host_;
    QList<StatusItemHost *> order_;
    QHash<const StatusItemHost *, QRectF> rects_;
    QHash<const StatusItemHost *, QImage> shown_;
    StatusItemHost *openItem_ = nullptr;
    StatusItemHost *lastClosed_ = nullptr;
    QElapsedTimer sinceClosed_;
    bool dockMarked_ = false;
};

} // namespace orb
