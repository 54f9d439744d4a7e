#include "main/AppServices.h"

#include "app/AppEvents.h"
#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/CaptureMgr.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "capture/SandboxFolderAccess.h"
#include "capture/ScreenCaptureSvc.h"
#include "capture/ShutterSoundPlayer.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "main/CommandRuntime.h"
#include "main/HeadlessMainWindow.h"
#include "main/MediaModules.h"
#include "main/ModuleLoader.h"
#include "main/StderrDialogs.h"
#include "platform/SoundPlayer.h"
#include "platform/null/NullPlatform.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtWorkspace.h"
#include "recording/ScreenRecordingSvc.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

namespace mebo {

namespace {

// A sound output that stays silent: command-line captures make no noise unless asked.
class SilentSoundPlayer : public platform::SoundPlayer {
public:
    bool load(const QString&) override { return false; }
    bool play() override { return true; }
    void beep() override {}
};

// The PulseAudio module, loaded when sound is first needed.
std::unique_ptr<platform::SoundPlayer> loadSoundModule() {
    QString reason;
    using Factory = platform::SoundPlayer* (*)();
    if (auto create = reinterpret_cast<Factory>(resolveModuleFactory(
            QStringLiteral("libmebo_platform_pulse.so"), "mebo_create_sound_player", &reason))) {
        return std::unique_ptr<platform::SoundPlayer>(create());
    }
    logError(QStringLiteral("[Sound] sound module not loaded: ") + reason);
    return std::make_unique<SilentSoundPlayer>();
}

} // namespace

QString AppServices::thumbnailDirectory() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("thumbnails"));
}

AppServices::AppServices(platform::DefaultsStore& defaults, const Options& options) : defaults_(defaults) {
    cfg_ = std::make_unique<Cfg>(defaults_, options.saveDirectoryOverride);
    events_ = std::make_unique<AppEvents>();

    if (options.preloadedScreen) {
        backends_ = std::move(*options.preloadedScreen);
    } else if (options.screen) {
        backends_ = loadScreenBackends();
    } else {
        backends_.name = QStringLiteral("null");
        backends_.unavailableReason = QStringLiteral("the screen is not used by this command");
        backends_.screen = std::make_unique<platform::NullScreenCapture>(backends_.unavailableReason);
        backends_.windows = std::make_unique<platform::NullWindowServer>();
        backends_.pointer = std::make_unique<platform::NullPointerLocator>();
        backends_.input = std::make_unique<platform::NullInputSynthesizer>();
    }
    if (options.makeClipboard) {
        clipboard_ = options.makeClipboard();
    } else if (options.clipboard) {
        clipboard_ = std::make_unique<platform::QtClipboard>();
    } else {
        clipboard_ =
            std::make_unique<platform::NullClipboard>(QStringLiteral("no clipboard connection in this run"));
    }
    workspace_ = std::make_unique<platform::QtWorkspace>();
    if (options.sound) {
        sound_ = loadSoundModule();
    } else {
        sound_ = std::make_unique<SilentSoundPlayer>();
    }
    if (options.dialogs) {
        dialogsInUse_ = options.dialogs;
    } else {
        dialogs_ = std::make_unique<StderrDialogs>();
        dialogsInUse_ = dialogs_.get();
    }
    if (options.mainWindow) {
        mainWindowInUse_ = options.mainWindow;
    } else {
        mainWindow_ = std::make_unique<HeadlessMainWindow>();
        mainWindowInUse_ = mainWindow_.get();
    }

    thumbnails_ = std::make_unique<ThumbnailCache>(thumbnailDirectory());
    if (options.screen) {
        thumbnails_->prepareEncoder(); // a capture will need it
    }
    history_ = std::make_unique<HistoryStore>(*cfg_, *workspace_, *thumbnails_);
    cfg_->setHistoryLimitTarget(history_.get());
    QObject::connect(events_.get(), &AppEvents::meboSaveDirectoryChanged, history_.get(),
                     [history = history_.get()](const QString&) { history->reload(); });

    images_ = std::make_unique<ImageStore>(*cfg_);
    clipboardSvc_ = std::make_unique<ClipboardSvc>(*clipboard_);
    shutter_ = std::make_unique<ShutterSoundPlayer>(*sound_, ShutterSoundPlayer::defaultResourceDirs(),
                                                    ShutterSoundPlayer::defaultSystemSounds(),
                                                    &ShutterSoundPlayer::systemUptime);
    screenshots_ = std::make_unique<ScreenCaptureSvc>(*backends_.screen, *backends_.windows);
    folderAccess_ = std::make_unique<SandboxFolderAccess>(*cfg_, *events_, *dialogsInUse_);
    captureMgr_ = std::make_unique<CaptureMgr>(*cfg_, *screenshots_, *images_, *clipboardSvc_, *shutter_,
                                               *history_, *mainWindowInUse_, nullptr, *dialogsInUse_,
                                               *workspace_, *backends_.pointer);
    if (options.recording && (options.screen || options.preloadedScreen)) {
        media_ = std::make_unique<MediaModules>();
        RecordingBackends rb;
        rb.screen = backends_.screen.get();
        rb.frames = backends_.frames.get();
        rb.audio = media_->audio();
        rb.makeWriter = [media = media_.get()] { return media->makeWriter(); };
        rb.remuxer = &media_->remuxer();
        rb.probe = &media_->probe();
        rb.pointer = backends_.pointer.get();
        rb.buttons = backends_.buttons.get();
        rb.camera = [media = media_.get()] { return media->camera(); };
        recorder_ = std::make_unique<ScreenRecordingSvc>(std::move(rb));
        CaptureMgr::RecordingLinks links;
        links.recorder = recorder_.get();
        links.thumbnails = thumbnails_.get();
        links.remuxer = &media_->remuxer();
        links.probe = &media_->probe();
        captureMgr_->setRecordingLinks(std::move(links));
    }
}

AppServices::~AppServices() {
    // A recording still running stops its threads first; its file stays for recovery.
    recorder_.reset();
    // The history store's late results are dropped once it is gone; thumbnails are finished.
    if (thumbnails_) {
        thumbnails_->waitForPending();
    }
    cfg_->setHistoryLimitTarget(nullptr);
}

bool AppServices::settle(int timeoutMs) {
    runtime::waitFor(history_.get(), &HistoryStore::becameIdle, timeoutMs,
                     [history = history_.get()] { return history->isIdle(); });
    thumbnails_->waitForPending();
    return history_->isIdle();
}

} // namespace mebo
