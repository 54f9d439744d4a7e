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

} // namespace mebo::test
