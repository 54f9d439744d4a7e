#pragma once

#include "app/SettingsTab.h"

#include <QObject>
#include <QString>
#include <functional>

namespace mebo {

class AppShell;
class CaptureMgr;
class HistoryStore;
class ImageStore;
namespace platform {
class DefaultsStore;
}

// The application's life: the launch sequence, mebo:// URLs, the first-launch settings window and
// what quitting means. Closing windows never quits; only the status menu's Quit, an update
// install or the end of the session do. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // How long after the first launch the settings window opens (a URL arriving meanwhile wins).
    static constexpr int firstLaunchDelayMs = 500;
    static constexpr const char* firstLaunchKey = "mebo.firstLaunchSettingsShown";

    enum class TerminateReason {
        ordinary,     // the application menu's Quit (Ctrl+Q): windows are hidden instead
        logOut,       // the session ends: log out, restart, shut down
        quitRequested // the status menu's Quit
    };

    AppDelegate(platform::DefaultsStore& defaults, ImageStore& images, HistoryStore& history,
                CaptureMgr& capture, AppShell& shell, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The first line of every launch, before any service exists.
    static void logLaunch(const QString& version, const QString& buildNumber);

    // Steps after the services exist: status item, save folder, the library (its index read, the
    // orphan scan and the limit started; changes by other processes followed), main menu, key
    // monitors and the first-launch rule. The URL handler (the single-instance socket) is
    // registered by the caller before this runs, so URLs that arrive during launch are already
    // counted.
    void finishLaunching();

    // One URL, from the command line or handed over by a later launch.
    void handleUrl(const QString& urlText);
    // Arguments handed over by a later launch: URLs are handled; a plain launch reopens (the
    // main window comes up when no window is visible).
    void handleLaunchArguments(const QStringList& arguments);
    bool didReceiveUrlDuringLaunch() const { return didReceiveUrlDuringLaunch_; }

    // The application icon or a second plain launch: show the main window when nothing is visible.
    bool reopen();

    // Set by the update installer: the next terminate request quits.
    void setAllowTermination(bool allow) { allowTermination_ = allow; }
    // The quit decision: true means quit now; false means windows were hidden and the
    // application keeps running.
    bool shouldTerminate(TerminateReason reason);
    // The status menu's Quit: set the flag, then terminate.
    void quitRequested();
    // Runs once before the process ends.
    void willTerminate();

    // What terminating does (QCoreApplication::exit by default: quit() would first ask every
    // window to close, and windows only hide).
    void setQuitFunction(std::function<void()> quit) { quit_ = std::move(quit); }

private:
    void runFirstLaunchRule();

    platform::DefaultsStore& defaults_;
    ImageStore& images_;
    HistoryStore& history_;
    CaptureMgr& capture_;
    AppShell& shell_;
    bool didReceiveUrlDuringLaunch_ = false;
    bool quitRequested_ = false;
    bool allowTermination_ = false;
    bool terminated_ = false;
    std::function<void()> quit_;
};

} // namespace mebo
