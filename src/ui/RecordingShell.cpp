#include "ui/RecordingShell.h"

#include "capture/CaptureMgr.h"
#include "platform/AudioCapture.h"
#include "platform/CameraCapture.h"
#include "platform/MonotonicClock.h"
#include "recording/ScreenRecordingSvc.h"
#include "ui/MenuBarController.h"
#include "ui/RecordingPanel.h"
#include "ui/RecordingRegionIndicator.h"
#include "ui/SourcePickerWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace mebo {

namespace {

QList<QRect> screenRects() {
    QList<QRect> rects;
    for (QScreen* s : QGuiApplication::screens()) {
        rects << s->geometry();
    }
    return rects;
}

} // namespace

RecordingShell::RecordingShell(Links links, QObject* parent)
    : QObject(parent), l_(std::move(links)), panelVM_(l_.cfg),
      pickerVM_(l_.screenshots, QCoreApplication::applicationPid()), inputPreview_(l_.audio, l_.camera) {
    RecordingPanelVM::Controls controls;
    controls.start = [this] {
        if (picker_) {
            picker_->accept();
        }
    };
    controls.stop = [this] { l_.capture.stopRecording(); };
    controls.pauseResume = [this] { l_.capture.pauseResumeRecording(); };
    controls.restart = [this] { l_.capture.restartRecording(); };
    controls.cancel = [this] {
        if (picker_ && picker_->isOpen()) {
            picker_->reject();
        } else if (l_.capture.isRecording()) {
            l_.capture.cancelRecording();
        }
    };
    panelVM_.setControls(std::move(controls));
    l_.capture.setSourcePicker([this](CaptureMgr::SourcePickerDone done) { openPicker(std::move(done)); });

    // Before a start the panel shows the inputs through the preview; the recorder takes over the
    // devices once the picker has closed.
    connect(&panelVM_, &RecordingPanelVM::configurationChanged, this, [this] {
        if (inputPreview_.running()) {
            inputPreview_.apply(panelVM_.configuration());
        }
    });
    connect(&inputPreview_, &RecordingInputPreview::levelsChanged, this, [this](float system, float mic) {
        if (!panelVM_.isRunning()) {
            panelVM_.setLevels(system, mic);
        }
    });
    connect(&inputPreview_, &RecordingInputPreview::previewChanged, this, [this](const QImage& picture) {
        if (!panelVM_.isRunning()) {
            panelVM_.offerPreview(picture, double(platform::monotonicNowNs()) / 1e9);
        }
    });

    ScreenRecordingSvc& r = l_.recorder;
    connect(&r, &ScreenRecordingSvc::stateChanged, this, &RecordingShell::onStateChanged);
    connect(&r, &ScreenRecordingSvc::elapsedSecondsChanged, this, [this](double seconds) {
        panelVM_.setElapsed(seconds);
        if (l_.tray && panelVM_.isRunning()) {
            l_.tray->setRecordingStatus(panelVM_.state() == RecordingState::paused,
                                        RecordingPanelVM::trayStatus(panelVM_.state(), seconds));
        }
    });
    connect(&r, &ScreenRecordingSvc::systemAudioLevelChanged, this, [this](float level) {
        systemLevel_ = level;
        panelVM_.setLevels(systemLevel_, micLevel_);
    });
    connect(&r, &ScreenRecordingSvc::micLevelChanged, this, [this](float level) {
        micLevel_ = level;
        panelVM_.setLevels(systemLevel_, micLevel_);
    });
    connect(&r, &ScreenRecordingSvc::webcamPreviewChanged, this, [this](const QImage& picture) {
        panelVM_.offerPreview(picture, double(platform::monotonicNowNs()) / 1e9);
    });
}

RecordingShell::~RecordingShell() {
    l_.capture.setSourcePicker(nullptr);
}

void RecordingShell::openPicker(std::function<void(std::optional<SourcePickerChoice>)> done) {
    if (!picker_) {
        picker_ = std::make_unique<SourcePickerWindow>(pickerVM_, panelVM_);
    }
    listDevices();
    picker_->open([this, done = std::move(done)](std::optional<SourcePickerChoice> choice) {
        inputPreview_.stop(); // the devices are free before the recorder opens them
        done(choice);
    });
    inputPreview_.apply(panelVM_.configuration());
}

void RecordingShell::listDevices() {
    QList<RecordingDeviceChoice> mics;
    if (l_.audio) {
        if (auto sources = l_.audio->sources()) {
            for (const auto& s : sources.value()) {
                if (!s.isMonitor) { // monitors are the system audio, not microphones
                    mics << RecordingDeviceChoice{s.name, s.description.isEmpty() ? s.name : s.description};
                }
            }
        }
    }
    panelVM_.setMicrophones(mics);
    QList<RecordingDeviceChoice> cams;
    if (platform::CameraCapture* camera = l_.camera ? l_.camera() : nullptr) {
        if (auto devices = camera->devices()) {
            for (const auto& d : devices.value()) {
                cams << RecordingDeviceChoice{d.uniqueId, d.name.isEmpty() ? d.node : d.name};
            }
        }
    }
    panelVM_.setCameras(cams);
}

QRect RecordingShell::recordedRect() const {
    // The recorder speaks X11 root pixels; windows are placed in device-independent ones.
    const QRect native = l_.recorder.recordedRect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    if (ratio == 1.0) {
        return native;
    }
    return QRectF(QPointF(native.topLeft()) / ratio, QSizeF(native.size()) / ratio).toAlignedRect();
}

void RecordingShell::onStateChanged() {
    const RecordingState state = l_.recorder.state();
    const bool wasRunning = panelVM_.isRunning();
    panelVM_.setState(state);
    if (l_.tray) {
        const bool active = state != RecordingState::idle;
        if (l_.tray->recording() != active) {
            l_.tray->setRecording(active);
        }
        if (active) {
            l_.tray->setRecordingStatus(state == RecordingState::paused,
                                        RecordingPanelVM::trayStatus(state, panelVM_.elapsed()));
        }
    }
    if (panelVM_.isRunning() && !wasRunning) {
        showRecordingChrome();
    } else if (state == RecordingState::paused || state == RecordingState::recording) {
        indicator_->setPaused(state == RecordingState::paused);
    } else if (state == RecordingState::stopping || state == RecordingState::idle) {
        hideRecordingChrome();
    }
}

void RecordingShell::showRecordingChrome() {
    if (!indicator_) {
        indicator_ = std::make_unique<RecordingRegionIndicator>();
    }
    indicator_->setPaused(l_.recorder.state() == RecordingState::paused);
    indicator_->showAround(recordedRect(), screenRects());
    if (!floating_) {
        floating_ =
            std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        floating_->setObjectName(QStringLiteral("recordingPanelWindow"));
        floating_->setWindowTitle(QStringLiteral("Mebo Recording"));
        floating_->setAttribute(Qt::WA_ShowWithoutActivating, true);
        auto* layout = new QVBoxLayout(floating_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        floatingPanel_ = new RecordingPanel(panelVM_, floating_.get());
        floatingPanel_->setOptionsShown(false);
        layout->addWidget(floatingPanel_);
    }
    floating_->adjustSize();
    placePanel();
}

void RecordingShell::placePanel() {
    const auto place = RecordingPanelVM::placeOutside(screenRects(), recordedRect(), floating_->sizeHint());
    if (!place) {
        // A whole-display recording on the only display: the tray's menu controls it, so nothing
        // of Mebo's enters the picture.
        floating_->hide();
        return;
    }
    floating_->setGeometry(*place);
    floating_->show();
    floating_->raise();
}

void RecordingShell::hideRecordingChrome() {
    if (indicator_) {
        indicator_->hide();
    }
    if (floating_) {
        floating_->hide();
    }
}

} // namespace mebo
