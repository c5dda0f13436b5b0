#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class QLabel;
class QMenu;
class QWidgetAction;

namespace orb {

// One row of a menu's detail panel: an optional colour mark or small image, a name on the
// left and up to two figures on the right, all plain text. The row's menu entry carries
// the same text ("name<TAB>figure<TAB>figure"), so the menu can be listed without drawing.
class DetailRow : public QWidget {
    Q_OBJECT
public:
    struct Columns {
        int width = 452;      // the whole row, in points
        bool mark = false;    // a colour square before the name
        QSize image;          // an image before the name (empty: none)
        int valueWidth = 60;  // right-aligned figure
        int extraWidth = 0;   // a second figure after it (0: none)
        bool valueLeft = false; // a text rather than a figure: left-aligned
    };

    // Adds a row to `menu` (which owns it) and returns it.
    static DetailRow *addTo(QMenu &menu, const Columns &columns);
    explicit DetailRow(const Columns &columns, QWidget *parent = nullptr);

    void setMark(const QColor &color);
    void setMarkVisible(bool visible);
    bool markVisible() const;
    void setImage(const QImage &image);
    // Name and figures; a name too long for its column is cut with "…".
    void setTexts(const QString &name, const QString &value = {}, const QString &extra = {});
    // Half-transparent text and mark (a figure below 1 %).
    void setDimmed(bool dimmed);
    bool dimmed() const { return dimmed_; }
    // Lets the name take several lines (memory modules).
    void setMultiLine(bool multiLine);

    QString name() const { return name_; }
    QString value() const { return value_; }
    QString extra() const { return extra_; }
    QWidgetAction *action() const { return action_; }
    const QImage &image() const { return image_; }

private:
    void applyColours();
    void updateAction();

    Columns columns_;
    QLabel *mark_ = nullptr;
    QLabel *imageLabel_ = nullptr;
    QLabel *nameLabel_ = nullptr;
    QLabel *valueLabel_ = nullptr;
    QLabel *extraLabel_ = nullptr;
    QWidgetAction *action_ = nullptr;
    QString name_, value_, extra_;
    QImage image_;
    QColor markColour_;
    bool dimmed_ = false;
    bool multiLine_ = false;
    int nameWidth_ = 0;
};

} // namespace orb
