#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace mebo {

class TasuInstaller;
namespace platform {
class Clipboard;
}

// The settings window's hotkeys section: installing the companion Tasu (which binds global keys
// to capture URLs), opening it once installed, and the shell commands that start each capture
// for people who bind keys elsewhere. Main thread.
class CompanionVM : public QObject {
    Q_OBJECT
public:
    struct CaptureCommand {
        QString title;   // "Capture Full Screen"
        QString mode;    // "fullscreen"
        QString command; // xdg-open 'mebo://capture?mode=fullscreen'
    };

    CompanionVM(TasuInstaller& installer, platform::Clipboard& clipboard, QObject* parent = nullptr);

    bool isInstalled() const;
    bool isInstalling() const;
    // The last failure's description; empty when there is none.
    const QString& errorText() const { return errorText_; }

    void install();
    // Starts Tasu; a failure shows as the error text.
    void open();
    // Puts a capture command on the clipboard; answers whether the clipboard took it.
    bool copyCommand(const QString& command);

    static QString installPrompt() { return QStringLiteral("Install Tasu.app to set global hotkeys"); }
    static QString installButtonText() { return QStringLiteral("Install Tasu"); }
    static QString installingText() { return QStringLiteral("Downloading Tasu..."); }
    static QString installedText() { return QStringLiteral("Tasu.app installed — open to bind hotkeys"); }
    static QString openButtonText() { return QStringLiteral("Open Tasu"); }
    // One per capture mode, in the order the menus offer them.
    static QList<CaptureCommand> captureCommands();

Q_SIGNALS:
    void changed();

private:
    TasuInstaller& installer_;
    platform::Clipboard& clipboard_;
    QString errorText_;
};

} // namespace mebo
