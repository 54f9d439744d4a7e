#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <optional>

namespace mebo::platform {

// Which recorded input an audio track carries.
enum class MediaAudioRole { system, microphone };

struct MediaAudioTrack {
    int streamIndex = 0;
    QString codec; // "aac", "opus", ...
    int channels = 0;
    int sampleRate = 0; // Hz
    QString title;      // the stream's title or handler name, as tagged
    MediaAudioRole role = MediaAudioRole::system;
    double durationSec = 0; // 0 when the container does not say
};

// What the video editor needs to know of a media file, read from its headers (nothing decoded).
struct MediaStreamFacts {
    QString container;      // "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", ...
    double durationSec = 0; // the longest of the container's and its streams' durations
    bool hasVideo = false;
    QSize videoSize;                 // coded picture size (before any rotation)
    int rotationDegrees = 0;         // display rotation the file asks for (0, 90, 180, 270)
    std::optional<double> frameRate; // average frames per second
    QString videoCodec;
    QList<MediaAudioTrack> audioTracks;  // in stream order
    std::optional<int> systemAudioTrack; // index into audioTracks
    std::optional<int> microphoneTrack;  // index into audioTracks
};

// Reads the stream facts of a media file. Blocking (a few milliseconds: headers only); any
// thread. A failure answers nothing with the reason in `error`.
class MediaProbe {
public:
    virtual ~MediaProbe() = default;
    virtual std::optional<MediaStreamFacts> probe(const QString& path, QString* error) = 0;
};

} // namespace mebo::platform
