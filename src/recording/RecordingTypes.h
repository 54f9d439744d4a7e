#pragma once

#include "recording/RecordingSegment.h"

#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

namespace mebo {

// The recorder's state; the order is the stored value.
enum class RecordingState { idle = 0, preparing = 1, recording = 2, paused = 3, stopping = 4 };
QString recordingStateName(RecordingState state);

enum class QualityPreset { standard, high, original };
QString qualityPresetRawValue(QualityPreset preset);
std::optional<QualityPreset> qualityPresetFromRawValue(const QString& raw);
double qualityPresetMultiplier(QualityPreset preset);

enum class WebcamPosition { topLeft = 0, topRight = 1, bottomLeft = 2, bottomRight = 3 };
QString webcamPositionRawValue(WebcamPosition position);
std::optional<WebcamPosition> webcamPositionFromRawValue(const QString& raw);

enum class VideoCodec { h264, hevc };
QString videoCodecName(VideoCodec codec); // "h264" / "hevc"

// A start failure, with the text the user sees.
struct RecordingError {
    enum class Kind {
        writerInputRejected,
        writerStartFailed,
        targetWindowNotVisible,
        alreadyRecording,
        displayNotFound,
        windowNotFound,
        invalidConfig,
    };
    Kind kind = Kind::writerStartFailed;
    QString detail; // the input name, the writer's text or the window title

    QString description() const;
    static RecordingError writerInputRejected(const QString& input) {
        return {Kind::writerInputRejected, input};
    }
    static RecordingError writerStartFailed(const QString& text = {}) {
        return {Kind::writerStartFailed, text};
    }
    static RecordingError targetWindowNotVisible(const QString& title) {
        return {Kind::targetWindowNotVisible, title};
    }
    static RecordingError of(Kind kind) { return {kind, {}}; }
};

// What a recording shows: a display, an area of a display or a window's rectangle.
struct RecordingTarget {
    enum class Kind { display, area, window };
    Kind kind = Kind::display;
    uint32_t displayId = 0;
    QRect area; // desktop space (points, bottom-left origin of the primary display), for areas
    uint32_t windowId = 0;

    static RecordingTarget display(uint32_t id) { return {Kind::display, id, {}, 0}; }
    static RecordingTarget areaOf(uint32_t id, const QRect& rect) { return {Kind::area, id, rect, 0}; }
    static RecordingTarget window(uint32_t id) { return {Kind::window, 0, {}, id}; }
};

// Diagnostics of one recording, reported at stop.
struct RecordingCounters {
    int videoFramesAppended = 0;
    int missingFrameStatusCount = 0;
    int nonCompleteFrameCount = 0;
    int invalidVideoPTSCount = 0;
    int videoPTSRepairCount = 0;
    int audioAppendRejectCount = 0;
};

struct StopResult {
    std::optional<QString> mainURL; // file path of the finished recording
    std::optional<QString> webcamURL;
    QList<RecordingSegment> recordingSegments;
    // What the coordinator and the command line report beside the file.
    std::optional<QString> cursorURL;
    double durationSec = 0;
    int width = 0;
    int height = 0;
    int fps = 0;
    VideoCodec codec = VideoCodec::h264;
    RecordingCounters counters;
};

} // namespace mebo
