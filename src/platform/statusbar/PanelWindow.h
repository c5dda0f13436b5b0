#pragma once
#include "platform/statusbar/PanelColours.h"

#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>

namespace orb {

class PanelHost;
class StatusItemHost;

// The strip itself: items laid out left to right at their real widths, at the top right of
// the primary screen's free area (below a panel already along the top, never over another
// dock), coloured for the current appearance. Only changed items are repainted.
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
    // The colours now in use (they follow the appearance as items are redrawn).
    const PanelColours &colours() const { return colours_; }
    QColor backgroundColour() const { return colours_.background; }
    QColor textColour() const { return colours_.text; }
    QColor highlightColour() const { return colours_.highlight; }
    // Where the strip goes: the screen's area that other docks leave free (root coordinates,
    // device independent pixels).
    QRect freeArea() const;
    // The tool tip of an item as rich text: the title in bold, then the text line by line
    // (the headline's fuller figures when there are any). Both are taken as plain text, so a
    // device called "<b>Mouse</b>" shows its name, not bold type.
    static QString toolTipHtml(const StatusItemHost &item);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void itemAdded(StatusItemHost *item);
    void itemRemoved(StatusItemHost *item);
    void itemChanged(StatusItemHost *item);
    void relayout();
    void place();
    // Picks up a changed appearance; true when the colours changed.
    bool updateColours();
    QImage shownImage(StatusItemHost *item) const;

    PanelHost *host_;
    QList<StatusItemHost *> order_;
    QHash<const StatusItemHost *, QRectF> rects_;
    QHash<const StatusItemHost *, QImage> shown_;
    StatusItemHost *openItem_ = nullptr;
    StatusItemHost *lastClosed_ = nullptr;
    QElapsedTimer sinceClosed_;
    bool dockMarked_ = false;
    PanelColours colours_;
};

} // namespace orb
