#pragma once
#include <QImage>
#include <QString>
#include <QWidget>

class QCheckBox;

namespace orb {

// One module's box in the General tab's overview: its live history graph (or only its
// caption), drawn faint while the module is off, and the switch that turns it on or off.
class TopWrapView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBoxWidth = 64;
    static constexpr int kBoxHeight = 40;

    TopWrapView(int code, const QString &caption, QWidget *parent = nullptr);

    int elementId() const { return code_; }
    QString caption() const { return caption_; }
    QCheckBox *switchBox() const { return switch_; }

    // The graph to show (null: the caption alone, in the disabled frame style when
    // `disabledFrame`).
    void setGraph(const QImage &graph, bool disabledFrame);
    const QImage &graph() const { return graph_; }
    bool disabledFrame() const { return disabledFrame_; }
    // 1.0 while the module is on, 0.3 while it is off.
    void setOpacity(double opacity);
    double opacity() const { return opacity_; }
    // The switch without announcing a change.
    void setChecked(bool on);

Q_SIGNALS:
    void switched(int code, bool on);


private:
    class Box;
    int code_;
    QString caption_;
    QImage graph_;
    bool disabledFrame_ = true;
    double opacity_ = 1.0;
    QWidget *box_ = nullptr;
    QCheckBox *switch_ = nullptr;
};

} // namespace orb
