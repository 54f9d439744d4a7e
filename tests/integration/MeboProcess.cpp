#include "MeboProcess.h"

#include "TestPaths.h"
#include <QDir>
#include <QProcess>

namespace mebo::test {

MeboHome::MeboHome() {
    for (const char* sub : {"config", "data", "cache", "Pictures"}) {
        QDir(dir_.path()).mkpath(QString::fromLatin1(sub));
    }
}

QProcessEnvironment MeboHome::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.path());
    env.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
    env.insert("XDG_DATA_HOME", dir_.path() + "/data");
    env.insert("XDG_CACHE_HOME", dir_.path() + "/cache");
    env.insert("XDG_PICTURES_DIR", dir_.path() + "/Pictures");
    env.remove("QT_QPA_PLATFORM");
    return env;
}

MeboHome::Run MeboHome::run(const QStringList& args, int timeoutMs, const QProcessEnvironment* env) const {
    QProcess p;
    p.setProcessEnvironment(env ? *env : environment());
    p.start(QStringLiteral(MEBO_BINARY), args);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace mebo::test
