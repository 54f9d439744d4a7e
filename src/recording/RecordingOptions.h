#pragma once

#include "recording/RecordingTypes.h"

#include <QSize>
#include <optional>

namespace mebo {

// The recorder's configuration, set before a start (the service's defaults before anything is
// applied).
struct RecordingOptions {
    bool systemAudioEnabled = true;
    bool microphoneEnabled = false;
    std::optional<QString> selectedMicDeviceId;
    bool webcamEnabled = false;
    std::optional<QString> selectedCameraDeviceId;
    bool webcamSeparateFile = true;
    WebcamPosition webcamPosition = WebcamPosition::bottomRight;
    double webcamScale = 0.2;
    VideoCodec videoCodec = VideoCodec::h264;
    QualityPreset qualityPreset = QualityPreset::high;
    int fps = 15;
    bool recordCursorHaloEnabled = true;
    bool recordCursorTrailEnabled = false;
    bool recordClickRippleEnabled = false;

    bool anyCursorEffect() const {
        return recordCursorHaloEnabled || recordCursorTrailEnabled || recordClickRippleEnabled;
    }
};

// The frame rates the recorder offers; anything else records at 15.
int effectiveFrameRate(int fps);
// Average video bit rate (bit/s) of a width x height output.
int64_t recordingBitrate(QSize output, int fps, QualityPreset preset);
// Output size of an area or window of `points` at `scale`: truncated, each side rounded down to
// even. A whole display passes its pixel size with scale 1.
QSize recordingOutputSize(QSizeF points, double scale);

} // namespace mebo
