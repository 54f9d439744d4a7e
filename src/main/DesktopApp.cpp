#include "app/AppDelegate.h"
#include "app/AppLogger.h"
#include "app/CapturePrefs.h"
#include "app/Cfg.h"
#include "app/LaunchAtLogin.h"
#include "app/MainWindowVM.h"
#include "app/SettingsVM.h"
#include "app/ShortcutRouter.h"
#include "app/SingleInstance.h"
#include "app/UpdateCheckHook.h"
#include "app/UrlHandlerRegistration.h"
#include "capture/CaptureMgr.h"
#include "capture/ScreenCaptureSvc.h"
#include "document/CustomStampMgr.h"
#include "library/HistoryStore.h"
#include "library/LibraryTextIndex.h"
#include "library/LibraryTextIndexer.h"
#include "main/AccessibilityModule.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/ClipboardKeeper.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/ExportModules.h"
#include "main/HandOverClipboard.h"
#include "main/MainWindowSlot.h"
#include "main/MediaModules.h"
#include "main/MediaProbeModule.h"
#include "main/OnlineServices.h"
#include "main/SignalQuitter.h"
#include "main/TextRecognitionModule.h"
#include "platform/Clipboard.h"
#include "platform/Workspace.h"
#include "platform/names/GazetteerNameTagger.h"
#include "platform/qt/DBusNotifications.h"
#include "platform/qt/PortalColorScheme.h"
#include "recording/ScreenRecordingSvc.h"
#include "scroll/ScrollCaptureSvc.h"
#include "services/Norvik.h"
#include "services/RelaunchWindows.h"
#include "services/UpdateGuard.h"
#include "services/UpdateMgr.h"
#include "services/VersionMgr.h"
#include "ui/AppPalette.h"
#include "ui/DesktopShell.h"
#include "ui/KeyMonitors.h"
#include "ui/MainWindow.h"
#include "ui/MenuBarController.h"
#include "ui/RecordingShell.h"
#include "ui/RegionSelectionWindow.h"
#include "ui/ScrollCapturePanel.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusIcon.h"
#include "ui/ThumbnailStrip.h"
#include "ui/TrimVideoDialog.h"
#include "ui/VideoEditorWindow.h"
#include "ui/WidgetDialogs.h"
#include "video/VideoAnnotationAssets.h"
#include "video/VideoChapterDisplayStylePref.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QPointer>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QThread>
#include <csignal>

namespace mebo {

namespace {

const char* kDesktopHelp = R"(Usage: mebo [--background | --show] [--verbose] [mebo://capture?mode=MODE]

Starts the desktop application (tray menu, main window), or hands the arguments to the one
already running. MODE is area, fullscreen, window, scroll, record or recordArea; lastRegion
(the last area selected), activeWindow (the window in front) and display (the display under the
pointer) capture without the overlay.

The first start opens the main window; later ones start in the tray (without a tray the window
opens). Starting Mebo again while it runs shows its window.

  --background   start in the tray only (the login session uses it)
  --show         open the main window at start
  --verbose      also write the execution log's informational lines to standard error
)";

// A relaunch ("Quit & Reopen") starts us while the old instance is still quitting: wait for it
// instead of handing our arguments to it.
void waitForRelaunchingInstance() {
    const QByteArray pid = qgetenv("MEBO_RELAUNCHED_FROM");
    if (pid.isEmpty()) {
        return;
    }
    qunsetenv("MEBO_RELAUNCHED_FROM");
    const pid_t old = pid_t(pid.toLongLong());
    QDeadlineTimer deadline(5000);
    while (old > 0 && ::kill(old, 0) == 0 && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
}

} // namespace

int runDesktopApp(int& argc, char** argv, const QStringList& args) {
    QStringList urls;
    bool background = false;
    bool show = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cli::printOut(QString::fromUtf8(kDesktopHelp).trimmed());
            return cli::Exit::ok;
        }
        if (a == QLatin1String("--background")) {
            background = true;
        } else if (a == QLatin1String("--show")) {
            show = true;
        } else if (a == QLatin1String("--verbose")) {
            // accepted for symmetry with the commands: the application always writes its log
        } else if (a.startsWith(QLatin1Char('-'))) {
            cli::printErr(QStringLiteral("unknown option '%1' (see 'mebo --help')").arg(a));
            return cli::Exit::usage;
        } else {
            urls << a;
        }
    }
    // A URL for a running instance is handed over first: the restart below would load this
    // program a second time just to forward it (the lock and the wait are not needed for it).
    if (!urls.isEmpty() && qEnvironmentVariableIsEmpty("MEBO_RELAUNCHED_FROM") &&
        SingleInstance().handOver(urls, 1000)) {
        return cli::Exit::ok;
    }
    // Text recognition runs in this process; its OpenMP threads only slow it down (restarts once).
    runtime::limitOpenMpThreads(argv);
    runtime::setVerbose(true); // the desktop application always writes the system log
    runtime::nameApplication();
    waitForRelaunchingInstance();

    // One instance per user: the lock closes the race of two launches at the same moment.
    QLockFile launchLock(QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                             .filePath(QStringLiteral("app.mebo.launch.lock")));
    launchLock.tryLock(3000);
    SingleInstance instance;
    if (instance.handOver(urls.isEmpty() && !background ? QStringList{} : urls)) {
        return cli::Exit::ok;
    }

    // Probed before the application object: a GUI application aborts on an unreachable display.
    ScreenBackends screen = loadScreenBackends();
    if (!screen.available()) {
        cli::printErr(screen.unavailableReason);
        return cli::Exit::failure;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    runtime::nameApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral("mebo"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(StatusIcon::application());

    AppDelegate::logLaunch(VersionMgr::shared().version(), VersionMgr::shared().buildNumber());

    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    MainWindowSlot mainWindowSlot;
    QWidget* mainWidget = nullptr;
    WidgetDialogs dialogs([&mainWidget] { return mainWidget; });
    AppServices::Options options;
    options.preloadedScreen = &screen;
    options.clipboard = true;
    options.sound = true;
    options.dialogs = &dialogs;
    options.mainWindow = &mainWindowSlot;
    options.recording = true;
    AppServices services(*defaults, options);
    Cfg& cfg = services.cfg();
    CaptureMgr& capture = services.captureMgr();
    platform::PortalColorScheme colorScheme;
    AppPalette::install(cfg, colorScheme);

    // The URL handler: later launches hand their arguments over this socket.
    if (!instance.listen()) {
        logWarning(QStringLiteral("[AppDelegate] single-instance socket unavailable: ") +
                   instance.errorString());
    }
    launchLock.unlock();
    // Commands that copy an image hand it here, so it stays on the clipboard after they exit.
    instance.setRequestHandler(QString::fromLatin1(HandOverClipboard::kRequest),
                               [&services](const QStringList& request) {
                                   return HandOverClipboard::answerRequest(request, services.clipboardSvc());
                               });
    // An unpacked archive or a build folder makes itself the user's mebo:// handler; a system
    // install is registered by its package.
    UrlHandlerRegistration(UrlHandlerRegistration::defaultPaths()).ensureRegistered();

    MainWindowVM mainVM(cfg, services.history(), services.dialogs());
    // Image annotations of video edits that never got a project file: no editor can reach them now.
    VideoAnnotationAssets::sweepTransientRoot();
    auto startFromMenu = [&capture](CaptureMode mode) {
        CaptureRequest request;
        request.mode = mode;
        request.source = CaptureRequest::Source::menuBar;
        capture.start(request);
    };
    CustomStampMgr stamps;
    CapturePrefs prefs(services.defaults());
    platform::DBusNotifications notifications;
    LibraryTextIndex textIndex;
    EditorPage::Services editing;
    editing.recognizer = loadTextRecognizer();
    editing.names = std::make_shared<platform::GazetteerNameTagger>();
    editing.sound = services.soundPlayer();
    editing.clipboard = &services.clipboard();
    editing.stamps = &stamps;
    // The video editor: FFmpeg decodes and exports, the GIF writer quantises.
    VideoChapterDisplayStylePref chapterStyle(services.defaults(), &services.events());
    VideoEditorServices video;
    video.frameGenerator = [](QString* error) { return loadFrameGenerator(error); };
    video.composer = [](QString* error) { return loadVideoComposer(error); };
    video.gifWriter = [] { return makeGifWriter(); };
    video.probe = [] { return loadMediaProbe(); };
    video.audio.source = [](QString* error) { return loadEditedAudio(error); };
    video.audio.output = [](QString* error) { return loadAudioOutput(error); };
    video.dialogs = [](QWidget* window) -> std::unique_ptr<platform::Dialogs> {
        return std::make_unique<WidgetDialogs>(
            [window = QPointer<QWidget>(window)] { return window.data(); });
    };
    video.chapterStyle = &chapterStyle;
    MainWindow mainWindow(MainWindow::Services{cfg, mainVM, services.history(), services.thumbnails(),
                                               services.clipboardSvc(), &services.workspace(), editing,
                                               startFromMenu, &prefs, &notifications, &textIndex, &video});
    // The words in every picture, recognised in the background, for the library's search.
    LibraryTextIndexer textIndexer(services.history(), textIndex, editing.recognizer);
    mainWidget = &mainWindow;
    mainWindowSlot.setTarget(&mainWindow);
    struct SlotReset {
        MainWindowSlot& slot;
        ~SlotReset() { slot.setTarget(nullptr); }
    } slotReset{mainWindowSlot};

    RegionSelectionWindow overlay(services.screenshots(), *services.screenBackends().windows,
                                  services.defaults(), services.shutter(),
                                  QCoreApplication::applicationPid());
    overlay.setShutterEnabled([&cfg] { return cfg.playShutterSound(); });
    capture.setRegionOverlay(&overlay);
    // The application in front before ours: the first normal window of another process.
    capture.setFrontmostAppProvider([&services]() -> std::optional<QString> {
        const qint64 own = QCoreApplication::applicationPid();
        for (const platform::WindowInfo& w : services.screenBackends().windows->windowsFrontToBack()) {
            if (w.pid != own && w.onScreen && w.type == platform::WindowType::Normal && !w.appId.isEmpty()) {
                return w.appId;
            }
        }
        return std::nullopt;
    });
    capture.setDefaultDelay([&prefs] { return prefs.delaySeconds(); });
    // The window in front: the first normal window of another process.
    capture.setActiveWindowProvider([&services]() -> std::optional<uint32_t> {
        const qint64 own = QCoreApplication::applicationPid();
        for (const platform::WindowInfo& w : services.screenBackends().windows->windowsFrontToBack()) {
            if (w.pid != own && w.onScreen && w.type == platform::WindowType::Normal) {
                return w.windowId;
            }
        }
        return std::nullopt;
    });
    struct OverlayReset {
        CaptureMgr& capture;
        ~OverlayReset() { capture.setRegionOverlay(nullptr); }
    } overlayReset{capture};

    // Updates, feedback and the hotkey companion; a relaunch after an update reopens the windows
    // that were open.
    SettingsWindow* settingsShown = nullptr;
    OnlineServices::Options onlineOptions;
    onlineOptions.windowState = [&mainWindow, &settingsShown] {
        RelaunchWindows open{mainWindow.isVisible(), std::nullopt};
        if (settingsShown && settingsShown->isVisible()) {
            open.settingsTab = int(settingsShown->currentTab());
        }
        return open.encode();
    };
    OnlineServices online(services.defaults(), onlineOptions);
    UpdateMgr& updateMgr = online.updates();
    updateMgr.setBusyProbe([&capture] { return capture.userBusy(); });
    online.startUpdates();
    // Scroll captures: the accessibility module, the control panel and the service.
    ScreenBackends& backends = services.screenBackends();
    AccessibilityModule accessibility(services.screenshots(), *backends.windows);
    overlay.setContentAreaQuery(accessibility.contentAreaQuery(), [](const platform::WindowInfo& w) {
        return ScrollCaptureSvc::isBrowser(w.appId);
    });
    struct ContentAreaReset {
        RegionSelectionWindow& overlay;
        ~ContentAreaReset() { overlay.setContentAreaQuery(nullptr, nullptr); }
    } contentAreaReset{overlay};
    ScrollCapturePanel scrollPanel(
        [&services](const QRect& desktop) {
            QRect primary;
            int primaryHeight = 0;
            for (const auto& d : services.screenshots().displays()) {
                if (d.primary) {
                    primary = d.nativeFrame;
                    primaryHeight = d.frame.height();
                }
            }
            const QScreen* screen = QGuiApplication::primaryScreen();
            const double dpr = screen ? screen->devicePixelRatio() : 1.0;
            const QRect window =
                ScreenCaptureSvc::toDesktopSpace(desktop, primaryHeight).translated(primary.topLeft());
            return QRect(int(window.x() / dpr), int(window.y() / dpr), int(window.width() / dpr),
                         int(window.height() / dpr));
        },
        [] {
            QList<QRect> out;
            for (const QScreen* s : QGuiApplication::screens()) {
                out << s->availableGeometry();
            }
            return out;
        });
    ScrollCaptureSvc scrollCapture(ScrollCaptureSvc::Services{
        services.screenshots(), *backends.windows, *backends.input, backends.makeFrameStream,
        accessibility.locator(), backends.escape.get(), [&scrollPanel] {
            QList<uint32_t> ids;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && w != &scrollPanel) {
                    ids << uint32_t(w->winId());
                }
            }
            return ids;
        }});
    scrollCapture.setRegionOverlay(&overlay);
    overlay.setScrollShortcutEnabled(true);
    scrollCapture.setControlPanel(&scrollPanel);
    capture.setScrollCapture(&scrollCapture);
    struct ScrollReset {
        CaptureMgr& capture;
        ~ScrollReset() { capture.setScrollCapture(nullptr); }
    } scrollReset{capture};

    UpdateCheckHook updates;
    QObject::connect(&updateMgr, &UpdateMgr::changed, &updates,
                     [&updates, &updateMgr] { updates.setChecking(updateMgr.isChecking()); });

    LaunchAtLogin launchAtLogin;
    SettingsVM settingsVM(cfg, services.folderAccess(), launchAtLogin, services.dialogs(),
                          services.clipboard(), AppLogger::shared());
    settingsVM.setCapturePrefs(&prefs);
    SettingsWindow settingsWindow(settingsVM);
    OnlineViewModels onlineVMs(online, services.workspace(), services.clipboard());
    settingsWindow.addServiceSections(*onlineVMs.updates, *onlineVMs.feedback, *onlineVMs.companion);
    settingsShown = &settingsWindow;
    QObject::connect(&settingsWindow, &SettingsWindow::checkForUpdatesRequested, &updates,
                     &UpdateCheckHook::requestCheck);
    std::function<void(SettingsTab)> showSettings = [&settingsWindow, &updateMgr](SettingsTab tab) {
        if (!settingsWindow.isVisible()) {
            updateMgr.settingsOpened();
        }
        settingsWindow.showTab(tab);
    };
    // The manual check first: opening the window then finds it running.
    QObject::connect(&updates, &UpdateCheckHook::checkRequested, &app, [&updateMgr, &showSettings] {
        updateMgr.checkForUpdates();
        showSettings(SettingsTab::about);
    });

    ShortcutRouter router(mainWindow);
    KeyMonitors monitors(router, [&mainWindow] { return static_cast<QWidget*>(&mainWindow); });

    AppDelegate* delegatePtr = nullptr;
    MenuBarController::Actions actions;
    actions.startCapture = startFromMenu;
    actions.recordScreen = [&capture] { capture.startRecordWithPicker(CaptureRequest::Source::menuBar); };
    actions.stopRecording = [&capture] { capture.stopRecording(); };
    actions.pauseResumeRecording = [&capture] { capture.pauseResumeRecording(); };
    actions.openMain = [&mainWindow] { mainWindow.showMainWindow(); };
    actions.openSettings = [&showSettings](SettingsTab tab) { showSettings(tab); };
    actions.quit = [&delegatePtr] { delegatePtr->quitRequested(); };
    actions.captureTarget = [&capture](CaptureRequest::Target target) {
        CaptureRequest request;
        request.mode =
            target == CaptureRequest::Target::activeWindow ? CaptureMode::window : CaptureMode::area;
        request.source = CaptureRequest::Source::menuBar;
        request.target = target;
        capture.start(request);
    };
    actions.delay = [&prefs] { return prefs.delaySeconds(); };
    actions.setDelay = [&prefs](int seconds) { prefs.setDelaySeconds(seconds); };
    MenuBarController* menuBarPtr = nullptr;
    actions.pickColor = [&overlay, &services, &menuBarPtr] {
        overlay.pickColor([&services, &menuBarPtr](std::optional<QColor> colour) {
            if (!colour) {
                return;
            }
            const QString hex = colour->name(QColor::HexRgb).toUpper();
            services.clipboard().writeText(hex);
            logInfo(QStringLiteral("[ColorPicker] copied ") + hex);
            if (menuBarPtr) {
                menuBarPtr->announce(QStringLiteral("Color copied"), hex);
            }
        });
    };
    MenuBarController menuBar(updates, actions, VersionMgr::shared().version());
    menuBarPtr = &menuBar;
    menuBar.setNotifications(&notifications);
    QObject::connect(&capture, &CaptureMgr::countdown, &menuBar, &MenuBarController::setCountdown);

    MainMenu::Handler menuHandler;
    menuHandler.openSettings = [&showSettings](SettingsTab tab) { showSettings(tab); };
    menuHandler.checkForUpdates = [&updates] { updates.requestCheck(); };
    menuHandler.quit = [&delegatePtr] {
        if (delegatePtr->shouldTerminate(AppDelegate::TerminateReason::ordinary)) {
            QCoreApplication::exit(0);
        }
    };
    // "Trim Video...": the recording chosen in the strip, else the newest one.
    const auto trimTarget = [&mainWindow] { return mainWindow.chosenRecording(); };
    const auto promptTrimVideo = [&services, &mainWindow, &capture, trimTarget] {
        const auto entry = trimTarget();
        if (!entry) {
            services.dialogs().alert(QStringLiteral("Trim Video"),
                                     QStringLiteral("There is no recording to trim."), {QStringLiteral("OK")},
                                     [](int) {});
            return;
        }
        const QString path = services.history().mainFilePath(*entry);
        auto* dialog = new TrimVideoDialog(entry->durationSec.value_or(0), &mainWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(
            dialog, &QDialog::finished, &capture, [&services, &capture, dialog, path, entry](int result) {
                if (result != QDialog::Accepted) {
                    services.workspace().revealFile(path);
                    return;
                }
                // The trimmed copy joins the library and the strip; no file manager opens over it.
                capture.trimVideo(path, entry->durationSec.value_or(0), dialog->startText(),
                                  dialog->endText(),
                                  captureModeFromRawValue(entry->mode).value_or(CaptureMode::record));
            });
        dialog->open();
    };
    menuHandler.perform = [&mainWindow, &router, &monitors, startFromMenu,
                           promptTrimVideo](const QString& selector) {
        if (selector == QLatin1String("captureScroll:")) {
            startFromMenu(CaptureMode::scroll);
        } else if (selector == QLatin1String("trimVideo:")) {
            promptTrimVideo();
        } else if (selector == QLatin1String("saveDocument:")) {
            router.saveFromMenu(false);
        } else if (selector == QLatin1String("saveDocumentAs:")) {
            router.saveFromMenu(true);
        } else if (selector == QLatin1String("copy:")) {
            router.copyFromMenu(monitors.sceneFor(nullptr));
        } else if (selector == QLatin1String("paste:")) {
            router.pasteFromMenu(monitors.sceneFor(nullptr));
        } else {
            mainWindow.performCommand(selector);
        }
    };
    menuHandler.isEnabled = [&mainWindow, &scrollCapture, trimTarget](const QString& selector) {
        if (selector == QLatin1String("captureScroll:")) {
            return !scrollCapture.isRunning();
        }
        if (selector == QLatin1String("trimVideo:")) {
            return trimTarget().has_value();
        }
        return mainWindow.isCommandEnabled(selector);
    };

    DesktopShell shell(mainWindow, menuBar, monitors, menuHandler, showSettings,
                       VersionMgr::shared().version());
    AppDelegate delegate(services.defaults(), services.images(), services.history(), capture, shell);
    delegatePtr = &delegate;
    QObject::connect(&instance, &SingleInstance::argumentsReceived, &delegate,
                     [&delegate](const QStringList& handed) { delegate.handleLaunchArguments(handed); });

    // The session ending (log out, restart, shut down) quits; so do SIGTERM and SIGINT.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate, [&delegate](QSessionManager&) {
        delegate.shouldTerminate(AppDelegate::TerminateReason::logOut);
    });
    SignalQuitter signals([&delegate] {
        if (delegate.shouldTerminate(AppDelegate::TerminateReason::logOut)) {
            QCoreApplication::exit(0);
        }
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.willTerminate(); });
    capture.setQuitFunction([&delegate] { delegate.quitRequested(); });
    updateMgr.setQuittingForUpdate([&delegate](bool quitting) { delegate.setAllowTermination(quitting); });
    updateMgr.setTerminate([&delegate] {
        if (delegate.shouldTerminate(AppDelegate::TerminateReason::ordinary)) {
            QCoreApplication::exit(0);
        }
    });
    // A downloaded update that waited for the user goes in when Mebo ends.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &online.norvik(), &Norvik::tryInstallOnDeactivate);

    // The first start opens the main window; later ones stay in the tray unless asked.
    const bool firstStart =
        !services.defaults().object(QString::fromLatin1(AppDelegate::firstLaunchKey)).toBool();
    // Recording: the tray shows it and offers the stop; recordings a crash left enter the library.
    std::unique_ptr<RecordingShell> recordingShell;
    if (ScreenRecordingSvc* recorder = services.recorder()) {
        // The picker, the floating panel, the frame around the recorded rectangle, the tray's state.
        RecordingShell::Links links{cfg, capture, *recorder, services.screenshots(), &menuBar, nullptr, {}};
        if (MediaModules* media = services.media()) {
            links.audio = media->audio();
            links.camera = [media] { return media->camera(); };
        }
        recordingShell = std::make_unique<RecordingShell>(std::move(links));
        capture.recoverUnfinishedRecordings();
    }

    delegate.finishLaunching();
    UpdateGuard::confirmStarted(VersionMgr::shared().version());
    if (const auto rolledBack = UpdateGuard::takeRolledBack()) {
        updateMgr.reportRolledBack(rolledBack->first, rolledBack->second);
    }
    if (const auto reopen = RelaunchWindows::takeFromEnvironment()) {
        if (reopen->mainWindow) {
            mainWindow.showMainWindow();
        }
        if (reopen->settingsTab) {
            showSettings(SettingsTab(*reopen->settingsTab));
        }
    }
    textIndexer.start();
    for (const QString& url : urls) {
        delegate.handleUrl(url);
    }
    if (show || (urls.isEmpty() && !background && firstStart)) {
        mainWindow.showMainWindow();
    }
    const int status = app.exec();
    // Quitting stops a recording through its stop sequence, so the file is finished.
    if (capture.isRecording()) {
        capture.stopRecording();
        runtime::waitFor(&capture, &CaptureMgr::recordingFinished, 60000,
                         [&capture] { return !capture.isRecording(); });
    }
    delegate.willTerminate();
    ClipboardKeeper::keepHeldImage(services.clipboard()); // it would leave with this process
    services.settle(3000);
    return status;
}

} // namespace mebo
