#include "video/VideoProjectFiles.h"

#include "document/DocumentFileError.h"
#include "video/MeboVideoDocumentError.h"
#include "video/TrackRegions.h"

#include <QDir>
#include <QFileInfo>

namespace mebo {

namespace {

// `path` without its last extension (only the file name's part after its last dot).
QString withoutExtension(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base);
}

// A document's file name reduced to a sibling of the project, or nothing when it is unusable.
std::optional<QString> namedSibling(const QString& projectPath, const std::optional<QString>& name,
                                    const QStringList& extensions) {
    if (!name) {
        return std::nullopt;
    }
    const QString last = name->section(QLatin1Char('/'), -1);
    if (last.isEmpty() || last.startsWith(QLatin1Char('.')) ||
        !extensions.contains(QFileInfo(last).suffix().toLower())) {
        return std::nullopt;
    }
    const QString path = QFileInfo(projectPath).dir().filePath(last);
    return QFileInfo(path).isFile() ? std::optional(path) : std::nullopt;
}

} // namespace

const QStringList& VideoProjectFiles::sourceExtensions() {
    static const QStringList list{"mp4", "mov", "m4v", "mkv", "webm"};
    return list;
}

const QStringList& VideoProjectFiles::webcamExtensions() {
    static const QStringList list{"mp4", "mov", "m4v"};
    return list;
}

QString VideoProjectFiles::projectPathFor(const QString& recordingPath) {
    return withoutExtension(recordingPath) + QStringLiteral(".mebo-video");
}

QString VideoProjectFiles::defaultWebcamPath(const QString& projectPath) {
    return withoutExtension(projectPath) + QStringLiteral(".webcam.mp4");
}

std::optional<QString> VideoProjectFiles::locateSource(const QString& projectPath,
                                                       const MeboVideoDocument& document) {
    if (auto named = namedSibling(projectPath, document.sourceFileName, sourceExtensions())) {
        return named;
    }
    const QString base = withoutExtension(projectPath);
    for (const QString& ext : sourceExtensions()) {
        const QString path = base + QLatin1Char('.') + ext;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<QString> VideoProjectFiles::locateWebcam(const QString& projectPath,
                                                       const MeboVideoDocument& document) {
    if (auto named = namedSibling(projectPath, document.webcamFileName, webcamExtensions())) {
        return named;
    }
    const QString path = defaultWebcamPath(projectPath);
    return QFileInfo(path).isFile() ? std::optional(path) : std::nullopt;
}

std::variant<OpenedVideoProject, VideoProjectAlert> VideoProjectFiles::open(const QString& projectPath) {
    OpenedVideoProject opened;
    opened.projectPath = projectPath;
    try {
        opened.document = MeboVideoDocument::readFile(projectPath);
    } catch (const MeboVideoDocumentError& e) {
        return VideoProjectAlert{QStringLiteral("Project file unreadable"), e.description()};
    } catch (const DocumentFileError& e) {
        return VideoProjectAlert{QStringLiteral("Project file unreadable"), e.description()};
    }
    const auto source = locateSource(projectPath, opened.document);
    if (!source) {
        return VideoProjectAlert{
            QStringLiteral("Source video not found"),
            QStringLiteral("Expected a sibling video (mp4/mov/m4v/mkv/webm) next to the .mebo-video file.")};
    }
    opened.sourcePath = *source;
    opened.webcamPath = locateWebcam(projectPath, opened.document);
    return opened;
}

std::optional<QString> VideoProjectFiles::writeRecordingSidecar(const QString& recordingPath,
                                                                const std::optional<QString>& webcamPath,
                                                                const QList<RecordingSegment>& segments,
                                                                double duration) {
    const QList<RecordingSegment> kept = TrackRegions::sanitizedSegments(segments, duration);
    const QString projectPath = projectPathFor(recordingPath);
    if (kept.size() < 2 || QFileInfo::exists(projectPath)) {
        return std::nullopt;
    }
    MeboVideoDocument doc;
    doc.sourceFileName = QFileInfo(recordingPath).fileName();
    if (webcamPath) {
        doc.webcamFileName = QFileInfo(*webcamPath).fileName();
    }
    // Sanitised: no slivers, and the last segment reaches the end of the recording.
    doc.edit.recordingSegments = kept;
    doc.writeFile(projectPath);
    return projectPath;
}

} // namespace mebo
