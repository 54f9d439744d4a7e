#include "services/ChildProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace mebo {

namespace {

// argv and envp that own their storage.
struct Argv {
    QList<QByteArray> store;
    std::vector<char*> pointers;
    void finish() {
        for (QByteArray& s : store) {
            pointers.push_back(s.data());
        }
        pointers.push_back(nullptr);
    }
};

Argv makeArgv(const QString& program, const QStringList& args) {
    Argv a;
    a.store << QFile::encodeName(program);
    for (const QString& arg : args) {
        a.store << arg.toLocal8Bit();
    }
    a.finish();
    return a;
}

Argv makeEnv(const ChildProcess::Environment& changes) {
    Argv e;
    for (char** p = environ; *p; ++p) {
        const QByteArray entry(*p);
        const QString name = QString::fromLocal8Bit(entry.left(entry.indexOf('=')));
        if (!changes.contains(name)) {
            e.store << entry;
        }
    }
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.value()) {
            e.store << (it.key() + QLatin1Char('=') + *it.value()).toLocal8Bit();
        }
    }
    e.finish();
    return e;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

pid_t start(const QString& program, const QStringList& args, const ChildProcess::Environment& env,
            const QByteArray& outPath, const QByteArray& errPath, bool newSession, QString* error) {
    Argv argv = makeArgv(program, args);
    Argv envp = makeEnv(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Without a file the child writes where this process writes.
    if (!outPath.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
    }
    if (!errPath.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Default signal handling and mask in the child, whatever this process changed.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (newSession) {
        flags |= POSIX_SPAWN_SETSID;
    }
    posix_spawnattr_setflags(&attr, flags);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv.store.first().constData(), &actions, &attr, argv.pointers.data(),
                               envp.pointers.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error) {
            *error = QStringLiteral("cannot start %1: %2").arg(program, QString::fromLocal8Bit(strerror(rc)));
        }
        return -1;
    }
    return pid;
}

} // namespace

ChildProcess::Outcome ChildProcess::run(const QString& program, const QStringList& args, int timeoutMs,
                                        const Environment& env) {
    Outcome o;
    QTemporaryDir io;
    if (!io.isValid()) {
        o.error = QStringLiteral("no temporary folder for %1's output").arg(program);
        return o;
    }
    const QString outPath = io.filePath(QStringLiteral("out"));
    const QString errPath = io.filePath(QStringLiteral("err"));
    const pid_t pid =
        start(program, args, env, QFile::encodeName(outPath), QFile::encodeName(errPath), false, &o.error);
    if (pid < 0) {
        return o;
    }
    o.started = true;
    QDeadlineTimer deadline(timeoutMs);
    int status = 0;
    int sleepMs = 1;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            break;
        }
        if (deadline.hasExpired()) {
            o.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        QThread::msleep(sleepMs);
        sleepMs = std::min(sleepMs * 2, 20);
    }
    if (!o.timedOut && WIFEXITED(status)) {
        o.exited = true;
        o.exitCode = WEXITSTATUS(status);
    }
    o.out = readFile(outPath);
    o.err = readFile(errPath);
    return o;
}

pid_t ChildProcess::spawn(const QString& program, const QStringList& args, const Environment& env,
                          QString* error, const QString& stdoutFile) {
    const QByteArray out = QFile::encodeName(stdoutFile);
    return start(program, args, env, out, out, true, error);
}

bool ChildProcess::reap(pid_t pid, int* exitCode) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == 0) {
        return false;
    }
    if (exitCode) {
        *exitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return true;
}

} // namespace mebo
