#pragma once

#include "capture/CaptureMode.h"

#include <QRect>
#include <QString>
#include <optional>

namespace mebo {

// What the capture coordinator needs of the main window. The desktop shell's main-window
// view-model implements it; the command line uses a window-less one. Main thread only.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    virtual bool isMainWindowVisible() const = 0;
    virtual QRect mainWindowFrame() const = 0;
    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void setMainWindowFrame(const QRect& frame) = 0;

    // State the view-model keeps for a capture in progress.
    virtual bool captureInProgress() const = 0;
    virtual void setCaptureInProgress(bool inProgress) = 0;
    virtual std::optional<QRect> rememberedFrame() const = 0;
    virtual void setRememberedFrame(std::optional<QRect> frame) = 0;

    // Opens a just-written capture in the editor and brings the window back.
    virtual void openNewCapture(const QString& path, const QString& itemId, const CaptureResult& result) = 0;
};

} // namespace mebo
