#include "recording/RecordingPanelVM.h"

#include "app/Cfg.h"
#include "recording/RecordingOptions.h"

#include <algorithm>
#include <cmath>

namespace mebo {

RecordingPanelVM::RecordingPanelVM(Cfg& cfg, QObject* parent) : QObject(parent), cfg_(cfg) {
    config_ = RecordingPanelConfiguration::fromCfg(cfg_);
}

void RecordingPanelVM::reload() {
    const auto fresh = RecordingPanelConfiguration::fromCfg(cfg_);
    if (fresh != config_) {
        config_ = fresh;
        Q_EMIT configurationChanged();
    }
}

void RecordingPanelVM::control(const std::function<void()>& f, bool allowed) {
    if (allowed && f) {
        f();
    }
}

void RecordingPanelVM::perform(const RecordingPanelAction& action) {
    using K = RecordingPanelAction::Kind;
    if (action.isControl()) {
        switch (action.kind) {
        case K::startRecording:
            control(controls_.start, canStart());
            break;
        case K::stop:
            control(controls_.stop, isRunning());
            break;
        case K::pauseResume:
            control(controls_.pauseResume, isRunning());
            break;
        case K::restart:
            control(controls_.restart, isRunning());
            break;
        default: // cancel: also closes a panel whose recording has not started
            control(controls_.cancel, state_ != RecordingState::stopping);
            break;
        }
        return;
    }
    // A running recording keeps the inputs it started with.
    if (!settingsEditable()) {
        return;
    }
    RecordingPanelConfiguration next = action.appliedTo(config_);
    next.webcamScale = std::isfinite(next.webcamScale)
                           ? std::clamp(next.webcamScale, minWebcamScale, maxWebcamScale)
                           : RecordingPanelConfiguration().webcamScale;
    next.videoCodec = videoCodecName(RecordingPanelConfiguration::normalizedCodec(next.videoCodec));
    next.quality = qualityPresetRawValue(RecordingPanelConfiguration::normalizedQuality(next.quality));
    // Written to the settings; read back, the values are the normalised ones the next start uses.
    RecordingOptions unused;
    next.applyTo(cfg_, unused);
    next = RecordingPanelConfiguration::fromCfg(cfg_);
    const bool inputsChanged =
        next.systemAudioOn != config_.systemAudioOn || next.microphoneOn != config_.microphoneOn;
    if (next != config_) {
        config_ = next;
        if (!config_.webcamOn) {
            clearPreview();
        }
        Q_EMIT configurationChanged();
        if (inputsChanged) {
            Q_EMIT levelsChanged();
        }
    }
}

QList<RecordingDeviceChoice> RecordingPanelVM::withDefault(const QList<RecordingDeviceChoice>& devices,
                                                           const std::optional<QString>& selected) {
    QList<RecordingDeviceChoice> out{{std::nullopt, QStringLiteral("Default")}};
    for (const auto& d : devices) {
        if (d.id) {
            out << d;
        }
    }
    if (selected && indexOf(out, selected) < 0) {
        // A video file played as a camera is named by its file; anything else was unplugged.
        const QString file = selected->startsWith(QLatin1String("file:")) ? selected->mid(5) : QString();
        out << RecordingDeviceChoice{selected, file.isEmpty()
                                                   ? *selected + QStringLiteral(" (not connected)")
                                                   : QStringLiteral("Video file ") + file.section(u'/', -1)};
    }
    return out;
}

int RecordingPanelVM::indexOf(const QList<RecordingDeviceChoice>& choices, const std::optional<QString>& id) {
    for (int i = 0; i < choices.size(); ++i) {
        if (choices[i].id == id) {
            return i;
        }
    }
    return -1;
}

void RecordingPanelVM::setMicrophones(QList<RecordingDeviceChoice> devices) {
    microphones_ = std::move(devices);
    Q_EMIT devicesChanged();
}

void RecordingPanelVM::setCameras(QList<RecordingDeviceChoice> devices) {
    cameras_ = std::move(devices);
    Q_EMIT devicesChanged();
}

QList<RecordingDeviceChoice> RecordingPanelVM::microphoneChoices() const {
    return withDefault(microphones_, config_.selectedMicDeviceId);
}

QList<RecordingDeviceChoice> RecordingPanelVM::cameraChoices() const {
    return withDefault(cameras_, config_.selectedCameraDeviceId);
}

int RecordingPanelVM::microphoneIndex() const {
    return std::max(0, indexOf(microphoneChoices(), config_.selectedMicDeviceId));
}

int RecordingPanelVM::cameraIndex() const {
    return std::max(0, indexOf(cameraChoices(), config_.selectedCameraDeviceId));
}

void RecordingPanelVM::setState(RecordingState state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    if (state == RecordingState::preparing) {
        setElapsed(0);
    }
    if (state == RecordingState::idle) {
        systemLevel_ = micLevel_ = 0;
        clearPreview();
        Q_EMIT levelsChanged();
    }
    Q_EMIT stateChanged();
}

void RecordingPanelVM::setStartAvailable(bool available) {
    if (available != startAvailable_) {
        startAvailable_ = available;
        Q_EMIT stateChanged();
    }
}

QString RecordingPanelVM::pauseResumeTitle() const {
    return state_ == RecordingState::paused ? QStringLiteral("Resume") : QStringLiteral("Pause");
}

QString RecordingPanelVM::statusText() const {
    switch (state_) {
    case RecordingState::preparing:
        return QStringLiteral("Starting...");
    case RecordingState::recording:
        return QStringLiteral("Recording");
    case RecordingState::paused:
        return QStringLiteral("Paused");
    case RecordingState::stopping:
        return QStringLiteral("Saving...");
    case RecordingState::idle:
        break;
    }
    return QStringLiteral("Ready");
}

void RecordingPanelVM::setElapsed(double seconds) {
    const double s = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    const bool textChanged = formatElapsed(s) != formatElapsed(elapsed_);
    elapsed_ = s;
    if (textChanged) {
        Q_EMIT elapsedChanged(elapsedText());
    }
}

QString RecordingPanelVM::formatElapsed(double seconds) {
    const qint64 total = std::isfinite(seconds) && seconds > 0 ? qint64(std::floor(seconds)) : 0;
    const qint64 h = total / 3600;
    const qint64 m = (total / 60) % 60;
    const qint64 s = total % 60;
    if (h > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

void RecordingPanelVM::setLevels(float systemAudio, float microphone) {
    const auto clamp01 = [](float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; };
    systemLevel_ = clamp01(systemAudio);
    micLevel_ = clamp01(microphone);
    Q_EMIT levelsChanged();
}

bool RecordingPanelVM::offerPreview(const QImage& picture, double nowSec) {
    if (picture.isNull() || !config_.webcamOn) {
        return false;
    }
    // A clock that went backwards (another source) starts the interval again.
    if (lastPreviewAt_ && nowSec >= *lastPreviewAt_ && nowSec - *lastPreviewAt_ < previewIntervalSec) {
        return false;
    }
    lastPreviewAt_ = nowSec;
    preview_ = picture;
    Q_EMIT previewChanged();
    return true;
}

void RecordingPanelVM::clearPreview() {
    lastPreviewAt_.reset();
    if (!preview_.isNull()) {
        preview_ = QImage();
        Q_EMIT previewChanged();
    }
}

std::optional<QRect> RecordingPanelVM::placeOutside(const QList<QRect>& screens, const QRect& recorded,
                                                    const QSize& size, int gap) {
    if (size.isEmpty()) {
        return std::nullopt;
    }
    // The recorded rectangle's own screen first.
    QList<QRect> order;
    for (const QRect& s : screens) {
        if (s.contains(recorded.center())) {
            order.prepend(s);
        } else {
            order << s;
        }
    }
    const QRect keepOut = recorded.adjusted(-gap, -gap, gap, gap);
    for (const QRect& screen : order) {
        const QRect area = screen.adjusted(gap, gap, -gap, -gap);
        if (area.width() < size.width() || area.height() < size.height()) {
            continue;
        }
        const auto clampX = [&](int x) {
            return std::clamp(x, area.left(), area.right() - size.width() + 1);
        };
        const auto clampY = [&](int y) {
            return std::clamp(y, area.top(), area.bottom() - size.height() + 1);
        };
        const int centredX = clampX(recorded.center().x() - size.width() / 2);
        const int centredY = clampY(recorded.center().y() - size.height() / 2);
        const QRect candidates[] = {
            {QPoint(centredX, recorded.bottom() + 1 + gap), size},          // below
            {QPoint(centredX, recorded.top() - gap - size.height()), size}, // above
            {QPoint(recorded.right() + 1 + gap, centredY), size},           // right
            {QPoint(recorded.left() - gap - size.width(), centredY), size}, // left
            {QPoint(area.left(), area.top()), size},                        // corners: a window
            {QPoint(area.right() - size.width() + 1, area.top()), size},    // recording leaves
            {QPoint(area.left(), area.bottom() - size.height() + 1), size}, // room around it
            {QPoint(area.right() - size.width() + 1, area.bottom() - size.height() + 1), size},
        };
        for (const QRect& c : candidates) {
            if (area.contains(c) && !c.intersects(keepOut)) {
                return c;
            }
        }
    }
    return std::nullopt;
}

QString RecordingPanelVM::trayStatus(RecordingState state, double elapsedSec) {
    const QString time = formatElapsed(elapsedSec);
    switch (state) {
    case RecordingState::paused:
        return QStringLiteral("Paused ") + time;
    case RecordingState::preparing:
        return QStringLiteral("Starting recording...");
    case RecordingState::stopping:
        return QStringLiteral("Saving recording...");
    default:
        return QStringLiteral("Recording ") + time;
    }
}

} // namespace mebo
