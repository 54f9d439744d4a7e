#pragma once

#include "app/Cfg.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "capture/ScreenCaptureSvc.h"
#include "capture/ShutterSoundPlayer.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>

namespace mebo::test {

// What the capture coordinator is built from: fakes of the platform, the settings and a library in
// a temporary folder. `Screen` is the screen-capture fake (a subclass may watch its calls).
template <class Screen = FakeScreenCapture> struct CaptureParts {
    ~CaptureParts() {
        waitUntil([&] { return history.isIdle(); });
        thumbnails.waitForPending();
    }

    LogCapture log;
    QTemporaryDir tmp;
    FakeDefaultsStore defaults;
    Cfg cfg{defaults, tmp.filePath(QStringLiteral("library"))};
    Screen capture;
    FakeWindowServer windowServer;
    ScreenCaptureSvc screenshots{capture, windowServer};
    ImageStore images{cfg};
    FakeClipboard clipboardBackend;
    ClipboardSvc clipboard{clipboardBackend};
    FakeSoundPlayer sound; // nothing loadable: every play is a beep
    double uptime = 1000.0;
    ShutterSoundPlayer shutter{sound, {}, {}, [this] { return uptime; }};
    FakeWorkspace workspace{tmp.filePath(QStringLiteral("trash"))};
    ThumbnailCache thumbnails{tmp.filePath(QStringLiteral("thumbs"))};
    HistoryStore history{cfg, workspace, thumbnails};
    FakeMainWindowLink mainWindow;
    FakeDialogs dialogs;
    FakePointerLocator pointer;
};

} // namespace mebo::test
