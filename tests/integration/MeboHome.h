#pragma once

#include "support/Process.h"

#include <QJsonArray>
#include <QTemporaryDir>

class QProcess;

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
// The PNG files in `dir`, by name.
QStringList pngsIn(const QString& dir);
// The frame painter's picture (tests/tools/frame_painter.cpp) carries its frame index in 16 black
// or white blocks 40 pixels wide across its top rows (65535 before its first frame): the index
// read from a grey frame `width` pixels wide.
int painterIndex(const QByteArray& grey, int width);
// Reads what `p` writes (its standard error, or its output) into `seen` until it holds `text`;
// false when `p` ends or the time is up first.
bool waitForLog(QProcess* p, QByteArray* seen, const char* text, int timeoutMs = 60000, bool output = false);

} // namespace mebo::test
