#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <optional>

namespace mebo {

namespace platform {
class MediaProbe;
class MediaRemuxer;
} // namespace platform

// Recordings a crash left behind: NAME.recording.mp4 files in the save folder that no running
// recorder holds (their lock file is missing or stale). Each is copied into a plain MP4
// (NAME.mp4, or NAME-N.mp4 when taken) up to its last complete fragment. Any thread.
class RecordingRecovery {
public:
    struct Recovered {
        QString path;
        double durationSec = 0;
        int width = 0;
        int height = 0;
        QImage thumbnail;
    };

    static QStringList findUnfinished(const QString& folder);
    // Answers the recovered recording, or nothing when the file held no playable picture (it is
    // then renamed NAME.damaged.mp4 so it is not tried again).
    static std::optional<Recovered> recover(const QString& unfinishedPath, platform::MediaRemuxer& remuxer,
                                            platform::MediaProbe& probe);
};

} // namespace mebo
