#include "main/Commands.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/CaptureMgr.h"
#include "capture/ScreenCaptureSvc.h"
#include "library/HistoryStore.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/CliTargets.h"
#include "main/CommandRuntime.h"
#include "main/MediaModules.h"
#include "main/SignalNotifier.h"
#include "platform/PointerLocator.h"
#include "platform/WindowServer.h"
#include "recording/RecordingPanelConfiguration.h"
#include "recording/RecordingRecovery.h"
#include "recording/ScreenRecordingSvc.h"
#include "video/VideoProjectFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <QUuid>
#include <csignal>

namespace mebo {

namespace {

const char* kRecordHelp = R"(Usage: mebo record fullscreen|area|window [options]
       mebo record --list-sources

Records the screen into the library (the save folder) as an MP4 with system audio, and the
pointer's path beside it (NAME.cursor.json), until the duration has passed or the command is
stopped (Ctrl+C, SIGINT or SIGTERM). SIGUSR1 pauses and resumes. Prints the recording's path.

Modes:
  fullscreen           the display under the pointer (or --display)
  area                 a rectangle of a display (--geometry)
  window               a window's rectangle (--window, default: the window under the pointer)

Options:
  --display ID         the display (RandR output id, as --list-sources shows)
  --geometry WxH+X+Y   the area in X11 root pixels, top-left origin
  --window ID          the X11 window id (decimal or 0x hexadecimal)
  --duration SECONDS   stop after this much recording time (pauses not counted)
  --fps N              frames per second: 5, 10, 15, 24, 30 or 60 (others record at 15)
  --codec h264|hevc    video codec (default: the setting, h264)
  --quality standard|high|original   bit rate (default: the setting, high)
  --no-system-audio    leave out what the computer plays
  --mic [SOURCE]       also record a microphone (default: the default input) on a second track
  --webcam [CAMERA]    also record a camera (default: the default camera; a device as
                       --list-sources shows, or file:PATH to play a video file as the camera)
                       into NAME.webcam.mp4 beside the recording
  --webcam-pip         draw the camera into the recording instead (picture-in-picture)
  --webcam-position P  topLeft, topRight, bottomLeft or bottomRight (default: the setting)
  --webcam-scale S     the picture-in-picture's share of the width, 0.1 to 0.4 (default: the setting)
  --cursor-trail       draw the pointer's trail into the video
  --click-ripple       draw a ripple at every click
  --no-cursor-halo     no halo around the pointer
  --save-dir DIR       write into DIR instead of the configured save folder (this run only)
  --json               print one JSON object at the end: path, width, height, durationSec, fps,
                       codec, cursorPath, projectPath, webcamPath, segments and the counters
  --list-sources       print the displays, windows, audio sources and cameras, and exit
  --verbose            write the execution log to standard error
  --help               show this help
)";

// "--mic" and "--webcam" take an optional value: the next word, unless it is an option or a mode.
QStringList splitOptionalValue(const QStringList& args, const QString& option, std::optional<QString>* value,
                               bool* given) {
    QStringList rest;
    static const QStringList modes{QStringLiteral("fullscreen"), QStringLiteral("area"),
                                   QStringLiteral("window")};
    const QString flag = QStringLiteral("--") + option;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == flag) {
            *given = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")) &&
                !modes.contains(args[i + 1])) {
                *value = args[++i];
            }
        } else if (a.startsWith(flag + QLatin1Char('='))) {
            *given = true;
            *value = a.mid(flag.size() + 1);
        } else {
            rest << a;
        }
    }
    return rest;
}

QJsonValue optionalPath(const std::optional<QString>& p) {
    return p ? QJsonValue(*p) : QJsonValue(QJsonValue::Null);
}

int listSources(AppServices& services) {
    cli::printOut(QStringLiteral("Displays:"));
    for (const auto& d : services.screenshots().displays()) {
        cli::printOut(QStringLiteral("  ") + cli::displayLine(d));
    }
    cli::printOut(QStringLiteral("Windows:"));
    for (const auto& w : services.screenBackends().windows->windowsFrontToBack()) {
        cli::printOut(QStringLiteral("  0x%1 %2x%3+%4+%5 %6")
                          .arg(w.windowId, 0, 16)
                          .arg(w.frame.width())
                          .arg(w.frame.height())
                          .arg(w.frame.x())
                          .arg(w.frame.y())
                          .arg(w.title));
    }
    cli::printOut(QStringLiteral("Audio sources:"));
    platform::AudioCapture* audio = services.media()->audio();
    if (!audio) {
        cli::printOut(QStringLiteral("  (no sound server module)"));
        return cli::Exit::ok;
    }
    auto sources = audio->sources();
    if (!sources) {
        cli::printOut(QStringLiteral("  (") + sources.error() + QLatin1Char(')'));
        return cli::Exit::ok;
    }
    const auto system = audio->systemAudioSource();
    const auto input = audio->defaultInputSource();
    for (const auto& s : sources.value()) {
        QString marks;
        if (system && s.name == system.value()) {
            marks += QStringLiteral(" [system audio]");
        }
        if (input && s.name == input.value()) {
            marks += QStringLiteral(" [default input]");
        }
        cli::printOut(QStringLiteral("  %1 (%2)%3").arg(s.name, s.description, marks));
    }
    cli::printOut(QStringLiteral("Cameras:"));
    platform::CameraCapture* camera = services.media()->camera();
    const auto cameras = camera ? camera->devices() : Result<QList<platform::CameraDeviceInfo>>::fail({});
    if (!cameras || cameras.value().isEmpty()) {
        cli::printOut(camera ? QStringLiteral("  (none)") : QStringLiteral("  (no camera module)"));
        return cli::Exit::ok;
    }
    const auto fallback = camera->defaultDevice();
    for (const auto& c : cameras.value()) {
        cli::printOut(
            QStringLiteral("  %1 (%2, %3)%4")
                .arg(c.uniqueId, c.name, c.node,
                     fallback && fallback.value() == c.uniqueId ? QStringLiteral(" [default]") : QString()));
    }
    return cli::Exit::ok;
}

// The camera the user named (a unique id, a node or a link to one, or file:PATH), as the recorder
// knows it; what was given when no camera matches (the recorder then falls back to the default).
QString resolveCamera(platform::CameraCapture* camera, const QString& given) {
    if (!camera || given.startsWith(QLatin1String(platform::CameraCapture::filePrefix))) {
        return given;
    }
    const QString canonical = QFileInfo(given).canonicalFilePath();
    if (auto list = camera->devices()) {
        for (const auto& c : list.value()) {
            if (c.uniqueId == given || c.node == given || (!canonical.isEmpty() && c.node == canonical)) {
                return c.uniqueId;
            }
        }
    }
    cli::printErr(QStringLiteral("no camera '%1'; recording the default camera instead").arg(given));
    return given;
}

} // namespace

int runRecordCommand(int& argc, char** argv, const QStringList& rawArgs) {
    bool mic = false;
    std::optional<QString> micSource;
    bool webcam = false;
    std::optional<QString> webcamDevice;
    const QStringList args =
        splitOptionalValue(splitOptionalValue(rawArgs, QStringLiteral("mic"), &micSource, &mic),
                           QStringLiteral("webcam"), &webcamDevice, &webcam);
    QString error;
    const auto opts = cli::parseOptions(args,
                                        {{"display", true},
                                         {"geometry", true},
                                         {"window", true},
                                         {"duration", true},
                                         {"fps", true},
                                         {"codec", true},
                                         {"quality", true},
                                         {"no-system-audio", false},
                                         {"cursor-trail", false},
                                         {"click-ripple", false},
                                         {"no-cursor-halo", false},
                                         {"webcam-pip", false},
                                         {"webcam-position", true},
                                         {"webcam-scale", true},
                                         {"save-dir", true},
                                         {"json", false},
                                         {"list-sources", false},
                                         {"verbose", false},
                                         {"help", false}},
                                        &error);
    const QString cmd = QStringLiteral("record");
    if (!opts) {
        return cli::usageError(error, cmd);
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kRecordHelp).trimmed());
        return cli::Exit::ok;
    }
    const bool list = opts->has("list-sources");
    CaptureMode mode = CaptureMode::record;
    QString modeName;
    if (!list) {
        if (opts->positional.size() != 1) {
            return cli::usageError(opts->positional.isEmpty()
                                       ? QStringLiteral("which recording? fullscreen, area or window")
                                       : QStringLiteral("one recording mode at a time"),
                                   cmd);
        }
        modeName = opts->positional.first();
        if (modeName == QLatin1String("area")) {
            mode = CaptureMode::recordArea;
        } else if (modeName != QLatin1String("fullscreen") && modeName != QLatin1String("window")) {
            return cli::usageError(QStringLiteral("unknown recording mode '%1'").arg(modeName), cmd);
        }
    }
    const bool isArea = modeName == QLatin1String("area");
    const bool isWindow = modeName == QLatin1String("window");
    if (!list && opts->has("geometry") != isArea) {
        return cli::usageError(isArea ? QStringLiteral("area recordings need --geometry WxH+X+Y")
                                      : QStringLiteral("--geometry applies to area recordings"),
                               cmd);
    }
    if (opts->has("window") && !isWindow) {
        return cli::usageError(QStringLiteral("--window applies to window recordings"), cmd);
    }
    if (opts->has("display") && isWindow) {
        return cli::usageError(QStringLiteral("--display does not apply to window recordings"), cmd);
    }
    std::optional<QRect> geometry;
    if (isArea) {
        geometry = cli::parseGeometry(opts->value("geometry"));
        if (!geometry) {
            return cli::usageError(QStringLiteral("bad geometry '%1', expected WxH+X+Y such as 1280x720+0+0")
                                       .arg(opts->value("geometry")),
                                   cmd);
        }
    }
    std::optional<uint32_t> displayId, windowId;
    if (opts->has("display") && !(displayId = cli::parseId(opts->value("display")))) {
        return cli::usageError(QStringLiteral("bad display id '%1'").arg(opts->value("display")), cmd);
    }
    if (opts->has("window") && !(windowId = cli::parseId(opts->value("window")))) {
        return cli::usageError(QStringLiteral("bad window id '%1'").arg(opts->value("window")), cmd);
    }
    std::optional<double> duration;
    if (opts->has("duration")) {
        bool ok = false;
        const double d = opts->value("duration").toDouble(&ok);
        if (!ok || !(d > 0) || !std::isfinite(d)) {
            return cli::usageError(
                QStringLiteral("bad duration '%1' (seconds, more than 0)").arg(opts->value("duration")), cmd);
        }
        duration = d;
    }
    std::optional<int> fps;
    if (opts->has("fps")) {
        bool ok = false;
        const int f = opts->value("fps").toInt(&ok);
        if (!ok || f <= 0) {
            return cli::usageError(
                QStringLiteral("bad frame rate '%1' (5, 10, 15, 24, 30 or 60)").arg(opts->value("fps")), cmd);
        }
        fps = f;
    }
    if (opts->has("codec") && opts->value("codec") != QLatin1String("h264") &&
        opts->value("codec") != QLatin1String("hevc")) {
        return cli::usageError(QStringLiteral("unknown codec '%1' (h264 or hevc)").arg(opts->value("codec")),
                               cmd);
    }
    if (opts->has("quality") && !qualityPresetFromRawValue(opts->value("quality"))) {
        return cli::usageError(
            QStringLiteral("unknown quality '%1' (standard, high or original)").arg(opts->value("quality")),
            cmd);
    }

    if ((opts->has("webcam-pip") || opts->has("webcam-position") || opts->has("webcam-scale")) && !webcam) {
        return cli::usageError(QStringLiteral("the webcam options need --webcam"), cmd);
    }
    if (opts->has("webcam-position") && !webcamPositionFromRawValue(opts->value("webcam-position"))) {
        return cli::usageError(
            QStringLiteral("unknown webcam position '%1' (topLeft, topRight, bottomLeft or "
                           "bottomRight)")
                .arg(opts->value("webcam-position")),
            cmd);
    }
    std::optional<double> webcamScale;
    if (opts->has("webcam-scale")) {
        bool ok = false;
        const double v = opts->value("webcam-scale").toDouble(&ok);
        if (!ok || !(v >= 0.1 && v <= 0.4)) {
            return cli::usageError(
                QStringLiteral("bad webcam scale '%1' (0.1 to 0.4)").arg(opts->value("webcam-scale")), cmd);
        }
        webcamScale = v;
    }
    if (webcam && webcamDevice &&
        webcamDevice->startsWith(QLatin1String(platform::CameraCapture::filePrefix))) {
        // A relative file is the caller's: the recorder runs from elsewhere.
        const QString file = webcamDevice->mid(int(qstrlen(platform::CameraCapture::filePrefix)));
        webcamDevice =
            QLatin1String(platform::CameraCapture::filePrefix) + QFileInfo(file).absoluteFilePath();
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    ScreenBackends screen = loadScreenBackends();
    if (!screen.available()) {
        cli::printErr(screen.unavailableReason);
        return cli::Exit::failure;
    }
    QCoreApplication app(argc, argv);
    runtime::nameApplication();
    AppServices::Options serviceOptions;
    serviceOptions.screen = true;
    serviceOptions.recording = true;
    serviceOptions.preloadedScreen = &screen;
    if (opts->has("save-dir")) {
        serviceOptions.saveDirectoryOverride = QDir::cleanPath(QDir(opts->value("save-dir")).absolutePath());
    }
    AppServices services(*defaults, serviceOptions);
    if (list) {
        return listSources(services);
    }
    QString reason;
    if (!runtime::ensureWritableFolder(services.cfg().saveDirectory(), &reason)) {
        cli::printErr(reason);
        return cli::Exit::failure;
    }
    services.history().load();
    ScreenRecordingSvc& recorder = *services.recorder();
    CaptureMgr& capture = services.captureMgr();

    // Recordings a crash left behind enter the library before this one starts.
    for (const QString& file : RecordingRecovery::findUnfinished(services.cfg().saveDirectory())) {
        if (auto r =
                RecordingRecovery::recover(file, services.media()->remuxer(), services.media()->probe())) {
            capture.enterRecoveredRecording(*r);
            cli::printErr(QStringLiteral("recovered an interrupted recording: %1").arg(r->path));
        }
    }

    const auto displays = services.screenshots().displays();
    RecordingTarget target;
    if (displayId && std::none_of(displays.begin(), displays.end(),
                                  [&](const auto& d) { return d.displayId == *displayId; })) {
        cli::printErr(QStringLiteral("no display %1 (see 'mebo record --list-sources')").arg(*displayId));
        return cli::Exit::failure;
    }
    if (isArea) {
        QList<platform::DisplayInfo> candidates = displays;
        if (displayId) {
            candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                            [&](const auto& d) { return d.displayId != *displayId; }),
                             candidates.end());
        }
        const auto onDisplay = cli::geometryTarget(candidates, *geometry);
        if (!onDisplay) {
            cli::printErr(
                QStringLiteral("geometry %1 lies outside every display").arg(opts->value("geometry")));
            return cli::Exit::failure;
        }
        target = RecordingTarget::areaOf(onDisplay->display.displayId, onDisplay->desktop);
    } else if (isWindow) {
        if (!windowId) {
            const auto w = cli::windowUnderPointer(services);
            if (!w) {
                cli::printErr(QStringLiteral("no window under the pointer (give one with --window ID)"));
                return cli::Exit::failure;
            }
            windowId = w->windowId;
        }
        target = RecordingTarget::window(*windowId);
    } else {
        uint32_t id = displayId.value_or(0);
        if (!displayId) {
            const auto pointer = services.screenBackends().pointer->location();
            for (const auto& d : displays) {
                if (id == 0 && (d.primary || !pointer)) {
                    id = d.displayId;
                }
                if (pointer && d.frame.contains(*pointer)) {
                    id = d.displayId;
                }
            }
            if (id == 0 && !displays.isEmpty()) {
                id = displays.first().displayId;
            }
        }
        target = RecordingTarget::display(id);
    }

    // The encoding follows the settings unless given here; the inputs follow the options only.
    RecordingOptions& o = recorder.options();
    const Cfg& cfg = services.cfg();
    o.systemAudioEnabled = !opts->has("no-system-audio");
    o.microphoneEnabled = mic;
    o.selectedMicDeviceId = micSource;
    o.webcamEnabled = webcam;
    o.selectedCameraDeviceId = webcam && webcamDevice
                                   ? std::optional(resolveCamera(services.media()->camera(), *webcamDevice))
                                   : std::nullopt;
    o.webcamSeparateFile = !opts->has("webcam-pip");
    o.webcamPosition =
        webcamPositionFromRawValue(opts->has("webcam-position") ? opts->value("webcam-position")
                                                                : cfg.webcamPosition())
            .value_or(WebcamPosition::bottomRight);
    o.webcamScale = webcamScale.value_or(std::clamp(cfg.webcamScale(), 0.1, 0.4));
    o.recordCursorTrailEnabled = opts->has("cursor-trail");
    o.recordClickRippleEnabled = opts->has("click-ripple");
    o.recordCursorHaloEnabled = !opts->has("no-cursor-halo");
    o.videoCodec = RecordingPanelConfiguration::normalizedCodec(opts->has("codec") ? opts->value("codec")
                                                                                   : cfg.videoCodec());
    o.qualityPreset = RecordingPanelConfiguration::normalizedQuality(
        opts->has("quality") ? opts->value("quality") : cfg.recordQuality());
    o.fps = effectiveFrameRate(fps.value_or(cfg.recordFps()));
    if (fps && o.fps != *fps) {
        cli::printErr(
            QStringLiteral("%1 frames per second is not offered; recording at %2").arg(*fps).arg(o.fps));
    }
    if (mic && micSource && services.media()->audio()) {
        if (auto list = services.media()->audio()->sources()) {
            const bool known = std::any_of(list.value().begin(), list.value().end(),
                                           [&](const auto& s) { return s.name == *micSource; });
            if (!known) {
                cli::printErr(QStringLiteral("no audio source '%1'; recording the default input instead")
                                  .arg(*micSource));
            }
        }
    }

    enum class Phase { starting, recording, stopping, done } phase = Phase::starting;
    bool ok = false;
    QString path;
    StopResult result;
    const auto requestStop = [&] {
        if (phase == Phase::recording) {
            phase = Phase::stopping;
            capture.stopRecording();
        } else if (phase == Phase::starting) {
            phase = Phase::stopping; // stops as soon as the start answers
        }
    };
    QObject::connect(&capture, &CaptureMgr::recordingStarted, &app, [&] {
        if (phase == Phase::stopping) {
            capture.stopRecording();
            return;
        }
        phase = Phase::recording;
    });
    // The coordinator's alert has said why, in one line on standard error.
    QObject::connect(&capture, &CaptureMgr::recordingStartFailed, &app, [&](const QString&) {
        phase = Phase::done;
        QCoreApplication::exit(cli::Exit::failure);
    });
    QObject::connect(&capture, &CaptureMgr::recordingFinished, &app,
                     [&](bool finishedOk, const QString& finishedPath, const QString&, const StopResult& r) {
                         ok = finishedOk;
                         path = finishedPath;
                         result = r;
                         phase = Phase::done;
                         QCoreApplication::exit(finishedOk ? cli::Exit::ok : cli::Exit::failure);
                     });
    QObject::connect(&recorder, &ScreenRecordingSvc::streamFailed, &app,
                     [&](const QString&) { requestStop(); });
    SignalNotifier onInt(SIGINT, requestStop);
    SignalNotifier onTerm(SIGTERM, requestStop);
    SignalNotifier onUsr1(SIGUSR1, [&] { capture.pauseResumeRecording(); });
    QTimer durationWatch;
    if (duration) {
        recorder.setDurationLimit(*duration);
        // Recording time, so a pause extends the run; checked often enough to stop within a frame.
        durationWatch.setTimerType(Qt::PreciseTimer);
        durationWatch.setInterval(5);
        QObject::connect(&durationWatch, &QTimer::timeout, &app, [&] {
            if (phase == Phase::recording && recorder.state() == RecordingState::recording &&
                recorder.elapsedSeconds() >= *duration) {
                requestStop();
            }
        });
        durationWatch.start();
    }
    QTimer::singleShot(0, &app, [&] { capture.startRecording(target, mode, false); });
    app.exec();
    durationWatch.stop();
    if (!ok) {
        return cli::Exit::failure; // the coordinator's alert has said why
    }
    services.settle(10000);
    if (opts->has("json")) {
        QJsonArray segments;
        for (const auto& s : result.recordingSegments) {
            segments.append(QJsonObject{{"id", s.id.toString(QUuid::WithoutBraces).toUpper()},
                                        {"startSec", s.startSec},
                                        {"endSec", s.endSec},
                                        {"isEnabled", s.isEnabled}});
        }
        const QString project = VideoProjectFiles::projectPathFor(path);
        const RecordingCounters& c = result.counters;
        cli::printJson(QJsonObject{
            {"path", path},
            {"width", result.width},
            {"height", result.height},
            {"durationSec", result.durationSec},
            {"fps", result.fps},
            {"codec", videoCodecName(result.codec)},
            {"cursorPath", optionalPath(result.cursorURL)},
            {"projectPath", QFileInfo::exists(project) ? QJsonValue(project) : QJsonValue(QJsonValue::Null)},
            {"webcamPath", optionalPath(result.webcamURL)},
            {"segments", segments},
            {"videoFramesAppended", c.videoFramesAppended},
            {"missingFrameStatusCount", c.missingFrameStatusCount},
            {"nonCompleteFrameCount", c.nonCompleteFrameCount},
            {"invalidVideoPTSCount", c.invalidVideoPTSCount},
            {"videoPTSRepairCount", c.videoPTSRepairCount},
            {"audioAppendRejectCount", c.audioAppendRejectCount},
        });
    } else {
        cli::printOut(path);
    }
    return cli::Exit::ok;
}

} // namespace mebo
