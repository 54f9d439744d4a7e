#include "services/UpdateGuard.h"

#include "app/AppLogger.h"
#include "services/ChildProcess.h"
#include "services/InstallLocation.h"
#include "services/UpdateInstaller.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <cerrno>
#include <csignal>

namespace mebo {

namespace {

constexpr int kPollMs = 50;
constexpr int kOldExitTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 5000;

// A process that ended but was not reaped yet (a zombie) counts as gone.
bool alive(qint64 pid) {
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM)) {
        return false;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;
    }
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end < 0 || line.mid(end + 2, 1) != "Z";
}

ChildProcess::Environment relaunchEnvironment(const UpdateGuard::Plan& plan) {
    ChildProcess::Environment env;
    for (const QString& variable : UpdateGuard::versionOverrides()) {
        env.insert(variable, std::nullopt);
    }
    env.insert(QStringLiteral("MEBO_RELAUNCHED_FROM"), std::nullopt);
    env.insert(QString::fromLatin1(UpdateGuard::confirmVariable), std::nullopt);
    env.insert(QString::fromLatin1(UpdateGuard::rolledBackVariable), std::nullopt);
    if (!plan.windowState.isEmpty()) {
        env.insert(QString::fromLatin1(UpdateGuard::windowsVariable), plan.windowState);
    }
    return env;
}

// The started program leads a session of its own: what it started goes with it, so nothing of the
// silent version keeps running (or holds the terminal's output) after the old one is back.
void stop(pid_t pid) {
    ::kill(-pid, SIGTERM);
    QDeadlineTimer deadline(kStopTimeoutMs);
    while (!ChildProcess::reap(pid)) {
        if (deadline.hasExpired()) {
            ::kill(-pid, SIGKILL);
            deadline = QDeadlineTimer(kStopTimeoutMs);
        }
        QThread::msleep(kPollMs);
    }
    ::kill(-pid, SIGKILL);
}

} // namespace

QStringList UpdateGuard::arguments(const Plan& plan) {
    QStringList args{QStringLiteral("--root"),        plan.root,
                     QStringLiteral("--staging"),     plan.stagingDir,
                     QStringLiteral("--wait-pid"),    QString::number(plan.waitPid),
                     QStringLiteral("--new-version"), plan.newVersion,
                     QStringLiteral("--old-version"), plan.oldVersion,
                     QStringLiteral("--timeout-ms"),  QString::number(plan.startTimeoutMs)};
    if (!plan.windowState.isEmpty()) {
        args << QStringLiteral("--windows") << plan.windowState;
    }
    args << QStringLiteral("--");
    args << plan.relaunchArguments;
    return args;
}

std::optional<UpdateGuard::Plan> UpdateGuard::fromArguments(const QStringList& args) {
    Plan plan;
    plan.startTimeoutMs = defaultStartTimeoutMs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--")) {
            plan.relaunchArguments = args.mid(i + 1);
            break;
        }
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--root")) {
            plan.root = value;
        } else if (a == QLatin1String("--staging")) {
            plan.stagingDir = value;
        } else if (a == QLatin1String("--wait-pid")) {
            plan.waitPid = value.toLongLong();
        } else if (a == QLatin1String("--new-version")) {
            plan.newVersion = value;
        } else if (a == QLatin1String("--old-version")) {
            plan.oldVersion = value;
        } else if (a == QLatin1String("--windows")) {
            plan.windowState = value;
        } else if (a == QLatin1String("--timeout-ms")) {
            plan.startTimeoutMs = value.toInt();
        } else {
            return std::nullopt;
        }
    }
    if (plan.root.isEmpty() || plan.stagingDir.isEmpty() || plan.newVersion.isEmpty() ||
        plan.startTimeoutMs <= 0) {
        return std::nullopt;
    }
    return plan;
}

int UpdateGuard::run(const Plan& plan) {
    {
        QSaveFile pidFile(QDir(plan.stagingDir).filePath(QStringLiteral("guard.pid")));
        if (pidFile.open(QIODevice::WriteOnly)) {
            pidFile.write(QByteArray::number(qint64(::getpid())));
            pidFile.commit();
        }
    }
    QDeadlineTimer oldExit(kOldExitTimeoutMs);
    while (alive(plan.waitPid) && !oldExit.hasExpired()) {
        QThread::msleep(kPollMs);
    }

    const QString confirmFile = QDir(plan.stagingDir).filePath(QStringLiteral("started"));
    QFile::remove(confirmFile);
    const QString program = QDir(plan.root).filePath(InstallLocation::programInTree());
    ChildProcess::Environment env = relaunchEnvironment(plan);
    env.insert(QString::fromLatin1(confirmVariable), confirmFile);
    QString error;
    const pid_t pid = ChildProcess::spawn(program, plan.relaunchArguments, env, &error);
    QString failure;
    if (pid < 0) {
        failure = error;
    } else {
        QDeadlineTimer deadline(plan.startTimeoutMs);
        int exitCode = -1;
        for (;;) {
            if (QFileInfo::exists(confirmFile)) {
                break;
            }
            if (ChildProcess::reap(pid, &exitCode)) {
                failure = QStringLiteral("it ended at once (exit %1)").arg(exitCode);
                break;
            }
            if (deadline.hasExpired()) {
                failure = QStringLiteral("it did not start within %1 s").arg(plan.startTimeoutMs / 1000);
                stop(pid);
                break;
            }
            QThread::msleep(kPollMs);
        }
    }
    if (failure.isEmpty()) {
        logInfo(QStringLiteral("[更新] 新版本 %1 已啟動, 刪除舊版 %2").arg(plan.newVersion, plan.oldVersion));
        UpdateInstaller::removeTree(plan.stagingDir);
        return 0;
    }

    logError(QStringLiteral("[更新] 新版本 %1 未能啟動 (%2), 回滾到 %3")
                 .arg(plan.newVersion, failure, plan.oldVersion));
    const QString back = UpdateInstaller::swapBack(plan.root, UpdateInstaller::previousTree(plan.stagingDir),
                                                   UpdateInstaller::failedTree(plan.stagingDir));
    if (!back.isEmpty()) {
        logError(QStringLiteral("[更新] ❌ 回滾失敗: %1; 舊版在 %2")
                     .arg(back, UpdateInstaller::previousTree(plan.stagingDir)));
        return 2;
    }
    UpdateInstaller::removeTree(plan.stagingDir);
    ChildProcess::Environment oldEnv = relaunchEnvironment(plan);
    oldEnv.insert(QString::fromLatin1(rolledBackVariable),
                  plan.newVersion + QLatin1Char(' ') + plan.oldVersion);
    if (ChildProcess::spawn(program, plan.relaunchArguments, oldEnv, &error) < 0) {
        logError(QStringLiteral("[更新] 無法重新啟動舊版: ") + error);
    }
    return 1;
}

bool UpdateGuard::confirmStarted(const QString& version) {
    const QString file = qEnvironmentVariable(confirmVariable);
    if (file.isEmpty()) {
        return false;
    }
    qunsetenv(confirmVariable);
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(version.toUtf8());
        out.commit();
    }
    return true;
}

} // namespace mebo

namespace mebo {

std::optional<std::pair<QString, QString>> UpdateGuard::takeRolledBack() {
    if (!qEnvironmentVariableIsSet(rolledBackVariable)) {
        return std::nullopt;
    }
    const QStringList versions =
        qEnvironmentVariable(rolledBackVariable).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qunsetenv(rolledBackVariable);
    return std::make_pair(versions.value(0), versions.value(1));
}

} // namespace mebo
