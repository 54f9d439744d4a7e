#pragma once

#include "capture/SourcePickerVM.h"
#include "recording/RecordingInputPreview.h"
#include "recording/RecordingPanelVM.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace mebo {

class CaptureMgr;
class Cfg;
class MenuBarController;
class RecordingPanel;
class RecordingRegionIndicator;
class ScreenCaptureSvc;
class ScreenRecordingSvc;
class SourcePickerWindow;
namespace platform {
class AudioCapture;
class CameraCapture;
} // namespace platform

// The desktop side of recording: the source picker the coordinator shows for "Record Screen...",
// the floating recording panel and the frame around the recorded rectangle while a recording
// runs (both kept out of the recorded pixels), and the tray's recording state. Main thread only.
class RecordingShell : public QObject {
    Q_OBJECT
public:
    struct Links {
        Cfg& cfg;
        CaptureMgr& capture;
        ScreenRecordingSvc& recorder;
        ScreenCaptureSvc& screenshots;
        MenuBarController* tray = nullptr;
        // Where the panel's device menus come from (asked when the picker opens); may be null.
        platform::AudioCapture* audio = nullptr;
        std::function<platform::CameraCapture*()> camera;
    };

    explicit RecordingShell(Links links, QObject* parent = nullptr);
    ~RecordingShell() override;

    RecordingPanelVM& panelVM() { return panelVM_; }
    SourcePickerVM& pickerVM() { return pickerVM_; }
    SourcePickerWindow* picker() const { return picker_.get(); }
    // The floating panel's window while recording (null before the first recording).
    QWidget* floatingPanel() const { return floating_.get(); }
    RecordingRegionIndicator* indicator() const { return indicator_.get(); }
    // The levels and camera picture of the panel before a recording starts.
    RecordingInputPreview& inputPreview() { return inputPreview_; }

    // The recorded rectangle in this desktop's window coordinates.
    QRect recordedRect() const;

private:
    void listDevices();
    void openPicker(std::function<void(std::optional<SourcePickerChoice>)> done);
    void onStateChanged();
    void showRecordingChrome();
    void hideRecordingChrome();
    void placePanel();

    Links l_;
    RecordingPanelVM panelVM_;
    SourcePickerVM pickerVM_;
    RecordingInputPreview inputPreview_;
    std::unique_ptr<SourcePickerWindow> picker_;
    std::unique_ptr<QWidget> floating_;
    RecordingPanel* floatingPanel_ = nullptr;
    std::unique_ptr<RecordingRegionIndicator> indicator_;
    float systemLevel_ = 0;
    float micLevel_ = 0;
};

} // namespace mebo
