#include "main/Commands.h"

#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/OnlineServices.h"
#include "services/Norvik.h"
#include "services/UpdateGuard.h"
#include "services/UpdateMgr.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kUpdateHelp = R"(Usage: mebo update check [--json]
       mebo update install [--json]

Asks the update feed for a newer Mebo. 'install' also downloads it (progress on standard
error), checks its publisher signature, puts it in the place of the installed folder and checks
that it starts, keeping the previous version otherwise. A running Mebo uses the new version
from its next start. Installing needs Mebo's own install folder (the release archive's
mebo-VERSION folder); copies from a build folder or the system's package manager are updated
by those.

Options:
  --json      print one JSON object: status, version, build, available, availableBuild,
              installed, canInstall, installNotice, error
  --verbose   write the execution log to standard error
  --help      show this help
)";

constexpr int kCheckWaitMs = 5 * 60 * 1000;
constexpr int kInstallWaitMs = 6 * 60 * 60 * 1000; // a stalled download fails after 30 s anyway

QJsonObject report(UpdateMgr& updates, bool installed) {
    const UpdateCheckStatus& s = updates.checkStatus();
    Norvik& facade = updates.facade();
    QJsonObject o{{QStringLiteral("status"), installed ? QStringLiteral("installed") : s.name()},
                  {QStringLiteral("version"), updates.version().version()},
                  {QStringLiteral("build"), updates.version().buildNumber()},
                  {QStringLiteral("installed"), installed},
                  {QStringLiteral("canInstall"), facade.location().canInstall()},
                  {QStringLiteral("installNotice"), facade.location().reason()}};
    if (facade.availableVersion()) {
        o.insert(QStringLiteral("available"), *facade.availableVersion());
        o.insert(QStringLiteral("availableBuild"), facade.availableBuildNumber().value_or(QString()));
    }
    if (s.is(UpdateCheckStatus::Kind::error)) {
        o.insert(QStringLiteral("error"), s.message);
    }
    return o;
}

int runGuard(int& argc, char** argv, const QStringList& args) {
    const auto plan = UpdateGuard::fromArguments(args);
    if (!plan) {
        return cli::usageError(QStringLiteral("guard: incomplete plan"), QStringLiteral("update"));
    }
    runtime::setVerbose(true);
    runtime::nameApplication();
    QCoreApplication app(argc, argv);
    return UpdateGuard::run(*plan);
}

} // namespace

int runUpdateCommand(int& argc, char** argv, const QStringList& args) {
    // The relaunch guard an update leaves behind; not for people.
    if (args.value(0) == QLatin1String("guard")) {
        return runGuard(argc, argv, args.mid(1));
    }
    QString error;
    const auto opts = cli::parseOptions(args, {{"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("update"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kUpdateHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    if (action != QLatin1String("check") && action != QLatin1String("install")) {
        return cli::usageError(action.isEmpty() ? QStringLiteral("which action? check or install")
                                                : QStringLiteral("unknown update action '%1'").arg(action),
                               QStringLiteral("update"));
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("%1 takes no arguments").arg(action), QStringLiteral("update"));
    }
    const bool json = opts->has("json");
    const bool install = action == QLatin1String("install");

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    QCoreApplication app(argc, argv);
    runtime::nameApplication();

    OnlineServices online(*defaults, {});
    online.startUpdates();
    UpdateMgr& updates = online.updates();
    Norvik& facade = online.norvik();

    if (install && !facade.location().canInstall()) {
        if (json) {
            cli::printJson(report(updates, false));
        }
        cli::printErr(facade.location().reason());
        return cli::Exit::failure;
    }

    updates.checkForUpdates();
    runtime::waitFor(&updates, &UpdateMgr::changed, kCheckWaitMs, [&] { return !updates.isChecking(); });
    const auto kind = [&] { return updates.checkStatus().kind; };

    if (install && kind() == UpdateCheckStatus::Kind::updateAvailable) {
        int shown = -1;
        QObject::connect(&updates, &UpdateMgr::changed, &app, [&] {
            const UpdateCheckStatus& s = updates.checkStatus();
            const int percent = int(s.progress * 100.0);
            if (!json && s.is(UpdateCheckStatus::Kind::downloading) && percent / 10 != shown / 10) {
                shown = percent;
                cli::printErr(QStringLiteral("downloading Mebo %1: %2%")
                                  .arg(updates.availableVer().value_or(QString()))
                                  .arg(percent));
            }
        });
        facade.downloadAndInstall();
        runtime::waitFor(&updates, &UpdateMgr::changed, kInstallWaitMs, [&] {
            return kind() == UpdateCheckStatus::Kind::readyToInstall ||
                   kind() == UpdateCheckStatus::Kind::error;
        });
    }
    bool installed = false;
    if (install && kind() == UpdateCheckStatus::Kind::readyToInstall) {
        // Nothing runs this copy after us: install without a relaunch, checking that it starts.
        facade.tryInstallOnDeactivate();
        installed = !facade.status().is(UpdateCheckStatus::Kind::error);
    }

    if (json) {
        cli::printJson(report(updates, installed));
    } else if (installed) {
        cli::printOut(QStringLiteral("installed Mebo %1 in %2 (restart Mebo to use it)")
                          .arg(facade.availableVersion().value_or(QString()), facade.location().root()));
    } else if (kind() == UpdateCheckStatus::Kind::upToDate) {
        cli::printOut(QStringLiteral("Mebo %1 is up to date").arg(updates.version().version()));
    } else if (kind() == UpdateCheckStatus::Kind::updateAvailable) {
        cli::printOut(QStringLiteral("Mebo %1 is available (this is %2)")
                          .arg(facade.availableVersion().value_or(QString()), updates.version().version()));
        if (!facade.location().canInstall()) {
            cli::printErr(facade.location().reason());
        }
    }
    if (kind() == UpdateCheckStatus::Kind::error) {
        cli::printErr(updates.checkStatus().message);
        return cli::Exit::failure;
    }
    return cli::Exit::ok;
}

} // namespace mebo
