#include "Process.h"

#include "TestPaths.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace mebo::test {

namespace {

void drain(int fd, QByteArray& into) {
    char buf[65536];
    ssize_t n = 0;
    while (fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0) {
        into.append(buf, n);
    }
}

} // namespace

bool Child::start(const QStringList& argv, const EnvChanges& env, const QString& errorFile) {
    QMap<QString, QString> vars; // later changes win
    for (char** e = environ; *e; ++e) {
        const QString entry = QString::fromLocal8Bit(*e);
        vars.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    }
    for (const QString& c : env) {
        if (c.contains(QLatin1Char('='))) {
            vars.insert(c.section(QLatin1Char('='), 0, 0), c.section(QLatin1Char('='), 1));
        } else {
            vars.remove(c);
        }
    }
    std::vector<QByteArray> envStore;
    for (auto it = vars.begin(); it != vars.end(); ++it) {
        envStore.push_back((it.key() + QLatin1Char('=') + it.value()).toLocal8Bit());
    }
    std::vector<QByteArray> argStore;
    for (const QString& a : argv) {
        argStore.push_back(a.toLocal8Bit());
    }
    std::vector<char*> args, envp;
    for (QByteArray& a : argStore) {
        args.push_back(a.data());
    }
    for (QByteArray& e : envStore) {
        envp.push_back(e.data());
    }
    args.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (errorFile.isEmpty()) {
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, QFile::encodeName(errorFile).constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    const int spawned = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
    if (spawned != 0) {
        pid_ = -1;
    }
    return pid_ > 0;
}

bool Child::running() {
    if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == pid_) {
        pid_ = -1;
    }
    return pid_ > 0;
}

QByteArray Child::readOutput() {
    drain(out_, outBuf_);
    return std::exchange(outBuf_, {});
}

QByteArray Child::readErrors() {
    drain(err_, errBuf_);
    return std::exchange(errBuf_, {});
}

bool Child::waitFor(const char* text, QByteArray* seen, bool errors, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!(*seen += errors ? readErrors() : readOutput()).contains(text)) {
        if (!running() || deadline.hasExpired()) {
            *seen += errors ? readErrors() : readOutput(); // the last words of a program that ended
            return seen->contains(text);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(2000);
    }
    return true;
}

int Child::finish(int timeoutMs, bool processEvents) {
    QDeadlineTimer deadline(timeoutMs);
    while (running() && !deadline.hasExpired()) {
        drain(out_, outBuf_); // a full pipe would stop the child
        drain(err_, errBuf_);
        if (processEvents) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        ::usleep(2000);
    }
    if (running()) {
        stop();
        return -1;
    }
    drain(out_, outBuf_);
    drain(err_, errBuf_);
    return exitCode();
}

int Child::exitCode() const {
    return pid_ < 0 && status_ >= 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void Child::signal(int sig) {
    if (running()) {
        ::kill(pid_, sig);
    }
}

void Child::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        QDeadlineTimer deadline(5000);
        while (::waitpid(pid_, &status_, WNOHANG) != pid_ && !deadline.hasExpired()) {
            ::usleep(2000);
        }
        if (::waitpid(pid_, &status_, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
        }
        pid_ = -1;
    }
    for (int* fd : {&out_, &err_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

ProgramRun run(const QStringList& argv, const EnvChanges& env, int timeoutMs, bool processEvents) {
    Child child;
    ProgramRun r;
    if (!child.start(argv, env)) {
        r.err = argv.value(0) + QStringLiteral(" did not start");
        return r;
    }
    r.exitCode = child.finish(timeoutMs, processEvents);
    r.stdOut = child.readOutput();
    r.out = QString::fromUtf8(r.stdOut).trimmed();
    r.err = QString::fromUtf8(child.readErrors()).trimmed();
    return r;
}

ProgramRun runWithoutDisplay(const QString& program, const QStringList& args, const EnvChanges& env) {
    return run(QStringList{program} + args,
               EnvChanges{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"} + env);
}

ProgramRun runMebo(const QStringList& args, const EnvChanges& env) {
    return runWithoutDisplay(QStringLiteral(MEBO_BINARY), args, env);
}

} // namespace mebo::test
