#include "main/Commands.h"

#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/OnlineServices.h"
#include "services/TasuInstaller.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kCompanionHelp = R"(Usage: mebo companion install [--json]

Downloads the hotkey companion Tasu, checks that it is Tasu and that Mebo's publisher signed it,
and installs it as ~/Applications/Tasu.app (a previous copy is kept until the new one is in
place). Start it with ~/Applications/Tasu.app/Contents/bin/tasu to choose keys.

Options:
  --json      print one JSON object: installed, path, error, message
  --verbose   write the execution log to standard error
  --help      show this help
)";

constexpr int kInstallWaitMs = 60 * 60 * 1000;

} // namespace

int runCompanionCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args, {{"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("companion"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kCompanionHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    if (action != QLatin1String("install")) {
        return cli::usageError(action.isEmpty() ? QStringLiteral("which action? install")
                                                : QStringLiteral("unknown companion action '%1'").arg(action),
                               QStringLiteral("companion"));
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("install takes no arguments"), QStringLiteral("companion"));
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    QCoreApplication app(argc, argv);
    runtime::nameApplication();

    OnlineServices online(*defaults, {});
    TasuInstaller& tasu = online.tasu();
    bool finished = false;
    std::optional<TasuFailure> failure;
    tasu.install([&](const std::optional<TasuFailure>& f) {
        failure = f;
        finished = true;
    });
    runtime::waitFor(&tasu, &TasuInstaller::installingChanged, kInstallWaitMs, [&] { return finished; });
    if (!finished) {
        failure = TasuFailure{QStringLiteral("timeout"), QStringLiteral("the install did not finish")};
    }

    if (opts->has("json")) {
        QJsonObject o{{QStringLiteral("installed"), !failure},
                      {QStringLiteral("path"), tasu.setup().installPath}};
        if (failure) {
            o.insert(QStringLiteral("error"), failure->name);
            o.insert(QStringLiteral("message"), failure->description);
        }
        cli::printJson(o);
    } else if (!failure) {
        cli::printOut(QStringLiteral("installed Tasu in %1").arg(tasu.setup().installPath));
    }
    if (failure) {
        cli::printErr(failure->description);
        return cli::Exit::failure;
    }
    return cli::Exit::ok;
}

} // namespace mebo
