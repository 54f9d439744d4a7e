#pragma once

// Small wrappers around the X command-line tools the desktop tests cross-check against.

#include <QByteArray>
#include <QImage>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace mebo::test::x11 {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
};

// Runs `program` (posix_spawn: no fork of this threaded process) and waits for it; no event
// loop involved.
ToolRun runTool(const QString& program, const QStringList& args, int timeoutMs = 20000);

// The root window as `xwd -root` sees it (`display` empty: $DISPLAY). Null on failure, with
// the reason in `error`.
QImage xwdRoot(const QString& display, QString* error);

// Empty when `a` and `b` have the same size and pixels (alpha ignored), else the first
// difference in words.
QString firstDifference(const QImage& a, const QImage& b);

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

// The output XID RandR reports for the first connected output ("Identifier:" of xrandr --verbose).
uint32_t firstOutputId();

} // namespace mebo::test::x11
