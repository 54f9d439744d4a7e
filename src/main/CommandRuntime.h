#pragma once

#include "platform/DefaultsStore.h"

#include <QString>
#include <memory>

namespace mebo {

class StderrSystemLog;

// Shared start-up of the command-line commands.
namespace runtime {

// Names the application so the XDG locations resolve to "mebo" folders.
void nameApplication();
// The user's defaults store; on a corrupt file answers nothing after printing its one line.
std::unique_ptr<platform::DefaultsStore> openDefaults();
// Standard error carries the system log only with --verbose; a command otherwise prints its own
// single line for a failure.
void setVerbose(bool verbose);
// The last error (else warning) the execution log recorded: the reason a command failed.
QString lastProblem();
// Whether `dir` can hold new files: created when missing; answers a reason when not.
bool ensureWritableFolder(const QString& dir, QString* reason);

} // namespace runtime
} // namespace mebo
