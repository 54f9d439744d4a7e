#pragma once

#include "capture/CaptureMode.h"

#include <QImage>
#include <QString>

namespace mebo {

namespace platform {
class Clipboard;
}

// Puts images and files on the system clipboard. Main thread.
class ClipboardSvc {
public:
    explicit ClipboardSvc(platform::Clipboard& clipboard);

    // `context` names the caller in log lines ("capture", "history"...).
    bool copyImage(const QImage& image, const QString& context);
    // PNG bytes as they are (a capture's own file, an image another process handed over).
    bool copyPng(const QByteArray& png, const QString& context);
    bool copyCapture(const CaptureResult& result);
    bool copyFile(const QString& path, const QString& context);

private:
    platform::Clipboard& clipboard_;
};

} // namespace mebo
