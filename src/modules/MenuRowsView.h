#pragma once
#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

namespace orb {

// Two columns of rows below a menu graph: names on the left (cut at the end when too long),
// values on the right in bold, each value in its own colour. Texts are drawn as plain text.
class MenuRowsView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kLineHeight = 19.25;
    // A name starting with this marker gets a small traffic light in its place.
    static constexpr const char *kMarker = "\U0001F6A6";

    struct Row {
        QString left;
        QString right;
        QColor color; // invalid: the menu's own text colour
        bool operator==(const Row &) const = default;
    };

    explicit MenuRowsView(int width, QWidget *parent = nullptr);

    // Sizes the view for `count` rows and drops the rows it had.
    void sizeForRows(int count);
    int sizedRows() const { return sizedRows_; }
    void setRows(std::vector<Row> rows);
    const std::vector<Row> &rows() const { return rows_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<Row> rows_;
    int sizedRows_ = 0;
};

} // namespace orb
