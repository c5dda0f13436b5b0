#pragma once
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"

#include <memory>

namespace orb::test {

// A status item that counts the images handed to it and can play a tray with square cells,
// which draws a headline with a gauge itself and shows images only once told to.
class RecordingStatusItem : public StatusItemHost {
public:
    RecordingStatusItem(StatusBarHost *host, const QString &key) : StatusItemHost(host, key) {}
    bool showsImage() const override { return !squareCells || !headline().hasGauge(); }
    void setImage(const QImage &image, bool isTemplate) override
    {
        ++imagesSet;
        StatusItemHost::setImage(image, isTemplate);
    }
    void setHeadline(const TrayHeadline &headline) override
    {
        ++headlinesSet;
        StatusItemHost::setHeadline(headline);
    }
    void showImagesFromNowOn()
    {
        squareCells = false;
        Q_EMIT imageWanted();
    }
    bool squareCells = false;
    int imagesSet = 0;
    int headlinesSet = 0;
};

class RecordingStatusHost : public StatusBarHost {
public:
    explicit RecordingStatusHost(bool squareCells = false) : squareCells_(squareCells) {}
    QString name() const override { return QStringLiteral("recording"); }
    std::unique_ptr<StatusItemHost> createItem(const QString &key) override
    {
        auto item = std::make_unique<RecordingStatusItem>(this, key);
        item->squareCells = squareCells_;
        return adopt(std::move(item));
    }

private:
    bool squareCells_;
};

} // namespace orb::test
