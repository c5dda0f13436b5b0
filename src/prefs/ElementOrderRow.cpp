#include "prefs/ElementOrderRow.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orb {

namespace {

QString trPrefs(const char *text) { return QCoreApplication::translate("OrbPrefs", text); }

} // namespace

ElementWrapView::ElementWrapView(int code, const QString &title, QWidget *parent)
    : QWidget(parent), code_(code), title_(title)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setFixedSize(ElementOrderRow::kElementWidth, ElementOrderRow::kElementHeight);
    setAccessibleName(trPrefs("%1 element").arg(title));
}

void ElementWrapView::setPreview(const QPixmap &pixmap)
{
    preview_ = pixmap;
    update();
}

void ElementWrapView::setOpacity(double opacity)
{
    opacity_ = opacity;
    update();
}

void ElementWrapView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setOpacity(opacity_);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(palette().color(hasFocus() ? QPalette::Highlight : QPalette::Mid));
    p.setBrush(palette().color(QPalette::Button));
    p.drawRoundedRect(box, 4, 4);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box.adjusted(1, 1, -1, -1), 3, 3);
    }
    const QRect inner = rect().adjusted(3, 2, -3, -2);
    if (!preview_.isNull()) {
        const QPixmap scaled = preview_.scaled(inner.size() * preview_.devicePixelRatio(), Qt::KeepAspectRatio,
                                               Qt::SmoothTransformation);
        const QSizeF size = QSizeF(scaled.size()) / scaled.devicePixelRatio();
        p.drawPixmap(QPointF(inner.center()) - QPointF(size.width() / 2, size.height() / 2), scaled);
        return;
    }
    QFont font = p.font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    p.setFont(font);
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, title_);
}

void ElementWrapView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    setCursor(Qt::ClosedHandCursor);
    Q_EMIT orbMouseAction(code_, MouseDown, event->scenePosition());
}

void ElementWrapView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    Q_EMIT orbMouseAction(code_, MouseDragged, event->scenePosition());
}

void ElementWrapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    setCursor(Qt::OpenHandCursor);
    Q_EMIT orbMouseAction(code_, MouseUp, event->scenePosition());
}

void ElementWrapView::keyPressEvent(QKeyEvent *event)
{
    const bool modifier = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (modifier && event->key() == Qt::Key_Left)
        Q_EMIT moveRequested(code_, -1);
    else if (modifier && event->key() == Qt::Key_Right)
        Q_EMIT moveRequested(code_, +1);
    else
        QWidget::keyPressEvent(event);
}

ElementOrderRow::ElementOrderRow(const ElementRowGeometry &geometry, QWidget *parent)
    : QWidget(parent), geometry_(geometry)
{
    setMinimumSize(sizeHint());
    setAccessibleName(trPrefs("Order of the display elements"));
    setAccessibleDescription(trPrefs("Drag an element sideways, or press Ctrl+Left or Ctrl+Right on it, to move it."));
}

ElementWrapView *ElementOrderRow::addElement(const QString &title)
{
    auto *view = new ElementWrapView(elementCount() + 1, title, this);
    connect(view, &ElementWrapView::orbMouseAction, this, &ElementOrderRow::orbMouseAction);
    connect(view, &ElementWrapView::moveRequested, this, &ElementOrderRow::moveBy);
    auto *animation = new QPropertyAnimation(view, "pos", this);
    animation->setDuration(kAnimationMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    views_.push_back(view);
    animations_.push_back(animation);
    savedOpacity_.push_back(1.0);
    enabledOpacity_.push_back(1.0);
    order_.append(view->elementId());
    setMinimumSize(sizeHint());
    resetViews(-1, false);
    return view;
}

ElementWrapView *ElementOrderRow::view(int code) const
{
    if (code < 1 || code > elementCount())
        return nullptr;
    return views_[static_cast<size_t>(code - 1)];
}

void ElementOrderRow::setOrder(const QList<int> &order)
{
    QList<int> working;
    for (int code : order) {
        // A code given twice would get two places; the first one counts.
        if (code >= 1 && code <= elementCount() && working.contains(code))
            continue;
        working.append(code);
    }
    for (int code = 1; code <= elementCount(); ++code)
        if (!working.contains(code))
            working.append(code);
    order_ = working;
    resetViews(-1, false);
}

void ElementOrderRow::setElementEnabled(int code, bool on)
{
    if (ElementWrapView *v = view(code)) {
        enabledOpacity_[static_cast<size_t>(code - 1)] = on ? 1.0 : 0.3;
        if (selectedEleNum_ == 0)
            v->setOpacity(on ? 1.0 : 0.3);
        else
            savedOpacity_[static_cast<size_t>(code - 1)] = on ? 1.0 : 0.3;
    }
}

int ElementOrderRow::targetIndex(double r, double w, double g, int n)
{
    int index = 0;
    for (int k = 1; k <= n - 1; ++k) {
        if (k * w + k * g - g / 2.0 > r)
            break;
        ++index;
    }
    return index;
}

double ElementOrderRow::rightLimit() const
{
    return (kElementWidth + geometry_.gap) * geometry_.limitSlots + geometry_.x0;
}

QSize ElementOrderRow::sizeHint() const
{
    const int slots = std::max(elementCount(), geometry_.limitSlots + 1);
    const int width = static_cast<int>(geometry_.x0 * 2 + slots * kElementWidth + (slots - 1) * geometry_.gap);
    return {width, kElementHeight + 8};
}

void ElementOrderRow::placeView(ElementWrapView *view, double x, bool animated)
{
    const QPoint target(static_cast<int>(std::lround(x)), 4);
    QPropertyAnimation *animation = animations_[static_cast<size_t>(view->elementId() - 1)];
    animation->stop();
    if (!animated || view->pos() == target || !isVisible()) {
        view->move(target);
        return;
    }
    animation->setStartValue(view->pos());
    animation->setEndValue(target);
    animation->start();
}

void ElementOrderRow::resetViews(int except, bool animated)
{
    double x = geometry_.x0;
    for (int code : std::as_const(order_)) {
        // A code outside the elements is skipped but still takes its place.
        if (code != except)
            if (ElementWrapView *v = view(code))
                placeView(v, x, animated);
        x += kElementWidth + geometry_.gap;
    }
    updateAccessibleText();
}

void ElementOrderRow::updateAccessibleText()
{
    int position = 0;
    const int n = elementCount();
    for (int code : std::as_const(order_)) {
        if (ElementWrapView *v = view(code)) {
            ++position;
            v->setAccessibleDescription(trPrefs("Position %1 of %2. Ctrl+Left or Ctrl+Right moves it.").arg(position).arg(n));
        }
    }
}

void ElementOrderRow::orbMouseAction(int code, int kind, QPointF windowPos)
{
    if (code < 1 || code > elementCount())
        return;
    switch (kind) {
    case ElementWrapView::MouseDown:
        orbMouseDw(code, windowPos.x());
        break;
    case ElementWrapView::MouseDragged:
        orbMouseDr(code, windowPos.x());
        break;
    case ElementWrapView::MouseUp:
        orbMouseUp();
        break;
    default:
        break;
    }
}

void ElementOrderRow::orbMouseDw(int code, double x)
{
    sortChanged_ = false;
    orderAtDown_ = order_;
    for (size_t i = 0; i < views_.size(); ++i) {
        savedOpacity_[i] = enabledOpacity_[i];
        views_[i]->setOpacity(0.5);
    }
    ElementWrapView *v = view(code);
    v->setOpacity(1.0);
    v->raise();
    selectedEleBaseX_ = v->x();
    selectedEleNum_ = code;
    selectedElePointX_ = x - geometry_.mouseOffset;
}

void ElementOrderRow::orbMouseDr(int code, double mouseX)
{
    if (selectedEleNum_ != code)
        return;
    const double q = mouseX - geometry_.mouseOffset;
    const double x = std::clamp(selectedEleBaseX_ + q - selectedElePointX_, geometry_.x0, rightLimit());
    ElementWrapView *v = view(code);
    animations_[static_cast<size_t>(code - 1)]->stop();
    v->move(static_cast<int>(std::lround(x)), 4);
    const int target = targetIndex(x - geometry_.x0, kElementWidth, geometry_.gap, elementCount());
    const int current = static_cast<int>(order_.indexOf(code));
    if (current != target) {
        order_.removeAt(current);
        order_.insert(std::min<qsizetype>(target, order_.size()), code);
        sortChanged_ = true;
        resetViews(code);
    }
}

void ElementOrderRow::orbMouseUp()
{
    if (selectedEleNum_ == 0)
        return;
    for (size_t i = 0; i < views_.size(); ++i)
        views_[i]->setOpacity(savedOpacity_[i]);
    selectedEleNum_ = 0;
    selectedEleBaseX_ = 0;
    selectedElePointX_ = 0;
    resetViews(-1);
    // Moved away and back again is no change.
    if (sortChanged_ && order_ != orderAtDown_)
        Q_EMIT orderChanged(order_);
    sortChanged_ = false;
}

void ElementOrderRow::moveBy(int code, int step)
{
    if (selectedEleNum_ != 0)
        return;
    const qsizetype from = order_.indexOf(code);
    // The neighbour in that direction among the real elements (gaps are stepped over).
    qsizetype to = from + step;
    while (to >= 0 && to < order_.size() && !view(order_[to]))
        to += step;
    if (from < 0 || to < 0 || to >= order_.size())
        return;
    order_.swapItemsAt(from, to);
    resetViews(-1);
    Q_EMIT orderChanged(order_);
}

} // namespace orb
