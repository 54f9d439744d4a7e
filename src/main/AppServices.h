#pragma once

#include "main/PlatformLoader.h"

#include <QString>
#include <memory>
#include <optional>

namespace mebo {

class AppEvents;
class CaptureMgr;
class Cfg;
class ClipboardSvc;
class HistoryStore;
class ImageStore;
class MainWindowLink;
class MediaModules;
class ScreenRecordingSvc;
class SandboxFolderAccess;
class ScreenCaptureSvc;
class ShutterSoundPlayer;
class ThumbnailCache;
namespace platform {
class Clipboard;
class DefaultsStore;
class Dialogs;
class SoundPlayer;
class Workspace;
} // namespace platform

// The process-wide services, created once and wired together here (the composition root).
// Everything lives on the main thread and is destroyed in reverse order of creation.
class AppServices {
public:
    struct Options {
        std::optional<QString> saveDirectoryOverride;
        bool screen = false;                       // connect the screen backends
        ScreenBackends* preloadedScreen = nullptr; // already connected ones to take over
        bool clipboard = false;                    // the real clipboard (needs a GUI application object)
        bool sound = false;                        // the real sound output
        bool recording = false;                    // the screen recorder (needs `screen`)
        // The desktop shell's own (caller-owned, outliving the services); headless ones otherwise.
        platform::Dialogs* dialogs = nullptr;
        MainWindowLink* mainWindow = nullptr;
    };

    // The defaults store is created first (the command line reads it before it decides which
    // application object to make); `defaults` must outlive the services.
    AppServices(platform::DefaultsStore& defaults, const Options& options);
    ~AppServices();

    platform::DefaultsStore& defaults() { return defaults_; }
    Cfg& cfg() { return *cfg_; }
    AppEvents& events() { return *events_; }
    ScreenBackends& screenBackends() { return backends_; }
    platform::Clipboard& clipboard() { return *clipboard_; }
    platform::Workspace& workspace() { return *workspace_; }
    platform::Dialogs& dialogs() { return *dialogsInUse_; }
    ShutterSoundPlayer& shutter() { return *shutter_; }
    // The sound output; null unless asked for in the options.
    platform::SoundPlayer* soundPlayer() { return sound_.get(); }
    ThumbnailCache& thumbnails() { return *thumbnails_; }
    HistoryStore& history() { return *history_; }
    ImageStore& images() { return *images_; }
    ClipboardSvc& clipboardSvc() { return *clipboardSvc_; }
    ScreenCaptureSvc& screenshots() { return *screenshots_; }
    CaptureMgr& captureMgr() { return *captureMgr_; }
    SandboxFolderAccess& folderAccess() { return *folderAccess_; }
    // The recorder and the media modules; null unless asked for in the options.
    ScreenRecordingSvc* recorder() { return recorder_.get(); }
    MediaModules* media() { return media_.get(); }

    // Waits (running the event loop) until the history store is idle and thumbnails are
    // written, at most `timeoutMs`; answers whether everything settled.
    bool settle(int timeoutMs);

    static QString thumbnailDirectory();

private:
    platform::DefaultsStore& defaults_;
    std::unique_ptr<Cfg> cfg_;
    std::unique_ptr<AppEvents> events_;
    ScreenBackends backends_;
    std::unique_ptr<platform::Clipboard> clipboard_;
    std::unique_ptr<platform::Workspace> workspace_;
    std::unique_ptr<platform::SoundPlayer> sound_;
    std::unique_ptr<platform::Dialogs> dialogs_;
    std::unique_ptr<MainWindowLink> mainWindow_;
    platform::Dialogs* dialogsInUse_ = nullptr;
    MainWindowLink* mainWindowInUse_ = nullptr;
    std::unique_ptr<ThumbnailCache> thumbnails_;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<ImageStore> images_;
    std::unique_ptr<ClipboardSvc> clipboardSvc_;
    std::unique_ptr<ShutterSoundPlayer> shutter_;
    std::unique_ptr<ScreenCaptureSvc> screenshots_;
    std::unique_ptr<SandboxFolderAccess> folderAccess_;
    std::unique_ptr<CaptureMgr> captureMgr_;
    std::unique_ptr<MediaModules> media_;
    std::unique_ptr<ScreenRecordingSvc> recorder_;
};

} // namespace mebo
