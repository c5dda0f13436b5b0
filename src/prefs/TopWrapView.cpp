#include "prefs/TopWrapView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace orb {

// The drawn part of a box: frame, graph and caption.
class TopWrapView::Box : public QWidget {
public:
    explicit Box(TopWrapView *owner) : QWidget(owner), owner_(owner)
    {
        setFixedSize(kBoxWidth, kBoxHeight);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setOpacity(owner_->opacity_);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool disabled = owner_->disabledFrame_;
        p.setPen(palette().color(disabled ? QPalette::Disabled : QPalette::Active, QPalette::Mid));
        p.setBrush(palette().color(disabled ? QPalette::Disabled : QPalette::Active, QPalette::Base));
        p.drawRoundedRect(frame, 4, 4);
        const bool withGraph = !owner_->graph_.isNull();
        if (withGraph) {
            // The graph fills the box but for a margin, right-aligned like the bar draws it.
            const QRectF inner = QRectF(rect()).adjusted(4, 4, -4, -4);
            const QSizeF size = QSizeF(owner_->graph_.size()) / owner_->graph_.devicePixelRatio();
            const double scale = std::min(inner.width() / size.width(), inner.height() / size.height());
            const QSizeF drawn = size * std::min(scale, 2.0);
            const QRectF target(inner.right() - drawn.width(), inner.center().y() - drawn.height() / 2, drawn.width(),
                                drawn.height());
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, owner_->graph_);
        }
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(withGraph ? 10 : 12);
        p.setFont(font);
        const QRectF text = QRectF(rect()).adjusted(4, 2, -4, -2);
        if (withGraph) {
            // The caption stays readable over the graph: a light halo under dark text.
            p.setPen(QColor(255, 255, 255, 200));
            p.drawText(text.translated(1, 1), Qt::AlignLeft | Qt::AlignTop, owner_->caption_);
            p.setPen(QColor(20, 20, 20));
            p.drawText(text, Qt::AlignLeft | Qt::AlignTop, owner_->caption_);
        } else {
            p.setPen(palette().color(disabled ? QPalette::Disabled : QPalette::Active, QPalette::Text));
            p.drawText(text, Qt::AlignCenter, owner_->caption_);
        }
    }

private:
    TopWrapView *owner_;
};

TopWrapView::TopWrapView(int code, const QString &caption, QWidget *parent)
    : QWidget(parent), code_(code), caption_(caption)
{
    setObjectName(QStringLiteral("overview-%1").arg(code));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    box_ = new Box(this);
    box_->setAccessibleName(caption);
    layout->addWidget(box_, 0, Qt::AlignHCenter);
    switch_ = new QCheckBox(QCoreApplication::translate("OrbPrefs", "On"));
    switch_->setObjectName(QStringLiteral("overview-switch-%1").arg(code));
    switch_->setAccessibleName(QCoreApplication::translate("OrbPrefs", "Show %1 in the menu bar").arg(caption));
    layout->addWidget(switch_, 0, Qt::AlignHCenter);
    connect(switch_, &QCheckBox::toggled, this, [this](bool on) { Q_EMIT switched(code_, on); });
}

void TopWrapView::setGraph(const QImage &graph, bool disabledFrame)
{
    graph_ = graph;
    disabledFrame_ = disabledFrame;
    box_->update();
}

void TopWrapView::setOpacity(double opacity)
{
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    box_->update();
}

void TopWrapView::setChecked(bool on)
{
    const QSignalBlocker quiet(switch_);
    switch_->setChecked(on);
}


} // namespace orb
