#include "main/Commands.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "document/DocumentFileError.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/ExportModules.h"
#include "main/MediaProbeModule.h"
#include "main/SignalNotifier.h"
#include "main/TerminalProgress.h"
#include "recording/CursorTelemetry.h"
#include "video/GifExporter.h"
#include "video/MeboVideoDocument.h"
#include "video/MeboVideoDocumentError.h"
#include "video/VideoChapterDisplayStylePref.h"
#include "video/VideoExporter.h"
#include "video/VideoOutputSize.h"
#include "video/VideoProjectFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonObject>
#include <csignal>
#include <thread>

namespace mebo {

namespace {

// The conventional status of a command stopped by Ctrl+C.
constexpr int kCancelledExit = 130;

const char* kExportHelp =
    R"(Usage: mebo video export PROJECT.mebo-video|VIDEO [-o OUT.mp4] [--fps N] [--height H] [--json]

Exports a video project (the recording beside it with every edit: cuts, speed changes, mutes,
crop, background, annotations, cursor trail and click ripples, chapters, the webcam) or a plain
video as an MP4 (H.264 High, AAC). The file is written as OUT.tmp.mp4 first and replaces OUT only
when complete; Ctrl+C cancels and leaves OUT as it was. A progress bar shows on a terminal.

Options:
  -o, --output OUT   the file to write (default: NAME-edited.mp4 beside the source)
  --fps N            frames per second (default: the project's, else the source's)
  --height H         720, 1080, 1440 or 2160 (default: the project's, else the source size)
  --json             print one JSON object describing the written file
  --verbose          write the execution log to standard error
  --help             show this help
)";

const char* kGifHelp =
    R"(Usage: mebo video gif VIDEO|PROJECT.mebo-video [-o OUT.gif] [--fps N] [--max-width W] [--loop-once] [--json]

Exports an animated GIF: frames sampled at 1/fps, scaled down to fit W x W, the Mebo mark in the
bottom-right corner. A project is exported with its edits first. Written as OUT.part and moved
over OUT when complete; Ctrl+C cancels and leaves OUT as it was.

Options:
  -o, --output OUT   the file to write (default: NAME.gif beside the source)
  --fps N            frames per second, 5 to 30 (default 15)
  --max-width W      the largest width and height, 16 to 4096 (default 720)
  --loop-once        play once (loop count 1) instead of looping forever
  --json             print one JSON object describing the written file
  --verbose          write the execution log to standard error
  --help             show this help
)";

// What an export reads: the source with its webcam, the edit, and where its side files lie.
struct ExportInput {
    QString source;
    std::optional<QString> webcam;
    VideoSnapshot edit;
    QString assetFolder;
    bool isProject = false;
};

std::optional<ExportInput> resolveInput(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("no such file: %1").arg(path);
        return std::nullopt;
    }
    ExportInput in;
    in.assetFolder = info.absolutePath();
    if (info.suffix().compare(QLatin1String("mebo-video"), Qt::CaseInsensitive) == 0) {
        MeboVideoDocument doc;
        try {
            doc = MeboVideoDocument::readFile(info.absoluteFilePath());
        } catch (const MeboVideoDocumentError& e) {
            *error = QStringLiteral("Project file unreadable: ") + e.description();
            return std::nullopt;
        } catch (const DocumentFileError& e) {
            *error = QStringLiteral("Project file unreadable: ") + e.description();
            return std::nullopt;
        }
        const auto source = VideoProjectFiles::locateSource(info.absoluteFilePath(), doc);
        if (!source) {
            *error = QStringLiteral(
                "Source video not found: Expected a sibling video (mp4/mov/m4v/mkv/webm) next to "
                "the .mebo-video file.");
            return std::nullopt;
        }
        in.source = *source;
        in.webcam = VideoProjectFiles::locateWebcam(info.absoluteFilePath(), doc);
        in.edit = doc.edit;
        in.isProject = true;
        return in;
    }
    in.source = info.absoluteFilePath();
    const QString webcam = VideoProjectFiles::defaultWebcamPath(VideoProjectFiles::projectPathFor(in.source));
    if (QFileInfo(webcam).isFile() && QFileInfo(webcam).absoluteFilePath() != in.source) {
        in.webcam = webcam;
    }
    return in;
}

// Runs `work` on a worker thread while the main thread waits for it, turning SIGINT and SIGTERM
// into `cancel`.
int runCancellable(std::atomic<bool>& cancel, const std::function<int()>& work) {
    SignalNotifier interrupt(SIGINT, [&] { cancel = true; });
    SignalNotifier terminate(SIGTERM, [&] { cancel = true; });
    int status = cli::Exit::failure;
    std::thread worker([&] {
        status = work();
        runOnMain([] { QCoreApplication::quit(); });
    });
    QCoreApplication::exec();
    worker.join();
    return status;
}

QJsonObject fileJson(const QString& path) {
    QJsonObject out{{"output", QFileInfo(path).absoluteFilePath()}, {"bytes", QFileInfo(path).size()}};
    QString error;
    if (const auto facts = loadMediaProbe()->probe(path, &error)) {
        out.insert("duration", facts->durationSec);
        out.insert("width", facts->videoSize.width());
        out.insert("height", facts->videoSize.height());
        if (facts->frameRate) {
            out.insert("fps", *facts->frameRate);
        }
        out.insert("audioTracks", int(facts->audioTracks.size()));
    }
    return out;
}

int reportOutcome(int outcome, const QString& destination, const QString& error, bool json,
                  const char* what) {
    if (outcome == 1) {
        cli::printErr(QStringLiteral("%1 cancelled").arg(QLatin1String(what)));
        return kCancelledExit;
    }
    if (outcome == 2) {
        cli::printErr(error.isEmpty() ? runtime::lastProblem() : error);
        return cli::Exit::failure;
    }
    if (json) {
        cli::printJson(fileJson(destination));
    } else {
        cli::printOut(QFileInfo(destination).absoluteFilePath());
    }
    return cli::Exit::ok;
}

std::optional<cli::Options> parse(const QStringList& rawArgs, const QList<cli::OptionSpec>& specs,
                                  const char* help, const QString& cmd, int* status) {
    QStringList args;
    for (const QString& a : rawArgs) {
        args << (a == QLatin1String("-o") ? QStringLiteral("--output") : a);
    }
    QString error;
    auto opts = cli::parseOptions(args, specs, &error);
    if (!opts) {
        *status = cli::usageError(error, cmd);
        return std::nullopt;
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(help).trimmed());
        *status = cli::Exit::ok;
        return std::nullopt;
    }
    if (opts->positional.size() != 1) {
        *status = cli::usageError(QStringLiteral("expected one project or video file"), cmd);
        return std::nullopt;
    }
    return opts;
}

std::optional<int> intOption(const cli::Options& opts, const char* name, int low, int high) {
    bool ok = false;
    const int v = opts.value(QLatin1String(name)).toInt(&ok);
    return ok && v >= low && v <= high ? std::optional(v) : std::nullopt;
}

VideoChapterDisplayStyle userChapterStyle() {
    if (auto defaults = runtime::openDefaults()) {
        return VideoChapterDisplayStylePref(*defaults).style();
    }
    return VideoChapterDisplayStyle::titles;
}

VideoExportJob jobFor(const ExportInput& in, const QString& destination) {
    VideoExportJob job;
    job.sourcePath = in.source;
    job.webcamPath = in.webcam;
    job.destination = destination;
    job.edit = in.edit;
    job.assetFolder = in.assetFolder;
    job.telemetryPath = CursorTelemetry::telemetryPathFor(in.source);
    job.chapterStyle = userChapterStyle();
    return job;
}

int outcomeCode(VideoExporter::Outcome o) {
    return o == VideoExporter::Outcome::completed ? 0 : o == VideoExporter::Outcome::cancelled ? 1 : 2;
}

} // namespace

int runVideoExportCommand(int& argc, char** argv, const QStringList& rawArgs) {
    const QString cmd = QStringLiteral("video export");
    int status = 0;
    const auto opts = parse(rawArgs,
                            {{"output", true},
                             {"fps", true},
                             {"height", true},
                             {"json", false},
                             {"verbose", false},
                             {"help", false}},
                            kExportHelp, cmd, &status);
    if (!opts) {
        return status;
    }
    std::optional<int> fps, height;
    if (opts->has("fps") && !(fps = intOption(*opts, "fps", 1, 240))) {
        return cli::usageError(QStringLiteral("--fps takes a whole number from 1 to 240"), cmd);
    }
    if (opts->has("height") &&
        (!(height = intOption(*opts, "height", 1, 100000)) || !VideoOutputSize::isOfferedHeight(*height))) {
        return cli::usageError(QStringLiteral("--height takes 720, 1080, 1440 or 2160"), cmd);
    }
    runtime::setVerbose(opts->has("verbose"));
    runtime::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    runtime::nameApplication();
    QString error;
    auto input = resolveInput(opts->positional.first(), &error);
    if (!input) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    if (fps) {
        input->edit.exportFps = *fps;
    }
    if (height) {
        input->edit.exportResolutionHeight = *height;
    }
    const QString destination =
        opts->has("output")
            ? QFileInfo(opts->value("output")).absoluteFilePath()
            : QFileInfo(input->source)
                  .dir()
                  .filePath(QFileInfo(input->source).completeBaseName() + QStringLiteral("-edited.mp4"));
    auto composer = loadVideoComposer(&error);
    if (!composer) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    const auto probe = loadMediaProbe();
    VideoExporter exporter(*composer, *probe);
    const VideoExportJob job = jobFor(*input, destination);
    std::atomic<bool> cancel{false};
    TerminalProgress bar(QStringLiteral("Exporting video"), TerminalProgress::stderrIsTerminal());
    QString exportError;
    const int outcome = runCancellable(cancel, [&] {
        const auto o = exporter.run(
            job, [&](double f) { bar.update(f); }, cancel, &exportError);
        bar.finish();
        return outcomeCode(o);
    });
    return reportOutcome(outcome, destination, exportError, opts->has("json"), "export");
}

int runVideoGifCommand(int& argc, char** argv, const QStringList& rawArgs) {
    const QString cmd = QStringLiteral("video gif");
    int status = 0;
    const auto opts = parse(rawArgs,
                            {{"output", true},
                             {"fps", true},
                             {"max-width", true},
                             {"loop-once", false},
                             {"json", false},
                             {"verbose", false},
                             {"help", false}},
                            kGifHelp, cmd, &status);
    if (!opts) {
        return status;
    }
    GifExportOptions options;
    if (opts->has("fps")) {
        const auto fps = intOption(*opts, "fps", 5, 30);
        if (!fps) {
            return cli::usageError(QStringLiteral("--fps takes a whole number from 5 to 30"), cmd);
        }
        options.fps = *fps;
    }
    if (opts->has("max-width")) {
        const auto w = intOption(*opts, "max-width", 16, 4096);
        if (!w) {
            return cli::usageError(QStringLiteral("--max-width takes a number of pixels from 16 to 4096"),
                                   cmd);
        }
        options.maxWidth = *w;
    }
    options.loopOnce = opts->has("loop-once");
    // libimagequant's OpenMP workers spin while they wait, which costs more than it saves on
    // frame-sized jobs (and the desktop application runs it with one thread too).
    runtime::limitOpenMpThreads(argv);
    runtime::setVerbose(opts->has("verbose"));
    runtime::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    runtime::nameApplication();
    QString error;
    const auto input = resolveInput(opts->positional.first(), &error);
    if (!input) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    const QString destination =
        opts->has("output")
            ? QFileInfo(opts->value("output")).absoluteFilePath()
            : QFileInfo(input->source)
                  .dir()
                  .filePath(QFileInfo(input->source).completeBaseName() + QStringLiteral(".gif"));
    auto generator = loadFrameGenerator(&error);
    std::unique_ptr<platform::VideoComposer> composer =
        input->isProject ? loadVideoComposer(&error) : nullptr;
    if (!generator || (input->isProject && !composer)) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    auto writer = makeGifWriter();
    std::atomic<bool> cancel{false};
    TerminalProgress bar(QStringLiteral("Exporting GIF"), TerminalProgress::stderrIsTerminal());
    QString gifError;
    const int outcome = runCancellable(cancel, [&] {
        QString source = input->source;
        // A project's edits are applied first, into a work folder of its own.
        QString work;
        double share = 0;
        if (input->isProject) {
            work = VideoExporter::createWorkFolder(VideoExporter::workRoot());
            source = QDir(work).filePath(QFileInfo(input->source).completeBaseName() +
                                         QStringLiteral("-edited.mp4"));
            const auto probe = loadMediaProbe();
            VideoExporter exporter(*composer, *probe);
            share = 0.5;
            const auto o = exporter.run(
                jobFor(*input, source), [&](double f) { bar.update(f * share); }, cancel, &gifError);
            if (o != VideoExporter::Outcome::completed) {
                QDir(work).removeRecursively();
                bar.finish();
                return outcomeCode(o);
            }
        }
        GifExporter exporter(*generator, *writer);
        const auto o = exporter.run(
            source, destination, options, [&](double f) { bar.update(share + f * (1 - share)); }, cancel,
            &gifError);
        if (!work.isEmpty()) {
            QDir(work).removeRecursively();
        }
        bar.finish();
        if (o == GifExporter::Outcome::completed) {
            logSuccess(QStringLiteral("[MainWindowVM] GIF 匯出成功: ") + destination);
        } else if (o == GifExporter::Outcome::cancelled) {
            logInfo(QStringLiteral("[MainWindowVM] GIF 匯出已取消"));
        } else {
            logError(QStringLiteral("[MainWindowVM] GIF 匯出失敗 ") + gifError);
        }
        return o == GifExporter::Outcome::completed ? 0 : o == GifExporter::Outcome::cancelled ? 1 : 2;
    });
    return reportOutcome(outcome, destination, gifError, opts->has("json"), "GIF export");
}

} // namespace mebo
