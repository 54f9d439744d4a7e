#pragma once

#include "support/Process.h"

#include <QJsonArray>
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

// The library index of `dir` (its index.json); empty when there is none.
QJsonArray libraryIndex(const QString& dir);
// Running processes of `program` whose arguments include `argument` and whose environment includes
// `variable` ("NAME=value"), when these are given.
QList<pid_t> processesOf(const QString& program, const QByteArray& argument = {},
                         const QByteArray& variable = {});
// The PNG files in `dir`, by name.
QStringList pngsIn(const QString& dir);
// The frame painter's picture (tests/tools/frame_painter.cpp) carries its frame index in 16 black
// or white blocks 40 pixels wide across its top rows (65535 before its first frame): the index
// read from a grey frame `width` pixels wide.
int painterIndex(const QByteArray& grey, int width);

} // namespace mebo::test
