#pragma once

#include "platform/MediaProbe.h"
#include "platform/VideoComposer.h"
#include "video/VideoEnums.h"
#include "video/VideoSnapshot.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

namespace mebo {

// What one MP4 export is given: the source, the webcam recording when there is one, a copy of the
// edit (never the live editor state), where its image assets and cursor telemetry lie, and the
// destination.
struct VideoExportJob {
    QString sourcePath;
    std::optional<QString> webcamPath;
    QString destination;
    VideoSnapshot edit;
    QString assetFolder;                  // image annotations' files
    std::optional<QString> telemetryPath; // NAME.cursor.json
    VideoChapterDisplayStyle chapterStyle = VideoChapterDisplayStyle::titles;
};

// The MP4 export: derives the plan from the edit, runs one export session that cuts, speeds, mutes
// and renders every frame (the webcam, when shown, laid over in the same pass), and replaces the
// destination with the finished file in one step. Every failure and a cancel leave the destination
// as it was and no temporary file. Blocking; run it off the main thread (progress and the cancel
// flag are read from that thread).
class VideoExporter {
public:
    enum class Outcome { completed, cancelled, failed };

    VideoExporter(platform::VideoComposer& composer, platform::MediaProbe& probe);

    // `errorText` receives the user-facing text on failure.
    Outcome run(const VideoExportJob& job, const std::function<void(double)>& progress,
                const std::atomic<bool>& cancel, QString* errorText);

    // Clip.mp4 → Clip.tmp.mp4 beside it.
    static QString temporaryPathFor(const QString& destination);
    // The caches folder (the temporary folder without one), "Mebo", "VideoCopy".
    static QString workRoot();
    // A new folder named by a fresh UUID under `root`, or empty.
    static QString createWorkFolder(const QString& root);
    // Removes the entries of `root` made more than a day before `now` (by their creation time, or
    // their last change where the file system keeps no creation time). Answers how many went.
    static int sweepStaleWorkFolders(const QString& root, const QDateTime& now);
    // The temporary file takes the destination's place in one step (rename over it).
    static bool replaceDestination(const QString& temporary, const QString& destination, QString* error);
    // H.264 bit rate for a render size and frame rate: 0.12 bit per pixel, 1...60 Mbit/s.
    static int64_t bitrateFor(QSize size, int fps);

private:
    platform::VideoComposer& composer_;
    platform::MediaProbe& probe_;
};

} // namespace mebo
