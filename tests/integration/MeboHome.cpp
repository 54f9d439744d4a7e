#include "MeboHome.h"

#include "TestPaths.h"
#include "support/TestUtil.h"
#include <QDir>
#include <QJsonDocument>
#include <QProcess>

namespace mebo::test {

MeboHome::MeboHome() {
    for (const char* sub : {"config", "data", "cache", "Pictures", "run"}) {
        QDir(path()).mkpath(QString::fromLatin1(sub));
    }
    QFile::setPermissions(path() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

EnvChanges MeboHome::environment(const EnvChanges& extra) const {
    return EnvChanges{QStringLiteral("HOME=") + path(),
                      QStringLiteral("XDG_CONFIG_HOME=") + path() + QStringLiteral("/config"),
                      QStringLiteral("XDG_DATA_HOME=") + path() + QStringLiteral("/data"),
                      QStringLiteral("XDG_CACHE_HOME=") + path() + QStringLiteral("/cache"),
                      QStringLiteral("XDG_PICTURES_DIR=") + path() + QStringLiteral("/Pictures"),
                      QStringLiteral("XDG_RUNTIME_DIR=") + path() + QStringLiteral("/run"),
                      QStringLiteral("QT_QPA_PLATFORM")} +
           extra;
}

ProgramRun MeboHome::run(const QStringList& args, const EnvChanges& extra, int timeoutMs) const {
    return test::run(QStringList{QStringLiteral(MEBO_BINARY)} + args, environment(extra), timeoutMs);
}

QJsonArray libraryIndex(const QString& dir) {
    QFile f(dir + QStringLiteral("/index.json"));
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).array() : QJsonArray();
}

QStringList pngsIn(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

int painterIndex(const QByteArray& grey, int width) {
    int v = 0;
    for (int b = 0; b < 16; ++b) {
        v |= uchar(grey[30 * width + b * 40 + 20]) > 128 ? 1 << b : 0;
    }
    return v;
}

bool waitForLog(QProcess* p, QByteArray* seen, const char* text, int timeoutMs, bool output) {
    return waitUntil(
               [&] {
                   p->waitForReadyRead(20);
                   *seen += output ? p->readAllStandardOutput() : p->readAllStandardError();
                   return seen->contains(text) || p->state() == QProcess::NotRunning;
               },
               timeoutMs) &&
           seen->contains(text);
}

} // namespace mebo::test
