#pragma once

#include "platform/Clipboard.h"
#include "platform/PointerLocator.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenFrameSource.h"
#include "platform/WindowServer.h"

#include <QString>

namespace mebo::platform {

// Stand-ins used when no real backend can serve: each carries the reason the user is told.

class NullScreenCapture : public ScreenCapture {
public:
    explicit NullScreenCapture(QString reason) : reason_(std::move(reason)) {}
    QList<DisplayInfo> displays() override { return {}; }
    void shareableContent(const ContentQuery& query, Completion<ShareableContent> done) override;
    void captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                        Completion<QImage> done) override;
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

class NullWindowServer : public WindowServer {
public:
    QList<WindowInfo> windowsFrontToBack() override { return {}; }
};

class NullPointerLocator : public PointerLocator {
public:
    std::optional<QPoint> location() override { return std::nullopt; }
};

class NullScreenFrameSource : public ScreenFrameSource {
public:
    explicit NullScreenFrameSource(QString reason) : reason_(std::move(reason)) {}
    std::unique_ptr<ScreenFrameStream> start(const ScreenStreamConfig&, std::function<void(ScreenFrame&)>,
                                             std::function<void(const QString&)>, QString* error) override {
        *error = reason_;
        return nullptr;
    }

private:
    QString reason_;
};

// Used by command-line runs that do not touch the clipboard (no GUI connection is made).
class NullClipboard : public Clipboard {
public:
    explicit NullClipboard(QString reason) : reason_(std::move(reason)) {}
    void clear() override {}
    bool writePng(const QByteArray&) override { return false; }
    bool writeImageObject(const QImage&) override { return false; }
    FileWrite writeFile(const QString&) override { return {}; }
    bool writeText(const QString&) override { return false; }
    bool ownsContent() const override { return false; }
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

} // namespace mebo::platform
