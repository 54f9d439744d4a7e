#include "main/ClipboardKeeper.h"

#include "app/AppLogger.h"
#include "platform/qt/QtClipboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace mebo {

namespace {

QString ownProgram() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

ClipboardKeeper::ClipboardKeeper() {
    const QByteArray program = QFile::encodeName(ownProgram());
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (program.isEmpty() || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        startError_ = QStringLiteral("cannot start the clipboard keeper: %1")
                          .arg(QString::fromLocal8Bit(strerror(errno)));
        for (int fd : {in[0], in[1], out[0], out[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return;
    }
    // A keeper that died before reading must not kill this process when it writes.
    ::signal(SIGPIPE, SIG_IGN);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own session: closing the terminal or the command's process group leaves it running.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    QByteArray command(kCommand);
    std::vector<char*> argv{const_cast<char*>(program.constData()), command.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        startError_ = QStringLiteral("cannot start the clipboard keeper: %1")
                          .arg(QString::fromLocal8Bit(strerror(spawned)));
        ::close(in[1]);
        ::close(out[0]);
        return;
    }
    pid_ = pid;
    toChild_ = in[1];
    fromChild_ = out[0];
}

ClipboardKeeper::~ClipboardKeeper() {
    // Unused, its input ends empty and it exits; used, it goes on alone.
    if (toChild_ >= 0) {
        ::close(toChild_);
    }
    if (fromChild_ >= 0) {
        ::close(fromChild_);
    }
    if (pid_ > 0) {
        ::waitpid(pid_, nullptr, WNOHANG); // reaped here if it already ended, else by init later
    }
}

bool ClipboardKeeper::keepPng(const QByteArray& png, QString* error, int timeoutMs) {
    auto fail = [&](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (pid_ <= 0) {
        return fail(startError_);
    }
    if (toChild_ < 0) {
        return fail(QStringLiteral("the clipboard keeper was already used"));
    }
    const bool sent = writeAll(toChild_, png.constData(), png.size());
    ::close(toChild_);
    toChild_ = -1;
    if (!sent) {
        return fail(QStringLiteral("the clipboard keeper ended before taking the image"));
    }
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (!answer.contains('\n')) {
        const int left = timeoutMs - int(clock.elapsed());
        pollfd p{fromChild_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0) {
            if (left > 0 && errno == EINTR) {
                continue;
            }
            return fail(QStringLiteral("the clipboard keeper did not take the clipboard in time"));
        }
        char buf[256];
        const ssize_t n = ::read(fromChild_, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        answer.append(buf, n);
    }
    const QByteArray line = answer.left(answer.indexOf('\n')).trimmed();
    if (line != "ready") {
        return fail(line.isEmpty() ? QStringLiteral("the clipboard keeper could not take the clipboard")
                                   : QString::fromUtf8(line));
    }
    return true;
}

void ClipboardKeeper::keepHeldImage(platform::Clipboard& clipboard) {
    auto* qt = dynamic_cast<platform::QtClipboard*>(&clipboard);
    const QByteArray png = qt ? qt->heldPng() : QByteArray();
    if (png.isEmpty()) {
        return;
    }
    ClipboardKeeper keeper;
    QString error;
    if (keeper.keepPng(png, &error)) {
        logInfo(QStringLiteral("[Clipboard] the copied image stays on the clipboard (process %1)")
                    .arg(keeper.pid()));
    } else {
        logWarning(QStringLiteral("[Clipboard] the copied image leaves the clipboard with Mebo: ") + error);
    }
}

int ClipboardKeeper::serve(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QByteArray png;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        png.append(buf, n);
    }
    if (png.isEmpty()) {
        return 0; // nothing was handed over
    }
    platform::QtClipboard clipboard;
    if (!clipboard.writePng(png)) {
        const QByteArray why = "the X clipboard could not be taken\n";
        writeAll(1, why.constData(), why.size());
        return 1;
    }
    writeAll(1, "ready\n", 6);
    // The caller stops reading: standard output goes nowhere from now on.
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(nowhere, 1);
    ::close(nowhere);
    QObject::connect(&clipboard, &platform::QtClipboard::ownershipLost, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace mebo
