#include "main/Commands.h"

#include "document/DocumentFileError.h"
#include "document/JsonEncodeError.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/MediaProbeModule.h"
#include "video/MeboVideoDocument.h"
#include "video/MeboVideoDocumentError.h"
#include "video/TrackRegions.h"
#include "video/VideoChapters.h"
#include "video/VideoOutputSize.h"
#include "video/VideoProjectFiles.h"
#include "video/VideoRecordJson.h"
#include "video/VideoTimeline.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>

namespace mebo {

namespace {

const char* kVideoHelp = R"(Usage: mebo video info FILE.mebo-video|VIDEO [--json] [--duration SECONDS]
       mebo video resave FILE.mebo-video OUT.mebo-video

Reads a video project (.mebo-video) or a video file.

Actions:
  info     for a project: the source and webcam videos found beside it, the duration, the kept
           ranges, the source-to-output time map, the output size and duration, the chapters
           (tiled, default titles filled in), the recording segments and the muted and hidden
           ranges; for a video: its duration, frame rate, size and audio tracks (which one is
           system audio and which the microphone)
  resave   read the project and write it again as the editor does (sorted keys, defaults filled in)

Options:
  --json              info: print one JSON object
  --duration SECONDS  info: the source's duration, instead of reading it from the source video
  --verbose           write the execution log to standard error
  --help              show this help
)";

// A project that cannot be read: its error text alone on one line.
int projectError(const QString& text) {
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return cli::Exit::failure;
}

QJsonValue pathOrNull(const std::optional<QString>& path) {
    return path ? QJsonValue(QFileInfo(*path).absoluteFilePath()) : QJsonValue::Null;
}

template <typename T> QJsonArray spans(const QList<T>& items) {
    QJsonArray out;
    for (const T& r : items) {
        if constexpr (std::is_same_v<T, TimeRange>) {
            out.append(QJsonArray{r.start, r.end});
        } else {
            out.append(QJsonArray{r.startSec, r.endSec});
        }
    }
    return out;
}

QJsonArray numbers(const auto& values) {
    QJsonArray out;
    for (double v : values) {
        out.append(v);
    }
    return out;
}

QJsonObject factsJson(const platform::MediaStreamFacts& f) {
    QJsonArray tracks;
    for (const platform::MediaAudioTrack& t : f.audioTracks) {
        tracks.append(
            QJsonObject{{"streamIndex", t.streamIndex},
                        {"codec", t.codec},
                        {"channels", t.channels},
                        {"sampleRate", t.sampleRate},
                        {"title", t.title},
                        {"role", t.role == platform::MediaAudioRole::system ? "system" : "microphone"},
                        {"duration", t.durationSec}});
    }
    auto index = [](const std::optional<int>& i) { return i ? QJsonValue(*i) : QJsonValue::Null; };
    return QJsonObject{
        {"container", f.container},
        {"duration", f.durationSec},
        {"video", f.hasVideo ? QJsonValue(QJsonObject{
                                   {"width", f.videoSize.width()},
                                   {"height", f.videoSize.height()},
                                   {"codec", f.videoCodec},
                                   {"rotation", f.rotationDegrees},
                                   {"frameRate", f.frameRate ? QJsonValue(*f.frameRate) : QJsonValue::Null}})
                             : QJsonValue::Null},
        {"audioTracks", tracks},
        {"systemAudioTrack", index(f.systemAudioTrack)},
        {"microphoneTrack", index(f.microphoneTrack)},
    };
}

QJsonObject projectJson(const QString& path, const MeboVideoDocument& doc,
                        const std::optional<double>& durationArg, platform::MediaProbe& probe) {
    const auto source = VideoProjectFiles::locateSource(path, doc);
    const auto webcam = VideoProjectFiles::locateWebcam(path, doc);
    std::optional<platform::MediaStreamFacts> facts;
    QString probeError;
    if (source) {
        facts = probe.probe(*source, &probeError);
    }
    std::optional<double> duration = durationArg;
    if (!duration && facts) {
        duration = facts->durationSec;
    }
    std::optional<QSizeF> sourceSize;
    if (facts && facts->hasVideo && !facts->videoSize.isEmpty()) {
        sourceSize = QSizeF(facts->videoSize);
    }
    const QSize output = VideoOutputSize::renderSize(sourceSize, doc.edit);
    QJsonObject out{
        {"file", QFileInfo(path).absoluteFilePath()},
        {"kind", "project"},
        {"schemaVersion", doc.schemaVersion},
        {"version", doc.version},
        {"source", pathOrNull(source)},
        {"webcam", pathOrNull(webcam)},
        {"outputSize", QJsonObject{{"width", output.width()}, {"height", output.height()}}},
        {"sourceFacts", facts ? QJsonValue(factsJson(*facts)) : QJsonValue::Null},
    };
    if (!probeError.isEmpty()) {
        out.insert("sourceError", probeError);
    }
    const QStringList derived{"duration",          "effectiveCuts",    "keptRanges",
                              "timeMap",           "outputDuration",   "chapters",
                              "recordingSegments", "systemAudioMuted", "systemAudioMutedOutput",
                              "micMuted",          "micMutedOutput",   "webcamHidden",
                              "webcamHiddenOutput"};
    if (!duration) {
        // Without the source's length nothing can be clamped or laid out.
        for (const QString& key : derived) {
            out.insert(key, QJsonValue::Null);
        }
        return out;
    }
    const double d = VideoTimeline::sanitizedDuration(*duration);
    const VideoSnapshot& e = doc.edit;
    const auto cuts = VideoTimeline::effectiveCuts(e.trimRegions, e.recordingSegments, d);
    const auto kept = VideoTimeline::keptRanges(cuts, d);
    const auto map = VideoTimeline::timeMap(kept, e.speedRegions);
    QJsonArray timeMap;
    for (const VideoExportTimeMapSegment& s : map) {
        timeMap.append(QJsonObject{{"compStart", s.compStart},
                                   {"sourceStart", s.sourceStart},
                                   {"speed", s.speed},
                                   {"compDuration", s.compDuration}});
    }
    QJsonArray chapters;
    for (const VideoChapterExportSegment& c : VideoChapters::exportSegments(e.chapterSegments, d)) {
        chapters.append(QJsonObject{{"id", VideoRecordJson::uuidText(c.id)},
                                    {"startSec", c.startSec},
                                    {"endSec", c.endSec},
                                    {"title", c.title},
                                    {"colorRGBA", numbers(c.colorRGBA)}});
    }
    QJsonArray segments;
    for (const RecordingSegment& s : TrackRegions::sanitizedSegments(e.recordingSegments, d)) {
        segments.append(QJsonObject{{"id", VideoRecordJson::uuidText(s.id)},
                                    {"startSec", s.startSec},
                                    {"endSec", s.endSec},
                                    {"isEnabled", s.isEnabled},
                                    {"title", s.title ? QJsonValue(*s.title) : QJsonValue::Null}});
    }
    out.insert("duration", d);
    out.insert("effectiveCuts", spans(cuts));
    out.insert("keptRanges", spans(kept));
    out.insert("timeMap", timeMap);
    out.insert("outputDuration", VideoTimeline::outputDuration(map));
    out.insert("chapters", chapters);
    out.insert("recordingSegments", segments);
    // The track lists in source time, and laid onto the output as the export silences and hides.
    const struct {
        const char* key;
        const QList<TrackDisabledRegion>& regions;
    } tracks[] = {{"systemAudioMuted", e.systemAudioMuteRegions},
                  {"micMuted", e.micMuteRegions},
                  {"webcamHidden", e.webcamHiddenRegions}};
    for (const auto& t : tracks) {
        const auto merged = TrackRegions::merged(t.regions, d);
        out.insert(QLatin1String(t.key), spans(merged));
        out.insert(QLatin1String(t.key) + QStringLiteral("Output"),
                   spans(VideoTimeline::outputRanges(merged, map)));
    }
    return out;
}

QString rangesText(const QJsonArray& ranges) {
    QStringList parts;
    for (const QJsonValue& r : ranges) {
        parts << QStringLiteral("[%1, %2]").arg(r[0].toDouble()).arg(r[1].toDouble());
    }
    return parts.isEmpty() ? QStringLiteral("(none)") : parts.join(QStringLiteral(" "));
}

void printProjectText(const QJsonObject& o) {
    auto text = [](const QJsonValue& v) {
        return v.isNull() ? QStringLiteral("(none)") : v.toVariant().toString();
    };
    cli::printOut(QStringLiteral("project:         %1").arg(o["file"].toString()));
    cli::printOut(QStringLiteral("source:          %1").arg(text(o["source"])));
    cli::printOut(QStringLiteral("webcam:          %1").arg(text(o["webcam"])));
    cli::printOut(QStringLiteral("output size:     %1x%2")
                      .arg(o["outputSize"]["width"].toInt())
                      .arg(o["outputSize"]["height"].toInt()));
    if (o["duration"].isNull()) {
        cli::printOut(QStringLiteral("duration:        unknown (no source video; see --duration)"));
        return;
    }
    cli::printOut(QStringLiteral("duration:        %1 s").arg(o["duration"].toDouble()));
    cli::printOut(QStringLiteral("output duration: %1 s").arg(o["outputDuration"].toDouble()));
    cli::printOut(QStringLiteral("kept ranges:     %1").arg(rangesText(o["keptRanges"].toArray())));
    cli::printOut(QStringLiteral("time map:"));
    for (const QJsonValue& s : o["timeMap"].toArray()) {
        cli::printOut(QStringLiteral("  output %1 +%2 s  <-  source %3 at %4x")
                          .arg(s["compStart"].toDouble())
                          .arg(s["compDuration"].toDouble())
                          .arg(s["sourceStart"].toDouble())
                          .arg(s["speed"].toDouble()));
    }
    cli::printOut(QStringLiteral("chapters:"));
    for (const QJsonValue& c : o["chapters"].toArray()) {
        cli::printOut(QStringLiteral("  [%1, %2] %3")
                          .arg(c["startSec"].toDouble())
                          .arg(c["endSec"].toDouble())
                          .arg(c["title"].toString()));
    }
    cli::printOut(QStringLiteral("system muted:    %1").arg(rangesText(o["systemAudioMuted"].toArray())));
    cli::printOut(QStringLiteral("mic muted:       %1").arg(rangesText(o["micMuted"].toArray())));
    cli::printOut(QStringLiteral("webcam hidden:   %1").arg(rangesText(o["webcamHidden"].toArray())));
}

void printVideoText(const QString& path, const QJsonObject& f) {
    cli::printOut(QStringLiteral("video:      %1").arg(QFileInfo(path).absoluteFilePath()));
    cli::printOut(QStringLiteral("container:  %1").arg(f["container"].toString()));
    cli::printOut(QStringLiteral("duration:   %1 s").arg(f["duration"].toDouble()));
    if (f["video"].isObject()) {
        const QJsonObject v = f["video"].toObject();
        cli::printOut(QStringLiteral("picture:    %1x%2 %3 at %4 fps")
                          .arg(v["width"].toInt())
                          .arg(v["height"].toInt())
                          .arg(v["codec"].toString())
                          .arg(v["frameRate"].toDouble()));
    }
    for (const QJsonValue& t : f["audioTracks"].toArray()) {
        cli::printOut(QStringLiteral("audio:      stream %1 %2 %3 Hz %4 ch (%5)")
                          .arg(t["streamIndex"].toInt())
                          .arg(t["codec"].toString())
                          .arg(t["sampleRate"].toInt())
                          .arg(t["channels"].toInt())
                          .arg(t["role"].toString()));
    }
}

// By its extension, or (a project saved under another name) by a JSON object at its start.
bool looksLikeProject(const QString& path) {
    if (QFileInfo(path).suffix().compare(QLatin1String("mebo-video"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.peek(256).trimmed().startsWith('{');
}

} // namespace

int runVideoCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"json", false}, {"duration", true}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("video"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kVideoHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    const int files = action == QLatin1String("info") ? 1 : action == QLatin1String("resave") ? 2 : 0;
    if (files == 0) {
        return cli::usageError(action.isEmpty() ? QStringLiteral("which action? info or resave")
                                                : QStringLiteral("unknown video action '%1'").arg(action),
                               QStringLiteral("video"));
    }
    if (opts->positional.size() != 1 + files) {
        return cli::usageError(files == 1 ? QStringLiteral("info takes one file")
                                          : QStringLiteral("resave takes a project file and an output file"),
                               QStringLiteral("video"));
    }
    std::optional<double> duration;
    if (opts->has("duration")) {
        bool ok = false;
        duration = opts->value("duration").toDouble(&ok);
        if (!ok || !(*duration >= 0) || !std::isfinite(*duration)) {
            return cli::usageError(QStringLiteral("--duration takes a number of seconds"),
                                   QStringLiteral("video"));
        }
    }
    runtime::setVerbose(opts->has("verbose"));
    QCoreApplication app(argc, argv);
    runtime::nameApplication();

    const QString path = opts->positional.at(1);
    const bool isProject = looksLikeProject(path);
    if (action == QLatin1String("info") && !isProject) {
        const auto facts = loadMediaProbe()->probe(path, &error);
        if (!facts) {
            cli::printErr(error);
            return cli::Exit::failure;
        }
        const QJsonObject o = factsJson(*facts);
        if (opts->has("json")) {
            QJsonObject shown = o;
            shown.insert("file", QFileInfo(path).absoluteFilePath());
            shown.insert("kind", "video");
            cli::printJson(shown);
        } else {
            printVideoText(path, o);
        }
        return cli::Exit::ok;
    }
    MeboVideoDocument doc;
    try {
        doc = MeboVideoDocument::readFile(path);
    } catch (const MeboVideoDocumentError& e) {
        return projectError(e.description());
    } catch (const DocumentFileError& e) {
        return projectError(e.description());
    }
    if (action == QLatin1String("resave")) {
        try {
            doc.writeFile(opts->positional.at(2));
        } catch (const DocumentFileError& e) {
            cli::printErr(e.description());
            return cli::Exit::failure;
        } catch (const JsonEncodeError& e) {
            cli::printErr(e.description());
            return cli::Exit::failure;
        }
        cli::printOut(QFileInfo(opts->positional.at(2)).absoluteFilePath());
        return cli::Exit::ok;
    }
    const QJsonObject o = projectJson(path, doc, duration, *loadMediaProbe());
    if (opts->has("json")) {
        cli::printJson(o);
    } else {
        printProjectText(o);
    }
    return cli::Exit::ok;
}

} // namespace mebo
