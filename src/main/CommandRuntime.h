#pragma once

#include "platform/DefaultsStore.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

namespace mebo {

class StderrSystemLog;

// Shared start-up of the command-line commands.
namespace runtime {

// For commands that paint and read images but show nothing: Qt's offscreen platform, unless the
// user chose one. Before the QGuiApplication exists.
void useOffscreenPlatform();
// Names the application so the XDG locations resolve to "mebo" folders.
void nameApplication();
// The user's defaults store; on a corrupt file answers nothing after printing its one line.
std::unique_ptr<platform::DefaultsStore> openDefaults();
// Standard error carries the system log only with --verbose; a command otherwise prints its own
// single line for a failure.
void setVerbose(bool verbose);
// The last error (else warning) the execution log recorded: the reason a command failed.
QString lastProblem();
// Runs the event loop until `done()` holds, re-checking whenever `signal` of `sender` fires, for
// at most `timeoutMs`. Only at a command's top level, never from inside the event loop.
template <class Sender, class Signal>
void waitFor(const Sender* sender, Signal signal, int timeoutMs, const std::function<bool()>& done) {
    if (done()) {
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    while (!done() && timer.isActive()) {
        loop.exec();
    }
}

// For the modes that recognise text, before anything else. Tesseract's OpenMP threads spin and
// yield; one thread per recognition is two to three times faster on a desktop machine. libgomp
// reads its limit once, when loaded, and Qt Core already loads it (through libb2) before main(),
// so the limit is put in the environment and the program starts again in the same process. A
// value the user set is kept.
void limitOpenMpThreads(char** argv);

// Whether `dir` can hold new files: created when missing; answers a reason when not.
bool ensureWritableFolder(const QString& dir, QString* reason);

} // namespace runtime
} // namespace mebo
