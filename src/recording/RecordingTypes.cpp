#include "recording/RecordingTypes.h"

namespace mebo {

QString recordingStateName(RecordingState state) {
    switch (state) {
    case RecordingState::idle:
        return QStringLiteral("idle");
    case RecordingState::preparing:
        return QStringLiteral("preparing");
    case RecordingState::recording:
        return QStringLiteral("recording");
    case RecordingState::paused:
        return QStringLiteral("paused");
    case RecordingState::stopping:
        return QStringLiteral("stopping");
    }
    return {};
}

QString qualityPresetRawValue(QualityPreset preset) {
    switch (preset) {
    case QualityPreset::standard:
        return QStringLiteral("standard");
    case QualityPreset::high:
        return QStringLiteral("high");
    case QualityPreset::original:
        return QStringLiteral("original");
    }
    return {};
}

std::optional<QualityPreset> qualityPresetFromRawValue(const QString& raw) {
    for (QualityPreset p : {QualityPreset::standard, QualityPreset::high, QualityPreset::original}) {
        if (qualityPresetRawValue(p) == raw) {
            return p;
        }
    }
    return std::nullopt;
}

double qualityPresetMultiplier(QualityPreset preset) {
    switch (preset) {
    case QualityPreset::standard:
        return 0.6;
    case QualityPreset::high:
        return 1.0;
    case QualityPreset::original:
        return 1.5;
    }
    return 1.0;
}

QString webcamPositionRawValue(WebcamPosition position) {
    switch (position) {
    case WebcamPosition::topLeft:
        return QStringLiteral("topLeft");
    case WebcamPosition::topRight:
        return QStringLiteral("topRight");
    case WebcamPosition::bottomLeft:
        return QStringLiteral("bottomLeft");
    case WebcamPosition::bottomRight:
        return QStringLiteral("bottomRight");
    }
    return {};
}

std::optional<WebcamPosition> webcamPositionFromRawValue(const QString& raw) {
    for (WebcamPosition p : {WebcamPosition::topLeft, WebcamPosition::topRight, WebcamPosition::bottomLeft,
                             WebcamPosition::bottomRight}) {
        if (webcamPositionRawValue(p) == raw) {
            return p;
        }
    }
    return std::nullopt;
}

QString videoCodecName(VideoCodec codec) {
    return codec == VideoCodec::hevc ? QStringLiteral("hevc") : QStringLiteral("h264");
}

QString RecordingError::description() const {
    switch (kind) {
    case Kind::writerInputRejected:
        return QStringLiteral("錄影寫入器不接受 ") + detail + QStringLiteral(" input");
    case Kind::writerStartFailed:
        return detail.isEmpty() ? QStringLiteral("錄影寫入器啟動失敗") : detail;
    case Kind::targetWindowNotVisible:
        return QStringLiteral("目標窗口「") + detail +
               QStringLiteral("」不在當前 Space, 請先切換到目標窗口所在 Space 後重試");
    case Kind::alreadyRecording:
        return QStringLiteral("已有錄影進行中");
    case Kind::displayNotFound:
        return QStringLiteral("找不到指定顯示器");
    case Kind::windowNotFound:
        return QStringLiteral("找不到指定窗口");
    case Kind::invalidConfig:
        return QStringLiteral("錄影配置無效 (寬或高為 0)");
    }
    return {};
}

} // namespace mebo
