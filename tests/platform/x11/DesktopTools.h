#pragma once

// Small wrappers around the X command-line tools the desktop tests cross-check against, and a
// second Xvfb for layouts the shared test desktop does not have.

#include "support/PictureDiff.h"
#include "support/Process.h"

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

namespace mebo::test::x11 {

inline ProgramRun runTool(const QString& program, const QStringList& args) {
    return run(QStringList{program} + args, {}, 20000);
}

// The whole root as ffmpeg's x11grab converts the server's visual, the independent reference
// (`display` empty: $DISPLAY). Null on failure, with the reason in `error`.
QImage rootPixels(const QString& display, QString* error);

// Client windows whose title matches `title` exactly (xdotool search).
std::vector<uint32_t> windowsTitled(const QString& title);

// What xwininfo and xprop report for a client window: its rectangle in root pixels and the
// window manager's frame extents.
struct ToolGeometry {
    QRect client;
    QMargins frameExtents;
    bool valid = false;
};
ToolGeometry toolGeometry(uint32_t window);

// Stops the test desktop's busy terminals for exact pixel comparisons: creates
// "$MEBO_DESKTOP_DIR/freeze", waits until the screen stops changing, removes the file when done.
class FreezeGuard {
public:
    FreezeGuard();
    ~FreezeGuard();
    FreezeGuard(const FreezeGuard&) = delete;
    FreezeGuard& operator=(const FreezeGuard&) = delete;

private:
    QString path_;
};

// An empty Xvfb of its own (`screen` as Xvfb takes it, e.g. "3840x2160x16"), stopped with the object.
class PrivateXvfb {
public:
    explicit PrivateXvfb(const QString& screen);
    bool isRunning() const { return !display_.isEmpty(); }
    QString display() const { return display_; }
    QString error() const { return error_; }

private:
    Child server_;
    QString display_;
    QString error_;
};

} // namespace mebo::test::x11
