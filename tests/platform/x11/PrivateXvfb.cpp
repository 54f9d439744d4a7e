#include "PrivateXvfb.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace mebo::test::x11 {

namespace {

bool reachable(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

} // namespace

PrivateXvfb::PrivateXvfb(const QString& screen) {
    // -displayfd: the server takes the first free display number itself and writes it to the
    // pipe, so concurrent test runs cannot race for one. -noreset: without it the server resets
    // when the reachability probe disconnects and refuses the next client for a moment.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("pipe failed");
        return;
    }
    const QByteArray screenArg = screen.toLocal8Bit();
    const char* argv[] = {"Xvfb",      "-displayfd", "3",        "-screen",    "0",   screenArg.constData(),
                          "-nolisten", "tcp",        "-noreset", "-extension", "GLX", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(fds[0]);
        error_ = QStringLiteral("Xvfb did not start");
        return;
    }
    QByteArray number;
    QDeadlineTimer deadline(15000);
    pollfd pfd{fds[0], POLLIN, 0};
    while (!number.contains('\n') && !deadline.hasExpired()) {
        if (poll(&pfd, 1, 200) > 0) {
            char buf[32];
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            number.append(buf, n);
        }
    }
    close(fds[0]);
    if (!number.contains('\n')) {
        error_ = QStringLiteral("Xvfb %1 did not report its display").arg(screen);
        return;
    }
    display_ = QStringLiteral(":%1").arg(QString::fromLatin1(number.trimmed()));
    ready_ = reachable(display_);
    if (!ready_) {
        error_ = QStringLiteral("Xvfb %1 is not reachable").arg(display_);
    }
}

PrivateXvfb::~PrivateXvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

} // namespace mebo::test::x11
