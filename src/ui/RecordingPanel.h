#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QWidget;

namespace mebo {

class RecordingPanelVM;

// The recording panel: the inputs and encoding (before a recording starts), the level meters of
// the two audio sources, the camera preview, the elapsed time and Start, Pause/Resume, Stop,
// Restart and Cancel. A thin view of RecordingPanelVM: every change goes through its actions.
class RecordingPanel : public QFrame {
    Q_OBJECT
public:
    explicit RecordingPanel(RecordingPanelVM& vm, QWidget* parent = nullptr);

    // The bar with the recording's status and buttons only (the floating panel while recording).
    void setOptionsShown(bool shown);

    QPushButton* startButton() const { return start_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* restartButton() const { return restart_; }
    QPushButton* cancelButton() const { return cancel_; }
    QCheckBox* systemAudioBox() const { return systemAudio_; }
    QCheckBox* microphoneBox() const { return microphone_; }
    QCheckBox* webcamBox() const { return webcam_; }
    QComboBox* microphoneMenu() const { return micMenu_; }
    QComboBox* cameraMenu() const { return cameraMenu_; }
    QComboBox* positionMenu() const { return position_; }
    QComboBox* codecMenu() const { return codec_; }
    QComboBox* qualityMenu() const { return quality_; }
    QComboBox* frameRateMenu() const { return fps_; }
    QSlider* scaleSlider() const { return scale_; }
    QLabel* elapsedLabel() const { return elapsed_; }
    QLabel* previewLabel() const { return preview_; }
    QWidget* systemMeter() const { return systemMeter_; }
    QWidget* microphoneMeter() const { return micMeter_; }

private:
    void build();
    void syncConfiguration();
    void syncDevices();
    void syncState();
    void syncLevels();
    void syncPreview();

    RecordingPanelVM& vm_;
    QWidget* options_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* preview_ = nullptr;
    QCheckBox* systemAudio_ = nullptr;
    QCheckBox* microphone_ = nullptr;
    QCheckBox* webcam_ = nullptr;
    QCheckBox* trail_ = nullptr;
    QCheckBox* ripple_ = nullptr;
    QComboBox* micMenu_ = nullptr;
    QComboBox* cameraMenu_ = nullptr;
    QComboBox* position_ = nullptr;
    QComboBox* codec_ = nullptr;
    QComboBox* quality_ = nullptr;
    QComboBox* fps_ = nullptr;
    QSlider* scale_ = nullptr;
    QLabel* scaleValue_ = nullptr;
    QWidget* systemMeter_ = nullptr;
    QWidget* micMeter_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* restart_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace mebo
