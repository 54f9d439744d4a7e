#include "recording/RecordingPanelConfiguration.h"

#include "app/Cfg.h"

namespace mebo {

RecordingPanelConfiguration RecordingPanelConfiguration::fromCfg(const Cfg& cfg) {
    RecordingPanelConfiguration c;
    c.systemAudioOn = cfg.recordSystemAudio();
    c.microphoneOn = cfg.recordMicrophone();
    c.selectedMicDeviceId = cfg.selectedMicDeviceId();
    c.webcamOn = cfg.recordWebcam();
    c.selectedCameraDeviceId = cfg.selectedCameraDeviceId();
    c.cursorTrailOn = cfg.recordCursorTrail();
    c.clickRippleOn = cfg.recordClickRipple();
    c.webcamPosition = webcamPositionFromRawValue(cfg.webcamPosition()).value_or(WebcamPosition::bottomRight);
    c.webcamScale = cfg.webcamScale();
    c.videoCodec = cfg.videoCodec();
    c.quality = cfg.recordQuality();
    c.fps = cfg.recordFps();
    return c;
}

WebcamPosition RecordingPanelConfiguration::positionForIndex(int index) {
    return index >= 0 && index <= 3 ? WebcamPosition(index) : WebcamPosition::bottomRight;
}

QString RecordingPanelConfiguration::qualityForIndex(int index) {
    switch (index) {
    case 0:
        return QStringLiteral("standard");
    case 2:
        return QStringLiteral("original");
    default:
        return QStringLiteral("high");
    }
}

int RecordingPanelConfiguration::fpsForIndex(int index) {
    return index >= 0 && index < int(std::size(frameRateChoices)) ? frameRateChoices[index] : 15;
}

QString RecordingPanelConfiguration::codecForIndex(int index) {
    return index == 1 ? QStringLiteral("hevc") : QStringLiteral("h264");
}

VideoCodec RecordingPanelConfiguration::normalizedCodec(const QString& codec) {
    return codec == QLatin1String("hevc") ? VideoCodec::hevc : VideoCodec::h264;
}

QualityPreset RecordingPanelConfiguration::normalizedQuality(const QString& quality) {
    return qualityPresetFromRawValue(quality).value_or(QualityPreset::high);
}

void RecordingPanelConfiguration::applyTo(Cfg& cfg, RecordingOptions& options) const {
    const int normalizedFps = effectiveFrameRate(fps);
    cfg.setRecordSystemAudio(systemAudioOn);
    cfg.setRecordMicrophone(microphoneOn);
    cfg.setSelectedMicDeviceId(selectedMicDeviceId);
    cfg.setRecordWebcam(webcamOn);
    cfg.setSelectedCameraDeviceId(selectedCameraDeviceId);
    cfg.setRecordCursorTrail(cursorTrailOn);
    cfg.setRecordClickRipple(clickRippleOn);
    cfg.setWebcamPosition(webcamPositionRawValue(webcamPosition));
    cfg.setWebcamScale(webcamScale);
    cfg.setVideoCodec(videoCodec);
    cfg.setRecordQuality(quality);
    cfg.setRecordFps(normalizedFps);

    options.systemAudioEnabled = systemAudioOn;
    options.microphoneEnabled = microphoneOn;
    options.selectedMicDeviceId = selectedMicDeviceId;
    options.webcamEnabled = webcamOn;
    options.selectedCameraDeviceId = selectedCameraDeviceId;
    options.recordCursorTrailEnabled = cursorTrailOn;
    options.recordClickRippleEnabled = clickRippleOn;
    options.webcamPosition = webcamPosition;
    options.webcamScale = webcamScale;
    options.videoCodec = normalizedCodec(videoCodec);
    options.qualityPreset = normalizedQuality(quality);
    options.fps = normalizedFps;
}

bool RecordingPanelAction::isControl() const {
    switch (kind) {
    case Kind::stop:
    case Kind::pauseResume:
    case Kind::restart:
    case Kind::cancel:
    case Kind::startRecording:
        return true;
    default:
        return false;
    }
}

RecordingPanelConfiguration RecordingPanelAction::appliedTo(RecordingPanelConfiguration c) const {
    const auto flag = [this] { return std::holds_alternative<bool>(payload) && std::get<bool>(payload); };
    const auto id = [this] {
        return std::holds_alternative<std::optional<QString>>(payload)
                   ? std::get<std::optional<QString>>(payload)
                   : std::nullopt;
    };
    const auto text = [this] {
        return std::holds_alternative<QString>(payload) ? std::get<QString>(payload) : QString();
    };
    switch (kind) {
    case Kind::toggleSystemAudio:
        c.systemAudioOn = flag();
        break;
    case Kind::toggleMicrophone:
        c.microphoneOn = flag();
        break;
    case Kind::selectMicDevice:
        c.selectedMicDeviceId = id();
        break;
    case Kind::selectCameraDevice:
        c.selectedCameraDeviceId = id();
        break;
    case Kind::toggleWebcam:
        c.webcamOn = flag();
        break;
    case Kind::toggleCursorTrail:
        c.cursorTrailOn = flag();
        break;
    case Kind::toggleClickRipple:
        c.clickRippleOn = flag();
        break;
    case Kind::setWebcamPosition:
        if (std::holds_alternative<WebcamPosition>(payload)) {
            c.webcamPosition = std::get<WebcamPosition>(payload);
        }
        break;
    case Kind::setWebcamScale:
        if (std::holds_alternative<double>(payload)) {
            c.webcamScale = std::get<double>(payload);
        }
        break;
    case Kind::setVideoCodec:
        c.videoCodec = text();
        break;
    case Kind::setQuality:
        c.quality = text();
        break;
    case Kind::setFps:
        if (std::holds_alternative<int>(payload)) {
            c.fps = std::get<int>(payload);
        }
        break;
    default:
        break;
    }
    return c;
}

} // namespace mebo
