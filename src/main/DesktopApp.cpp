#include "app/AppDelegate.h"
#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "app/LaunchAtLogin.h"
#include "app/MainWindowVM.h"
#include "app/SettingsVM.h"
#include "app/ShortcutRouter.h"
#include "app/SingleInstance.h"
#include "app/UpdateCheckHook.h"
#include "app/UrlHandlerRegistration.h"
#include "capture/CaptureMgr.h"
#include "document/CustomStampMgr.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/MainWindowSlot.h"
#include "main/SignalQuitter.h"
#include "main/TextRecognitionModule.h"
#include "platform/names/GazetteerNameTagger.h"
#include "platform/qt/PortalColorScheme.h"
#include "services/VersionMgr.h"
#include "ui/AppPalette.h"
#include "ui/DesktopShell.h"
#include "ui/KeyMonitors.h"
#include "ui/MainWindow.h"
#include "ui/MenuBarController.h"
#include "ui/RegionSelectionWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusIcon.h"
#include "ui/WidgetDialogs.h"
#include "video/VideoAnnotationAssets.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QSessionManager>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QThread>
#include <csignal>

namespace mebo {

namespace {

const char* kDesktopHelp = R"(Usage: mebo [--background] [--verbose] [mebo://capture?mode=MODE]

Starts the desktop application (tray menu, main window), or hands the arguments to the one
already running. MODE is area, fullscreen, window, scroll, record or recordArea.

  --background   start without opening the main window (the login session uses it)
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
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cli::printOut(QString::fromUtf8(kDesktopHelp).trimmed());
            return cli::Exit::ok;
        }
        if (a == QLatin1String("--background")) {
            background = true;
        } else if (a == QLatin1String("--verbose")) {
            // accepted for symmetry with the commands: the application always writes its log
        } else if (a.startsWith(QLatin1Char('-'))) {
            cli::printErr(QStringLiteral("unknown option '%1' (see 'mebo --help')").arg(a));
            return cli::Exit::usage;
        } else {
            urls << a;
        }
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
    // An unpacked archive or a build folder makes itself the user's mebo:// handler; a system
    // install is registered by its package.
    UrlHandlerRegistration(UrlHandlerRegistration::defaultPaths()).ensureRegistered();

    MainWindowVM mainVM(cfg, services.history(), services.dialogs());
    // Image annotations of video edits that never got a project file: no editor can reach them now.
    VideoAnnotationAssets::sweepTransientRoot();
    auto startFromMenu = [&capture](CaptureMode mode) {
        capture.start(CaptureRequest{mode, CaptureRequest::Source::menuBar});
    };
    CustomStampMgr stamps;
    EditorPage::Services editing;
    editing.recognizer = loadTextRecognizer();
    editing.names = std::make_shared<platform::GazetteerNameTagger>();
    editing.sound = services.soundPlayer();
    editing.clipboard = &services.clipboard();
    editing.stamps = &stamps;
    MainWindow mainWindow(MainWindow::Services{cfg, mainVM, services.history(), services.thumbnails(),
                                               services.clipboardSvc(), &services.workspace(), editing,
                                               startFromMenu});
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
    struct OverlayReset {
        CaptureMgr& capture;
        ~OverlayReset() { capture.setRegionOverlay(nullptr); }
    } overlayReset{capture};

    UpdateCheckHook updates;
    QObject::connect(&updates, &UpdateCheckHook::checkRequested, &app, [] {
        logWarning(QStringLiteral("[UpdateMgr] no update feed is configured in this build"));
    });

    LaunchAtLogin launchAtLogin;
    SettingsVM settingsVM(cfg, services.folderAccess(), launchAtLogin, services.dialogs(),
                          services.clipboard(), AppLogger::shared());
    SettingsWindow settingsWindow(settingsVM);
    QObject::connect(&settingsWindow, &SettingsWindow::checkForUpdatesRequested, &updates,
                     &UpdateCheckHook::requestCheck);
    std::function<void(SettingsTab)> showSettings = [&settingsWindow](SettingsTab tab) {
        settingsWindow.showTab(tab);
    };

    ShortcutRouter router(mainWindow);
    KeyMonitors monitors(router, [&mainWindow] { return static_cast<QWidget*>(&mainWindow); });

    AppDelegate* delegatePtr = nullptr;
    MenuBarController::Actions actions;
    actions.startCapture = startFromMenu;
    actions.recordScreen = [&capture] {
        capture.start(CaptureRequest{CaptureMode::record, CaptureRequest::Source::menuBar});
    };
    actions.openMain = [&mainWindow] { mainWindow.showMainWindow(); };
    actions.openSettings = [&showSettings](SettingsTab tab) { showSettings(tab); };
    actions.quit = [&delegatePtr] { delegatePtr->quitRequested(); };
    MenuBarController menuBar(updates, actions, VersionMgr::shared().version());

    MainMenu::Handler menuHandler;
    menuHandler.openSettings = [&showSettings](SettingsTab tab) { showSettings(tab); };
    menuHandler.checkForUpdates = [&updates] { updates.requestCheck(); };
    menuHandler.quit = [&delegatePtr] {
        if (delegatePtr->shouldTerminate(AppDelegate::TerminateReason::ordinary)) {
            QCoreApplication::exit(0);
        }
    };
    menuHandler.perform = [&mainWindow, &router, &monitors](const QString& selector) {
        if (selector == QLatin1String("saveDocument:")) {
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
    menuHandler.isEnabled = [&mainWindow](const QString& selector) {
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

    delegate.finishLaunching();
    for (const QString& url : urls) {
        delegate.handleUrl(url);
    }
    if (urls.isEmpty() && !background) {
        mainWindow.showMainWindow();
    }
    const int status = app.exec();
    delegate.willTerminate();
    services.settle(3000);
    return status;
}

} // namespace mebo
