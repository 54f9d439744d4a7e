#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace mebo::test {

// Changes to this process's environment for a child: "NAME=value" sets, a bare "NAME" removes.
using EnvChanges = QStringList;

// A program started with posix_spawn (not QProcess, which hides later locks from
// ThreadSanitizer), its standard output captured; stopped by its PID when destroyed.
class Child {
public:
    Child() = default;
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // `errorFile`: where standard error goes (empty: into the captured output's companion).
    bool start(const QStringList& argv, const EnvChanges& env = {}, const QString& errorFile = {});
    bool running();
    pid_t pid() const { return pid_; }
    // Sends `sig` while the program runs (never to a PID that is gone).
    void signal(int sig);
    // Output written so far, never blocking.
    QByteArray readOutput();
    QByteArray readErrors();
    // Adds the output (standard error when `errors`) to `seen` until it holds `text`, running the
    // event loop; false when the program ended or the time ran out first.
    bool waitFor(const char* text, QByteArray* seen, bool errors = false, int timeoutMs = 60000);
    // Waits for the program to end (running the event loop when asked, for children that talk to
    // this process); its exit code, or -1 when killed at the deadline.
    int finish(int timeoutMs, bool processEvents = false);
    // The exit code of a program that has ended, -1 when it was killed or still runs.
    int exitCode() const;
    void stop();

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int out_ = -1;
    int err_ = -1;
    QByteArray outBuf_, errBuf_;
};

struct ProgramRun {
    int exitCode = -1;
    QByteArray stdOut;
    QString out; // standard output, trimmed
    QString err; // standard error, trimmed
    bool ok() const { return exitCode == 0; }
};

ProgramRun run(const QStringList& argv, const EnvChanges& env = {}, int timeoutMs = 60000,
               bool processEvents = false);

// The program without a display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM removed).
ProgramRun runWithoutDisplay(const QString& program, const QStringList& args, const EnvChanges& env = {});
// The program under test, without a display.
ProgramRun runMebo(const QStringList& args, const EnvChanges& env = {});

} // namespace mebo::test
