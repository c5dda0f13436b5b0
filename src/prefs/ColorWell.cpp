#include "prefs/ColorWell.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace orb {

namespace {

QString trPrefs(const char *text) { return QCoreApplication::translate("OrbPrefs", text); }

QString describe(const QColor &c)
{
    return trPrefs("red %1, green %2, blue %3, opacity %4%")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(qRound(c.alphaF() * 100.0));
}

} // namespace

ColorWell::ColorWell(const QString &title, QWidget *parent) : QPushButton(parent), title_(title)
{
    setFixedSize(44, 24);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(trPrefs("%1 colour").arg(title));
    setToolTip(title);
    connect(this, &QPushButton::clicked, this, &ColorWell::openDialog);
    setColor(Qt::black);
}

void ColorWell::setColor(const QColor &color)
{
    if (!color.isValid())
        return;
    color_ = color;
    setAccessibleDescription(describe(color));
    update();
}

void ColorWell::openDialog()
{
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    original_ = color_;
    auto *dialog = new QColorDialog(color_, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
    dialog->setWindowTitle(trPrefs("%1 colour").arg(title_));
    connect(dialog, &QColorDialog::currentColorChanged, this, &ColorWell::pick);
    connect(dialog, &QColorDialog::colorSelected, this, &ColorWell::pick);
    connect(dialog, &QDialog::rejected, this, [this] { pick(original_); });
    dialog_ = dialog;
    // Not modal: the monitor keeps drawing while a colour is chosen.
    dialog->show();
}

void ColorWell::pick(const QColor &color)
{
    if (!color.isValid() || color == color_)
        return;
    setColor(color);
    Q_EMIT colorChanged(color);
}

void ColorWell::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    const QRect swatch = rect().adjusted(6, 5, -6, -5);
    // A checkerboard under the colour shows its opacity.
    const int cell = 4;
    for (int y = swatch.top(); y <= swatch.bottom(); y += cell)
        for (int x = swatch.left(); x <= swatch.right(); x += cell) {
            const bool dark = ((x - swatch.left()) / cell + (y - swatch.top()) / cell) % 2;
            p.fillRect(QRect(x, y, cell, cell).intersected(swatch), dark ? QColor(0xbb, 0xbb, 0xbb) : Qt::white);
        }
    p.fillRect(swatch, color_);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
}

} // namespace orb
