#pragma once
#include "platform/statusbar/StatusBarHost.h"

#include <QPoint>

namespace orb {

class PanelWindow;

// Our own menu-bar strip: a dock window at the top right of the primary screen that shows
// every item at its real width, left to right, and opens each item's menu under it.
class PanelHost : public StatusBarHost {
    Q_OBJECT
public:
    PanelHost();
    ~PanelHost() override;

    QString name() const override { return QStringLiteral("panel"); }
    double menuBarHeight() const override { return kHeight; }
    std::unique_ptr<StatusItemHost> createItem(const QString &moduleKey) override;

    PanelWindow *window() const { return window_; }
    // Where an item's menu opens: the global point under its left edge.
    QPoint menuPosition(const StatusItemHost *item) const;

    static constexpr double kHeight = 24.0;

private:
    PanelWindow *window_;
};

} // namespace orb
