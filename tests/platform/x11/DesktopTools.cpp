#include "DesktopTools.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace mebo::test::x11 {

QImage rootPixels(const QString& display, QString* error) {
    const QString server = display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display;
    const ProgramRun r =
        runTool(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-i",
                                           server, "-frames:v", "1", "-c:v", "png", "-f", "image2pipe", "-"});
    const QImage image = QImage::fromData(r.stdOut, "PNG").convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        *error = QStringLiteral("ffmpeg x11grab failed: %1").arg(r.err);
    }
    return image;
}

std::vector<uint32_t> windowsTitled(const QString& title) {
    const ProgramRun r =
        runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                            QStringLiteral("^%1$").arg(QRegularExpression::escape(title))});
    std::vector<uint32_t> ids;
    for (const QByteArray& line : r.stdOut.split('\n')) {
        bool ok = false;
        const uint32_t id = line.trimmed().toUInt(&ok);
        if (ok) {
            ids.push_back(id);
        }
    }
    return ids;
}

ToolGeometry toolGeometry(uint32_t window) {
    ToolGeometry g;
    const QString id = QString::number(window);
    const ProgramRun info = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const ProgramRun ext =
        runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    if (!info.ok() || !ext.ok()) {
        return g;
    }
    const QString text = info.out;
    auto field = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return re.match(text).captured(1).toInt();
    };
    g.client = QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                     field("Height"));
    const QRegularExpression extRe(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto m = extRe.match(ext.out);
    if (m.hasMatch()) {
        // left, right, top, bottom
        g.frameExtents = QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(),
                                  m.captured(4).toInt());
    }
    g.valid = g.client.isValid();
    return g;
}

FreezeGuard::FreezeGuard() : path_(qEnvironmentVariable("MEBO_DESKTOP_DIR") + QStringLiteral("/freeze")) {
    QFile flag(path_);
    if (qEnvironmentVariableIsEmpty("MEBO_DESKTOP_DIR") || !flag.open(QIODevice::WriteOnly)) {
        path_.clear();
        return;
    }
    // The terminals look for the file before each listing, every 0.3 s: once the screen has not
    // changed for longer than that, nothing draws any more.
    QByteArray last;
    QElapsedTimer unchanged;
    unchanged.start();
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const QByteArray now =
            runTool(QStringLiteral("xwd"), {QStringLiteral("-root"), QStringLiteral("-silent")}).stdOut;
        if (now != last) {
            last = now;
            unchanged.restart();
        } else if (unchanged.elapsed() > 400) {
            break;
        }
    }
}

FreezeGuard::~FreezeGuard() {
    if (!path_.isEmpty()) {
        QFile::remove(path_);
    }
}

PrivateXvfb::PrivateXvfb(const QString& screen) {
    // -displayfd: the server takes the first free display number itself and writes it out, so
    // concurrent test runs cannot race for one. -noreset: without it the server resets when the
    // reachability probe disconnects and refuses the next client for a moment.
    if (!server_.start({QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"), screen, QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("-extension"),
                        QStringLiteral("GLX")})) {
        error_ = QStringLiteral("Xvfb did not start");
        return;
    }
    QByteArray number;
    QDeadlineTimer deadline(15000);
    while (!number.contains('\n') && server_.running() && !deadline.hasExpired()) {
        number += server_.readOutput();
        QThread::msleep(10);
    }
    const QString display = QStringLiteral(":%1").arg(QString::fromLatin1(number.trimmed()));
    if (!number.contains('\n') ||
        !runTool(QStringLiteral("xdpyinfo"), {QStringLiteral("-display"), display}).ok()) {
        error_ = QStringLiteral("Xvfb %1 did not come up").arg(screen);
        return;
    }
    display_ = display;
}

} // namespace mebo::test::x11
