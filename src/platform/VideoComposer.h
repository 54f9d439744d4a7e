#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace mebo::platform {

// One piece of the output: source [sourceStart, sourceStart + speed × compDuration] plays at
// output [compStart, compStart + compDuration]. Seconds.
struct CompositionPiece {
    double compStart = 0;
    double sourceStart = 0;
    double speed = 1;
    double compDuration = 0;
    bool operator==(const CompositionPiece&) const = default;
};

// [start, end) in output seconds.
struct OutputRange {
    double start = 0;
    double end = 0;
    bool operator==(const OutputRange&) const = default;
};

// One audio track of the source, as it reaches the output.
struct CompositionAudioTrack {
    int streamIndex = 0;            // the source's stream
    bool enabled = true;            // off: silent for the whole output
    QList<OutputRange> mutedRanges; // silent there
};

// What the export session makes: the source's kept pieces at their speeds, every output frame
// rendered by the caller, the audio tracks muted where asked and mixed into one stereo AAC track.
struct CompositionRequest {
    QString sourcePath;
    QString outputPath; // written in place; the caller owns temporary names
    QList<CompositionPiece> timeMap;
    double outputDuration = 0;
    int fps = 30;
    QSize renderSize; // even sides
    // The source pixels that reach the frames (crop), and the size they are scaled to before the
    // renderer sees them (scaling early keeps every later step at the output's resolution).
    QRect sourceCrop;
    QSize videoSize;
    QList<CompositionAudioTrack> audio;
    // A second video laid over the output, following the same time map (the webcam). Its frames
    // reach the renderer scaled to cover `overlaySize` and cropped to it.
    std::optional<QString> overlayPath;
    QSize overlaySize;
    int64_t videoBitrate = 0; // bit/s
};

// The pictures of one output frame, handed to the renderer.
struct CompositionFrame {
    int64_t index = 0;
    double outputTime = 0;
    double sourceTime = 0;
    QImage video;   // RGB32 of request.videoSize
    QImage overlay; // ARGB32 of request.overlaySize (opaque pixels), or null
    double overlaySourceTime = 0;
};

// Turns the pictures of one output frame into the output frame (RGB32 of the render size). Called
// on the exporter's rendering thread, one frame at a time in order.
using CompositionRenderer = std::function<QImage(const CompositionFrame&)>;

// Why an export session ended without a file.
struct CompositionFailure {
    enum class Stage {
        source,  // the main video cannot be read
        overlay, // the overlay video cannot be read
        output,  // encoding or writing failed
    };
    Stage stage = Stage::output;
    enum class Kind {
        noVideoTrack, // the file has no video stream
        openFailed,   // the file cannot be opened or a decoder made
        readFailed,   // reading or decoding failed midway
        writeFailed,  // the output cannot be made or written
    };
    Kind kind = Kind::readFailed;
    QString text;
};

// The export session: decodes the source (and the overlay), keeps the pieces of the time map,
// picks each output frame's source frame by its time, renders and encodes it (H.264 High), and
// time-stretches (pitch kept), mutes and mixes the audio (AAC). Blocking; runs on the caller's
// thread with helper threads of its own. `progress` (fraction 0...1) is called on the calling
// thread; `cancel` is read before every frame. On cancel or failure the output file is removed.
class VideoComposer {
public:
    enum class Outcome { completed, cancelled, failed };
    virtual ~VideoComposer() = default;
    virtual Outcome run(const CompositionRequest& request, const CompositionRenderer& render,
                        const std::function<void(double)>& progress, const std::atomic<bool>& cancel,
                        CompositionFailure* failure) = 0;
};

} // namespace mebo::platform
