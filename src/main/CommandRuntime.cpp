#include "main/CommandRuntime.h"

#include "app/AppLogger.h"
#include "app/StderrSystemLog.h"
#include "main/CliSupport.h"
#include "platform/qt/JsonDefaultsStore.h"
#include "services/VersionMgr.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdlib>
#include <unistd.h>

namespace mebo::runtime {

void useOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("mebo"));
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationVersion(VersionMgr::shared().version());
}

std::unique_ptr<platform::DefaultsStore> openDefaults() {
    auto store = std::make_unique<platform::JsonDefaultsStore>();
    if (!store->lastError().isEmpty()) {
        cli::printErr(store->lastError());
        return nullptr;
    }
    return store;
}

void setVerbose(bool verbose) {
    static StderrSystemLog* sink = new StderrSystemLog;
    sink->setEnabled(verbose);
    AppLogger::shared().setSystemLog(sink);
}

QString lastProblem() {
    QCoreApplication::processEvents(); // records arrive through the queue
    const auto& logs = AppLogger::shared().recentLogs();
    for (LogLevel wanted : {LogLevel::error, LogLevel::warning}) {
        for (auto it = logs.crbegin(); it != logs.crend(); ++it) {
            if (it->level == wanted) {
                return it->msg;
            }
        }
    }
    return {};
}

bool ensureWritableFolder(const QString& dir, QString* reason) {
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) {
        *reason = QStringLiteral("save folder %1 is not a folder").arg(dir);
        return false;
    }
    if (!info.exists() && !QDir().mkpath(dir)) {
        *reason = QStringLiteral("cannot create save folder %1").arg(dir);
        return false;
    }
    // Permission bits do not tell the whole story (read-only mounts, root): try it.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".mebo-write-check-XXXXXX")));
    if (!probe.open()) {
        *reason = QStringLiteral("save folder %1 is not writable").arg(dir);
        return false;
    }
    return true;
}

void limitOpenMpThreads(char** argv) {
    if (!std::getenv("OMP_THREAD_LIMIT")) {
        setenv("OMP_THREAD_LIMIT", "1", 1);
        execv("/proc/self/exe", argv); // returns only on failure: then run with the default
    }
}

} // namespace mebo::runtime
