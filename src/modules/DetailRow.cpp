#include "modules/DetailRow.h"

#include "modules/BaseMenuItems.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QWidgetAction>

namespace orb {
namespace {

constexpr int kMarkSize = 10;
constexpr int kSpacing = 6;
constexpr int kLeftMargin = 14;
constexpr int kRightMargin = 12;
constexpr int kRowHeight = 18;

QLabel *plainLabel(QWidget *parent, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

} // namespace

DetailRow *DetailRow::addTo(QMenu &menu, const Columns &columns)
{
    auto *row = new DetailRow(columns);
    row->action_ = new QWidgetAction(&menu);
    row->action_->setDefaultWidget(row);
    menu.addAction(row->action_);
    return row;
}

DetailRow::DetailRow(const Columns &columns, QWidget *parent) : QWidget(parent), columns_(columns)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(kLeftMargin, 0, kRightMargin, 0);
    layout->setSpacing(kSpacing);
    nameWidth_ = columns.width - kLeftMargin - kRightMargin;
    if (columns.mark) {
        mark_ = new QLabel(this);
        mark_->setFixedSize(kMarkSize, kMarkSize);
        // A hidden mark keeps its place, so the names stay in one column.
        QSizePolicy policy = mark_->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        mark_->setSizePolicy(policy);
        layout->addWidget(mark_, 0, Qt::AlignVCenter);
        nameWidth_ -= kMarkSize + kSpacing;
    }
    if (!columns.image.isEmpty()) {
        imageLabel_ = new QLabel(this);
        imageLabel_->setFixedSize(columns.image);
        layout->addWidget(imageLabel_, 0, Qt::AlignVCenter);
        nameWidth_ -= columns.image.width() + kSpacing;
    }
    nameLabel_ = plainLabel(this, Qt::AlignLeft);
    layout->addWidget(nameLabel_, 1);
    valueLabel_ = plainLabel(this, columns.valueLeft ? Qt::AlignLeft : Qt::AlignRight);
    valueLabel_->setFixedWidth(columns.valueWidth);
    layout->addWidget(valueLabel_);
    nameWidth_ -= columns.valueWidth + kSpacing;
    if (columns.extraWidth > 0) {
        extraLabel_ = plainLabel(this, Qt::AlignRight);
        extraLabel_->setFixedWidth(columns.extraWidth);
        layout->addWidget(extraLabel_);
        nameWidth_ -= columns.extraWidth + kSpacing;
    }
    nameWidth_ = std::max(nameWidth_, 20);
    setFixedSize(columns.width, kRowHeight);
    applyColours();
}

void DetailRow::setMark(const QColor &color)
{
    if (!mark_ || !color.isValid() || color == markColour_)
        return;
    markColour_ = color;
    applyColours();
}

void DetailRow::setMarkVisible(bool visible)
{
    if (mark_)
        mark_->setVisible(visible);
}

bool DetailRow::markVisible() const { return mark_ && !mark_->isHidden(); }

void DetailRow::setImage(const QImage &image)
{
    if (!imageLabel_)
        return;
    image_ = image;
    imageLabel_->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
}

void DetailRow::setTexts(const QString &name, const QString &value, const QString &extra)
{
    if (name == name_ && value == value_ && extra == extra_)
        return;
    name_ = name;
    value_ = value;
    extra_ = extra;
    if (multiLine_) {
        nameLabel_->setText(name);
        const int lines = std::max<qsizetype>(1, name.count(QLatin1Char('\n')) + 1);
        setFixedHeight(std::max(kRowHeight, lines * nameLabel_->fontMetrics().lineSpacing() + 4));
    } else {
        nameLabel_->setText(nameLabel_->fontMetrics().elidedText(name, Qt::ElideRight, nameWidth_));
    }
    const QFontMetrics metrics = valueLabel_->fontMetrics();
    valueLabel_->setText(metrics.elidedText(value, Qt::ElideRight, columns_.valueWidth));
    if (extraLabel_)
        extraLabel_->setText(metrics.elidedText(extra, Qt::ElideRight, columns_.extraWidth));
    updateAction();
}

void DetailRow::setDimmed(bool dimmed)
{
    if (dimmed == dimmed_)
        return;
    dimmed_ = dimmed;
    applyColours();
}

void DetailRow::setMultiLine(bool multiLine)
{
    multiLine_ = multiLine;
    nameLabel_->setAlignment(Qt::AlignLeft | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
}

void DetailRow::applyColours()
{
    const qreal alpha = dimmed_ ? 0.5 : 1.0;
    QColor text = palette().color(QPalette::WindowText);
    QColor secondary = text;
    text.setAlphaF(alpha);
    secondary.setAlphaF(0.75 * alpha);
    QPalette namePalette = nameLabel_->palette();
    namePalette.setColor(QPalette::WindowText, secondary);
    nameLabel_->setPalette(namePalette);
    QPalette valuePalette = valueLabel_->palette();
    valuePalette.setColor(QPalette::WindowText, text);
    valueLabel_->setPalette(valuePalette);
    if (extraLabel_)
        extraLabel_->setPalette(valuePalette);
    if (mark_ && markColour_.isValid()) {
        QPixmap square(kMarkSize * 2, kMarkSize * 2);
        square.setDevicePixelRatio(2.0);
        QColor fill = markColour_;
        fill.setAlphaF(fill.alphaF() * alpha);
        square.fill(fill);
        mark_->setPixmap(square);
    }
}

void DetailRow::updateAction()
{
    if (!action_)
        return;
    QString text = name_;
    if (!value_.isEmpty() || !extra_.isEmpty())
        text += QLatin1Char('\t') + value_;
    if (!extra_.isEmpty())
        text += QLatin1Char('\t') + extra_;
    // Other programs choose process and device names: "&" is a character, not a mnemonic.
    action_->setText(BaseMenuItems::escaped(text.replace(QLatin1Char('\n'), QLatin1String(" / "))));
}

} // namespace orb
