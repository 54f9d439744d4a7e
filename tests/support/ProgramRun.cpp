#include "ProgramRun.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mebo::test {

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

ProgramRun runWithoutDisplay(const QString& program, const QStringList& args) {
    return runWithoutDisplay(program, args, {});
}

ProgramRun runWithoutDisplay(const QString& program, const QStringList& args, const QStringList& env) {
    QTemporaryDir io;
    const QByteArray outPath = QFile::encodeName(io.filePath(QStringLiteral("out")));
    const QByteArray errPath = QFile::encodeName(io.filePath(QStringLiteral("err")));
    const QByteArray binary = QFile::encodeName(program);
    QList<QByteArray> argStore{binary};
    for (const QString& a : args) {
        argStore << a.toLocal8Bit();
    }
    std::vector<char*> argv;
    for (QByteArray& a : argStore) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    QList<QByteArray> envStore;
    QList<QByteArray> dropped{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
    for (const QString& e : env) {
        dropped << e.section(QLatin1Char('='), 0, 0).toLocal8Bit() + '=';
    }
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        if (std::none_of(dropped.begin(), dropped.end(), [&](const QByteArray& d) { return entry.startsWith(d); })) {
            envStore << entry;
        }
    }
    for (const QString& e : env) {
        envStore << e.toLocal8Bit();
    }
    std::vector<char*> envp;
    for (QByteArray& e : envStore) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ProgramRun r;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return r;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return r;
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = QString::fromUtf8(readAll(io.filePath(QStringLiteral("out")))).trimmed();
    r.err = QString::fromUtf8(readAll(io.filePath(QStringLiteral("err")))).trimmed();
    return r;
}

} // namespace mebo::test
