#pragma once

#include "video/MeboVideoDocument.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace mebo {

// A project ready to edit: the document with its source (and webcam) found beside it.
struct OpenedVideoProject {
    MeboVideoDocument document;
    QString projectPath;
    QString sourcePath;
    std::optional<QString> webcamPath; // none: the edit opens without a webcam track
};

// Why a project cannot be opened, as the alert shows it.
struct VideoProjectAlert {
    QString message;
    QString informativeText;
    bool operator==(const VideoProjectAlert&) const = default;
};

// Where a video project and its media lie: the project beside its recording, the source and
// webcam videos as siblings of the project.
class VideoProjectFiles {
public:
    static const QStringList& sourceExtensions(); // "mp4", "mov", "m4v", "mkv", "webm", in lookup order
    static const QStringList& webcamExtensions(); // "mp4", "mov", "m4v"

    // The recording's path with its extension replaced by "mebo-video".
    static QString projectPathFor(const QString& recordingPath);
    // The project's path with its extension replaced by "webcam.mp4" (the default webcam name).
    static QString defaultWebcamPath(const QString& projectPath);

    // The source video: the named sibling when the name (its last component only) is usable and
    // exists, else the project's name with each source extension in turn. Nothing when none exists.
    static std::optional<QString> locateSource(const QString& projectPath, const MeboVideoDocument& document);
    // The webcam video: the named sibling, else the default webcam name.
    static std::optional<QString> locateWebcam(const QString& projectPath, const MeboVideoDocument& document);

    // The open-project panel's message and the file type it allows.
    static QString openPanelMessage() { return QStringLiteral("Choose a .mebo-video project file."); }
    static QString projectExtension() { return QStringLiteral("mebo-video"); }
    // Opening a project from the main window: read it ("Project file unreadable" with the error's
    // text when it cannot be read or decoded), then find its source ("Source video not found").
    static std::variant<OpenedVideoProject, VideoProjectAlert> open(const QString& projectPath);

    // The recording's segments sidecar: written when at least two segments survive sanitising and
    // no project exists yet at the project path. Answers the path written, or nothing when no file
    // was due; throws DocumentFileError or JsonEncodeError when the write failed.
    static std::optional<QString> writeRecordingSidecar(const QString& recordingPath,
                                                        const std::optional<QString>& webcamPath,
                                                        const QList<RecordingSegment>& segments,
                                                        double duration);
};

} // namespace mebo
