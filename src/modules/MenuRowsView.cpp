#include "modules/MenuRowsView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

constexpr int kMarginX = 12;
constexpr int kMarginY = 6;

QFont rowFont(QFont f, bool bold)
{
    f.setPixelSize(11);
    f.setBold(bold);
    return f;
}

// The marker as a small traffic light: drawn rather than taken from a font, so it looks the
// same where no colour emoji font is installed. Returns the width it takes.
double drawMarker(QPainter &p, const QRectF &line)
{
    const double h = std::round(line.height() * 0.62);
    const double w = std::round(h * 0.5);
    const QRectF body(line.x(), line.center().y() - h / 2.0, w, h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 58, 60));
    p.drawRoundedRect(body, w * 0.3, w * 0.3);
    const double d = w * 0.62;
    const QColor lamps[] = {QColor(235, 64, 52), QColor(245, 190, 40), QColor(52, 199, 89)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lamps[i]);
        p.drawEllipse(QPointF(body.center().x(), body.y() + h * (i + 0.5) / 3.0), d / 2.0, d / 2.0);
    }
    p.restore();
    return w + 4.0;
}

} // namespace

MenuRowsView::MenuRowsView(int width, QWidget *parent) : QWidget(parent) { setFixedSize(width, 0); }

void MenuRowsView::sizeForRows(int count)
{
    rows_.clear();
    sizedRows_ = std::max(0, count);
    const int height = sizedRows_ > 0 ? static_cast<int>(std::ceil(sizedRows_ * kLineHeight)) + 2 * kMarginY : 0;
    setFixedSize(width(), height);
    updateGeometry();
}

void MenuRowsView::setRows(std::vector<Row> rows)
{
    if (rows == rows_)
        return;
    rows_ = std::move(rows);
    update();
}

void MenuRowsView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QFont left = rowFont(font(), false);
    const QFont right = rowFont(font(), true);
    const QFontMetricsF leftMetrics(left);
    const QFontMetricsF rightMetrics(right);
    const QColor text = palette().color(QPalette::WindowText);
    const QString marker = QString::fromUtf8(kMarker);
    const double w = width() - 21;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const QRectF line(kMarginX, kMarginY + double(i) * kLineHeight, w, kLineHeight);
        const Row &row = rows_[i];
        p.setFont(right);
        p.setPen(row.color.isValid() ? row.color : text);
        p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, row.right);
        p.setFont(left);
        p.setPen(text);
        QRectF nameArea = line;
        QString name = row.left;
        if (name.startsWith(marker)) {
            name.remove(0, marker.size());
            nameArea.setLeft(nameArea.left() + drawMarker(p, line));
        }
        const double room = nameArea.width() - rightMetrics.horizontalAdvance(row.right) - 8.0;
        p.drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter,
                   leftMetrics.elidedText(name, Qt::ElideRight, std::max(0.0, room)));
    }
}

} // namespace orb
