#pragma once

#include "recording/RecordingOptions.h"

#include <QString>
#include <optional>
#include <variant>

namespace mebo {

class Cfg;

// What the recording panel shows and the user changes: a value, rebuilt on every change.
struct RecordingPanelConfiguration {
    bool systemAudioOn = true;
    bool microphoneOn = false;
    std::optional<QString> selectedMicDeviceId; // none: the default device
    bool webcamOn = false;
    std::optional<QString> selectedCameraDeviceId;
    bool cursorTrailOn = false;
    bool clickRippleOn = false;
    WebcamPosition webcamPosition = WebcamPosition::bottomRight;
    double webcamScale = 0.2; // the panel's slider runs from 0.1 to 0.4
    QString videoCodec = QStringLiteral("h264");
    QString quality = QStringLiteral("high");
    int fps = 15;

    bool operator==(const RecordingPanelConfiguration&) const = default;

    // The configuration the settings hold.
    static RecordingPanelConfiguration fromCfg(const Cfg& cfg);

    // The panel's menus by index (out-of-range indexes give the defaults named in each).
    static WebcamPosition positionForIndex(int index); // else bottomRight
    static QString qualityForIndex(int index);         // else "high"
    static int fpsForIndex(int index);                 // 5, 10, 15, 24, 30, 60; else 15
    static QString codecForIndex(int index);           // 1: "hevc"; else "h264"
    static constexpr int frameRateChoices[] = {5, 10, 15, 24, 30, 60};

    // Normalised: HEVC only for "hevc", an unknown quality is high, fps outside the menu is 15.
    static VideoCodec normalizedCodec(const QString& codec);
    static QualityPreset normalizedQuality(const QString& quality);

    // Writes every value to the settings (frame rate after normalisation) and to `options`,
    // keeping what the panel does not choose (the webcam file mode, the halo).
    void applyTo(Cfg& cfg, RecordingOptions& options) const;
};

// What the panel emits.
struct RecordingPanelAction {
    enum class Kind {
        toggleSystemAudio,
        toggleMicrophone,
        selectMicDevice,
        selectCameraDevice,
        toggleWebcam,
        toggleCursorTrail,
        toggleClickRipple,
        setWebcamPosition,
        setWebcamScale,
        setVideoCodec,
        setQuality,
        setFps,
        stop,
        pauseResume,
        restart,
        cancel,
        startRecording,
    };
    Kind kind = Kind::stop;
    std::variant<std::monostate, bool, std::optional<QString>, WebcamPosition, double, QString, int> payload;

    // Whether the action goes to the capture coordinator rather than changing the configuration.
    bool isControl() const;
    // The configuration after a setting action (control actions change nothing).
    RecordingPanelConfiguration appliedTo(RecordingPanelConfiguration config) const;
};

} // namespace mebo
