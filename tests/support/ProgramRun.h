#pragma once

#include <QString>
#include <QStringList>

namespace mebo::test {

struct ProgramRun {
    int exitCode = -1;
    QString out; // standard output, trimmed
    QString err; // standard error, trimmed
};

// Runs `program` without a display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM removed) and
// waits for it. Started with posix_spawn rather than QProcess, which blinds ThreadSanitizer to
// later tests' locks.
ProgramRun runWithoutDisplay(const QString& program, const QStringList& args);
// The same with variables set or replaced ("HOME=/tmp/x"), for a private home.
ProgramRun runWithoutDisplay(const QString& program, const QStringList& args, const QStringList& env);

} // namespace mebo::test
