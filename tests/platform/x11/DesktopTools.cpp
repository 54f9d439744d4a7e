#include "DesktopTools.h"

#include "XwdReader.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mebo::test::x11 {

ToolRun runTool(const QString& program, const QStringList& args, int timeoutMs) {
    ToolRun run;
    std::vector<QByteArray> argBytes{program.toLocal8Bit()};
    for (const QString& a : args) {
        argBytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& a : argBytes) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        run.err = "pipe failed";
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        run.err = QStringLiteral("%1 did not start").arg(program).toUtf8();
        return run;
    }

    QDeadlineTimer deadline(timeoutMs);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    QByteArray* sinks[2] = {&run.out, &run.err};
    int open = 2;
    char buf[65536];
    while (open > 0 && !deadline.hasExpired()) {
        if (poll(fds, 2, int(std::min<qint64>(deadline.remainingTime(), 1000))) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n > 0) {
                    sinks[i]->append(buf, n);
                } else if (n == 0 || errno != EINTR) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (pollfd& f : fds) {
        if (f.fd >= 0) {
            close(f.fd);
        }
    }
    if (open > 0) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = open > 0 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return run;
}

QImage xwdRoot(const QString& display, QString* error) {
    QStringList args{QStringLiteral("-root"), QStringLiteral("-silent")};
    if (!display.isEmpty()) {
        args << QStringLiteral("-display") << display;
    }
    const ToolRun r = runTool(QStringLiteral("xwd"), args);
    if (!r.ok()) {
        *error = QStringLiteral("xwd failed: %1").arg(QString::fromLocal8Bit(r.err));
        return {};
    }
    return XwdReader::decode(r.out, error);
}

QString firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return QStringLiteral("sizes differ: %1x%2 vs %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    }
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    QString first;
    for (int y = 0; y < ca.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(ca.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x) {
            if ((ra[x] & 0xffffff) != (rb[x] & 0xffffff)) {
                if (count == 0) {
                    first = QStringLiteral("pixel (%1,%2): #%3 vs #%4")
                                .arg(x)
                                .arg(y)
                                .arg(ra[x] & 0xffffff, 6, 16, QLatin1Char('0'))
                                .arg(rb[x] & 0xffffff, 6, 16, QLatin1Char('0'));
                }
                ++count;
            }
        }
    }
    return count == 0 ? QString() : QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first);
}

std::vector<uint32_t> windowsTitled(const QString& title) {
    const ToolRun r =
        runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                            QStringLiteral("^%1$").arg(QRegularExpression::escape(title))});
    std::vector<uint32_t> ids;
    for (const QByteArray& line : r.out.split('\n')) {
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
    const ToolRun info = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const ToolRun ext =
        runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    if (!info.ok() || !ext.ok()) {
        return g;
    }
    const QString text = QString::fromLocal8Bit(info.out);
    auto field = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return re.match(text).captured(1).toInt();
    };
    g.client = QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                     field("Height"));
    const QRegularExpression extRe(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto m = extRe.match(QString::fromLocal8Bit(ext.out));
    if (m.hasMatch()) {
        // left, right, top, bottom
        g.frameExtents = QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(),
                                  m.captured(4).toInt());
    }
    g.valid = g.client.isValid();
    return g;
}

uint32_t firstOutputId() {
    const ToolRun r = runTool(QStringLiteral("xrandr"), {QStringLiteral("--verbose")});
    const auto m = QRegularExpression(QStringLiteral("Identifier:\\s+0x([0-9a-fA-F]+)"))
                       .match(QString::fromLocal8Bit(r.out));
    return m.hasMatch() ? m.captured(1).toUInt(nullptr, 16) : 0;
}

} // namespace mebo::test::x11
