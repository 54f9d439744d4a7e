#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace mebo::platform {

struct MediaWriterConfig {
    QString path;
    int width = 0;
    int height = 0;
    bool hevc = false;         // H.264 High otherwise
    int64_t bitrate = 0;       // average, bit/s
    int fps = 30;              // nominal; frames carry their own times
    int keyframeInterval = 60; // frames
    QStringList audioTracks;   // AAC 48 kHz stereo 192 kbit/s each, in this order (names)
    // Written so that a process killed at any moment leaves a playable file up to the last
    // fragment (about a second); finish() then leaves a fragmented file, which finalize turns
    // into a plain one.
    bool crashSafe = true;
};

// An MPEG-4 writer. open() creates the file; startSession() fixes time zero; appends may come from
// several threads at once (video from one, each audio track from one). Times are nanoseconds of
// the monotonic clock; audio is written continuously from its first buffer (gaps filled with
// silence, overlaps cut).
class MediaWriter {
public:
    enum class Status { unknown, writing, completed, failed, cancelled };
    // Why open() failed: an input (track) the writer cannot make, or the file.
    struct OpenError {
        enum class Kind { videoInput, audioInput, start } kind = Kind::start;
        int audioTrack = -1;
        QString text;
    };

    virtual ~MediaWriter() = default;
    virtual bool open(const MediaWriterConfig& config, OpenError* error) = 0;
    virtual Status status() const = 0;
    virtual QString errorText() const = 0;
    virtual void startSession(int64_t ptsNs) = 0;
    // `frame` is RGB32 of the configured size.
    virtual bool appendVideo(const QImage& frame, int64_t ptsNs, QString* error) = 0;
    virtual bool appendAudio(int track, const float* interleaved, int frames, int64_t ptsNs,
                             QString* error) = 0;
    // Drains the encoders and closes the file.
    virtual bool finish(QString* error) = 0;
    // Stops and deletes the file.
    virtual void cancel() = 0;
};

// The status as the log lines name it.
inline QString statusName(MediaWriter::Status s) {
    switch (s) {
    case MediaWriter::Status::unknown:
        return QStringLiteral("unknown");
    case MediaWriter::Status::writing:
        return QStringLiteral("writing");
    case MediaWriter::Status::completed:
        return QStringLiteral("completed");
    case MediaWriter::Status::failed:
        return QStringLiteral("failed");
    case MediaWriter::Status::cancelled:
        return QStringLiteral("cancelled");
    }
    return QStringLiteral("unknown");
}

// Stream copies of media files: finishing a crash-safe recording into a plain fast-start MP4, and
// cutting a time range without re-encoding (from the key frame at or before the start).
class MediaRemuxer {
public:
    virtual ~MediaRemuxer() = default;
    // `endSec` nothing: to the end.
    virtual bool copy(const QString& source, const QString& destination, double startSec,
                      std::optional<double> endSec, QString* error) = 0;
    // A picture from about `atSec` into the file, for thumbnails.
    virtual QImage frameAt(const QString& path, double atSec, QString* error) = 0;
};

} // namespace mebo::platform
