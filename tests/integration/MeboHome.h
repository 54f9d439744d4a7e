#pragma once

#include "support/Process.h"

#include <QTemporaryDir>

namespace mebo::test {

// The `mebo` binary run as a user would, with a private home (settings, Trash, caches) so tests
// never touch the real ones.
class MeboHome {
public:
    MeboHome();
    QString path() const { return dir_.path(); }
    QString configFile() const { return path() + QStringLiteral("/config/mebo/defaults.json"); }
    QString trashFiles() const { return path() + QStringLiteral("/data/Trash/files"); }
    QString picturesMebo() const { return path() + QStringLiteral("/Pictures/mebo"); }
    // The home's variables, then `extra` (see EnvChanges).
    EnvChanges environment(const EnvChanges& extra = {}) const;
    ProgramRun run(const QStringList& args, const EnvChanges& extra = {}, int timeoutMs = 60000) const;

private:
    QTemporaryDir dir_;
};

} // namespace mebo::test
