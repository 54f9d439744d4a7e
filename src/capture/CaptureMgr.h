#pragma once

#include "capture/CaptureMode.h"
#include "capture/RegionOverlay.h"
#include "capture/SourcePickerVM.h"
#include "recording/RecordingRecovery.h"
#include "recording/RecordingTypes.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace mebo {

class Cfg;
class ClipboardSvc;
class HistoryStore;
class ImageStore;
class MainWindowLink;
class ScreenCaptureSvc;
class ScrollCaptureSvc;
class ShutterSoundPlayer;
class ScreenRecordingSvc;
class ThumbnailCache;
namespace platform {
class Dialogs;
class MediaProbe;
class MediaRemuxer;
class PointerLocator;
class Workspace;
} // namespace platform

// The single entry point of every capture. It checks that the screen can be read, hides the main
// window, runs the interaction the mode needs (region overlay, pointer), gets the image from the
// screenshot service and finishes every still capture in handleResult(). Main thread only; every
// asynchronous answer comes back on the main thread and is ignored once the coordinator is gone.
class CaptureMgr : public QObject {
    Q_OBJECT
    // True from start() until the capture finished or was abandoned (the tray icon and the main
    // window observe it).
    Q_PROPERTY(bool captureActiveSubject READ captureActive NOTIFY captureActiveChanged)
public:
    static constexpr int settleDelayMs = 50;        // lets the hidden main window leave the screen
    static constexpr int relaunchQuitDelayMs = 400; // the new instance starts before this one quits
    static constexpr double shutterMinIntervalSec = 1.5;

    // `overlay` may be null (a session without the desktop shell): interactive area and window
    // selection is then unavailable.
    CaptureMgr(Cfg& cfg, ScreenCaptureSvc& screenshots, ImageStore& images, ClipboardSvc& clipboard,
               ShutterSoundPlayer& shutter, HistoryStore& history, MainWindowLink& mainWindow,
               RegionOverlay* overlay, platform::Dialogs& dialogs, platform::Workspace& workspace,
               platform::PointerLocator& pointer, QObject* parent = nullptr);

    // The desktop shell's overlay, once it exists (null: interactive selection unavailable).
    void setRegionOverlay(RegionOverlay* overlay) { overlay_ = overlay; }

    void start(const CaptureRequest& request);
    // Finishes a still capture: sound, file, editor, clipboard, history.
    void handleResult(const CaptureResult& result);

    bool captureActive() const { return captureActive_; }
    // Set by the recording service while a recording runs.
    bool recordingActive() const { return recordingActive_; }
    void setRecordingActive(bool active) { recordingActive_ = active; }
    // Capturing (an overlay, a scroll session) or recording: background work keeps out of the way.
    bool userBusy() const { return captureActive_ || recordingActive_; }
    bool permissionAlertShownThisSession() const { return permissionAlertShownThisSession_; }

    // Application id of the window that was in front before Mebo became active; kept up to date
    // by the desktop shell, logged at start and handed to the overlay as the preferred snap target.
    std::optional<QString> preCaptureFrontmostAppId() const { return preCaptureFrontmostAppId_; }
    void setPreCaptureFrontmostAppId(std::optional<QString> appId) {
        preCaptureFrontmostAppId_ = std::move(appId);
    }
    // Answers the application in front (other than Mebo); asked at the start of every capture.
    void setFrontmostAppProvider(std::function<std::optional<QString>()> provider) {
        frontmostAppProvider_ = std::move(provider);
    }

    // Starts a recording of a display area chosen in the overlay (the recording service sets it);
    // without one the recording-area mode is unavailable. `rect`: desktop space.
    void setRecordAreaStarter(std::function<void(uint32_t displayId, const QRect& rect)> starter) {
        recordAreaStarter_ = std::move(starter);
    }

    // The window in front other than Mebo's (a capture of the active window); and the delay
    // before captures that do not name one (seconds, the user's setting).
    void setActiveWindowProvider(std::function<std::optional<uint32_t>()> provider) {
        activeWindowProvider_ = std::move(provider);
    }
    void setDefaultDelay(std::function<int()> seconds) { defaultDelay_ = std::move(seconds); }
    // A delayed capture is counting down (another start is refused meanwhile).
    bool isCountingDown() const { return countdownLeft_ > 0; }
    // Scroll captures: the service that runs them (null: unavailable in this session).
    void setScrollCapture(ScrollCaptureSvc* scroll) { scroll_ = scroll; }

    // What "Quit & Reopen" calls after a successful relaunch; QCoreApplication::quit by default.
    void setQuitFunction(std::function<void()> quit) { quit_ = std::move(quit); }

    // ---- Recording (CaptureMgrRecording.cpp) ----
    struct RecordingLinks {
        ScreenRecordingSvc* recorder = nullptr; // null: recording unavailable
        ThumbnailCache* thumbnails = nullptr;
        platform::MediaRemuxer* remuxer = nullptr; // trims and recovery
        platform::MediaProbe* probe = nullptr;     // recovered files' facts
    };
    void setRecordingLinks(RecordingLinks links);
    bool recordingAvailable() const { return recording_.recorder != nullptr; }
    // Starts recording `target`; `applySettings`: the recording settings of Cfg configure the
    // recorder first (the command line sets the recorder's options itself).
    void startRecording(const RecordingTarget& target, CaptureMode mode, bool applySettings = true);
    void stopRecording();
    void pauseResumeRecording();
    // Discards the running recording and starts again on the same target.
    void restartRecording();
    // Stops and deletes the recording with its sensitive siblings (webcam file, cursor telemetry).
    void cancelRecording();
    bool isRecording() const;
    // Recordings a crash left in the save folder enter the library (in the background).
    void recoverUnfinishedRecordings();
    // One recovered recording enters the library as a video with its thumbnail.
    void enterRecoveredRecording(const RecordingRecovery::Recovered& recovered);
    // The "Trim Video" prompt's answer: the fields as typed; trims `videoPath` into its
    // "_trimmed" sibling, which enters the library as a video of `mode`. Answers the file written.
    std::optional<QString> trimVideo(const QString& videoPath, double durationSec, const QString& startText,
                                     const QString& endText, CaptureMode mode = CaptureMode::record);
    static QString trimPromptText(double durationSec);

    // The source picker ("Record Screen..."): shown by `picker`, which answers once (nothing:
    // cancelled). Without one, "record" records the display under the pointer.
    using SourcePickerDone = std::function<void(std::optional<SourcePickerChoice>)>;
    void setSourcePicker(std::function<void(SourcePickerDone)> picker) { sourcePicker_ = std::move(picker); }
    void startRecordWithPicker(CaptureRequest::Source source);

    static QString permissionAlertTitle();
    static QString permissionAlertText();
    static QStringList permissionAlertButtons();
    // Where "Open Settings" leads: the X server access-control manual.
    static QUrl accessSettingsUrl();

Q_SIGNALS:
    void captureActiveChanged(bool active);
    // Once per still capture (also for abandoned ones, with ok false and no path): the command
    // line reports from it.
    void stillCaptureFinished(bool ok, const QString& path, const QString& itemId,
                              const mebo::CaptureResult& result);
    // Seconds left before a delayed capture, each second; 0 when it starts.
    void countdown(int secondsLeft);
    // Once per recording start that failed (after its alert) and per stop; `itemId` is the new
    // library entry's id (empty without a file).
    void recordingStartFailed(const QString& description);
    void recordingStarted();
    void recordingFinished(bool ok, const QString& path, const QString& itemId,
                           const mebo::StopResult& result);
    void recordingsRecovered(int count);

private:
    void setCaptureActive(bool active);
    void hideMainWindowForCapture();
    void restoreMainWindow();
    // Capture inactive, main window back, the end reported.
    void abandon(CaptureMode mode);
    void reportAbandoned(CaptureMode mode);

    // Warning, capture abandoned, the alert once per process.
    void onPermissionDenied(CaptureMode mode);
    void showPermissionAlert();
    void openAccessSettings();
    void relaunch();

    void dispatch(const CaptureRequest& request);
    void captureFullscreen(const CaptureRequest& request);
    void captureArea(CaptureMode mode, uint32_t displayId, const QRect& rect);
    // The completion of a display or area grab: the result is finished, or the capture abandoned.
    std::function<void(std::optional<QImage>)> displayGrabDone(CaptureMode mode, uint32_t displayId);
    void captureWindow(CaptureMode mode, uint32_t windowId);
    void presentOverlay(CaptureMode mode, SnapIntent intent, RegionKind kind = RegionKind::area);
    void captureScroll(const CaptureRequest& request);
    static QString cancelLine(CaptureMode mode);
    uint32_t displayUnderPointer() const;

    Cfg& cfg_;
    ScreenCaptureSvc& screenshots_;
    ImageStore& images_;
    ClipboardSvc& clipboard_;
    ShutterSoundPlayer& shutter_;
    HistoryStore& history_;
    MainWindowLink& mainWindow_;
    RegionOverlay* overlay_;
    ScrollCaptureSvc* scroll_ = nullptr;
    platform::Dialogs& dialogs_;
    platform::Workspace& workspace_;
    platform::PointerLocator& pointer_;

    bool captureActive_ = false;
    bool recordingActive_ = false;
    bool permissionAlertShownThisSession_ = false;
    std::optional<QString> preCaptureFrontmostAppId_;
    std::function<void()> quit_;
    std::function<void(uint32_t, const QRect&)> recordAreaStarter_;
    std::function<std::optional<QString>()> frontmostAppProvider_;
    std::function<std::optional<uint32_t>()> activeWindowProvider_;
    std::function<int()> defaultDelay_;
    int countdownLeft_ = 0;
    // A remembered target made concrete, or the interactive selection when there is none.
    void dispatchTarget(const CaptureRequest& request);
    void tick(const CaptureRequest& request);

    // Recording.
    void onRecordingStartFailed(const RecordingError& error);
    void finishRecording(const StopResult& result);
    QString newRecordingPath() const;
    void deleteRecordingFiles(const StopResult& result);
    void enterVideo(const RecordingRecovery::Recovered& video, CaptureMode mode, const QDateTime& createdAt);
    void presentSourcePicker();
    std::function<void(SourcePickerDone)> sourcePicker_;
    RecordingLinks recording_;
    CaptureMode recordMode_ = CaptureMode::record;
    std::optional<RecordingTarget> recordTarget_; // kept for retry and restart
    bool recordApplySettings_ = true;
    // A stop or cancel asked for while the recorder was still starting: done once it runs.
    enum class HeldStop { none, stop, cancel };
    HeldStop heldStop_ = HeldStop::none;
    bool holdWhileStarting(HeldStop what);
    void runHeldStop(HeldStop held);
};

} // namespace mebo
