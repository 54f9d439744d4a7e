#include "main/Commands.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "app/SingleInstance.h"
#include "capture/CaptureMgr.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "capture/ScreenCaptureSvc.h"
#include "library/HistoryStore.h"
#include "main/AppServices.h"
#include "main/CaptureOptions.h"
#include "main/CliSupport.h"
#include "main/CliTargets.h"
#include "main/CommandRuntime.h"
#include "main/HandOverClipboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTimer>

namespace mebo {

namespace {

const char* kCaptureHelp = R"(Usage: mebo capture fullscreen|window|area [options]

Takes one still capture into the library (the save folder), enters it into the history and
prints the written PNG's path.

Modes:
  fullscreen          the whole display under the pointer (or --display)
  window              a window with its frame (--window, default: the window under the pointer)
  area                a rectangle of a display (--geometry)

Options:
  --display ID        the display (RandR output id, as 'mebo capture --list-displays' shows)
  --window ID         the X11 window id (decimal or 0x hexadecimal)
  --geometry WxH+X+Y  the area in X11 root pixels, top-left origin (as scrot and maim take it)
  --save-dir DIR      write into DIR instead of the configured save folder (this run only)
  --copy              also put the image on the clipboard; it stays there after the command
                      ends (held by the running Mebo, or by a background process) until another
                      program copies something
  --sound             play the shutter sound (command-line captures are silent otherwise)
  --delay SECONDS     wait this long (0 to 60 seconds) before capturing
  --json              print one JSON object: path, width, height, mode, historyId, windowTitle
  --list-displays     print the displays and exit
  --verbose           write the execution log to standard error
  --help              show this help
)";

struct CaptureOutcome {
    bool finished = false;
    bool ok = false;
    QString path;
    QString itemId;
    CaptureResult result;
};

} // namespace

int runCaptureCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args, cli::captureOptions(), &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("capture"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kCaptureHelp).trimmed());
        return cli::Exit::ok;
    }
    const bool listDisplays = opts->has("list-displays");
    std::optional<CaptureMode> mode;
    if (!listDisplays) {
        if (opts->positional.size() != 1) {
            return cli::usageError(opts->positional.isEmpty()
                                       ? QStringLiteral("which capture? fullscreen, window or area")
                                       : QStringLiteral("one capture mode at a time"),
                                   QStringLiteral("capture"));
        }
        const QString m = opts->positional.first();
        if (m == QLatin1String("fullscreen")) {
            mode = CaptureMode::fullscreen;
        } else if (m == QLatin1String("window")) {
            mode = CaptureMode::window;
        } else if (m == QLatin1String("area")) {
            mode = CaptureMode::area;
        } else {
            return cli::usageError(QStringLiteral("unknown capture mode '%1'").arg(m),
                                   QStringLiteral("capture"));
        }
    }

    // Options that do not fit the mode are mistakes, not hints to ignore.
    CaptureRequest request;
    request.source = CaptureRequest::Source::api;
    std::optional<QRect> geometry;
    if (mode) {
        request.mode = *mode;
        if (opts->has("geometry") && *mode != CaptureMode::area) {
            return cli::usageError(QStringLiteral("--geometry applies to area captures"),
                                   QStringLiteral("capture"));
        }
        if (opts->has("window") && *mode != CaptureMode::window) {
            return cli::usageError(QStringLiteral("--window applies to window captures"),
                                   QStringLiteral("capture"));
        }
        if (opts->has("display") && *mode == CaptureMode::window) {
            return cli::usageError(QStringLiteral("--display does not apply to window captures"),
                                   QStringLiteral("capture"));
        }
        if (*mode == CaptureMode::area) {
            if (!opts->has("geometry")) {
                return cli::usageError(
                    QStringLiteral(
                        "area captures need --geometry WxH+X+Y (interactive selection is in the desktop "
                        "application)"),
                    QStringLiteral("capture"));
            }
            geometry = cli::parseGeometry(opts->value("geometry"));
            if (!geometry) {
                return cli::usageError(
                    QStringLiteral("bad geometry '%1', expected WxH+X+Y such as 200x100+100+100")
                        .arg(opts->value("geometry")),
                    QStringLiteral("capture"));
            }
        }
        if (opts->has("window")) {
            const auto id = cli::parseId(opts->value("window"));
            if (!id) {
                return cli::usageError(QStringLiteral("bad window id '%1'").arg(opts->value("window")),
                                       QStringLiteral("capture"));
            }
            request.windowId = *id;
        }
    }
    if (opts->has("delay")) {
        bool ok = false;
        const int seconds = opts->value("delay").toInt(&ok);
        if (!ok || seconds < 0 || seconds > 60) {
            return cli::usageError(
                QStringLiteral("--delay takes 0 to 60 seconds, not '%1'").arg(opts->value("delay")),
                QStringLiteral("capture"));
        }
        request.delaySeconds = seconds;
    }
    if (opts->has("display")) {
        const auto id = cli::parseId(opts->value("display"));
        if (!id) {
            return cli::usageError(QStringLiteral("bad display id '%1'").arg(opts->value("display")),
                                   QStringLiteral("capture"));
        }
        request.displayId = *id;
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }

    // The clipboard outlives the command: the image goes to a process that stays.
    const QVariant storedCopy = defaults->object(QStringLiteral("mebo.copyToClipboard"));
    const bool wantsClipboard =
        !listDisplays &&
        (opts->has("copy") || (storedCopy.typeId() == QMetaType::Bool && storedCopy.toBool()));

    AppServices::Options serviceOptions;
    serviceOptions.screen = true;
    serviceOptions.sound = opts->has("sound");
    if (opts->has("save-dir")) {
        serviceOptions.saveDirectoryOverride = QDir::cleanPath(QDir(opts->value("save-dir")).absolutePath());
    }

    // The screen backend is probed before any application object: a GUI application would abort
    // on an unreachable display.
    std::unique_ptr<QCoreApplication> app;
    ScreenBackends screen = loadScreenBackends();
    if (!screen.available()) {
        cli::printErr(screen.unavailableReason);
        return cli::Exit::failure;
    }
    serviceOptions.preloadedScreen = &screen;
    app = std::make_unique<QCoreApplication>(argc, argv);
    runtime::nameApplication();
    if (wantsClipboard) {
        serviceOptions.makeClipboard = [] {
            return std::make_unique<HandOverClipboard>(SingleInstance::defaultServerName());
        };
    }

    AppServices services(*defaults, serviceOptions);
    if (!services.screenBackends().available()) {
        cli::printErr(services.screenBackends().unavailableReason);
        return cli::Exit::failure;
    }
    const auto displays = services.screenshots().displays();

    if (listDisplays) {
        for (const auto& d : displays) {
            cli::printOut(cli::displayLine(d));
        }
        return cli::Exit::ok;
    }

    QString reason;
    if (!runtime::ensureWritableFolder(services.cfg().saveDirectory(), &reason)) {
        cli::printErr(reason);
        return cli::Exit::failure;
    }
    services.images().ensureSaveDirectory();
    services.history().load();

    if (request.displayId) {
        const bool known = std::any_of(displays.begin(), displays.end(),
                                       [&](const auto& d) { return d.displayId == *request.displayId; });
        if (!known) {
            cli::printErr(
                QStringLiteral("no display %1 (see 'mebo capture --list-displays')").arg(*request.displayId));
            return cli::Exit::failure;
        }
    }
    if (geometry) {
        QList<platform::DisplayInfo> candidates = displays;
        if (request.displayId) {
            candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                            [&](const auto& d) { return d.displayId != *request.displayId; }),
                             candidates.end());
        }
        const auto target = cli::geometryTarget(candidates, *geometry);
        if (!target) {
            cli::printErr(
                QStringLiteral("geometry %1 lies outside every display").arg(opts->value("geometry")));
            return cli::Exit::failure;
        }
        request.displayId = target->display.displayId;
        request.areaRect = target->desktop;
        request.areaPixels = target->pixels;
    }
    if (request.windowId) {
        // Named by the user: it must be a window on screen (as the capture lists them).
        const auto listed = services.screenBackends().windows->windowsFrontToBack();
        const bool known = std::any_of(listed.begin(), listed.end(), [&](const platform::WindowInfo& w) {
            return w.windowId == *request.windowId;
        });
        if (!known) {
            cli::printErr(QStringLiteral("no window %1").arg(opts->value("window")));
            return cli::Exit::failure;
        }
    }
    if (*mode == CaptureMode::window && !request.windowId) {
        const auto w = cli::windowUnderPointer(services);
        if (!w) {
            cli::printErr(QStringLiteral("no window under the pointer (give one with --window ID)"));
            return cli::Exit::failure;
        }
        request.windowId = w->windowId;
    }

    CaptureOutcome outcome;
    QObject::connect(&services.captureMgr(), &CaptureMgr::stillCaptureFinished, app.get(),
                     [&](bool ok, const QString& path, const QString& itemId, const CaptureResult& result) {
                         outcome = {true, ok, path, itemId, result};
                         QCoreApplication::quit();
                     });
    QTimer::singleShot(0, app.get(), [&] { services.captureMgr().start(request); });
    app->exec();

    if (!outcome.ok) {
        const QString problem = cli::problemText(runtime::lastProblem());
        cli::printErr(problem.isEmpty() ? QStringLiteral("the capture failed") : problem);
        return cli::Exit::failure;
    }

    // The index and the thumbnail are part of the capture: finish them before reporting.
    services.settle(10000);

    if (opts->has("json")) {
        QJsonObject obj{{"path", outcome.path},
                        {"width", outcome.result.image.width()},
                        {"height", outcome.result.image.height()},
                        {"mode", captureModeRawValue(outcome.result.mode)},
                        {"historyId", outcome.itemId},
                        {"windowTitle", outcome.result.sourceWindowTitle
                                            ? QJsonValue(*outcome.result.sourceWindowTitle)
                                            : QJsonValue(QJsonValue::Null)}};
        cli::printJson(obj);
    } else {
        cli::printOut(outcome.path);
    }

    if (opts->has("copy") && !services.clipboard().ownsContent() &&
        !services.clipboardSvc().copyCapture(outcome.result)) {
        cli::printErr(runtime::lastProblem());
        return cli::Exit::failure;
    }
    return cli::Exit::ok;
}

} // namespace mebo
