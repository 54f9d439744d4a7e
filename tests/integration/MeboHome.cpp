#include "MeboHome.h"

#include "TestPaths.h"
#include "support/Files.h"
#include <QDir>
#include <QJsonDocument>

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

QList<pid_t> processesOf(const QString& program, const QByteArray& argument, const QByteArray& variable) {
    const QString wanted = QFileInfo(program).canonicalFilePath();
    QList<pid_t> out;
    for (const QString& pid :
         QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        const QString dir = QStringLiteral("/proc/") + pid;
        const auto holds = [&](const char* file, const QByteArray& item) {
            return item.isEmpty() || fileBytes(dir + QLatin1Char('/') + file).split('\0').contains(item);
        };
        if (QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget() == wanted && holds("cmdline", argument) &&
            holds("environ", variable)) {
            out << pid_t(pid.toInt());
        }
    }
    return out;
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

} // namespace mebo::test
