#pragma once
#include <QPixmap>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <vector>

class QPropertyAnimation;

namespace orb {

// Layout of a tab's element row: left edge of the first element, gap between elements,
// mouse offset, and how many element widths (plus gaps) the rightmost left edge of a dragged
// element may lie from the first.
struct ElementRowGeometry {
    double x0 = 16;
    double gap = 10;
    double mouseOffset = 77;
    int limitSlots = 3;
};

// One element of the row: a tile that carries the element's code, forwards its mouse
// events to the row and moves itself on Ctrl+Left / Ctrl+Right.
class ElementWrapView : public QWidget {
    Q_OBJECT
public:
    enum MouseKind { MouseDown = 1, MouseDragged = 2, MouseUp = 3 };

    ElementWrapView(int code, const QString &title, QWidget *parent = nullptr);
    int elementId() const { return code_; }
    void setElementId(int code) { code_ = code; }
    QString title() const { return title_; }
    // What the tile shows: the element's name until a preview is given.
    void setPreview(const QPixmap &pixmap);
    const QPixmap &preview() const { return preview_; }
    void setOpacity(double opacity);
    double opacity() const { return opacity_; }

Q_SIGNALS:
    void orbMouseAction(int code, int kind, QPointF windowPos);
    void moveRequested(int code, int step);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int code_;
    QString title_;
    QPixmap preview_;
    double opacity_ = 1.0;
};

// The display elements of a module side by side in the stored order; dragging one sideways
// (or Ctrl+Left / Ctrl+Right on the focused one) changes the order. The order is handed out
// (`orderChanged`) only when a drag ends with a different order.
class ElementOrderRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kElementWidth = 100;
    static constexpr int kElementHeight = 52;
    static constexpr int kAnimationMs = 300;

    explicit ElementOrderRow(const ElementRowGeometry &geometry, QWidget *parent = nullptr);

    // Adds the element with the next code (1, 2, ...), in the order of the views.
    ElementWrapView *addElement(const QString &title);
    int elementCount() const { return static_cast<int>(views_.size()); }
    ElementWrapView *view(int code) const;

    // The working order; entries outside 1..n keep their place (as gaps), codes the stored
    // order lacks are put at the end so that every element has a place.
    void setOrder(const QList<int> &order);
    const QList<int> &order() const { return order_; }
    // Shows an element as switched on (opaque) or off (faint).
    void setElementEnabled(int code, bool on);

    // Places every element but `except` (the one under the mouse) where the order puts it;
    // -1 places all. Animated unless `animated` is false.
    void resetViews(int except, bool animated = true);

    // The drag arithmetic. The target index is the number of slot boundaries
    // k * w + k * g - g / 2 (k = 1 .. n-1) that `r` (the dragged left edge minus x0) reaches.
    static int targetIndex(double r, double w, double g, int n);
    double rightLimit() const;
    QSize sizeHint() const override;

    // Mouse events of an element, in window coordinates: 1 down, 2 dragged, 3 up.
    void orbMouseAction(int code, int kind, QPointF windowPos);

Q_SIGNALS:
    void orderChanged(const QList<int> &order);

private:
    void orbMouseDw(int code, double x);
    void orbMouseDr(int code, double x);
    void orbMouseUp();
    void moveBy(int code, int step);
    void placeView(ElementWrapView *view, double x, bool animated);
    void updateAccessibleText();

    ElementRowGeometry geometry_;
    std::vector<ElementWrapView *> views_;
    std::vector<QPropertyAnimation *> animations_;
    std::vector<double> savedOpacity_;
    std::vector<double> enabledOpacity_;
    QList<int> order_;
    QList<int> orderAtDown_;
    bool sortChanged_ = false;
    int selectedEleNum_ = 0;
    double selectedEleBaseX_ = 0;
    double selectedElePointX_ = 0;
};

} // namespace orb
