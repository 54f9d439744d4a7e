#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mebo {

// Sees a relaunch through: a small process (the previous version's own program, run as
// `mebo update guard …`) that waits for the old instance to end, starts the new version and
// waits for it to report that it is up. The old tree is then removed; when the new version ends
// early or does not report in time, the old tree is put back and started again. It outlives the
// process that installed the update, which is why it is a process of its own.
class UpdateGuard {
public:
    // Environment of the relaunched application.
    static constexpr const char* confirmVariable = "MEBO_UPDATE_CONFIRM";        // file to create once up
    static constexpr const char* rolledBackVariable = "MEBO_UPDATE_ROLLED_BACK"; // "NEW OLD": not started
    static constexpr const char* windowsVariable = "MEBO_RESTORE_WINDOWS";       // windows to open again
    static constexpr int defaultStartTimeoutMs = 60000;

    struct Plan {
        QString root;       // the install folder, holding the new version
        QString stagingDir; // holds the previous version ("previous")
        qint64 waitPid = 0; // the instance that installed the update
        QString newVersion;
        QString oldVersion;
        QString windowState;
        QStringList relaunchArguments;
        int startTimeoutMs = defaultStartTimeoutMs;
    };

    // The variables that make a program pose as another version (tests set them on the old
    // one): a relaunched or checked new version never inherits them.
    static QStringList versionOverrides() {
        return {QStringLiteral("MEBO_INFO_CFBundleShortVersionString"), QStringLiteral("MEBO_INFO_CFBundleVersion")};
    }

    static QStringList arguments(const Plan& plan); // after "update guard"
    static std::optional<Plan> fromArguments(const QStringList& args);

    // Runs the plan; answers the process's exit status (0: the new version is up).
    static int run(const Plan& plan);

    // The relaunched application's side: creates the confirmation file when one was asked for.
    // Answers whether there was one.
    static bool confirmStarted(const QString& version);
    // The new and old versions of an update that did not start, when this launch is the
    // rollback's (read once: the variable is cleared).
    static std::optional<std::pair<QString, QString>> takeRolledBack();
};

} // namespace mebo
