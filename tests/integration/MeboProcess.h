#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace mebo::test {

// The `mebo` binary run as a user would, with a private home (settings, Trash, caches) so tests
// never touch the real ones.
class MeboHome {
public:
    MeboHome();
    QString path() const { return dir_.path(); }
    QString configFile() const { return dir_.path() + QStringLiteral("/config/mebo/defaults.json"); }
    QString trashFiles() const { return dir_.path() + QStringLiteral("/data/Trash/files"); }
    QString picturesMebo() const { return dir_.path() + QStringLiteral("/Pictures/mebo"); }
    QProcessEnvironment environment() const;

    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
        QString outText() const { return QString::fromUtf8(out).trimmed(); }
        QString errText() const { return QString::fromUtf8(err).trimmed(); }
    };
    Run run(const QStringList& args, int timeoutMs = 60000, const QProcessEnvironment* env = nullptr) const;

private:
    QTemporaryDir dir_;
};

} // namespace mebo::test
