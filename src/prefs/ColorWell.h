#pragma once
#include <QColor>
#include <QPointer>
#include <QPushButton>

#include <QColorDialog>

namespace orb {

// A button that shows a colour (over a checkerboard, so its opacity shows) and opens a
// colour dialog with an opacity channel. Every colour the user moves through is handed out
// at once (`colorChanged`); cancelling the dialog hands back the colour it started with.
class ColorWell : public QPushButton {
    Q_OBJECT
public:
    ColorWell(const QString &title, QWidget *parent = nullptr);

    QColor color() const { return color_; }
    // Shows `color` without announcing it.
    void setColor(const QColor &color);
    // The open dialog, or nullptr.
    QColorDialog *dialog() const { return dialog_; }
    void openDialog();

Q_SIGNALS:
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void pick(const QColor &color);

    QString title_;
    QColor color_;
    QColor original_;
    QPointer<QColorDialog> dialog_;
};

} // namespace orb
