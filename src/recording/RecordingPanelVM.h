#pragma once

#include "recording/RecordingPanelConfiguration.h"
#include "recording/RecordingTypes.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace mebo {

class Cfg;

// One entry of the panel's microphone or camera menu; no id is the default device.
struct RecordingDeviceChoice {
    std::optional<QString> id;
    QString name;
    bool operator==(const RecordingDeviceChoice&) const = default;
};

// What the recording panel shows and does, without widgets: the configuration (read from and
// written back to the settings through the configuration's normalisation), the device menus, the
// recorder's state with the buttons it allows, the elapsed time, the two level meters and the
// camera preview (at most twelve pictures a second). Control actions go to the coordinator
// through `Controls`. Main thread only.
class RecordingPanelVM : public QObject {
    Q_OBJECT
public:
    static constexpr double minWebcamScale = 0.1;
    static constexpr double maxWebcamScale = 0.4;
    static constexpr double previewIntervalSec = 1.0 / 12.0;

    struct Controls {
        std::function<void()> start;
        std::function<void()> stop;
        std::function<void()> pauseResume;
        std::function<void()> restart;
        std::function<void()> cancel;
    };

    explicit RecordingPanelVM(Cfg& cfg, QObject* parent = nullptr);

    void setControls(Controls controls) { controls_ = std::move(controls); }
    // Reads the configuration from the settings again (the panel opens).
    void reload();
    const RecordingPanelConfiguration& configuration() const { return config_; }
    // A setting changes the configuration (only before a recording starts); a control goes to
    // the coordinator when the state allows it.
    void perform(const RecordingPanelAction& action);

    // The device menus: "Default" first, then the devices, then a chosen device that is gone.
    void setMicrophones(QList<RecordingDeviceChoice> devices);
    void setCameras(QList<RecordingDeviceChoice> devices);
    QList<RecordingDeviceChoice> microphoneChoices() const;
    QList<RecordingDeviceChoice> cameraChoices() const;
    int microphoneIndex() const;
    int cameraIndex() const;

    // The recorder's state and what the buttons may do in it.
    void setState(RecordingState state);
    RecordingState state() const { return state_; }
    bool settingsEditable() const { return state_ == RecordingState::idle; }
    // Whether a target is chosen (the picker's Start needs one).
    void setStartAvailable(bool available);
    bool canStart() const { return state_ == RecordingState::idle && startAvailable_; }
    bool isRunning() const { return state_ == RecordingState::recording || state_ == RecordingState::paused; }
    QString pauseResumeTitle() const;
    QString statusText() const; // "Recording", "Paused", "Starting...", "Saving...", "Ready"

    void setElapsed(double seconds);
    double elapsed() const { return elapsed_; }
    QString elapsedText() const { return formatElapsed(elapsed_); }
    static QString formatElapsed(double seconds); // "00:07", "12:34", "1:02:03"

    // Levels 0...1; a source that is off shows 0.
    void setLevels(float systemAudio, float microphone);
    float systemAudioLevel() const { return config_.systemAudioOn ? systemLevel_ : 0.0f; }
    float microphoneLevel() const { return config_.microphoneOn ? micLevel_ : 0.0f; }

    // Offers a camera picture at `nowSec` (any steady clock); kept and announced only when a
    // twelfth of a second has passed since the last one. Answers whether it was kept.
    bool offerPreview(const QImage& picture, double nowSec);
    const QImage& preview() const { return preview_; }
    void clearPreview();

    // Where a panel of `size` goes beside `recorded` without covering any of it, `gap` apart:
    // below, above, right, left, on the recorded rectangle's screen first, then on the others.
    // Nothing when no screen has room (a whole-display recording on a single display).
    static std::optional<QRect> placeOutside(const QList<QRect>& screens, const QRect& recorded,
                                             const QSize& size, int gap = 12);

    // The tray's words while recording.
    static QString trayStatus(RecordingState state, double elapsedSec); // "Recording 00:07"

Q_SIGNALS:
    void configurationChanged();
    void devicesChanged();
    void stateChanged();
    void elapsedChanged(const QString& text);
    void levelsChanged();
    void previewChanged();

private:
    static QList<RecordingDeviceChoice> withDefault(const QList<RecordingDeviceChoice>& devices,
                                                    const std::optional<QString>& selected);
    static int indexOf(const QList<RecordingDeviceChoice>& choices, const std::optional<QString>& id);
    void control(const std::function<void()>& f, bool allowed);

    Cfg& cfg_;
    Controls controls_;
    RecordingPanelConfiguration config_;
    QList<RecordingDeviceChoice> microphones_;
    QList<RecordingDeviceChoice> cameras_;
    RecordingState state_ = RecordingState::idle;
    bool startAvailable_ = true;
    double elapsed_ = 0;
    float systemLevel_ = 0;
    float micLevel_ = 0;
    QImage preview_;
    std::optional<double> lastPreviewAt_;
};

} // namespace mebo
