#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/CaptureMgr.h"
#include "capture/ImageStore.h"
#include "capture/ScreenCaptureSvc.h"
#include "library/HistoryStore.h"
#include "main/AccessibilityModule.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/CliTargets.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/SignalQuitter.h"
#include "platform/WindowServer.h"
#include "scroll/AccessibilityScrollLocator.h"
#include "scroll/ScrollCaptureSvc.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QTimer>

namespace mebo {

namespace {

const char* kScrollHelp = R"(Usage: mebo capture scroll --geometry WxH+X+Y | --window ID [options]

Scrolls the content under a rectangle, or the content area of a window, from where it is to the
end, stitches the frames into one tall image, saves it into the library (mode "scroll") and
prints its path. The wheel turns at the centre of the region; the pointer moves there. Escape
or Ctrl+C cancels (nothing is saved).

Options:
  --geometry WxH+X+Y  the region in X11 root pixels, top-left origin
  --window ID         a window (decimal or 0x hexadecimal id): its page or document without the
                      title bar, tab strip and toolbars (found through the accessibility tree
                      when the application exposes one, else from the window's shape)
  --save-dir DIR      write into DIR instead of the configured save folder (this run only)
  --json              print one JSON object: path, width, height, mode, historyId, frames
  --verbose           write the execution log to standard error
  --help              show this help
)";

} // namespace

int runScrollCaptureCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args,
                                        {{"geometry", true},
                                         {"window", true},
                                         {"save-dir", true},
                                         {"json", false},
                                         {"verbose", false},
                                         {"help", false}},
                                        &error);
    const QString command = QStringLiteral("capture scroll");
    if (!opts) {
        return cli::usageError(error, command);
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kScrollHelp).trimmed());
        return cli::Exit::ok;
    }
    if (!opts->positional.isEmpty()) {
        return cli::usageError(QStringLiteral("unexpected '%1'").arg(opts->positional.first()), command);
    }
    if (opts->has("geometry") == opts->has("window")) {
        return cli::usageError(QStringLiteral("give either --geometry WxH+X+Y or --window ID"), command);
    }
    std::optional<QRect> geometry;
    std::optional<uint32_t> windowId;
    if (opts->has("geometry")) {
        geometry = cli::parseGeometry(opts->value("geometry"));
        if (!geometry) {
            return cli::usageError(
                QStringLiteral("bad geometry '%1', expected WxH+X+Y such as 800x600+100+100")
                    .arg(opts->value("geometry")),
                command);
        }
    } else {
        windowId = cli::parseId(opts->value("window"));
        if (!windowId) {
            return cli::usageError(QStringLiteral("bad window id '%1'").arg(opts->value("window")), command);
        }
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    AppServices::Options serviceOptions;
    if (opts->has("save-dir")) {
        serviceOptions.saveDirectoryOverride = QDir::cleanPath(QDir(opts->value("save-dir")).absolutePath());
    }
    ScreenBackends screen = loadScreenBackends();
    if (!screen.available()) {
        cli::printErr(screen.unavailableReason);
        return cli::Exit::failure;
    }
    serviceOptions.preloadedScreen = &screen;
    QCoreApplication app(argc, argv);
    runtime::nameApplication();
    AppServices services(*defaults, serviceOptions);
    ScreenBackends& backends = services.screenBackends();
    const auto displays = services.screenshots().displays();

    CaptureRequest request;
    request.mode = CaptureMode::scroll;
    request.source = CaptureRequest::Source::api;
    if (geometry) {
        const auto target = cli::geometryTarget(displays, *geometry);
        if (!target) {
            cli::printErr(
                QStringLiteral("geometry %1 lies outside every display").arg(opts->value("geometry")));
            return cli::Exit::failure;
        }
        request.displayId = target->display.displayId;
        request.areaRect = target->desktop;
    } else {
        const auto windows = backends.windows->windowsFrontToBack();
        const bool known = std::any_of(windows.begin(), windows.end(), [&](const platform::WindowInfo& w) {
            return w.windowId == *windowId;
        });
        if (!known) {
            cli::printErr(QStringLiteral("no window %1 on screen (see 'xdotool search' or 'xwininfo')")
                              .arg(opts->value("window")));
            return cli::Exit::failure;
        }
        request.windowId = windowId;
    }

    QString reason;
    if (!runtime::ensureWritableFolder(services.cfg().saveDirectory(), &reason)) {
        cli::printErr(reason);
        return cli::Exit::failure;
    }
    services.images().ensureSaveDirectory();
    services.history().load();

    AccessibilityModule accessibility(services.screenshots(), *backends.windows);
    ScrollCaptureSvc scroll(ScrollCaptureSvc::Services{
        services.screenshots(), *backends.windows, *backends.input, backends.makeFrameStream,
        accessibility.locator(), backends.escape.get(), nullptr});
    services.captureMgr().setScrollCapture(&scroll);
    int frames = 0;
    QObject::connect(&scroll, &ScrollCaptureSvc::sessionEnded, &app,
                     [&frames](int count) { frames = count; });

    struct Outcome {
        bool finished = false;
        bool ok = false;
        QString path;
        QString itemId;
        CaptureResult result;
    } outcome;
    QObject::connect(&services.captureMgr(), &CaptureMgr::stillCaptureFinished, &app,
                     [&](bool ok, const QString& path, const QString& itemId, const CaptureResult& result) {
                         outcome = {true, ok, path, itemId, result};
                         QCoreApplication::quit();
                     });
    bool interrupted = false;
    SignalQuitter signals([&] {
        interrupted = true;
        scroll.cancel();
    });
    QTimer::singleShot(0, &app, [&] { services.captureMgr().start(request); });
    app.exec();
    services.captureMgr().setScrollCapture(nullptr);

    if (!outcome.ok) {
        const QString problem = interrupted ? QString() : runtime::lastProblem();
        cli::printErr(problem.isEmpty()
                          ? QStringLiteral("the scroll capture was cancelled; nothing was saved")
                          : problem);
        return cli::Exit::failure;
    }
    services.settle(10000);
    if (frames <= 1) {
        cli::printErr(
            QStringLiteral("the content under the region did not scroll: the capture is one screen"));
    }
    if (opts->has("json")) {
        cli::printJson(QJsonObject{{"path", outcome.path},
                                   {"width", outcome.result.image.width()},
                                   {"height", outcome.result.image.height()},
                                   {"mode", captureModeRawValue(outcome.result.mode)},
                                   {"historyId", outcome.itemId},
                                   {"frames", frames}});
    } else {
        cli::printOut(outcome.path);
    }
    return cli::Exit::ok;
}

} // namespace mebo
