#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

namespace mebo {

// Other programs the services run (tar, unzip, a new Mebo): posix_spawn and waitpid, so no
// event loop is needed and worker threads may use it. Environment changes apply on top of this
// process's environment: a value sets a variable, nothing removes it.
class ChildProcess {
public:
    using Environment = QMap<QString, std::optional<QString>>;

    struct Outcome {
        bool started = false;
        bool timedOut = false;
        bool exited = false; // ended by exit() rather than a signal
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
        QString error; // why it did not start
        bool succeeded() const { return started && !timedOut && exited && exitCode == 0; }
    };

    // Runs `program` to its end, or kills it after `timeoutMs`. Standard input is empty.
    static Outcome run(const QString& program, const QStringList& args, int timeoutMs,
                       const Environment& env = {});
    // Starts `program` in a session of its own and returns at once: its pid, or -1 with the
    // reason in `error`. Its output goes to `stdoutFile`, else where this process's goes. The
    // caller reaps it with `reap()` or leaves it to init by ending.
    static pid_t spawn(const QString& program, const QStringList& args, const Environment& env,
                       QString* error, const QString& stdoutFile = {});
    // Whether the child `pid` has ended (it is reaped then); `exitCode` gets its status.
    static bool reap(pid_t pid, int* exitCode = nullptr);
};

} // namespace mebo
